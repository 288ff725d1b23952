// race_canvas.cpp -- the race page: set-up, the frame step, start lights,
// laps and the end of the race
#include "racing/moravel/race_canvas.h"

#include "racing/moravel/racing_app.h"

#include "racing/engine/base_library.h"

#include "engine/base/math_utils.h"
#include "engine/base/matrix_ops.h"
#include "engine/base/properties.h"
#include "engine/base/wstring_utils.h"
#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"
#include "engine/platform/system_utils.h"
#include "engine/platform/wave_sound.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"
#include "engine/scene/core/texture_dictionary.h"

#include <os/windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace moravel {

namespace {

// The text of a field ("model:Oval.3ds") of a template value.
std::u16string fieldText(const WCHAR* value, const char16_t* field)
{
    if (!value)
        return {};
    std::u16string text(value), key = std::u16string(field) + u":";
    size_t at = text.find(key);
    if (at == std::u16string::npos)
        return {};
    size_t start = at + key.size(), end = text.find(u',', start);
    std::u16string out = text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
    while (!out.empty() && (out.front() == u' ' || out.front() == u'\t'))
        out.erase(out.begin());
    while (!out.empty() && (out.back() == u' ' || out.back() == u'\t'))
        out.pop_back();
    return out;
}

float toFloat(const std::u16string& text, float fallback)
{
    std::string ascii = racing::toAscii(text);
    char* end = nullptr;
    float v = std::strtof(ascii.c_str(), &end);
    return end == ascii.c_str() ? fallback : v;
}

uint32_t colourOf(Properties& p, const char16_t* key, uint32_t fallback, bool* present = nullptr)
{
    const WCHAR* value = p.get(key);
    if (present)
        *present = value != nullptr;
    if (!value)
        return fallback;
    std::u16string copy(value);
    return uint32_t(parseColor(copy.data()));
}

float keyFloat(Properties& p, const char16_t* key, float fallback)
{
    const WCHAR* value = p.get(key);
    return value ? toFloat(value, fallback) : fallback;
}

void showError(const char* text)
{
    std::u16string message = racing::toU16(text);
    MessageBoxW(nullptr, message.c_str(), u"Error", MB_ICONEXCLAMATION | MB_OK);
}

} // namespace

// ---- the drawn bike ----

DrawnBike::DrawnBike(racing::RaceTrack* race_, bool isPlayer_, Group3D* model_)
    : Motorbike(race_, isPlayer_), model(model_)
{
    motion.model = model;
    setPose(kPoseStill);
}

DrawnBike::~DrawnBike()
{
    delete model;
}

void DrawnBike::setPose(int pose_)
{
    pose = pose_;
    if (!model || !model->findObject(kPoseNames[0]))
        return;
    for (int k = 0; k < 6; ++k)
        if (Mesh* m = model->findObject(kPoseNames[k]))
            m->visible = k == pose_ ? 1 : 0;
}

void DrawnBike::measure(bool motocross)
{
    Vector3 lo, hi;
    Mesh* body = model ? model->findObject(u"body") : nullptr;
    Mesh* front = model ? model->findObject(u"fwheel") : nullptr;
    Mesh* rear = model ? model->findObject(u"rwheel") : nullptr;
    if (!body || !front || !rear)
        return;
    body->getBounds(lo, hi);
    Vector3 flo, fhi, rlo, rhi;
    front->getBounds(flo, fhi);
    rear->getBounds(rlo, rhi);
    const float s = 1.0f; // bounds come in world units
    setDimensions((hi.x - lo.x) * s, (hi.y - lo.y) * s, (hi.z - lo.z) * s, (fhi.y - flo.y) * s, motocross);
    frontCentre.set((flo.x + fhi.x) * s / 2, (flo.y + fhi.y) * s / 2, (flo.z + fhi.z) * s / 2);
    rearCentre.set((rlo.x + rhi.x) * s / 2, (rlo.y + rhi.y) * s / 2, (rlo.z + rhi.z) * s / 2);
    for (int i = 0; i < model->meshCount(); ++i)
        model->mesh(i)->matrix.m[7] += lift;
}

