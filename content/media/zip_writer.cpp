// zip_writer.cpp -- zip packs through minizip
#include "content/media/zip_writer.h"

#include <minizip/zip.h>

namespace media {

namespace {

bool addMember(zipFile zip, const std::string& name, const std::string& content)
{
    zip_fileinfo info{};
    if (zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                            Z_DEFAULT_COMPRESSION) != ZIP_OK)
        return false;
    bool ok = zipWriteInFileInZip(zip, content.data(), unsigned(content.size())) == ZIP_OK;
    return zipCloseFileInZip(zip) == ZIP_OK && ok;
}

} // namespace

bool writeZip(const std::filesystem::path& path, const ZipMembers& members)
{
    std::error_code ignored;
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path(), ignored);
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip)
        return false;
    bool ok = true;
    for (const auto& [name, content] : members)
        ok = ok && addMember(zip, name, content);
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

} // namespace media
