// race_canvas.cpp -- the car race page: set-up from the race template, the
// track and its boards in the 3D scene, the frame step, start lights, laps
// and the end of the race
#include "racing/tundrel/race_canvas.h"

#include "racing/tundrel/racing_app.h"
#include "racing/tundrel/vehicle_libraries.h"

#include "racing/engine/base_library.h"
#include "racing/engine/model3d.h"
#include "racing/engine/scene3d.h"
#include "racing/engine/sprite.h"
#include "racing/engine/template_loader.h"
#include "racing/framework/progress_bar.h"
#include "racing/framework/race_controls.h"
#include "racing/framework/race_drawing.h"
#include "racing/framework/race_start.h"
#include "racing/framework/race_track.h"
#include "racing/framework/track_keys.h"

#include "engine/base/math_utils.h"
#include "engine/base/matrix_ops.h"
#include "engine/base/properties.h"
#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"
#include "engine/platform/wave_sound.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"
#include "engine/scene/core/sound_dictionary.h"
#include "engine/scene/core/texture_dictionary.h"

#include <os/windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tundrel {

using racing::colourOf;
using racing::fieldText;
using racing::keyFloat;
using racing::showError;
using racing::toFloat;

BoardKind boardKindOf(int width, int height, float halfWidth)
{
    float r = height > 0 ? float(width) / float(height) : 1.0f;
    if (std::fabs(r - 8.0f) < 0.1f)
        return {0, halfWidth * 0.5f};
    if (std::fabs(r - 4.0f) < 0.1f)
        return {1, 5.0f};
    if (std::fabs(r - 0.5f) < 0.1f)
        return {2, 3.5f};
    return {3, 1.6f};
}

std::vector<BoardPlace> placeBoards(int n, int interval, int repeat, const std::vector<int>& kinds)
{
    std::vector<BoardPlace> out;
    const int cycle = interval + repeat;
    if (kinds.empty() || cycle <= 0 || repeat <= 0)
        return out;
    int c = 0, run = 0;
    for (int s = 0; s <= n - 2; ++s)
    {
        int m = s % cycle;
        if (m < repeat)
        {
            int step = kinds[size_t(c)] <= 1 ? 3 : 2;
            int seg = s + step * run;
            // The board and the direction to the next point must lie on the track.
            if (seg + 1 < n)
                out.push_back({seg, c});
            ++run;
        }
        else
            run = 0;
        if (m == cycle - 1)
            c = (c + 1) % int(kinds.size());
    }
    return out;
}

RaceCanvas::RaceCanvas(RacingApp* app_, const std::u16string& resources_)
    : Canvas(u"gameCanvas"), app(app_), resources(resources_)
{
    if (resources.empty())
        resources = racing::resourcesFolder();
    frameTimer.mode = FrameTimer::Capped;
    frameTimer.targetFps = 8;
    frameTimer.windowMs = 1000;
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
    isPrepared = false;
    running = false;
    // The vehicles keep their models and puffs: out of the scene before it
    // goes, which deletes the track, the boards and the shadows.
    std::vector<Vehicle*> owned;
    for (auto& rival : rivals)
        owned.push_back(rival.get());
    if (player)
        owned.push_back(player.get());
    if (mainScene)
        for (Vehicle* v : owned)
        {
            std::erase(mainScene->children, v->model);
            for (const auto& chip : v->puffChips)
                std::erase(mainScene->children, static_cast<Group3D*>(chip.get()));
        }
    removeAllScenes();
    mainScene = nullptr;
    guiScene = nullptr;
    camera = nullptr;
    sky = {};
    lightSprite = wrongWaySprite = nullptr;
    trackGroup = nullptr;
    trackMesh = nullptr;
    banners.clear();
    billboards.clear();
    shadows.clear();
    racers.clear();
    rivals.clear();
    player.reset();
    trackMap.reset();
    collisionGrid.reset();
    ground.reset();
    for (Texture* t : ownTextures)
        delete t;
    ownTextures.clear();
    if (hudFont)
    {
        DeleteObject(hudFont);
        hudFont = nullptr;
    }
}

