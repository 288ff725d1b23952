// texture_access.cpp -- the bridge between the 3D code and Texture
#include "engine/scene/core/texture_access.h"

#include "engine/platform/image.h"
#include "engine/scene/core/texture.h"

const Image* textureImage(const Texture* texture)
{
    if (!texture)
        return nullptr;
    const Image* image = texture->getCurrentImage();
    return image && !image->isEmpty() ? image : nullptr;
}

void advanceTextureOnce(Texture* texture, float dt, int stamp)
{
    if (texture)
        texture->advanceOnce(dt, stamp);
}
