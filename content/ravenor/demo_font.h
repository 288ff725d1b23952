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

// The glyph the font shows for character c (letters fold to capitals,
// characters without a glyph give the blank, 47)
int GlyphOf(char c);

// Width in pixels of text drawn by DrawGlyphText at scale
int GlyphTextWidth(const char* text, int scale);

// Draws text with the font's glyphs into rgb (width pixels a row, rows top
// to bottom), its top left at (x, y), every glyph pixel as scale x scale
// pixels of ink; pixels outside the picture are skipped.
void DrawGlyphText(std::vector<uint32_t>& rgb, int width, int x, int y, const char* text, int scale, uint32_t ink);

} // namespace ravenor_content
