// main_screen.h -- the main screen: every menu page of the game is a
// template loaded into this one canvas; a page that needs a fresh process
// restarts the program with an "ARG:" command
#pragma once

#include "engine/scene/screen/canvas.h"
#include "games/skyrend/command_line.h"
#include "games/skyrend/multiplayer/protocol.h"
#include "games/skyrend/pilots.h"

#include <memory>
#include <string>
#include <vector>

class FadeEffect;
class Sprite;

namespace skyrend {

class ConsolePanel;
class GameApp;

// Control ids of the menu pages.
enum ControlId
{
    kPlaneList = 1000,
    kSceneList = 1001,
    kGroupList = 1002,
    kPilotList = 1003,
    kPilotNameEdit = 1004,
    kGroupNameEdit = 1005,
};

// Posted to the main screen when the session's receive thread has queued
// flight messages (a group's flight runs them on this thread).
constexpr UINT kFlightMessage = WM_APP + 0x126;

class MainScreen : public Canvas
{
public:
    // argument: the text after "ARG:", or null.
    MainScreen(GameApp* app, const WCHAR* argument);
    ~MainScreen() override;

    // The plane and scene tables from the resource folders (at start).
    void loadFileLists();
    // Shows the page the start argument names (the cover when it names
    // nothing usable), or starts the flight it asks for.
    void showArgumentPage();

    // Window slots.
    void onCreate() override;
    void onDestroy() override;
    void update(float dt) override;
    void onTemplateLoaded() override;
    void onBeforeTemplateLoad(const WCHAR* folder, const WCHAR* name) override;

    // Loads a page of the GUI folder in place (replacing the screen).
    bool loadPage(const WCHAR* name);
    // The text of the page now loaded ("cover.properties", ...).
    const WCHAR* getPage() const { return getTemplateName(); }

    const PilotRecord* getPilot(int row) const { return roster.at(row); }
    int getPilotCount() const { return int(roster.pilots.size()); }
    const std::vector<std::u16string>& getPlanes() const { return planes; }
    const std::vector<std::u16string>& getScenes() const { return scenes_; }
    int getSelectedPlane() const { return selectedPlane; }
    int getSelectedScene() const { return selectedScene; }
    const WCHAR* getGuiFolder() const { return guiFolder.c_str(); }

    // Menu operations (public for the tests that drive a page directly).
    void selectPlane(int index);
    void selectScene(int index);
    void showPilotStats(int row);
    void savePilots();

    // The page animation offsets, program-wide as the pages expect, and
    // their steps: the intro's film strip runs from -0.5 to 0.5, the last
    // page's prompt from 0 to 1.
    static float introOffset;
    static float promptOffset;
    static float stepIntroOffset(float offset, float dt);
    static float stepPromptOffset(float offset, float dt);

    // The pen after the canvas has seen it: the sprite commands (on the
    // cockpit console page, the panel's buttons on press and release).
    void onPen(UINT message);

    // The cockpit console of a flight (main_screen_console.cpp): this screen
    // moves below the flight and shows "console.properties"; the panel's
    // instruments are drawn after its scenes.
    bool showConsole();
    ConsolePanel* getConsolePanel() const { return console.get(); }
    // The flight's dialog: mode 0 OK, 2 Yes and No, 3 no buttons.
    void showMessage(const WCHAR* text, int mode, int height);
    void hideMessage();
    bool messageShown() const;
    void setDecoyLamp(bool chaff, bool on);
    // The player's flares and chaff in the air (a group's flight sends them
    // to the server from here).
    void setDecoyCounts(int flares, int chaff) { flaresInAir = flares, chaffInAir = chaff; }
    int getFlaresInAir() const { return flaresInAir; }
    int getChaffInAir() const { return chaffInAir; }
    void showThrottleHandle(int hidden, int shown);
    // The console drawn and presented (after the flight's duties).
    void refreshConsole();
    void renderScenes() override;
    PilotRecord* getPilotRecord(int row) { return row >= 0 && row < getPilotCount() ? &roster.pilots[size_t(row)] : nullptr; }
    // The menu pages' control notifications.
    void onControlCommand(int notification, int controlId);

