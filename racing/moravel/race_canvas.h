// race_canvas.h -- the page on which one race runs: loaded from the race
// template "MVCanvas.properties" and the track file, the track built from
// its strip, the player's bike and the rivals on the start grid in the 3D
// scene, the start lights, controls, collisions, checkpoints and laps, the
// camera presets, the sky behind the scene, the HUD line and the track map
// over it, and the race ended through the application
#pragma once

#include "racing/moravel/bike_model.h"
#include "racing/framework/track_map.h"

#include "racing/engine/camera.h"
#include "racing/engine/canvas.h"
#include "racing/engine/collision_grid.h"
#include "racing/engine/render_target.h"

#include "engine/scene/core/texture.h"
#include "racing/framework/race_drawing.h"
#include "racing/framework/race_rules.h"
#include "racing/framework/race_scene.h"
#include "racing/framework/race_start.h"
#include "racing/framework/race_track.h"
#include "racing/framework/track_model.h"

#include <memory>
#include <string>
#include <vector>

class Group3D;
class Material;
class Mesh;
class Texture;
class Properties;

namespace racing {
class Scene3D;
class SceneSprite;
class Sprite;
} // namespace racing

namespace moravel {

class RacingApp;

using Billboard = racing::TrackBoard;

// A board's kind by its picture's width over height: 0 banner (8), 1
// side-along (4), 2 vertical (0.5), 3 square (anything else).
int boardKindOf(int width, int height);

class RaceCanvas : public racing::Canvas, public racing::LoadListener
{
public:
    // Resources from the program's "..\resources\" folder unless given.
    explicit RaceCanvas(RacingApp* app, const std::u16string& resources = {});
    ~RaceCanvas() override;

    // Builds the race; false when the track cannot be raced (the message is
    // shown first) or the chosen names are missing.
    bool prepareRace(const std::vector<std::u16string>& paintNames, const std::vector<std::u16string>& trackNames,
                     int paintIndex, int trackIndex, const std::u16string& racerText);

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
    // value only shows the bike and sets the field of view.
    void setCameraPreset(int preset);
    void placeCameraBehind(float distance);
    void resolveCollisions();
    void updateVisibleWindow();
    // The race ends: the page stops, its sounds too, the screen fades to
    // black, and the application restarts with the next command.
    void finishRace(int status);

    // The track from its file: what the Parts call the track builder.
    bool buildTrack(const std::u16string& folder, const std::u16string& trackName, bool motocross, bool exercise);
    // Checkpoint banners and advertising boards along the track.
    void buildBillboards();
    // A board of the given kind (0 banner, 1 side-along, 2 vertical, 3
    // square) at the matrix, with its picture or a blank of the colour.
    Group3D* createBoard(int kind, const std::u16string& modelFolder, float scale, Matrix4& matrix, uint32_t colour,
                         Texture* texture, Texture* alpha);
    void drawBannerText(Group3D* board, const std::u16string& text, uint32_t textColour, int fontHeight,
                        uint32_t frameColour, int frameWidth, int yOffset);
    // A board model: loaded once per file (the first load fixes its scale),
    // then copies of it.
    Group3D* loadBoardModel(const std::u16string& folder, const std::u16string& name, float scale);

    void drawHud(HDC dc);
    void drawFrameRate(HDC dc);

    // The HUD line "LAP:%1.1f TM:%02d:%2.1f V:%03dkm".
    static std::string hudText(float lapFigure, float raceTime, float speed);
    // Sky heading 0..1 of a turn for a view direction (x and z).
    static float skyHeading(float dx, float dz) { return racing::skyHeading(dx, dz); }

    RacingApp* app;
    bool isPrepared = false;
    bool running = false;
    racing::RaceStart start; // the start lights and the period steps
    int orientation = 0;
    // The device's buttons: A and Start give throttle, B and C brake.
    uint32_t lastKeyBits = 0;
    bool showFrameRate = false;
    float frameRateSum = 0.0f;
    int frameRateCount = 0;
    float frameRateShown = 0.0f;
    int cameraPresetCount = 8;
    int cameraPreset = 0;
    int lastRacerSegment = -1;
    bool lastFacingBack = true;
    int rivalCount = 2;
    bool gapiOpened = false;

    std::u16string trackName, paintName, racerText, secondName;
    racing::TrackModel track;
    racing::LapCounter laps;
    racing::VisibleWindow window;
    racing::RaceTrack raceTrack;
    std::unique_ptr<racing::CollisionGrid> collisionGrid;
    std::unique_ptr<racing::GroundQuery> ground;
    std::unique_ptr<DrawnBike> player;
    std::vector<std::unique_ptr<DrawnBike>> rivals;
    std::vector<DrawnBike*> racers; // rivals first, the player last
    std::vector<Billboard> billboards;
    std::unique_ptr<racing::TrackMap> trackMap;
    uint32_t backgroundColour = 0;
    uint32_t ambientColour = 0xFFFFFF;
    uint32_t fumeColour = 0;
    bool hasFume = false;
    float skyAltitude = 0.0f;
    racing::SkyBehindScene sky; // the main scene's render target listener

    // The template's scenes and sprites (the canvas's).
    racing::Scene3D* mainScene = nullptr;
    racing::SceneSprite* guiScene = nullptr;
    racing::SceneSprite* guiScene2D = nullptr;
    racing::Camera* camera = nullptr;
    racing::Sprite* lightSprite = nullptr;
    racing::Sprite* wrongWaySprite = nullptr;

    // What the track builder made: the road and the walls of the track group.
    Group3D* trackGroup = nullptr;
    Mesh* trackMesh = nullptr;
    Mesh* wallMesh = nullptr;
    std::unique_ptr<Texture> skyTexture;
    Texture* trafficLights[4] = {};
    HFONT hudFont = nullptr;
    int hudFontHeight = 0;

    // The road and wall meshes draw the segments of the visible window.
    void applyVisibleWindow();

private:
    void placeGuiButtons();
    void teardown();
    std::u16string resources;
    std::vector<std::pair<std::u16string, Group3D*>> modelCache; // board models by file, owned
    std::vector<std::unique_ptr<Texture>> boardTextures;         // blank board and banner textures
};

} // namespace moravel
