// progress_bar.h -- the loading bar the racing games draw while a race page
// is built: straight onto the page's window DC, centred in the page, with
// a caption
#pragma once

#include <os/types.h>

#include <cstdint>

class Window;

namespace racing {

// The bar's colour (0xRRGGBB): grey at start, the race page makes it green.
extern uint32_t progressBarColor;
constexpr int kProgressBarHeight = 16;

// One state of the bar on the window's own DC: the filled part a band that
// brightens towards its middle, the rest black, a white outline and the
// caption in white with a black shadow, clipped to the bar. Percentages
// above 100 draw as 100, below 0 as 0. Nothing for a window without a DC.
void drawProgressBar(::Window& window, const WCHAR* caption, int percent);

} // namespace racing