void DrawnBike::onWheels(float)
{
    for (auto [name, centre] : {std::pair{u"fwheel", &frontCentre}, std::pair{u"rwheel", &rearCentre}})
    {
        Mesh* wheel = model ? model->findObject(name) : nullptr;
        if (!wheel)
            continue;
        Matrix4 to, spin, back;
        to.setToTranslation(*centre);
        spin.rotX(wheelAngle);
        back.setToTranslationXYZ(-centre->x, -centre->y, -centre->z);
        Matrix4 m;
        m.setProduct(to, spin);
        m.multiply(back);
        m.m[7] += lift - (motion.falling ? 0.05f * height : 0.0f);
        wheel->matrix.copyFrom(m);
    }
}

// ---- the page ----

RaceCanvas::RaceCanvas(RacingApp* app_, const std::u16string& resources_)
    : Canvas(u"gameCanvas"), app(app_), resources(resources_)
{
    if (resources.empty())
        resources = resourcesFolder();
    shadowMaterial.color = 0x282828;
    frameTimer.mode = FrameTimer::Capped;
    frameTimer.targetFps = 8;
    frameTimer.windowMs = 1000;
}

RaceCanvas::~RaceCanvas()
{
    for (auto& sound : whistles)
        if (sound)
            sound->stop();
    if (music)
        music->stop();
    racers.clear();
    rivals.clear();
    player.reset();
    collisionGrid.reset();
    ground.reset();
    delete trackGroup;
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

    // Settings: a sensitivity outside the three choices (or missing) is the middle one.
    Properties settings;
    settings.load((resources + u"GUI").c_str(), u"gsetting.properties");
    static const float kSensitivity[3] = {0.25f, 0.75f, 1.25f};
    int sensitivity = racing::getFieldInt(settings, u"strSensitivity", u"selected");
    raceTrack.steerSensitivity = kSensitivity[sensitivity >= 0 && sensitivity <= 2 ? sensitivity : 1];
    raceTrack.topSpeed = topSpeed;

    RECT client;
    GetClientRect(app->getHandle(), &client);
    move(0, 0, client.right - client.left, client.bottom - client.top);

    trackName = trackNames[size_t(trackIndex)];
    paintName = paintNames[size_t(paintIndex)];
    size_t colon = racerText_.find(u':');
    racerText = racerText_.substr(0, colon);
    std::u16string second = colon == std::u16string::npos ? std::u16string() : racerText_.substr(colon + 1);
    secondName = second.empty() ? u"N/A" : second;

    // The track file and its model.
    std::u16string scenes = resources + u"scenes";
    Properties keys;
    std::u16string trackFile = (motocross ? u"CB_" : u"SB_") + trackName + u".properties";
    if (!keys.load(scenes.c_str(), trackFile.c_str()))
    {
        showError("The track file is missing.");
        return false;
    }
    const WCHAR* grp = keys.get(u"grpTrack");
    std::u16string modelName = fieldText(grp, u"model");
    float radius = toFloat(fieldText(grp, u"radius"), 100.0f);
    std::u16string scenesSlash = scenes + u"\\";
    trackGroup = models.load(scenesSlash.c_str(), modelName.c_str(), radius, getTextureDictionary(), nullptr,
                             nullptr, scenesSlash.c_str());
    trackMesh = trackGroup ? trackGroup->findObject(u"track") : nullptr;
    if (!trackMesh)
    {
        showError("The track model has no track.");
        return false;
    }
    backgroundColour = colourOf(keys, u"scene.bkgColor", 0x6090C0);
    hazeColour = colourOf(keys, u"scene.haze", 0xE0E0E0);
    racing::TrackKeys trackKeys;
    trackKeys.guardrailHeight = keyFloat(keys, u"track.guardrailH", 1.0f);
    trackKeys.widthAdjust = keyFloat(keys, u"track.widthAdjust", 1.0f);
    if (const WCHAR* zig = keys.get(u"track.zigzagside"))
    {
        trackKeys.zigzag = true;
        trackKeys.zigzagSide = int(toFloat(fieldText(zig, u"side"), 0.0f));
        trackKeys.maxXZOffset = toFloat(fieldText(zig, u"maxXZOffset"), 0.0f);
        trackKeys.maxYOffset = toFloat(fieldText(zig, u"maxYOffset"), 0.0f);
    }
    trackKeys.farDistance = motocross ? 300.0f : 400.0f;
    trackKeys.exercise = exercise;
    Mesh* walls = nullptr;
    racing::TrackBuild built = racing::buildTrackModel(*trackMesh, trackKeys, track, walls);
    if (built != racing::TrackBuild::Built)
        showError(racing::kSegmentCountMessage);
    if (built == racing::TrackBuild::Refused)
        return false;
    wallMesh = walls;
    trackGroup->addObject(u"coulisse", wallMesh);
    wallMaterial = new TexturedMaterial();
    wallMaterial->texture =
        getTextureDictionary()->load(scenesSlash.c_str(), (trackName + u"_coulisse.bmp").c_str(), true, false);
    trackGroup->addMaterial(u"coulisse", wallMaterial);
    wallMesh->material = wallMaterial;
    if (Texture* road =
            getTextureDictionary()->load(scenesSlash.c_str(), (trackName + u"_track.jpg").c_str(), true, false))
        if (trackMesh->material)
            trackMesh->material->texture = road;
    std::copy(track.checkpoints, track.checkpoints + 6, laps.checkpoints);
    laps.lapsLeft = track.lapsLeft;
    laps.nextCheckpoint = 0;
    window.update(0, false, track.segmentCount - 1, track.segmentCount);
    window.first = 0, window.last = track.segmentCount - 1, window.inverted = false;

    skyTexture = getTextureDictionary()->load(scenesSlash.c_str(), (trackName + u"_skybox.jpg").c_str(), false, false);
    if (skyTexture && skyTexture->image && skyTexture->image->height > 10)
    {
        Image* sky = skyTexture->image;
        sky->drawRect(backgroundColour, 0, sky->height - 5, sky->width, 5, true);
        for (int k = 0; k < 10; ++k)
        {
            int row = sky->height - 10 + k;
            for (int x = 0; x < sky->width; ++x)
            {
                uint32_t pixel = sky->toPixel(blendRGB(hazeColour, sky->colorAt(x, row), 255 - 50 * std::abs(5 - k)));
                uint8_t* at = sky->getPixelAddress(x, row);
                if (sky->bytesPerPixel == 2)
                    *reinterpret_cast<uint16_t*>(at) = uint16_t(pixel);
                else
                    *reinterpret_cast<uint32_t*>(at) = pixel;
            }
        }
    }
    std::u16string common = scenesSlash + u"common\\";
    for (int k = 0; k < 4; ++k)
    {
        std::u16string name = u"trafficlight" + racing::toU16(std::to_string(k)) + u".jpg";
        trafficLights[k] = getTextureDictionary()->load(common.c_str(), name.c_str(), false, false);
    }
    for (int k = 0; k < 2; ++k)
        whistles[k] = std::make_unique<WaveSound>(
            (resources + u"GUI\\whistle" + racing::toU16(std::to_string(k)) + u".wav").c_str());
    std::u16string musicFile = fieldText(keys.get(u"track.music"), u"src");
    if (!musicFile.empty())
        music = std::make_unique<WaveSound>((scenesSlash + musicFile).c_str());
    skyAltitude = keyFloat(keys, u"track.averageAltitude", 0.0f) + 60.0f + (exercise ? 0.0f : 10.0f);

    // The ground: the collision grid over the road, with face normals from
    // the vertices (no render pass has computed the stored ones yet).
    collisionGrid = std::make_unique<racing::CollisionGrid>(*trackGroup, keyFloat(keys, u"scene.meshPrecision", 2.0f),
                                                            u"track", nullptr, nullptr, 64, 1, 64);
    collisionGrid->normalSource = 1;
    ground = std::make_unique<racing::GridGround>(collisionGrid.get());
    raceTrack.model = &track;
    raceTrack.ground = ground.get();
    raceTrack.window = &window;

    // The bikes: the player's model, the rivals' copies with their own paint.
    std::u16string vehicle = resources + u"vehicle\\";
    Group3D* model = models.load(vehicle.c_str(), motocross ? u"crossbike.3DS" : u"Superbike.3ds", 3.0f,
                                 getTextureDictionary(), nullptr, nullptr, vehicle.c_str());
    if (!model)
    {
        showError("The bike model is missing.");
        return false;
    }
    auto applyPaint = [&](Group3D* m, const std::u16string& paint) {
        Texture* t = getTextureDictionary()->load(vehicle.c_str(), (paint + u".jpg").c_str(), true, false);
        for (const char16_t* name : {u"body", u"racer"})
            if (Material* mat = m->findMaterial(name))
                mat->texture = t;
        Texture* wheel = getTextureDictionary()->load(
            vehicle.c_str(), motocross ? u"crossbike_whl0.jpg" : u"superbike_whl0.jpg", true, false);
        if (Material* mat = m->findMaterial(u"wheel"))
            mat->texture = wheel;
    };
    player = std::make_unique<DrawnBike>(&raceTrack, true, model);
    player->autopilot = exercise ? 1 : 0;
    const int paintCount = int(paintNames.size());
    for (int i = 0; i < rivalCount; ++i)
    {
        int r = paintCount > 1 ? randomInt(1, paintCount - 1) : 0;
        Group3D* copy = model->clone(Group3D::kCloneMeshes | Group3D::kCloneMaterials | Group3D::kCloneLevels);
        applyPaint(copy, paintNames[size_t((paintIndex + r) % paintCount)]);
        auto rival = std::make_unique<DrawnBike>(&raceTrack, false, copy);
        rival->autopilot = 1;
        racers.push_back(rival.get());
        rivals.push_back(std::move(rival));
    }
    applyPaint(model, paintName);
    racers.push_back(player.get());
    for (int i = 0; i <= rivalCount; ++i)
        racers[size_t(i)]->place(0.0f, racing::gridSegment(i, rivalCount, track.segmentCount, exercise), 0.0f);
    for (DrawnBike* bike : racers)
    {
        bike->model->update(true);
        bike->measure(motocross);
        bike->update(0.0f);
    }

    camera.setViewport(getClientWidth(), getClientHeight());
    Vector3 eye(0.0f, 30.0f, 200.0f);
    player->motion.orientation.transformPointTo(eye, eye);
    camera.setPositionVector(eye);
    camera.setTargetVector(player->motion.position);
    setCameraPreset(-1);
    isPrepared = true;
    return true;
}

