// game_page.cpp -- the car program's menu pages
#include "racing/tundrel/game_page.h"

#include "racing/tundrel/racing_app.h"

#include "racing/engine/base_library.h"
#include "racing/engine/loader3ds.h"
#include "racing/engine/scene3d.h"
#include "racing/engine/sprite.h"
#include "racing/engine/template_loader.h"
#include "racing/framework/score_table.h"
#include "racing/framework/track_keys.h"

#include "engine/base/matrix3.h"
#include "engine/base/matrix4.h"
#include "engine/base/matrix_ops.h"
#include "engine/base/properties.h"
#include "engine/scene/2d/group2d.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/platform/image.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"
#include "engine/scene/core/texture_dictionary.h"

#include <os/windows.h>

#include <algorithm>
#include <cstdlib>

namespace tundrel {

namespace {

bool has(const std::u16string& text, const char16_t* part)
{
    return text.find(part) != std::u16string::npos;
}

std::u16string number(int value)
{
    return racing::toU16(std::to_string(value));
}

int wholeInt(Properties& p, const char16_t* key, int fallback)
{
    const WCHAR* value = p.get(key);
    if (!value)
        return fallback;
    std::string text = racing::toAscii(value);
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    return end == text.c_str() ? fallback : int(std::clamp(v, -1000000L, 1000000L));
}

// An index kept in the template, limited to a list of `count` entries: taken
// as the last when not below it; -1 (missing) for an empty list.
int limited(int index, int count)
{
    if (count <= 0)
        return -1;
    return std::clamp(index, 0, count - 1);
}

} // namespace

GamePage::GamePage(RacingApp* app_, const std::u16string& argument, bool present)
    : MenuPage(app_, argument, present), game(app_)
{
}

int GamePage::vehicleCount(int library) const
{
    return library >= 0 && library < int(scan.vehicleNames.size()) ? int(scan.vehicleNames[size_t(library)].size())
                                                                    : 0;
}

void GamePage::startRaceFrom(const racing::RaceChoice& race, bool exercise)
{
    // The libraries were scanned again at this start: a library on a card
    // taken out since the menu moves or drops the indexes.
    if (!raceChoiceInScan(race, scan))
    {
        game->restart(game->menuCommand);
        return;
    }
    libraryIndex = race.mode;
    vehicleIndex = race.paintIndex;
    trackIndex = race.trackIndex;
    playerName = race.racer;
    std::u16string racerText = race.racer + u":" + (race.secondName == u"N/A" ? u"" : race.secondName);
    game->startRace(libraryIndex, vehicleIndex, trackIndex, racerText, exercise, scan);
}

// ---- pages ----

void GamePage::onTemplateLoaded()
{
    if (showing(u"MainMenu"))
        mainMenuLoaded();
    else if (showing(u"PlayingMenu"))
    {
        if (trackIndex >= 0 && trackIndex < int(scan.trackNames.size()))
            setText(u"txtTrackName", scan.trackNames[size_t(trackIndex)]);
        loadVehiclePreview(libraryIndex, vehicleIndex);
    }
    else if (showing(u"intro"))
    {
        fadeIn();
        playLooped(u"titleMusic");
        start();
    }
    else if (showing(u"scoreboard"))
        scoreboardLoaded();
}

void GamePage::mainMenuLoaded()
{
    // The track strip: the sky picture at full size, lowered by 25.
    if (auto* strip = static_cast<Rect2D*>(findGroup2D(u"RectTrack")))
    {
        strip->resize(1024, 128);
        strip->transform = Matrix3();
        setTranslation2D(strip->transform, 0.0f, 25.0f * getZoom());
    }
    Properties& t = templateLoader->getTemplate();
    selectTrack(limited(wholeInt(t, u"sceneSelected", 0), int(scan.trackNames.size())));
    int library = limited(wholeInt(t, u"vlibSelected", 0), int(scan.libraryEntries.size()));
    // A stored library without vehicles (or gone) falls back to the built-in one.
    if (vehicleCount(library) == 0)
        library = 0;
    selectLibrary(library);
    vehicleIndex = limited(wholeInt(t, u"vehicleSelected", 0), vehicleCount(library));
    if (racing::Scene3D* scene = findScene3D(u"sceneVehicle"))
    {
        scene->removeLight(u"Light1");
        scene->initView(getZoom(), nullptr, true);
        scene->camera.setFov(60.0f);
        scene->camera.setPosition(0.0f, 1.3f, -10.0f);
        scene->camera.setTarget(0.0f, 0.0f, 0.0f);
    }
    preview = nullptr;
    loadVehiclePreview(libraryIndex, vehicleIndex);
    if (racing::Sprite* nameSprite = findComponent(u"txtPlayerName"))
    {
        playerName = racing::filterPlayerName(nameSprite->getText());
        nameSprite->setText(playerName.c_str());
    }
    game->music = true;
    showNameEntry(false);
    start();
}

void GamePage::storeChoices(Properties& templ)
{
    templ.put(u"sceneSelected", number(trackIndex).c_str());
    templ.put(u"vlibSelected", number(libraryIndex).c_str());
    templ.put(u"vehicleSelected", number(vehicleIndex).c_str());
}

void GamePage::forgetScenes()
{
    preview = nullptr;
}

void GamePage::fillScoreRow(int row, const racing::ScoreRecord& record)
{
    setText((u"vehicle" + number(row)).c_str(), record.vehicle);
}

// ---- choices ----

void GamePage::selectLibrary(int index)
{
    libraryIndex = index;
    std::u16string name =
        index >= 0 && index < int(scan.libraryEntries.size()) ? libraryName(scan.libraryEntries[size_t(index)]) : u"";
    setText(u"txtVLib", name);
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter)
        if (racing::Sprite* s = findComponent((u"cmdVehicle" + std::u16string(1, letter)).c_str()))
        {
            s->textColor = 0x008000;
            s->underline = 0;
        }
}

