// raster_context.cpp -- quad set-up, edge walking and span clipping of the 2D filler
#include "engine/scene/2d/raster_context.h"

#include "engine/platform/image.h"
#include "engine/platform/pixel_format.h"
#include "engine/scene/core/material.h"
#include "engine/scene/2d/span_fill.h"
#include "engine/scene/core/texture_access.h"

#include <algorithm>

namespace {

// Largest power of two not above n, minus one (0 for n < 1).
uint32_t wrapMask(int n)
{
    uint32_t p = 1;
    while (n > 1 && int(p << 1) <= n)
        p <<= 1;
    return n < 1 ? 0 : p - 1;
}

uint32_t toFormat(uint32_t rgb, int bits)
{
    return bits == 16 ? rgbTo565(rgb) : (rgb & 0xFFFFFF);
}

} // namespace

// One side chain of the quad: position and texels at the current row, in
// 16.16, stepped once per row.
struct RasterContext::Edge
{
    const QuadPoint* p = nullptr;
    int index = 0;
    int direction = 1;
    int endY = 0;
    int64_t x = 0, u = 0, v = 0;
    int64_t dx = 0, du = 0, dv = 0;

    // Starts the segment from corner `from` to the next corner along the chain.
    void start(int from)
    {
        index = from;
        const QuadPoint& a = p[from];
        const QuadPoint& b = p[(from + direction + 4) % 4];
        endY = b.y;
        x = int64_t(a.x) << 16;
        u = a.u;
        v = a.v;
        int64_t dy = b.y - a.y;
        dx = dy > 0 ? ((int64_t(b.x - a.x) << 16) / dy) : 0;
        du = dy > 0 ? (int64_t(b.u) - a.u) / dy : 0;
        dv = dy > 0 ? (int64_t(b.v) - a.v) / dy : 0;
    }
    // Moves to row y (at or after the current segment's start).
    void moveTo(int y, int startY)
    {
        int64_t rows = y - startY;
        x += dx * rows;
        u += du * rows;
        v += dv * rows;
    }
};

RasterContext::RasterContext(Image* target, int x, int y, int targetWidth, int targetHeight)
    : surface(target), originX(x), originY(y)
{
    if (!surface || surface->isEmpty())
        return;
    bitsPerPixel = surface->bits;
    pixels = surface->pixels;
    stride = surface->stride;
    width = std::min(targetWidth, surface->width);
    height = std::min(targetHeight, surface->height);
    clipLeft = std::max(0, -x);
    clipTop = std::max(0, -y);
    clipRight = std::min(targetWidth, surface->width - x);
    clipBottom = std::min(targetHeight, surface->height - y);
}

void RasterContext::loadTexels(const Image* image, std::vector<uint8_t>& copy, const void*& out)
{
    if (image->bits == bitsPerPixel && image->stride == image->width * image->bytesPerPixel)
    {
        out = image->pixels;
        return;
    }
    int bytes = bitsPerPixel == 16 ? 2 : 4;
    copy.resize(size_t(image->width) * size_t(image->height) * size_t(bytes));
    for (int y = 0; y < image->height; ++y)
    {
        for (int x = 0; x < image->width; ++x)
        {
            uint32_t p = toFormat(image->colorAt(x, y), bitsPerPixel);
            size_t at = size_t(y) * size_t(image->width) + size_t(x);
            if (bytes == 2)
                reinterpret_cast<uint16_t*>(copy.data())[at] = uint16_t(p);
            else
                reinterpret_cast<uint32_t*>(copy.data())[at] = p;
        }
    }
    out = copy.data();
}

void RasterContext::setMaterial(const Material* material)
{
    currentMaterial = material;
    FillState s;
    s.detailLevel = material->detailLevel;
    s.color = toFormat(material->color, bitsPerPixel);
    s.colorKey = toFormat(material->colorKey, bitsPerPixel);
    if (material->detailLevel > 1)
    {
        s.color2 = toFormat(material->color2, bitsPerPixel);
        s.transparency = material->transparency;
        s.texturePercent = material->texturePercent;
    }
    const Image* texture = textureImage(material->texture);
    const Image* mask = textureImage(material->mask);
    if (mask && texture && (mask->width != texture->width || mask->height != texture->height))
        mask = nullptr;
    if (mask)
    {
        loadTexels(mask, maskCopy, s.maskTexels);
        s.hasMask = true;
        s.masked = material->useColorKey == 0;
    }
    if (texture)
        loadTexels(texture, textureCopy, s.texels);
    const Image* sizing = texture ? texture : mask;
    if (sizing)
    {
        s.texelMaskU = wrapMask(sizing->width);
        s.texelMaskV = wrapMask(sizing->height);
        s.rowLength = sizing->width;
    }
    if (bitsPerPixel == 16)
        spanfill::selectSpans<Pixel16, Pixel16Wide>(s, s.spans);
    else
        spanfill::selectSpans<Pixel32, Pixel32Wide>(s, s.spans);
    fill = s;
}

