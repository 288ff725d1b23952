// Fuzz target: a ".tex" file decoded, the far corner of every frame read through the masks
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ravenor/engine/data/textures.h"

// Keeps the reads from being optimised away
volatile uint32_t g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<TexImage> textures;
    std::string error;
    if (!DecodeTextures(data, size, textures, error))
        return 0;
    uint32_t sum = 0;
    for (const TexImage& tex : textures)
    {
        // The texel the rasteriser reaches with every coordinate bit set
        const uint32_t last = ((0xFFFFFFFFu & tex.vMask) >> 16) + ((0xFFFFFFFFu & tex.uMask) >> 16);
        for (uint16_t* frame : tex.frames)
            sum += frame[last] + frame[0];
    }
    g_sink = g_sink + sum;
    return 0;
}