void GamePage::selectTrack(int index)
{
    trackIndex = index;
    trackMissing = index < 0 || index >= int(scan.trackNames.size());
    if (trackMissing)
    {
        showTrackSky(u"");
        setText(u"txtTrackName", u"");
        return;
    }
    const std::u16string& track = scan.trackNames[size_t(index)];
    setText(u"txtTrackName", track);
    clockA = 0.5f;
    Properties& t = templateLoader->getTemplate();
    const std::u16string key = u"intro_" + track;
    // The track's intro is written on its sky, shadowed.
    const std::u16string intro = racing::fieldText(t.get(key.c_str()), u"intro");
    Texture* sky = showTrackSky(track);
    HDC dc = sky && sky->image ? sky->image->dc : nullptr;
    if (dc && !intro.empty())
    {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        ExtTextOutW(dc, 22, 58, 0, nullptr, intro.c_str(), UINT(intro.size()), nullptr);
        SetTextColor(dc, RGB(255, 221, 170));
        ExtTextOutW(dc, 21, 57, 0, nullptr, intro.c_str(), UINT(intro.size()), nullptr);
    }
    int challenge = int(racing::toFloat(racing::fieldText(t.get(key.c_str()), u"challenge"), 0.0f));
    if (racing::Sprite* bar = findComponent(u"sptChallenge"))
    {
        const int h = std::clamp(challenge, 0, 5) * 67 / 5;
        bar->height = h;
        bar->y = 132 - h;
    }
}

// The vehicle's model from its library's folder, turning in the scene, with
// its still wheel picture and without the "basis" under it.
void GamePage::loadVehiclePreview(int library, int vehicle)
{
    racing::Scene3D* scene = findScene3D(u"sceneVehicle");
    if (scene)
    {
        if (Group3D* old = scene->removeChild(u"vehicle"))
            delete old;
        preview = nullptr;
    }
    vehicleMissing = vehicle < 0 || vehicle >= vehicleCount(library);
    if (vehicleMissing)
    {
        setText(u"txtVehicleName", u"");
        return;
    }
    const std::u16string& vehicleName = scan.vehicleNames[size_t(library)][size_t(vehicle)];
    std::u16string name = vehicleName;
    std::replace(name.begin(), name.end(), u'_', u',');
    setText(u"txtVehicleName", name);
    if (!scene)
        return;
    const std::u16string folder = libraryFolder(scan.libraryEntries[size_t(library)]) + u"\\";
    preview = racing::Loader3DS().load(folder.c_str(), (vehicleName + u".3ds").c_str(), 4.0f, getTextureDictionary());
    if (!preview)
        return;
    if (Mesh* basis = preview->findObject(u"basis"))
        basis->visible = 0;
    if (Material* wheel = preview->findMaterial(u"wheel"))
        wheel->texture =
            getTextureDictionary()->load(folder.c_str(), (vehicleName + u"_whl0.jpg").c_str(), true, false);
    preview->update(true);
    scene->addChild(u"vehicle", preview);
    if (racing::Sprite* loading = findComponent(u"txtLoading"))
        loading->visible = 0;
}

// ---- frames ----

