// race_canvas.cpp -- the race page: set-up from the race template, the frame
// step, start lights, controls, collisions, camera presets, laps and the end
// of the race
#include "racing/moravel/race_canvas.h"

#include "racing/moravel/racing_app.h"

#include "racing/engine/base_library.h"
#include "racing/engine/model3d.h"
#include "racing/engine/scene3d.h"
#include "racing/engine/sprite.h"
#include "racing/engine/template_loader.h"
#include "racing/framework/progress_bar.h"
#include "racing/framework/race_controls.h"
#include "racing/framework/race_start.h"
#include "racing/framework/track_keys.h"

#include "engine/base/math_utils.h"
#include "engine/base/properties.h"
#include "engine/platform/back_buffer.h"
#include "engine/platform/gapi_display.h"
#include "engine/platform/image.h"
#include "engine/platform/wave_sound.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/core/sound_dictionary.h"

#include <os/windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace moravel {

RaceCanvas::RaceCanvas(RacingApp* app_, const std::u16string& resources_)
    : Canvas(u"gameCanvas"), app(app_), resources(resources_)
{
    if (resources.empty())
        resources = resourcesFolder();
    frameTimer.mode = FrameTimer::Capped;
    frameTimer.targetFps = 8;
    frameTimer.windowMs = 1000;
    racing::progressBarColor = 0x009600;
}

RaceCanvas::~RaceCanvas()
{
    teardown();
}

void RaceCanvas::onDestroy()
{
    teardown();
    Canvas::onDestroy();
}

void RaceCanvas::teardown()
{
    if (getSoundDictionary())
        getSoundDictionary()->stopAll();
    if (gapiOpened)
    {
        GapiDisplay::close();
        gapiOpened = false;
    }
    isPrepared = false;
    running = false;
    // The scenes own the models, shadows, puff chips, boards and the track.
    removeAllScenes();
    mainScene = nullptr;
    guiScene = guiScene2D = nullptr;
    camera = nullptr;
    sky = {};
    lightSprite = wrongWaySprite = nullptr;
    trackGroup = nullptr;
    trackMesh = wallMesh = nullptr;
    racers.clear();
    rivals.clear();
    player.reset();
    billboards.clear();
    trackMap.reset();
    collisionGrid.reset();
    ground.reset();
    for (auto& [name, model] : modelCache)
        delete model;
    modelCache.clear();
    boardTextures.clear();
    skyTexture.reset();
    if (hudFont)
    {
        DeleteObject(hudFont);
        hudFont = nullptr;
    }
}

