// rasterizer.h -- depth-tested triangle and line filler of the 3D renderer
#pragma once

#include "engine/base/ptr_vector.h"

#include <cstdint>

class Image;
class Material;
class ShadeTable;
struct Face;
struct Fog;
struct Vertex;

// What the older (racing) build of the filler does differently around the
// span loops; the loops themselves are the same for both builds, so the
// profile costs nothing per pixel.
struct RasterProfile
{
    // Attribute gradients as (long value - middle value) / pixels, one
    // integer division, instead of the reciprocal product.
    bool divideGradients = false;
    // A mesh's depth bias is subtracted from its vertex depths.
    bool meshDepthBias = true;
    // Outlines: only wire-frame materials, on every face (temporary ones
    // too), no edge bits and no subdivision outlines.
    bool wireframeOnly = false;
    // Lines keep off the last column and the last row.
    bool linesInsetByOne = false;
    // Lines start at the vertex depth (no bias argument).
    bool lineDepthBias = true;
    // beginFrame fills the depth buffer (width x height words) with 0xFF
    // bytes; otherwise the render pass clears it.
    bool clearDepthAtBegin = false;
    // The fog weight of a pixel is ((back - f) << 8) / (back - front), a
    // division per pixel, instead of (back - f) times the reciprocal
    // 0x10000 / (back - front) taken once (the two differ by a step).
    bool divideFog = false;

    static RasterProfile racing()
    {
        return {true, false, true, true, false, true, true};
    }
};

class Rasterizer
{
public:
    RasterProfile profile;
    int32_t bitsPerPixel = 0, bytesPerPixel = 0, stride = 0;
    int32_t width = 0, height = 0; // the clip rectangle
    Image* surface;
    uint8_t* origin = nullptr;
    const Material* currentMaterial = nullptr;

    // The target rectangle (x, y, width, height) is clipped to the surface;
    // a target that starts outside it draws nothing.
    Rasterizer(Image* surface, int x, int y, int targetWidth, int targetHeight);

    // depth: one word per pixel of the clip rectangle, rows of `width`.
    // tempVertices: the render pass's vertices named by negative indices.
    void beginFrame(const ShadeTable* shades, uint32_t* depth, const PtrVector* tempVertices, bool showSubdivision);
    // A fog whose back is not beyond its front is not loaded (fog off).
    void loadFog(const Fog* fog);
    void setMaterial(const Material* material);
    void drawTriangle(const Face& face);
    void drawLine(const Vertex& a, const Vertex& b, uint32_t colour, int32_t bias);

    // One row span of the current triangle, for the span fillers.
    struct Edge;
    struct State;
    // Fills rows [yStart, yEnd) of the current triangle.
    using SpanFiller = void (*)(State& state, int yStart, int yEnd);

private:
    const Vertex& vertexAt(const Face& face, int32_t index) const;
    bool drawOutlines(const Face& face, const Vertex* v[3]);
    void setupTriangle(const Face& face, const Vertex* v[3]);
    void fillSpans(int yStart, int yEnd);
    // The span loop made for the loaded material and the surface format.
    static SpanFiller selectSpanFiller(const State& state, bool rgb565);

    State* state;
    uint32_t* depthBuffer = nullptr;
    const PtrVector* temps = nullptr;
    bool outlineSubdivision = false;

public:
    ~Rasterizer();
    Rasterizer(const Rasterizer&) = delete;
    Rasterizer& operator=(const Rasterizer&) = delete;
};