std::unique_ptr<Vehicle> RaceCanvas::makeVehicle(const std::u16string& folder, const std::u16string& name,
                                                 const std::u16string& prefix, bool isPlayer)
{
    Properties file;
    if (!file.load(folder.c_str(), (name + u".properties").c_str()))
        return nullptr;
    const WCHAR* modelKey = file.get(u"vehicle.name");
    const WCHAR* entry = modelKey ? file.get(modelKey) : nullptr;
    std::u16string modelFile = fieldText(entry, u"model");
    if (modelFile.empty())
        return nullptr;
    float radius = toFloat(fieldText(entry, u"radius"), 4.0f);
    std::u16string slash = folder + u"\\";
    Group3D* model = models.load(slash.c_str(), modelFile.c_str(), radius, getTextureDictionary(), nullptr, nullptr,
                                 slash.c_str());
    if (!model)
        return nullptr;
    auto vehicle = std::make_unique<Vehicle>(&raceTrack, isPlayer);
    vehicle->size = keyFloat(file, u"VEHICLE_SIZE", 4.0f);
    Texture* wheels[3];
    const int numbers[3] = {0, 2, 2};
    for (int k = 0; k < 3; ++k)
    {
        std::u16string picture = name + u"_whl" + racing::toU16(std::to_string(numbers[k])) + u".jpg";
        wheels[k] = getTextureDictionary()->load(slash.c_str(), picture.c_str(), true, false);
    }
    vehicle->setModel(model, wheels);
    vehicle->buildFume(ambientColour, getTextureDictionary(), slash);
    if (vehicle->bodyMaterial)
        vehicle->bodyMaterial->color = colourOf(file, u"LODBodyColor", vehicle->bodyMaterial->color);
    // Into the scene: the model, its puffs, and the shadow on the ground.
    mainScene->addChild((prefix + u"vehicle").c_str(), model);
    for (size_t k = 0; k < vehicle->puffChips.size(); ++k)
        mainScene->addChild((prefix + u"Fume" + racing::toU16(std::to_string(k))).c_str(), vehicle->puffChips[k].get());
    auto* shadow = new racing::Chip3D(0.5f, vehicle->width * 1.2f, vehicle->length * 1.1f, 1, nullptr, nullptr);
    if (Material* m = shadow->getMaterial())
        m->color = 0x282828;
    mainScene->addChild((prefix + u"Shadow").c_str(), shadow);
    shadows.push_back({vehicle.get(), shadow});
    return vehicle;
}

