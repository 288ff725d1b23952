// texture_ops.cpp -- blank textures and turned pictures
#include "racing/engine/texture_ops.h"

#include "engine/base/math_utils.h"
#include "engine/platform/image.h"
#include "engine/scene/core/texture.h"
#include "racing/engine/image_ops.h"

namespace racing {

namespace {

// The picture is replaced and the texture's sizes follow it (a quarter turn
// of a non-square picture would otherwise leave them stale).
void replacePicture(Texture& texture, bool mirror, bool transpose)
{
    Image* old = texture.image;
    if (!old || old->isEmpty() || texture.frameCount > 1)
        return;
    int w = transpose ? old->height : old->width, h = transpose ? old->width : old->height;
    auto* turned = new Image(w, h, old->bits != 32);
    copyTransformed(*turned, *old, mirror, transpose);
    delete old;
    texture.image = turned;
    if (transpose)
    {
        std::swap(texture.imageWidth, texture.imageHeight);
        std::swap(texture.widthLog2, texture.heightLog2);
    }
    texture.width = turned->width;
    texture.height = turned->height;
}

} // namespace

Texture* makeBlankTexture(int width, int height, uint32_t colour, bool powerOfTwo)
{
    auto* image = new Image(width, height, true);
    fill(*image, colour);
    Image* frames[1] = {image};
    return new Texture(u"", frames, 1, powerOfTwo, false);
}

void mirrorTexture(Texture& texture, bool transpose)
{
    replacePicture(texture, true, transpose);
}

void flipTexture(Texture& texture, bool transpose)
{
    replacePicture(texture, false, transpose);
}

void rotateTexture(Texture& texture, bool direction)
{
    replacePicture(texture, direction, true);
}

} // namespace racing