void RaceCanvas::setCameraPreset(int preset)
{
    struct Preset
    {
        int mode;
        float distance, smoothing, x, y, z;
    };
    static const Preset kPresets[9] = {
        {6, 40.0f, 70.0f, 0, 0.1f, -0.9f},  {6, 25.0f, 70.0f, 0, 0.1f, -0.9f},  {6, 30.0f, 20.0f, 0, 0.1f, 0.8f},
        {1, 30.0f, 20.0f, -0.7f, 0.1f, -0.8f}, {1, 30.0f, 20.0f, 0.7f, 0.1f, -0.8f}, {1, 30.0f, 20.0f, -0.7f, 0.1f, 0.8f},
        {1, 30.0f, 20.0f, 0.7f, 0.1f, 0.8f},  {6, 30.0f, 20.0f, 0, 0.4f, -0.5f},  {0, 100.0f, 95.0f, 0, -0.1f, -0.9f},
    };
    if (player)
        player->visible = 1;
    camera.setFov(45.0f);
    if (preset < -1 || preset > 7 || !player)
        return;
    if (preset == -1)
    {
        Vector3 behind(0.0f, 1.0f, -100.0f);
        player->motion.orientation.transformPointTo(behind, behind);
        camera.setPositionVector(behind);
    }
    const Preset& p = kPresets[preset + 1];
    Vector3 offset(p.x, p.y, p.z);
    camera.follow(p.mode, &player->motion.orientation, p.distance, p.smoothing, offset);
}

