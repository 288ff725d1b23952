// image_ops.h -- the racing build's image loading and its quarter turn
//
// The racing build uses the engine's Image with its whole-image copies
// (copyTransformed, copyFrom, blit, scaleFrom, doubleFrom, fill,
// blendColor), and reads JPEG and BMP files only.
#pragma once

#include "engine/platform/image.h"

#include <os/types.h>

class TextureDictionary;

namespace racing {

// Whether the racing build reads the picture at path: one of ".jpg", ".JPG",
// ".jpeg", ".JPEG", ".bmp", ".BMP" is in it.
bool isImagePath(const WCHAR* path);

// The dictionary reads the pictures isImagePath admits; any other file
// gives a texture without a picture, without a message.
void readImagesOnly(TextureDictionary& textures);

// The racing form of a quarter turn: transposed, mirrored or not by direction.
inline void copyRotated(Image& out, const Image& source, bool direction)
{
    out.copyTransformed(source, direction, true);
}

} // namespace racing
