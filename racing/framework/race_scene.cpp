// race_scene.cpp -- the sky behind the race scene, the visible window of
// the road meshes and the boards
#include "racing/framework/race_scene.h"

#include "racing/engine/camera.h"
#include "racing/framework/race_drawing.h"
#include "racing/framework/race_rules.h"

#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"

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
