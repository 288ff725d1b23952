// image_draw.cpp -- clipped copies, scaled copies, rectangles and turned copies
//
// These run every frame over the back buffer: whole rows are block copies,
// scaled copies step in 20.12 fixed point through a column table, and clears
// double a filled span. Source rectangles are clipped to the source as well
// as to this image, so no copy reads or writes outside either picture.
#include "engine/platform/image.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// A rectangle of a copy: target origin, source origin and size.
struct CopyArea
{
    int x, y, srcX, srcY, width, height;
};

bool sameFormat(const Image& a, const Image& b)
{
    return a.pixels && b.pixels && a.bits == b.bits;
}

// Cuts the source rectangle to the source image; false when nothing is left.
bool clipToSource(CopyArea& a, const Image& source)
{
    if (a.srcX < 0 || a.srcY < 0 || a.srcX >= source.width || a.srcY >= source.height)
        return false;
    a.width = std::min(a.width, source.width - a.srcX);
    a.height = std::min(a.height, source.height - a.srcY);
    return a.width > 0 && a.height > 0;
}

// The target test of both copies: nothing when the size is below 1 or the
// rectangle lies wholly outside the image.
bool targetVisible(int x, int y, int width, int height, const Image& target)
{
    if (width < 1 || height < 1)
        return false;
    // Wholly outside only when no part overlaps: a picture wider than the
    // target may start more than a target's width to its left and still show.
    return !(x >= target.width || y >= target.height || x + width <= 0 || y + height <= 0);
}

template <class Pixel>
void copyKeyed(Image& target, const Image& source, const CopyArea& a, uint32_t key)
{
    for (int r = 0; r < a.height; ++r)
    {
        const auto* in = reinterpret_cast<const Pixel*>(source.getPixelAddress(a.srcX, a.srcY + r));
        auto* out = reinterpret_cast<Pixel*>(target.getPixelAddress(a.x, a.y + r));
        for (int c = 0; c < a.width; ++c)
            if (in[c] != Pixel(key))
                out[c] = in[c];
    }
}

// One target row of a scaled copy: count pixels from the source row's
// columns.
template <class Pixel>
void scaleRow(const uint8_t* sourceRow, uint8_t* targetRow, const int* columns, int count, uint32_t key)
{
    const auto* in = reinterpret_cast<const Pixel*>(sourceRow);
    auto* out = reinterpret_cast<Pixel*>(targetRow);
    if (key == 0xFFFFFFFFu)
    {
        for (int c = 0; c < count; ++c)
            out[c] = in[columns[c]];
        return;
    }
    for (int c = 0; c < count; ++c)
    {
        Pixel p = in[columns[c]];
        if (p != Pixel(key))
            out[c] = p;
    }
}

// The column table and row copy of scaled copies, kept from call to call
// (one set per thread), so that a zoomed present every frame allocates
// nothing once the largest size has been seen.
struct ScaleScratch
{
    std::vector<int> columns;
    std::vector<uint8_t> row;
};

ScaleScratch& scaleScratch()
{
    thread_local ScaleScratch scratch;
    return scratch;
}

template <class Pixel>
void turn(Image& target, const Image& source, bool clockwise)
{
    const int w = source.width, h = source.height;
    for (int sy = 0; sy < h; ++sy)
    {
        const auto* in = reinterpret_cast<const Pixel*>(source.getPixelAddress(0, sy));
        // Clockwise, source row sy becomes target column h - 1 - sy, top to
        // bottom; counter-clockwise, column sy, bottom to top.
        int column = clockwise ? h - 1 - sy : sy;
        uint8_t* at = target.getPixelAddress(column, clockwise ? 0 : w - 1);
        const ptrdiff_t step = clockwise ? target.stride : -ptrdiff_t(target.stride);
        for (int sx = 0; sx < w; ++sx, at += step)
            *reinterpret_cast<Pixel*>(at) = in[sx];
    }
}

} // namespace

