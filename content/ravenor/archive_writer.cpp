// archive_writer.cpp -- the archive image: header, data, directory
#include "content/ravenor/archive_writer.h"

#include <set>

#include "common/little_endian.h"
#include "content/ravenor/le_bytes.h"

namespace ravenor_content {

namespace {

uint32_t ReadU32(const std::vector<uint8_t>& b, size_t at)
{
    return readLE32(&b[at]);
}

} // namespace

std::string LowerName(std::string name)
{
    for (char& c : name)
    {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
}

void ArchiveWriter::Add(const std::string& name, std::vector<uint8_t> data)
{
    entries_.push_back(Entry{name, std::move(data)});
}

bool ArchiveWriter::Check(std::string& error) const
{
    if (entries_.size() > 200)
    {
        error = std::to_string(entries_.size()) + " entries, more than 200";
        return false;
    }
    std::set<std::string> seen;
    for (const Entry& e : entries_)
    {
        if (e.name.empty() || e.name.size() > 55 || e.name.find('\0') != std::string::npos)
        {
            error = "name \"" + e.name + "\" is not 1..55 characters";
            return false;
        }
        if (LowerName(e.name) != e.name)
        {
            error = "name \"" + e.name + "\" is not lower-case";
            return false;
        }
        if (!seen.insert(e.name).second)
        {
            error = "name \"" + e.name + "\" comes twice";
            return false;
        }
    }
    return true;
}

std::vector<uint8_t> ArchiveWriter::Build() const
{
    std::vector<uint8_t> out;
    AppendU32(out, 0);
    AppendU32(out, 0);   // directory offset, filled below
    AppendU32(out, static_cast<uint32_t>(entries_.size() * 64));
    std::vector<uint32_t> offsets;
    for (const Entry& e : entries_)
    {
        offsets.push_back(static_cast<uint32_t>(out.size()));
        out.insert(out.end(), e.data.begin(), e.data.end());
    }
    PutU32(out, 4, static_cast<uint32_t>(out.size()));
    for (size_t i = 0; i < entries_.size(); ++i)
    {
        uint8_t name[56] = {};
        for (size_t k = 0; k < entries_[i].name.size() && k < sizeof name; ++k)
            name[k] = static_cast<uint8_t>(entries_[i].name[k]);
        out.insert(out.end(), name, name + sizeof name);
        AppendU32(out, offsets[i]);
        AppendU32(out, static_cast<uint32_t>(entries_[i].data.size()));
    }
    return out;
}

bool ListArchive(const std::vector<uint8_t>& image, std::vector<ArchiveListing>& entries)
{
    entries.clear();
    if (image.size() < 12)
        return false;
    const uint64_t offset = ReadU32(image, 4);
    const uint64_t count = ReadU32(image, 8) / 64;
    if (offset + count * 64 > image.size())
        return false;
    for (uint64_t i = 0; i < count; ++i)
    {
        const size_t at = static_cast<size_t>(offset + i * 64);
        size_t length = 0;
        while (length < 56 && image[at + length])
            ++length;
        entries.push_back(ArchiveListing{std::string(reinterpret_cast<const char*>(&image[at]), length),
                                         ReadU32(image, at + 56), ReadU32(image, at + 60)});
    }
    return true;
}

} // namespace ravenor_content
