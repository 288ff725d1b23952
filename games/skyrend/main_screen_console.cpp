// main_screen_console.cpp -- the main screen as the cockpit console of a
// flight: its page, the panel's buttons, the instruments, the dialog and
// the decoy lamps and throttle handle
#include "games/skyrend/main_screen.h"

#include "games/skyrend/cockpit_controls.h"
#include "games/skyrend/console_panel.h"
#include "games/skyrend/game_app.h"

#include "engine/platform/image.h"
#include "engine/scene/2d/sprite.h"
#include "engine/scene/scenes/scene.h"

#include <os/wstring.h>

namespace skyrend {

bool MainScreen::showConsole()
{
    move(0, scaleToScreen(160), scaleToScreen(240), scaleToScreen(160));
    if (!loadPage(u"console.properties"))
        return false;
    Image* back = getBackBufferImage();
    auto s = [](int n) { return scaleToScreen(n); };
    console = std::make_unique<ConsolePanel>(back ? back->dc : nullptr, RECT{s(3), s(110), s(129), s(121)},
                                             RECT{s(19), s(25), s(79), s(85)}, RECT{s(159), s(25), s(219), s(85)});
    dialogMode = -1;
    return true;
}

void MainScreen::onConsoleButton(Sprite* sprite, UINT message)
{
    if (!sprite)
        return;
    SetFocus(getHandle());
    const ButtonAction action =
        consoleButtonAction(sprite->name, message == WM_LBUTTONUP, getSelected(u"viewType"));
    switch (action.kind)
    {
    case ButtonAction::PostKey:
        PostMessageW(getHandle(), action.message, WPARAM(action.key), 0);
        break;
    case ButtonAction::RangeIn:
        console->increaseRange();
        refreshConsole();
        break;
    case ButtonAction::RangeOut:
        console->decreaseRange();
        refreshConsole();
        break;
    case ButtonAction::StationLast:
        console->previousStation();
        refreshConsole();
        break;
    case ButtonAction::StationNext:
        console->nextStation();
        refreshConsole();
        break;
    case ButtonAction::AskQuit:
        showMessage(u"Quit the mission?", 2, 16);
        break;
    case ButtonAction::QuitFlight:
        hideMessage();
        if (app->getFlightLink())
            app->leaveGroupFlight();
        else
            app->showScoreboard();
        break;
    case ButtonAction::CloseDialog:
        hideMessage();
        break;
    default:
        break;
    }
}

void MainScreen::showMessage(const WCHAR* text, int mode, int height)
{
    Scene* dialog = findScene(u"sceneDialog");
    if (!dialog)
        return;
    for (const WCHAR* name : {u"Message1", u"Message2"})
        if (auto* sprite = dynamic_cast<Sprite*>(findComponent(name)))
        {
            sprite->setText(text ? text : u"", true);
            sprite->textSize = scaleToScreen(height);
        }
    if (mode == 0 || mode == 2 || mode == 3)
    {
        showObject(u"quitFlightOK", mode == 0);
        showObject(u"quitFlightYes", mode == 2);
        showObject(u"quitFlightNo", mode == 2);
    }
    dialogMode = mode;
    dialog->visible = 1;
    refreshConsole();
}

void MainScreen::hideMessage()
{
    showSceneNamed(u"sceneDialog", false);
    dialogMode = -1;
    refreshConsole();
}

bool MainScreen::messageShown() const
{
    const Scene* dialog = findScene(u"sceneDialog");
    return dialog && dialog->visible;
}

void MainScreen::setDecoyLamp(bool chaff, bool on)
{
    if (auto* lamp = dynamic_cast<Sprite*>(findComponent(chaff ? u"chaff" : u"flare")))
        lamp->status = on ? 1 : 0;
}

void MainScreen::showThrottleHandle(int hidden, int shown)
{
    if (hidden >= 0)
        showObject(os::format(u"thrHandle%d", hidden).c_str(), false);
    if (shown >= 0)
        showObject(os::format(u"thrHandle%d", shown).c_str(), true);
}

void MainScreen::refreshConsole()
{
    dt = -1.0f;
    renderScenes();
    present(nullptr, -1);
}

void MainScreen::renderScenes()
{
    Canvas::renderScenes();
    if (!console || !pageIs(u"console") || messageShown())
        return;
    if (Image* back = getBackBufferImage())
        console->setDeviceContext(back->dc);
    console->drawRadar();
    console->drawStations();
    console->drawMessage();
}

} // namespace skyrend