bool RaceCanvas::prepareRace(const std::vector<std::u16string>& paintNames,
                             const std::vector<std::u16string>& trackNames, int paintIndex, int trackIndex,
                             const std::u16string& racerText_)
{
    running = false;
    if (paintIndex < 0 || paintIndex >= int(paintNames.size()) || trackIndex < 0 ||
        trackIndex >= int(trackNames.size()))
        return false;
    const bool motocross = app->mode == 1;
    const bool exercise = app->exercise;

    // Settings: a sensitivity outside the three choices (or missing) is the
    // middle one; GAPI output only when its box is checked (a missing entry
    // reads -1: off).
    {
        Properties settings;
        settings.load((resources + u"GUI").c_str(), u"gsetting.properties");
        static const float kSensitivity[3] = {0.25f, 0.75f, 1.25f};
        int sensitivity = racing::getFieldInt(settings, u"strSensitivity", u"selected");
        raceTrack.steerSensitivity = kSensitivity[sensitivity >= 0 && sensitivity <= 2 ? sensitivity : 1];
        if (racing::getFieldInt(settings, u"chkGAPIVideo", u"status") > 0 && !GapiDisplay::isDisplayOpen())
        {
            GapiDisplay::open(getHandle(), true, false);
            gapiOpened = GapiDisplay::isDisplayOpen();
        }
    }
    raceTrack.topSpeed = topSpeed;

    // The page fills the frame's client area; template lengths are for a
    // page 320 wide.
    RECT client;
    GetClientRect(app->getHandle(), &client);
    move(0, 0, client.right - client.left, client.bottom - client.top);
    orientation = 0;
    screenScale = float(getClientWidth()) / 320.0f;
    hudFontHeight = std::max(scaleToScreen(17), 11);
    hudFont = CreateFontW(hudFontHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0x20, u"Arial");

    trackName = trackNames[size_t(trackIndex)];
    paintName = paintNames[size_t(paintIndex)];
    size_t colon = racerText_.find(u':');
    racerText = racerText_.substr(0, colon);
    std::u16string second = colon == std::u16string::npos ? std::u16string() : racerText_.substr(colon + 1);
    secondName = second.empty() ? u"N/A" : second;
    raceTrack.wrongWay = false;
    start = {};

    // The race template, with the loading message showing its progress.
    setLoadListener(this);
    loadTemplate((resources + u"GUI\\").c_str(), u"MVCanvas.properties", true);
    mainScene = findScene3D(u"mainScene");
    guiScene = findSpriteScene(u"sceneGUI");
    guiScene2D = findSpriteScene(u"sceneGUI2D");
    if (!mainScene)
    {
        setLoadListener(nullptr);
        racing::showError("The race template \"MVCanvas.properties\" has no 3D scene \"mainScene\".");
        return false;
    }
    if (racing::SceneSprite* message = findSpriteScene(u"sceneMessage"))
        message->visible = 1;
    lightSprite = guiScene ? guiScene->findChild(u"light") : nullptr;
    wrongWaySprite = guiScene2D ? guiScene2D->findChild(u"txtWrongway") : nullptr;
    placeGuiButtons();

    if (!buildTrack(resources + u"scenes", trackName, motocross, exercise))
    {
        setLoadListener(nullptr);
        return false;
    }
    RECT mapRect{getClientWidth() - scaleToScreen(56), getClientHeight() - scaleToScreen(56), getClientWidth(),
                 getClientHeight()};
    trackMap = std::make_unique<racing::TrackMap>(mapRect, track.segmentCount, track.points.data(), true);

    // The bikes: the player's model loaded, the rivals' copies with their own paint.
    BikeScene where;
    where.scene = mainScene;
    where.textures = getTextureDictionary();
    where.vehicleFolder = resources + u"vehicle\\";
    where.motocross = motocross;
    where.hasFume = hasFume;
    where.fumeColour = fumeColour;
    player = std::make_unique<DrawnBike>(&raceTrack, true, where, paintName, u"my", nullptr);
    if (!player->model)
    {
        setLoadListener(nullptr);
        racing::showError("The bike model is missing.");
        return false;
    }
    player->autopilot = exercise ? 1 : 0;
    trackMap->addRacer(&player->motion, true);
    const int paintCount = int(paintNames.size());
    for (int i = 0; i < rivalCount; ++i)
    {
        onLoad(u"Set up motorcycle", nullptr, 100 * (i + 1) / rivalCount);
        int r = paintCount > 1 ? randomInt(1, paintCount - 1) : 0;
        const std::u16string& paint = paintNames[size_t((paintIndex + r) % paintCount)];
        std::u16string prefix = u"rival" + racing::toU16(std::to_string(i));
        auto rival = std::make_unique<DrawnBike>(&raceTrack, false, where, paint, prefix, player->model);
        rival->autopilot = 1;
        trackMap->addRacer(&rival->motion, false);
        racers.push_back(rival.get());
        rivals.push_back(std::move(rival));
    }
    racers.push_back(player.get());
    for (int i = 0; i <= rivalCount; ++i)
        racers[size_t(i)]->place(0.0f, racing::gridSegment(i, rivalCount, track.segmentCount, exercise), 0.0f);

    mainScene->initView(getZoom(), this, true);
    for (DrawnBike* bike : racers)
    {
        bike->measure(motocross);
        bike->update(0.0f);
    }

    camera = &mainScene->camera;
    sky.camera = camera;
    Vector3 eye(0.0f, 30.0f, 200.0f);
    player->motion.orientation.transformPointTo(eye, eye);
    camera->setPositionVector(eye);
    camera->setTargetVector(player->motion.position);
    setCameraPreset(-1);

    setLoadListener(nullptr);
    if (racing::SceneSprite* message = findSpriteScene(u"sceneMessage"))
        message->visible = 0;
    isPrepared = true;
    return true;
}

void RaceCanvas::onLoad(const WCHAR* text, const WCHAR*, int percent)
{
    racing::drawProgressBar(*this, text, percent);
}