bool RaceCanvas::prepareRace(const std::vector<std::u16string>& libraryNames,
                             const std::vector<std::u16string>& vehicleNames,
                             const std::vector<std::u16string>& trackNames, int libraryIndex, int vehicleIndex,
                             int trackIndex, const std::u16string& racerText_)
{
    running = false;
    const int vehicleCount = int(vehicleNames.size());
    if (libraryIndex < 0 || libraryIndex >= int(libraryNames.size()) || vehicleIndex < 0 ||
        vehicleIndex >= vehicleCount || trackIndex < 0 || trackIndex >= int(trackNames.size()))
        return false;
    const bool exercise = app->exercise;

    // Settings: an index outside the three choices (or missing) is the middle one.
    Properties settings;
    settings.load((resources + u"GUI").c_str(), u"gsetting.properties");
    static const float kSensitivity[3] = {0.5f, 1.0f, 2.0f};
    static const float kCruise[3] = {50.0f, 80.0f, 5000.0f};
    int sensitivity = racing::getFieldInt(settings, u"strSensitivity", u"selected");
    int cruise = racing::getFieldInt(settings, u"cruiseSpeed", u"selected");
    raceTrack.steerSensitivity = kSensitivity[sensitivity >= 0 && sensitivity <= 2 ? sensitivity : 1];
    raceTrack.cruiseSpeed = kCruise[cruise >= 0 && cruise <= 2 ? cruise : 1];

    // The page fills the frame's client area; template lengths are for a
    // page 320 wide.
    RECT client;
    GetClientRect(app->getHandle(), &client);
    move(0, 0, client.right - client.left, client.bottom - client.top);
    screenScale = float(getClientWidth()) / 320.0f;
    // The HUD's Arial of 17 on a 320-wide page, scaled, at least 11 high.
    hudFont = CreateFontW(std::max(scaleToScreen(17), 11), 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0x20, u"Arial");

    trackName = trackNames[size_t(trackIndex)];
    vehicleName = vehicleNames[size_t(vehicleIndex)];
    const std::u16string folder = libraryFolder(libraryNames[size_t(libraryIndex)]);
    size_t colon = racerText_.find(u':');
    racerText = racerText_.substr(0, colon);
    std::u16string second = colon == std::u16string::npos ? std::u16string() : racerText_.substr(colon + 1);
    secondName = second.empty() ? u"N/A" : second;

    // The race template, with the loading message showing its progress.
    setLoadListener(this);
    loadTemplate((resources + u"GUI\\").c_str(), u"TDCanvas.properties", true);
    mainScene = findScene3D(u"mainScene");
    guiScene = findSpriteScene(u"sceneGUI");
    if (!mainScene)
    {
        setLoadListener(nullptr);
        showError("The race template \"TDCanvas.properties\" has no 3D scene \"mainScene\".");
        return false;
    }
    racing::SceneSprite* message = findSpriteScene(u"sceneMessage");
    if (message)
        message->visible = 1;
    lightSprite = guiScene ? guiScene->findChild(u"light") : nullptr;
    if (racing::SceneSprite* gui2D = findSpriteScene(u"sceneGUI2D"))
        wrongWaySprite = gui2D->findChild(u"txtWrongway");
    placeGuiButtons();

    std::u16string scenes = resources + u"scenes";
    if (!buildTrack(scenes))
    {
        setLoadListener(nullptr);
        return false;
    }
    buildBoards(getTemplateLoader().getTemplate(), scenes);

    // The player's vehicle and the rivals, other vehicles of the same library.
    player = makeVehicle(folder, vehicleName, u"my", true);
    if (!player)
    {
        setLoadListener(nullptr);
        showError("The vehicle cannot be loaded.");
        return false;
    }
    player->autopilot = exercise ? 1 : 0;
    for (int i = 0; i < rivalCount; ++i)
    {
        onLoad(u"Set up vehicle", nullptr, 100 * (i + 1) / rivalCount);
        int r = vehicleCount > 1 ? randomInt(1, vehicleCount - 1) : 0;
        auto rival = makeVehicle(folder, vehicleNames[size_t((vehicleIndex + r) % vehicleCount)],
                                 u"rival" + racing::toU16(std::to_string(i)), false);
        if (!rival)
            continue;
        rival->autopilot = 1;
        racers.push_back(rival.get());
        rivals.push_back(std::move(rival));
    }
    racers.push_back(player.get());
    for (const Vehicle* v : racers)
        trackMap->addRacer(&v->motion, v == player.get());
    const int spacing = exercise ? 4 : 8;
    const int placed = int(racers.size()) - 1;
    for (int i = 0; i <= placed; ++i)
        racers[size_t(i)]->place(0.0f, racing::gridSegmentSpaced(i, placed, track.segmentCount, spacing));
    mainScene->initView(getZoom(), this, true);
    for (Vehicle* v : racers)
    {
        v->model->update(true);
        v->measure();
        v->update(0.0f);
    }
    placeShadows();

    camera = &mainScene->camera;
    sky.camera = camera;
    Vector3 eye(0.0f, 30.0f, 200.0f);
    player->motion.orientation.transformPointTo(eye, eye);
    camera->setPositionVector(eye);
    camera->setTargetVector(player->motion.position);
    setCameraPreset(-1);

    setLoadListener(nullptr);
    if (message)
        message->visible = 0;
    isPrepared = true;
    return true;
}

