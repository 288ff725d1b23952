// game_app.h -- the program's entry and its application window
//
// Vasko-Skyrend is the game or, started with a switch, the console of its
// game server. The game's window owns the main screen; every change of main
// page that needs a fresh process destroys the window and starts the
// program again with an "ARG:" command line.
#pragma once

#include "engine/platform/window.h"

#include <string>

class Properties;

namespace skyrend {

class MainScreen;

// A top-level window of the engine programs: no parent, unbuffered, visible.
class AppWindow : public Window
{
public:
    explicit AppWindow(const WCHAR* title);
};

class GameApp : public AppWindow
{
public:
    static constexpr float kNeededMemoryMB = 5.0f;

    // Sets up the temporary folder (one per process), the three packs and
    // the sound switch. argument: the text after "ARG:" (kept, not used here).
    GameApp(HINSTANCE instance, const WCHAR* argument);
    ~GameApp() override;

    void onDestroy() override;
    void onActivated(bool active) override;

    // Builds the main screen on the created window and gives it the focus.
    bool showMainScreen(const WCHAR* argument);
    MainScreen* getMainScreen() const { return mainScreen; }

    // Flights are not built yet: says so plainly and answers false, so the
    // main screen stays on its menu.
    bool startFlight(int plane, int scene, int pilot, bool exercise);
    // Ends a flight by restarting into the scoreboard.
    void showScoreboard();

    bool hardwareMixing = false;
    bool multiplayer = false;
    bool exercise = false;

private:
    MainScreen* mainScreen = nullptr;
};

// The game's folder of page templates: program folder + "..\resources\GUI\".
std::u16string guiFolderPath();
// The folder extracted pack members go to for this process.
std::u16string processTempFolder();
// Sound effects are on only when "soundEffect" has "selected" 0; a missing
// entry or field counts as off.
bool soundSwitchOf(Properties& settings);

// The entry: game or server.
int runProgram(HINSTANCE instance, const WCHAR* commandLine);

} // namespace skyrend
