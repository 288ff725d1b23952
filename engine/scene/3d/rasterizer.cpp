// rasterizer.cpp -- frame, fog and material state, triangle set-up and lines
#include "engine/scene/3d/rasterizer.h"

#include "engine/base/math_utils.h"
#include "engine/platform/image.h"
#include "engine/scene/3d/environment.h"
#include "engine/scene/core/fixed_point.h"
#include "engine/scene/core/material.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/core/pixel_ops.h"
#include "engine/scene/3d/raster_state.h"
#include "engine/scene/3d/shade_table.h"
#include "engine/scene/core/texture_access.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Lighting used while no shade table exists: full light, no highlight.
struct FallbackTables
{
    uint32_t white32[ShadeTable::kEntries];
    uint32_t white16[ShadeTable::kEntries];
    uint32_t black[ShadeTable::kEntries] = {};
    FallbackTables()
    {
        std::fill(white32, white32 + ShadeTable::kEntries, 0xFFFFFFu);
        std::fill(white16, white16 + ShadeTable::kEntries, 0xFFFFu);
    }
};

const FallbackTables& fallbackTables()
{
    static const FallbackTables tables;
    return tables;
}

} // namespace

void RasterImage::setFrom(const Image* image, int surfaceBits)
{
    if (!image || image->isEmpty() || image->width < 1 || image->height < 1)
    {
        *this = RasterImage();
        return;
    }
    pixels = image->pixels;
    bits = image->bits;
    rowPixels = image->stride / image->bytesPerPixel;
    maskU = (1 << floorLog2(image->width)) - 1;
    maskV = (1 << floorLog2(image->height)) - 1;
    convert = (bits == 16) != (surfaceBits == 16);
}

Rasterizer::Rasterizer(Image* target, int x, int y, int targetWidth, int targetHeight)
    : surface(target), state(new State())
{
    if (!target || target->isEmpty())
        return;
    bitsPerPixel = target->bits;
    bytesPerPixel = target->bytesPerPixel;
    stride = target->stride;
    if (x < 0 || y < 0 || x >= target->width || y >= target->height)
        return;
    width = std::max(0, std::min(targetWidth, target->width - x));
    height = std::max(0, std::min(targetHeight, target->height - y));
    origin = target->getPixelAddress(x, y);
}

Rasterizer::~Rasterizer()
{
    delete state;
}

void Rasterizer::beginFrame(const ShadeTable* shades, uint32_t* depth, const PtrVector* tempVertices,
                            bool showSubdivision)
{
    const FallbackTables& fallback = fallbackTables();
    state->diffuse = shades ? shades->diffuse : (bitsPerPixel == 16 ? fallback.white16 : fallback.white32);
    state->specular = shades ? shades->specular : fallback.black;
    depthBuffer = depth;
    state->origin = origin;
    state->stride = stride;
    state->width = width;
    state->depth = depth;
    temps = tempVertices;
    outlineSubdivision = showSubdivision;
    currentMaterial = nullptr;
    state->fogDivide = profile.divideFog;
    if (profile.clearDepthAtBegin && depth && width > 0 && height > 0)
        std::memset(depth, 0xFF, size_t(width) * size_t(height) * 4);
}

void Rasterizer::loadFog(const Fog* fog)
{
    state->fogLoaded = fog && fog->isUsable();
    if (!state->fogLoaded)
        return;
    state->fogColor = fog->color & 0xFFFFFF;
    state->fogFront = fog->front;
    state->fogBack = fog->back;
    state->fogScale = int32_t(0x10000 / (int64_t(fog->back) - fog->front));
    state->fogRange = double(int64_t(fog->back) - fog->front);
    state->fogDivider = fogDividerFor(int64_t(fog->back) - fog->front);
}