void RaceCanvas::onKey(UINT message, int key)
{
    uint32_t bit = key == VK_UP ? 1u : key == VK_DOWN ? 2u : key == VK_LEFT ? 4u : key == VK_RIGHT ? 8u : 0u;
    if (message == WM_KEYDOWN)
        keyBits |= bit;
    else if (message == WM_KEYUP)
    {
        keyBits &= ~bit;
        lastReleasedKey = key;
    }
}

void RaceCanvas::onMouse(UINT message, WPARAM, int x, int y, int)
{
    // The exit button in the top-right corner ends the race once it runs.
    if (message == WM_LBUTTONUP && running && x >= getClientWidth() - 40 && y < 20)
        app->endRace(0);
}

void RaceCanvas::handleControls(float dt)
{
    if (!player->autopilot && !player->motion.falling)
    {
        player->steer(keyBits & 4 ? 0 : keyBits & 8 ? 1 : 2, dt);
        if (keyBits & 1)
            player->accelerate(dt);
        else if (keyBits & 2)
            player->brake(dt);
        else if (std::fabs(player->motion.speed) < 10.0f)
            player->motion.speed = 0.0f;
    }
    int key = lastReleasedKey;
    lastReleasedKey = 0;
    if (key == VK_TAB)
    {
        showFrameRate = !showFrameRate;
        frameTimer.mode = showFrameRate ? FrameTimer::MeasureOnly : FrameTimer::Capped;
    }
    else if (key >= VK_F1 && key <= VK_F1 + 7)
        setCameraPreset(cameraPreset = key - VK_F1);
}

