// color_fade.h -- the colour fade shared by both engine generations
//
// steps = int(duration x fps); nothing without a step. Fading in counts from
// steps down to 0 and always redraws; fading out counts up and redraws only
// when asked. A redrawn step is blended by amount i x 255 / steps as it is
// shown (through the attached filter, on a copy); a fade-out without redraw
// sinks the back buffer itself by 640 / steps each step, so the picture
// approaches the colour step by step. Each step then sleeps what is left of
// 1000 / fps ms since the previous one.
#pragma once

#include <cstdint>

class ColorBlendFilter;
class Image;

// What a fade needs of the window it runs on.
class FadeTarget
{
public:
    virtual ~FadeTarget() = default;
    virtual void attachFade(ColorBlendFilter* filter) = 0;
    virtual void detachFade(ColorBlendFilter* filter) = 0;
    virtual void redrawScenes() = 0;
    // sinking: the fade-out without redraw (the back buffer already blended).
    virtual void showFadeStep(bool sinking) = 0;
    // The back buffer's picture, or null.
    virtual Image* fadeImage() = 0;
    // The zoom a sinking step blends at (256: the whole picture).
    virtual int sinkZoom256() { return 256; }
};

void runColorFade(float duration, int fps, uint32_t colour, bool fadeIn, bool redraw, FadeTarget& target);
