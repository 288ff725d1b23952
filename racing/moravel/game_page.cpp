// game_page.cpp -- the motorbike program's menu page
#include "racing/moravel/game_page.h"

#include "racing/moravel/racing_app.h"

#include "racing/framework/file_names.h"

namespace moravel {

using racing::listNames;

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

} // namespace moravel
