// jpeg_writer.cpp -- JPEG file images through libjpeg's memory destination
#include "content/media/jpeg_writer.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace media {

namespace {

void fillRow(std::vector<JSAMPLE>& row, int y, int width, int components, const PixelFn& pixel)
{
    for (int x = 0; x < width; ++x)
    {
        uint32_t c = pixel(x, y);
        if (components == 1)
        {
            row[size_t(x)] = JSAMPLE(c & 0xFF);
            continue;
        }
        row[size_t(3 * x)] = JSAMPLE(c >> 16);
        row[size_t(3 * x + 1)] = JSAMPLE(c >> 8);
        row[size_t(3 * x + 2)] = JSAMPLE(c);
    }
}

} // namespace

Bytes makeJpeg(int width, int height, const PixelFn& pixel, int components, int quality)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(size_t(width * components));
    while (info.next_scanline < info.image_height)
    {
        fillRow(row, int(info.next_scanline), width, components, pixel);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    Bytes b(out, out + size);
    jpeg_destroy_compress(&info);
    free(out);
    return b;
}

} // namespace media
