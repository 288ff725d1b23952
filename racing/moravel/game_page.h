// game_page.h -- the motorbike program's menu page on the shared menu page
// (racing/framework/menu_page): the intro with its wire-frame bike flying
// in, the main menu of a mode (track and paint with their previews), the
// playing menu's race command.
#pragma once

#include "racing/framework/menu_page.h"

#include "engine/platform/window.h"
#include "racing/engine/base_library.h"
#include "racing/engine/canvas.h"

#include <string>
#include <vector>

class Group3D;
class Properties;

namespace racing {
class Sprite;
}

namespace moravel {

class RacingApp;

class GamePage : public racing::MenuPage
{
public:
    GamePage(RacingApp* app, const std::u16string& argument, bool present);

    // Paints ("SBPaint_*" / "CBPaint_*" pictures) and tracks ("SB_*" /
    // "CB_*" track files) of a mode, sorted by name.
    void buildSelectionLists(int mode);
    // The track preview: the strip shows the track's sky and the name its
    // intro text; an index outside the list marks the track missing.
    void selectTrack(int index);
    // The bike of the mode with the paint, turning in "sceneVehicle"; an
    // index outside the list marks the paint missing.
    void loadVehiclePreview(int index);
    void applyPaint(int index);

    void update(float dt) override;
    void onPeriod(float dt) override;
    void onTemplateLoaded() override;

    std::vector<std::u16string> paintNames, trackNames;
    int paintIndex = 0, trackIndex = 0;

protected:
    void startRaceFrom(const racing::RaceChoice& race, bool exercise) override;
    // The tracks, paints and their letters, the race command and the mode
    // buttons of the intro.
    bool pressedOwn(const std::u16string& name) override;
    // The track and paint of the mode.
    void storeChoices(Properties& templ) override;
    void forgetScenes() override;

private:
    void mainMenuLoaded();
    void introLoaded();
    void animateIntro(float dt);
    void stepThroughList(int& index, int count, int step, bool paint);

    RacingApp* game;
    Group3D* preview = nullptr; // the scene's
};

using racing::filterPlayerName;

} // namespace moravel
