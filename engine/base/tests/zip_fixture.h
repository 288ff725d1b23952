// zip_fixture.h -- test helpers: zip packs written into the device tree
#pragma once

#include "content/media/zip_writer.h"

#include "os/testing/kernel.h"

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace engine_testing {

using Members = media::ZipMembers;

// Writes a zip at the device path (its folders are made) with the members
// (name, content), deflated.
inline bool writeZip(const std::u16string& devicePath, const Members& members)
{
    return media::writeZip(os::path::to_host(devicePath), members);
}

// One member written byte for byte: any method number, the data as given
// (already compressed or not), and the CRC and size the headers declare.
struct RawMember
{
    std::string name;
    int method = 0;
    std::string data;
    uint32_t crc = 0;
    uint32_t size = 0;
    uint16_t flags = 0;

    // A stored member with its true CRC and size.
    static RawMember stored(const std::string& name, const std::string& content)
    {
        return {name, 0, content, crcOf(content), uint32_t(content.size())};
    }
    static uint32_t crcOf(const std::string& bytes)
    {
        return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), uInt(bytes.size())));
    }
};

// Deflate data without a zlib header, as zip members hold it.
inline std::string rawDeflate(const std::string& content)
{
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, uLong(content.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    z.avail_in = uInt(content.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// The bytes of a zip archive holding the members (local headers, data,
// central directory, end record).
inline std::string rawZip(const std::vector<RawMember>& members)
{
    std::string out, central;
    auto put16 = [](std::string& s, uint32_t v) { s += char(v & 0xFF), s += char(v >> 8 & 0xFF); };
    auto put32 = [&](std::string& s, uint32_t v) { put16(s, v & 0xFFFF), put16(s, v >> 16); };
    for (const RawMember& m : members)
    {
        uint32_t offset = uint32_t(out.size());
        put32(out, 0x04034B50);
        put16(out, 20);
        put16(out, m.flags);
        put16(out, uint32_t(m.method));
        put32(out, 0); // time and date
        put32(out, m.crc);
        put32(out, uint32_t(m.data.size()));
        put32(out, m.size);
        put16(out, uint32_t(m.name.size()));
        put16(out, 0);
        out += m.name + m.data;

        put32(central, 0x02014B50);
        put16(central, 20);
        put16(central, 20);
        put16(central, m.flags);
        put16(central, uint32_t(m.method));
        put32(central, 0);
        put32(central, m.crc);
        put32(central, uint32_t(m.data.size()));
        put32(central, m.size);
        put16(central, uint32_t(m.name.size()));
        put32(central, 0); // extra and comment lengths
        put32(central, 0); // disk number and internal attributes
        put32(central, 0); // external attributes
        put32(central, offset);
        central += m.name;
    }
    uint32_t start = uint32_t(out.size());
    out += central;
    put32(out, 0x06054B50);
    put32(out, 0);
    put16(out, uint32_t(members.size()));
    put16(out, uint32_t(members.size()));
    put32(out, uint32_t(central.size()));
    put32(out, start);
    put16(out, 0);
    return out;
}

} // namespace engine_testing
