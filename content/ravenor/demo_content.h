// demo_content.h -- the demo's data: "demo.bin" and "splash2.bmp"
//
// "demo.bin" holds the font, the interface pictures (full-screen ones stored
// mirrored, as the full-screen drawer reads them from the last pixel), the
// demo city ("scenery.p3d", "scenery.tex"), the car and pedestrian models
// (car_models.h), the sounds and tunes (demo_sounds.h), the props, effects
// and arrows (demo_props.h) and the first stage with its models
// (demo_stage.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ravenor_content {

constexpr int kSplashWidth = 176;
constexpr int kSplashHeight = 140;

// Screen colours of the demo pictures (0xRRGGBB), for checks
constexpr uint32_t kSplashBackground = 0x102040;
constexpr uint32_t kSplashBar = 0xE0A000;
constexpr uint32_t kTitleSkyTop = 0x000840;
constexpr uint32_t kTitleRoad = 0x404040;

// A full-screen picture: rgb of the screen (rows top-down, 176 x 220) as the
// TGA the full-screen drawer shows upright.
std::vector<uint8_t> FullScreenTga(const std::vector<uint32_t>& screen);

// The title picture as it appears on the screen (176 x 220, rows top-down)
std::vector<uint32_t> TitleScreen();

std::vector<uint8_t> SplashBmp();

// Every archive entry of the demo, in order
struct DemoEntry
{
    std::string name;
    std::vector<uint8_t> data;
};
std::vector<DemoEntry> DemoArchiveEntries();

// Writes "demo.bin" and "splash2.bmp" into a folder; false with the reason.
bool WriteDemoContent(const std::string& folder, std::string& error);

} // namespace ravenor_content
