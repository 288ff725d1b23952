// race_page.h -- the page on which one race runs, in both racing games: set
// up from the game's race template and track file, the track built from its
// strip (road, side walls where the game has them, sky panorama, start
// lights, checkpoint banners and advertising boards, the ground grid), the
// player's racer and the rivals on the start grid in the 3D scene, the start
// lights, the controls by the screen's orientation, collisions, checkpoints
// and laps, the camera presets, the sky behind the scene, the HUD line and
// the track map over it, and the race ended through the application. The
// games give their racers, HUD line, camera presets and constants.
#pragma once

#include "racing/framework/race_rules.h"
#include "racing/framework/race_scene.h"
#include "racing/framework/race_start.h"
#include "racing/framework/race_track.h"
#include "racing/framework/racer.h"
#include "racing/framework/track_map.h"
#include "racing/framework/track_model.h"

#include "racing/engine/camera.h"
#include "racing/engine/canvas.h"
#include "racing/engine/collision_grid.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class Group3D;
class Mesh;
class Properties;
class Texture;

namespace racing {

class RacingApp;
class Scene3D;
class SceneSprite;
class Sprite;

// A follow of the camera: the mode, distance and smoothing of
// `Camera::follow` and the offset from the racer (normalised by the camera).
struct CameraPreset
{
    int mode;
    float distance, smoothing, x, y, z;
};

// What differs between the games' races.
struct RaceStyle
{
    const char16_t* templateName;  // the race template in the GUI folder
    const char16_t* racerProgress; // the loading bar's text while the rivals are made
    float sensitivities[3];        // the steering of the settings' "strSensitivity" 0, 1, 2
    uint32_t barColour;            // the loading bar's colour from the race on
    float projectionShift;         // the camera's centre moved down by this (at 320 wide)
    float collisionSpeed;          // the speed the racer ahead gains in a collision
    int gridSpacing, exerciseGridSpacing;
    const CameraPreset* presets;   // presets -1 (the start view) to 7: nine
    bool forwardCheckpoints;       // checkpoints taken only at a positive speed
    // The track.
    const char16_t* roadPicture;   // the road's picture after the track's name
    bool walls;                    // side walls cut from the road ("track.guardrailH")
    bool carTrack;                 // the car game's strip rules (TrackKeys::car)
    bool fumeFromAmbient;          // "track.hasFume" in the ambient colour, else "env.fumeColor"
    bool maskedRoad;               // "track.hasMask" masks the road, else the walls
    float skyRaise, raceSkyRaise;  // the sky's altitude over "track.averageAltitude", and more outside exercises
    float bannerScale;             // the banners' scale: this of the half width
    bool levelBoards;              // banners and boards face the track's direction without its slope
};

// A board's kind by its picture's width over height: 0 banner (8), 1
// side-along (4), 2 vertical (0.5), 3 square (anything else).
int boardKindOf(int width, int height);
// The scale a picture of the kind is loaded at.
float boardScaleOf(int kind, float halfWidth);

// Where the boards of "scene.billboard" stand on a track of n segments:
// runs of `repeat` boards every interval + repeat segments, 3 segments apart
// (kinds 0, 1) or 2 (kinds 2, 3), the content changing after each cycle;
// the boards of a run near the end go on past the start line (segments wrap
// round the loop).
struct BoardPlace
{
    int segment;
    int content;
    int walk; // the segment of the walk that placed it
};
std::vector<BoardPlace> placeBoards(int n, int interval, int repeat, const std::vector<int>& kinds);

class RacePage : public Canvas, public LoadListener
{
public:
    // Resources from the program's "..\resources\" folder unless given.
    RacePage(RacingApp* app, const RaceStyle& style, const std::u16string& resources = {});
    ~RacePage() override;

    void update(float dt) override;
    void renderScenes() override;
    void afterFrame(float dt) override;
    void onPeriod(float dt) override;
    void onMouse(UINT message, WPARAM keys, int x, int y, int phase) override;
    void onDestroy() override;
    // Progress of the set-up: the loading bar.
    void onLoad(const WCHAR* text, const WCHAR* templateName, int percent) override;

    void handleControls(float dt);
    // -1 the start view, 0..7 the presets of the keys F1..F8; any other
    // value only shows the player's racer and sets the field of view.
    void setCameraPreset(int preset);
    void placeCameraBehind(float distance);
    void resolveCollisions();
    void updateVisibleWindow();
    // The road and wall meshes draw the segments of `roadWindow`.
    void applyVisibleWindow();
    // Exhaust puffs that fall back towards the camera fade out before they
    // reach the near plane: from three quarters of the way between the
    // player and the camera (at least twice the near plane's distance) they
    // turn transparent, wholly at the near plane; farther off they keep their
    // own fade.
    void fadeNearPuffs();
    // The race ends: the page stops, its sounds too, the screen fades to
    // black, and the application restarts with the next command.
    void finishRace(int status);