void Rasterizer::setMaterial(const Material* m)
{
    State& s = *state;
    currentMaterial = m;
    const bool rgb565 = bitsPerPixel == 16;
    auto native = [rgb565](uint32_t c) { return rgb565 ? rgbTo565(c) : c & 0xFFFFFF; };
    s.detailLevel = m->detailLevel;
    s.color = native(m->color);
    s.color2 = native(m->color2);
    s.colorKey = native(m->colorKey);
    s.texture.setFrom(textureImage(m->texture), bitsPerPixel);
    s.mask.setFrom(textureImage(m->mask), bitsPerPixel);
    s.hasTexture = s.texture.pixels != nullptr;
    s.hasMask = s.mask.pixels != nullptr;
    s.alphaMask = s.hasMask && !m->useColorKey;
    s.flat = m->detailLevel > 1 && m->flat;
    // Weights from files are brought into 0..255, the range of the blends.
    auto weight = [](int32_t w) { return std::clamp(w, 0, 255); };
    s.transparency = m->detailLevel > 1 ? weight(m->transparency) : 0;
    s.shininessStrength = weight(m->shininessStrength);
    s.texturePercent = weight(m->texturePercent);
    s.reflectionPercent = weight(m->reflectionPercent);
    s.reflection = RasterImage();
    if (m->detailLevel == 5 && !m->flat)
    {
        s.reflection.setFrom(textureImage(m->reflectionMap), bitsPerPixel);
        const RasterImage& r = s.reflection;
        s.reflectionIndexMask = std::min(std::min(r.maskU, r.maskV), 255);
    }
    s.fillSpans = selectSpanFiller(s, rgb565);
}

const Vertex& Rasterizer::vertexAt(const Face& face, int32_t index) const
{
    if (index < 0)
        return *static_cast<const Vertex*>(temps->get(-index - 1));
    return *face.mesh->vertex(index);
}

// Edges of wire-frame and edged materials and of subdivided faces. Returns
// true when the face is not to be filled.
bool Rasterizer::drawOutlines(const Face& face, const Vertex* v[3])
{
    const Material& m = *face.mesh->material;
    if (profile.wireframeOnly)
    {
        if (!m.wireframe)
            return false;
        for (int i = 0; i < 3; ++i)
            drawLine(*v[i], *v[(i + 1) % 3], m.color, 0);
        return true;
    }
    if (outlineSubdivision && face.temporary >= 2)
        for (int i = 0; i < 3; ++i)
            drawLine(*v[i], *v[(i + 1) % 3], m.color, 0x8000);
    if (face.temporary)
        return false;
    if (m.wireframe)
    {
        for (int i = 0; i < 3; ++i)
            drawLine(*v[i], *v[(i + 1) % 3], m.color, 0);
        return true;
    }
    if (m.edgeBits == 0)
        return false;
    for (int i = 0; i < 3; ++i)
        if (m.edgeBits & (1 << i))
            drawLine(*v[i], *v[(i + 1) % 3], m.color, m.edgeParam);
    return (m.edgeBits & 8) == 0;
}

void Rasterizer::drawTriangle(const Face& face)
{
    if (!origin || !depthBuffer || width <= 0 || height <= 0 || !face.mesh || !face.mesh->material)
        return;
    const Vertex* v[3] = {&vertexAt(face, face.a), &vertexAt(face, face.b), &vertexAt(face, face.c)};
    if (face.mesh->material != currentMaterial)
        setMaterial(face.mesh->material);
    if (drawOutlines(face, v))
        return;
    if (v[0]->screenY > v[1]->screenY)
        std::swap(v[0], v[1]);
    if (v[1]->screenY > v[2]->screenY)
        std::swap(v[1], v[2]);
    if (v[0]->screenY > v[1]->screenY)
        std::swap(v[0], v[1]);
    if (v[0]->screenY >= height || v[2]->screenY < 0 || v[0]->screenY == v[2]->screenY)
        return;
    setupTriangle(face, v);
}