bool RaceCanvas::buildTrack(const std::u16string& scenes)
{
    // The track file joins the page's template: its group goes into the
    // main scene, its music into the page's sounds.
    std::u16string scenesSlash = scenes + u"\\";
    if (Properties probe; !probe.load(scenes.c_str(), (trackName + u".properties").c_str()))
    {
        showError("The track file is missing.");
        return false;
    }
    loadTemplate(scenesSlash.c_str(), (trackName + u".properties").c_str(), false);
    Properties& keys = getTemplateLoader().getTemplate();
    trackGroup = mainScene->findChild(u"grpTrack");
    trackMesh = trackGroup ? trackGroup->findObject(u"track") : nullptr;
    if (!trackMesh)
    {
        showError("The track model has no track.");
        return false;
    }
    mainScene->renderer.getTarget()->setListener(&sky);
    backgroundColour = colourOf(keys, u"scene.bkgColor", 0x6090C0);
    hazeColour = colourOf(keys, u"scene.haze", 0xE0E0E0);
    ambientColour = colourOf(keys, u"env.ambientColor", 0xC8C8C8);
    raceTrack.hasFume = keyFloat(keys, u"track.hasFume", 0.0f) != 0.0f;
    mainScene->environment.ambient = ambientColour;
    trackGroup->setEnvironmentEnabled(0);

    skyTexture = getTextureDictionary()->load(scenesSlash.c_str(), (trackName + u"_skybox.jpg").c_str(), false, false);
    if (skyTexture)
        racing::addHazeBand(skyTexture->image, backgroundColour, hazeColour);
    std::u16string common = scenesSlash + u"common\\";
    for (int k = 0; k < 4; ++k)
    {
        std::u16string name = u"trafficlight" + racing::toU16(std::to_string(k)) + u".jpg";
        trafficLights[k] = getTextureDictionary()->load(common.c_str(), name.c_str(), false, false);
    }
    skyAltitude = keyFloat(keys, u"track.averageAltitude", 0.0f) + 50.0f;
    sky.sky = skyTexture ? skyTexture->image : nullptr;
    sky.altitude = skyAltitude;
    sky.background = backgroundColour;

    if (Texture* road =
            getTextureDictionary()->load(scenesSlash.c_str(), (trackName + u"_track.bmp").c_str(), true, false))
        if (trackMesh->material)
        {
            trackMesh->material->texture = road;
            if (keyFloat(keys, u"track.hasMask", 0.0f) != 0.0f)
                trackMesh->material->mask = road;
        }

    racing::TrackKeys trackKeys;
    trackKeys.car = true;
    racing::readTrackKeys(keys, trackKeys);
    trackKeys.farDistance = 500.0f;
    trackKeys.exercise = app->exercise;
    Mesh* walls = nullptr;
    onLoad(u"Set up Track", nullptr, 0);
    racing::TrackBuild built = racing::buildTrackModel(*trackMesh, trackKeys, track, walls);
    onLoad(u"Set up Track", nullptr, 100);
    if (built != racing::TrackBuild::Built)
        showError(racing::kSegmentCountMessage);
    if (built == racing::TrackBuild::Refused)
        return false;
    std::copy(track.checkpoints, track.checkpoints + 6, laps.checkpoints);
    laps.lapsLeft = track.lapsLeft;
    laps.nextCheckpoint = 0;
    window.first = 0, window.last = track.segmentCount - 1, window.inverted = false;
    racing::applyVisibleWindow(window, track.segmentCount, {trackMesh});
    // The track map at the top right, in the car game's green.
    const int side = 56;
    RECT mapRect{getClientWidth() - side - 4, 20, getClientWidth() - 4, 20 + side};
    trackMap = std::make_unique<racing::TrackMap>(mapRect, track.segmentCount, track.points.data(), true,
                                                  RGB(20, 110, 40));

    collisionGrid = std::make_unique<racing::CollisionGrid>(*trackGroup, keyFloat(keys, u"scene.meshPrecision", 2.0f),
                                                            u"track", nullptr, nullptr, 64, 1, 64);
    collisionGrid->normalSource = 1;
    ground = std::make_unique<racing::GridGround>(collisionGrid.get());
    raceTrack.model = &track;
    raceTrack.ground = ground.get();
    raceTrack.window = &window;
    return true;
}

