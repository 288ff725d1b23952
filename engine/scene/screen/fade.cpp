// fade.cpp -- the colour fade: a blend filter over presents paced by the clock
#include "engine/scene/screen/fade.h"

#include "engine/platform/back_buffer.h"
#include "engine/platform/gapi_display.h"
#include "engine/platform/image.h"
#include "engine/platform/present_filter.h"
#include "engine/scene/screen/canvas.h"

#include <os/windows.h>

void FadeEffect::apply(Canvas* canvas, bool fadeIn, bool redraw)
{
    int steps = fps > 0 ? int(duration * float(fps)) : 0;
    if (!canvas || steps <= 0)
        return;
    ColorBlendFilter filter(colour, 0);
    // Fading out without redraw sinks the back buffer itself step by step;
    // otherwise every step is drawn anew and blended as it is shown.
    bool sink = !fadeIn && !redraw;
    Image* back = canvas->getBackBuffer() ? canvas->getBackBuffer()->getImage() : nullptr;
    if (sink && !back)
        return;
    if (!sink)
        canvas->addPresentFilter(&filter);
    uint32_t frameMs = uint32_t(1000 / fps);
    int zoom256 = int(canvas->getZoom() * 256.0f);
    uint32_t last = GetTickCount();
    for (int n = 0; n <= steps; ++n)
    {
        int i = fadeIn ? steps - n : n;
        if (!sink)
        {
            canvas->renderScenes();
            filter.setAmount(i * 255 / steps);
            canvas->present(nullptr, zoom256);
        }
        else
        {
            int shown = GapiDisplay::isDisplayOpen() ? zoom256 : 256;
            filter.setAmount(640 / steps);
            filter.setImage(back);
            filter.apply(shown);
            canvas->present(nullptr, shown);
        }
        uint32_t spent = GetTickCount() - last;
        if (spent < frameMs)
            Sleep(frameMs - spent);
        last = GetTickCount();
    }
    if (!sink)
        canvas->removePresentFilter(&filter);
}
