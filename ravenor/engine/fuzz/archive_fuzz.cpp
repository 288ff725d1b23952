// Fuzz target: an archive image, then every entry opened, sought and read
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ravenor/engine/data/data_archive.h"

namespace {

void IgnoreFatal(const char*)
{
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DataArchive::SetFatalHandler(IgnoreFatal);
    DataArchive::Reset();
    if (!DataArchive::Attach(std::make_unique<MemoryStream>(std::vector<uint8_t>(data, data + size))))
        return 0;
    const ArchiveDirectory& directory = DataArchive::Directory();
    uint8_t buffer[64];
    for (int32_t i = 0; i < directory.count; ++i)
    {
        char name[57] = {};
        std::memcpy(name, directory.entries[i].name, 56);
        if (!DataArchive::OpenFile(name))
            continue;
        const uint32_t size = DataArchive::GetFileSize();
        // Seeks and reads driven by the entry's own offset word
        const uint32_t steps = directory.entries[i].offset;
        for (int k = 0; k < 4; ++k)
        {
            int32_t offset = static_cast<int8_t>(steps >> (8 * k)) * 3;
            DataArchive::Seek(offset, k % 3);
            DataArchive::Read(buffer, 1 + (k & 1), (size & 31) + 1);
        }
        DataArchive::Seek(-4, 2);
        DataArchive::Read(buffer, 4, 1);
        DataArchive::CloseFile();
    }
    return 0;
}
