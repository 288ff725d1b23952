// base_library.h -- where the racing build's base library differs
//
// Most of the base is the engine's own (containers, strings, properties,
// wave sounds and their dictionary, the frame timer with its step floor
// switched off, GAPI). Here are the racing accessors and helpers that answer
// differently: property fields without defaults, the prefix-limited search,
// the fixed-point scale with its second shift, the GAPI blit and the fade
// attached by name.
#pragma once

#include <os/types.h>

#include <cstdint>

class Image;
class Properties;

namespace racing {

class Canvas;

// The racing default fixed-point scale (shift 10, second shift 3) unless a
// scale is already set, then the engine's maths tables.
void initRacingMath();
// The racing base: pack members matched case for case, and the maths.
void initRacingBase();
// The program-wide fixed-point scale: 1 << shift, and that >> subShift.
void setFixedPointShift(int shift, int subShift);
int fixedSubShift();
int fixedSubScale();

int clampInt(int v, int lo, int hi);

// _wtol of the field; -1 when the entry or the field is missing.
int getFieldInt(Properties& properties, const WCHAR* key, const WCHAR* field);
// wcstod of the field; 0 when the entry or the field is missing.
float getFieldFloat(Properties& properties, const WCHAR* key, const WCHAR* field);
// The first c within the first n characters (the whole text when n is at
// least its length); null when n < 1.
const WCHAR* findCharInPrefix(const WCHAR* text, int n, WCHAR c);

// What the wave mapper can play; both false when the device cannot be asked.
struct WaveDeviceCaps
{
    WaveDeviceCaps();
    bool hasFormats = false;
    bool stereo = false;
};

// Copies a 16-bit image into GAPI's frame buffer at (x, y), clipped to the
// display on every side; one row copy when the x pitch is one pixel, else
// pixel by pixel. Nothing without a frame pointer.
void gapiBlit(const Image& image, int x, int y);

// The fade of the racing build: the filter is attached by name.
class FadeEffect
{
public:
    static constexpr const WCHAR* kFilterName = u"_FILTER_FOR_COLORFADETRANSITION_";

    FadeEffect(float duration_, int fps_, uint32_t colour_) : duration(duration_), fps(fps_), colour(colour_) {}
    void apply(Canvas* canvas, bool fadeIn, bool redraw);

    float duration;
    int fps;
    uint32_t colour;
};

} // namespace racing
