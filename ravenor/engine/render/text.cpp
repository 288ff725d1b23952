// text.cpp -- the bitmap font and the text drawers
#include "ravenor/engine/render/text.h"

#include <os/windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/data/tga.h"

const int32_t kGlyphColumns[kGlyphCount + 1] = {
    0,   6,   12,  19,  25,  32,  38,  45,  51,  58,  64,  71,  78,  85,  92,  98,  104,
    110, 117, 120, 125, 131, 137, 145, 151, 159, 165, 172, 179, 185, 191, 197, 204, 214,
    221, 228, 235, 238, 245, 253, 256, 259, 263, 266, 269, 276, 283, 292, 295, 302, 400};

TexImage g_fontImage;

namespace {

constexpr int kBlankGlyph = 47;
constexpr uint32_t kFontWidth = 400;
constexpr uint32_t kFontRows = 11;   // rows 1..10 hold the glyphs

uint8_t g_charMap[256];
bool g_charMapBuilt = false;
int32_t g_printCounter = 0;
int32_t g_printColorCounter = 0;
int32_t g_counterFrame = -1;
int32_t g_rateValue = 0;
DWORD g_rateSampleTime = 0;

void BuildCharMap()
{
    for (int c = 0; c < 256; ++c)
        g_charMap[c] = kBlankGlyph;
    for (int d = 0; d < 10; ++d)
        g_charMap['0' + d] = static_cast<uint8_t>(d);
    for (int l = 0; l < 26; ++l)
    {
        g_charMap['A' + l] = static_cast<uint8_t>(10 + l);
        g_charMap['a' + l] = static_cast<uint8_t>(10 + l);
    }
    const unsigned char marks[] = {'!', '$', '@', '\'', ',', '-', '.', ':', '=', '?', 0xA9};
    for (int m = 0; m < 11; ++m)
        g_charMap[marks[m]] = static_cast<uint8_t>(36 + m);
    g_charMap[uint8_t('/')] = 48;
    g_charMapBuilt = true;
}

bool FontReady()
{
    return g_charMapBuilt && g_fontImage.pixels && g_fontImage.width >= kFontWidth &&
           g_fontImage.height >= kFontRows;
}

int32_t GlyphWidth(int glyph)
{
    return kGlyphColumns[glyph + 1] - kGlyphColumns[glyph];
}

// Font texel of a glyph: column within the glyph, glyph row k (0 = top)
uint16_t Texel(int glyph, int32_t column, int32_t k)
{
    return g_fontImage.pixels[(kGlyphHeight - k) * g_fontImage.width + kGlyphColumns[glyph] + column];
}

void PutCell(int32_t x, int32_t y, uint16_t colour)
{
    if (x >= 0 && x < kFrameWidth && y >= 0 && y < kFrameHeight)
        g_frame[y * kFrameWidth + x] = colour;
}

bool AtEnd(const char* p)
{
    return *p == '\0' || *p == '|';
}

// Draws every glyph of a line through plot(glyph, start, column, k, texel) and
// answers the start x; lines stop before a glyph that would pass maxRight.
template <class Plot>
void WalkGlyphs(const char* text, int32_t start, int32_t step, int32_t maxRight, Plot plot)
{
    int32_t position = start;
    for (const char* p = text; !AtEnd(p); ++p)
    {
        const int glyph = GlyphOf(static_cast<unsigned char>(*p));
        const int32_t width = GlyphWidth(glyph);
        if (maxRight >= 0 && position + width * step > maxRight)
            return;
        for (int32_t column = 0; column < width; ++column)
        {
            for (int32_t k = 0; k < kGlyphHeight; ++k)
            {
                const uint16_t texel = Texel(glyph, column, k);
                if (texel)
                    plot(position + column * step, k, texel);
            }
        }
        position += width * step;
    }
}

int32_t ScaledLine(int32_t x, int32_t y, int32_t xScale, int32_t yScale, const char* text, bool centre,
                   int32_t brightness)
{
    if (!FontReady() || !text)
        return x;
    const int32_t width = GetTextWidth(text);
    if (width > kFrameWidth)
        return x;
    if (centre)
        x = (kFrameWidth - width) >> 1;
    WalkGlyphs(text, x, xScale, -1, [&](int32_t left, int32_t k, uint16_t texel) {
        const uint16_t colour = brightness < 513 ? ScaleColour(texel, brightness) : texel;
        for (int32_t by = 0; by < yScale; ++by)
        {
            for (int32_t bx = 0; bx < xScale; ++bx)
                PutCell(left + bx, y + k * yScale + by, colour);
        }
    });
    return x;
}

// A printf-style line, cut at 255 characters
struct FormattedLine
{
    char text[256];
    FormattedLine(const char* format, va_list args)
    {
        std::vsnprintf(text, sizeof text, format, args);
    }
};

int32_t GrowCounter(int32_t& counter, int32_t step)
{
    if (g_counterFrame != g_renderFrame)
    {
        g_counterFrame = g_renderFrame;
        g_printCounter = 0;
        g_printColorCounter = 0;
    }
    counter += step;
    return counter;
}

} // namespace

