// racing_app.h -- the frame window of Vasko-Moravel: one instance shows
// either the menu page or one race, and moves between them by restarting
// itself with an "ARG:" command
#pragma once

#include "racing/engine/window.h"
#include "racing/framework/restart_command.h"

#include <functional>
#include <string>
#include <vector>

namespace moravel {

class GamePage;
class RaceCanvas;

// The race's speed scale: 110 in superbike races, 55 in motocross races.
extern float topSpeed;

// The folder of the game's resources ("..\resources\" beside the program).
std::u16string resourcesFolder();

class RacingApp : public racing::AppWindow
{
public:
    explicit RacingApp(const WCHAR* title);
    ~RacingApp() override;

    static void computeWindowRect(int& x, int& y, int& w, int& h);
    void onActivate(bool active) override;
    bool onClose() override { return true; }

    // Hides the menu page and starts the race; false (after restarting into
    // the menu) when the race cannot be set up.
    bool startRace(int mode_, int paintIndex, int trackIndex, const racing::RaceChoice& choice, bool exercise_,
                   const std::vector<std::u16string>& paints, const std::vector<std::u16string>& tracks);
    // 1 finished, anything else abandoned or an exercise.
    void endRace(int status);
    // Ends this instance and starts the next with the command.
    void restart(const std::u16string& command);

    int mode = 0;
    bool exercise = false;
    bool noScore = false;
    bool music = false;
    float raceTime = 0.0f;
    GamePage* menuPage = nullptr;
    RaceCanvas* racePage = nullptr;
    bool restarting = false;

    // Tests replace the restart (the command is handed over instead).
    static std::function<void(const std::u16string&)> restartHook;
};

// WinMain's work: the memory check (only without "ARG:"), the frame, the
// menu page and its command, the message loop.
int runProgram(HINSTANCE instance, const WCHAR* commandLine);

} // namespace moravel