void Image::drawImage(const Image& source, int x, int y, int srcX, int srcY, int width_, int height_,
                      uint32_t transparentColor)
{
    if (!sameFormat(*this, source))
        return;
    if (srcX < 0 || srcY < 0 || width_ < 0 || height_ < 0)
    {
        srcX = srcY = 0;
        width_ = source.width;
        height_ = source.height;
    }
    CopyArea a{x, y, srcX, srcY, width_, height_};
    if (!clipToSource(a, source) || !targetVisible(a.x, a.y, a.width, a.height, *this))
        return;
    if (a.x < 0)
    {
        a.srcX -= a.x;
        a.width += a.x;
        a.x = 0;
    }
    if (a.y < 0)
    {
        a.srcY -= a.y;
        a.height += a.y;
        a.y = 0;
    }
    a.width = std::min(a.width, width - a.x);
    a.height = std::min(a.height, height - a.y);
    if (a.width <= 0 || a.height <= 0)
        return;

    if (transparentColor == 0xFFFFFFFFu)
    {
        for (int r = 0; r < a.height; ++r)
            std::memmove(getPixelAddress(a.x, a.y + r), source.getPixelAddress(a.srcX, a.srcY + r),
                         size_t(a.width) * size_t(bytesPerPixel));
        return;
    }
    uint32_t key = source.toPixel(transparentColor);
    if (bits == 16)
        copyKeyed<uint16_t>(*this, source, a, key);
    else
        copyKeyed<uint32_t>(*this, source, a, key);
}

void Image::drawScaled(const Image& source, int x, int y, int width_, int height_, int srcX, int srcY, int srcWidth,
                       int srcHeight, uint32_t transparentColor)
{
    if (!sameFormat(*this, source))
        return;
    if (srcX < 0 || srcY < 0 || srcWidth < 0 || srcHeight < 0)
    {
        srcX = srcY = 0;
        srcWidth = source.width;
        srcHeight = source.height;
    }
    if (!targetVisible(x, y, width_, height_, *this) || srcX >= source.width || srcY >= source.height)
        return;
    int64_t stepX = (int64_t(srcWidth) << 12) / width_;
    int64_t stepY = (int64_t(srcHeight) << 12) / height_;
    if (x < 0)
    {
        srcX += int(int64_t(-x) * srcWidth / width_);
        width_ += x;
        x = 0;
    }
    if (y < 0)
    {
        srcY += int(int64_t(-y) * srcHeight / height_);
        height_ += y;
        y = 0;
    }
    width_ = std::min(width_, width - x);
    height_ = std::min(height_, height - y);
    if (width_ <= 0 || height_ <= 0)
        return;

    // Source columns, kept inside the source picture.
    ScaleScratch& scratch = scaleScratch();
    scratch.columns.resize(static_cast<size_t>(width_));
    int* columns = scratch.columns.data();
    for (int c = 0; c < width_; ++c)
        columns[c] = int(std::min<int64_t>(srcX + ((c * stepX) >> 12), source.width - 1));
    uint32_t key = transparentColor == 0xFFFFFFFFu ? 0xFFFFFFFFu : source.toPixel(transparentColor);
    // An image enlarging an area of itself reads each source row from a
    // copy, since the row may be overwritten while it is read.
    const bool inPlace = &source == this;
    if (inPlace)
        scratch.row.resize(static_cast<size_t>(source.stride));

    // Rows from the last to the first, so an enlargement in place reads rows
    // that are not yet overwritten.
    for (int r = height_ - 1; r >= 0; --r)
    {
        int sy = int(std::min<int64_t>(srcY + ((r * stepY) >> 12), source.height - 1));
        const uint8_t* sourceRow = source.getPixelAddress(0, sy);
        if (inPlace)
        {
            std::memcpy(scratch.row.data(), sourceRow, scratch.row.size());
            sourceRow = scratch.row.data();
        }
        if (bits == 16)
            scaleRow<uint16_t>(sourceRow, getPixelAddress(x, y + r), columns, width_, key);
        else
            scaleRow<uint32_t>(sourceRow, getPixelAddress(x, y + r), columns, width_, key);
    }
}

