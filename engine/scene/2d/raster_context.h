// raster_context.h -- the 2D polygon filler: textured quadrilaterals into a
// 16-bit (RGB565) or 32-bit (0x00RRGGBB) surface
//
// Screen positions are relative to the target's top-left corner; the filler
// clips every span to the part of the target that lies on the surface, so a
// scene placed anywhere (even partly off the surface) never writes outside
// the surface's pixels. Texels are sampled with power-of-two AND masks; a
// mask of another size than its texture is not used (it would be read out of
// bounds), and a texture or mask of another depth than the surface is read
// through a converted copy.
#pragma once

#include <cstdint>
#include <vector>

class Image;
class Material;
class Renderer;

// One corner of a quad as the filler needs it: screen position in pixels,
// texel coordinates in 16.16 texel units.
struct QuadPoint
{
    int32_t x = 0;
    int32_t y = 0;
    int32_t u = 0;
    int32_t v = 0;
};

// The material state the span fillers read, in the surface's pixel format.
struct FillState
{
    int32_t detailLevel = 1;
    uint32_t color = 0;
    uint32_t color2 = 0;
    uint32_t colorKey = 0;
    int32_t transparency = 0;
    int32_t texturePercent = 255;
    bool hasMask = false;
    bool masked = false;
    uint32_t texelMaskU = 0;
    uint32_t texelMaskV = 0;
    int32_t rowLength = 1;
    const void* texels = nullptr;
    const void* maskTexels = nullptr;
    // Writes count pixels of a row from first on, texels from (u, v)
    // stepped by (dudx, dvdx); [0] for any quad, [1] for quads whose v does
    // not change along a row.
    using SpanPixels = void (*)(const FillState& s, uint8_t* row, int first, int count, int32_t u, int32_t v,
                                int32_t dudx, int32_t dvdx);
    SpanPixels spans[2] = {};
};

class RasterContext
{
public:
    int32_t bitsPerPixel = 32;
    uint8_t* pixels = nullptr;
    int32_t stride = 0;
    int32_t width = 0;
    int32_t height = 0;
    Image* surface = nullptr;
    Renderer* renderer = nullptr;
    const Material* currentMaterial = nullptr;

    // The target rectangle (originX, originY, targetWidth x targetHeight) on
    // the surface; width and height are the target's viewport.
    RasterContext(Image* surface, int originX, int originY, int targetWidth, int targetHeight);

    void reset() { currentMaterial = nullptr; }
    void setMaterial(const Material* material);
    // Fills the quad (a, b, c, d in order round its outline).
    void fillQuad(const QuadPoint* corners);
    const FillState& state() const { return fill; }

private:
    struct Edge;
    void loadTexels(const Image* image, std::vector<uint8_t>& copy, const void*& out);
    void fillRows(const QuadPoint* p, int top, int bottom, int dudx, int dvdx);
    void fillSpan(int y, int64_t leftX, int64_t rightX, int32_t u, int32_t v, int dudx, int dvdx);
    FillState::SpanPixels quadSpans = nullptr; // the loop of the quad being filled

    int32_t originX = 0;
    int32_t originY = 0;
    // The part of the viewport that lies on the surface: [clipLeft, clipRight) x [clipTop, clipBottom).
    int32_t clipLeft = 0;
    int32_t clipTop = 0;
    int32_t clipRight = 0;
    int32_t clipBottom = 0;
    FillState fill;
    std::vector<uint8_t> textureCopy;
    std::vector<uint8_t> maskCopy;
};
