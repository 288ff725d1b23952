// game_canvas.h -- the canvas of a single-player flight: the 3D view of the
// scene with the player's aircraft and three computer-flown enemies, the
// effect pools, the head-up display, score and damage bar, the frame (the
// aircraft, effects, camera, controls, sky and ground) and the periodic
// duties that carry the mission rules (alarm, decoy lamps, radar scan,
// outcome, new enemies, enemy locks, the indicator arrow)
#pragma once

#include "games/skyrend/cockpit_controls.h"
#include "games/skyrend/mission_rules.h"
#include "games/skyrend/flight/flight_host.h"
#include "games/skyrend/flight_link.h"

#include "engine/scene/screen/canvas.h"

#include <memory>
#include <string>
#include <vector>

class Group3D;
class Material;
class Mesh;
class Scene3D;
class Scene;
class WaveSound;

namespace skyrend {

class ConsolePanel;
class HeadUpDisplay;
struct PilotRecord;

namespace mp {
class ClientSession;
}

class GameCanvas : public Canvas, public FlightHost, private LoadListener
{
public:
    struct Mission
    {
        std::vector<std::u16string> planes; // plane file names ("plane_x")
        int plane = 0;
        std::u16string scene;                // scene file name ("scene_y")
        bool exercise = true;
        bool replaceDowned = true;
        bool skyDome = true;
        // The direct display's video and buttons (GAPI).
        bool directVideo = false;
        bool directButtons = false;
        // The device mixes sounds: effects play over the engine's loop.
        bool hardwareMixing = false;
        // A group's flight: the members as the enter answer lists them
        // (the player first); no enemies, no pilot record.
        bool multiplayer = false;
        std::vector<mp::MemberEntry> members;
    };

    // resources: the program's resources folder ("...\resources\").
    explicit GameCanvas(const std::u16string& resources);
    ~GameCanvas() override;

    // Builds the flight; false (with the reason in buildError) when there is
    // no plane or the plane, scene or screen files cannot be read.
    bool buildMission(const Mission& mission);
    const std::u16string& buildError() const { return error; }
    void release();

    // The console below the flight (may be absent) and the pilot whose record
    // counts kills and losses of a mission (may be absent).
    void setConsole(ConsolePanel* console) { panel = console; }
    // The main screen as the cockpit console: its panel, its keys (the
    // focused window), its dialog, lamps and throttle handle.
    void setConsoleScreen(class MainScreen* screen);
    void setPilot(PilotRecord* record) { pilot = record; }

    // ---- a group's flight ----
    // The session the flight sends through and the link its controls go to.
    void setSession(mp::ClientSession* clientSession, FlightLink* flightLink);
    // Message 11: the player's missile places (the server then counts the
    // player as flying).
    void sendOwnState();
    // The messages the session's receive thread gathered, in order: players
    // entering and leaving, and one frame (presented) for each states.
    void runNetworkMessages(const std::vector<FlightLink::Item>& items);
    void applyStates(const std::vector<mp::AircraftState>& states);
    void onPlayerEnter(const std::u16string& name, int plane, const mp::Vec3& position);
    void onPlayerLeave(const std::u16string& name);
    // The aircraft of a member by its full name: the player's first, then
    // the others from the last.
    Aircraft* findAircraft(const std::u16string& name) const;
    void networkFrame();

    // A 600 ms measuring window, steps capped at a tenth of a second and
    // no sleep: the flight runs as fast as it draws.
    void onCreate() override;
    // A paint draws the view again in a flight of its own; in a group's
    // flight the server's states drive the frames, and a paint only shows
    // the last one again.
    void onPaint(PAINTSTRUCT* paint) override;
    // The aircraft go before the scenes that hold their models.
    void afterDestroy() override;
    void update(float dt) override;
    void renderScenes() override;
    void onPeriod(float windowSeconds) override;
    // One period duty now (the canvas runs one every 600 ms window).
    void runPeriod();

    // The load listener while the flight's files load: the progress bar.
    virtual void onLoadProgress(const WCHAR* text, int percent);

    // The last message of the flight ("You crashed!..." and the others) and
    // its button mode (0 OK, 3 none); shown by the console's dialog.
    void showFlightMessage(const WCHAR* text, int mode);
    void hideFlightMessage();
    const std::u16string& flightMessage() const { return message; }
    int flightMessageMode() const { return messageMode; }
    // The decoy lamps of the console.
    void setDecoyLamp(bool chaff, bool on);

