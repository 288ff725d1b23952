// showcase_content.h -- what the showcase program shows and plays
//
// The pictures and the chime are made at build time (make_showcase_files)
// and placed beside the program; the program draws them at the places below.
// Tests that look at the program's screenshots read the same table.
#pragma once

#include <cstdint>

namespace showcase {

// The program's folder in the device tree, and the files beside it.
inline constexpr char16_t kProgramFolder[] = u"\\Program Files\\Platform Showcase\\";
inline constexpr char16_t kJpegName[] = u"quadrants.jpg";
inline constexpr char16_t kBmpName[] = u"tiles.bmp";
inline constexpr char16_t kGifName[] = u"badge.gif";
inline constexpr char16_t kWavName[] = u"chime.wav";
// Where the program records what the mixer played (inside OS_OUT).
inline constexpr char kMixName[] = "showcase-mix.wav";

inline constexpr uint32_t kBackground = 0x405060;
inline constexpr uint32_t kFadeColour = 0x102040;

// A 96 x 64 picture of four flat quadrants (each 48 x 32, whole JPEG blocks).
struct Quadrants
{
    uint32_t topLeft, topRight, bottomLeft, bottomRight;

    uint32_t at(int x, int y) const
    {
        if (y < kHeight / 2)
            return x < kWidth / 2 ? topLeft : topRight;
        return x < kWidth / 2 ? bottomLeft : bottomRight;
    }

    static constexpr int kWidth = 96;
    static constexpr int kHeight = 64;
};

inline constexpr Quadrants kJpegPicture{0xE02020, 0x20C020, 0x2020E0, 0xE0E020};
inline constexpr Quadrants kBmpPicture{0xC000C0, 0x00C0C0, 0xF08000, 0xFFFFFF};

// The GIF: a 64 x 64 badge, a gold square with a green rim on a transparent
// field (palette index 0).
inline constexpr int kBadgeSide = 64;
inline constexpr uint32_t kBadgeKey = 0xFF00FF;
inline constexpr uint32_t kBadgeRim = 0x006000;
inline constexpr uint32_t kBadgeGold = 0xFFD700;

inline int badgeIndex(int x, int y)
{
    auto inside = [&](int margin) { return x >= margin && y >= margin && x < kBadgeSide - margin && y < kBadgeSide - margin; };
    if (inside(20))
        return 2;
    return inside(12) ? 1 : 0;
}

// Where the program draws them.
inline constexpr int kJpegX = 16, kJpegY = 16;
inline constexpr int kBmpX = 128, kBmpY = 16;
inline constexpr int kBadgeX = 88, kBadgeY = 96;
// The BMP again, stretched twice as large.
inline constexpr int kScaledX = 24, kScaledY = 176;
// The sound light: amber while the chime plays, green once it has ended.
inline constexpr int kLightX = 220, kLightY = 300, kLightSide = 16;
inline constexpr uint32_t kLightIdle = 0x202020;
inline constexpr uint32_t kLightPlaying = 0xFFA000;
inline constexpr uint32_t kLightDone = 0x00E000;

// The chime: 440 Hz square wave, 22050 Hz mono 16 bits, 400 ms.
inline constexpr int kChimeRate = 22050;
inline constexpr int kChimeHz = 440;
inline constexpr int kChimeMs = 400;

// The fade starts this long after the chime has ended and lasts kFadeMs.
inline constexpr int kFadeDelayMs = 500;
inline constexpr int kFadeMs = 1000;

} // namespace showcase
