// tga.cpp -- TGA decoding and the image loader
#include "ravenor/engine/data/tga.h"

#include "ravenor/engine/core/bytes.h"
#include "ravenor/engine/data/data_archive.h"
#include "ravenor/engine/core/log.h"

namespace {

const char kWrongFormat[] = "not tga 24 bits uncompressed format";

} // namespace

uint32_t GetImageDrawMode(const char* name)
{
    bool alpha = false;
    bool key = false;
    for (size_t i = 0; name && name[i] && name[i + 1]; ++i)
    {
        if (name[i] != '#')
            continue;
        if (name[i + 1] == 'p')
            return kDrawAddKey;
        if (name[i + 1] == 'a')
            alpha = true;
        else if (name[i + 1] == 'k')
            key = true;
    }
    if (alpha)
        return key ? kDrawHalfKey : kDrawHalf;
    return key ? kDrawColourKey : kDrawOpaque;
}

bool DecodeTga(const uint8_t* data, size_t size, uint32_t& width, uint32_t& height, std::vector<uint16_t>& pixels,
               std::string& error)
{
    if (size < 18)
    {
        error = "header cut short";
        return false;
    }
    if (data[2] != 2 || data[16] != 24)
    {
        error = kWrongFormat;
        return false;
    }
    width = GetU16(data + 12);
    height = GetU16(data + 14);
    const uint64_t count = uint64_t{width} * height;
    if (count == 0 || count * 3 > size - 18)
    {
        error = count == 0 ? "no pixels" : "pixels cut short";
        return false;
    }
    pixels.resize(count);
    const uint8_t* p = data + 18;
    for (uint64_t i = 0; i < count; ++i, p += 3)
        pixels[i] = PackRgb565(p[2], p[1], p[0]);
    return true;
}

int LoadTga(const char* name, TexImage& image)
{
    if (!name)
        return 0;
    std::vector<uint8_t> bytes;
    bool complete = ReadWholeEntry(name, bytes);
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint16_t> pixels;
    std::string error;
    if (!complete || !DecodeTga(bytes.data(), bytes.size(), width, height, pixels, error))
    {
        if (complete && error == kWrongFormat)
            DebugPrint("ERROR : texture file %s is not tga 24 bits uncompressed format\n", name);
        else
            DebugPrint("ERROR : texture file %s: %s\n", name, complete ? error.c_str() : "cannot be read");
        return 0;
    }
    image.width = width;
    image.height = height;
    image.drawMode = GetImageDrawMode(name);
    image.imageStore = std::move(pixels);
    image.pixels = image.imageStore.data();
    return 1;
}
