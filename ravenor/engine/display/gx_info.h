// gx_info.h -- the display driver's GETGXINFO escape
//
// A 132-byte record: version (set to 100 before asking), the frame buffer's
// device address, the row stride in bytes, width, height, bits per pixel,
// format flags, then for Up, Down, Left, Right, A, B, C and Start a portrait
// and a landscape key code and a point (12 bytes each). With the landscape
// flag the width and height are reported swapped.
#pragma once

#include <cstdint>

struct GxInfo
{
    static constexpr int kBytes = 132;
    static constexpr int kKeysOffset = 28;
    static constexpr int kKeyBytes = 12;
    static constexpr uint32_t kLandscape = 8;

    uint8_t record[kBytes] = {};

    uint32_t Field(int index) const;   // 0 version ... 6 format flags
    uint32_t FrameBuffer() const { return Field(1); }
    int32_t Stride() const { return static_cast<int32_t>(Field(2)); }
    int32_t Width() const;
    int32_t Height() const;
    int32_t Bpp() const { return static_cast<int32_t>(Field(5)); }
    uint32_t Format() const { return Field(6); }
    // column 0 portrait, 1 landscape; key 0..7
    uint16_t KeyCode(int key, int column) const;
};

enum : int
{
    kGetGxInfoEscape = 0x20000,
};

// Asks the screen's DC; false when the escape is not supported or fails.
bool QueryGxInfo(GxInfo& info);
