// pack_fuzz.cpp -- arbitrary bytes as a zip resource pack: mount it, open and
// read every member through the temporary folder, close everything
#include "engine/base/pack_file_io.h"
#include "engine/base/resource_files.h"
#include "fuzz_tree.h"

#include <os/file.h>
#include <os/wstring.h>

#include <minizip/unzip.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// Up to 16 member names, as the zip library lists them.
std::vector<std::u16string> memberNames()
{
    std::vector<std::u16string> names;
    zlib_filefunc_def funcs;
    fillPackFileFunctions(&funcs, u"\\f\\p.zip");
    unzFile zip = unzOpen2("pack", &funcs);
    if (!zip)
        return names;
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK && names.size() < 16; status = unzGoToNextFile(zip))
    {
        // The library copies the name without a terminator when it fills
        // the buffer: the buffer is sized from the name's length, plus one.
        unz_file_info info;
        if (unzGetCurrentFileInfo(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            continue;
        std::string raw(info.size_filename + 1, '\0');
        if (unzGetCurrentFileInfo(zip, &info, raw.data(), uLong(raw.size()), nullptr, 0, nullptr, 0) == UNZ_OK)
            names.push_back(os::to_u16(raw.c_str()));
    }
    unzClose(zip);
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    writeFuzzInput("p.zip", data, size);
    setTempFolder(u"\\f\\tmp");
    addResourcePack(u"p.zip", u"\\f");
    // A pack that is not mounted is not listed either: the zip library would
    // read what the engine refused.
    const std::vector<std::u16string> names = getResourcePackCount() > 0 ? memberNames()
                                                                         : std::vector<std::u16string>();
    for (const std::u16string& name : names)
    {
        std::u16string path = u"\\f\\" + name;
        FILE* first = openResourceFile(path.c_str(), u"rb");
        FILE* second = openResourceFile(path.c_str(), u"rb");
        char buffer[4096];
        while (first && std::fread(buffer, 1, sizeof buffer, first) > 0)
        {
        }
        closeResourceFile(first);
        closeResourceFile(second);
    }
    closeResourcePacks();
    return 0;
}
