// dib_section.cpp -- making RGB565 DIB sections
#include "ravenor/engine/display/dib_section.h"

namespace {

// A bitmap header followed by the three colour masks of BI_BITFIELDS
struct Rgb565BitmapInfo
{
    BITMAPINFOHEADER header;
    DWORD masks[3];
};

} // namespace

HBITMAP CreateRgb565Dib(HDC dc, int32_t width, int32_t height, void** bits)
{
    Rgb565BitmapInfo bitmap{};
    bitmap.header.biSize = sizeof(BITMAPINFOHEADER);
    bitmap.header.biWidth = width;
    bitmap.header.biHeight = -height;   // top-down
    bitmap.header.biPlanes = 1;
    bitmap.header.biBitCount = 16;
    bitmap.header.biCompression = BI_BITFIELDS;
    bitmap.masks[0] = 0xF800;
    bitmap.masks[1] = 0x07E0;
    bitmap.masks[2] = 0x001F;
    *bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, reinterpret_cast<const BITMAPINFO*>(&bitmap), DIB_RGB_COLORS, bits, nullptr, 0);
    if (dib && !*bits)
    {
        DeleteObject(dib);
        return nullptr;
    }
    return dib;
}
