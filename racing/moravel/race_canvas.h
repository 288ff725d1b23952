// race_canvas.h -- the page on which one race runs: the track built from its
// track file and strip, the player's bike and the rivals on the start grid,
// the start lights, controls, checkpoints and laps, the camera, and the race
// ended through the application
#pragma once

#include "racing/moravel/motorbike.h"

#include "racing/engine/camera.h"
#include "racing/engine/canvas.h"
#include "racing/engine/collision_grid.h"
#include "racing/framework/race_drawing.h"
#include "racing/framework/race_rules.h"
#include "racing/framework/race_track.h"
#include "racing/framework/track_model.h"

#include "engine/scene/2d/raster_context.h"
#include "engine/scene/3d/model_library.h"
#include "engine/scene/core/material.h"

#include <memory>
#include <string>
#include <vector>

class Group3D;
class Material;
class Texture;
class Properties;
class WaveSound;

namespace moravel {

class RacingApp;

// A bike with its model: paint, poses and wheels.
class DrawnBike : public Motorbike
{
public:
    DrawnBike(racing::RaceTrack* race, bool isPlayer, Group3D* model);
    ~DrawnBike() override;
    void setPose(int pose_) override;
    // Extents from the body and wheel objects, and the lift.
    void measure(bool motocross);
    Group3D* model;

protected:
    void onWheels(float dt) override;

private:
    Vector3 frontCentre, rearCentre;
};

class RaceCanvas : public racing::Canvas
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
    void onKey(UINT message, int key) override;
    void onMouse(UINT message, WPARAM keys, int x, int y, int phase) override;

    void handleControls(float dt);
    void setCameraPreset(int preset);
    void resolveCollisions();
    void updateVisibleWindow();

    // The HUD line "LAP:%1.1f TM:%02d:%2.1f V:%03dkm".
    static std::string hudText(float lapFigure, float raceTime, float speed);
    // Sky heading 0..1 of a turn for a view direction (x and z).
    static float skyHeading(float dx, float dz) { return racing::skyHeading(dx, dz); }

    RacingApp* app;
    bool isPrepared = false;
    bool running = false;
    int startStep = -1;
    uint32_t keyBits = 0;
    int lastReleasedKey = 0;
    bool showFrameRate = false;
    float frameRateSum = 0.0f;
    int frameRateCount = 0;
    int cameraPreset = 0;
    int exerciseCameraTicks = 0;
    int lastRacerSegment = -1;
    bool lastFacingBack = true;
    int rivalCount = 2;

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
    racing::Camera camera{1, 45.0f};
    uint32_t backgroundColour = 0;
    uint32_t hazeColour = 0;
    float skyAltitude = 0.0f;

    // What the page draws.
    Group3D* trackGroup = nullptr;
    Mesh* trackMesh = nullptr;
    Mesh* wallMesh = nullptr;
    Material* wallMaterial = nullptr;
    Texture* skyTexture = nullptr;
    Texture* trafficLights[4] = {};
    int lightShown = 0; // the start light drawn, 0 none
    std::unique_ptr<WaveSound> whistles[2], music;

private:
    void drawWorld(class Image* surface);
    void drawSky(class Image* surface);
    void drawHud(class Image* surface);
    ModelLibrary models;
    std::u16string resources;
    racing::QuadDrawer drawer;
    TexturedMaterial shadowMaterial;
};

} // namespace moravel
