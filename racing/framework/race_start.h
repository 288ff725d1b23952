// race_start.h -- the period steps both race pages share: the start lights
// one period apart (whistle 0 with the first two, whistle 1 with the third,
// the race running from the third), then the lights put out on the race's
// first period, and the exercise race's camera moving on every fourth period
#pragma once

namespace racing {

class Canvas;
class RacingApp;

struct RaceStart
{
    int startStep = -1;
    int lightShown = 0; // the start light showing (1..3), 0 none
    int exerciseCameraTicks = 0;

    // What a period step asks of the page.
    struct Period
    {
        int light = 0;           // show this start light now (1..3), 0 none
        int whistle = -1;        // blow this whistle (0 or 1), -1 none
        bool starts = false;     // the race runs from now on
        bool lightsOut = false;  // the lights go out: the track music begins
        bool nextCamera = false; // the exercise race's camera moves on
    };
    Period period(bool running, bool exercise);
};

// The race ends: the page stops, the sounds of its dictionary too, the
// screen fades to black in 2 s, and the application takes the race's status.
void finishRacePage(Canvas& page, RacingApp& app, int status);

} // namespace racing