void RasterContext::fillQuad(const QuadPoint* p)
{
    if (!pixels || !currentMaterial)
        return;
    int top = 0, bottom = 0;
    for (int i = 1; i < 4; ++i)
    {
        if (p[i].y < p[top].y)
            top = i;
        if (p[i].y > p[bottom].y)
            bottom = i;
    }
    if (p[top].y >= height || p[bottom].y < 0 || p[top].y == p[bottom].y)
        return;
    // Texel gradients along a row, once per quad, on the row of the second
    // corner from the top: the long edge from the top corner to the third is
    // taken at that row with an 8-bit fraction of the way down it, and the
    // gradients are what changes from the second corner to there, over the
    // width between them in whole pixels. No width there, nothing to draw.
    int order[4] = {0, 1, 2, 3};
    std::stable_sort(order, order + 4, [p](int a, int b) { return p[a].y < p[b].y; });
    const QuadPoint& p0 = p[order[0]];
    const QuadPoint& p1 = p[order[1]];
    const QuadPoint& p2 = p[order[2]];
    const int64_t down = int64_t(p2.y) - p0.y;
    const int64_t fraction = down > 0 ? ((int64_t(p1.y) - p0.y) << 8) / down : 0;
    auto alongLongEdge = [&](int64_t a0, int64_t a2) { return a0 + ((a2 - a0) * fraction >> 8); };
    const int64_t longX = alongLongEdge(int64_t(p0.x) << 16, int64_t(p2.x) << 16);
    const int64_t width = (longX >> 16) - p1.x;
    if (width == 0)
        return;
    const int dudx = int(std::clamp<int64_t>((alongLongEdge(p0.u, p2.u) - p1.u) / width, INT32_MIN, INT32_MAX));
    const int dvdx = int(std::clamp<int64_t>((alongLongEdge(p0.v, p2.v) - p1.v) / width, INT32_MIN, INT32_MAX));
    quadSpans = fill.spans[dvdx == 0 ? 1 : 0];
    fillRows(p, top, p[bottom].y, dudx, dvdx);
}

void RasterContext::fillRows(const QuadPoint* p, int top, int bottomY, int dudx, int dvdx)
{
    Edge chains[2];
    chains[0].direction = 1;
    chains[1].direction = -1;
    for (Edge& e : chains)
    {
        e.p = p;
        e.start(top);
    }
    int y = p[top].y;
    int lastRow = std::min(bottomY, clipBottom);
    while (y < lastRow)
    {
        for (Edge& e : chains)
        {
            while (y >= e.endY && e.endY < bottomY)
            {
                e.start((e.index + e.direction + 4) % 4);
                e.moveTo(y, p[e.index].y);
            }
        }
        // Rows above the surface: straight to the next corner or the first visible row.
        int next = y + 1;
        if (y < clipTop)
            next = std::max(y + 1, std::min({clipTop, chains[0].endY, chains[1].endY}));
        else
        {
            const Edge& left = chains[0].x <= chains[1].x ? chains[0] : chains[1];
            const Edge& right = &left == &chains[0] ? chains[1] : chains[0];
            fillSpan(y, left.x, right.x, int32_t(left.u), int32_t(left.v), dudx, dvdx);
        }
        for (Edge& e : chains)
            e.moveTo(next, y);
        y = next;
    }
}

void RasterContext::fillSpan(int y, int64_t leftX, int64_t rightX, int32_t u, int32_t v, int dudx, int dvdx)
{
    // Spans far beyond the surface are cut before their texels are stepped.
    int64_t first64 = std::clamp<int64_t>(leftX >> 16, -(int64_t(1) << 30), int64_t(1) << 30);
    int first = int(first64), end = int(std::clamp<int64_t>(rightX >> 16, -(int64_t(1) << 30), int64_t(1) << 30));
    // The span starts at the integer part of the left x with the edge's texels.
    if (first < clipLeft)
    {
        u += int32_t(int64_t(clipLeft - first) * dudx);
        v += int32_t(int64_t(clipLeft - first) * dvdx);
        first = clipLeft;
    }
    end = std::min(end, clipRight);
    if (end <= first)
        return;
    uint8_t* row = pixels + int64_t(originY + y) * stride;
    quadSpans(fill, row, originX + first, end - first, u, v, dudx, dvdx);
}
