// game_app.cpp -- program entry, application window, flights and restarts
#include "games/skyrend/game_app.h"

#include "engine/base/properties.h"
#include "engine/base/resource_files.h"
#include "engine/base/saved_properties.h"
#include "engine/base/wstring_utils.h"
#include "engine/platform/message_loop.h"
#include "engine/platform/system_utils.h"
#include "engine/platform/wave_sound.h"
#include "engine/scene/core/sound_dictionary.h"
#include "engine/scene/screen/canvas.h"
#include "games/skyrend/command_line.h"
#include "games/skyrend/flight_link.h"
#include "games/skyrend/flight/aircraft.h"
#include "games/skyrend/game_canvas.h"
#include "games/skyrend/main_screen.h"
#include "games/skyrend/multiplayer/client_session.h"
#include "games/skyrend/multiplayer/console/server_console.h"
#include "games/skyrend/screen_services.h"
#include "engine/platform/net_socket.h"

#include <os/wstring.h>

#include <cstdlib>

namespace skyrend {

namespace {

constexpr const WCHAR* kGameTitle = u"Vasko-Skyrend";
constexpr int kGameIconId = 101; // the program's icon resource
// Characters a name typed into an edit box may not hold (blanks become '_').
constexpr const WCHAR* kRefusedChars = u"`~!@#$%^&*=\\|,/?:;'\"";

std::u16string programFolder()
{
    WCHAR folder[MAX_PATH] = {};
    getProgramFolder(folder);
    return folder;
}

int runGame(HINSTANCE instance, const WCHAR* commandLine)
{
    Window::setRefusedChars(kRefusedChars);
    const WCHAR* argument = findArgument(commandLine);
    GameApp app(instance, argument);
    int x, y, w, h;
    getScreenRect(&x, &y, &w, &h);
    if (!app.create(x, y, w, h))
        return 0;
    Canvas::setScreenScale(float(app.getClientWidth()) * (1.0f / 240.0f));
    if (!app.showMainScreen(argument))
        return 0;
    return runMessageLoop(app.getHandle());
}

// For tests only: SKYREND_ENEMY_DAMAGE=N (1..100) hits every enemy for N
// points as the flight starts, as a hit would (100 brings it down), so a
// scripted mission can be won in bounded time. Unset (or anything else) it
// does nothing.
void applyTestDamage(GameCanvas& flight)
{
    const char* text = std::getenv("SKYREND_ENEMY_DAMAGE");
    if (!text || !*text)
        return;
    char* end = nullptr;
    const long points = std::strtol(text, &end, 10);
    if (*end || points < 1 || points > 100)
        return;
    for (Aircraft* enemy : flight.enemies())
        enemy->takeHit(int(points), 0.0f);
}

} // namespace

AppWindow::AppWindow(const WCHAR* title) : Window(title, nullptr, false)
{
    style = WS_VISIBLE;
}

std::u16string guiFolderPath()
{
    std::u16string folder = programFolder() + u"..\\resources\\GUI\\";
    collapseParentDirs(folder.data());
    return folder.c_str();
}

std::u16string processTempFolder()
{
    WCHAR documents[MAX_PATH] = {};
    getSpecialFolder(5, documents);
    // One folder per process: a game and a server console running side by
    // side never empty each other's extracted files.
    return os::format(u"%s\\Kalmir.tmp\\%u\\", documents, unsigned(GetCurrentProcessId()));
}

bool soundSwitchOf(Properties& settings)
{
    return settings.getFieldInt(u"soundEffect", u"selected", -1) == 0;
}

bool hardwareMixingOf(Properties& settings)
{
    return settings.getFieldInt(u"soundHwdMixing", u"status", -1) == 1;
}

GameApp::GameApp(HINSTANCE, const WCHAR*) : AppWindow(kGameTitle)
{
    setTempFolder(processTempFolder().c_str());
    const std::u16string folder = programFolder();
    addResourcePack(u"scenes.zip", (folder + u"..\\resources\\scenes").c_str());
    addResourcePack(u"aircraft.zip", (folder + u"..\\resources\\aircraft").c_str());
    addResourcePack(u"manual.zip", (folder + u"..\\resources\\GUI").c_str());
    // The settings are read first here: a damaged file is set aside now and
    // its shipped copy read in its place.
    Properties settings(u'=', u',', u':');
    loadSavedProperties(settings, guiFolderPath().c_str(), u"gsetting.properties");
    WaveSound::setEnabled(soundSwitchOf(settings));
    hardwareMixing = hardwareMixingOf(settings);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kGameIconId));
}

GameApp::~GameApp() = default;

void GameApp::onDestroy()
{
    endSession();
    closeResourcePacks();
    if (socketsStarted)
        cleanupSockets();
    socketsStarted = false;
}

void GameApp::onActivated(bool active)
{
    if (active && mainScreen)
        mainScreen->setFocus();
}

bool GameApp::showMainScreen(const WCHAR* argument)
{
    mainScreen = new MainScreen(this, argument);
    mainScreen->loadFileLists();
    if (!addChild(mainScreen, 0, 0, Canvas::scaleToScreen(240), Canvas::scaleToScreen(320)))
    {
        delete mainScreen;
        mainScreen = nullptr;
        return false;
    }
    mainScreen->setFocus();
    mainScreen->showArgumentPage();
    return true;
}

GameCanvas::Mission flightSettingsOf(Properties& settings)
{
    GameCanvas::Mission mission;
    mission.replaceDowned = settings.getFieldInt(u"missionType", u"selected", -1) != 0;
    mission.skyDome = settings.getFieldInt(u"skydomeRendering", u"selected", -1) == 0;
    mission.directVideo = settings.getFieldInt(u"chkGAPIVideo", u"status", -1) != 0;
    mission.directButtons = settings.getFieldInt(u"chkGAPIButton", u"status", -1) != 0;
    return mission;
}

