// game_page.cpp -- the motorbike program's menu pages
#include "racing/moravel/game_page.h"

#include "racing/moravel/racing_app.h"

#include "racing/framework/file_names.h"
#include "racing/framework/progress_bar.h"
#include "racing/framework/restart_command.h"
#include "racing/framework/score_table.h"

#include "engine/base/matrix_ops.h"
#include "engine/base/properties.h"
#include "engine/base/resource_files.h"
#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"
#include "engine/platform/wave_sound.h"
#include "engine/scene/2d/group2d.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/sound_dictionary.h"
#include "engine/scene/core/texture_dictionary.h"
#include "racing/engine/loader3ds.h"
#include "racing/engine/model3d.h"
#include "racing/engine/scene3d.h"
#include "racing/engine/sprite.h"
#include "racing/engine/template_loader.h"

#include <os/windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>

namespace moravel {

using racing::listNames;
using racing::toU16;

namespace {

constexpr float kPi = 3.14159265f;

bool has(const std::u16string& text, const char16_t* part)
{
    return text.find(part) != std::u16string::npos;
}

std::u16string vehicleFolder()
{
    return resourcesFolder() + u"vehicle\\";
}

std::u16string number(int n)
{
    return toU16(std::to_string(n));
}

} // namespace

GamePage::GamePage(RacingApp* app_, const std::u16string& argument, bool present)
    : MenuPage(app_, argument, present), game(app_)
{
}

void GamePage::buildSelectionLists(int mode)
{
    std::u16string resources = resourcesFolder();
    const char16_t* prefix = mode == 1 ? u"CB" : u"SB";
    paintNames = listNames(resources + u"vehicle\\", std::u16string(prefix) + u"Paint_*.jpg");
    trackNames.clear();
    for (const std::u16string& file : listNames(resources + u"scenes\\", std::u16string(prefix) + u"_*.properties"))
        trackNames.push_back(file.substr(3));
}

void GamePage::startRaceFrom(const racing::RaceChoice& race, bool exercise)
{
    int mode = race.mode == 1 ? 1 : 0;
    buildSelectionLists(mode);
    // Indexes from the command line name entries of the lists just built,
    // or the race goes back to the menu.
    if (race.mode < 0 || race.mode > 1 ||
        !racing::raceChoiceInRange(race, int(paintNames.size()), int(trackNames.size())))
    {
        game->restart(game->menuCommand);
        return;
    }
    game->startRace(mode, race.paintIndex, race.trackIndex, race, exercise, paintNames, trackNames);
}

// ---- pages ----

void GamePage::storeChoices(Properties& templ)
{
    const bool cross = game->mode == 1;
    templ.put(cross ? u"CB_sceneSelected" : u"SB_sceneSelected", number(trackIndex).c_str());
    templ.put(cross ? u"CB_vehicleSelected" : u"SB_vehicleSelected", number(paintIndex).c_str());
}

void GamePage::forgetScenes()
{
    preview = nullptr;
}

void GamePage::onTemplateLoaded()
{
    if (showing(u"MainMenu"))
        mainMenuLoaded();
    else if (showing(u"intro"))
        introLoaded();
    else if (showing(u"scoreboard"))
        scoreboardLoaded();
}

void GamePage::mainMenuLoaded()
{
    const int mode = game->mode;
    buildSelectionLists(mode);
    if (auto* strip = static_cast<Rect2D*>(findGroup2D(u"RectTrack")))
    {
        strip->resize(1024, 128);
        strip->transform = Matrix3();
        setScale2D(strip->transform, 0.6f);
        setTranslation2D(strip->transform, 0.0f, 4.0f * getZoom());
    }
    Properties& templ = templateLoader->getTemplate();
    // A stored index beyond the list takes its last entry, one below 0 the
    // first; an empty list leaves the choice missing.
    auto stored = [&](const WCHAR* key, int count) {
        const WCHAR* value = templ.get(key);
        int index = value ? int(_wtol(value)) : 0;
        if (index >= count - 1)
            index = count - 1;
        return std::max(index, 0);
    };
    trackIndex = stored(mode == 1 ? u"CB_sceneSelected" : u"SB_sceneSelected", int(trackNames.size()));
    selectTrack(trackIndex);
    if (racing::Sprite* nameSprite = findComponent(u"txtPlayerName"))
    {
        playerName = filterPlayerName(nameSprite->getText());
        nameSprite->setText(playerName.c_str());
    }
    if (racing::Scene3D* scene = findScene3D(u"sceneVehicle"))
    {
        scene->removeLight(u"Light1");
        scene->initView(getZoom(), nullptr, true);
        scene->camera.setFov(60.0f);
        scene->camera.setPosition(0.0f, 0.8f, -9.5f);
        scene->camera.setTarget(0.0f, -1.0f, 0.0f);
    }
    paintIndex = stored(mode == 1 ? u"CB_vehicleSelected" : u"SB_vehicleSelected", int(paintNames.size()));
    vehicleMissing = paintIndex >= int(paintNames.size());
    game->music = true;
    showNameEntry(false);
    start();
}

void GamePage::introLoaded()
{
    racing::Scene3D* scene = findScene3D(u"sceneVehicle");
    if (scene)
    {
        preview = racing::Loader3DS().load(vehicleFolder().c_str(), u"superbike.3ds", 2.5f, getTextureDictionary());
        if (preview)
        {
            for (int i = preview->meshCount() - 1; i >= 0; --i)
                if (has(preview->mesh(i)->name, u"racer_"))
                    delete preview->removeObject(preview->mesh(i)->name);
            preview->setDetailLevel(1);
            racing::setWireframe(*preview, true);
            preview->visible = 0;
            scene->addChild(u"vehicle", preview);
        }
        scene->initView(getZoom(), nullptr, true);
        scene->camera.setFov(60.0f);
        scene->camera.setPosition(0.0f, 1.0f, -10.0f);
        scene->camera.setTarget(-2.5f, -0.5f, 0.0f);
    }
    fadeIn();
    playLooped(u"titleMusic");
    start();
}

// ---- previews ----

void GamePage::selectTrack(int index)
{
    racing::Sprite* name = findComponent(u"txtTrackName");
    if (index < 0 || index >= int(trackNames.size()))
    {
        showTrackSky(u"");
        trackMissing = true;
        if (name)
            name->setText(u"");
        return;
    }
    trackMissing = false;
    const std::u16string& track = trackNames[size_t(index)];
    showTrackSky(track);
    if (name)
    {
        std::u16string text = track;
        if (WCHAR* intro = templateLoader->getTemplate().getField((u"intro_" + track).c_str(), u"intro"))
        {
            text += intro;
            delete[] intro;
        }
        name->setText(text.c_str());
    }
}

void GamePage::loadVehiclePreview(int index)
{
    racing::Scene3D* scene = findScene3D(u"sceneVehicle");
    racing::Sprite* loading = findComponent(u"txtLoading");
    if (!scene)
        return;
    if (loading)
        loading->visible = 1;
    scene->visible = 0;
    repaint(true, nullptr);
    if (Group3D* old = scene->removeChild(u"vehicle"))
    {
        for (const WCHAR* part : {u"body", u"wheel"})
            if (Material* m = old->findMaterial(part); m && m->texture)
                getTextureDictionary()->remove(m->texture);
        delete old;
    }
    preview = nullptr;
    if (index < 0 || index >= int(paintNames.size()))
    {
        vehicleMissing = true;
        return;
    }
    vehicleMissing = false;
    const bool cross = game->mode == 1;
    const std::u16string folder = vehicleFolder();
    preview = racing::Loader3DS().load(folder.c_str(), cross ? u"crossbike.3ds" : u"superbike.3ds", 4.0f,
                                       getTextureDictionary());
    if (!preview)
    {
        vehicleMissing = true;
        return;
    }
    for (int i = preview->meshCount() - 1; i >= 0; --i)
        if (has(preview->mesh(i)->name, u"racer"))
            delete preview->removeObject(preview->mesh(i)->name);
    if (Material* wheel = preview->findMaterial(u"wheel"))
    {
        TextureDictionary* textures = getTextureDictionary();
        wheel->texture = textures->load(folder.c_str(), cross ? u"crossbike_whl0.jpg" : u"superbike_whl0.jpg", true,
                                        false);
        if (cross)
            wheel->mask = textures->load(folder.c_str(), u"crossbike_whl0alf.jpg", true, false);
    }
    preview->update(true);
    scene->addChild(u"vehicle", preview);
    applyPaint(index);
    if (loading)
        loading->visible = 0;
    scene->visible = 1;
}

void GamePage::applyPaint(int index)
{
    if (index < 0 || index >= int(paintNames.size()))
        return;
    const std::u16string& paint = paintNames[size_t(index)];
    if (Material* body = preview ? preview->findMaterial(u"body") : nullptr)
    {
        if (body->texture)
            getTextureDictionary()->remove(body->texture);
        body->texture = getTextureDictionary()->load(vehicleFolder().c_str(), (paint + u".jpg").c_str(), true, false);
    }
    if (racing::Sprite* name = findComponent(u"txtPaintingName"))
    {
        const size_t bar = paint.find(u'_');
        name->setText(bar == std::u16string::npos ? paint.c_str() : paint.substr(bar + 1).c_str());
    }
}

// ---- frames ----

void GamePage::update(float dt)
{
    if (dt <= 0.0f)
        return;
    if (showing(u"MainMenu"))
        stepMainMenu(dt, preview);
    else if (showing(u"back"))
        scrollClosingPrompt(dt);
    else if (showing(u"intro"))
        animateIntro(dt);
}

// The mode buttons blink in turn; the wire-frame bike flies in from the
// distance, turning, every two seconds.
void GamePage::animateIntro(float dt)
{
    clockA += dt;
    if (clockA > 0.8f)
        clockA = 0.0f;
    clockB += dt;
    if (clockB > 2.0f)
        clockB = 0.0f;
    if (racing::Sprite* cross = findComponent(u"cmdEnterGameMotocross"))
        cross->setState(clockA <= 0.4f ? 1 : 0);
    if (racing::Sprite* superbike = findComponent(u"cmdEnterGameSuperbike"))
        superbike->setState(clockA <= 0.4f ? 0 : 1);
    if (!preview)
        return;
    const float e = clockB - 1.0f;
    preview->matrix.setIdentity();
    preview->matrix.rotZ(kPi * e * 0.30555555f);
    preview->matrix.setTranslationXYZ(-4.0f * e, -0.2f, -80.0f * (clockB - 1.9f));
    const int level = std::clamp(50 + int(100.0f * clockB), 0, 255);
    racing::setColor(*preview, uint32_t(level) << 8);
    preview->visible = 1;
}

void GamePage::onPeriod(float)
{
    if (showing(u"MainMenu"))
    {
        racing::Scene3D* scene = findScene3D(u"sceneVehicle");
        if (scene && scene->children.empty() && !vehicleMissing)
            loadVehiclePreview(paintIndex);
    }
    else if (showing(u"PlayingMenu"))
    {
        for (const WCHAR* name : {u"cmdExercise", u"cmdRace"})
            if (racing::Sprite* sprite = findComponent(name))
                sprite->setState(blink ? 1 : 0);
        blink = !blink;
    }
}

void GamePage::stepThroughList(int& index, int count, int step, bool paint)
{
    const int next = std::clamp(index + step, 0, std::max(count - 1, 0));
    if (next == index || count == 0)
        return;
    stop();
    index = next;
    if (paint)
        applyPaint(index);
    else
        selectTrack(index);
    showNameEntry(false);
    start();
}

// The first component name the table contains acts.
bool GamePage::pressedOwn(const std::u16string& name)
{
    if (has(name, u"cmdLastTrack") || has(name, u"cmdNextTrack"))
    {
        if (!trackMissing)
            stepThroughList(trackIndex, int(trackNames.size()), has(name, u"Next") ? 1 : -1, false);
        return true;
    }
    if (has(name, u"cmdLastVehicle") || has(name, u"cmdNextVehicle"))
    {
        if (!vehicleMissing)
            stepThroughList(paintIndex, int(paintNames.size()), has(name, u"Next") ? 1 : -1, true);
        return true;
    }
    if (has(name, u"cmdVehicle"))
    {
        if (vehicleMissing || name.empty())
            return true;
        const char16_t letter = name.back();
        for (size_t i = 0; i < paintNames.size(); ++i)
            if (!paintNames[i].empty() && (paintNames[i][0] == letter || paintNames[i][0] == letter + 32))
            {
                paintIndex = int(i);
                loadVehiclePreview(paintIndex);
                break;
            }
        return true;
    }
    if (has(name, u"cmdRace") || has(name, u"cmdExercise"))
    {
        raceCommand(has(name, u"cmdExercise"), game->mode, paintIndex, trackIndex);
        return true;
    }
    if (has(name, u"cmdEnterGame") || has(name, u"cmdBackToMainMenu"))
    {
        if (!pageAvailable(u"MainMenu.properties"))
            return true;
        leavePage(true, true);
        if (has(name, u"cmdEnterGame"))
            game->mode = has(name, u"Superbike") ? 0 : 1;
        loadPage(u"MainMenu.properties");
        return true;
    }
    return false;
}

} // namespace moravel