namespace {

struct SetupVertex
{
    int32_t x, y;
    int32_t a[kAttributeCount];
};

SetupVertex setupVertex(const Vertex& v, int32_t depthBias)
{
    return {v.screenX, v.screenY, {v.depth - depthBias, v.shadeU << 16, v.shadeV << 16, v.texelU, v.texelV}};
}

// Reciprocals of the small divisors that set-up meets on every face (rows
// of an edge, the middle row's width in pixels), worked out once.
class Reciprocals
{
public:
    static constexpr uint64_t kCount = 1024;
    Reciprocals()
    {
        for (uint64_t d = 1; d < kCount; ++d)
            table[d] = UINT64_MAX / d;
    }
    uint64_t of(uint64_t d) const { return d < kCount ? table[d] : UINT64_MAX / d; }

private:
    uint64_t table[kCount] = {};
};

const Reciprocals& reciprocals()
{
    static const Reciprocals table;
    return table;
}

// Truncating division by one positive divisor, for dividends below 2^63 in
// size: a multiply by the reciprocal and one correction, in place of a
// division for each of an edge's attributes.
class Divisor
{
public:
    explicit Divisor(int64_t divisor)
        : d(uint64_t(divisor > 0 ? divisor : 1)), m(reciprocals().of(d))
    {
    }
    int64_t divide(int64_t n) const
    {
        const uint64_t magnitude = n < 0 ? 0 - uint64_t(n) : uint64_t(n);
        // m is at most one below 2^64 / d, so q is the quotient or one less.
        uint64_t q = uint64_t((unsigned __int128)magnitude * m >> 64);
        if (magnitude - q * d >= d)
            ++q;
        return n < 0 ? -int64_t(q) : int64_t(q);
    }

private:
    uint64_t d, m;
};

// The left edge from `from` over `rows` rows to the values `to`, with the
// attributes the spans start from (steps kept from before when there are no
// rows).
void startLeftEdge(Rasterizer::Edge& e, int32_t x, const int32_t* a, int32_t xEnd, const int32_t* aEnd, int rows,
                   const Divisor& byRows)
{
    e.x = x;
    for (int k = 0; k < kAttributeCount; ++k)
        e.a[k] = a[k];
    if (rows <= 0)
        return;
    e.xStep = int32_t(byRows.divide(int64_t(xEnd) - x));
    for (int k = 0; k < kAttributeCount; ++k)
        e.aStep[k] = clamp32(byRows.divide(int64_t(aEnd[k]) - a[k]));
}

// The right edge: only its position (the spans take no attribute from it).
void startRightEdge(Rasterizer::Edge& e, int32_t x, int32_t xEnd, int rows, const Divisor& byRows)
{
    e.x = x;
    if (rows > 0)
        e.xStep = int32_t(byRows.divide(int64_t(xEnd) - x));
}

void skipRows(Rasterizer::Edge& left, Rasterizer::Edge& right, int rows)
{
    left.x = int32_t(left.x + int64_t(left.xStep) * rows);
    right.x = int32_t(right.x + int64_t(right.xStep) * rows);
    for (int k = 0; k < kAttributeCount; ++k)
        left.a[k] = int32_t(left.a[k] + int64_t(left.aStep[k]) * rows);
}

} // namespace

void Rasterizer::setupTriangle(const Face& face, const Vertex* v[3])
{
    State& s = *state;
    const int32_t bias = profile.meshDepthBias ? face.mesh->depthBias : 0;
    const SetupVertex p0 = setupVertex(*v[0], bias), p1 = setupVertex(*v[1], bias), p2 = setupVertex(*v[2], bias);
    const int32_t dy01 = p1.y - p0.y, dy02 = p2.y - p0.y, dy12 = p2.y - p1.y;
    const Divisor byAllRows(dy02);
    const int64_t longX = int64_t(p0.x) * 65536 + (byAllRows.divide((int64_t(p2.x - p0.x) * 65536 >> 8) * dy01) << 8);
    const int64_t w = longX - int64_t(p1.x) * 65536;
    if (w >= 0 && w <= 65535)
        return;
    const int32_t t = int32_t(byAllRows.divide(int64_t(dy01) << 8));
    int32_t longA[kAttributeCount];
    const int64_t widthPixels = w >> 16; // not 0: 0 <= w <= 65535 left above
    const int64_t perPixel = profile.divideGradients ? 0
                             : widthPixels < 0      ? -Divisor(-widthPixels).divide(0x10000)
                                                    : Divisor(widthPixels).divide(0x10000);
    for (int k = 0; k < kAttributeCount; ++k)
        longA[k] = clamp32(p0.a[k] + ((int64_t(p2.a[k]) - p0.a[k]) >> 8) * t);
    if (profile.divideGradients)
    {
        // The racing build divides by the width itself, truncating toward
        // zero. In doubles this is exact: the dividend is below 2^33 and the
        // width below 2^14 (the render passes keep screen positions within
        // +-4096), so the rounded quotient never crosses an integer.
        const double width = double(widthPixels);
        for (int k = 0; k < kAttributeCount; ++k)
            s.gradient[k] = clamp32(int64_t(double(int64_t(longA[k]) - p1.a[k]) / width));
    }
    else
    {
        for (int k = 0; k < kAttributeCount; ++k)
            s.gradient[k] = clamp32((((int64_t(longA[k]) - p1.a[k]) >> 8) * perPixel) >> 8);
    }
    const int32_t xl = clamp32(longX);
    s.fogOn = s.fogLoaded && face.mesh->environmentEnabled;
    const uint32_t fogColour = face.mesh->fogColor != 0xFFFFFFFFu ? face.mesh->fogColor & 0xFFFFFF : s.fogColor;
    s.triangleFogColor = bitsPerPixel == 16 ? rgbTo565(fogColour) : fogColour;
    s.flatIndex = -1;
    if (s.flat)
    {
        const int shift = fixedShift();
        // The face's shade coordinates (its normal in the lighting frame, fixed
        // point -1..1) scaled to -31..31 and moved to the table's centre, row
        // 32 and column 32 (32 * 64 + 32 = 2080), the normal facing the eye.
        const int64_t index = ((int64_t(face.shadeV) * 31) >> shift) * ShadeTable::kSide +
                              ((int64_t(face.shadeU) * 31) >> shift) + ShadeTable::kCentre;
        s.flatIndex = int32_t(std::clamp<int64_t>(index, 0, ShadeTable::kEntries - 1));
        // The span filler reads the entry through shade coordinates held still.
        s.gradient[kShadeU] = s.gradient[kShadeV] = 0;
    }
    const bool middleLeft = w > 0;
    const int32_t x0 = p0.x << 16, x1 = p1.x << 16, x2 = p2.x << 16;
    // Upper half: rows y0 to y1.
    if (p1.y >= 0)
    {
        const Divisor byRows(dy01);
        if (middleLeft)
        {
            startLeftEdge(s.left, x0, p0.a, x1, p1.a, dy01, byRows);
            startRightEdge(s.right, x0, xl, dy01, byRows);
        }
        else
        {
            startLeftEdge(s.left, x0, p0.a, xl, longA, dy01, byRows);
            startRightEdge(s.right, x0, x1, dy01, byRows);
        }
        int yStart = p0.y;
        if (yStart < 0)
        {
            skipRows(s.left, s.right, -yStart);
            yStart = 0;
        }
        fillSpans(yStart, std::min(p1.y, height));
    }
    // Lower half: rows y1 to y2.
    if (p1.y < height && dy12 > 0)
    {
        const Divisor byRows(dy12);
        if (middleLeft)
        {
            startLeftEdge(s.left, x1, p1.a, x2, p2.a, dy12, byRows);
            startRightEdge(s.right, xl, x2, dy12, byRows);
        }
        else
        {
            startLeftEdge(s.left, xl, longA, x2, p2.a, dy12, byRows);
            startRightEdge(s.right, x1, x2, dy12, byRows);
        }
        int yStart = p1.y;
        if (yStart < 0)
        {
            skipRows(s.left, s.right, -yStart);
            yStart = 0;
        }
        fillSpans(yStart, std::min(p2.y, height));
    }
}