    Aircraft* player() const { return playerCraft; }
    const std::vector<Aircraft*>& enemies() const { return others; }
    Outcome outcome() const { return result; }
    // A box round each other aircraft that flies in front of the view: its
    // place, its depth in the view, whether a missile locks on it.
    struct TargetBox
    {
        const Aircraft* aircraft;
        int x, y, depth;
        bool locked;
    };
    std::vector<TargetBox> targetBoxes();
    // The player's decoys in the air as the console has them.
    int consoleFlares() const;
    int consoleChaff() const;
    CockpitControls controls;
    float flightClock = 0.0f;
    // The measured frame rate shown at the top left (TAB or "fpsButton"),
    // taken every 2.4 s; while it is shown the frames are not capped.
    bool frameRateShown = false;
    int frameRateText = 0;
    void toggleFrameRate();

    // FlightHost
    Canvas* flightCanvas() override { return this; }
    Camera* flightCamera() override;
    // The scene's sky picture, which the canopy reflects.
    Texture* environmentTexture() override { return skyTexture; }
    int aircraftCount() const override;
    Aircraft* aircraftAt(int i) const override;
    Aircraft* playerAircraft() const override { return playerCraft; }
    bool isExercise() const override { return exercise; }
    bool isMultiplayer() const override { return multiplayer; }
    bool basisIsWater() const override { return water; }
    bool hardwareMixing() const override { return mixing; }
    void playSound(const WCHAR* key) override;
    void stopSound(const WCHAR* key) override;
    bool isSoundPlaying(const WCHAR* key) override;
    void pauseEngine(float seconds) override;
    void showAlert(const WCHAR* text) override;
    void setDecoyCounts(int flares, int chaff) override;
    void showCockpit(bool on) override;
    void countDown(bool playerShotDown) override;

private:
    std::u16string resources;
    std::u16string error;
    bool built = false;
    bool directDisplay = false; // this flight opened GAPI
    bool exercise = true;
    bool replaceDowned = true;
    bool multiplayer = false;
    bool water = false;
    bool mixing = false;
    uint32_t hudColour = 0x00FF00;
    Texture* skyTexture = nullptr;
    // The player's decoys in the air, for a console that is not there.
    int flaresInAir = 0, chaffInAir = 0;
    Aircraft* playerCraft = nullptr;
    std::vector<Aircraft*> others;
    // A group's flight: each member's full name and aircraft (the plane
    // file's prefix may cut the aircraft's own name).
    std::u16string playerName;
    std::vector<std::pair<std::u16string, Aircraft*>> crew;
    mp::ClientSession* session = nullptr;
    FlightLink* link = nullptr;
    std::vector<std::u16string> planeFiles;
    Scene3D* mainScene = nullptr;
    Scene* dashScene = nullptr;
    Group3D* indicator = nullptr;
    Group3D* world = nullptr;
    Group3D* clouds = nullptr;
    Material* basisMaterial = nullptr;
    std::unique_ptr<HeadUpDisplay> hud;
    ConsolePanel* panel = nullptr;
    class MainScreen* screen = nullptr;
    bool dialogHidden() const;
    PilotRecord* pilot = nullptr;
    EnginePause engine;
    int period = 0;
    bool flareLamp = false, chaffLamp = false;
    Outcome result = Outcome::Flying;
    std::u16string message;
    int messageMode = -1;

    bool loadScene(const std::u16string& name, bool skyDome);
    bool placeGroup(const Mission& mission);
    Aircraft* addMember(const std::u16string& name, int plane, const mp::Vec3& at);
    const WCHAR* nameOf(const Aircraft* a) const;
    Aircraft* createAircraft(const std::u16string& plane, const WCHAR* pilotName, const Vector3& at, float turn,
                             bool isPlayer);
    void drawOverlay();
    void outcomeDuty();
    void indicatorDuty();
    void onLoad(const WCHAR* text, const WCHAR* templateName, int percent) override;
    // Deletes the main scene's objects whose names hold the name and the
    // template entries that built them.
    void removeObjectsOf(const std::u16string& name);
    void moveEnvironment();
    void keepEyeOffModel();
};

} // namespace skyrend