// The preview turns; the challenge bar pulses between light yellow and red.
void GamePage::update(float dt)
{
    if (dt <= 0.0f)
        return;
    if (showing(u"back"))
        return scrollClosingPrompt(dt);
    if (showing(u"intro"))
    {
        // The intro's movie strip runs upward, over and over.
        if (Group2D* movie = findGroup2D(u"rectIntroMovie"))
            if (Material* m = movie->findMaterial(u"rectMtl"))
                m->setTextureOffset(0.0f, clockA);
        clockA += 0.02f * dt;
        if (clockA > 0.5f)
            clockA = -0.5f;
        return;
    }
    if (!showing(u"MainMenu"))
        return;
    stepMainMenu(dt, preview);
    racing::Sprite* bar = findComponent(u"sptChallenge");
    if (bar && !trackMissing)
    {
        const int k = int(clockA * 500.0f) % 10 - 5;
        bar->fillColor = blendRGB(0xFF0000, 0xFFFF96, std::abs(k) * 50);
    }
}

// The preview is loaded on a period when it is not there; the playing
// menu's buttons blink.
void GamePage::onPeriod(float)
{
    if (showing(u"MainMenu"))
    {
        racing::Scene3D* scene = findScene3D(u"sceneVehicle");
        if (scene && scene->children.empty() && !vehicleMissing)
            loadVehiclePreview(libraryIndex, vehicleIndex);
    }
    else if (showing(u"PlayingMenu"))
    {
        for (const WCHAR* name : {u"cmdExercise", u"cmdRace"})
            if (racing::Sprite* sprite = findComponent(name))
                sprite->setState(blink ? 1 : 0);
        if (trackIndex >= 0 && trackIndex < int(scan.trackNames.size()))
            if (racing::Sprite* track = findComponent((u"spt" + scan.trackNames[size_t(trackIndex)]).c_str()))
                track->visible = blink ? 0 : 1;
        blink = !blink;
    }
}

// ---- pen ----

bool GamePage::pressedOwn(const std::u16string& name)
{
    if (has(name, u"cmdLastTrack") || has(name, u"cmdNextTrack"))
    {
        const int count = int(scan.trackNames.size());
        const int next = std::clamp(trackIndex + (has(name, u"cmdNextTrack") ? 1 : -1), 0, std::max(count - 1, 0));
        if (!trackMissing && next != trackIndex)
            selectTrack(next);
        return true;
    }
    if (has(name, u"cmdLastVLib") || has(name, u"cmdNextVLib"))
    {
        const int count = int(scan.libraryEntries.size());
        const int next = std::clamp(libraryIndex + (has(name, u"cmdNextVLib") ? 1 : -1), 0, std::max(count - 1, 0));
        if (next == libraryIndex)
            return true;
        stop();
        vehicleIndex = 0;
        selectLibrary(next);
        loadVehiclePreview(libraryIndex, 0);
        showNameEntry(false);
        start();
        return true;
    }
    if (has(name, u"cmdLastVehicle") || has(name, u"cmdNextVehicle"))
    {
        const int next = std::clamp(vehicleIndex + (has(name, u"cmdNextVehicle") ? 1 : -1), 0,
                                    std::max(vehicleCount(libraryIndex) - 1, 0));
        if (!vehicleMissing && next != vehicleIndex)
            loadVehiclePreview(libraryIndex, vehicleIndex = next);
        return true;
    }
    if (has(name, u"cmdVehicle"))
    {
        if (vehicleMissing || name.empty())
            return true;
        const char16_t letter = name.back();
        const int count = vehicleCount(libraryIndex);
        for (int v = 0; v < count; ++v)
        {
            const std::u16string& vehicle = scan.vehicleNames[size_t(libraryIndex)][size_t(v)];
            if (!vehicle.empty() && (vehicle[0] == letter || vehicle[0] == letter + 32))
            {
                loadVehiclePreview(libraryIndex, vehicleIndex = v);
                break;
            }
        }
        return true;
    }
    if (has(name, u"cmdRace") || has(name, u"cmdExercise"))
    {
        if (!vehicleMissing && !trackMissing)
            raceCommand(has(name, u"cmdExercise"), libraryIndex, vehicleIndex, trackIndex);
        return true;
    }
    if (has(name, u"cmdEnterGame"))
    {
        if (!pageAvailable(u"MainMenu.properties"))
            return true;
        leavePage(true, true);
        loadPage(u"MainMenu.properties");
        return true;
    }
    return false;
}

std::u16string GamePage::choiceFolder(bool vehicles) const
{
    if (!vehicles || libraryIndex < 0 || libraryIndex >= int(scan.libraryEntries.size()))
        return MenuPage::choiceFolder(vehicles);
    const std::u16string& entry = scan.libraryEntries[size_t(libraryIndex)];
    const size_t comma = entry.find(u',');
    return comma == std::u16string::npos ? entry : entry.substr(comma + 1);
}

} // namespace tundrel
