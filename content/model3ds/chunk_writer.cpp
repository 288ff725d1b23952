// chunk_writer.cpp -- 3DS chunk stream writer
#include "content/model3ds/chunk_writer.h"

#include "common/little_endian.h"

#include <cstring>

namespace model3ds {

void ChunkWriter::open(uint16_t id)
{
    openChunks.push_back(bytes.size());
    u16(id);
    u32(0);
}

void ChunkWriter::close()
{
    const size_t start = openChunks.back();
    openChunks.pop_back();
    const uint32_t length = uint32_t(bytes.size() - start);
    for (int i = 0; i < 4; ++i)
        bytes[start + 2 + size_t(i)] = uint8_t(length >> (8 * i));
}

void ChunkWriter::empty(uint16_t id)
{
    open(id);
    close();
}

void ChunkWriter::u16(uint16_t v)
{
    appendLE16(bytes, v);
}

void ChunkWriter::u32(uint32_t v)
{
    appendLE32(bytes, v);
}

void ChunkWriter::f32(float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    u32(bits);
}

void ChunkWriter::name(const std::string& text)
{
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
}

void ChunkWriter::colourBytes(uint8_t r, uint8_t g, uint8_t b)
{
    open(0x0011);
    u8(r);
    u8(g);
    u8(b);
    close();
}

void ChunkWriter::colourFloats(float r, float g, float b)
{
    open(0x0010);
    f32(r);
    f32(g);
    f32(b);
    close();
}

void ChunkWriter::percentInt(uint16_t p)
{
    open(0x0030);
    u16(p);
    close();
}

void ChunkWriter::percentFloat(float f)
{
    open(0x0031);
    f32(f);
    close();
}

} // namespace model3ds