void Image::fillWhole(uint32_t pixel)
{
    setPixelRaw(0, 0, pixel);
    size_t filled = size_t(bytesPerPixel);
    size_t total = size_t(size);
    while (filled < total)
    {
        size_t chunk = std::min(filled, total - filled);
        std::memcpy(pixels + filled, pixels, chunk);
        filled += chunk;
    }
}

void Image::fillRows(uint32_t pixel, int x, int y, int width_, int height_)
{
    for (int c = 0; c < width_; ++c)
        setPixelRaw(x + c, y, pixel);
    for (int r = 1; r < height_; ++r)
        std::memcpy(getPixelAddress(x, y + r), getPixelAddress(x, y), size_t(width_) * size_t(bytesPerPixel));
}

void Image::drawOutline(uint32_t pixel, int x, int y, int width_, int height_)
{
    // Edges in 64 bits: a huge rectangle must not wrap around.
    int64_t rightEdge = int64_t(x) + width_ - 1, bottomEdge = int64_t(y) + height_ - 1;
    int left = std::max(x, 0);
    int right = int(std::min<int64_t>(rightEdge, width - 1));
    for (int64_t edgeY : {int64_t(y), bottomEdge})
    {
        if (edgeY >= 0 && edgeY < height)
            for (int c = left; c <= right; ++c)
                setPixelRaw(c, int(edgeY), pixel);
        if (height_ == 1)
            break;
    }
    int top = int(std::max<int64_t>(int64_t(y) + 1, 0));
    int last = int(std::min<int64_t>(bottomEdge - 1, height - 1));
    for (int64_t edgeX : {int64_t(x), rightEdge})
    {
        if (edgeX >= 0 && edgeX < width)
            for (int r = top; r <= last; ++r)
                setPixelRaw(int(edgeX), r, pixel);
        if (width_ == 1)
            break;
    }
}

void Image::drawRect(uint32_t colour, int x, int y, int width_, int height_, bool filled)
{
    if (!pixels || width < 1 || height < 1)
        return;
    if (width_ < 0 || height_ < 0)
    {
        x = y = 0;
        width_ = width;
        height_ = height;
    }
    uint32_t pixel = toPixel(colour);
    if (!filled)
    {
        drawOutline(pixel, x, y, width_, height_);
        return;
    }
    if (x <= 0 && y <= 0 && int64_t(x) + width_ >= width && int64_t(y) + height_ >= height)
    {
        fillWhole(pixel);
        return;
    }
    int left = std::max(x, 0), top = std::max(y, 0);
    int right = int(std::min<int64_t>(int64_t(x) + width_, width));
    int bottom = int(std::min<int64_t>(int64_t(y) + height_, height));
    if (right > left && bottom > top)
        fillRows(pixel, left, top, right - left, bottom - top);
}

void Image::copyRotated(const Image& source, bool clockwise)
{
    if (!sameFormat(*this, source) || width != source.height || height != source.width || this == &source)
        return;
    if (bits == 16)
        turn<uint16_t>(*this, source, clockwise);
    else
        turn<uint32_t>(*this, source, clockwise);
}

BOOL Image::bitBltTo(HDC target, int x, int y, DWORD rop, int srcX, int srcY) const
{
    if (!dc)
        return FALSE;
    return BitBlt(target, x, y, width, height, dc, srcX, srcY, rop);
}

BOOL Image::stretchBltTo(HDC target, int x, int y, int width_, int height_, DWORD rop, int srcX, int srcY,
                         int srcWidth, int srcHeight) const
{
    if (!dc)
        return FALSE;
    if (srcX < 0 || srcY < 0 || srcWidth < 0 || srcHeight < 0)
    {
        srcX = srcY = 0;
        srcWidth = width;
        srcHeight = height;
    }
    return StretchBlt(target, x, y, width_, height_, dc, srcX, srcY, srcWidth, srcHeight, rop);
}
