// image_writer.cpp -- texture tables and TGA files
#include "content/ravenor/image_writer.h"

#include "common/rgb565.h"
#include "content/ravenor/le_bytes.h"

namespace ravenor_content {

std::vector<uint8_t> WriteTex(const std::vector<Texture>& textures)
{
    std::vector<uint8_t> out;
    AppendU32(out, static_cast<uint32_t>(textures.size()));
    for (const Texture& t : textures)
    {
        AppendU32(out, t.width);
        AppendU32(out, t.height);
        AppendU32(out, t.drawMode);
        AppendU32(out, t.oneSided);
        AppendU32(out, static_cast<uint32_t>(t.frames.size()));
        AppendU32(out, t.extra);
        for (const std::vector<uint16_t>& frame : t.frames)
            for (uint16_t p : frame)
                AppendU16(out, p);
    }
    return out;
}

uint16_t Rgb565(uint8_t r, uint8_t g, uint8_t b)
{
    return packRgb565(r, g, b);
}

std::vector<uint8_t> WriteTga(uint16_t width, uint16_t height, const std::vector<uint32_t>& rgb)
{
    std::vector<uint8_t> out(18, 0);
    out[2] = 2;
    out[12] = static_cast<uint8_t>(width);
    out[13] = static_cast<uint8_t>(width >> 8);
    out[14] = static_cast<uint8_t>(height);
    out[15] = static_cast<uint8_t>(height >> 8);
    out[16] = 24;
    for (uint32_t p : rgb)
    {
        out.push_back(static_cast<uint8_t>(p));
        out.push_back(static_cast<uint8_t>(p >> 8));
        out.push_back(static_cast<uint8_t>(p >> 16));
    }
    return out;
}

Texture Tile16(const std::function<uint16_t(int x, int y)>& texel)
{
    Texture t;
    t.width = 16;
    t.height = 16;
    std::vector<uint16_t> pixels(256);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            pixels[size_t(y) * 16 + x] = texel(x, y);
    t.frames.push_back(pixels);
    return t;
}

} // namespace ravenor_content
