// race_drawing.cpp -- sky panorama and the sorted quads of a race frame
#include "racing/framework/race_drawing.h"

#include "racing/engine/camera.h"
#include "racing/framework/race_rules.h"

#include "engine/base/math_utils.h"
#include "engine/base/matrix_ops.h"
#include "engine/platform/image.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/3d/vertex_face.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"

#include <algorithm>
#include <cmath>

namespace racing {

namespace {
constexpr float kNear = 0.5f;
}

void addHazeBand(Image* sky, uint32_t background, uint32_t haze)
{
    if (!sky || sky->height <= 10)
        return;
    sky->drawRect(background, 0, sky->height - 5, sky->width, 5, true);
    for (int k = 0; k < 10; ++k)
    {
        int row = sky->height - 10 + k;
        for (int x = 0; x < sky->width; ++x)
        {
            uint32_t pixel = sky->toPixel(blendRGB(haze, sky->colorAt(x, row), 255 - 50 * std::abs(5 - k)));
            uint8_t* at = sky->getPixelAddress(x, row);
            if (sky->bytesPerPixel == 2)
                *reinterpret_cast<uint16_t*>(at) = uint16_t(pixel);
            else
                *reinterpret_cast<uint32_t*>(at) = pixel;
        }
    }
}

float skyHeading(float dx, float dz)
{
    const float pi = 3.1415927f;
    // A normalised direction may overshoot 1 by rounding: asin would be NaN.
    float s = std::asin(std::clamp(dx, -1.0f, 1.0f));
    float h = dz > 0.0f ? (s < 0.0f ? s + 2.0f * pi : s) : pi - s;
    return h * (1.0f / (2.0f * pi));
}

void drawSkyPanorama(Image* surface, const Image* sky, const Matrix4& view, float skyAltitude, uint32_t background)
{
    const int tw = surface->width, th = surface->height;
    if (!sky || sky->width <= 0)
    {
        surface->drawRect(background, 0, 0, tw, th, true);
        return;
    }
    Vector3 d(view.m[8], view.m[9], view.m[10]);
    d.normalize();
    float f = skyHeading(d.x, d.z);
    int x = int(float(sky->width) * f) % sky->width;
    float q = 3.5f * d.y;
    int y = int((skyAltitude - 65.0f) + float(sky->height) * q);
    int top = std::min(y, 0);
    if (top + sky->height < th)
        surface->drawRect(background, 0, top + sky->height, tw, th - (top + sky->height), true);
    // The visible part is copied by its source rectangle: an image placed
    // more than a screen width to the left of the target is not drawn at all.
    const int srcY = -top, rows = sky->height + top;
    for (int dx = 0, sx = x; rows > 0 && dx < tw; sx = 0)
    {
        int columns = std::min(sky->width - sx, tw - dx);
        surface->drawImage(*sky, dx, 0, sx, srcY, columns, rows);
        dx += columns;
    }
}

void visibleSegments(const VisibleWindow& window, int n, int& first, int& count)
{
    first = window.inverted ? window.last : window.first;
    count = window.inverted ? n - (window.last - window.first) + 1 : window.last - window.first + 1;
    count = std::clamp(count, 0, n);
}

void QuadDrawer::begin(Camera& camera, int w, int h)
{
    quads.clear();
    view.copyFrom(camera.getViewMatrix());
    focal = float(camera.projection) / 1024.0f;
    cx = float(w) / 2.0f;
    cy = float(h) / 2.0f;
}

bool QuadDrawer::project(int32_t x, int32_t y, int32_t z, int32_t u, int32_t v, QuadPoint& out, float& depth) const
{
    Vector3 p;
    p.setFromFixed(x, y, z);
    toView.transformPoint(p);
    if (p.z < kNear)
        return false;
    depth = p.z;
    out = {int32_t(cx + p.x * focal / p.z), int32_t(cy - p.y * focal / p.z), int32_t(uint32_t(u) << shiftU),
           int32_t(uint32_t(v) << shiftV)};
    return true;
}

void QuadDrawer::addFace(const Mesh& mesh, int a, int b, int c)
{
    const int count = mesh.vertexCount();
    if (a < 0 || b < 0 || c < 0 || a >= count || b >= count || c >= count)
        return;
    Quad q;
    float d[3];
    const int index[3] = {a, b, c};
    for (int k = 0; k < 3; ++k)
    {
        const Vertex* v = mesh.vertex(index[k]);
        if (!project(v->x, v->y, v->z, v->u, v->v, q.corners[k], d[k]))
            return;
    }
    q.corners[3] = q.corners[2];
    q.depth = d[0] + d[1] + d[2];
    q.material = mesh.material;
    quads.push_back(q);
}

void QuadDrawer::addFaces(const Mesh& mesh, const Matrix4& world, int firstFace, int count)
{
    toView.setProduct(view, world);
    const Texture* t = mesh.material ? mesh.material->texture : nullptr;
    shiftU = t ? t->widthLog2 : 0;
    shiftV = t ? t->heightLog2 : 0;
    const int end = std::min(firstFace + count, mesh.faceCount());
    for (int f = std::max(firstFace, 0); f < end; ++f)
    {
        const Face* face = mesh.face(f);
        addFace(mesh, face->a, face->b, face->c);
    }
}

void QuadDrawer::addModel(const Group3D& model)
{
    Matrix4 world;
    for (int i = 0; i < model.meshCount(); ++i)
    {
        const Mesh* mesh = model.mesh(i);
        if (!mesh->visible)
            continue;
        world.setProduct(model.matrix, mesh->matrix);
        addFaces(*mesh, world, 0, mesh->faceCount());
    }
}

void QuadDrawer::addShadow(const Vector3& p, const Vector3& direction, float halfLong, float halfWide, float y,
                           const Material* material)
{
    toView.copyFrom(view);
    shiftU = shiftV = 0;
    Vector3 along(direction.x, 0.0f, direction.z);
    along.normalize();
    Vector3 across(along.z, 0.0f, -along.x);
    const float scale = float(fixedScale());
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    Quad shadow;
    float depth = 0.0f;
    for (int k = 0; k < 4; ++k)
    {
        float x = p.x + along.x * halfLong * corners[k][0] + across.x * halfWide * corners[k][1];
        float z = p.z + along.z * halfLong * corners[k][0] + across.z * halfWide * corners[k][1];
        float d = 0.0f;
        if (!project(int32_t(x * scale), int32_t(y * scale), int32_t(z * scale), 0, 0, shadow.corners[k], d))
            return;
        depth = std::max(depth, d);
    }
    shadow.depth = 3.0f * depth;
    shadow.material = material;
    quads.push_back(shadow);
}

void QuadDrawer::draw(Image* surface)
{
    std::sort(quads.begin(), quads.end(), [](const Quad& a, const Quad& b) { return a.depth > b.depth; });
    RasterContext raster(surface, 0, 0, surface->width, surface->height);
    for (const Quad& q : quads)
    {
        raster.setMaterial(q.material);
        raster.fillQuad(q.corners);
    }
}

} // namespace racing