    // Checkpoint banners and advertising boards along the track.
    void buildBillboards();
    // A board of the given kind (0 banner, 1 side-along, 2 vertical, 3
    // square) at the matrix, with its picture or a blank of the colour.
    Group3D* createBoard(int kind, const std::u16string& modelFolder, float scale, Matrix4& matrix, uint32_t colour,
                         Texture* texture, Texture* alpha);
    // The text in a frame on the board's picture, which is then tinted by
    // the track's ambient colour.
    void drawBannerText(Group3D* board, const std::u16string& text, uint32_t textColour, int fontHeight,
                        uint32_t frameColour, int frameWidth, int yOffset);
    // A board model: loaded once per file (the first load fixes its scale),
    // then copies of it.
    Group3D* loadBoardModel(const std::u16string& folder, const std::u16string& name, float scale);

    void drawHud(HDC dc);
    // The frame rate and [DEMO] labels, on every frame.
    void drawFrameRate(HDC dc);
    // The page's buttons (upright layout), which no text of the page covers.
    std::vector<RECT> buttonAreas() const;
    // The game's HUD line for the race's state.
    virtual std::string hudLine() const = 0;

    const RaceStyle& style;
    RacingApp* app;
    bool isPrepared = false;
    bool running = false;
    RaceStart start; // the start lights and the period steps
    // 0 upright, 1 and 2 the turned layouts (the keys, the buttons, the map,
    // the sky and the camera's centre turn with them).
    int orientation = 0;
    uint32_t lastKeyBits = 0;
    bool showFrameRate = false;
    float frameRateShown = -1.0f; // the last measuring window's (none before the first)
    // The HUD line's top row: 1, or below the buttons once the line has run
    // under one (it then stays there for the race, so that it never jumps).
    int hudTop = 1;
    float frameRateSum = 0.0f;
    int frameRateCount = 0;
    int cameraPresetCount = 8;
    int cameraPreset = 0;
    int lastRacerSegment = -1;
    bool lastFacingBack = true;
    int rivalCount = 2;
    bool gapiDisplayOpened = false, gapiInputOpened = false;
    int projectionShift = 0; // the camera's centre moved by this many pixels

    std::u16string trackName, vehicleName, racerText, secondName;
    TrackModel track;
    LapCounter laps;
    VisibleWindow window;     // the racers and boards shown
    VisibleWindow roadWindow; // the road and walls drawn: the window reaching back under the camera
    RaceTrack raceTrack;
    std::unique_ptr<CollisionGrid> collisionGrid;
    std::unique_ptr<GroundQuery> ground;
    Racer* player = nullptr;
    std::vector<Racer*> racers; // rivals first, the player last
    std::vector<TrackBoard> billboards;
    std::unique_ptr<TrackMap> trackMap;
    uint32_t backgroundColour = 0;
    uint32_t ambientColour = 0xFFFFFF;
    float skyAltitude = 0.0f;
    SkyBehindScene sky; // the main scene's render target listener

    // The template's scenes and sprites (the canvas's).
    Scene3D* mainScene = nullptr;
    SceneSprite* guiScene = nullptr;
    SceneSprite* guiScene2D = nullptr;
    Camera* camera = nullptr;
    Sprite* lightSprite = nullptr;
    Sprite* wrongWaySprite = nullptr;

    // What the track builder made: the road and the walls of the track group.
    Group3D* trackGroup = nullptr;
    Mesh* trackMesh = nullptr;
    Mesh* wallMesh = nullptr;
    std::unique_ptr<Texture> skyTexture;
    Texture* trafficLights[4] = {};
    HFONT hudFont = nullptr;
    int hudFontHeight = 0;

protected:
    // Builds the race of the vehicle (a paint or a vehicle of a library) on
    // the track; false when it cannot be raced (the message is shown first)
    // or an index names nothing.
    bool prepare(const std::vector<std::u16string>& vehicles, int vehicleIndex,
                 const std::vector<std::u16string>& tracks, int trackIndex, const std::u16string& racerText);
    // The game's settings beyond the steering (the car's cruise speed).
    virtual void readSettings(Properties& /*settings*/) {}
    // The track file of the track's name, and the far distance of the scene.
    virtual std::u16string trackFile(const std::u16string& name) const = 0;
    virtual float farDistance() const = 0;
    // A racer of the vehicle named, in the scene under the prefix ("my",
    // "rival0", ...); rivals may copy the player's racer. None when it
    // cannot be built.
    virtual std::unique_ptr<Racer> makeRacer(const std::u16string& vehicle, const std::u16string& prefix,
                                             bool isPlayer) = 0;
    // Where an advertising board beside the road (kinds 1 to 3) stands by
    // segment t and side, and the direction it faces along before it is
    // turned to the track.
    virtual void placeBoard(int kind, int side, int t, Vector3& at, Vector3& facing) const;

    std::u16string resources;
    std::vector<std::unique_ptr<Racer>> ownRacers;

private:
    bool buildTrack(const std::u16string& folder, const std::u16string& name);
    void buildSky(const std::u16string& folder, const std::u16string& name, uint32_t hazeColour);
    bool buildRacers(const std::vector<std::u16string>& vehicles, int vehicleIndex);
    void placeGuiButtons();
    void shiftProjectionCentre();
    void teardown();
    std::vector<std::pair<std::u16string, Group3D*>> modelCache; // board models by file, owned
    std::vector<std::unique_ptr<Texture>> boardTextures;         // blank board and banner textures
};

} // namespace racing
