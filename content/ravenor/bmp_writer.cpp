// bmp_writer.cpp -- BITMAPFILEHEADER, BITMAPINFOHEADER and 24-bit rows
#include "ravenor/bmp_writer.h"

#include "ravenor/le_bytes.h"

namespace ravenor_content {

std::vector<uint8_t> WriteBmp24(int32_t width, int32_t height, const std::vector<uint32_t>& rgb)
{
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    const uint32_t offset = 14 + 40;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    AppendU32(out, offset + stride * height);
    AppendU32(out, 0);
    AppendU32(out, offset);
    AppendU32(out, 40);
    AppendU32(out, static_cast<uint32_t>(width));
    AppendU32(out, static_cast<uint32_t>(height));
    AppendU16(out, 1);
    AppendU16(out, 24);
    for (int i = 0; i < 6; ++i)
        AppendU32(out, 0);
    for (int32_t y = height - 1; y >= 0; --y)
    {
        for (int32_t x = 0; x < width; ++x)
        {
            const uint32_t p = rgb[static_cast<size_t>(y) * width + x];
            out.push_back(static_cast<uint8_t>(p));
            out.push_back(static_cast<uint8_t>(p >> 8));
            out.push_back(static_cast<uint8_t>(p >> 16));
        }
        for (uint32_t pad = static_cast<uint32_t>(width) * 3; pad < stride; ++pad)
            out.push_back(0);
    }
    return out;
}

} // namespace ravenor_content
