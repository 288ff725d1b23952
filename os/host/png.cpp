// png.cpp -- PNG encoding and decoding through libpng's simplified interface
#include "os/host/png.h"
#include "os/host/host.h"

#include <png.h>

#include <cstring>
#include <mutex>

namespace os::host {

namespace {

// One row of device pixels as 8-bit RGB.
void row_to_rgb(const uint8_t* row, int width, int bpp, uint8_t* out)
{
    for (int x = 0; x < width; x++)
    {
        uint32_t rgb = 0;
        if (bpp == 16)
        {
            uint16_t pixel = 0;
            memcpy(&pixel, row + x * 2, 2);
            rgb = rgb565_to_rgb(pixel);
        }
        else
        {
            memcpy(&rgb, row + x * 4, 4);
        }
        out[x * 3] = uint8_t(rgb >> 16);
        out[x * 3 + 1] = uint8_t(rgb >> 8);
        out[x * 3 + 2] = uint8_t(rgb);
    }
}

} // namespace

uint32_t rgb565_to_rgb(uint16_t pixel)
{
    uint32_t r = (pixel >> 11) & 0x1f;
    uint32_t g = (pixel >> 5) & 0x3f;
    uint32_t b = pixel & 0x1f;
    r = (r << 3) | (r >> 2);
    g = (g << 2) | (g >> 4);
    b = (b << 3) | (b >> 2);
    return (r << 16) | (g << 8) | b;
}

bool write_png(const std::string& path, int width, int height, int bpp, int pitch, const void* pixels)
{
    if ((bpp != 16 && bpp != 32) || width <= 0 || height <= 0 || !pixels)
    {
        return false;
    }
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    const uint8_t* src = static_cast<const uint8_t*>(pixels);
    for (int y = 0; y < height; y++)
    {
        row_to_rgb(src + size_t(y) * size_t(pitch), width, bpp, &rgb[size_t(y) * size_t(width) * 3]);
    }
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = PNG_FORMAT_RGB;
    int ok = png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), width * 3, nullptr);
    png_image_free(&image);
    return ok != 0;
}

bool read_png(const std::string& path, Picture& out)
{
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
    {
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
    {
        png_image_free(&image);
        return false;
    }
    out.width = int(image.width);
    out.height = int(image.height);
    out.pixels.resize(size_t(out.width) * size_t(out.height));
    for (size_t i = 0; i < out.pixels.size(); i++)
    {
        out.pixels[i] = (uint32_t(rgb[i * 3]) << 16) | (uint32_t(rgb[i * 3 + 1]) << 8) | rgb[i * 3 + 2];
    }
    return true;
}

bool write_screen_png(Screen& shown, const std::string& path)
{
    std::lock_guard<std::recursive_mutex> hold(shown.lock);
    return write_png(path, shown.width, shown.height, shown.bpp, shown.pitch, shown.pixels);
}

} // namespace os::host
