// bmp_reader.h -- the splash picture's file: an uncompressed BMP
//
// Takes a BITMAPFILEHEADER, a BITMAPINFOHEADER (40 bytes or longer) and
// uncompressed 24- or 32-bit pixels, rows bottom-up (positive height) or
// top-down (negative height), each row padded to 4 bytes.
#pragma once

#include <os/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct BmpImage
{
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint16_t> pixels;   // RGB565, rows top-down
};

// False with the reason for a file that is not such a BMP or is cut short.
bool DecodeBmp(const uint8_t* data, size_t size, BmpImage& image, std::string& error);

// A 16-bit DIB section of the picture in a file of the device, or nullptr.
HBITMAP LoadDIBitmap(const WCHAR* path);
