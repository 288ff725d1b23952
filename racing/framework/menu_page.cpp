// menu_page.cpp -- the restart command's reader and the menu pages both
// racing programs share
#include "racing/framework/menu_page.h"

#include "racing/framework/progress_bar.h"
#include "racing/framework/racing_app.h"
#include "racing/framework/score_table.h"
#include "racing/framework/track_keys.h"

#include "engine/base/properties.h"
#include "engine/base/resource_files.h"
#include "engine/scene/2d/group2d.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/core/material.h"
#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"
#include "engine/platform/wave_sound.h"
#include "engine/scene/core/sound_dictionary.h"
#include "engine/scene/core/texture_dictionary.h"
#include "racing/engine/sprite.h"
#include "racing/engine/template_loader.h"

#include <os/windows.h>

#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

namespace racing {

namespace {

constexpr int kEditKillFocus = 512; // EN_KILLFOCUS

// The characters a typed name never keeps (blanks become '_').
const WCHAR kForbiddenNameChars[] = u"`~!@#$%^&*=\\|,/?:;'\"";

bool has(const std::u16string& text, const char16_t* part)
{
    return text.find(part) != std::u16string::npos;
}

std::u16string number(int n)
{
    return toU16(std::to_string(n));
}

} // namespace

std::u16string filterPlayerName(const std::u16string& text)
{
    std::u16string out;
    for (char16_t c : text)
    {
        if (c == u' ')
            c = u'_';
        if (std::u16string_view(kForbiddenNameChars).find(c) != std::u16string_view::npos || c < u' ')
            continue;
        if (out.size() < kPlayerNameLength)
            out += c;
    }
    return out;
}

MenuPage::MenuPage(RacingApp* app_, const std::u16string& argument, bool present)
    : Canvas(u"GamePage"), command(parseStartCommand(argument, present)), guiFolder(resourcesFolder() + u"GUI\\"),
      app(app_)
{
    setMouseListener(this);
    setLoadListener(this);
    // The track strip and the closing page's prompt are 2D scenes.
    build2DScenes = true;
    // The name entry drops what a name may not carry (Window::getText).
    ::Window::setRefusedChars(kForbiddenNameChars);
}

void MenuPage::onCreate()
{
    Canvas::onCreate();
    setCommandListener(this);
    // onPeriod every 200 ms: the play menu blinks at that pace.
    frameTimer.windowMs = 200;
    frameTimer.targetFps = 10;
    frameTimer.mode = FrameTimer::Capped;
}

void MenuPage::dispatchArguments()
{
    switch (command.kind)
    {
    case StartKind::Cover:
        grabHardwareKeys();
        openPage(u"cover");
        return;
    case StartKind::Race:
    case StartKind::Exercise:
        app->music = command.race.music;
        app->noScore = command.race.noScore;
        startRaceFrom(command.race, command.kind == StartKind::Exercise);
        return;
    case StartKind::Scoreboard:
        if (command.remote)
            app->noScore = true;
        frameRate = command.frameRate;
        openPage(u"scoreboard");
        return;
    case StartKind::Page:
        grabHardwareKeys();
        openPage(command.page);
        return;
    case StartKind::Invalid:
        app->restart(app->menuCommand);
        return;
    }
}

// ---- pages ----

void MenuPage::openPage(const std::u16string& name)
{
    // A page the program does not have is named in a box; the program goes
    // on at the cover (without a cover, at the intro).
    if (!pageAvailable((name + u".properties").c_str()))
    {
        if (name != u"cover" && name != u"intro")
            return openPage(u"cover");
        if (name == u"cover")
            return openPage(u"intro");
        return;
    }
    pageName = name;
    loadPage((name + u".properties").c_str());
    if (name == u"cover")
    {
        if (Sprite* press = findComponent(u"press0"))
            press->visible = 1;
    }
    repaint(true, nullptr);
}

bool MenuPage::pageAvailable(const WCHAR* name)
{
    if (Properties probe; probe.load(guiFolder.c_str(), name))
        return true;
    showMissing(guiFolder + name);
    return false;
}

std::u16string MenuPage::choiceFolder(bool vehicles) const
{
    return resourcesFolder() + (vehicles ? u"vehicle" : u"scenes");
}

void MenuPage::loadPage(const WCHAR* name)
{
    loadTemplate(guiFolder.c_str(), name, true);
}

bool MenuPage::showing(const char16_t* part) const
{
    return has(templateLoader->getTemplateName(), part);
}

// A missing entry or field reads -1 (the switch then reads as off), not the
// canvas's 0, which would turn music and sound on.
int MenuPage::selectedValue(const WCHAR* group)
{
    return getFieldInt(templateLoader->getTemplate(), group, u"selected");
}

void MenuPage::onBeforeTemplateLoad(const WCHAR*, const WCHAR*)
{
    saveChoices();
    forgetScenes();
}

void MenuPage::saveChoices()
{
    Sprite* nameSprite = findComponent(u"txtPlayerName");
    if (!showing(u"MainMenu") || !nameSprite)
        return;
    Properties& templ = templateLoader->getTemplate();
    storeChoices(templ);
    playerName = filterPlayerName(nameSprite->getText());
    if (templ.get(u"txtPlayerName"))
        templ.setField(u"txtPlayerName", u"text", playerName.c_str());
    saveTemplate();
}

void MenuPage::leavePage(bool fadingOut, bool clearSounds)
{
    stop();
    if (fadingOut)
        fadeOut();
    if (getSoundDictionary())
        getSoundDictionary()->stopAll();
    saveChoices();
    forgetScenes();
    removeAllScenes();
    templateLoader->forgetObjects();
    if (getTextureDictionary())
        getTextureDictionary()->reset();
    if (clearSounds && getSoundDictionary())
        getSoundDictionary()->reset();
}

Texture* MenuPage::showTrackSky(const std::u16string& track)
{
    Group2D* strip = findGroup2D(u"RectTrack");
    Material* material = strip ? strip->findMaterial(u"rectMtl") : nullptr;
    if (!material)
        return nullptr;
    if (material->texture)
        getTextureDictionary()->remove(material->texture);
    material->texture = nullptr;
    material->color = 0;
    if (track.empty())
        return nullptr;
    material->texture =
        getTextureDictionary()->load(guiFolder.c_str(), (u"..\\scenes\\" + track + u"_skybox.jpg").c_str(), true, true);
    material->color = 0xFFFFFF;
    return material->texture;
}

void MenuPage::scrollClosingPrompt(float dt)
{
    clockB += 0.03f * dt;
    if (clockB > 1.0f)
        clockB = 0.0f;
    if (Group2D* strip = findGroup2D(u"rectPrompt"))
        if (Material* m = strip->findMaterial(u"rectMtl"))
            m->setTextureOffset(0.0f, clockB);
}

void MenuPage::stepMainMenu(float dt, Group3D* preview)
{
    clockA += 0.08f * dt;
    if (clockA > 1.0f)
        clockA = 0.0f;
    if (Group2D* strip = findGroup2D(u"RectTrack"))
        if (Material* m = strip->findMaterial(u"rectMtl"))
            m->setTextureOffset(clockA, 0.0f);
    if (preview)
    {
        Matrix4 turn;
        turn.setIdentity();
        turn.rotY(0.8f * dt);
        preview->matrix.multiply(turn);
    }
}

void MenuPage::setText(const char16_t* component, const std::u16string& text)
{
    if (Sprite* sprite = findComponent(component))
        sprite->setText(text.c_str());
}

void MenuPage::scoreboardLoaded()
{
    std::vector<ScoreRecord> table;
    std::optional<ScoreRecord> latest;
    if (!app->noScore)
        loadScores(guiFolder, table, latest);
    if (!latest || table.empty())
        return;
    const std::u16string& track = command.track;
    for (const WCHAR* name : {u"track", u"trackSD"})
        setText(name, track);
    if (frameRate > 0.0f)
    {
        char text[64];
        std::snprintf(text, sizeof text, "Average FPS:%3.1f", double(frameRate));
        setText(u"txtFPS", toU16(text));
    }
    // Row -1 is the latest race, rows 0 to 4 the track's table.
    table.insert(table.begin(), *latest);
    int row = -1;
    for (const ScoreRecord& record : table)
    {
        if (record.track != track)
            continue;
        char speed[32];
        std::snprintf(speed, sizeof speed, "%dkm/h", int(record.speed));
        setText((u"racer" + number(row)).c_str(), record.racer);
        setText((u"score" + number(row)).c_str(), toU16(speed));
        setText((u"date" + number(row)).c_str(), record.date);
        fillScoreRow(row, record);
        if (++row > kScoresPerTrack - 1)
            break;
    }
    repaint(true, nullptr);
    playLooped(u"scoreboard");
    start();
}

// The template's scenes; the page's name on its ground until one is shown.
void MenuPage::renderScenes()
{
    if (!scenes.empty())
        return drawScenes();
    Image* surface = getBackBuffer() ? getBackBuffer()->getImage() : nullptr;
    if (!surface || !surface->dc)
        return;
    surface->drawRect(0x101830, 0, 0, surface->width, surface->height, true);
    SetBkMode(surface->dc, TRANSPARENT);
    SetTextColor(surface->dc, RGB(255, 255, 255));
    ExtTextOutW(surface->dc, 8, 40, 0, nullptr, pageName.c_str(), UINT(pageName.size()), nullptr);
}

void MenuPage::onLoad(const WCHAR* text, const WCHAR*, int percent)
{
    drawProgressBar(*this, text, percent);
}

// ---- pen and name entry ----

void MenuPage::showNameEntry(bool visible)
{
    if (::Window* entry = findChild(kNameEntry))
        entry->show(visible);
    if (Sprite* ok = findComponent(u"cmdEditNameOK"))
        ok->visible = uint8_t(visible);
}

void MenuPage::takeNameEntry()
{
    ::Window* entry = findChild(kNameEntry);
    showNameEntry(false);
    if (!entry)
        return;
    WCHAR text[kPlayerNameLength * 2 + 2] = {};
    entry->getText(text, int(kPlayerNameLength) + 1);
    const std::u16string name = filterPlayerName(text);
    if (!name.empty())
        setText(u"txtPlayerName", name);
}

void MenuPage::onCommand(::Window*, int notification, int controlId, HWND)
{
    if (controlId != kNameEntry || notification != kEditKillFocus)
        return;
    takeNameEntry();
    start();
}

void MenuPage::playLooped(const WCHAR* soundName)
{
    if (WaveSound* sound = templateLoader->findSound(soundName))
        sound->playLooped(app->getHandle(), -1);
}

void MenuPage::fadeOut()
{
    fade.apply(this, false, false);
}

void MenuPage::fadeIn()
{
    fade.apply(this, true, true);
}

void MenuPage::restartWith(const std::u16string& line)
{
    app->restart(line);
}

void MenuPage::raceCommand(bool exercise, int first, int second, int trackIndex)
{
    leavePage(false, true);
    RaceChoice choice;
    choice.mode = first;
    choice.paintIndex = second;
    choice.trackIndex = trackIndex;
    choice.music = app->music;
    choice.noScore = app->noScore;
    choice.racer = playerName;
    choice.secondName = secondName;
    restartWith(raceCommandLine(exercise, choice));
}

void MenuPage::onMouse(::Window*, UINT message, WPARAM, int, int)
{
    Sprite* sprite = getPressedSprite();
    if (message != WM_LBUTTONUP || !sprite)
        return;
    const std::u16string name = sprite->name;
    pressed(name);
}

bool MenuPage::pressed(const std::u16string& name)
{
    if (pressedOwn(name))
        return true;
    if (has(name, u"rdoMusic"))
    {
        app->music = selectedValue(u"musicSwitch") == 0;
        return true;
    }
    if (has(name, u"rdoWindowSize") || has(name, u"rdoOrien") || has(name, u"chkGAPIButton"))
    {
        MessageBoxW(app->getHandle(), u"This option has no effect on Smartphone Edition.", u"Notification",
                    MB_ICONEXCLAMATION);
        return true;
    }
    if (has(name, u"cmdChangeName"))
    {
        if (::Window* entry = findChild(kNameEntry))
        {
            entry->setTextLimit(int(kPlayerNameLength));
            entry->show(true);
            entry->setFocus();
        }
        if (Sprite* ok = findComponent(u"cmdEditNameOK"))
            ok->visible = 1;
        stop();
        return true;
    }
    if (has(name, u"cmdEditNameOK"))
    {
        takeNameEntry();
        start();
        return true;
    }
    if (has(name, u"rdoSound"))
    {
        WaveSound::setEnabled(selectedValue(u"soundEffect") == 0);
        return true;
    }
    if (has(name, u"btnQuitManual"))
    {
        leavePage(true, false);
        restartWith(u"ARG:intro");
        return true;
    }
    if (has(name, u"btnEnterIntro") || has(name, u"waterprint"))
    {
        if (!pageAvailable(u"intro.properties"))
            return true;
        showNameEntry(false);
        leavePage(false, true);
        clockA = 0.0f;
        loadPage(u"intro.properties");
        return true;
    }
    if (has(name, u"cmdQuitGame"))
    {
        if (!pageAvailable(u"back.properties"))
            return true;
        showNameEntry(false);
        leavePage(true, true);
        clockB = 0.0f;
        loadPage(u"back.properties");
        if (Sprite* press = findComponent(u"press0"))
            press->visible = 1;
        playLooped(u"titleMusic");
        fadeIn();
        start();
        return true;
    }
    if (has(name, u"btnToPlaying"))
    {
        showNameEntry(false);
        // Nothing to race: the box names the folder that has none.
        if (vehicleMissing || trackMissing)
        {
            showNoneFound(vehicleMissing ? "vehicle" : "track", choiceFolder(vehicleMissing));
            return true;
        }
        if (!pageAvailable(u"PlayingMenu.properties"))
            return true;
        leavePage(false, true);
        loadPage(u"PlayingMenu.properties");
        start();
        return true;
    }
    if (has(name, u"cmdGSetting") || has(name, u"cmdManual"))
    {
        const WCHAR* page = has(name, u"cmdGSetting") ? u"gsetting.properties" : u"manual\\index.properties";
        if (!pageAvailable(page))
            return true;
        leavePage(false, false);
        loadPage(page);
        repaint(true, nullptr);
        return true;
    }
    if (has(name, u"cmdRestartGame"))
    {
        leavePage(true, false);
        restartWith(app->menuCommand);
        return true;
    }
    if (has(name, u"cmdExit"))
    {
        leavePage(true, true);
        closeResourcePacks();
        app->destroy();
        return true;
    }
    return false;
}

} // namespace racing
