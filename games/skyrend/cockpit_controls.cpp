// cockpit_controls.cpp -- key bits and released keys to aircraft calls
#include "games/skyrend/cockpit_controls.h"

#include "games/skyrend/console_panel.h"
#include "games/skyrend/flight/aircraft.h"

#include "engine/scene/3d/mesh.h"
#include "engine/scene/screen/canvas.h"

#include <os/windows.h>

#include <algorithm>
#include <string_view>

namespace skyrend {

namespace {

constexpr float kPi = 3.1415927f;
constexpr int kHome = 36, kAdd = 107, kSubtract = 109, kNumpad1 = 97, kNumpad9 = 105, kTab = 9;

// -1, 0 or 1 for a pair of opposite keys: one alone, or both or neither.
int pair(int32_t bits, int32_t negative, int32_t positive)
{
    const bool n = bits & negative, p = bits & positive;
    return n == p ? 0 : (n ? -1 : 1);
}

} // namespace

CockpitControls::Effects CockpitControls::apply(Aircraft& a, ConsolePanel* panel, int32_t k, int released, float dt)
{
    Effects effects;
    a.roll(float(pair(k, Canvas::KeyLeft, Canvas::KeyRight)) * 0.2f * kPi);
    a.pitch(float(pair(k, Canvas::KeyUp, Canvas::KeyDown)) * 0.1f * kPi);
    a.yaw(float(-pair(k, Canvas::KeyDelete, Canvas::KeyEnd)) * 0.1f * kPi);

    // In a group's flight the server fires the gun and launches missiles:
    // its events replay them here, so the keys only go to it.
    const int32_t gun = k & (Canvas::KeySpace | Canvas::KeyAction | Canvas::KeyGapiC);
    if (gun && !multiplayer)
        a.fireCanon(dt);
    if (a.spark)
        a.spark->visible = gun != 0;

    if (!multiplayer)
    {
        const float step = k == previousBits ? dt : kNewPress;
        if (k & (Canvas::KeyGapiB | Canvas::KeyPageDown))
            a.releaseFlare(step);
        if (k & (Canvas::KeyGapiA | Canvas::KeyPageUp))
            a.releaseChaff(step);
    }
    previousBits = k;

    if (released <= 0 || a.state >= Aircraft::Hit)
        return effects;
    if (released == kHome || (hardwareButtons && released == startKey))
    {
        if (multiplayer)
            return effects;
        Missile* m = panel ? panel->selectedMissile() : nullptr;
        if (a.hasStations() && m && m->state < Missile::Flying)
        {
            a.launchMissile(m);
            if (!panel->selectLockedStation())
                panel->nextStation();
            effects.repaint = true;
        }
    }
    else if (released == kAdd || released == kSubtract)
    {
        effects.hiddenHandle = throttleNotch;
        throttleNotch = std::clamp(throttleNotch + (released == kAdd ? 1 : -1), 0, kNotches - 1);
        effects.shownHandle = throttleNotch;
        a.setThrottle(throttleNotch - 2);
        effects.repaint = true;
    }
    else if (released >= kNumpad1 && released <= kNumpad9)
        a.setView(released - kNumpad1);
    else if (released == kTab)
        effects.toggleFrameRate = true;
    return effects;
}

ButtonAction consoleButtonAction(const WCHAR* name, bool release, int viewSelected)
{
    ButtonAction action;
    if (!name)
        return action;
    const std::u16string_view n(name);
    struct Held
    {
        const char16_t* name;
        int key;
    };
    // Pressed and released: the key goes down and up with the pen.
    static const Held held[] = {{u"fireButton", 32},     {u"leftRollButton", 37}, {u"rightRollButton", 39},
                                {u"upButton", 38},       {u"downButton", 40},     {u"leftButton", 46},
                                {u"rightButton", 35},    {u"chaff", 33},          {u"flare", 34},
                                {u"armLaunch", 36}};
    for (const Held& h : held)
        if (n == h.name)
            return {ButtonAction::PostKey, release ? unsigned(WM_KEYUP) : unsigned(WM_KEYDOWN), h.key};
    if (!release)
        return action;
    if (n == u"thrUp")
        return {ButtonAction::PostKey, WM_KEYUP, 107};
    if (n == u"thrDn")
        return {ButtonAction::PostKey, WM_KEYUP, 109};
    if (n == u"radarZoomIn")
        return {ButtonAction::RangeIn, 0, 0};
    if (n == u"radarZoomOut")
        return {ButtonAction::RangeOut, 0, 0};
    if (n == u"armLast")
        return {ButtonAction::StationLast, 0, 0};
    if (n == u"armNext")
        return {ButtonAction::StationNext, 0, 0};
    auto has = [&](const char16_t* part) { return n.find(part) != std::u16string_view::npos; };
    if (has(u"viewButton"))
        return {ButtonAction::PostKey, WM_KEYUP, 97 + viewSelected};
    if (has(u"fpsButton"))
        return {ButtonAction::PostKey, WM_KEYUP, 9};
    if (has(u"exitButton"))
        return {ButtonAction::AskQuit, 0, 0};
    if (has(u"quitFlightYes") || has(u"quitFlightOK"))
        return {ButtonAction::QuitFlight, 0, 0};
    if (has(u"quitFlightNo"))
        return {ButtonAction::CloseDialog, 0, 0};
    return action;
}

} // namespace skyrend
