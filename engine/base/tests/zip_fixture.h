// zip_fixture.h -- test helpers: zip packs written with minizip's zip writer
#pragma once

#include "engine/base/pack_file_io.h"

#include "os/kernel/tests/device_tree.h"

#include <minizip/zip.h>

#include <string>
#include <utility>
#include <vector>

namespace engine_testing {

using Members = std::vector<std::pair<std::string, std::string>>;

// Writes a zip at the device path (its folders are made) with the members
// (name, content), deflated.
inline bool writeZip(const std::u16string& devicePath, const Members& members)
{
    std::filesystem::create_directories(std::filesystem::path(os::path::to_host(devicePath)).parent_path());
    zlib_filefunc_def funcs;
    fillPackFileFunctions(&funcs, devicePath.c_str());
    zipFile zip = zipOpen2("pack", APPEND_STATUS_CREATE, nullptr, &funcs);
    if (!zip)
        return false;
    for (const auto& [name, content] : members)
    {
        zip_fileinfo info{};
        if (zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                Z_DEFAULT_COMPRESSION) != ZIP_OK)
            return false;
        zipWriteInFileInZip(zip, content.data(), unsigned(content.size()));
        zipCloseFileInZip(zip);
    }
    return zipClose(zip, nullptr) == ZIP_OK;
}

} // namespace engine_testing
