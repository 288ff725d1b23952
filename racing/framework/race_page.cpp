// race_page.cpp -- the race page: set-up from the race template, the frame
// step, start lights, controls, collisions, camera presets, laps and the end
// of the race
#include "racing/framework/race_page.h"

#include "racing/framework/progress_bar.h"
#include "racing/framework/race_controls.h"
#include "racing/framework/racing_app.h"
#include "racing/framework/restart_command.h"
#include "racing/framework/track_keys.h"

#include "racing/engine/base_library.h"
#include "racing/engine/render_target.h"
#include "racing/engine/scene3d.h"
#include "racing/engine/sprite.h"
#include "racing/engine/template_loader.h"

#include "engine/base/math_utils.h"
#include "engine/base/properties.h"
#include "engine/platform/gapi_display.h"
#include "engine/platform/system_utils.h"
#include "engine/platform/wave_sound.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/sound_dictionary.h"
#include "engine/scene/core/texture.h"

#include <os/windows.h>

#include <algorithm>
#include <cmath>

namespace racing {

RacePage::RacePage(RacingApp* app_, const RaceStyle& style_, const std::u16string& resources_)
    : Canvas(u"gameCanvas"), style(style_), app(app_), resources(resources_)
{
    if (resources.empty())
        resources = resourcesFolder();
    frameTimer.mode = FrameTimer::Capped;
    frameTimer.targetFps = 8;
    frameTimer.windowMs = 1000;
    progressBarColor = style.barColour;
}

RacePage::~RacePage()
{
    teardown();
}

void RacePage::onDestroy()
{
    teardown();
    Canvas::onDestroy();
}

void RacePage::teardown()
{
    if (getSoundDictionary())
        getSoundDictionary()->stopAll();
    if (gapiDisplayOpened || gapiInputOpened)
    {
        GapiDisplay::close();
        gapiDisplayOpened = gapiInputOpened = false;
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
    player = nullptr;
    ownRacers.clear();
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

bool RacePage::prepare(const std::vector<std::u16string>& vehicles, int vehicleIndex,
                       const std::vector<std::u16string>& tracks, int trackIndex, const std::u16string& racerText_)
{
    running = false;
    if (vehicleIndex < 0 || vehicleIndex >= int(vehicles.size()) || trackIndex < 0 ||
        trackIndex >= int(tracks.size()))
        return false;

    // Settings: a sensitivity outside the three choices (or missing) is the
    // middle one. GAPI output only when its box is checked (a missing entry
    // reads -1: off); GAPI input always: the device's buttons are the
    // pedals.
    {
        Properties settings;
        settings.load((resources + u"GUI").c_str(), u"gsetting.properties");
        const int sensitivity = getFieldInt(settings, u"strSensitivity", u"selected");
        raceTrack.steerSensitivity = style.sensitivities[sensitivity >= 0 && sensitivity <= 2 ? sensitivity : 1];
        readSettings(settings);
        const bool video = getFieldInt(settings, u"chkGAPIVideo", u"status") > 0 && !GapiDisplay::isDisplayOpen();
        const bool input = !GapiDisplay::isInputOpen();
        if (video || input)
        {
            GapiDisplay::open(getHandle(), video, input);
            gapiDisplayOpened = video && GapiDisplay::isDisplayOpen();
            gapiInputOpened = input && GapiDisplay::isInputOpen();
        }
    }

    // The page: the screen's width from 44 down, 76 rows short of its
    // height (the device's title and menu bars). Template lengths are for a
    // page 320 wide (240 turned).
    setZoom(1.0f);
    int screenX = 0, screenY = 0, screenWidth = 240, screenHeight = 320;
    getScreenRect(&screenX, &screenY, &screenWidth, &screenHeight);
    const int marginFactor = 0;
    const int x = screenWidth / 16 * marginFactor, y = screenHeight / 16 * marginFactor + 44;
    move(x, y, screenWidth - 2 * x, screenHeight - 2 * y + 12);
    screenScale = float(getClientWidth()) / (orientation == 0 ? 320.0f : 240.0f);
    hudFontHeight = std::max(scaleToScreen(17), 11);
    hudFont = CreateFontW(hudFontHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0x20, u"Arial");

    trackName = tracks[size_t(trackIndex)];
    vehicleName = vehicles[size_t(vehicleIndex)];
    const size_t colon = racerText_.find(u':');
    racerText = racerText_.substr(0, colon);
    const std::u16string second = colon == std::u16string::npos ? std::u16string() : racerText_.substr(colon + 1);
    secondName = second.empty() ? u"N/A" : second;
    raceTrack.wrongWay = false;
    start = {};

    // The race template, with the loading message showing its progress.
    if (Properties probe; !probe.load((resources + u"GUI\\").c_str(), style.templateName))
    {
        showMissing(resources + u"GUI\\" + style.templateName);
        return false;
    }
    setLoadListener(this);
    loadTemplate((resources + u"GUI\\").c_str(), style.templateName, true);
    mainScene = findScene3D(u"mainScene");
    guiScene = findSpriteScene(u"sceneGUI");
    guiScene2D = findSpriteScene(u"sceneGUI2D");
    auto fail = [&](const std::string& message) {
        setLoadListener(nullptr);
        if (!message.empty())
            showError(message.c_str());
        return false;
    };
    if (!mainScene)
        return fail("The race template \"" + toAscii(style.templateName) + "\" has no 3D scene \"mainScene\".");
    showSceneMessage(*this, u"Loading", 0);
    lightSprite = guiScene ? guiScene->findChild(u"light") : nullptr;
    wrongWaySprite = guiScene2D ? guiScene2D->findChild(u"txtWrongway") : nullptr;
    placeGuiButtons();

    if (!buildTrack(resources + u"scenes", trackName))
        return fail("");
    // Until the first frame the road is drawn whole, as the window stands.
    roadWindow = window;
    applyVisibleWindow();
    const int m = scaleToScreen(56), w = getClientWidth(), h = getClientHeight();
    const RECT mapRect = orientation == 0   ? RECT{w - m, h - m, w, h}
                         : orientation == 1 ? RECT{w - m, 0, w, m}
                                            : RECT{0, 0, m, m};
    trackMap = std::make_unique<TrackMap>(mapRect, track.segmentCount, track.points.data(), true);

    if (!buildRacers(vehicles, vehicleIndex))
        return fail("The vehicle cannot be loaded.");
    const int spacing = app->exercise ? style.exerciseGridSpacing : style.gridSpacing;
    const int last = int(racers.size()) - 1;
    for (int i = 0; i <= last; ++i)
        racers[size_t(i)]->place(0.0f, gridSegmentSpaced(i, last, track.segmentCount, spacing));

    buildScenes3D(true);
    for (Racer* racer : racers)
        racer->measure();

    camera = &mainScene->camera;
    sky.camera = camera;
    shiftProjectionCentre();
    Vector3 eye(0.0f, 30.0f, 200.0f);
    player->motion.orientation.transformPointTo(eye, eye);
    camera->setPositionVector(eye);
    camera->setTargetVector(player->motion.position);
    setCameraPreset(-1);

    setLoadListener(nullptr);
    showSceneMessage(*this, nullptr, 0);
    isPrepared = true;
    return true;
}

bool RacePage::buildRacers(const std::vector<std::u16string>& vehicles, int vehicleIndex)
{
    std::unique_ptr<Racer> own = makeRacer(vehicles[size_t(vehicleIndex)], u"my", true);
    if (!own || !own->model)
        return false;
    player = own.get();
    player->autopilot = app->exercise ? 1 : 0;
    ownRacers.push_back(std::move(own));
    trackMap->addRacer(&player->motion, true);
    // The rivals: other vehicles of the list (never the player's when
    // there are others).
    const int count = int(vehicles.size());
    for (int i = 0; i < rivalCount; ++i)
    {
        onLoad(style.racerProgress, nullptr, 100 * (i + 1) / rivalCount);
        const int r = count > 1 ? randomInt(1, count - 1) : 0;
        std::unique_ptr<Racer> rival = makeRacer(vehicles[size_t((vehicleIndex + r) % count)],
                                                 u"rival" + toU16(std::to_string(i)), false);
        if (!rival || !rival->model)
            continue;
        rival->autopilot = 1;
        trackMap->addRacer(&rival->motion, false);
        racers.push_back(rival.get());
        ownRacers.push_back(std::move(rival));
    }
    racers.push_back(player);
    return true;
}

void RacePage::onLoad(const WCHAR* text, const WCHAR*, int percent)
{
    drawProgressBar(*this, text, percent);
}

void RacePage::placeGuiButtons()
{
    if (!guiScene)
        return;
    Sprite* exit = guiScene->findChild(u"btnExitRacing");
    Sprite* fps = guiScene->findChild(u"fpsButton");
    const int w = getClientWidth(), h = getClientHeight();
    if (orientation == 0 && exit)
        exit->setPosition(w - exit->width, 0);
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

void RacePage::shiftProjectionCentre()
{
    // The racer stands low on the picture: the centre of the projection
    // moves down (or sideways in the turned layouts) by the game's shift
    // for a page of the frame's height.
    const int frameHeight = std::max(app->getClientHeight(), 1);
    projectionShift =
        int(scaleToScreenF(getZoom() * (float(getClientHeight()) / float(frameHeight)) * style.projectionShift));
    if (orientation == 0)
    {
        camera->halfHeight += projectionShift;
        return;
    }
    for (SceneSprite* scene : {guiScene, guiScene2D})
        if (scene && scene->getTarget())
            scene->getTarget()->orientation = uint8_t(orientation);
    mainScene->renderer.getTarget()->orientation = uint8_t(orientation);
    camera->halfWidth -= (2 * orientation - 3) * projectionShift;
}

void RacePage::placeCameraBehind(float distance)
{
    Vector3 behind(0.0f, 1.0f, distance);
    player->motion.orientation.transformPointTo(behind, behind);
    camera->setPositionVector(behind);
}

void RacePage::setCameraPreset(int preset)
{
    if (!player || !camera)
        return;
    player->showModel();
    camera->setFov(45.0f);
    if (preset < -1 || preset > 7 || !player->model)
        return;
    if (preset == -1)
        placeCameraBehind(-100.0f);
    const CameraPreset& p = style.presets[preset + 1];
    Vector3 offset(p.x, p.y, p.z);
    camera->follow(p.mode, &player->model->matrix, p.distance, p.smoothing, offset);
}

void RacePage::onMouse(UINT message, WPARAM keys, int x, int y, int phase)
{
    Canvas::onMouse(message, keys, x, y, phase);
    if (phase != 1 || message != WM_LBUTTONUP || !isPrepared)
        return;
    Sprite* pressed = getPressedSprite();
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

void RacePage::handleControls(float dt)
{
    const uint32_t keys = getKeyBits();
    if (!player->autopilot && !player->motion.falling)
    {
        const RaceKeys held = raceKeys(keys, orientation);
        player->steer(held.steering, dt);
        if (held.pedal == Pedal::Throttle)
            player->accelerate(dt);
        else if (held.pedal == Pedal::Brake)
            player->brake(dt);
        else
            player->coast(dt);
    }
    lastKeyBits = keys;
    const int preset = racePageKey(takeReleasedKey(), showFrameRate, frameTimer);
    if (preset >= 0)
        setCameraPreset(cameraPreset = preset);
}

void RacePage::resolveCollisions()
{
    racing::resolveCollisions(racers, track, raceTrack.wrongWay ? -style.collisionSpeed : style.collisionSpeed,
                              [](Racer& a, Racer& b) {
                                  a.onCollision();
                                  b.onCollision();
                              });
}

void RacePage::applyVisibleWindow()
{
    racing::applyVisibleWindow(roadWindow, track.segmentCount, {trackMesh, wallMesh});
}

void RacePage::updateVisibleWindow()
{
    const int s = player->segment;
    Vector3 ahead, look;
    ahead.setDifference(player->nextPoint, player->point);
    const Matrix4& view = camera->getViewMatrix();
    // The camera's forward axis in world space is the view's third row.
    look.set(view.m[8], view.m[9], view.m[10]);
    const bool facingBack = ahead.dot(look) <= 0.0f;
    window.update(s, facingBack, track.visibleAhead, track.segmentCount);
    // The road reaches back under the camera however far it follows: two
    // segments behind alone leave the background in the page's bottom rows.
    // The racers and boards keep to the window (what a rival does depends on
    // it).
    const int behind = segmentsBehindToCamera(track.points.data(), int(track.points.size()), s, facingBack, view,
                                              mainScene->environment.frontClip);
    roadWindow.update(s, facingBack, track.visibleAhead, track.segmentCount, behind);
    applyVisibleWindow();
    if (s != lastRacerSegment || facingBack != lastFacingBack)
        showBoardsInWindow(billboards, window);
    lastRacerSegment = s;
    lastFacingBack = facingBack;
}

void RacePage::update(float dt)
{
    if (!isPrepared)
        return;
    if (running)
        handleControls(dt);
    resolveCollisions();
    for (Racer* racer : racers)
        if (racer != player)
            racer->update(dt);
    player->update(dt);
    camera->updateFollow(dt);
    // The camera stays low over the player.
    if (camera->position.y > player->motion.position.y + 10.0f)
        camera->setPosition(camera->position.x, player->motion.position.y + 10.0f, camera->position.z);
    updateVisibleWindow();
    fadeNearPuffs();
}

void RacePage::fadeNearPuffs()
{
    const Matrix4& view = camera->getViewMatrix();
    auto depthOf = [&](const Vector3& at) {
        return view.m[8] * at.x + view.m[9] * at.y + view.m[10] * at.z + view.m[11];
    };
    // Three quarters of the way from the player to the camera, or twice the
    // near plane's distance when the camera is closer.
    const float nearPlane = mainScene->environment.frontClip;
    const float clear = std::max(2.0f * nearPlane, 0.75f * depthOf(player->motion.position));
    for (Racer* racer : racers)
        for (auto& exhaust : racer->fume.puffs)
            for (ExhaustPuff& puff : exhaust)
            {
                if (!puff.object || !puff.object->visible || !puff.chipMaterial)
                    continue;
                const float depth = depthOf(puff.base.position);
                if (depth >= clear)
                    continue;
                const float near = std::clamp((clear - depth) / (clear - nearPlane), 0.0f, 1.0f);
                int32_t& t = puff.chipMaterial->transparency;
                t = std::max(t, int32_t(float(t) + float(255 - t) * near));
            }
}

void RacePage::afterFrame(float dt)
{
    if (!isPrepared)
        return;
    HDC dc = backBufferDC();
    if (trackMap)
        trackMap->draw(dc);
    if (running)
    {
        app->raceTime += dt;
        // A racer rolling backwards over a checkpoint may not take it.
        if (!style.forwardCheckpoints || player->motion.speed > 0.0f)
            if (laps.pass(player->segment, raceTrack.wrongWay) == LapEvent::Finished)
            {
                finishRace(app->exercise ? 2 : 1);
                return;
            }
    }
    drawHud(dc);
    drawFrameRate(dc);
}

void RacePage::finishRace(int status)
{
    finishRacePage(*this, *app, status);
}

void RacePage::onPeriod(float)
{
    if (!isPrepared)
        return;
    // The frame rate of the window just closed, shown until the next
    // closes, and summed for the race's average while it is shown.
    frameRateShown = frameTimer.fpsExact;
    if (showFrameRate)
    {
        frameRateSum += frameRateShown;
        ++frameRateCount;
    }
    if (wrongWaySprite)
        wrongWaySprite->visible = raceTrack.wrongWay ? 1 : 0;
    const RaceStart::Period step = start.period(running, app->exercise);
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

} // namespace racing
