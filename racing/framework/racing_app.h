// racing_app.h -- the frame window both racing programs share: one instance
// shows either the menu page or one race, and moves between them by
// restarting itself with an "ARG:" command
#pragma once

#include "racing/engine/window.h"
#include "racing/framework/restart_command.h"

#include <functional>
#include <memory>
#include <string>

namespace racing {

class Canvas;
class MenuPage;

// The folder of the game's resources ("..\resources\" beside the program).
std::u16string resourcesFolder();

// The page's message scene "sceneMessage": with a text, its sprite
// "sptMessage" shows the text and keeps the value; the scene shows exactly
// while there is a text (none hides it).
void showSceneMessage(Canvas& canvas, const WCHAR* text, int value);

// What a finished race hands to the score table and the scoreboard command.
struct RaceResult
{
    std::u16string track, racer, secondName, vehicle;
    float lapLength = 0.0f;
    int laps = 0;
    float frameRate = -1.0f; // -1 when the race's frame-rate display was off
};

// The result of a race page: its track, racer and second names, lap length
// and count, the average of its measured frame rates while their display was
// on, and the vehicle raced.
template <class Page>
RaceResult raceResultOf(const Page& page, const std::u16string& vehicle)
{
    RaceResult result;
    result.track = page.trackName;
    result.racer = page.racerText;
    result.secondName = page.secondName;
    result.vehicle = vehicle;
    result.lapLength = page.track.trackLength;
    result.laps = page.track.lapCount;
    if (page.showFrameRate && page.frameRateCount > 0)
        result.frameRate = page.frameRateSum / float(page.frameRateCount);
    return result;
}

class RacingApp : public AppWindow
{
public:
    // The program's resources: its icon and its cursor.
    static constexpr int kIconId = 101;
    static constexpr int kCursorId = 106;

    // menuCommand: where a race that did not finish (and a broken race
    // command) goes back to; speedFactor turns lap length over time into the
    // speed entered into the score table.
    RacingApp(const WCHAR* title, std::u16string menuCommand, float speedFactor);
    ~RacingApp() override;

    static void computeWindowRect(int& x, int& y, int& w, int& h);
    void onActivate(bool active) override;
    bool onClose() override { return true; }

    // The menu page stopped and hidden, the frame over the whole screen,
    // the race page added and focused; then the program sets the race up
    // and calls beginRace.
    void showRacePage(Canvas* page);
    void beginRace();
    // Both: the page shown, set up by `prepare`, and started; false (after
    // restarting into the menu) when it cannot be set up.
    bool runRacePage(Canvas* page, const std::function<bool()>& prepare);
    // 1 finished, anything else abandoned or an exercise.
    void endRace(int status);
    // Ends this instance and starts the next with the command; a close the
    // person asked for meanwhile ends the program instead.
    void restart(const std::u16string& command);
    // A close of the frame waits in the queue.
    bool closeRequested();

    const std::u16string menuCommand;
    const float speedFactor;

    bool exercise = false;
    bool noScore = false;
    bool music = false;
    float raceTime = 0.0f;
    MenuPage* menuPage = nullptr;
    Canvas* racePage = nullptr;
    bool restarting = false;

    // Tests replace the restart (the command is handed over instead).
    static std::function<void(const std::u16string&)> restartHook;

protected:
    // Read from the race page when a finished race ends.
    virtual RaceResult raceResult() const = 0;
    // A finished race into the score table ('_' of the vehicle name shown
    // as blanks, the speed from lap length, time and laps).
    void enterRace(const RaceResult& result);
};

// The program's own parts that the shared start-up builds.
struct ProgramParts
{
    const char16_t* title;
    std::function<std::unique_ptr<RacingApp>()> makeApp;
    // The menu page for the argument text, not yet a child of the frame.
    std::function<MenuPage*(RacingApp& app, const std::u16string& argument, bool present)> makeMenuPage;
};

// WinMain's work: the memory check (only without "ARG:"), the frame, the
// menu page and its command, the message loop.
int runProgram(const WCHAR* commandLine, const ProgramParts& parts);

} // namespace racing
