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

#include "engine/base/matrix4.h"
#include "engine/base/matrix_ops.h"
#include "engine/base/properties.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture_dictionary.h"

#include <os/windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace tundrel {

namespace {

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
    : MenuPage(app_, argument, present), guiFolder(racing::resourcesFolder() + u"GUI\\"), game(app_)
{
    // A period every 200 ms, at most 10 frames a second.
    frameTimer.windowMs = 200;
    frameTimer.targetFps = 10;
    frameTimer.mode = FrameTimer::Capped;
}

bool GamePage::isPage(const char16_t* name) const
{
    return pageName.find(name) != std::u16string::npos;
}

int GamePage::vehicleCount(int library) const
{
    return library >= 0 && library < int(scan.vehicleNames.size()) ? int(scan.vehicleNames[size_t(library)].size())
                                                                    : 0;
}

void GamePage::setText(const char16_t* sprite, const std::u16string& text)
{
    if (racing::Sprite* s = findComponent(sprite))
        s->setText(text.c_str());
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

void GamePage::openPage(const std::u16string& name)
{
    load(name);
    if (name == u"cover")
        if (racing::Sprite* press = findComponent(u"press0"))
            press->visible = 1;
    start();
}

void GamePage::load(const std::u16string& page)
{
    nextPage = page;
    templateFolder = guiFolder;
    loadTemplate(templateFolder.c_str(), (page + u".properties").c_str(), true);
    invalidate(true, nullptr);
}

void GamePage::renderScenes()
{
    if (scenes.empty())
        MenuPage::renderScenes();
    else
        drawScenes();
}

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
        setText(u"txtTrackName", u"");
        return;
    }
    const std::u16string& track = scan.trackNames[size_t(index)];
    setText(u"txtTrackName", track);
    clockA = 0.5f;
    Properties& t = getTemplateLoader().getTemplate();
    std::u16string key = u"intro_" + track;
    setText(u"txtTrackIntro", racing::fieldText(t.get(key.c_str()), u"intro"));
    int challenge = int(racing::toFloat(racing::fieldText(t.get(key.c_str()), u"challenge"), 0.0f));
    if (racing::Sprite* bar = findComponent(u"sptChallenge"))
    {
        int h = std::clamp(challenge, 0, 5) * 67 / 5;
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

// The preview turns; the challenge bar pulses between light yellow and red.
void GamePage::update(float dt)
{
    if (dt <= 0.0f || !isPage(u"MainMenu"))
        return;
    clockA += 0.08f * dt;
    if (clockA > 1.0f)
        clockA = 0.0f;
    if (preview)
    {
        Matrix4 turn;
        turn.setIdentity();
        turn.rotY(0.8f * dt);
        preview->matrix.multiply(turn);
    }
    racing::Sprite* bar = findComponent(u"sptChallenge");
    if (bar && !trackMissing)
    {
        const int k = int(clockA * 500.0f) % 10 - 5;
        bar->fillColor = blendRGB(0xFF0000, 0xFFFF96, std::abs(k) * 50);
    }
}

// The preview is loaded on the first period after the page shows.
void GamePage::onPeriod(float)
{
    racing::Scene3D* scene = findScene3D(u"sceneVehicle");
    if (isPage(u"MainMenu") && scene && scene->children.empty() && !vehicleMissing)
        loadVehiclePreview(libraryIndex, vehicleIndex);
}

void GamePage::onTemplateLoaded()
{
    pageName = nextPage;
    Properties& t = getTemplateLoader().getTemplate();
    if (isPage(u"MainMenu"))
    {
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
        std::u16string name = racing::fieldText(t.get(u"txtPlayerName"), u"text");
        if (!name.empty())
            playerName = name.substr(0, racing::kPlayerNameLength);
        game->music = true;
    }
    else if (isPage(u"PlayingMenu"))
    {
        if (trackIndex >= 0 && trackIndex < int(scan.trackNames.size()))
            setText(u"txtTrackName", scan.trackNames[size_t(trackIndex)]);
        loadVehiclePreview(libraryIndex, vehicleIndex);
    }
    else if (isPage(u"scoreboard"))
    {
        std::vector<racing::ScoreRecord> table;
        std::optional<racing::ScoreRecord> latest;
        if (!game->noScore)
            racing::loadScores(guiFolder, table, latest);
        setText(u"track", command.track);
        auto row = [&](int k, const racing::ScoreRecord& r) {
            char time[32];
            std::snprintf(time, sizeof time, "%8.3f", double(r.time));
            setText((u"racer" + number(k)).c_str(), r.racer);
            setText((u"score" + number(k)).c_str(), racing::toU16(time));
            setText((u"date" + number(k)).c_str(), r.date);
            setText((u"vehicle" + number(k)).c_str(), r.vehicle);
        };
        if (latest)
            row(-1, *latest);
        int k = 0;
        for (const racing::ScoreRecord& r : table)
            if (r.track == command.track && k < racing::kScoresPerTrack)
                row(k++, r);
        if (frameRate >= 0.0f)
        {
            char fps[32];
            std::snprintf(fps, sizeof fps, "%.1f fps", double(frameRate));
            setText(u"txtFPS", racing::toU16(fps));
        }
    }
}

void GamePage::onBeforeTemplateLoad(const WCHAR*, const WCHAR*)
{
    preview = nullptr;
    if (!isPage(u"MainMenu"))
        return;
    Properties& t = getTemplateLoader().getTemplate();
    t.put(u"sceneSelected", number(trackIndex).c_str(), false, false);
    t.put(u"vlibSelected", number(libraryIndex).c_str(), false, false);
    t.put(u"vehicleSelected", number(vehicleIndex).c_str(), false, false);
    t.save();
}

void GamePage::onMouse(UINT message, WPARAM keys, int x, int y, int phase)
{
    MenuPage::onMouse(message, keys, x, y, phase);
    if (message != WM_LBUTTONUP || phase != 1 || !pressedSprite)
        return;
    // The page may be replaced by the command: the name is copied first.
    const std::u16string name = pressedSprite->name;
    pressedSprite = nullptr;
    runCommand(name);
}

void GamePage::runCommand(const std::u16string& name)
{
    auto has = [&](const char16_t* part) { return name.find(part) != std::u16string::npos; };
    const int tracks = int(scan.trackNames.size());
    if (has(u"cmdLastTrack") || has(u"cmdNextTrack"))
    {
        int next = std::clamp(trackIndex + (has(u"cmdNextTrack") ? 1 : -1), 0, std::max(tracks - 1, 0));
        if (next != trackIndex)
            selectTrack(next);
    }
    else if (has(u"cmdLastVLib") || has(u"cmdNextVLib"))
    {
        int count = int(scan.libraryEntries.size());
        int next = std::clamp(libraryIndex + (has(u"cmdNextVLib") ? 1 : -1), 0, std::max(count - 1, 0));
        if (next == libraryIndex)
            return;
        vehicleIndex = 0;
        selectLibrary(next);
        loadVehiclePreview(libraryIndex, 0);
    }
    else if (has(u"cmdLastVehicle") || has(u"cmdNextVehicle"))
    {
        int next = std::clamp(vehicleIndex + (has(u"cmdNextVehicle") ? 1 : -1), 0,
                              std::max(vehicleCount(libraryIndex) - 1, 0));
        if (next != vehicleIndex)
            loadVehiclePreview(libraryIndex, vehicleIndex = next);
    }
    else if (has(u"cmdVehicle") && name.size() > 10)
    {
        char16_t letter = name.back();
        const int count = vehicleCount(libraryIndex);
        for (int v = 0; v < count; ++v)
        {
            char16_t first = scan.vehicleNames[size_t(libraryIndex)][size_t(v)].front();
            if (first == letter || first == letter + 32)
            {
                loadVehiclePreview(libraryIndex, vehicleIndex = v);
                break;
            }
        }
    }
    else if (has(u"cmdRace") || has(u"cmdExercise"))
    {
        if (vehicleMissing || trackMissing)
            return;
        racing::RaceChoice choice;
        choice.mode = libraryIndex;
        choice.paintIndex = vehicleIndex;
        choice.trackIndex = trackIndex;
        choice.music = game->music;
        choice.noScore = game->noScore;
        choice.racer = playerName;
        stop();
        game->restart(racing::raceCommandLine(has(u"cmdExercise"), choice));
    }
    else if (has(u"cmdQuitGame"))
        load(u"back");
    else if (has(u"cmdEnterGame"))
        load(u"MainMenu");
    else if (has(u"cmdRestartGame"))
    {
        stop();
        game->restart(u"ARG:MainMenu");
    }
    else if (has(u"btnQuitManual"))
        game->restart(u"ARG:intro");
    else if (has(u"btnEnterIntro") || has(u"waterprint"))
        load(u"intro");
    else if (has(u"btnToPlaying"))
        load(u"PlayingMenu");
    else if (has(u"cmdGSetting"))
        load(u"gsetting");
    else if (has(u"cmdExit"))
    {
        stop();
        DestroyWindow(game->getHandle());
    }
}

} // namespace tundrel