void RaceCanvas::placeGuiButtons()
{
    if (!guiScene)
        return;
    racing::Sprite* exit = guiScene->findChild(u"btnExitRacing");
    racing::Sprite* fps = guiScene->findChild(u"fpsButton");
    const int w = getClientWidth(), h = getClientHeight();
    if (orientation == 0 && exit)
        exit->setPosition(w - exit->width, 0);
    // The frame-rate button stays clear of the HUD line, bottom left.
    if (orientation == 0 && fps)
        fps->setPosition(0, h - fps->height);
    else if (orientation == 1 && fps)
        fps->setPosition(w - fps->width, 0);
    else if (orientation == 2)
    {
        if (fps)
            fps->setPosition(0, h - fps->height);
        if (exit)
            exit->setPosition(w - exit->width, h - exit->height);
        if (lightSprite)
            lightSprite->setPosition(w - 8 - lightSprite->width, 8);
    }
}

void RaceCanvas::placeCameraBehind(float distance)
{
    Vector3 behind(0.0f, 1.0f, distance);
    player->motion.orientation.transformPointTo(behind, behind);
    camera->setPositionVector(behind);
}

void RaceCanvas::setCameraPreset(int preset)
{
    struct Preset
    {
        int mode;
        float distance, smoothing, x, y, z;
    };
    static const Preset kPresets[9] = {
        {6, 40.0f, 70.0f, 0, 0.1f, -0.9f},     {6, 25.0f, 70.0f, 0, 0.1f, -0.9f},    {6, 30.0f, 20.0f, 0, 0.1f, 0.8f},
        {1, 30.0f, 20.0f, -0.7f, 0.1f, -0.8f}, {1, 30.0f, 20.0f, 0.7f, 0.1f, -0.8f}, {1, 30.0f, 20.0f, -0.7f, 0.1f, 0.8f},
        {1, 30.0f, 20.0f, 0.7f, 0.1f, 0.8f},   {6, 30.0f, 20.0f, 0, 0.4f, -0.5f},    {0, 100.0f, 95.0f, 0, -0.1f, -0.9f},
    };
    if (!player || !camera)
        return;
    player->visible = 1;
    if (player->model)
        player->model->visible = 1;
    if (player->shadow)
        player->shadow->visible = 1;
    camera->setFov(45.0f);
    if (preset < -1 || preset > 7 || !player->model)
        return;
    if (preset == -1)
        placeCameraBehind(-100.0f);
    const Preset& p = kPresets[preset + 1];
    Vector3 offset(p.x, p.y, p.z);
    camera->follow(p.mode, &player->model->matrix, p.distance, p.smoothing, offset);
}

void RaceCanvas::onMouse(UINT message, WPARAM keys, int x, int y, int phase)
{
    Canvas::onMouse(message, keys, x, y, phase);
    if (phase != 1 || message != WM_LBUTTONUP || !isPrepared)
        return;
    racing::Sprite* pressed = getPressedSprite();
    if (!pressed)
        return;
    const std::u16string_view name(pressed->name);
    if (name == u"btnExitRacing")
    {
        if (running)
            finishRace(0);
    }
    else if (name == u"fpsButton")
        PostMessageW(getHandle(), WM_KEYUP, VK_TAB, 0);
}

void RaceCanvas::handleControls(float dt)
{
    const uint32_t keys = getKeyBits();
    if (!player->autopilot && !player->motion.falling)
    {
        player->steer(racing::steeringOf(keys), dt);
        const racing::Pedal pedal = racing::pedalOf(keys);
        if (pedal == racing::Pedal::Throttle)
            player->accelerate(dt);
        else if (pedal == racing::Pedal::Brake)
            player->brake(dt);
        else if (std::fabs(player->motion.speed) < 10.0f)
            player->motion.speed = 0.0f;
    }
    lastKeyBits = keys;
    const int preset = racing::racePageKey(takeReleasedKey(), showFrameRate, frameTimer);
    if (preset >= 0)
        setCameraPreset(cameraPreset = preset);
}

void RaceCanvas::resolveCollisions()
{
    racing::resolveCollisions(racers, track, raceTrack.wrongWay ? -12.0f : 12.0f,
                              [](DrawnBike& a, DrawnBike& b) { a.collisionTimer = b.collisionTimer = 1.0f; });
}

