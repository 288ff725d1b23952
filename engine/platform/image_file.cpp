// image_file.cpp -- whole-file reads through the resource packs
#include "engine/platform/image_file.h"

#include "engine/platform/resource_bytes.h"

#include <os/user.h>
#include <os/wstring.h>

#include <string>

bool readImageFile(const WCHAR* path, std::vector<uint8_t>& bytes)
{
    return readResourceBytes(path, bytes, 64L << 20);
}

void showImageBox(const WCHAR* caption, UINT flags, const WCHAR* format, const WCHAR* path)
{
    std::u16string text = os::format(format, path ? path : u"");
    MessageBoxW(nullptr, text.c_str(), caption, flags);
}

void showMissingImageBox(const WCHAR* path)
{
    showImageBox(u"Exception", MB_OK | MB_ICONEXCLAMATION, u"Error: can not find the image '%s'.", path);
}
