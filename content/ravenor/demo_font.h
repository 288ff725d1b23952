// demo_font.h -- the demo's "font.tga", drawn by code
//
// 400 x 12 pixels, white ink on 0. Each glyph is a 7-row picture placed in
// glyph rows 1..7 of its column range (glyph rows count from the top and
// are stored rows 10 down to 1), left-aligned, with at least one empty
// column at its right.
#pragma once

#include <cstdint>
#include <vector>

namespace ravenor_content {

constexpr int kFontImageWidth = 400;
constexpr int kFontImageHeight = 12;

// The glyph table's column positions: glyph g spans [columns[g], columns[g + 1]).
extern const int kFontColumns[51];

// The image as TGA bytes
std::vector<uint8_t> DemoFontTga();

} // namespace ravenor_content
