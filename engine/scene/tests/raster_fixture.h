// raster_fixture.h -- a surface, depth buffer and hand-placed triangles for
// the rasteriser tests and benchmarks
#pragma once

#include "engine/platform/image.h"
#include "engine/scene/core/material.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/3d/environment.h"
#include "engine/scene/3d/light.h"
#include "engine/scene/3d/rasterizer.h"
#include "engine/scene/scenes/renderer3d.h"
#include "engine/scene/3d/shade_table.h"
#include "engine/scene/core/texture.h"

#include <vector>

namespace rastertest {

inline Image* makeSurface(int width, int height, int bits)
{
    Image* image = new Image(1, 1, false);
    image->create(width, height, bits);
    image->drawRect(0, 0, 0, width, height, true);
    return image;
}

// A texture of width x height whose texel (x, y) is colour(x, y) (0xRRGGBB).
template <class Fn>
Texture* makeTexture(int width, int height, int bits, Fn colour)
{
    Image* image = makeSurface(width, height, bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image->drawRect(colour(x, y), x, y, 1, 1, true);
    Image* frames[1] = {image};
    return new Texture(u"t.bmp", frames, 1, false, false);
}

struct Point
{
    int x, y;
    uint32_t depth;
    int32_t texelU = 0, texelV = 0;
    int32_t shadeU = 127, shadeV = 127;
};

// One mesh whose vertices carry screen positions directly.
struct TriangleSurface
{
    Image* surface;
    std::vector<uint32_t> depth;
    Rasterizer rasterizer;
    Mesh mesh;
    PtrVector temps;

    TriangleSurface(int width, int height, int bits, Material* material, const ShadeTable* shades = nullptr)
        : surface(makeSurface(width, height, bits)), depth(size_t(width * height), 0xFFFFFFFFu),
          rasterizer(surface, 0, 0, width, height)
    {
        mesh.material = material;
        rasterizer.beginFrame(shades, depth.data(), &temps, false);
    }
    ~TriangleSurface() { delete surface; }

    // temporary: the face's flag (1 and up: made by clipping or subdivision).
    void triangle(const Point& a, const Point& b, const Point& c, uint8_t temporary = 0)
    {
        const int base = mesh.vertexCount();
        for (const Point* p : {&a, &b, &c})
        {
            Vertex* v = new Vertex();
            v->screenX = p->x;
            v->screenY = p->y;
            v->depth = int32_t(p->depth);
            v->texelU = p->texelU;
            v->texelV = p->texelV;
            v->shadeU = p->shadeU;
            v->shadeV = p->shadeV;
            mesh.addVertexRecord(v);
        }
        mesh.addFaceRecord(new Face(base, base + 1, base + 2, &mesh, temporary));
        rasterizer.drawTriangle(*mesh.face(mesh.faceCount() - 1));
    }

    // Two triangles covering the whole surface at one depth.
    void fill(uint32_t depthValue, int32_t uSpan = 0, int32_t vSpan = 0)
    {
        const int w = surface->width, h = surface->height;
        Point tl{0, 0, depthValue, 0, 0}, tr{w, 0, depthValue, uSpan, 0}, bl{0, h, depthValue, 0, vSpan},
            br{w, h, depthValue, uSpan, vSpan};
        triangle(tl, tr, br);
        triangle(tl, br, bl);
    }
};

// A render pass over a whole surface with one white light and grey ambient.
struct LitView
{
    Image* surface;
    Renderer3D renderer;
    Light light;
    PtrVector lights;
    Environment environment;

    LitView(int width, int height, int bits, const Vector3& lightDirection)
        : surface(makeSurface(width, height, bits)), renderer(nullptr, width, height),
          light(lightDirection, 0xFFFFFF, 0xFFFFFF, 320, 120)
    {
        renderer.setTarget({0, 0, width, height, 1.0f, surface});
        renderer.initRasterizer();
        lights.add(&light);
        renderer.updateShadeTable(&lights, 0x303030);
    }
    ~LitView() { delete surface; }
};

} // namespace rastertest