void RaceCanvas::resolveCollisions()
{
    const int n = track.segmentCount;
    for (size_t i = 0; i < racers.size(); ++i)
        for (size_t j = i + 1; j < racers.size(); ++j)
        {
            DrawnBike* a = racers[i];
            DrawnBike* b = racers[j];
            if (!a->visible || !b->visible)
                continue;
            Vector3 d;
            d.setDifference(a->motion.position, b->motion.position);
            if (d.lengthSquared() >= 0.6f * a->length * b->length)
                continue;
            float s = raceTrack.wrongWay ? -12.0f : 12.0f;
            Vector3 back;
            back.setDifference(track.points[size_t(b->segment)], track.points[size_t((b->segment + 1) % n)]);
            back.normalize();
            d.normalize();
            if (d.dot(back) > 0.0f)
            {
                a->motion.speed = b->motion.speed - s;
                b->motion.speed += s;
            }
            else
            {
                b->motion.speed = a->motion.speed - s;
                a->motion.speed += s;
            }
            float kick = randomFloat(-0.5f, 0.5f);
            for (auto [bike, angle] : {std::pair{a, kick}, std::pair{b, -kick}})
            {
                Quaternion q;
                q.set(0.0f, std::sin(angle / 2), 0.0f, std::cos(angle / 2));
                racing::turnInFront(bike->motion.orientation, q);
            }
            a->collisionTimer = b->collisionTimer = 1.0f;
            break;
        }
}

void RaceCanvas::updateVisibleWindow()
{
    int s = player->segment;
    Vector3 ahead, look;
    ahead.setDifference(player->nextPoint, player->point);
    const Matrix4& view = camera.getViewMatrix();
    // The camera's forward axis in world space is the view's third row.
    look.set(view.m[8], view.m[9], view.m[10]);
    bool facingBack = ahead.dot(look) <= 0.0f;
    window.update(s, facingBack, track.visibleAhead, track.segmentCount);
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
    camera.updateFollow(dt);
    camera.getViewMatrix();
    updateVisibleWindow();
}

void RaceCanvas::afterFrame(float dt)
{
    if (!isPrepared || !running)
        return;
    app->raceTime += dt;
    racing::LapEvent event = laps.pass(player->segment, raceTrack.wrongWay);
    if (event == racing::LapEvent::Finished)
        app->endRace(app->exercise ? 2 : 1);
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
    if (!running)
    {
        ++startStep;
        if (startStep > 0)
            lightShown = startStep;
        if (startStep > 0 && startStep <= 3 && whistles[startStep == 3 ? 1 : 0])
            whistles[startStep == 3 ? 1 : 0]->play(getHandle());
        if (startStep >= 3)
        {
            running = true;
            raceTrack.running = true;
            setCameraPreset(cameraPreset);
        }
        return;
    }
    if (app->exercise && (exerciseCameraTicks = (exerciseCameraTicks + 1) % 4) == 0)
        setCameraPreset(cameraPreset = (cameraPreset + 1) % 8);
    if (lightShown)
    {
        lightShown = 0;
        frameTimer.windowMs = 2000;
        if (app->music && music)
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
