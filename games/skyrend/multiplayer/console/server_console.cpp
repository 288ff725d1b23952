// server_console.cpp -- the server console: pages, settings, the server's
// start and stop, and the log, lists and labels fed from the server's queue
#include "games/skyrend/multiplayer/console/server_console.h"

#include "engine/base/properties.h"
#include "engine/base/resource_files.h"
#include "engine/base/saved_properties.h"
#include "engine/base/wstring_utils.h"
#include "engine/platform/gdi_draw.h"
#include "engine/platform/message_loop.h"
#include "engine/platform/system_utils.h"
#include "engine/scene/2d/sprite.h"
#include "engine/scene/core/sound_dictionary.h"
#include "engine/scene/screen/fade.h"
#include "games/skyrend/flight/flight_constants.h"
#include "games/skyrend/game_app.h"
#include "games/skyrend/multiplayer/account_list.h"
#include "games/skyrend/screen_services.h"

#include <os/controls.h>
#include <os/user.h>
#include <os/wstring.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace skyrend::mp {

namespace {

constexpr const WCHAR* kSettingsFile = u"ZEDEdoridSetting.properties";

bool has(const std::u16string& text, const WCHAR* part)
{
    return text.find(part) != std::u16string::npos;
}

std::u16string folded(std::u16string path)
{
    collapseParentDirs(path.data());
    return path.c_str();
}

bool fileOpens(const std::u16string& path)
{
    FILE* file = openResourceFile(path.c_str(), u"r");
    if (!file)
        return false;
    closeResourceFile(file);
    return true;
}

// The whole text as a number; false for empty text or anything else in it.
bool wholeNumber(const std::u16string& text, long& value)
{
    if (text.empty() || text.size() > 9)
        return false;
    value = 0;
    for (char16_t c : text)
    {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
    }
    return true;
}

std::u16string number(long value)
{
    return os::format(u"%d", int(value));
}

} // namespace

// ---- settings ----

std::u16string SettingsClamp::port(const std::u16string& text)
{
    long v = 0;
    // Below 999 (and what no port can be) is stored as 1000.
    return wholeNumber(text, v) && v >= 999 && v <= 65535 ? number(v) : u"1000";
}

std::u16string SettingsClamp::maxIdleTime(const std::u16string& text)
{
    long v = 0;
    return wholeNumber(text, v) && v >= 1 ? number(v) : u"10";
}

std::u16string SettingsClamp::maxUsersPerGrp(const std::u16string& text)
{
    long v = 0;
    return wholeNumber(text, v) && v >= 2 && v <= 16 ? number(v) : u"8";
}

ServerSettings readServerSettings(Properties& file)
{
    ServerSettings s;
    auto text = [&](const WCHAR* key, const WCHAR* fallback) {
        WCHAR* value = file.getField(key, u"text");
        std::u16string out = value ? value : fallback;
        delete[] value;
        return out;
    };
    long v = 0;
    s.port = wholeNumber(SettingsClamp::port(text(u"portNumber", u"8888")), v) ? int(v) : 8888;
    s.authenticate = file.getFieldInt(u"chkAuthentication", u"status", 0) != 0;
    s.userListFile = text(u"userListFile", u"users.properties");
    s.maxIdleTime = wholeNumber(SettingsClamp::maxIdleTime(text(u"maxIdleTime", u"10")), v) ? int(v) : 10;
    s.maxUsersPerGrp = wholeNumber(SettingsClamp::maxUsersPerGrp(text(u"maxUsersPerGrp", u"8")), v) ? int(v) : 8;
    s.defaultGroups = file.getFieldInt(u"chkDefaultGrp", u"status", 1) != 0;
    return s;
}

// For tests only: SKYREND_FORMATION=1 starts every aircraft that enters a
// group with members beside the newest of them, so two scripted players
// see each other at once. Unset (or anything else) it does nothing.
bool formationHook()
{
    const char* text = std::getenv("SKYREND_FORMATION");
    return text && std::string(text) == "1";
}

// ---- the window ----

ServerConsole::ServerConsole(const std::u16string& gui, const std::u16string& program, const std::u16string& temp)
    : Canvas(kTitle, true), guiFolder(gui), programFolder(program)
{
    style = 0x10080000;
    allowMultipleInstances = true;
    setTextColor(255, 255, 255);
    setBackgroundColor(50, 32, 16);
    windowClass.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kConsoleIconId));
    setMouseListener(&listeners);
    setTempFolder(temp.c_str());
    addResourcePack(u"scenes.zip", (program + u"..\\resources\\scenes").c_str());
    addResourcePack(u"aircraft.zip", (program + u"..\\resources\\aircraft").c_str());
    addResourcePack(u"manual.zip", (program + u"..\\resources\\GUI").c_str());
    listScenes();
}

