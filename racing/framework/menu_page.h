// menu_page.h -- the menu page host both racing programs share: reads the
// restart command once and shows the page it names or hands the race it
// names to the program. The menu pages themselves (cover, menus,
// selections, scoreboard) draw their page name until their templates are
// built.
#pragma once

#include "racing/engine/canvas.h"
#include "racing/framework/restart_command.h"

#include <string>

namespace racing {

class RacingApp;

class MenuPage : public Canvas
{
public:
    MenuPage(RacingApp* app, const std::u16string& argument, bool present);

    void dispatchArguments();
    void renderScenes() override;

    std::u16string pageName; // the template shown ("cover", "intro", ...)
    StartCommand command;
    float frameRate = -1.0f;

protected:
    // A "goNow" or "exerciseNow" command; music and noScore are already set.
    virtual void startRaceFrom(const RaceChoice& race, bool exercise) = 0;
    // The cover, a named page or the scoreboard.
    virtual void openPage(const std::u16string& name);

    RacingApp* app;
};

} // namespace racing