Group3D* RaceCanvas::makeBoard(const std::u16string& common, int kind, float size, const Matrix4& placed,
                               Texture* picture, uint32_t colour)
{
    static const char16_t* const kModels[4] = {u"bb_banner.3ds", u"bb_sidealong.3ds", u"bb_vertical.3ds",
                                               u"bb_square.3ds"};
    Group3D* board = models.load(common.c_str(), kModels[kind], size, getTextureDictionary(), nullptr, nullptr,
                                 common.c_str());
    if (!board)
        return nullptr;
    if (Material* m = board->findMaterial(u"board"))
    {
        m->texture = picture;
        if (!picture)
            m->color = colour;
    }
    Vector3 lo(1e30f, 1e30f, 1e30f), hi(-1e30f, -1e30f, -1e30f), a, b;
    for (int i = 0; i < board->meshCount(); ++i)
    {
        board->mesh(i)->getBounds(a, b);
        lo.y = std::min(lo.y, a.y);
        hi.y = std::max(hi.y, b.y);
    }
    board->matrix.copyFrom(placed);
    // Boards stand on the ground: raised by 0.45 of their height.
    board->matrix.m[7] += 0.45f * (hi.y - lo.y);
    return board;
}

void RaceCanvas::buildBoards(Properties& keys, const std::u16string& scenes)
{
    const std::u16string common = scenes + u"\\common\\";
    const int n = track.segmentCount;
    auto matrixAt = [&](const Vector3& position, int seg, const Vector3& reference, Matrix4& out) {
        Vector3 d;
        d.setDifference(track.points[size_t(seg)], track.points[size_t((seg + 1) % n)]);
        Quaternion q;
        setRotationBetween(q, reference, d);
        out.setFromQuaternion(q);
        out.setTranslation(position);
    };
    // Checkpoint banners, the start/finish line at entry 5.
    uint32_t text = colourOf(keys, u"scene.bannerTextColor", 0xFFFFFF);
    uint32_t back = colourOf(keys, u"scene.bannerBkgColor", 0xC00000);
    for (int k = 0; k <= 5; ++k)
    {
        if (k == 4)
            continue;
        int seg = track.checkpoints[k];
        auto* picture = new Texture(128, 16, back, true);
        ownTextures.push_back(picture);
        if (HDC dc = picture->image ? picture->image->dc : nullptr)
        {
            char caption[32];
            std::snprintf(caption, sizeof caption, k == 5 ? "START / FINISH" : "CHECK POINT %d", k + 1);
            std::u16string wide = racing::toU16(caption);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, RGB(text >> 16, text >> 8 & 255, text & 255));
            ExtTextOutW(dc, 15, 1, 0, nullptr, wide.c_str(), UINT(wide.size()), nullptr);
        }
        Matrix4 m;
        matrixAt(track.points[size_t(seg)], seg, Vector3(0, 0, 1), m);
        if (Group3D* board = makeBoard(common, 0, track.halfWidth * 0.65f, m, picture, back))
        {
            mainScene->addChild(u"banner", board);
            banners.push_back({board, seg});
        }
    }
    // Advertising boards.
    const WCHAR* value = keys.get(u"scene.billboard");
    if (!value)
        return;
    std::u16string sideText = fieldText(value, u"side");
    int side = sideText == u"left" ? 0 : sideText == u"right" ? 1 : -1;
    int interval = int(toFloat(fieldText(value, u"interval"), 10.0f));
    int repeat = int(toFloat(fieldText(value, u"repeat"), 1.0f));
    std::u16string contents = fieldText(value, u"contents");
    std::vector<Texture*> pictures;
    std::vector<BoardKind> kinds;
    std::vector<int> kindNumbers;
    const std::u16string ads = scenes + u"\\ads\\";
    size_t start = 0;
    while (start <= contents.size())
    {
        size_t end = contents.find(u';', start);
        std::u16string item = contents.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
        while (!item.empty() && std::u16string(u" \t()").find(item.front()) != std::u16string::npos)
            item.erase(item.begin());
        while (!item.empty() && std::u16string(u" \t()").find(item.back()) != std::u16string::npos)
            item.pop_back();
        if (!item.empty())
            if (Texture* t = getTextureDictionary()->load(ads.c_str(), item.c_str(), true, false))
            {
                t->image->blendColor(4, 0, ambientColour);
                BoardKind kind = boardKindOf(t->imageWidth, t->imageHeight, track.halfWidth);
                pictures.push_back(t);
                kinds.push_back(kind);
                kindNumbers.push_back(kind.kind);
            }
        if (end == std::u16string::npos)
            break;
        start = end + 1;
    }
    for (const BoardPlace& place : placeBoards(n, interval, repeat, kindNumbers))
    {
        const int seg = place.segment, c = place.content;
        const BoardKind& kind = kinds[size_t(c)];
        int boardSide = side >= 0 ? side : c % 2;
        Vector3 position, reference;
        auto toward = [&](int vertex, float share) {
            const Vertex* v = trackMesh->vertex(8 * seg + vertex);
            position.setFromFixed(v->x, v->y, v->z);
            const Vector3& centre = track.points[size_t(seg)];
            position.x += (centre.x - position.x) * share;
            position.y += (centre.y - position.y) * share;
            position.z += (centre.z - position.z) * share;
        };
        if (kind.kind == 0)
        {
            position.copyFrom(track.points[size_t(seg)]);
            reference.set(0, 0, 1);
        }
        else if (kind.kind == 1)
        {
            toward(boardSide == 1 ? 3 : 4, 0.08f);
            reference.set(1, 0, 0);
        }
        else
        {
            toward(boardSide == 1 ? 2 : 5, 0.2f);
            reference.set(boardSide == 1 ? -0.4f : 0.4f, 0, 0.4f);
        }
        Matrix4 m;
        matrixAt(position, seg, reference, m);
        if (Group3D* board = makeBoard(common, kind.kind, kind.size, m, pictures[size_t(c)], 0))
        {
            mainScene->addChild(u"ads", board);
            billboards.push_back({board, seg});
        }
    }
}

