// window_proc_test.cpp -- the program window's keys, pen, activation and way out
#include <gtest/gtest.h>

#include <os/windows.h>

#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/front_end/menu.h"
#include "ravenor/game/shell/startup.h"
#include "shell_fixture.h"

namespace {

struct WindowProcTest : ::testing::Test
{
    void SetUp() override
    {
        OpenGameWindow();
    }
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam)
    {
        return SendMessageW(g_shell.window, message, wParam, lParam);
    }
};

} // namespace

TEST_F(WindowProcTest, KeyTableFollowsKeyMessages)
{
    EXPECT_EQ(0, Send(WM_KEYDOWN, 0x171, 0));
    EXPECT_EQ(1, g_shell.keys[0x71]);
    Send(WM_KEYDOWN, VK_LEFT, 0);
    Send(WM_KILLFOCUS, 0, 0);   // a held key stays down until its release
    EXPECT_EQ(1, g_shell.keys[VK_LEFT]);
    Send(WM_KEYUP, 0x171, 0);
    EXPECT_EQ(0, g_shell.keys[0x71]);
    EXPECT_EQ(1, g_shell.keys[VK_LEFT]);
}

// The pen is kept turned a quarter: (176 - y, x).
TEST_F(WindowProcTest, PenTurnedAQuarter)
{
    Send(WM_LBUTTONDOWN, 0, MAKELPARAM(10, 20));
    EXPECT_TRUE(g_shell.penDown);
    EXPECT_EQ(156, g_shell.penFirst);
    EXPECT_EQ(10, g_shell.penSecond);
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(100, 176));
    EXPECT_EQ(0, g_shell.penFirst);
    EXPECT_EQ(100, g_shell.penSecond);
    Send(WM_LBUTTONUP, 0, MAKELPARAM(100, 176));
    EXPECT_FALSE(g_shell.penDown);
}

TEST_F(WindowProcTest, DeactivationPausesWithThePauseMenu)
{
    Send(WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(g_shell.active);
    Send(WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(g_shell.active);
    EXPECT_TRUE(g_shell.paused);
    EXPECT_EQ(kPauseMenuFromOutside, g_shell.pauseMenuState);
    Send(WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(g_shell.active);
    EXPECT_TRUE(g_shell.paused);   // left for the pause menu to clear
}

// A menu key held while the window goes to the background keeps its edge:
// once back, the pause menu takes it as one press, then not again while it
// stays down.
TEST_F(WindowProcTest, AKeyHeldAcrossDeactivationIsOnePressInThePauseMenu)
{
    ResetMenus();
    g_shell.keyMap.codes[KeyMap::kDown] = VK_DOWN;
    g_shell.frameClock = 10; // past the menu's first five frames
    g_shell.paused = false;
    Send(WM_ACTIVATE, WA_ACTIVE, 0);
    Send(WM_KEYDOWN, VK_DOWN, 0);
    Send(WM_ACTIVATE, WA_INACTIVE, 0);
    Send(WM_ACTIVATE, WA_ACTIVE, 0);
    ASSERT_TRUE(g_shell.paused);
    EXPECT_TRUE(MenuKeyDown());
    EXPECT_FALSE(MenuKeyDown());
    Send(WM_KEYUP, VK_DOWN, 0);
}

// Once the game halts, the next handled message releases the display and
// asks the program to quit; closing the window takes that way.
TEST_F(WindowProcTest, HaltReleasesTheDisplayOnceAndQuits)
{
    ResetFrameBuffer();
    ASSERT_TRUE(PrepareScreen(SW_SHOW));
    ASSERT_NE(nullptr, g_shell.display);
    Send(WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsGameHalted());
    EXPECT_TRUE(g_shell.displayReleased);
    EXPECT_EQ(nullptr, g_shell.display);
    EXPECT_TRUE(IsWindow(g_shell.window));
    MSG message;
    bool quit = false;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        quit = quit || message.message == WM_QUIT;
    EXPECT_TRUE(quit);
    Send(WM_KEYDOWN, 13, 0);   // nothing released twice
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(WindowProcTest, UnhandledMessagesGoToTheDefaultProcedure)
{
    EXPECT_TRUE(SetWindowTextW(g_shell.window, u"Other"));
    WCHAR title[16] = {};
    GetWindowTextW(g_shell.window, title, 16);
    EXPECT_EQ(std::u16string(u"Other"), std::u16string(title));
}
