// menu_page.cpp -- the restart command's reader and the menu page host
#include "racing/framework/menu_page.h"

#include "racing/framework/racing_app.h"

#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"

#include <os/windows.h>

namespace racing {

MenuPage::MenuPage(RacingApp* app_, const std::u16string& argument, bool present)
    : Canvas(u"GamePage"), command(parseStartCommand(argument, present)), app(app_)
{
}

void MenuPage::dispatchArguments()
{
    switch (command.kind)
    {
    case StartKind::Cover:
        grabHardwareKeys();
        openPage(u"cover");
        return;
    case StartKind::Race:
    case StartKind::Exercise:
        app->music = command.race.music;
        app->noScore = command.race.noScore;
        startRaceFrom(command.race, command.kind == StartKind::Exercise);
        return;
    case StartKind::Scoreboard:
        if (command.remote)
            app->noScore = true;
        frameRate = command.frameRate;
        openPage(u"scoreboard");
        return;
    case StartKind::Page:
        grabHardwareKeys();
        openPage(command.page);
        return;
    case StartKind::Invalid:
        app->restart(app->menuCommand);
        return;
    }
}

void MenuPage::openPage(const std::u16string& name)
{
    pageName = name;
    start();
}

void MenuPage::renderScenes()
{
    Image* surface = getBackBuffer() ? getBackBuffer()->getImage() : nullptr;
    if (!surface)
        return;
    surface->drawRect(0x101830, 0, 0, surface->width, surface->height, true);
    HDC dc = surface->dc;
    if (!dc)
        return;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    WCHAR title[kNameLength + 1] = {};
    GetWindowTextW(app->getHandle(), title, kNameLength);
    std::u16string lines[3] = {title, pageName, {}};
    if (pageName == u"scoreboard")
        lines[2] = command.track + u"  " + command.racer;
    for (int i = 0; i < 3; ++i)
        ExtTextOutW(dc, 8, 20 + 20 * i, 0, nullptr, lines[i].c_str(), UINT(lines[i].size()), nullptr);
}

} // namespace racing