void RaceCanvas::setCameraPreset(int preset)
{
    struct Preset
    {
        int mode;
        float distance, smoothing, x, y, z;
    };
    static const Preset kPresets[9] = {
        {6, 40.0f, 70.0f, 0, 0.1f, -0.9f},     {6, 25.0f, 75.0f, 0, 0.1f, -0.9f},    {6, 30.0f, 20.0f, 0, 0.1f, 0.9f},
        {6, 30.0f, 20.0f, -0.5f, 0.1f, -0.9f}, {6, 30.0f, 20.0f, 0.5f, 0.1f, -0.9f}, {6, 30.0f, 20.0f, -0.5f, 0.1f, 0.9f},
        {6, 30.0f, 20.0f, 0.5f, 0.1f, 0.9f},   {6, 40.0f, 20.0f, 0, 0.5f, -0.5f},    {0, 100.0f, 95.0f, 0, -0.1f, -0.9f},
    };
    if (!player || !camera)
        return;
    camera->setFov(45.0f);
    if (preset < -1 || preset > 7)
        return;
    if (preset == -1)
    {
        Vector3 behind(0.0f, 1.0f, -100.0f);
        player->motion.orientation.transformPointTo(behind, behind);
        camera->setPositionVector(behind);
    }
    const Preset& p = kPresets[preset + 1];
    Vector3 offset(p.x, p.y, p.z);
    camera->follow(p.mode, &player->motion.orientation, p.distance, p.smoothing, offset);
}

void RaceCanvas::onLoad(const WCHAR* text, const WCHAR*, int percent)
{
    racing::drawProgressBar(*this, text, percent);
}

void RaceCanvas::placeGuiButtons()
{
    // The exit box in the bottom-right corner, the start lights in the
    // middle under the HUD line.
    if (!guiScene)
        return;
    const int w = getClientWidth(), h = getClientHeight();
    if (racing::Sprite* exit = guiScene->findChild(u"btnExitRacing"))
        exit->setPosition(w - exit->width, h - exit->height);
    if (lightSprite)
        lightSprite->setPosition(w / 2 - lightSprite->width / 2, lightSprite->y);
}

