// cockpit_controls_test.cpp -- key bits to aircraft rates, the gun, decoys,
// launches, the throttle notch and what a downed aircraft ignores
#include "games/skyrend/cockpit_controls.h"

#include "games/skyrend/console_panel.h"
#include "games/skyrend/flight/aircraft.h"
#include "games/skyrend/flight/flight_constants.h"

#include "engine/base/math_utils.h"
#include "engine/scene/screen/canvas.h"

#include <os/windows.h>
#include <os/wstring.h>

#include <gtest/gtest.h>

#include <memory>

using namespace skyrend;

namespace cockpit_cases {

struct ControlsTest : testing::Test
{
    std::unique_ptr<Aircraft> aircraft;
    std::unique_ptr<ConsolePanel> panel;
    CockpitControls controls;
    void SetUp() override
    {
        initMathTables();
        aircraftConstants() = AircraftConstants();
        aircraft = std::make_unique<Aircraft>(nullptr, nullptr, u"Ace", nullptr, true, false);
        aircraft->place(0.0f, 500.0f, 0.0f, 0.0f, 0.0f);
        panel = std::make_unique<ConsolePanel>(nullptr, RECT{}, RECT{}, RECT{});
        panel->setPlayer(aircraft.get());
    }
    CockpitControls::Effects frame(int32_t bits, int released = 0, float dt = 0.1f)
    {
        return controls.apply(*aircraft, panel.get(), bits, released, dt);
    }
    int flyingMissiles() const
    {
        int n = 0;
        for (auto& row : aircraft->stations)
            for (Missile* m : row)
                n += m->state == Missile::Flying;
        return n;
    }
    int active(const std::vector<Flare*>& pool) const
    {
        int n = 0;
        for (const Flare* f : pool)
            n += f->active;
        return n;
    }
};

TEST_F(ControlsTest, KeyBitsSetTheRates)
{
    struct Case
    {
        int32_t bits;
        float roll, pitch, yaw;
    } cases[] = {
        {Canvas::KeyLeft, 1.2f, 0, 0},   {Canvas::KeyRight, -1.2f, 0, 0}, {Canvas::KeyUp, 0, 0.3f, 0},
        {Canvas::KeyDown, 0, -0.3f, 0},  {Canvas::KeyDelete, 0, 0, -0.25f}, {Canvas::KeyEnd, 0, 0, 0.25f},
        {Canvas::KeyLeft | Canvas::KeyRight | Canvas::KeyUp | Canvas::KeyDown | Canvas::KeyDelete | Canvas::KeyEnd, 0,
         0, 0},
    };
    for (const Case& c : cases)
    {
        aircraft->flight.rollRate = aircraft->flight.pitchRate = aircraft->flight.yawRate = 0.0f;
        frame(c.bits);
        EXPECT_FLOAT_EQ(aircraft->flight.rollRate, c.roll) << c.bits;
        EXPECT_FLOAT_EQ(aircraft->flight.pitchRate, c.pitch) << c.bits;
        EXPECT_FLOAT_EQ(aircraft->flight.yawRate, c.yaw) << c.bits;
    }
}

TEST_F(ControlsTest, EveryFireKeyHoldsTheGun)
{
    for (int32_t bits : {Canvas::KeySpace, Canvas::KeyAction, Canvas::KeyGapiC})
    {
        aircraft->canonTimer = 0.0f;
        for (int i = 0; i < 6; ++i)
            frame(bits);
        int flying = 0;
        for (const Bullet* b : aircraft->bullets)
            flying += b->active;
        EXPECT_GE(flying, 1) << bits;
    }
}

TEST_F(ControlsTest, ANewDecoyPressReleasesAtOnceAndHoldingPacesIt)
{
    frame(Canvas::KeyPageDown);
    EXPECT_EQ(active(aircraft->flares), 1);
    frame(Canvas::KeyPageDown); // held: paced by the flare interval
    EXPECT_EQ(active(aircraft->flares), 1);
    frame(0);
    frame(Canvas::KeyGapiB); // a new press
    EXPECT_EQ(active(aircraft->flares), 2);
    frame(Canvas::KeyPageUp);
    EXPECT_EQ(active(aircraft->chaff), 1);
    controls.multiplayer = true;
    frame(0);
    frame(Canvas::KeyGapiA | Canvas::KeyGapiB);
    EXPECT_EQ(active(aircraft->chaff), 1);
    EXPECT_EQ(active(aircraft->flares), 2);
}

TEST_F(ControlsTest, TheThrottleNotchStaysWithinItsHandles)
{
    CockpitControls::Effects e;
    for (int i = 0; i < 3; ++i)
        e = frame(0, 107);
    EXPECT_EQ(controls.throttleNotch, 4);
    EXPECT_EQ(e.hiddenHandle, 4);
    EXPECT_EQ(e.shownHandle, 4);
    EXPECT_EQ(aircraft->flight.level, 100); // step 2
    for (int i = 0; i < 5; ++i)
        e = frame(0, 109);
    EXPECT_EQ(controls.throttleNotch, 0);
    EXPECT_EQ(aircraft->flight.level, 70); // step -2
    e = frame(0, 107);
    EXPECT_EQ(e.hiddenHandle, 0);
    EXPECT_EQ(e.shownHandle, 1);
    EXPECT_TRUE(frame(0, 9).toggleFrameRate);
}

TEST_F(ControlsTest, LaunchTheSelectedMissileThenMoveOn)
{
    Missile* first = panel->selectedMissile();
    frame(0, 36);
    EXPECT_EQ(first->state, Missile::Flying);
    EXPECT_EQ(panel->selectedStation(), 1);
    // A spent selected station launches nothing.
    panel->selectedMissile()->state = Missile::Spent;
    frame(0, 36);
    EXPECT_EQ(flyingMissiles(), 1);
    // The Start key launches only with the hardware buttons in use.
    controls.startKey = 196;
    panel->nextStation();
    frame(0, 196);
    EXPECT_EQ(flyingMissiles(), 1);
    controls.hardwareButtons = true;
    frame(0, 196);
    EXPECT_EQ(flyingMissiles(), 2);
}

TEST_F(ControlsTest, ADownedAircraftIgnoresReleasedKeys)
{
    aircraft->state = Aircraft::Hit;
    Missile* first = panel->selectedMissile();
    for (int key : {36, 107, 97, 9})
    {
        const CockpitControls::Effects e = frame(0, key);
        EXPECT_FALSE(e.repaint || e.toggleFrameRate) << key;
    }
    EXPECT_EQ(first->state, Missile::Idle);
    EXPECT_EQ(controls.throttleNotch, 2);
}

TEST_F(ControlsTest, PanelButtonsBecomeKeysOrConsoleSteps)
{
    struct Case
    {
        const char16_t* name;
        bool release;
        ButtonAction::Kind kind;
        unsigned message;
        int key;
    } cases[] = {
        {u"fireButton", false, ButtonAction::PostKey, WM_KEYDOWN, 32},
        {u"fireButton", true, ButtonAction::PostKey, WM_KEYUP, 32},
        {u"leftRollButton", false, ButtonAction::PostKey, WM_KEYDOWN, 37},
        {u"rightButton", true, ButtonAction::PostKey, WM_KEYUP, 35},
        {u"flare", false, ButtonAction::PostKey, WM_KEYDOWN, 34},
        {u"armLaunch", true, ButtonAction::PostKey, WM_KEYUP, 36},
        {u"thrUp", false, ButtonAction::None, 0, 0}, // on release only
        {u"thrUp", true, ButtonAction::PostKey, WM_KEYUP, 107},
        {u"thrDn", true, ButtonAction::PostKey, WM_KEYUP, 109},
        {u"radarZoomIn", true, ButtonAction::RangeIn, 0, 0},
        {u"armNext", true, ButtonAction::StationNext, 0, 0},
        {u"theviewButton2", true, ButtonAction::PostKey, WM_KEYUP, 97 + 3},
        {u"fpsButton", true, ButtonAction::PostKey, WM_KEYUP, 9},
        {u"exitButton", true, ButtonAction::AskQuit, 0, 0},
        {u"quitFlightOK", true, ButtonAction::QuitFlight, 0, 0},
        {u"quitFlightNo", true, ButtonAction::CloseDialog, 0, 0},
        {u"xfireButtonx", false, ButtonAction::None, 0, 0}, // panel buttons by their own name
    };
    for (const Case& c : cases)
    {
        const ButtonAction a = consoleButtonAction(c.name, c.release, 3);
        EXPECT_EQ(a.kind, c.kind) << os::to_latin1(c.name) << c.release;
        EXPECT_EQ(a.message, c.message) << os::to_latin1(c.name);
        EXPECT_EQ(a.key, c.key) << os::to_latin1(c.name);
    }
}

} // namespace cockpit_cases
