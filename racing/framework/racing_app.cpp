// racing_app.cpp -- the frame window, its start and the restart protocol
#include "racing/framework/racing_app.h"

#include "racing/framework/menu_page.h"
#include "racing/framework/score_table.h"

#include "racing/engine/base_library.h"
#include "racing/engine/canvas.h"
#include "racing/engine/sprite.h"

#include "engine/base/properties.h"
#include "engine/base/resource_files.h"
#include "engine/base/saved_properties.h"
#include "engine/platform/system_utils.h"
#include "engine/platform/wave_sound.h"

#include <os/shell.h>
#include <os/windows.h>

#include <algorithm>
#include <cstdio>

namespace racing {

std::function<void(const std::u16string&)> RacingApp::restartHook;

std::u16string resourcesFolder()
{
    WCHAR folder[MAX_PATH] = {};
    getProgramFolder(folder);
    return std::u16string(folder) + u"..\\resources\\";
}

void showSceneMessage(Canvas& canvas, const WCHAR* text, int value)
{
    SceneSprite* scene = canvas.findSpriteScene(u"sceneMessage");
    if (!scene)
        return;
    if (text)
        if (Sprite* message = scene->findChild(u"sptMessage"))
        {
            message->setText(text);
            message->extra = value; // the sprite's value field
        }
    scene->visible = text ? 1 : 0;
}

RacingApp::RacingApp(const WCHAR* title, std::u16string menuCommand_, float speedFactor_)
    : AppWindow(title), menuCommand(std::move(menuCommand_)), speedFactor(speedFactor_)
{
    setFixedPointShift(12, 4);
    initRacingBase();
    std::u16string resources = resourcesFolder();
    addResourcePack(u"scenes.zip", (resources + u"scenes").c_str());
    addResourcePack(u"vehicle.zip", (resources + u"vehicle").c_str());
    addResourcePack(u"manual.zip", (resources + u"GUI").c_str());
    // The page templates the menus write back: a damaged one is set aside
    // (the user is told once) and its shipped copy takes its place.
    const std::u16string gui = resources + u"GUI";
    repairSavedProperties(gui.c_str(), u"MainMenu.properties");
    Properties settings;
    bool read = loadSavedProperties(settings, gui.c_str(), u"gsetting.properties");
    WaveSound::setEnabled(read && getFieldInt(settings, u"soundEffect", u"selected") == 0);
    // Black behind the pages (and round a race's page), the program's icon.
    setBackgroundBrush(static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    windowClass.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconId));
}

RacingApp::~RacingApp() = default;

void RacingApp::computeWindowRect(int& x, int& y, int& w, int& h)
{
    int sx = 0, sy = 0, sw = 240, sh = 320;
    getScreenRect(&sx, &sy, &sw, &sh);
    w = 176;
    h = 234;
    x = (sw - 176) / 2;
    y = (sh - 234) / 2 - 2;
}

void RacingApp::onActivate(bool active)
{
    AppWindow::onActivate(active);
    if (active)
    {
        if (racePage)
            racePage->setFocus();
        else if (menuPage)
            menuPage->setFocus();
    }
    // The taskbar, the input panel's button and the start icon hidden while
    // the program is in front, shown again when it is not.
    SHFullScreen(GetForegroundWindow(), active ? SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON
                                               : SHFS_SHOWTASKBAR | SHFS_SHOWSIPBUTTON | SHFS_SHOWSTARTICON);
    if (menuPage)
    {
        if (!active)
            menuPage->releaseHardwareKeys();
        else if (!racePage)
            menuPage->grabHardwareKeys();
    }
}

void RacingApp::showRacePage(Canvas* page)
{
    if (menuPage)
    {
        menuPage->stop();
        menuPage->releaseHardwareKeys();
        menuPage->show(false);
    }
    // A race stands on the whole screen: the page takes the screen's width
    // below its top bar, which the menu's frame would cut.
    int x = 0, y = 0, w = 240, h = 320;
    getScreenRect(&x, &y, &w, &h);
    move(x, y, w, h);
    racePage = page;
    addChild(racePage, 0, 0, 10, 10);
    racePage->setFocus();
}

void RacingApp::beginRace()
{
    racePage->start();
    raceTime = 0.0f;
}

bool RacingApp::runRacePage(Canvas* page, const std::function<bool()>& prepare)
{
    showRacePage(page);
    if (!prepare())
    {
        restart(menuCommand);
        return false;
    }
    beginRace();
    return true;
}

void RacingApp::endRace(int status)
{
    if (restarting)
        return;
    std::u16string command = menuCommand;
    if (racePage)
        racePage->stop();
    if (status == 1 && racePage)
    {
        RaceResult result = raceResult();
        if (!noScore)
            enterRace(result);
        command = scoreboardCommandLine(result.frameRate, result.track, result.racer, result.secondName);
    }
    restart(command);
}

void RacingApp::enterRace(const RaceResult& result)
{
    std::u16string vehicle = result.vehicle;
    std::replace(vehicle.begin(), vehicle.end(), u'_', u' ');
    insertScore(resourcesFolder() + u"GUI\\",
                ScoreRecord(result.track, result.racer, vehicle, scoreDate(), raceTime,
                            averageSpeed(result.lapLength, raceTime, result.laps, speedFactor)));
}

bool RacingApp::closeRequested()
{
    // Looking takes the host's pending input first: a close the person asked
    // for a moment ago is a WM_CLOSE of this frame by then.
    MSG message;
    return PeekMessageW(&message, getHandle(), WM_CLOSE, WM_CLOSE, PM_NOREMOVE) != FALSE;
}

void RacingApp::restart(const std::u16string& command)
{
    if (restarting)
        return;
    restarting = true;
    // A close asked for while the page was being left ends the program here:
    // the next instance would start without it.
    if (closeRequested())
    {
        destroy();
        return;
    }
    if (restartHook)
    {
        restartHook(command);
        return;
    }
    restartProgram(getHandle(), command.c_str());
}

int runProgram(const WCHAR* commandLine, const ProgramParts& parts)
{
    bool present = false;
    std::u16string argument = argumentText(commandLine, present);
    if (!present && checkFreeMemory(nullptr, parts.title, 5.0f) != IDYES)
        return 1;
    // The program's cursor over the pages' buttons.
    Canvas::setCursors(LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(RacingApp::kCursorId)),
                       LoadCursorW(nullptr, IDC_ARROW));
    std::unique_ptr<RacingApp> app = parts.makeApp();
    int x, y, w, h;
    RacingApp::computeWindowRect(x, y, w, h);
    if (!app->create(x, y, w, h))
    {
        // A copy that runs already has been brought to the front.
        if (FindWindowW(nullptr, parts.title))
            std::fprintf(stderr, "%s runs already: that copy is brought to the front and this start ends.\n",
                         toAscii(parts.title).c_str());
        return 0;
    }
    app->show(true);
    MenuPage* page = parts.makeMenuPage(*app, argument, present);
    // The menu pages' scenes with a ground of their own are drawn at the
    // frame's width over 240 and stretched over their places.
    page->setZoom(float(app->getClientWidth()) * 0.004166667f);
    app->menuPage = page;
    bool race = argument.find(u"goNow") != std::u16string::npos ||
                argument.find(u"exerciseNow") != std::u16string::npos;
    if (race)
        app->addChild(page, 0, 0, 0, 0);
    else
    {
        app->addChild(page, 0, 0, app->getClientWidth(), app->getClientHeight());
        page->setFocus();
    }
    SetForegroundWindow(app->getHandle());
    page->dispatchArguments();
    return runMessageLoop(app->getHandle());
}

} // namespace racing
