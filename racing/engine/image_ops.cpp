// image_ops.cpp -- images from JPEG and BMP files only
#include "racing/engine/image_ops.h"

#include "engine/scene/core/texture_dictionary.h"

#include <os/wstring.h>

namespace racing {

bool isImagePath(const WCHAR* path)
{
    static const WCHAR* const kKnown[] = {u".jpg", u".JPG", u".jpeg", u".JPEG", u".bmp", u".BMP"};
    for (const WCHAR* extension : kKnown)
        if (path && wcsstr(path, extension))
            return true;
    return false;
}

void readImagesOnly(TextureDictionary& textures)
{
    textures.readsFile = isImagePath;
}

} // namespace racing