ServerConsole::~ServerConsole()
{
    stopServer();
    if (consoleFont)
        DeleteObject(consoleFont);
}

void ServerConsole::onCreate()
{
    setCommandListener(&listeners);
    fadeEffect = std::make_unique<FadeEffect>(0.5f, 10, 0x000000);
    frameTimer.mode = FrameTimer::Paced;
    frameTimer.targetFps = 10;
    frameTimer.delayMs = 100;
    startupSockets();
}

void ServerConsole::onDestroy()
{
    // The server's threads end before the sockets and the packs go.
    stopServer();
    closeResourcePacks();
    cleanupSockets();
    fadeEffect.reset();
}

void ServerConsole::listScenes()
{
    const std::u16string folder = folded(programFolder + u"..\\resources\\scenes\\");
    scenes = listFileNames((folder + u"scene_*.properties").c_str(), false);
    for (auto& s : scenes)
        s = s.substr(6); // what follows "scene_"
    sceneWater.clear();
    for (const auto& s : scenes)
    {
        Properties scene(u'=', u',', u':');
        scene.load(folder.c_str(), (u"scene_" + s + u".properties").c_str());
        sceneWater.push_back(scene.getFieldInt(u"scene.basisIsWater", nullptr, 0) != 0);
    }
    const std::u16string aircraft = folded(programFolder + u"..\\resources\\aircraft\\");
    planeCount = std::max<int>(1, int(listFileNames((aircraft + u"plane_*.properties").c_str(), false).size()));
}

bool ServerConsole::pageIs(const WCHAR* part) const
{
    return wcsstr(getTemplateName(), part) != nullptr;
}

bool ServerConsole::loadPage(const WCHAR* name)
{
    // The settings page is the settings file: a damaged one is set aside
    // and the shipped copy shows (and is written back) in its place.
    if (std::u16string(name) == kSettingsFile)
        repairSavedProperties(guiFolder.c_str(), name);
    // A page that is not there leaves the screen as it is.
    if (!fileOpens(folded(guiFolder + name)))
        return false;
    const bool loaded = loadTemplate(guiFolder.c_str(), name, true);
    redraw();
    return loaded;
}

void ServerConsole::onBeforeTemplateLoad(const WCHAR*, const WCHAR*)
{
    if (pageIs(u"ZEDEdoridSetting"))
        writeSettings();
}

std::u16string ServerConsole::controlText(int id)
{
    Window* control = findChild(UINT(id));
    if (!control)
        return u"";
    WCHAR buffer[260] = {};
    control->getText(buffer, 260);
    return buffer;
}

void ServerConsole::writeSettings()
{
    Properties* file = getTemplate();
    if (!file)
        return;
    file->setField(u"portNumber", u"text", SettingsClamp::port(controlText(kPortEdit)).c_str());
    const std::u16string list = controlText(kUserListEdit);
    // Opened, not read: a huge list is checked when the server starts.
    if (!list.empty() && fileOpens(folded(programFolder + list)))
        file->setField(u"userListFile", u"text", list.c_str());
    else
        MessageBoxW(getHandle(), u"The User Account List File you input can not be found.", u"Error", MB_OK);
    file->setField(u"maxIdleTime", u"text", SettingsClamp::maxIdleTime(controlText(kIdleTimeEdit)).c_str());
    file->setField(u"maxUsersPerGrp", u"text", SettingsClamp::maxUsersPerGrp(controlText(kUsersPerGroupEdit)).c_str());
    for (const WCHAR* box : {u"chkAuthentication", u"chkDefaultGrp"})
    {
        auto* sprite = dynamic_cast<Sprite*>(findComponent(box));
        file->setField(box, u"status", sprite && sprite->status ? u"1" : u"0");
    }
    saveTemplate();
}

void ServerConsole::onTemplateLoaded()
{
    if (pageIs(u"ZEDEdoridIntro"))
    {
        applyEffect(fadeEffect.get(), true, true);
        return;
    }
    if (!pageIs(u"ZEDEdoridConsole") || pageIs(u"MPGCover"))
        return;
    if (!consoleFont)
        consoleFont = createFont(scaleToScreen(12), 400, false, false, u"Arial");
    if (Window* edit = findChild(kLogEdit))
    {
        edit->setReadOnly(true);
        edit->setFont(consoleFont);
    }
    for (int id : {kGroupList, kUserList})
        if (Window* list = findChild(UINT(id)))
            list->setFont(consoleFont);
    redraw();
    startServer();
}