int GlyphOf(unsigned char code)
{
    if (!g_charMapBuilt)
        BuildCharMap();
    return g_charMap[code];
}

int LoadFont()
{
    TexImage loaded;
    if (!LoadTga("font.tga", loaded))
        return 0;
    if (loaded.width < kFontWidth || loaded.height < kFontRows)
        return 0;
    g_fontImage = std::move(loaded);
    g_fontImage.drawMode = kDrawColourKey;
    BuildCharMap();
    return 1;
}

int32_t GetTextWidth(const char* text)
{
    int32_t width = 0;
    for (const char* p = text; p && !AtEnd(p); ++p)
        width += GlyphWidth(GlyphOf(static_cast<unsigned char>(*p)));
    return width;
}

int32_t DrawTextLine(int32_t x, int32_t y, int32_t, const char* text, bool centre)
{
    if (centre)
        x = std::max<int32_t>((kFrameWidth - GetTextWidth(text)) >> 1, 0);
    if (FontReady() && text)
        WalkGlyphs(text, x, 1, kFrameWidth,
                   [&](int32_t column, int32_t k, uint16_t texel) { PutCell(column, y + k, texel); });
    return x;
}

int32_t DrawTextLineTurned(int32_t x, int32_t y, int32_t, const char* text, bool centre)
{
    if (centre)
    {
        x = (kFrameHeight - GetTextWidth(text)) >> 1;
        if (x < 0)
            return x;
    }
    if (FontReady() && text)
        WalkGlyphs(text, x, 1, -1, [&](int32_t row, int32_t k, uint16_t texel) {
            PutCell(kFrameWidth - y - k, row, texel);
        });
    return x;
}

int32_t DrawTextScaled(int32_t x, int32_t y, int32_t xScale, int32_t yScale, const char* text, bool centre)
{
    return ScaledLine(x, y, xScale, yScale, text, centre, 513);
}

int32_t DrawTextScaledShaded(int32_t x, int32_t y, int32_t xScale, int32_t yScale, const char* text, bool centre,
                             int32_t brightness)
{
    return ScaledLine(x, y, xScale, yScale, text, centre, brightness);
}

int32_t PrintText(int32_t x, int32_t y, int32_t xScale, int32_t yScale, uint32_t, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const FormattedLine line(format, args);
    va_end(args);
    DrawTextScaled(x, y, xScale, yScale, line.text, false);
    return GrowCounter(g_printCounter, 17);
}

int32_t PrintTextColor(int32_t x, int32_t y, int32_t xScale, int32_t yScale, int32_t brightness, const char* format,
                       ...)
{
    va_list args;
    va_start(args, format);
    const FormattedLine line(format, args);
    va_end(args);
    DrawTextScaledShaded(x, y, xScale, yScale, line.text, false, brightness);
    return GrowCounter(g_printColorCounter, 12);
}

void DrawFrameRate()
{
    if ((g_renderFrame & 7) == 0)
    {
        const DWORD now = GetTickCount();
        const DWORD elapsed = now - g_rateSampleTime;
        g_rateSampleTime = now;
        g_rateValue = elapsed ? static_cast<int32_t>(160000 / elapsed) : g_rateValue;
    }
    PrintText(20, 60, 1, 1, 0, "refresh %d", g_rateValue + 1);
}

void ResetText()
{
    g_fontImage = TexImage{};
    g_charMapBuilt = false;
    g_printCounter = 0;
    g_printColorCounter = 0;
    g_counterFrame = -1;
    g_rateValue = 0;
    g_rateSampleTime = 0;
}
