// archive_writer.h -- builds the data archive "demo.bin"
//
// Layout written: the 12-byte header (first word 0, directory offset,
// directory size), the entries' data back to back in the order added, then
// the directory of 64-byte entries { name[56], data offset, data size }.
// Build writes names exactly as given, so tests can make archives that break
// the rules; Check tells whether an archive follows them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ravenor_content {

class ArchiveWriter
{
public:
    void Add(const std::string& name, std::vector<uint8_t> data);
    // Names lower-case, 1..55 bytes, unique; at most 200 entries. False with
    // the first broken rule.
    bool Check(std::string& error) const;
    std::vector<uint8_t> Build() const;
    size_t Count() const
    {
        return entries_.size();
    }

private:
    struct Entry
    {
        std::string name;
        std::vector<uint8_t> data;
    };
    std::vector<Entry> entries_;
};

// One entry of an archive image (for listing and tests).
struct ArchiveListing
{
    std::string name;
    uint32_t offset;
    uint32_t size;
};

// The directory of an archive image; false when the image is too short for
// its header or directory.
bool ListArchive(const std::vector<uint8_t>& image, std::vector<ArchiveListing>& entries);

// Lower-cases A..Z (the archive's names are stored lower-case).
std::string LowerName(std::string name);

} // namespace ravenor_content
