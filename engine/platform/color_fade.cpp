// color_fade.cpp -- steps, amounts and pacing of a colour fade
#include "engine/platform/color_fade.h"

#include "engine/platform/present_filter.h"

#include <os/windows.h>

void runColorFade(float duration, int fps, uint32_t colour, bool fadeIn, bool redraw, FadeTarget& target)
{
    int steps = fps > 0 ? int(duration * float(fps)) : 0;
    if (steps <= 0)
        return;
    ColorBlendFilter filter(colour, 0);
    bool sink = !fadeIn && !redraw;
    Image* back = target.fadeImage();
    if (sink && !back)
        return;
    if (!sink)
        target.attachFade(&filter);
    uint32_t frameMs = uint32_t(1000 / fps);
    uint32_t last = GetTickCount();
    for (int n = 0; n <= steps; ++n)
    {
        int i = fadeIn ? steps - n : n;
        if (!sink)
        {
            target.redrawScenes();
            filter.setAmount(i * 255 / steps);
        }
        else
        {
            filter.setAmount(640 / steps);
            filter.setImage(back);
            filter.apply(target.sinkZoom256());
        }
        target.showFadeStep(sink);
        uint32_t spent = GetTickCount() - last;
        if (spent < frameMs)
            Sleep(frameMs - spent);
        last = GetTickCount();
    }
    if (!sink)
        target.detachFade(&filter);
}
