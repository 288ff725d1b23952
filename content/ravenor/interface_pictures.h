// interface_pictures.h -- the front end's and the pause menu's pictures
//
// The screen titles as lettered plates, the game's logo, the key caps that
// carry the key glyphs, the picture of the default key layout, the stage
// select's arrows and the sound screen's radio and slider knob, written as
// the TGA entries of "demo.bin".
#pragma once

#include <string>
#include <vector>

#include "content/ravenor/demo_content.h"

namespace ravenor_content {

// Glyphs of the default keys as the key remap screen names them: steer
// left, steer right, accelerate, brake, handbrake, pause.
extern const char* const kDefaultKeyGlyphs[6];

// The picture's pixels (0xRRGGBB, rows top to bottom) and size
struct InterfacePicture
{
    std::string name;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;
};

// Every picture of this file, in archive order
std::vector<InterfacePicture> InterfacePictures();

// The pictures as archive entries
void InterfacePictureEntries(std::vector<DemoEntry>& entries);

} // namespace ravenor_content