GameCanvas::Mission GameApp::flightSettings() const
{
    Properties settings(u'=', u',', u':');
    loadSavedProperties(settings, guiFolderPath().c_str(), u"gsetting.properties");
    return flightSettingsOf(settings);
}

bool GameApp::startFlight(int plane, int scene, int pilot, bool exerciseFlight)
{
    exercise = exerciseFlight;
    MainScreen* screen = mainScreen;
    GameCanvas::Mission mission = flightSettings();
    mission.plane = plane;
    mission.exercise = exerciseFlight;
    if (!buildFlight(mission, scene, pilot))
        return false;
    flightPilot = pilot;
    screen->refreshConsole();
    flight->start();
    screen->setFocus();
    return true;
}

bool GameApp::startGroupFlight(int plane, int scene, const std::vector<mp::MemberEntry>& members,
                               std::unique_ptr<FlightLink> flightLink)
{
    exercise = false;
    GameCanvas::Mission mission = flightSettings();
    mission.plane = plane;
    mission.exercise = false;
    mission.replaceDowned = false;
    mission.multiplayer = true;
    mission.members = members;
    link = std::move(flightLink);
    if (!buildFlight(mission, scene, -1))
    {
        if (session)
            session->setFlight(nullptr);
        link.reset();
        return false;
    }
    flight->setSession(session.get(), link.get());
    mainScreen->refreshConsole();
    mainScreen->setFocus();
    // The player's missile places mark the user as flying: the server's
    // states drive the frames from now on.
    flight->sendOwnState();
    flight->getFrameTimer().reset();
    runFlightMessages();
    return true;
}

bool GameApp::buildFlight(GameCanvas::Mission& mission, int scene, int pilot)
{
    MainScreen* screen = mainScreen;
    mission.planes = screen->getPlanes();
    mission.hardwareMixing = hardwareMixing;
    if (scene >= 0 && scene < int(screen->getScenes().size()))
        mission.scene = screen->getScenes()[size_t(scene)];
    std::u16string resources = programFolder() + u"..\\resources\\";
    collapseParentDirs(resources.data());
    resources = resources.c_str();

    screen->stop();
    if (SoundDictionary* sounds = screen->getSoundDictionary())
        sounds->stopAll();
    flight = new GameCanvas(resources);
    bool built = screen->showConsole() &&
                 addChild(flight, 0, 0, Canvas::scaleToScreen(240), Canvas::scaleToScreen(160));
    if (built)
    {
        flight->setConsoleScreen(screen);
        flight->setPilot(screen->getPilotRecord(pilot));
        built = flight->buildMission(mission);
        if (built && !mission.multiplayer)
            applyTestDamage(*flight);
    }
    if (!built)
    {
        const std::u16string reason = flight->buildError().empty() ? u"The flight can not be built." : flight->buildError();
        removeChild(flight);
        delete flight;
        flight = nullptr;
        screen->move(0, 0, Canvas::scaleToScreen(240), Canvas::scaleToScreen(320));
        MessageBoxW(getHandle(), reason.c_str(), u"Error", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

void GameApp::runFlightMessages()
{
    if (!link)
        return;
    std::vector<FlightLink::Item> items = link->take();
    if (flight)
        flight->runNetworkMessages(items);
}

bool GameApp::connect(const std::u16string& name, const std::u16string& address, const std::u16string& portText)
{
    if (!socketsStarted)
        socketsStarted = startupSockets();
    multiplayer = true;
    endSession();
    Window* label = createMessageLabel(mainScreen, u"Connecting to the Game Server...\n(may last 1~20 seconds)", 200,
                                       60, 20, 100);
    if (mainScreen)
        mainScreen->redraw();
    // A port is a number from 1 to 65535; anything else connects nowhere.
    const long port = _wtol(portText.c_str());
    const bool portFits = port > 0 && port <= 65535 && portText.find_first_not_of(u"0123456789 ") == std::u16string::npos;
    if (portFits)
        session = mp::connectSession(address, name, int(port));
    destroyMessageLabel(mainScreen, label);
    if (!session)
    {
        MessageBoxW(getHandle(), mp::kConnectFailedText, u"Error", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    session->setNoticeWindow(mainScreen ? mainScreen->getHandle() : nullptr);
    idle.begin();
    return true;
}

void GameApp::endSession()
{
    if (session)
    {
        session->setFlight(nullptr);
        session.reset(); // its receive thread ends first
    }
    idle.end();
}

void GameApp::closeSession()
{
    if (multiplayer && session)
    {
        session->setFlight(nullptr);
        session->stop();
    }
}

void GameApp::leaveGroupFlight()
{
    closeSession();
    restartProgram(getHandle(), u"ARG:MPGLogin");
}

void GameApp::showScoreboard()
{
    if (flight && !multiplayer && !exercise && mainScreen)
        if (PilotRecord* record = mainScreen->getPilotRecord(flightPilot))
            ++record->missions;
    restartProgram(getHandle(), u"ARG:scoreboard");
}

int runProgram(HINSTANCE instance, const WCHAR* commandLine)
{
    if (checkFreeMemory(nullptr, GameApp::kNeededMemoryMB) != IDYES)
        return 0;
    WCHAR name[MAX_PATH] = {};
    getProgramFileName(name);
    if (isServerStart(name, commandLine))
        return mp::runServerConsole();
    return runGame(instance, commandLine);
}

} // namespace skyrend
