// Fuzz target: a TGA file decoded; its bytes also taken as an image name
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ravenor/engine/data/tga.h"

// Keeps the reads from being optimised away
volatile uint32_t g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string name(reinterpret_cast<const char*>(data), size);
    uint32_t mode = GetImageDrawMode(name.c_str());
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint16_t> pixels;
    std::string error;
    if (DecodeTga(data, size, width, height, pixels, error))
        mode += pixels[static_cast<size_t>(width) * height - 1];
    g_sink = g_sink + mode;
    return 0;
}
