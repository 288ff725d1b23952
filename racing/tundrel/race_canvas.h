// race_canvas.h -- the car race page: set up from the race template
// "TDCanvas.properties" and the track file, the track built from its strip,
// the player's vehicle and two rivals from the chosen library on the start
// grid in the 3D scene, the start lights, controls with the cruise setting,
// checkpoints and laps, boards beside and across the road, the sky behind
// the scene, the track map strip, the HUD, and the race ended through the
// application
#pragma once

#include "racing/tundrel/vehicle.h"

#include "racing/engine/camera.h"
#include "racing/engine/canvas.h"
#include "racing/engine/collision_grid.h"
#include "racing/framework/race_rules.h"
#include "racing/framework/race_scene.h"
#include "racing/framework/race_start.h"
#include "racing/framework/track_map.h"
#include "racing/framework/track_model.h"

#include "engine/scene/3d/model_library.h"

#include <memory>
#include <string>
#include <vector>

class Group3D;
class Properties;
class Mesh;
class Texture;

namespace racing {
class Scene3D;
class SceneSprite;
class Sprite;
} // namespace racing

namespace tundrel {

class RacingApp;

// One advertising picture of "scene.billboard": its kind by aspect ratio
// (0 across the road, 1 along its side, 2 upright, 3 square) and size.
struct BoardKind
{
    int kind;
    float size;
};
BoardKind boardKindOf(int width, int height, float halfWidth);

// Where the boards of "scene.billboard" stand: runs of `repeat` boards every
// interval + repeat segments, 3 segments apart (kinds 0, 1) or 2 (kinds 2,
// 3), the content changing after each cycle. Boards past the last segment
// are left out.
struct BoardPlace
{
    int segment;
    int content;
};
std::vector<BoardPlace> placeBoards(int segmentCount, int interval, int repeat, const std::vector<int>& kinds);

class RaceCanvas : public racing::Canvas, public racing::LoadListener
{
public:
    // Resources from the program's "..\resources\" folder unless given.
    explicit RaceCanvas(RacingApp* app, const std::u16string& resources = {});
    ~RaceCanvas() override;

    // Builds the race; false when the track or the vehicle cannot be raced
    // (the message is shown first) or an index names nothing.
    bool prepareRace(const std::vector<std::u16string>& libraryNames, const std::vector<std::u16string>& vehicleNames,
                     const std::vector<std::u16string>& trackNames, int libraryIndex, int vehicleIndex,
                     int trackIndex, const std::u16string& racerText);

    void update(float dt) override;
    void renderScenes() override;
    void afterFrame(float dt) override;
    void onPeriod(float dt) override;
    void onMouse(UINT message, WPARAM keys, int x, int y, int phase) override;
    void onDestroy() override;
    // Progress of the set-up: the loading bar.
    void onLoad(const WCHAR* text, const WCHAR* templateName, int percent) override;

    void handleControls(float dt);
    void setCameraPreset(int preset);
    void resolveCollisions();
    void updateVisibleWindow();
    // The race ends: sounds off, a fade to black, then the application.
    void finishRace(int status);

    // "LAP:%1.1f TM:%02d:%02d V:%03dkm (%s)".
    static std::string hudText(float lapFigure, float raceTime, float speed, bool cruise);

    RacingApp* app;
    bool isPrepared = false;
    bool running = false;
    racing::RaceStart start; // the start lights and the period steps
    bool showFrameRate = false;
    float frameRateSum = 0.0f;
    int frameRateCount = 0;
    int cameraPreset = 0;
    int rivalCount = 2;

    std::u16string trackName, vehicleName, racerText, secondName;
    racing::TrackModel track;
    racing::LapCounter laps;
    racing::VisibleWindow window;
    CarRace raceTrack;
    std::unique_ptr<racing::CollisionGrid> collisionGrid;
    std::unique_ptr<racing::GroundQuery> ground;
    std::unique_ptr<Vehicle> player;
    std::vector<std::unique_ptr<Vehicle>> rivals;
    std::vector<Vehicle*> racers; // rivals first, the player last
    uint32_t backgroundColour = 0, hazeColour = 0, ambientColour = 0xC8C8C8;
    float skyAltitude = 0.0f;
    racing::SkyBehindScene sky; // the main scene's render target listener

    std::vector<racing::TrackBoard> banners, billboards; // the main scene's

    // The template's scenes and sprites (the canvas's).
    racing::Scene3D* mainScene = nullptr;
    racing::SceneSprite* guiScene = nullptr;
    racing::Camera* camera = nullptr; // the main scene's
    racing::Sprite* lightSprite = nullptr;
    racing::Sprite* wrongWaySprite = nullptr;

    Group3D* trackGroup = nullptr; // the main scene's, from the track file
    Mesh* trackMesh = nullptr;
    Texture* skyTexture = nullptr;
    Texture* trafficLights[4] = {};
    std::vector<std::pair<Vehicle*, Group3D*>> shadows; // the main scene's, one a vehicle

private:
    bool buildTrack(const std::u16string& scenes);
    void buildBoards(Properties& keys, const std::u16string& scenes);
    Group3D* makeBoard(const std::u16string& common, int kind, float size, const Matrix4& placed, Texture* picture,
                       uint32_t colour);
    void placeGuiButtons();
    void teardown();
    std::unique_ptr<Vehicle> makeVehicle(const std::u16string& folder, const std::u16string& name,
                                         const std::u16string& prefix, bool isPlayer);
    void placeShadows();
    void drawHud(class Image* surface);

    ModelLibrary models;
    std::u16string resources;
    std::unique_ptr<racing::TrackMap> trackMap;
    HFONT hudFont = nullptr;
    std::vector<Texture*> ownTextures; // the banners' pictures
};

} // namespace tundrel