void RaceCanvas::onMouse(UINT message, WPARAM keys, int x, int y, int phase)
{
    Canvas::onMouse(message, keys, x, y, phase);
    if (phase != 1 || message != WM_LBUTTONUP || !isPrepared)
        return;
    racing::Sprite* pressed = getPressedSprite();
    if (pressed && std::u16string_view(pressed->name) == u"btnExitRacing" && running)
        finishRace(0);
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
        else if (player->overSpeed)
            player->accelerate(dt); // cruising
        else if (std::fabs(player->motion.speed) < 10.0f)
            player->motion.speed = 0.0f;
    }
    const int preset = racing::racePageKey(takeReleasedKey(), showFrameRate, frameTimer);
    if (preset >= 0)
        setCameraPreset(cameraPreset = preset);
}

// A hit switches both racers' cruising off.
void RaceCanvas::resolveCollisions()
{
    racing::resolveCollisions(racers, track, raceTrack.wrongWay ? -20.0f : 20.0f,
                              [](Vehicle& a, Vehicle& b) { a.overSpeed = b.overSpeed = 0; });
}

void RaceCanvas::updateVisibleWindow()
{
    Vector3 ahead, look;
    ahead.setDifference(player->nextPoint, player->point);
    const Matrix4& view = camera->getViewMatrix();
    look.set(view.m[8], view.m[9], view.m[10]);
    // Behind the player the road reaches back under the camera: two segments
    // and those of the follow distance.
    const int behind = 2 + (track.segmentLength > 0.0f ? int(camera->distance / track.segmentLength) : 0);
    window.update(player->segment, ahead.dot(look) <= 0.0f, track.visibleAhead, track.segmentCount, behind);
    racing::applyVisibleWindow(window, track.segmentCount, {trackMesh});
    racing::showBoardsInWindow(banners, window);
    racing::showBoardsInWindow(billboards, window);
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
    placeShadows();
    camera->updateFollow(dt);
    // The camera stays at most 10 above the player.
    if (camera->position.y > player->motion.position.y + 10.0f)
    {
        Vector3 eye(camera->position);
        eye.y = player->motion.position.y + 10.0f;
        camera->setPositionVector(eye);
    }
    camera->getViewMatrix();
    updateVisibleWindow();
}

void RaceCanvas::placeShadows()
{
    // A dark quad under each racer, turned with it, just above the ground.
    for (auto [vehicle, shadow] : shadows)
    {
        const Vehicle& v = *vehicle;
        if (v.model)
            v.model->visible = v.visible;
        shadow->visible = v.visible;
        shadow->matrix.copyFrom(v.motion.orientation);
        shadow->matrix.setTranslationXYZ(v.motion.position.x, v.groundHeight + 0.15f, v.motion.position.z);
    }
}

void RaceCanvas::afterFrame(float dt)
{
    if (!isPrepared)
        return;
    if (Image* surface = getBackBuffer() ? getBackBuffer()->getImage() : nullptr)
    {
        if (trackMap)
            trackMap->draw(surface->dc);
        drawHud(surface);
    }
    if (!running)
        return;
    app->raceTime += dt;
    // A car rolling backwards over a checkpoint does not take it.
    if (player->motion.speed <= 0.0f)
        return;
    racing::LapEvent event = laps.pass(player->segment, raceTrack.wrongWay);
    if (event == racing::LapEvent::Finished)
        finishRace(app->exercise ? 2 : 1);
}

void RaceCanvas::onPeriod(float)
{
    if (!isPrepared)
        return;
    if (showFrameRate)
    {
        frameRateSum += frameTimer.fpsExact;
        ++frameRateCount;
    }
    if (wrongWaySprite)
        wrongWaySprite->visible = raceTrack.wrongWay && running ? 1 : 0;
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
        setCameraPreset(cameraPreset = (cameraPreset + 1) % 8);
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

void RaceCanvas::finishRace(int status)
{
    racing::finishRacePage(*this, *app, status);
}

std::string RaceCanvas::hudText(float lapFigure, float raceTime, float speed, bool cruise)
{
    int minutes = int(raceTime * (1.0f / 60.0f));
    int seconds = int(raceTime - float(minutes) * 60.0f);
    int shown = std::abs(int(speed * kSpeedToKmh));
    char text[80];
    std::snprintf(text, sizeof text, "LAP:%1.1f TM:%02d:%02d V:%03dkm (%s)", double(lapFigure), minutes, seconds, shown,
                  cruise ? "cruise" : " ");
    return text;
}

} // namespace tundrel
