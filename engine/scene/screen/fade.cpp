// fade.cpp -- the colour fade: a blend filter over presents paced by the clock
#include "engine/scene/screen/fade.h"

#include "engine/platform/gapi_display.h"
#include "engine/platform/present_filter.h"
#include "engine/scene/screen/canvas.h"

#include <os/windows.h>

void FadeEffect::apply(Canvas* canvas, bool fadeIn, bool redraw)
{
    int steps = fps > 0 ? int(duration * float(fps)) : 0;
    if (!canvas || steps <= 0)
        return;
    ColorBlendFilter filter(colour, 0);
    canvas->addPresentFilter(&filter);
    uint32_t frameMs = uint32_t(1000 / fps);
    int zoom256 = int(canvas->getZoom() * 256.0f);
    uint32_t last = GetTickCount();
    for (int n = 0; n <= steps; ++n)
    {
        int i = fadeIn ? steps - n : n;
        if (fadeIn || redraw)
        {
            canvas->renderScenes();
            filter.setAmount(i * 255 / steps);
            canvas->present(nullptr, zoom256);
        }
        else
        {
            // The back buffer keeps each blended picture: it sinks step by step.
            filter.setAmount(640 / steps);
            canvas->present(nullptr, GapiDisplay::isDisplayOpen() ? zoom256 : 256);
        }
        uint32_t spent = GetTickCount() - last;
        if (spent < frameMs)
            Sleep(frameMs - spent);
        last = GetTickCount();
    }
    canvas->removePresentFilter(&filter);
}