// ---- the server ----

bool ServerConsole::startServer()
{
    if (server)
        return true;
    Properties file(u'=', u',', u':');
    loadSavedProperties(file, guiFolder.c_str(), kSettingsFile);
    ServerSettings settings = readServerSettings(file);
    settings.formation = formationHook();
    server = std::make_unique<GameServer>(settings, static_cast<ServerListener*>(this));
    server->setScenes(scenes, sceneWater);
    server->setPlaneCount(planeCount);
    server->setProgramFolder(programFolder);
    loadFlightConstants(folded(programFolder + u"..\\resources\\aircraft\\").c_str());
    if (settings.defaultGroups)
    {
        server->lockServer();
        for (size_t i = 0; i < scenes.size(); ++i)
            server->createGroup(scenes[i] + u" Default Group", u"ZEDEdorid", int(i), true);
        server->unlockServer();
    }
    if (settings.authenticate)
    {
        // Read once now, so a damaged list is told to the keeper at start
        // (the server reads it again only when it changes).
        AccountList accounts;
        const std::u16string path = server->accountListPath();
        if (!accounts.read(path))
            appendLog(u"The user account list cannot be read: every log-on will be refused.");
        else if (!accounts.damage().empty())
        {
            const std::u16string text = accountListDamageText(path, accounts);
            appendLog(text);
            MessageBoxW(getHandle(), text.c_str(), u"Warning", MB_OK | MB_ICONEXCLAMATION);
        }
    }
    appendLog(u"Game server is starting ...");
    drainQueue();
    redraw();
    if (server->startServer())
    {
        // Shown at once: the server's first lines and labels.
        server->waitStarted(5000);
        drainQueue();
        idle.begin();
        return true;
    }
    MessageBoxW(getHandle(),
                u"The server can not start up. It probably because:\n(1) The IP port has been occupied by another "
                u"process.\n(2) You try to run more than one game server in the same device.\n(3) The required "
                u"protocol is not supported by this device.\n(4) Some Socket DLL libraries are missing.\n",
                u"Error", MB_OK | MB_ICONEXCLAMATION);
    server.reset();
    // Closed once the page's handlers have returned, not from inside them.
    PostMessageW(getHandle(), WM_CLOSE, 0, 0);
    return false;
}

void ServerConsole::stopServer()
{
    idle.end();
    if (!server)
        return;
    server->stop();
    server.reset();
}

// ---- the queue between the server's threads and the window ----

void ServerConsole::log(const std::u16string& line)
{
    std::lock_guard<std::mutex> hold(queueLock);
    queuedLines.push_back(line);
    post();
}

void ServerConsole::registryChanged()
{
    std::lock_guard<std::mutex> hold(queueLock);
    queuedRegistry = true;
    post();
}

void ServerConsole::tick(float runTime, int fps)
{
    std::lock_guard<std::mutex> hold(queueLock);
    queuedTick = true;
    queuedRunTime = runTime;
    queuedFps = fps;
    post();
}

// Under queueLock: one message stands for everything queued until it is handled.
void ServerConsole::post()
{
    if (posted)
        return;
    posted = true;
    PostMessageW(getHandle(), WM_TIMER, kTimerId, 0);
    idle.wake();
}

void ServerConsole::onTimer()
{
    drainQueue();
}

