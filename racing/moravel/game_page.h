// game_page.h -- the menu page host: reads the restart command once and
// shows the page it names or starts the race it names. The menu pages
// themselves (cover, menus, selections, scoreboard) draw their page name
// until their templates are built.
#pragma once

#include "racing/engine/canvas.h"
#include "racing/framework/restart_command.h"

#include <string>
#include <vector>

namespace moravel {

class RacingApp;

class GamePage : public racing::Canvas
{
public:
    GamePage(RacingApp* app, const std::u16string& argument, bool present);

    void dispatchArguments();
    // Paints ("SBPaint_*" / "CBPaint_*" pictures) and tracks ("SB_*" /
    // "CB_*" track files) of a mode, sorted by name.
    void buildSelectionLists(int mode);
    void renderScenes() override;

    std::vector<std::u16string> paintNames, trackNames;
    std::u16string pageName; // the template shown ("cover", "intro", ...)
    racing::StartCommand command;
    float frameRate = -1.0f;

private:
    RacingApp* app;
};

} // namespace moravel
