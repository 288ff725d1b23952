// racing_app.h -- the frame window of Vasko-Moravel: the shared racing
// application with the motorbike race's mode and speed scale
#pragma once

#include "racing/framework/racing_app.h"

#include <string>
#include <vector>

namespace moravel {

class GamePage;
class RaceCanvas;

using racing::resourcesFolder;

// The race's speed scale: 110 in superbike races, 55 in motocross races.
extern float topSpeed;

class RacingApp : public racing::RacingApp
{
public:
    explicit RacingApp(const WCHAR* title);

    // Hides the menu page and starts the race; false (after restarting into
    // the menu) when the race cannot be set up.
    bool startRace(int mode_, int paintIndex, int trackIndex, const racing::RaceChoice& choice, bool exercise_,
                   const std::vector<std::u16string>& paints, const std::vector<std::u16string>& tracks);

    int mode = 0;

protected:
    racing::RaceResult raceResult() const override;
};

// WinMain's work on the shared start-up, with the motorbike menu page.
int runProgram(const WCHAR* commandLine);

} // namespace moravel