void RaceCanvas::applyVisibleWindow()
{
    racing::applyVisibleWindow(window, track.segmentCount, {trackMesh, wallMesh});
}

void RaceCanvas::updateVisibleWindow()
{
    int s = player->segment;
    Vector3 ahead, look;
    ahead.setDifference(player->nextPoint, player->point);
    const Matrix4& view = camera->getViewMatrix();
    // The camera's forward axis in world space is the view's third row.
    look.set(view.m[8], view.m[9], view.m[10]);
    bool facingBack = ahead.dot(look) <= 0.0f;
    // Behind the player the road reaches back under the camera: two segments
    // and those of the follow distance (on short segments two fall short of
    // the camera and the screen's bottom rows would show no road).
    const int behind = 2 + (track.segmentLength > 0.0f ? int(camera->distance / track.segmentLength) : 0);
    window.update(s, facingBack, track.visibleAhead, track.segmentCount, behind);
    applyVisibleWindow();
    if (s != lastRacerSegment || facingBack != lastFacingBack)
        racing::showBoardsInWindow(billboards, window);
    lastRacerSegment = s;
    lastFacingBack = facingBack;
}

void RaceCanvas::update(float dt)
{
    if (!isPrepared)
        return;
    if (running)
        handleControls(dt);
    resolveCollisions();
    for (auto& rival : rivals)
        rival->update(dt);
    player->update(dt);
    camera->updateFollow(dt);
    // The camera stays low over the player.
    if (camera->position.y > player->motion.position.y + 10.0f)
        camera->setPosition(camera->position.x, player->motion.position.y + 10.0f, camera->position.z);
    updateVisibleWindow();
}

void RaceCanvas::afterFrame(float dt)
{
    if (!isPrepared)
        return;
    HDC dc = backBufferDC();
    if (trackMap)
        trackMap->draw(dc);
    if (running)
    {
        app->raceTime += dt;
        racing::LapEvent event = laps.pass(player->segment, raceTrack.wrongWay);
        if (event == racing::LapEvent::Finished)
        {
            finishRace(app->exercise ? 2 : 1);
            return;
        }
    }
    drawHud(dc);
}

void RaceCanvas::finishRace(int status)
{
    racing::finishRacePage(*this, *app, status);
}

void RaceCanvas::onPeriod(float)
{
    if (!isPrepared)
        return;
    if (showFrameRate)
    {
        frameRateShown = frameTimer.fpsExact;
        frameRateSum += frameTimer.fpsExact;
        ++frameRateCount;
    }
    if (wrongWaySprite)
        wrongWaySprite->visible = raceTrack.wrongWay ? 1 : 0;
    const racing::RaceStart::Period step = start.period(running, app->exercise);
    if (step.light && lightSprite && trafficLights[step.light])
        lightSprite->setImages(trafficLights[step.light], nullptr, nullptr, nullptr, -1, -1, -1, -1);
    if (step.whistle >= 0)
        if (WaveSound* whistle = getTemplateLoader().findSound(step.whistle ? u"whistle1" : u"whistle0"))
            whistle->play(getHandle());
    if (step.starts)
    {
        running = true;
        raceTrack.running = true;
        setCameraPreset(cameraPreset);
    }
    if (step.nextCamera)
        setCameraPreset(cameraPreset = (cameraPreset + 1) % cameraPresetCount);
    if (step.lightsOut)
    {
        if (lightSprite)
            lightSprite->visible = 0;
        frameTimer.windowMs = 2000;
        if (app->music)
            if (WaveSound* music = getTemplateLoader().findSound(u"track.music"))
                music->playLooped(getHandle(), -1);
    }
}

std::string RaceCanvas::hudText(float lapFigure, float raceTime, float speed)
{
    int minutes = int(raceTime * (1.0f / 60.0f));
    float seconds = raceTime - float(minutes) * 60.0f;
    int shown = std::abs(int(speed * 1.26f));
    char text[64];
    std::snprintf(text, sizeof text, "LAP:%1.1f TM:%02d:%2.1f V:%03dkm", double(lapFigure), minutes, double(seconds),
                  shown);
    return text;
}

} // namespace moravel
