// race_scene.cpp -- the sky behind the race scene, the visible window of
// the road meshes and the boards
#include "racing/framework/race_scene.h"

#include "racing/engine/camera.h"
#include "racing/framework/race_drawing.h"
#include "racing/framework/race_rules.h"

#include "engine/base/matrix4.h"
#include "engine/base/vector.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"

#include <algorithm>

namespace racing {

void SkyBehindScene::afterBackground(Image* image)
{
    if (image && camera)
        drawSkyPanorama(image, sky, camera->getViewMatrix(), altitude, background, placement);
}

void showBoardsInWindow(std::vector<TrackBoard>& boards, const VisibleWindow& window)
{
    for (TrackBoard& board : boards)
        board.model->visible = window.contains(board.segment) ? 1 : 0;
}

int segmentsBehindToCamera(const Vector3* points, int n, int s, bool facingBack, const Matrix4& view, float nearPlane)
{
    if (!points || n <= 0)
        return 2;
    // The depth of a point in the view: its third row.
    auto depthOf = [&](const Vector3& p) { return view.m[8] * p.x + view.m[9] * p.y + view.m[10] * p.z + view.m[11]; };
    // Segment k runs from point k to point k + 1: looking forward the road
    // behind starts at point s and goes back; looking back it goes on from
    // point s + 1.
    const int step = facingBack ? 1 : -1;
    const int from = facingBack ? s + 1 : s;
    for (int c = 0; c < n; ++c)
        if (depthOf(points[((from + step * c) % n + n) % n]) < nearPlane)
            return std::max(2, c + 1);
    return n;
}

void applyVisibleWindow(const VisibleWindow& window, int segmentCount, std::initializer_list<Mesh*> meshes)
{
    // The meshes draw the vertex range [start, end), or with start > end
    // every vertex but those of [end, start).
    int start = 0, end = 0;
    const int all = 8 * segmentCount;
    if (!window.inverted)
    {
        start = 8 * window.first;
        end = 8 * (window.last + 2);
        if (end > all)
        {
            end -= all; // runs on over the start line
            if (end >= start)
                start = 0, end = all;
        }
    }
    else
    {
        // Visible: up to `first` and from `last` on, around the start line.
        start = 8 * (window.last + 1);
        end = 8 * (window.first + 1);
    }
    for (Mesh* m : meshes)
        if (m)
        {
            m->rangeEnabled = 1;
            m->rangeStart = start;
            m->rangeEnd = end;
        }
}

} // namespace racing
