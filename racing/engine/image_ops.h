// image_ops.h -- the racing build's image loading and its quarter turn
//
// The racing build uses the engine's Image with its whole-image copies
// (copyTransformed, copyFrom, blit, scaleFrom, doubleFrom, fill,
// blendColor), and reads JPEG and BMP files only.
#pragma once

#include "engine/platform/image.h"

#include <os/types.h>

namespace racing {

// A JPEG or BMP file chosen by the first of ".jpg", ".JPG", ".jpeg", ".JPEG",
// ".bmp", ".BMP" in the path. Any other path (a GIF too) gives an empty
// image without a message.
Image* loadImage(const WCHAR* path, bool useScreenDepth);

// The racing form of a quarter turn: transposed, mirrored or not by direction.
inline void copyRotated(Image& out, const Image& source, bool direction)
{
    out.copyTransformed(source, direction, true);
}

} // namespace racing
