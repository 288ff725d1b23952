// image_ops.cpp -- images from JPEG and BMP files only
#include "racing/engine/image_ops.h"

#include <os/wstring.h>

namespace racing {

Image* loadImage(const WCHAR* path, bool useScreenDepth)
{
    static const WCHAR* const kKnown[] = {u".jpg", u".JPG", u".jpeg", u".JPEG", u".bmp", u".BMP"};
    for (const WCHAR* extension : kKnown)
        if (path && wcsstr(path, extension))
            return new Image(path, useScreenDepth);
    return new Image(0, 0, useScreenDepth);
}

} // namespace racing
