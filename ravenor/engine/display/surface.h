// surface.h -- a 16-bit RGB565 drawing surface
//
// A surface either owns its pixels (height x pitch bytes, pitch = width x 2
// rounded up to 4 bytes) or lies over memory that belongs to someone else
// (a DIB section, the screen), which it never frees.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class Surface
{
public:
    // Over foreign pixels: pitch in bytes.
    Surface(int32_t width, int32_t height, int32_t pitch, uint16_t* pixels);
    virtual ~Surface() = default;

    // A surface with its own pixels (zeroed); nullptr for a size that cannot be made.
    static std::unique_ptr<Surface> Make(int32_t width, int32_t height);
    static int32_t PitchFor(int32_t width)
    {
        return (width * 2 + 3) & ~3;
    }

    uint16_t* Row(int32_t y) const
    {
        return reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(pixels) + static_cast<intptr_t>(y) * pitch);
    }

    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
    uint16_t* pixels = nullptr;
    bool ownsPixels = false;

    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

private:
    std::vector<uint32_t> store_;   // own pixels, word-aligned
};
