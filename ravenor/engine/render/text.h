// text.h -- the bitmap font and its text drawers
//
// "font.tga" is 400 pixels wide; its glyphs are 10 pixels high, taken from
// stored rows 10 down to 1 (the top glyph row first). Glyph g spans columns
// kGlyphColumns[g] to kGlyphColumns[g + 1] - 1. Digits are glyphs 0..9,
// letters 10..35 (lower case folds to upper), then ! $ @ ' , - . : = ? and
// 0xA9 (36..46), the blank 47 (every other code) and '/' 48. Text ends at
// its NUL or its first '|'. Font pixel 0 is transparent; ink is written as a
// whole cell at depth 0. Every drawer clips to the frame.
#pragma once

#include <cstdint>

#include "ravenor/engine/data/textures.h"

constexpr int kGlyphCount = 50;
constexpr int kGlyphHeight = 10;
extern const int32_t kGlyphColumns[kGlyphCount + 1];

extern TexImage g_fontImage;

// Loads "font.tga" and builds the character map. 1, or 0 when the image is
// missing or too small for the glyph table (the font is then as it was).
int LoadFont();

// Glyph of a character code
int GlyphOf(unsigned char code);

int32_t GetTextWidth(const char* text);

// Upright, 1:1; centred: x = (176 - width) >> 1, at least 0. The line stops
// before the glyph that would pass column 176. Answers the start x.
int32_t DrawTextLine(int32_t x, int32_t y, int32_t unused, const char* text, bool centre);

// Down the screen for the quarter-turned view: the text starts at row x
// (centred: row (220 - width) >> 1, nothing when negative), glyph row k goes
// to column 176 - y - k.
int32_t DrawTextLineTurned(int32_t x, int32_t y, int32_t unused, const char* text, bool centre);

// Each texel as an xScale x yScale block; centred with the unscaled width;
// nothing when the text is wider than the screen.
int32_t DrawTextScaled(int32_t x, int32_t y, int32_t xScale, int32_t yScale, const char* text, bool centre);

// As DrawTextScaled, the colour times brightness / 512 below 513.
int32_t DrawTextScaledShaded(int32_t x, int32_t y, int32_t xScale, int32_t yScale, const char* text, bool centre,
                             int32_t brightness);

// Formatted text (at most 255 characters), not centred. Each answers its own
// line counter, grown by 17 (PrintText) or 12 (PrintTextColor) a call and
// reset when a new frame has begun, so callers can stack lines.
int32_t PrintText(int32_t x, int32_t y, int32_t xScale, int32_t yScale, uint32_t colour, const char* format, ...)
    __attribute__((format(printf, 6, 7)));
int32_t PrintTextColor(int32_t x, int32_t y, int32_t xScale, int32_t yScale, int32_t brightness, const char* format,
                       ...) __attribute__((format(printf, 6, 7)));

// "refresh %d" at (20, 60): 160000 / the milliseconds of the last eight frames, plus 1.
void DrawFrameRate();

// Tests: forgets the font, the counters and the frame-rate sample.
void ResetText();
