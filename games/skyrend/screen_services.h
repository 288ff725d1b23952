// screen_services.h -- the load progress bar, busy labels and the lists of
// plane and scene files
#pragma once

#include <os/windows.h>

#include <cstdint>
#include <string>
#include <vector>

class Canvas;
class Window;

namespace skyrend {

// The bar's colour (0xRRGGBB): grey at start; the flight canvas sets its own.
uint32_t progressBarColor();
void setProgressBarColor(uint32_t colour);

// Where the bar goes on a client area of width w and height h, and how much
// of it percent fills (both widths multiples of 8).
struct ProgressBarLayout
{
    int x0, y0, width, filled;
};
ProgressBarLayout progressBarLayout(int w, int h, int percent);

// Draws the bar with its caption on the canvas's back buffer and presents
// that rectangle.
void drawProgressBar(Canvas* canvas, const WCHAR* caption, int percent);

// A text label over the canvas: size scaled to the screen; x and y both
// -10000 centre it, otherwise they are scaled. The label owns its font.
Window* createMessageLabel(Canvas* canvas, const WCHAR* text, int width, int height, int x, int y);
void destroyMessageLabel(Canvas* canvas, Window* label);

// Every plain file the pattern finds, cut at its first '.', sorted by
// wcscmp (ascending, or descending when asked); empty when nothing matches.
std::vector<std::u16string> listFileNames(const WCHAR* pattern, bool descending);

} // namespace skyrend
