// dib_section.h -- a top-down 16-bit RGB565 DIB section
#pragma once

#include <os/windows.h>

// Rows of (width x 2 + 3) rounded down to 4 bytes; nullptr when it cannot be made.
HBITMAP CreateRgb565Dib(HDC dc, int32_t width, int32_t height, void** bits);
