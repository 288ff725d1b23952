// fade.h -- transition effects run on a canvas between two pictures
#pragma once

#include <cstdint>

class Canvas;

class Effect
{
public:
    float duration; // seconds
    int fps;        // presents per second

    Effect(float duration_, int fps_) : duration(duration_), fps(fps_) {}
    virtual ~Effect() = default;
    // Runs the whole effect before returning (the UI thread waits).
    virtual void apply(Canvas* canvas, bool fadeIn, bool redraw) = 0;
};

// Blends the canvas towards a plain colour (fade out) or back from it (fade in).
class FadeEffect : public Effect
{
public:
    uint32_t colour; // 0xRRGGBB

    FadeEffect(float duration_, int fps_, uint32_t colour_) : Effect(duration_, fps_), colour(colour_) {}
    void apply(Canvas* canvas, bool fadeIn, bool redraw) override;
};
