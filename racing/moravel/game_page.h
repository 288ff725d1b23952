// game_page.h -- the motorbike program's menu page
//
// Every menu screen is a template of the GUI folder loaded into this one
// page: the cover, the intro with its wire-frame bike flying in, the main
// menu of a mode (track and paint with their previews, the player name),
// the playing menu that writes the race command, the settings, the manual,
// the closing page and the scoreboard of one track. The page reacts to the
// template's name and to the names of the pressed components.
#pragma once

#include "racing/framework/menu_page.h"

#include "engine/platform/window.h"
#include "racing/engine/base_library.h"
#include "racing/engine/canvas.h"

#include <string>
#include <vector>

class Group3D;

namespace racing {
class Sprite;
}

namespace moravel {

class RacingApp;

class GamePage : public racing::MenuPage, public MouseListener, public CommandListener, public racing::LoadListener
{
public:
    // The name entry of the main menu.
    static constexpr int kNameEntry = 1000;

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

    // The pen on a component (acts on pen-up) and the name entry losing
    // its focus.
    void onMouse(::Window* sender, UINT message, WPARAM keys, int x, int y) override;
    void onCommand(::Window* sender, int notification, int controlId, HWND control) override;
    // A template's progress on the loading bar.
    void onLoad(const WCHAR* text, const WCHAR* templateName, int percent) override;

    void update(float dt) override;
    void onPeriod(float dt) override;
    void renderScenes() override;
    void onTemplateLoaded() override;
    void onBeforeTemplateLoad(const WCHAR* folder, const WCHAR* name) override;
    void onCreate() override;

    // The template shown, by the load's name ("MainMenu.properties", ...).
    bool showing(const char16_t* part) const;
    // The "selected" field of a check-box group entry of the template; -1
    // when the entry or the field is missing.
    int selectedValue(const WCHAR* group);
    // Replaces the page by a template of the GUI folder.
    void loadPage(const WCHAR* name);

    std::vector<std::u16string> paintNames, trackNames;
    int paintIndex = 0, trackIndex = 0;
    bool vehicleMissing = false, trackMissing = false;
    std::u16string playerName, secondName;
    std::u16string guiFolder;
    // The intro and menu animations, and the play menu's blinking.
    float clockA = 0.0f, clockB = 0.0f;
    bool blink = false;

protected:
    void startRaceFrom(const racing::RaceChoice& race, bool exercise) override;
    void openPage(const std::u16string& name) override;

private:
    // The main menu's choices into its template, which is written back:
    // the track and paint of the mode and the player name.
    void saveChoices();
    // Stops the page and lets the screen go: sounds stopped, the choices
    // kept, scenes removed, textures (and with clearSounds
    // the sound table) freed.
    void leavePage(bool fadeOut, bool clearSounds);
    void showNameEntry(bool show);
    void takeNameEntry();
    void playLooped(const WCHAR* soundName);
    void restartWith(const std::u16string& command);
    void fadeOut();
    void fadeIn();
    void mainMenuLoaded();
    void introLoaded();
    void scoreboardLoaded();
    void animateIntro(float dt);
    void stepThroughList(int& index, int count, int step, bool paint);
    bool pressed(const std::u16string& name);

    RacingApp* game;
    racing::FadeEffect fade{0.5f, 10, 0x000000};
    Group3D* preview = nullptr; // the scene's
};

// Blanks become '_', the name field's forbidden characters are dropped and
// the name is cut to 32 characters.
std::u16string filterPlayerName(const std::u16string& text);

} // namespace moravel
