// file_output.cpp -- writing file images to the device tree or the host
#include "content/media/file_output.h"

#include <os/file.h>

#include <cstdio>
#include <fstream>

namespace media {

bool writeDeviceFile(const WCHAR* path, const Bytes& bytes)
{
    FILE* f = _wfopen(path, u"wb");
    if (!f)
        return false;
    bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

bool writeHostFile(const std::filesystem::path& path, const Bytes& bytes)
{
    std::error_code ignored;
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    return bool(out);
}

} // namespace media
