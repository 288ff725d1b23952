// chunk_writer.h -- writes 3DS chunk streams (little-endian, nested chunks
// whose length includes their 6-byte header)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace model3ds {

class ChunkWriter
{
public:
    // Opens a chunk; close() patches its length.
    void open(uint16_t id);
    void close();
    // A chunk with a fixed body written at once.
    void empty(uint16_t id);

    void u8(uint8_t v) { bytes.push_back(v); }
    void u16(uint16_t v);
    void u32(uint32_t v);
    void f32(float v);
    // Bytes of the name and a terminating zero.
    void name(const std::string& text);
    // Raw bytes (for deliberately broken files).
    void raw(const std::vector<uint8_t>& data) { bytes.insert(bytes.end(), data.begin(), data.end()); }

    // Colour and percentage sub-chunks.
    void colourBytes(uint8_t r, uint8_t g, uint8_t b);
    void colourFloats(float r, float g, float b);
    void percentInt(uint16_t p);
    void percentFloat(float f);

    const std::vector<uint8_t>& data() const { return bytes; }

private:
    std::vector<uint8_t> bytes;
    std::vector<size_t> openChunks;
};

// A whole file: the main chunk and the editor chunk around what body
// (called with the writer) writes.
template <class Body>
std::vector<uint8_t> editorFile(Body body)
{
    ChunkWriter w;
    w.open(0x4D4D);
    w.open(0x3D3D);
    body(w);
    w.close();
    w.close();
    return w.data();
}

} // namespace model3ds