    // ---- multiplayer (main_screen_lobby.cpp) ----
    // "Log on": the fields read, the connection made, the user logged on,
    // the lobby shown (refreshed every 2 s by the window timer).
    void logOnFromPage();
    bool logon(const std::u16string& user, const std::u16string& password);
    void refreshGroups(bool selectLast);
    bool createGroup(const std::u16string& name);
    void showGroupInfo();
    void onTimer() override;
    // The session's notices shown on this thread: refusals and answers in
    // boxes; a lost connection takes the lobby back to the log-on page and
    // shows the flight's dialog in a flight.
    void showSessionNotices();
    const std::vector<mp::GroupEntry>& getGroups() const { return groups; }
    int getSelectedGroup() const { return selectedGroup; }
    const std::u16string& getLoggedUser() const { return loggedUser; }

protected:
    bool handleOwnMessage(UINT message, WPARAM w, LPARAM l, LRESULT* result) override;

private:
    struct Listeners : MouseListener, CommandListener, LoadListener
    {
        MainScreen& screen;
        explicit Listeners(MainScreen& s) : screen(s) {}
        void onMouse(Window*, UINT message, WPARAM, int, int) override { screen.onPen(message); }
        void onCommand(Window*, int notification, int id, HWND) override { screen.onControlCommand(notification, id); }
        void onLoad(const WCHAR* text, const WCHAR*, int percent) override;
    };

    void onSprite(const WCHAR* name);
    void stopAll();
    void fade(bool fadeIn);
    void restart(const std::u16string& argument);
    bool pageIs(const WCHAR* part) const;
    void setSpriteText(const WCHAR* spriteName, const std::u16string& text);
    void showObject(const WCHAR* objectName, bool visible);
    void showSceneNamed(const WCHAR* sceneName, bool visible);

    // Menu pages (main_screen_menu.cpp).
    void fillMainMenu();
    // Writes the log-on page's fields back into its template (not the password).
    void storeLoginFields();
    void fillList(int id, const std::vector<std::u16string>& labels, int selected);
    void storePicture(const WCHAR* spriteName, const std::u16string& texture, const std::u16string& mask);
    // A saved menu page names the pictures of the plane and scene chosen
    // when it was saved; where such a picture is gone (its plane or scene
    // file renamed or removed since), the page is given the pictures of the
    // plane and scene it selects in today's tables, and saved.
    void repairSavedPictures(const WCHAR* folder, const WCHAR* name);
    // The list row moved by step when it stays within the list, else -1.
    int stepList(int id, int step);
    void flyCommand(bool exercise);
    void openNewPilot();
    void finishNewPilot();
    void openDeletePilot();
    void answerDeletePilot(bool yes);
    void fillScoreboard();
    void onConsoleButton(Sprite* sprite, UINT message);
    void stepGroup(int step);
    void openNewGroup();
    void finishNewGroup();
    void flyInGroup();
    void leaveLobby();
    std::vector<mp::GroupEntry> groups;
    int selectedGroup = -1;
    std::u16string loggedUser, loggedPassword;
    bool enteringGroupName = false;
    std::unique_ptr<ConsolePanel> console;
    int dialogMode = -1;
    int flaresInAir = 0, chaffInAir = 0;
    bool pilotsReadable = true;

    GameApp* app;
    Listeners listeners{*this};
    std::u16string argument;
    bool hasArgument;
    std::u16string guiFolder;
    std::vector<std::u16string> planes;
    std::vector<std::u16string> scenes_;
    std::vector<std::u16string> planeLabels;
    std::vector<std::u16string> sceneLabels;
    Roster roster;
    std::unique_ptr<Properties> pilotFile;
    std::unique_ptr<FadeEffect> fadeEffect;
    HFONT listFont = nullptr;
    int selectedPlane = 0;
    int selectedScene = 0;
    bool enteringPilot = false;
};

} // namespace skyrend
