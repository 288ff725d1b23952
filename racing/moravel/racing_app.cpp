// racing_app.cpp -- the frame window, its start and the restart protocol
#include "racing/moravel/racing_app.h"

#include "racing/moravel/game_page.h"
#include "racing/moravel/race_canvas.h"

#include "racing/engine/base_library.h"

#include "engine/base/properties.h"
#include "engine/base/resource_files.h"
#include "engine/platform/system_utils.h"
#include "engine/platform/wave_sound.h"

#include <os/windows.h>

#include <cstdio>
#include <ctime>

namespace moravel {

float topSpeed = 110.0f;
std::function<void(const std::u16string&)> RacingApp::restartHook;

std::u16string resourcesFolder()
{
    WCHAR folder[MAX_PATH] = {};
    getProgramFolder(folder);
    return std::u16string(folder) + u"..\\resources\\";
}

RacingApp::RacingApp(const WCHAR* title) : AppWindow(title)
{
    racing::setFixedPointShift(12, 4);
    racing::initRacingBase();
    std::u16string resources = resourcesFolder();
    addResourcePack(u"scenes.zip", (resources + u"scenes").c_str());
    addResourcePack(u"vehicle.zip", (resources + u"vehicle").c_str());
    addResourcePack(u"manual.zip", (resources + u"GUI").c_str());
    Properties settings;
    bool read = settings.load((resources + u"GUI").c_str(), u"gsetting.properties");
    WaveSound::setEnabled(read && racing::getFieldInt(settings, u"soundEffect", u"selected") == 0);
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
    racing::AppWindow::onActivate(active);
    if (active)
    {
        if (racePage)
            racePage->setFocus();
        else if (menuPage)
            menuPage->setFocus();
    }
    if (menuPage)
    {
        if (!active)
            menuPage->releaseHardwareKeys();
        else if (!racePage)
            menuPage->grabHardwareKeys();
    }
}

bool RacingApp::startRace(int mode_, int paintIndex, int trackIndex, const racing::RaceChoice& choice,
                          bool exercise_, const std::vector<std::u16string>& paints,
                          const std::vector<std::u16string>& tracks)
{
    exercise = exercise_;
    mode = mode_;
    topSpeed = mode == 1 ? 55.0f : 110.0f;
    if (menuPage)
    {
        menuPage->stop();
        menuPage->releaseHardwareKeys();
        menuPage->show(false);
    }
    racePage = new RaceCanvas(this);
    addChild(racePage, 0, 0, 10, 10);
    racePage->setFocus();
    std::u16string racerText = choice.racer + u":" + (choice.secondName == u"N/A" ? u"" : choice.secondName);
    if (!racePage->prepareRace(paints, tracks, paintIndex, trackIndex, racerText))
    {
        restart(u"ARG:intro");
        return false;
    }
    racePage->start();
    raceTime = 0.0f;
    return true;
}

void RacingApp::endRace(int status)
{
    if (restarting)
        return;
    std::u16string command = u"ARG:intro";
    if (racePage)
        racePage->stop();
    if (status == 1 && racePage)
    {
        float frameRate = racePage->frameRateCount > 0 && racePage->showFrameRate
                              ? racePage->frameRateSum / float(racePage->frameRateCount)
                              : -1.0f;
        command = racing::scoreboardCommandLine(frameRate, racePage->trackName, racePage->racerText,
                                                racePage->secondName);
    }
    restart(command);
}

void RacingApp::restart(const std::u16string& command)
{
    if (restarting)
        return;
    restarting = true;
    if (restartHook)
    {
        restartHook(command);
        return;
    }
    restartProgram(getHandle(), command.c_str());
}

int runProgram(HINSTANCE, const WCHAR* commandLine)
{
    bool present = false;
    std::u16string argument = racing::argumentText(commandLine, present);
    if (!present && racing::checkFreeMemory(nullptr, u"Vasko-Moravel", 5.0f) != IDYES)
        return 1;
    RacingApp app(u"Vasko-Moravel");
    int x, y, w, h;
    RacingApp::computeWindowRect(x, y, w, h);
    if (!app.create(x, y, w, h))
        return 0;
    app.show(true);
    auto* page = new GamePage(&app, argument, present);
    app.menuPage = page;
    bool race = argument.find(u"goNow") != std::u16string::npos ||
                argument.find(u"exerciseNow") != std::u16string::npos;
    if (race)
        app.addChild(page, 0, 0, 0, 0);
    else
    {
        app.addChild(page, 0, 0, app.getClientWidth(), app.getClientHeight());
        page->setFocus();
    }
    SetForegroundWindow(app.getHandle());
    page->dispatchArguments();
    return racing::runMessageLoop(app.getHandle());
}

} // namespace moravel
