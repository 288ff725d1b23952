// racing_app.h -- the frame window of Vasko-Tundrel: the shared racing
// application with the car race's set-up from the vehicle libraries
#pragma once

#include "racing/framework/racing_app.h"

#include <string>
#include <vector>

namespace tundrel {

struct LibraryScan;

class RacingApp : public racing::RacingApp
{
public:
    explicit RacingApp(const WCHAR* title);

    // Hides the menu page and starts the race of the vehicle of a library
    // on a track; false (after restarting into the menu) when it cannot be
    // set up.
    bool startRace(int libraryIndex, int vehicleIndex, int trackIndex, const std::u16string& racerText,
                   bool exercise_, const LibraryScan& scan);

protected:
    racing::RaceResult raceResult() const override;
};

// WinMain's work on the shared start-up: the car menu page with the
// vehicle libraries scanned before it is shown.
int runProgram(const WCHAR* commandLine);

} // namespace tundrel
