// menu_page.h -- the menu page both racing programs share: it reads the
// restart command once and shows the page it names or hands the race it
// names to the program. Every menu screen is a template of the GUI folder
// loaded into this one page (cover, intro, main menu, playing menu,
// settings, manual, closing page, scoreboard); the page reacts to the
// template's name and to the names of the pressed components. What is the
// same in both games lives here: the page changes with their fades and
// sounds, the name entry, the settings switches, the loading bar, the
// scoreboard of one track; the programs add their main menu and its choices.
#pragma once

#include "engine/platform/window.h"
#include "racing/engine/base_library.h"
#include "racing/engine/canvas.h"
#include "racing/framework/restart_command.h"

#include <string>

class Properties;
class Texture;
class Group3D;

namespace racing {

class RacingApp;
struct ScoreRecord;

class MenuPage : public Canvas, public MouseListener, public CommandListener, public LoadListener
{
public:
    // The name entry of the main menu.
    static constexpr int kNameEntry = 1000;

    MenuPage(RacingApp* app, const std::u16string& argument, bool present);

    void dispatchArguments();
    void onCreate() override;
    // The template's scenes; the page's name until a template is shown.
    void renderScenes() override;

    // The pen on a component (acts on pen-up) and the name entry losing
    // its focus, as the listener of the page's own window; the canvas's
    // own pen step stays as it is.
    using Canvas::onMouse;
    void onMouse(::Window* sender, UINT message, WPARAM keys, int x, int y) override;
    void onCommand(::Window* sender, int notification, int controlId, HWND control) override;
    // A template's progress on the loading bar.
    void onLoad(const WCHAR* text, const WCHAR* templateName, int percent) override;
    void onBeforeTemplateLoad(const WCHAR* folder, const WCHAR* name) override;

    // The template shown, by the load's name ("MainMenu.properties", ...).
    bool showing(const char16_t* part) const;
    // The "selected" field of a check-box group entry of the template; -1
    // when the entry or the field is missing.
    int selectedValue(const WCHAR* group);
    // Replaces the page by a template of the GUI folder.
    void loadPage(const WCHAR* name);
    // The first component the name contains acts: the program's own first,
    // then those both games share. False for a name of neither.
    bool pressed(const std::u16string& name);

    std::u16string pageName; // the page a command named ("cover", "intro", ...)
    StartCommand command;
    float frameRate = -1.0f;
    std::u16string guiFolder;
    std::u16string playerName, secondName;
    bool vehicleMissing = false, trackMissing = false;
    // The intro and menu animations, and the play menu's blinking.
    float clockA = 0.0f, clockB = 0.0f;
    bool blink = false;

protected:
    // A "goNow" or "exerciseNow" command; music and noScore are already set.
    virtual void startRaceFrom(const RaceChoice& race, bool exercise) = 0;
    // The cover, a named page or the scoreboard.
    virtual void openPage(const std::u16string& name);
    // The program's components, tested before the shared ones.
    virtual bool pressedOwn(const std::u16string& /*name*/) { return false; }
    // The main menu's choices of the program into its template.
    virtual void storeChoices(Properties& /*templ*/) {}
    // The page's scenes are going: what the program holds of them.
    virtual void forgetScenes() {}
    // Further cells of a scoreboard row (row -1 the latest race).
    virtual void fillScoreRow(int /*row*/, const ScoreRecord& /*record*/) {}
    // The folder the main menu's vehicles (or tracks) are listed from.
    virtual std::u16string choiceFolder(bool vehicles) const;

    // Whether the page template can be read; when not, the "Error" box names
    // it by its device path and the caller stays on its page.
    bool pageAvailable(const WCHAR* name);

    // The main menu's choices and the player name into its template, which
    // is written back.
    void saveChoices();
    // Stops the page and lets the screen go: sounds stopped, the choices
    // kept, scenes removed, textures (and with clearSounds the sound table)
    // freed.
    void leavePage(bool fadeOut, bool clearSounds);
    void showNameEntry(bool show);
    void takeNameEntry();
    void playLooped(const WCHAR* soundName);
    void restartWith(const std::u16string& command);
    void fadeOut();
    void fadeIn();
    // The latest race and the best five of its track.
    void scoreboardLoaded();
    // The playing menu's race or exercise: the command with the choice.
    void raceCommand(bool exercise, int first, int second, int trackIndex);
    // The main menu's track strip ("RectTrack") shows the track's sky
    // picture; an empty name leaves it blank. The picture, or none.
    Texture* showTrackSky(const std::u16string& track);
    // The closing page's prompt strip scrolls upward (clock B).
    void scrollClosingPrompt(float dt);
    // The main menu's motion: the track strip's sky scrolls sideways (clock
    // A) and the preview model, when there is one, turns about its up axis.
    void stepMainMenu(float dt, Group3D* preview);
    // A text of a component, when the template has it.
    void setText(const char16_t* component, const std::u16string& text);

    RacingApp* app;
    FadeEffect fade{0.5f, 10, 0x000000};
};

// Blanks become '_', the name field's forbidden characters are dropped and
// the name is cut to 32 characters.
std::u16string filterPlayerName(const std::u16string& text);

} // namespace racing
