// game_canvas.cpp -- building a single-player flight, its frame, drawing
// and periodic duties
#include "games/skyrend/game_canvas.h"

#include "games/skyrend/console_panel.h"
#include "games/skyrend/head_up_display.h"
#include "games/skyrend/main_screen.h"
#include "games/skyrend/multiplayer/client_session.h"
#include "games/skyrend/pilots.h"
#include "games/skyrend/screen_services.h"
#include "games/skyrend/flight/aircraft.h"
#include "games/skyrend/flight/flight_constants.h"
#include "games/skyrend/flight/missile.h"
#include "games/skyrend/flight/particles.h"
#include "games/skyrend/flight/scene_parts.h"

#include "engine/base/math_utils.h"
#include "engine/base/properties.h"
#include "engine/platform/gapi_display.h"
#include "engine/platform/gdi_draw.h"
#include "engine/platform/wave_sound.h"
#include "engine/scene/3d/camera.h"
#include "engine/scene/3d/environment.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/light.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/3d/model_library.h"
#include "engine/scene/core/sound_dictionary.h"
#include "engine/scene/core/texture_dictionary.h"
#include "engine/scene/scenes/scene3d.h"

#include <os/wstring.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string_view>
#include <vector>

namespace skyrend {

namespace {

constexpr float kSceneRadius = 1400.0f;
// The flight's frame rate target: it caps a frame's step (and the window
// of the rate shown is 600 ms).
constexpr int kFlightFps = 10;

// Width (x) and depth (z) of a layer that scrolls its picture; the scene's
// size for a missing or flat one.
struct Extent
{
    float width, depth;
};

Extent extentOf(const Mesh* mesh)
{
    Extent e{2.0f * kSceneRadius, 2.0f * kSceneRadius};
    if (!mesh || mesh->vertexCount() == 0)
        return e;
    Vector3 lo, hi;
    mesh->getBounds(lo, hi);
    if (hi.x - lo.x > 0.0f)
        e.width = hi.x - lo.x;
    if (hi.z - lo.z > 0.0f)
        e.depth = hi.z - lo.z;
    return e;
}

uint32_t colourOf(Properties* templ, const WCHAR* key, uint32_t fallback)
{
    Vector3 v;
    const WCHAR* text = templ ? templ->get(key) : nullptr;
    if (!text || !parseVector3(text, v))
        return fallback;
    auto ch = [](float f) { return uint32_t(std::clamp(int(f), 0, 255)); };
    return packRGB(ch(v.x), ch(v.y), ch(v.z));
}

} // namespace

GameCanvas::GameCanvas(const std::u16string& resourcesFolder) : Canvas(u"gameCanvas", true), resources(resourcesFolder)
{
    setProgressBarColor(packRGB(100, 130, 150));
}

GameCanvas::~GameCanvas()
{
    release();
}

void GameCanvas::release()
{
    hud.reset();
    // The aircraft go before the scenes that hold their models.
    delete playerCraft;
    playerCraft = nullptr;
    for (Aircraft* a : others)
        delete a;
    others.clear();
    crew.clear();
    for (ExplosionEffect* e : explosions)
        delete e;
    explosions.clear();
    for (SplashEffect* s : splashes)
        delete s;
    splashes.clear();
    if (directDisplay)
        GapiDisplay::close();
    directDisplay = false;
    controls.hardwareButtons = false;
    built = false;
}

void GameCanvas::onCreate()
{
    frameTimer.windowMs = 600;
    frameTimer.targetFps = kFlightFps;
    // A single-player flight runs as fast as it draws, each step capped at
    // a tenth of a second; a group's flight only measures (the server's
    // states pace it).
    frameTimer.mode = FrameTimer::Capped;
    frameTimer.delayMs = 0;
    frameRateShown = false;
    period = 0;
}

void GameCanvas::afterDestroy()
{
    release();
    Canvas::afterDestroy();
}

Camera* GameCanvas::flightCamera()
{
    return mainScene ? mainScene->camera : nullptr;
}

int GameCanvas::aircraftCount() const
{
    return (playerCraft ? 1 : 0) + int(others.size());
}

Aircraft* GameCanvas::aircraftAt(int i) const
{
    if (playerCraft)
    {
        if (i == 0)
            return playerCraft;
        --i;
    }
    return others[size_t(i)];
}

bool GameCanvas::buildMission(const Mission& mission)
{
    release();
    error.clear();
    exercise = mission.exercise;
    replaceDowned = mission.replaceDowned;
    mixing = mission.hardwareMixing;
    multiplayer = mission.multiplayer;
    planeFiles = mission.planes;
    MissionStart start;
    // No plane (or no scene, or no member) to fly: refused before anything is built.
    if (mission.scene.empty() || (multiplayer && mission.members.empty()) ||
        !placeMission(mission.plane, int(mission.planes.size()), exercise, start))
    {
        error = u"There is no plane or no scene to fly.";
        return false;
    }
    // The direct display: presents go straight to the screen, the device's
    // buttons report their own keys (Start launches).
    if (mission.directVideo || mission.directButtons)
    {
        GapiDisplay::open(getHandle(), mission.directVideo, mission.directButtons);
        directDisplay = true;
        controls.hardwareButtons = GapiDisplay::isInputOpen();
        controls.startKey = GapiDisplay::keyStart();
    }
    const std::u16string gui = resources + u"GUI\\";
    if (!loadTemplate(gui.c_str(), u"SRCanvas.properties", true))
    {
        error = u"Can not load the flight screen.";
        return false;
    }
    // The bar shows while the scene, the constants and the aircraft load.
    struct Listening
    {
        GameCanvas& canvas;
        ~Listening() { canvas.setLoadListener(nullptr); }
    } listening{*this};
    setLoadListener(this);
    mainScene = dynamic_cast<Scene3D*>(findScene(u"mainScene"));
    dashScene = findScene(u"dashScene");
    indicator = dynamic_cast<Group3D*>(findComponent(u"enemyindicator"));
    if (!mainScene || !mainScene->camera)
    {
        error = u"The flight screen has no 3D scene.";
        return false;
    }
    if (indicator)
        if (Mesh* arrow = indicator->findObject(u"arrow"))
        {
            arrow->visible = 0;
            if (arrow->material)
                arrow->material->color = 0xFFFF00;
        }
    if (!loadScene(mission.scene, mission.skyDome))
        return false;
    const std::u16string aircraftFolder = resources + u"aircraft\\";
    loadFlightConstants(aircraftFolder.c_str());
    // Two explosions and one splash for each aircraft; a group's pools grow
    // as members enter.
    const int flyers = multiplayer ? int(mission.members.size()) : kEnemies + 1;
    buildEffectPools(*this, this, aircraftFolder.c_str(), flyers * 2, flyers);

    Camera* camera = mainScene->camera;
    camera->setPosition(0.0f, 260.0f, 0.0f);
    camera->setFov(55.0f);
    // The chase view trails the aircraft as it would at the flight's 10
    // frames a second, at any frame rate.
    camera->smoothingStep = 1.0f / float(kFlightFps);
    if (multiplayer)
    {
        // The server's states pace a group's flight: the frames only measure.
        frameTimer.mode = FrameTimer::MeasureOnly;
        frameTimer.delayMs = 0;
        if (!placeGroup(mission))
            return false;
    }
    else
    {
        playerCraft = createAircraft(mission.planes[size_t(mission.plane)], u"my", start.player, 0.0f, true);
        playerCraft->flight.setPitchRate(0.4f);
    }
    for (int i = 0; i < kEnemies && !multiplayer; ++i)
    {
        const std::u16string name = u"foe" + os::to_u16(std::to_string(i));
        Aircraft* enemy = createAircraft(mission.planes[size_t(start.enemyPlane)], name.c_str(), start.enemies[i],
                                         start.enemyTurns[i], false);
        enemy->target = playerCraft;
        enemy->aiEnabled = 1;
        others.push_back(enemy);
    }
    if (panel)
    {
        panel->setPlayer(playerCraft);
        for (Aircraft* a : others)
            panel->addTarget(a);
    }
    const RECT area{scaleToScreen(45), scaleToScreen(55), scaleToScreen(195), scaleToScreen(145)};
    Image* back = getBackBufferImage();
    hud = std::make_unique<HeadUpDisplay>(area, back ? back->dc : nullptr, hudColour, &playerCraft->flight);
    hud->speed.factor = 40.0f;
    hud->altitude.factor = 20.0f;
    playerCraft->setView(8);
    if (WaveSound* loop = findSound(u"engine"))
        loop->playLooped(getHandle(), -1);
    result = Outcome::Flying;
    built = true;
    return true;
}

bool GameCanvas::loadScene(const std::u16string& name, bool skyDome)
{
    const std::u16string folder = resources + u"scenes\\";
    const std::u16string common = folder + u"common\\";
    world = getModelLibrary()->load(common.c_str(), u"envglobe.3ds", kSceneRadius, getTextureDictionary(), nullptr,
                                    nullptr, common.c_str());
    if (!world)
    {
        error = u"Can not load the scene's sky and ground.";
        return false;
    }
    world->setDetailLevel(1);
    world->frontClip = 10.0f;
    world->cullingPolicy = 0;
    world->backClip = kSceneRadius + 20.0f;
    Mesh* sky = world->findObject(u"envglobe");
    Mesh* ground = world->findObject(u"basis");
    if (sky)
    {
        sky->noNearClip = 1;
        sky->environmentEnabled = 0;
    }
    if (ground)
    {
        ground->noNearClip = 1;
        ground->environmentEnabled = 1;
    }
    TextureDictionary* textures = getTextureDictionary();
    skyTexture = textures->load(folder.c_str(), (name + u"_skydome.jpg").c_str(), true, false);
    if (Material* m = world->findMaterial(u"envglobe"))
        m->texture = skyTexture;
    basisMaterial = world->findMaterial(u"basis");
    if (basisMaterial)
        basisMaterial->texture = textures->load(folder.c_str(), (name + u"_basis.jpg").c_str(), true, false);
    if (sky)
    {
        Vector3 lo, hi;
        sky->getBounds(lo, hi);
        world->matrix.setTranslationXYZ(0.0f, -lo.y, 0.0f);
    }
    if (!loadTemplate(folder.c_str(), (name + u".properties").c_str(), false))
    {
        delete world;
        world = nullptr;
        error = u"Can not load the scene " + name + u".";
        return false;
    }
    mainScene->addChild(u"scene", world);
    mainScene->addLight(u"light1", new Light(Vector3(-0.5f, -0.6f, 0.1f), 0xFFFFFF, 0xFFFFFF, 320, 120));
    Properties* templ = getTemplate();
    mainScene->environment->ambient = colourOf(templ, u"env.ambientColor", 0x606060);
    mainScene->environment->setClipPlanes(2.0f, 30000.0f);
    const WCHAR* waterText = templ->get(u"scene.basisIsWater");
    water = waterText && _wtol(waterText) != 0;
    hudColour = colourOf(templ, u"HUDColor", 0x00FF00);
    const uint32_t skyColour = colourOf(templ, u"env.skyColor", 0x80A0D0);
    // Under the dome the haze keeps the fog's own colour.
    auto* fog = new Fog();
    fog->front = 1150;
    fog->back = 1370;
    if (!skyDome)
        fog->color = skyColour;
    mainScene->setFog(fog);
    clouds = nullptr;
    if (!skyDome && sky)
    {
        // The sky colour and a cloud layer at 1000 take the dome's place.
        delete world->removeObject(u"envglobe");
        mainScene->bkgColor = skyColour;
        if (loadTemplate(common.c_str(), u"sceneCloud.properties", false))
            clouds = dynamic_cast<Group3D*>(findComponent(u"cloud"));
        if (clouds)
        {
            clouds->matrix.setTranslationXYZ(0.0f, 1000.0f, 0.0f);
            clouds->cullingPolicy = 0;
            if (Mesh* layer = clouds->findObject(u"cloud"))
            {
                layer->noNearClip = 1;
                if (layer->material)
                    layer->material->mask = textures->load(folder.c_str(), u"common\\cloudalf.jpg", true, false);
            }
        }
    }
    else
    {
        // The dome's group is drawn only to its radius + 20: from high up
        // the ground near its rim lies beyond that, and a pixel drawn by
        // nothing would keep the frame before. The frame starts in the
        // fog's colour, which the ground shows at that distance anyway.
        mainScene->bkgColor = fog->color;
    }
    mainScene->updateLighting();
    mainScene->loadClipRange();
    return true;
}

Aircraft* GameCanvas::createAircraft(const std::u16string& plane, const WCHAR* pilotName, const Vector3& at, float turn,
                                     bool isPlayer)
{
    const std::u16string folder = resources + u"aircraft\\";
    auto* a = new Aircraft(folder.c_str(), plane.c_str(), pilotName, this, isPlayer, true);
    a->place(at.x, at.y, at.z, turn, 800.0f);
    return a;
}

void GameCanvas::update(float dt)
{
    if (!built || dt <= 0.0f)
        return;
    playerCraft->update(dt);
    for (auto it = others.rbegin(); it != others.rend(); ++it)
        (*it)->update(dt);
    if (indicator)
    {
        Vector3 point(0.0f, -0.5f, 7.0f);
        playerCraft->flight.orientation.transformPoint(point);
        indicator->matrix.setTranslation(point);
    }
    for (ExplosionEffect* e : explosions)
        if (e->active)
            e->update(dt);
    for (SplashEffect* s : splashes)
        if (s->active)
            s->update(dt);
    Camera* camera = mainScene->camera;
    if (playerCraft->state == Aircraft::Down && camera->getFollowMode() != 5)
    {
        playerCraft->state = Aircraft::Flying;
        playerCraft->setView(6);
        playerCraft->setView(8);
        playerCraft->state = Aircraft::Down;
    }
    camera->updateFollow(dt);
    keepEyeOffModel();
    const float floor = aircraftConstants().dangerousAltitude + 8.0f;
    if (camera->position.y < floor)
        camera->setPosition(camera->position.x, floor, camera->position.z);
    Canvas* keys = screen ? static_cast<Canvas*>(screen) : this;
    const int32_t keyBits = keys->getKeyBits();
    const int released = keys->takeReleasedKey();
    controls.multiplayer = multiplayer;
    const CockpitControls::Effects effects = controls.apply(*playerCraft, panel, keyBits, released, dt);
    if (link)
    {
        // The server flies the player's aircraft: the keys go to it with the
        // next answer to its states.
        mp::Controls sent;
        sent.keyBits = keyBits;
        sent.keyCode = playerCraft->state == Aircraft::Flying && released > 0 ? released : 0;
        sent.station = panel ? panel->selectedStation() : 0;
        sent.flaresInAir = consoleFlares();
        sent.chaffInAir = consoleChaff();
        link->setControls(sent);
    }
    if (effects.toggleFrameRate)
        toggleFrameRate();
    if (screen)
    {
        screen->showThrottleHandle(effects.hiddenHandle, effects.shownHandle);
        if (effects.repaint)
            screen->refreshConsole();
    }
    moveEnvironment();
    flightClock += dt;
    if (engine.resume(flightClock, playerCraft->state == Aircraft::Flying))
        if (WaveSound* loop = findSound(u"engine"))
            loop->playLooped(getHandle(), -1);
}

// The chase view's eye sits 0.8 from the aircraft's middle and trails it
// as it flies: on the first frames, and whenever the aircraft is slow, that
// is inside the model or so near that the model fills more than the view.
// The eye keeps the distance at which the model's radius fits the view's
// shorter side, on the side where it is (behind and above as the view
// starts).
void GameCanvas::keepEyeOffModel()
{
    Camera* camera = mainScene->camera;
    const int mode = camera->getFollowMode();
    Group3D* model = playerCraft->model;
    if (mode < 5 || mode > 7 || !model || !model->visible || camera->projection <= 0)
        return;
    // The tangent of half the shorter side's angle of view.
    const float t = float(camera->projection) / 2048.0f;
    const float reach = model->radius * std::sqrt(1.0f + t * t) / t;
    const Vector3& middle = playerCraft->flight.position;
    Vector3 away;
    away.setDifference(camera->position, middle);
    const float length = away.length();
    if (length >= reach)
        return;
    if (length < 1e-3f)
        playerCraft->flight.orientation.transformVectorTo(camera->offset, away);
    away.normalize();
    away.scale(reach);
    away.add(middle);
    camera->setPositionVector(away);
}

void GameCanvas::toggleFrameRate()
{
    frameRateShown = !frameRateShown;
    frameTimer.mode = frameRateShown ? FrameTimer::MeasureOnly : FrameTimer::Capped;
}

void GameCanvas::onLoad(const WCHAR* text, const WCHAR*, int percent)
{
    onLoadProgress(text, percent);
}

void GameCanvas::onLoadProgress(const WCHAR* text, int percent)
{
    drawProgressBar(this, text, percent);
}

void GameCanvas::moveEnvironment()
{
    if (!world)
        return;
    const Vector3& eye = mainScene->camera->position;
    Vector3 t;
    world->matrix.getTranslation(t);
    world->matrix.setTranslationXYZ(eye.x, t.y, eye.z);
    // The layers move with the eye; their pictures (4 repeats of the
    // clouds', 6 of the ground's across each layer) stay over the ground.
    if (clouds)
    {
        clouds->matrix.setTranslationXYZ(eye.x, 1000.0f, eye.z);
        const Extent e = extentOf(clouds->findObject(u"cloud"));
        if (Material* m = clouds->materialCount() > 0 ? clouds->material(0) : nullptr)
            m->setTextureOffset(-(eye.x / e.width) * 4.0f, (eye.z / e.depth) * 4.0f);
    }
    if (basisMaterial)
    {
        const Extent e = extentOf(world->findObject(u"basis"));
        basisMaterial->setTextureOffset(-6.0f / e.width * eye.x, 6.0f / e.depth * eye.z);
    }
}

void GameCanvas::renderScenes()
{
    Canvas::renderScenes();
    if (built)
        drawOverlay();
}

void GameCanvas::drawOverlay()
{
    Image* back = getBackBufferImage();
    if (!back || !back->dc)
        return;
    HDC dc = back->dc;
    hud->setDeviceContext(dc);
    for (const TargetBox& box : targetBoxes())
        hud->drawTargetBox(box.x, box.y, float(box.depth), box.locked, multiplayer ? nameOf(box.aircraft) : nullptr);
    if (dashScene && dashScene->visible)
        hud->draw();
    const int length = scaleToScreen(50), left = getClientWidth() - scaleToScreen(55);
    const int top = scaleToScreen(160) - scaleToScreen(13);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, RGB(255, 255, 255));
    WCHAR text[32];
    swprintf(text, 32, u"SCORE:%d", playerCraft->score);
    drawText(dc, 4, top - 4, text);
    // The rate is taken every 2.4 s (the first period duty); both texts are
    // drawn on every frame, since each frame draws the whole view anew.
    if (frameRateShown)
    {
        swprintf(text, 32, u"%d", frameRateText);
        drawText(dc, 8, 4, text);
    }
    if (exercise)
        drawText(dc, getClientWidth() - 60, 4, u"exercise");
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    const RECT bar{left, top, left + length * std::max(0, 100 - int(playerCraft->damage)) / 100, top + 10};
    FillRect(dc, &bar, red);
    DeleteObject(red);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
    Rectangle(dc, left, top, left + length, top + 10);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

std::vector<GameCanvas::TargetBox> GameCanvas::targetBoxes()
{
    std::vector<TargetBox> boxes;
    for (Aircraft* a : others)
    {
        if (a->state == Aircraft::Down)
            continue;
        int x = 0, y = 0, depth = 0;
        float scale = 0.0f;
        const Vector3& p = a->flight.position;
        if (mainScene->project(p.x, p.y, p.z, x, y, depth, scale) && depth > 0 && x > 0 && y > 0 &&
            x < getClientWidth() - 1 && y < scaleToScreen(160) - 1)
            boxes.push_back({a, x, y, depth, a->lockedOn != 0});
    }
    return boxes;
}

void GameCanvas::setDecoyCounts(int flares, int chaff)
{
    flaresInAir = flares;
    chaffInAir = chaff;
    if (screen)
        screen->setDecoyCounts(flares, chaff);
}

int GameCanvas::consoleFlares() const
{
    return screen ? screen->getFlaresInAir() : flaresInAir;
}

int GameCanvas::consoleChaff() const
{
    return screen ? screen->getChaffInAir() : chaffInAir;
}

void GameCanvas::onPeriod(float)
{
    runPeriod();
}

void GameCanvas::runPeriod()
{
    if (!built)
        return;
    // The alarm sounds over the engine's loop: the loop never keeps it quiet.
    if ((heatWarning || chaffLamp) && playerCraft->state == Aircraft::Flying)
    {
        if (!mixing)
            pauseEngine(0.282f);
        playSound(u"alarm");
    }
    flareLamp = heatWarning ? !flareLamp : false;
    chaffLamp = radarWarning ? !chaffLamp : false;
    setDecoyLamp(false, flareLamp);
    setDecoyLamp(true, chaffLamp);
    switch (period)
    {
    case 0:
        outcomeDuty();
        break;
    case 1:
        if (dialogHidden())
        {
            if (!multiplayer)
                playerCraft->scanTargets();
            if (panel && playerCraft->hasStations())
            {
                panel->selectLockedStation();
                panel->drawStations();
            }
        }
        break;
    case 2:
        if (dialogHidden() && !exercise && !multiplayer && !others.empty())
        {
            const int r = randomInt(-2, int(others.size()) + 2);
            if (r >= 0 && r < int(others.size()))
                others[size_t(r)]->scanTargets();
        }
        break;
    default:
        indicatorDuty();
        break;
    }
    period = (period + 1) % 4;
    if (screen)
        screen->refreshConsole();
}

bool GameCanvas::dialogHidden() const
{
    return screen ? !screen->messageShown() || messageMode == 3 : messageMode < 0 || messageMode == 3;
}

void GameCanvas::setConsoleScreen(MainScreen* consoleScreen)
{
    screen = consoleScreen;
    panel = screen ? screen->getConsolePanel() : nullptr;
}

void GameCanvas::outcomeDuty()
{
    frameRateText = frameTimer.fps;
    if (panel && dialogHidden())
        panel->drawRadar();
    if (playerCraft->state == Aircraft::Down)
    {
        result = Outcome::Lost;
        showFlightMessage(u"You crashed! \nYou lost!", 0);
        return;
    }
    if (multiplayer)
    {
        if (panel)
            panel->drawMessage();
        return;
    }
    if (messageMode == 3)
        hideFlightMessage();
    bool revived = false;
    for (Aircraft* enemy : others)
        if (enemy->state == Aircraft::Down && replaceDowned)
        {
            reviveEnemy(*enemy);
            reloadPlayer(*playerCraft, panel);
            revived = true;
        }
    if (revived)
    {
        showFlightMessage(u"A new enemy has joined in ...\nMissile reloaded.", 3);
        if (!mixing)
            pauseEngine(0.63f);
        playSound(u"newenemy");
    }
    if (missionOutcome(*playerCraft, others, replaceDowned) == Outcome::Won)
    {
        result = Outcome::Won;
        showFlightMessage(u"All Enemies crashed! \nYou won!", 0);
    }
    if (panel)
        panel->drawMessage();
}

void GameCanvas::indicatorDuty()
{
    if (!indicator || !indicator->visible)
        return;
    Mesh* arrow = indicator->findObject(u"arrow");
    Aircraft* nearest = nearestEnemy(*playerCraft, others);
    indicator->matrix.copyFrom(playerCraft->flight.orientation);
    if (nearest)
    {
        Vector3 to;
        to.setDifference(nearest->flight.position, playerCraft->flight.position);
        Matrix4 turn;
        // A group's flight is not stepped here: its nose is the frame's own.
        Vector3 ahead = playerCraft->flight.forward;
        if (multiplayer)
            playerCraft->flight.orientation.transformVectorTo(Vector3(0.0f, 0.0f, 1.0f), ahead);
        FlightModel::bodyArc(playerCraft->flight.orientation, ahead, to, 1.0f, turn);
        indicator->matrix.multiply(turn);
    }
    if (arrow)
        arrow->visible = nearest != nullptr;
}

void GameCanvas::showFlightMessage(const WCHAR* text, int mode)
{
    message = text ? text : u"";
    messageMode = mode;
    if (screen)
        screen->showMessage(text, mode, 16);
}

void GameCanvas::hideFlightMessage()
{
    messageMode = -1;
    if (screen)
        screen->hideMessage();
}

void GameCanvas::setDecoyLamp(bool chaff, bool on)
{
    if (screen)
        screen->setDecoyLamp(chaff, on);
}

void GameCanvas::playSound(const WCHAR* key)
{
    WaveSound* sound = findSound(key);
    if (sound && sound->state != WaveSound::Playing)
        sound->play(getHandle());
}

void GameCanvas::stopSound(const WCHAR* key)
{
    if (WaveSound* sound = findSound(key))
        sound->stop();
}

bool GameCanvas::isSoundPlaying(const WCHAR* key)
{
    WaveSound* sound = findSound(key);
    return sound && sound->state == WaveSound::Playing;
}

void GameCanvas::pauseEngine(float seconds)
{
    stopSound(u"engine");
    engine.pause(seconds, flightClock);
}

void GameCanvas::showAlert(const WCHAR* text)
{
    if (panel)
        panel->setAlert(text);
}

void GameCanvas::showCockpit(bool on)
{
    if (indicator)
        indicator->visible = on;
    if (dashScene)
        dashScene->visible = on;
}

void GameCanvas::countDown(bool playerShotDown)
{
    if (!pilot || exercise)
        return;
    if (playerShotDown)
        ++pilot->beShotDown;
    else
        ++pilot->shootDown;
}

} // namespace skyrend

