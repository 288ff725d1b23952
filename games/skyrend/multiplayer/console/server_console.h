// server_console.h -- the window of the program in server mode
//
// A canvas whose pages are the server's templates: the cover, the
// introduction, the no-network warning, the settings (the settings file is
// that page's own template) and the console, where the game server runs
// and its log, groups, users and counters are shown.
//
// The server's threads never touch the window: they queue what happened
// (log lines, "the registry changed", the clock) and post the window a
// message; the window's thread drains the queue and updates the controls.
// Closing the window stops the server first, then closes the packs.
#pragma once

#include "engine/scene/screen/canvas.h"
#include "games/skyrend/multiplayer/connection_idle.h"
#include "games/skyrend/multiplayer/game_server.h"

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class FadeEffect;

namespace skyrend::mp {

// The settings screen's rules for what it stores (whole-text values).
struct SettingsClamp
{
    static std::u16string port(const std::u16string& text);
    static std::u16string maxIdleTime(const std::u16string& text);
    static std::u16string maxUsersPerGrp(const std::u16string& text);
};

// Reads the server's settings from the settings file's table.
ServerSettings readServerSettings(Properties& file);

class ServerConsole : public Canvas, private ServerListener
{
public:
    static constexpr const WCHAR* kTitle = u"ZEDEdorid for Vasko-Skyrend ";
    static constexpr int kConsoleIconId = 107; // the console's icon resource
    static constexpr int kLogLines = 100;
    enum ControlId
    {
        kGroupList = 1000,
        kUserList = 1001,
        kLogEdit = 1002,
        kPortEdit = 1003,
        kUserListEdit = 1004,
        kUsersPerGroupEdit = 1005,
        kIdleTimeEdit = 1006,
    };

    // guiFolder: the templates; programFolder: where the account list's
    // name starts; tempFolder: where pack members are extracted.
    ServerConsole(const std::u16string& guiFolder, const std::u16string& programFolder,
                  const std::u16string& tempFolder);
    ~ServerConsole() override;

    void onCreate() override;
    void onDestroy() override;
    void onTimer() override;
    void onTemplateLoaded() override;
    void onBeforeTemplateLoad(const WCHAR* folder, const WCHAR* name) override;

    bool loadPage(const WCHAR* name);
    // The commands of the pages' sprites, by name (public for tests).
    void onSprite(const std::u16string& name);

    bool startServer();
    void stopServer();
    GameServer* getServer() const { return server.get(); }
    const std::vector<std::u16string>& getScenes() const { return scenes; }
    const std::deque<std::u16string>& getLogLines() const { return logLines; }
    // Appends a line (window thread only); the oldest goes beyond kLogLines.
    void appendLog(const std::u16string& line);

private:
    struct Listeners : MouseListener, CommandListener
    {
        ServerConsole& console;
        explicit Listeners(ServerConsole& c) : console(c) {}
        void onMouse(Window*, UINT message, WPARAM, int, int) override;
        void onCommand(Window*, int notification, int id, HWND) override;
    };

    // ServerListener: called on server threads, under the server lock.
    void log(const std::u16string& line) override;
    void registryChanged() override;
    void tick(float runTime, int fps) override;
    void post();
    void drainQueue();

    void listScenes();
    void writeSettings();
    void showGroups();
    void showGroupInfo(bool refresh);
    void showUserInfo();
    void updateCounts();
    void setLabel(const WCHAR* name, const std::u16string& text);
    bool pageIs(const WCHAR* part) const;
    std::u16string controlText(int id);

    Listeners listeners{*this};
    std::u16string guiFolder, programFolder;
    std::unique_ptr<FadeEffect> fadeEffect;
    HFONT consoleFont = nullptr;
    std::vector<std::u16string> scenes;
    std::vector<bool> sceneWater;
    int planeCount = 1;
    std::unique_ptr<GameServer> server;
    // While the server runs, the window's loop waits for it on the real clock.
    ConnectionIdle idle;
    std::deque<std::u16string> logLines;
    // List rows point at these texts while they are shown.
    std::vector<std::u16string> groupRows, userRows;

    // Filled by server threads, drained by the window's thread.
    std::mutex queueLock;
    std::vector<std::u16string> queuedLines;
    bool queuedRegistry = false;
    bool queuedTick = false;
    float queuedRunTime = 0.0f;
    int queuedFps = 0;
    bool posted = false;
};

// The program in server mode: the console window and its message loop.
int runServerConsole();

} // namespace skyrend::mp
