// resource_bytes.cpp -- whole-file reads through openResourceFile
#include "engine/platform/resource_bytes.h"

#include "engine/base/resource_files.h"
#include "engine/base/wstring_utils.h"

#include <cstdio>
#include <string>

bool readResourceBytes(const WCHAR* path, std::vector<uint8_t>& bytes, long maxBytes)
{
    bytes.clear();
    if (!path)
        return false;
    std::u16string copy = path;
    collapseParentDirs(copy.data());
    FILE* file = openResourceFile(copy.c_str(), u"rb");
    if (!file)
        return false;
    bool ok = fseek(file, 0, SEEK_END) == 0;
    long length = ok ? ftell(file) : -1;
    ok = ok && length >= 0 && length <= maxBytes && fseek(file, 0, SEEK_SET) == 0;
    if (ok)
    {
        bytes.resize(size_t(length));
        ok = bytes.empty() || fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    closeResourceFile(file);
    if (!ok)
        bytes.clear();
    return ok;
}