void ServerConsole::drainQueue()
{
    std::vector<std::u16string> lines;
    bool registry, ticked;
    float runTime;
    int fps;
    {
        std::lock_guard<std::mutex> hold(queueLock);
        lines.swap(queuedLines);
        registry = queuedRegistry;
        ticked = queuedTick;
        runTime = queuedRunTime;
        fps = queuedFps;
        queuedRegistry = queuedTick = false;
        posted = false;
    }
    for (const auto& line : lines)
    {
        appendLog(line);
        if (has(line, u"Game server started at:"))
        {
            WCHAR address[64] = {}, host[64] = {};
            getLocalAddress(address, 64);
            getLocalHostName(host, 64);
            setLabel(u"txtServerName", os::format(u"IP: %s:%d (%s)", address, server ? server->getPort() : 0, host));
            setLabel(u"txtServerTime", u"Time: 00:00:00");
            setLabel(u"txtServerFPS", u"FPS:  0");
            updateCounts();
        }
    }
    if (registry && server)
    {
        showGroups();
        updateCounts();
    }
    if (ticked)
    {
        const int seconds = int(runTime + 0.5f);
        setLabel(u"txtServerTime",
                 os::format(u"Time: %02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60));
        setLabel(u"txtServerFPS", os::format(u"FPS: %2d", std::min(fps, 99)));
        showUserInfo();
    }
    if (!lines.empty() || registry || ticked)
        redraw();
}

void ServerConsole::appendLog(const std::u16string& line)
{
    logLines.push_back(line);
    while (logLines.size() > size_t(kLogLines))
        logLines.pop_front();
    Window* edit = findChild(kLogEdit);
    if (!edit || !edit->getHandle())
        return;
    std::u16string text;
    for (const auto& l : logLines)
        text += l + u"\r\n";
    SetWindowTextW(edit->getHandle(), text.c_str());
    SendMessageW(edit->getHandle(), EM_SETSEL, WPARAM(text.size()), LPARAM(text.size()));
    SendMessageW(edit->getHandle(), EM_SCROLLCARET, 0, 0);
}

// ---- labels and lists ----

void ServerConsole::setLabel(const WCHAR* name, const std::u16string& text)
{
    if (auto* sprite = dynamic_cast<Sprite*>(findComponent(name)))
        sprite->setText(text.c_str(), true);
}

void ServerConsole::updateCounts()
{
    if (!server)
        return;
    server->lockServer();
    const int groups = int(server->getGroups().size());
    const int users = int(server->getUsers().size());
    server->unlockServer();
    setLabel(u"txtServerInfor", os::format(u"Grps:%3d, Usrs:%4d", groups, users));
}

void ServerConsole::showGroups()
{
    Window* list = findChild(kGroupList);
    if (!list || !server)
        return;
    WCHAR selected[128] = {};
    const int row = list->getListSelection();
    if (row >= 0 && row < int(groupRows.size()))
        wcsncpy(selected, groupRows[size_t(row)].c_str(), 127);
    list->clearList();
    groupRows.clear();
    for (const GroupView& g : server->viewGroups())
        groupRows.push_back(g.name);
    int keep = int(groupRows.size()) - 1;
    for (size_t i = 0; i < groupRows.size(); ++i)
    {
        list->addListItem(groupRows[i].c_str());
        if (selected[0] && groupRows[i] == selected)
            keep = int(i);
    }
    list->setListSelection(keep);
    showGroupInfo(false);
}

void ServerConsole::showGroupInfo(bool refresh)
{
    Window* groupList = findChild(kGroupList);
    Window* userList = findChild(kUserList);
    const int row = groupList ? groupList->getListSelection() : -1;
    const GroupView* group = nullptr;
    std::vector<GroupView> views;
    if (server && row >= 0 && row < int(groupRows.size()))
    {
        views = server->viewGroups();
        for (const GroupView& g : views)
            if (g.name == groupRows[size_t(row)])
                group = &g;
    }
    if (userList)
        userList->clearList();
    userRows.clear();
    if (!group)
    {
        for (const WCHAR* label : {u"txtGrpScenery", u"txtGrpCreator", u"txtGrpTime", u"txtGrpUserNum"})
            setLabel(label, u"");
    }
    else
    {
        const SYSTEMTIME& t = group->created;
        setLabel(u"txtGrpScenery", group->scene);
        setLabel(u"txtGrpCreator", group->creator);
        setLabel(u"txtGrpTime",
                 os::format(u"%02d/%02d %02d:%02d:%02d", t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond));
        setLabel(u"txtGrpUserNum", os::format(u"%d", int(group->members.size())));
        userRows = group->members;
        if (userList)
        {
            for (const auto& name : userRows)
                userList->addListItem(name.c_str());
            userList->setListSelection(int(userRows.size()) - 1);
        }
    }
    if (refresh)
    {
        showUserInfo();
        redraw();
    }
}

void ServerConsole::showUserInfo()
{
    Window* userList = findChild(kUserList);
    const int row = userList ? userList->getListSelection() : -1;
    if (!server || row < 0 || row >= int(userRows.size()))
    {
        for (const WCHAR* label : {u"txtUserAccount", u"txtUserScore", u"txtUserFPS"})
            setLabel(label, u"");
        return;
    }
    const UserView user = server->viewUser(userRows[size_t(row)]);
    setLabel(u"txtUserAccount", os::format(u"%s", user.name.c_str()));
    setLabel(u"txtUserScore", os::format(u"%8d", int(user.score)));
    setLabel(u"txtUserFPS", os::format(u"%2d", user.fps));
}

// ---- commands ----

void ServerConsole::Listeners::onMouse(Window*, UINT message, WPARAM, int, int)
{
    if (message != WM_LBUTTONUP)
        return;
    if (Sprite* sprite = console.getPressedSprite())
        console.onSprite(sprite->name);
}

void ServerConsole::Listeners::onCommand(Window*, int notification, int id, HWND)
{
    if (notification != LBN_SELCHANGE)
        return;
    if (id == kGroupList)
        console.showGroupInfo(true);
    else if (id == kUserList)
    {
        console.showUserInfo();
        console.redraw();
    }
}

void ServerConsole::onSprite(const std::u16string& name)
{
    if (has(name, u"btnEnterZEDEdoridIntro"))
        loadPage(u"ZEDEdoridIntro.properties");
    else if (has(name, u"cmdStartServer"))
    {
        WCHAR address[64] = {};
        getLocalAddress(address, 64);
        const bool noNetwork = std::u16string(address) == u"127.0.0.1";
        loadPage(noNetwork ? u"ZEDEdoridWarning.properties" : u"ZEDEdoridConsole.properties");
    }
    else if (has(name, u"cmdStartAnyway"))
        loadPage(u"ZEDEdoridConsole.properties");
    else if (has(name, u"cmdServerSetting"))
        loadPage(kSettingsFile);
    else if (has(name, u"cmdQuit"))
    {
        setPressedSprite(nullptr);
        PostMessageW(getHandle(), WM_CLOSE, 0, 0);
    }
    else if (has(name, u"txtCloseServer"))
    {
        stopServer();
        setPressedSprite(nullptr);
        PostMessageW(getHandle(), WM_CLOSE, 0, 0);
    }
    else if (has(name, u"cmdManual") || has(name, u"playGetIP"))
    {
        if (SoundDictionary* sounds = getSoundDictionary())
            sounds->stopAll();
        loadPage(has(name, u"cmdManual") ? u"manual\\index.properties" : u"manual\\MPGGetIP.properties");
        stop();
        redraw();
    }
    else if (has(name, u"btnQuitManual"))
    {
        setPressedSprite(nullptr);
        restartProgram(getHandle(), u"/server");
    }
}

// ---- the program in server mode ----

namespace {

// A server is ended by SIGTERM (a service manager, a shell's kill) as by
// closing its window: the console is posted WM_CLOSE, stops the server and
// closes. The handler only writes a byte to a pipe (all it may do); a thread
// of the watch reads it and posts the message.
class TerminationWatch
{
public:
    explicit TerminationWatch(HWND window) : window(window)
    {
        if (pipe2(fds, O_CLOEXEC) != 0)
        {
            fds[0] = fds[1] = -1;
            return;
        }
        writeEnd = fds[1];
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        installed = sigaction(SIGTERM, &action, &previous) == 0;
        reader = std::thread([this] { watch(); });
    }

    ~TerminationWatch()
    {
        if (installed)
            sigaction(SIGTERM, &previous, nullptr);
        writeEnd = -1;
        if (fds[1] >= 0)
        {
            const char quit = 'q';
            [[maybe_unused]] ssize_t n = write(fds[1], &quit, 1);
        }
        if (reader.joinable())
            reader.join();
        for (int fd : fds)
            if (fd >= 0)
                close(fd);
    }

    TerminationWatch(const TerminationWatch&) = delete;
    TerminationWatch& operator=(const TerminationWatch&) = delete;

private:
    static void onSignal(int)
    {
        const int fd = writeEnd;
        if (fd >= 0)
        {
            const char term = 't';
            [[maybe_unused]] ssize_t n = write(fd, &term, 1);
        }
    }

    void watch()
    {
        char c = 0;
        for (;;)
        {
            const ssize_t n = read(fds[0], &c, 1);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0 || c == 'q')
                return;
            PostMessageW(window, WM_CLOSE, 0, 0);
        }
    }

    static inline volatile sig_atomic_t writeEnd = -1;
    HWND window;
    int fds[2] = {-1, -1};
    bool installed = false;
    struct sigaction previous = {};
    std::thread reader;
};

} // namespace

int runServerConsole()
{
    WCHAR program[MAX_PATH] = {};
    getProgramFolder(program);
    ServerConsole console(guiFolderPath(), program, processTempFolder());
    int x, y, w, h;
    getScreenRect(&x, &y, &w, &h);
    if (!console.create(x, y, w, h))
        return 0;
    Canvas::setScreenScale(float(console.getClientWidth()) * (1.0f / 240.0f));
    console.loadPage(u"MPGCover.properties");
    TerminationWatch terminate(console.getHandle());
    return runMessageLoop(console.getHandle());
}

} // namespace skyrend::mp
