// png.h -- PNG files of pixel memory (screenshots, and pictures in tests)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace os::host {

// Writes width x height pixels, rows top-down `pitch` bytes apart, as an RGB
// PNG. bpp 16 is RGB565 (each channel widened by repeating its top bits),
// bpp 32 is 0x00RRGGBB. False when the file cannot be written or bpp is neither.
bool write_png(const std::string& path, int width, int height, int bpp, int pitch, const void* pixels);

// A decoded picture: 0x00RRGGBB per pixel, rows top-down.
struct Picture
{
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// Reads any PNG file into 8-bit RGB; false when the file is missing or not a PNG.
bool read_png(const std::string& path, Picture& out);

// The 0x00RRGGBB colour an RGB565 pixel shows as.
uint32_t rgb565_to_rgb(uint16_t pixel);

// The 0x00RRGGBB colour a 16-bit screen shows for a 0x00RRGGBB colour.
inline uint32_t shown_in_rgb565(uint32_t rgb)
{
    return rgb565_to_rgb(uint16_t((rgb >> 8 & 0xF800) | (rgb >> 5 & 0x07E0) | (rgb >> 3 & 0x1F)));
}

} // namespace os::host
