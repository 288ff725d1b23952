// image_ops.h -- the racing build's picture operations on engine images
//
// The racing build uses the engine's Image (DIB section, 16 or 32 bits) with
// JPEG and BMP files only, and these whole-image copies that its texture
// cache and render targets need. All work on 16-bit and 32-bit images.
#pragma once

#include <os/types.h>

#include <cstdint>

class Image;

namespace racing {

// A JPEG or BMP file chosen by the first of ".jpg", ".JPG", ".jpeg", ".JPEG",
// ".bmp", ".BMP" in the path. Any other path (a GIF too) gives an empty
// image without a message.
Image* loadImage(const WCHAR* path, bool useScreenDepth);

// Destination row r, position k: source (r, k) when transpose, else (k, r);
// written at (width - 1 - k, r) when mirror, else at (k, height - 1 - r).
// (mirror, no transpose) mirrors left-right, neither flips upside down, and
// transpose turns a quarter either way. src must cover the read extent.
void copyTransformed(Image& out, const Image& src, bool mirror, bool transpose);
inline void copyRotated(Image& out, const Image& src, bool direction)
{
    copyTransformed(out, src, direction, true);
}
// Same size: the pixel bytes; else with useBlit the top-left part; else scaled.
void copyFrom(Image& out, const Image& src, bool useBlit);
// src shown at (x, y) in a width x height place of `out`: copied when the
// place has src's size (a byte copy when the two images have one layout),
// doubled when `out` is exactly twice src, else scaled into the place.
void blit(Image& out, const Image& src, int x, int y, int width, int height);
// Nearest-pixel scaling of the source rectangle over the whole image with
// 10-bit steps; a negative value takes the whole source.
void scaleFrom(Image& out, const Image& src, int srcX, int srcY, int srcW, int srcH);
// Every source pixel as a 2 x 2 block; nothing unless out is twice src.
void doubleFrom(Image& out, const Image& src);
// Every pixel set to the colour (0xRRGGBB).
void fill(Image& out, uint32_t colour);
// Mode 2 adds the colour with saturation, mode 4 tints by multiplication;
// other modes do nothing. 32-bit pixels keep their top byte clear.
void blendColor(Image& out, int mode, uint32_t colour);

} // namespace racing