namespace skyrend {

// ---- a group's flight ----

bool GameCanvas::placeGroup(const Mission& mission)
{
    const mp::MemberEntry& me = mission.members.front();
    playerName = me.name;
    const int plane = me.plane >= 0 && me.plane < int(planeFiles.size()) ? me.plane : mission.plane;
    playerCraft = createAircraft(planeFiles[size_t(plane)], me.name.c_str(), Vector3(me.position.x, me.position.y,
                                                                                      me.position.z), 0.0f, true);
    if (!playerCraft->buildError().empty())
    {
        error = playerCraft->buildError();
        return false;
    }
    crew.emplace_back(me.name, playerCraft);
    for (size_t i = 1; i < mission.members.size(); ++i)
    {
        const mp::MemberEntry& m = mission.members[i];
        addMember(m.name, m.plane, m.position);
    }
    return true;
}

// Another member's aircraft: flown by the server, drawn here. A plane the
// table does not hold is drawn as the first one.
Aircraft* GameCanvas::addMember(const std::u16string& name, int plane, const mp::Vec3& at)
{
    if (plane < 0 || plane >= int(planeFiles.size()))
        plane = 0;
    Aircraft* a = createAircraft(planeFiles[size_t(plane)], name.c_str(), Vector3(at.x, at.y, at.z), 0.0f, false);
    a->aiEnabled = 0;
    others.push_back(a);
    crew.emplace_back(name, a);
    if (panel)
        panel->addTarget(a);
    return a;
}

const WCHAR* GameCanvas::nameOf(const Aircraft* a) const
{
    for (const auto& [name, craft] : crew)
        if (craft == a)
            return name.c_str();
    return a->pilotName.c_str();
}

Aircraft* GameCanvas::findAircraft(const std::u16string& name) const
{
    if (playerCraft && name == playerName)
        return playerCraft;
    for (auto it = crew.rbegin(); it != crew.rend(); ++it)
        if (it->first == name)
            return it->second;
    return nullptr;
}

void GameCanvas::setSession(mp::ClientSession* clientSession, FlightLink* flightLink)
{
    session = clientSession;
    link = flightLink;
}

void GameCanvas::sendOwnState()
{
    if (!session || !playerCraft)
        return;
    std::array<mp::Vec3, mp::kStations> places{};
    for (int i = 0; i < mp::kStations; ++i)
        if (Missile* m = playerCraft->stations[i / 4][i % 4])
        {
            Vector3 at;
            m->flight.orientation.getTranslation(at);
            places[size_t(i)] = {at.x, at.y, at.z};
        }
    session->sendState(true, false, {playerName, places});
}

void GameCanvas::runNetworkMessages(const std::vector<FlightLink::Item>& items)
{
    for (const FlightLink::Item& item : items)
    {
        if (const auto* states = std::get_if<FlightLink::States>(&item))
        {
            applyStates(*states);
            networkFrame();
        }
        else if (const auto* entering = std::get_if<FlightLink::Entering>(&item))
            onPlayerEnter(entering->name, entering->plane, entering->position);
        else if (const auto* leaving = std::get_if<FlightLink::Leaving>(&item))
            onPlayerLeave(leaving->name);
    }
}

void GameCanvas::networkFrame()
{
    if (!built)
        return;
    frameStep();
    present(nullptr, -1);
}

void GameCanvas::applyStates(const std::vector<mp::AircraftState>& states)
{
    if (!built)
        return;
    for (const mp::AircraftState& s : states)
    {
        Aircraft* a = findAircraft(s.pilot);
        if (!a)
            continue; // a member this flight does not know (yet)
        const mp::StateBlock& b = s.block;
        Matrix4 m;
        std::copy(b.orientation.begin(), b.orientation.end(), std::begin(m.m));
        a->flight.orientation.copyFrom(m);
        m.getTranslation(a->flight.position);
        if (a->model)
            a->model->matrix.copyFrom(m);
        for (int i = 0; i < mp::kStations; ++i)
        {
            Missile* missile = a->stations[i / 4][i % 4];
            if (!missile)
                continue;
            Matrix4 mm;
            std::copy(b.missiles[size_t(i)].begin(), b.missiles[size_t(i)].end(), std::begin(mm.m));
            missile->flight.orientation.copyFrom(mm);
            mm.getTranslation(missile->flight.position);
            if (missile->model)
                missile->model->matrix.copyFrom(mm);
            const int32_t next = b.missileStates[size_t(i)];
            if (next == Missile::Exploding && missile->state != Missile::Exploding)
            {
                missile->explode();
                playSound(u"smallexplosion");
            }
            // A missile the server put back on its station is seen again.
            if (next <= Missile::Locked && missile->state >= Missile::Exploding && missile->model)
                missile->model->visible = 1;
            missile->state = next;
        }
        a->flight.speed = b.speed;
        a->flight.heading = b.heading;
        a->flight.bank = b.bank;
        a->flight.pitchAngle = b.pitch;
        a->state = b.state;
        a->damage = int16_t(std::clamp<int>(b.damage, 0, 100));
        a->score = b.score;
        a->events = int16_t(b.events);
    }
}

void GameCanvas::onPlayerEnter(const std::u16string& name, int plane, const mp::Vec3& position)
{
    if (!built || findAircraft(name))
        return;
    const std::u16string text = os::format(u"New player %s is entering group...", name.c_str());
    showFlightMessage(text.c_str(), 3);
    addMember(name, plane, position);
    // The pools keep two explosions and one splash for every aircraft, so
    // no member's explosion waits for a free one.
    const std::u16string aircraftFolder = resources + u"aircraft\\";
    buildEffectPools(*this, this, aircraftFolder.c_str(), aircraftCount() * 2, aircraftCount());
    hideFlightMessage();
    sendOwnState();
    frameTimer.reset();
}

void GameCanvas::onPlayerLeave(const std::u16string& name)
{
    if (!built || name == playerName)
        return;
    for (size_t i = crew.size(); i-- > 0;)
    {
        if (crew[i].first != name)
            continue;
        Aircraft* gone = crew[i].second;
        const std::u16string text = os::format(u"Player %s is leaving group...", name.c_str());
        showFlightMessage(text.c_str(), 3);
        if (panel)
            panel->removeTarget(gone);
        // Its model, missiles, bullets, smoke and decoys are named after it.
        // The aircraft goes first: it gives its model back the shared skin.
        const std::u16string cut = gone->pilotName;
        crew.erase(crew.begin() + long(i));
        others.erase(std::remove(others.begin(), others.end(), gone), others.end());
        // An explosion or splash that followed it or its missiles plays on
        // where it is.
        std::vector<const Matrix4*> followed = {&gone->flight.orientation};
        if (gone->model)
            followed.push_back(&gone->model->matrix);
        for (auto& row : gone->stations)
            for (const Missile* m : row)
                if (m)
                {
                    followed.push_back(&m->flight.orientation);
                    if (m->model)
                        followed.push_back(&m->model->matrix);
                }
        auto release = [&](ChipAnimation* effect) {
            if (std::find(followed.begin(), followed.end(), effect->followed) != followed.end())
                effect->followed = nullptr;
        };
        std::for_each(explosions.begin(), explosions.end(), release);
        std::for_each(splashes.begin(), splashes.end(), release);
        delete gone;
        removeObjectsOf(cut);
        hideFlightMessage();
        break;
    }
    sendOwnState();
    frameTimer.reset();
}

void GameCanvas::removeObjectsOf(const std::u16string& name)
{
    if (!mainScene || name.empty())
        return;
    auto named = [&](const WCHAR* text) {
        return text && std::u16string_view(text).find(name) != std::u16string_view::npos;
    };
    for (int c = mainScene->children.size(); c-- > 0;)
    {
        SceneObject* child = mainScene->child(c);
        if (!child || !named(child->name))
            continue;
        mainScene->children.removeAt(c);
        delete child;
    }
    // The template entries that built them go too: a template builds only
    // the entries it adds, so one of that name who enters later has his
    // objects built anew.
    Properties* templ = getTemplate();
    if (!templ)
        return;
    std::vector<std::u16string> keys;
    {
        std::unique_ptr<WCHAR*[]> all(templ->getKeys());
        for (int k = 0; k < templ->getKeyCount(); ++k)
            if (named(all[size_t(k)]))
                keys.emplace_back(all[size_t(k)]);
    }
    for (const std::u16string& key : keys)
        templ->remove(key.c_str());
}

void GameCanvas::onPaint(PAINTSTRUCT* paint)
{
    if (!multiplayer)
        Canvas::onPaint(paint);
}

} // namespace skyrend
