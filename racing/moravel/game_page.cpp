// game_page.cpp -- the restart command's reader and the menu page host
#include "racing/moravel/game_page.h"

#include "racing/moravel/racing_app.h"

#include "racing/framework/file_names.h"

#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"

#include <os/windows.h>

#include <algorithm>

namespace moravel {

using racing::listNames;

GamePage::GamePage(RacingApp* app_, const std::u16string& argument, bool present)
    : Canvas(u"GamePage"), command(racing::parseStartCommand(argument, present)), app(app_)
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

void GamePage::dispatchArguments()
{
    switch (command.kind)
    {
    case racing::StartKind::Cover:
        grabHardwareKeys();
        pageName = u"cover";
        break;
    case racing::StartKind::Race:
    case racing::StartKind::Exercise:
    {
        const racing::RaceChoice& race = command.race;
        app->music = race.music;
        app->noScore = race.noScore;
        int mode = race.mode == 1 ? 1 : 0;
        buildSelectionLists(mode);
        // Indexes from the command line name entries of the lists just
        // built, or the race goes back to the menu.
        if (race.mode < 0 || race.mode > 1 ||
            !racing::raceChoiceInRange(race, int(paintNames.size()), int(trackNames.size())))
        {
            app->restart(u"ARG:intro");
            return;
        }
        app->startRace(mode, race.paintIndex, race.trackIndex, race, command.kind == racing::StartKind::Exercise,
                       paintNames, trackNames);
        return;
    }
    case racing::StartKind::Scoreboard:
        if (command.remote)
            app->noScore = true;
        frameRate = command.frameRate;
        pageName = u"scoreboard";
        break;
    case racing::StartKind::Page:
        grabHardwareKeys();
        pageName = command.page;
        break;
    case racing::StartKind::Invalid:
        app->restart(u"ARG:intro");
        return;
    }
    start();
}

void GamePage::renderScenes()
{
    Image* surface = getBackBuffer() ? getBackBuffer()->getImage() : nullptr;
    if (!surface)
        return;
    surface->drawRect(0x101830, 0, 0, surface->width, surface->height, true);
    HDC dc = surface->dc;
    if (!dc)
        return;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    std::u16string lines[3] = {u"Vasko-Moravel", pageName, {}};
    if (pageName == u"scoreboard")
        lines[2] = command.track + u"  " + command.racer;
    for (int i = 0; i < 3; ++i)
        ExtTextOutW(dc, 8, 20 + 20 * i, 0, nullptr, lines[i].c_str(), UINT(lines[i].size()), nullptr);
}

} // namespace moravel
