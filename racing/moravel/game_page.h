// game_page.h -- the motorbike program's menu page: the shared menu page
// host with the paint and track lists of a mode
#pragma once

#include "racing/framework/menu_page.h"

#include <string>
#include <vector>

namespace moravel {

class RacingApp;

class GamePage : public racing::MenuPage
{
public:
    GamePage(RacingApp* app, const std::u16string& argument, bool present);

    // Paints ("SBPaint_*" / "CBPaint_*" pictures) and tracks ("SB_*" /
    // "CB_*" track files) of a mode, sorted by name.
    void buildSelectionLists(int mode);

    std::vector<std::u16string> paintNames, trackNames;

protected:
    void startRaceFrom(const racing::RaceChoice& race, bool exercise) override;

private:
    RacingApp* game;
};

} // namespace moravel
