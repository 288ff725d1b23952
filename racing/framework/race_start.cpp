// race_start.cpp -- the start sequence, the periods of a running race and
// the end of a race page
#include "racing/framework/race_start.h"

#include "racing/engine/base_library.h"
#include "racing/engine/canvas.h"
#include "racing/framework/racing_app.h"

#include "engine/scene/core/sound_dictionary.h"

#include <algorithm>

namespace racing {

RaceStart::Period RaceStart::period(bool running, bool exercise)
{
    Period out;
    if (!running)
    {
        ++startStep;
        if (startStep > 0)
        {
            out.light = lightShown = std::min(startStep, 3);
            out.whistle = startStep >= 3 ? 1 : 0;
        }
        out.starts = startStep >= 3;
        return out;
    }
    if (exercise && (exerciseCameraTicks = (exerciseCameraTicks + 1) % 4) == 0)
        out.nextCamera = true;
    if (lightShown)
    {
        lightShown = 0;
        out.lightsOut = true;
    }
    return out;
}

void finishRacePage(Canvas& page, RacingApp& app, int status)
{
    page.stop();
    if (page.getSoundDictionary())
        page.getSoundDictionary()->stopAll();
    FadeEffect(2.0f, 10, 0x000000).apply(&page, false, false);
    app.endRace(status);
}

} // namespace racing
