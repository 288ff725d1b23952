// race_scene.h -- what both race pages add to their 3D scene of the racing
// renderer: the sky panorama behind it (drawn by the render target's
// listener after its background), the road's and walls' vertex range of
// the visible window, and the boards shown only inside that window
#pragma once

#include "racing/engine/render_target.h"
#include "racing/framework/race_drawing.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

class Group3D;
class Image;
struct Matrix4;
class Mesh;
struct Vector3;

namespace racing {

class Camera;
struct VisibleWindow;

// The sky behind the scene: set as the scene's render target listener, it
// draws the panorama turned by the camera's view after the background.
class SkyBehindScene : public RenderTarget::FrameListener
{
public:
    void beforeBackground(Image*) override {}
    void afterBackground(Image* image) override;

    const Image* sky = nullptr; // the panorama (none: the background colour below the altitude)
    Camera* camera = nullptr;   // nothing is drawn without one
    float altitude = 0.0f;
    uint32_t background = 0;
    SkyPlacement placement;
};

// A board beside the road (or a banner across it) and the segment it stands at.
struct TrackBoard
{
    Group3D* model; // the scene's
    int segment;
};

// The boards inside the window are shown, the others hidden.
void showBoardsInWindow(std::vector<TrackBoard>& boards, const VisibleWindow& window);

// How many segments the road must reach behind the player (away from where
// the camera looks) to run on under the camera: to the first centre point
// behind the near plane of the view, one more for the road's width, at least
// two. Two alone end the road short of a camera that follows farther back
// than two segments (or has not closed in yet at the start), and the page's
// bottom rows would show the background. `points` are the track's n centre
// points; no more than n are counted.
int segmentsBehindToCamera(const Vector3* points, int n, int s, bool facingBack, const Matrix4& view, float nearPlane);

// The meshes of the track strip (8 vertices a segment) draw the segments of
// the visible window: segment s with the vertices of s and s + 1.
void applyVisibleWindow(const VisibleWindow& window, int segmentCount, std::initializer_list<Mesh*> meshes);

} // namespace racing
