// game_app.h -- the program's entry and its application window
//
// Vasko-Skyrend is the game or, started with a switch, the console of its
// game server. The game's window owns the main screen; every change of main
// page that needs a fresh process destroys the window and starts the
// program again with an "ARG:" command line.
#pragma once

#include "engine/platform/window.h"
#include "games/skyrend/game_canvas.h"
#include "games/skyrend/multiplayer/connection_idle.h"
#include "games/skyrend/multiplayer/protocol.h"

#include <memory>
#include <string>
#include <vector>

class Properties;

namespace skyrend {

class FlightLink;
class MainScreen;

namespace mp {
class ClientSession;
}

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

    // Builds the single-player flight over the top half of the screen with
    // the main screen as its cockpit console below, and starts it. False
    // (after saying why) when it cannot be built; the main screen is then
    // whole again.
    bool startFlight(int plane, int scene, int pilot, bool exercise);
    // The multiplayer flight of a group just entered: the members (the
    // player first, as the enter answer lists them) fly; the messages the
    // link gathered while the flight was built follow at once.
    bool startGroupFlight(int plane, int scene, const std::vector<mp::MemberEntry>& members,
                          std::unique_ptr<FlightLink> link);
    // Ends a flight by restarting into the scoreboard; a mission counts one
    // more mission for its pilot.
    void showScoreboard();
    GameCanvas* getFlight() const { return flight; }

    // Multiplayer: connects a new client session to the game server (the
    // address first, then the name) under a busy label; a failure says so
    // in a box and leaves no session.
    bool connect(const std::u16string& name, const std::u16string& address, const std::u16string& port);
    // Stops and deletes the session, if any.
    void endSession();
    // Ends the session's connection (the session stays until the restart).
    void closeSession();
    mp::ClientSession* getSession() const { return session.get(); }
    // Leaves a multiplayer flight: the connection closes and the program
    // restarts on the log-on page.
    void leaveGroupFlight();
    // The flight messages the session's receive thread gathered, run on
    // this thread (the main screen's window is posted when there are some).
    void runFlightMessages();
    FlightLink* getFlightLink() const { return link.get(); }
    mp::ConnectionIdle& getConnectionIdle() { return idle; }

    bool hardwareMixing = false;
    bool multiplayer = false;
    bool exercise = false;

private:
    MainScreen* mainScreen = nullptr;
    GameCanvas* flight = nullptr; // a child window: deleted with this window
    int flightPilot = -1;
    bool socketsStarted = false;
    mp::ConnectionIdle idle;
    std::unique_ptr<FlightLink> link;
    std::unique_ptr<mp::ClientSession> session;
    bool buildFlight(GameCanvas::Mission& mission, int scene, int pilot);
    GameCanvas::Mission flightSettings() const;
};

// The game's folder of page templates: program folder + "..\resources\GUI\".
std::u16string guiFolderPath();
// The folder extracted pack members go to for this process.
std::u16string processTempFolder();
// Sound effects are on only when "soundEffect" has "selected" 0; a missing
// entry or field counts as off.
bool soundSwitchOf(Properties& settings);
// The device mixes sounds (effects play over the engine's loop, which then
// never pauses) when the check box "soundHwdMixing" is ticked (status 1); a
// missing box counts as not.
bool hardwareMixingOf(Properties& settings);

// The settings a flight reads as it starts: a missing "missionType" brings
// downed enemies back, a missing "skydomeRendering" flies under the sky
// colour, a missing "chkGAPIVideo" or "chkGAPIButton" opens the direct
// display's video or buttons.
GameCanvas::Mission flightSettingsOf(Properties& settings);

// The entry: game or server.
int runProgram(HINSTANCE instance, const WCHAR* commandLine);

} // namespace skyrend