void Rasterizer::drawLine(const Vertex& a, const Vertex& b, uint32_t colour, int32_t bias)
{
    if (!origin || !depthBuffer || (a.outcode & b.outcode))
        return;
    const uint32_t pixel = bitsPerPixel == 16 ? rgbTo565(colour) : colour & 0xFFFFFF;
    const int dx = std::abs(a.screenX - b.screenX), dy = std::abs(a.screenY - b.screenY);
    const bool alongY = dx <= dy;
    const Vertex& from = (alongY ? a.screenY <= b.screenY : a.screenX <= b.screenX) ? a : b;
    const Vertex& to = &from == &a ? b : a;
    const int steps = alongY ? dy : dx;
    const int32_t across = alongY ? to.screenX - from.screenX : to.screenY - from.screenY;
    const int32_t acrossStep = steps ? int32_t((int64_t(across) << 16) / steps) : 0;
    const int32_t depthStep = steps ? int32_t((int64_t(to.depth) - from.depth) / steps) : 0;
    int64_t acrossPos = int64_t(alongY ? from.screenX : from.screenY) << 16;
    uint32_t depth = uint32_t(from.depth - (profile.lineDepthBias ? bias : 0));
    const int inset = profile.linesInsetByOne ? 1 : 0;
    int along = alongY ? from.screenY : from.screenX;
    for (int i = 0; i <= steps; ++i, ++along, acrossPos += acrossStep, depth += uint32_t(depthStep))
    {
        const int x = alongY ? int(acrossPos >> 16) : along;
        const int y = alongY ? along : int(acrossPos >> 16);
        if (x < 0 || y < 0 || x >= width - inset || y >= height - inset)
            continue;
        uint32_t& stored = depthBuffer[y * width + x];
        if (depth >= stored)
            continue;
        stored = depth;
        uint8_t* p = origin + y * stride + x * bytesPerPixel;
        if (bitsPerPixel == 16)
            *reinterpret_cast<uint16_t*>(p) = uint16_t(pixel);
        else
            *reinterpret_cast<uint32_t*>(p) = pixel;
    }
}
