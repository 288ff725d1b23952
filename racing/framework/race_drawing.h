// race_drawing.h -- how the race pages draw: the sky panorama turning with
// the view, and the visible faces of the road and the racers sorted far to
// near and filled by the 2D quad filler (each face a quad with its last
// corner doubled)
#pragma once

#include "engine/base/matrix4.h"
#include "engine/scene/2d/raster_context.h"

#include <cstdint>
#include <vector>

class Group3D;
class Image;
class Material;
class Mesh;

namespace racing {

class Camera;
struct VisibleWindow;

// The sky picture's bottom rows: the last 5 in the background colour, the
// 10 above them blended towards the haze colour (strongest in the middle).
void addHazeBand(Image* sky, uint32_t background, uint32_t haze);

// Sky heading 0..1 of a turn for a view direction (x and z).
float skyHeading(float dx, float dz);

// The panorama placed by the view's heading and pitch at the altitude; the
// rows below it take the background colour (all of them without a sky).
void drawSkyPanorama(Image* surface, const Image* sky, const Matrix4& view, float skyAltitude,
                     uint32_t background);

// The first visible segment and how many follow it (wrapping at n).
void visibleSegments(const VisibleWindow& window, int n, int& first, int& count);

class QuadDrawer
{
public:
    struct Quad
    {
        QuadPoint corners[4];
        float depth;
        const Material* material;
    };

    // A new frame seen by the camera on a surface of w x h.
    void begin(Camera& camera, int w, int h);
    // Faces [firstFace, firstFace + count) of a mesh placed by `world`.
    void addFaces(const Mesh& mesh, const Matrix4& world, int firstFace, int count);
    // Every visible mesh of a model.
    void addModel(const Group3D& model);
    // A flat quad on the ground under a racer, drawn before what stands on it.
    void addShadow(const Vector3& position, const Vector3& direction, float halfLength, float halfWidth, float y,
                   const Material* material);
    // Far to near into the surface.
    void draw(Image* surface);

private:
    void addFace(const Mesh& mesh, int a, int b, int c);
    bool project(int32_t x, int32_t y, int32_t z, int32_t u, int32_t v, QuadPoint& out, float& depth) const;

    std::vector<Quad> quads; // reused frame to frame
    Matrix4 view, toView;
    float focal = 1.0f, cx = 0.0f, cy = 0.0f;
    int shiftU = 0, shiftV = 0;
};

} // namespace racing
