// window_test.cpp -- the racing window beside the engine window: pen
// messages, hot keys on an EDIT, the loop ending on any destroy, activation
// of CANVAS children, filters by name and the memory box
#include "racing/engine/canvas.h"
#include "racing/engine/window.h"

#include "engine/platform/gapi_display.h"
#include "engine/platform/present_filter.h"
#include "engine/scene/2d/native_controls.h"
#include "engine/platform/system_utils.h"

#include "os/testing/host.h"

#include <gtest/gtest.h>

#include <os/gx.h>
#include <os/windows.h>

#include <string>
#include <vector>

namespace {

struct PenCall
{
    std::string who;
    UINT message;
    int x, y;
};

std::vector<PenCall> g_pen;

// The same recording on both generations of window.
template <class Base>
class PenWindow : public Base
{
public:
    using Base::Base;
    void onMouse(UINT message, WPARAM, int x, int y, int phase) override
    {
        g_pen.push_back({phase == 0 ? "phase0" : "phase1", message, x, y});
    }
};

struct PenListener : MouseListener
{
    void onMouse(::Window*, UINT message, WPARAM, int x, int y) override { g_pen.push_back({"listener", message, x, y}); }
};

struct HotKeys : racing::HotKeyListener
{
    struct Call
    {
        int id;
        UINT modifiers, key;
    };
    void onHotKey(racing::Window*, int id, UINT modifiers, UINT key) override { calls.push_back({id, modifiers, key}); }
    std::vector<Call> calls;
};

void pump()
{
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

bool quitWaiting()
{
    MSG m;
    return PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

std::u16string textOf(HWND edit)
{
    WCHAR buffer[64] = {};
    GetWindowTextW(edit, buffer, 64);
    return buffer;
}

} // namespace

TEST(RacingWindow, PenCoordinatesAreUnsignedDoubleClicksCountAndMovesCanBeSwitchedOff)
{
    PenWindow<racing::Window> racingWindow(u"racing pen", nullptr, false);
    PenWindow<::Window> engineWindow(u"engine pen", nullptr, false);
    ASSERT_TRUE(racingWindow.create(0, 0, 240, 320));
    ASSERT_TRUE(engineWindow.create(0, 0, 240, 320));
    PenListener listener;
    racingWindow.setMouseListener(&listener);

    const LPARAM farCorner = LPARAM(0xFFFF0010);
    g_pen.clear();
    SendMessageW(racingWindow.getHandle(), WM_LBUTTONDOWN, MK_LBUTTON, farCorner);
    ASSERT_EQ(g_pen.size(), 3u);
    EXPECT_EQ(g_pen[0].who, "phase0");
    EXPECT_EQ(g_pen[1].who, "listener");
    EXPECT_EQ(g_pen[2].who, "phase1");
    EXPECT_EQ(g_pen[1].x, 16);
    EXPECT_EQ(g_pen[1].y, 65535) << "the racing window reads both words unsigned";
    g_pen.clear();
    SendMessageW(engineWindow.getHandle(), WM_LBUTTONDOWN, MK_LBUTTON, farCorner);
    ASSERT_EQ(g_pen.size(), 2u);
    EXPECT_EQ(g_pen[0].y, -1) << "the engine window sign-extends";

    g_pen.clear();
    SendMessageW(racingWindow.getHandle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 6));
    EXPECT_EQ(g_pen.size(), 3u) << "a double click reaches onMouse like any pen message";
    g_pen.clear();
    SendMessageW(engineWindow.getHandle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 6));
    EXPECT_TRUE(g_pen.empty());

    g_pen.clear();
    racingWindow.trackMouseMoves = false;
    SendMessageW(racingWindow.getHandle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(7, 8));
    EXPECT_TRUE(g_pen.empty());
    SendMessageW(racingWindow.getHandle(), WM_LBUTTONUP, 0, MAKELPARAM(7, 8));
    EXPECT_EQ(g_pen.size(), 3u) << "pen-up still arrives";
    racingWindow.trackMouseMoves = true;
    g_pen.clear();
    SendMessageW(racingWindow.getHandle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(7, 8));
    EXPECT_EQ(g_pen.size(), 3u);
    racingWindow.destroy();
    engineWindow.destroy();
    pump();
}

TEST(RacingWindow, HotKeysEditTheFocusedEditAndAlwaysReachTheListener)
{
    racing::Window frame(u"hot keys", nullptr, false);
    ASSERT_TRUE(frame.create(0, 0, 240, 320));
    HotKeys listener;
    frame.hotKeyListener = &listener;
    HWND edit = CreateWindowExW(0, u"EDIT", u"abc", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, frame.getHandle(),
                                nullptr, nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 3, 3);
    auto hotKey = [&](int id, UINT vk) { SendMessageW(frame.getHandle(), WM_HOTKEY, WPARAM(id), MAKELPARAM(0, vk)); };

    hotKey(racing::Canvas::kHotKeyUp, VK_UP);
    EXPECT_EQ(textOf(edit), u"ab") << "up erases the character before the caret";
    SendMessageW(edit, EM_SETSEL, 0, 0);
    hotKey(racing::Canvas::kHotKeyDown, VK_DOWN);
    EXPECT_EQ(textOf(edit), u"b") << "down erases the character after the caret";
    hotKey(racing::Canvas::kHotKeyAction, VK_RETURN);
    EXPECT_EQ(GetFocus(), frame.getHandle()) << "the action key hands the focus back";
    hotKey(racing::Canvas::kHotKeyUp, VK_UP);
    EXPECT_EQ(textOf(edit), u"b") << "no edit focused: only the listener";

    ASSERT_EQ(listener.calls.size(), 4u);
    EXPECT_EQ(listener.calls[0].id, 47238);
    EXPECT_EQ(listener.calls[0].key, UINT(VK_UP));
    EXPECT_EQ(listener.calls[2].key, UINT(VK_RETURN));
    EXPECT_EQ(listener.calls[3].modifiers, 0u);
    frame.destroy();
    pump();
}

TEST(RacingWindow, GrabbedKeysArriveAsHotKeysUntilReleased)
{
    racing::Window frame(u"grab", nullptr, false);
    ASSERT_TRUE(frame.create(0, 0, 240, 320));
    auto* canvas = new racing::Canvas(u"page");
    ASSERT_TRUE(frame.addChild(canvas, 0, 0, 240, 320));
    HotKeys listener;
    canvas->hotKeyListener = &listener;
    canvas->setFocus();
    canvas->grabHardwareKeys();
    os::host::headless::key(VK_DOWN);
    pump();
    ASSERT_EQ(listener.calls.size(), 1u);
    EXPECT_EQ(listener.calls[0].id, racing::Canvas::kHotKeyDown);
    canvas->releaseHardwareKeys();
    os::host::headless::key(VK_DOWN);
    pump();
    EXPECT_EQ(listener.calls.size(), 1u);
    frame.destroy();
    pump();
}

TEST(RacingWindow, DestroyingAnyWindowEndsTheLoopButAnEngineChildDoesNot)
{
    pump();
    (void)quitWaiting();
    ::Window engineFrame(u"engine frame", nullptr, false);
    ASSERT_TRUE(engineFrame.create(0, 0, 240, 320));
    auto* engineChild = new ::Window(u"engine child", nullptr, false);
    engineChild->style = WS_CHILD | WS_VISIBLE;
    ASSERT_TRUE(engineFrame.addChild(engineChild, 0, 0, 50, 50));
    engineChild->destroy(); // no longer the frame's: ours to delete
    delete engineChild;
    EXPECT_FALSE(quitWaiting());
    engineFrame.destroy();
    EXPECT_TRUE(quitWaiting());

    racing::Window frame(u"racing frame", nullptr, false);
    ASSERT_TRUE(frame.create(0, 0, 240, 320));
    auto* canvas = new racing::Canvas(u"page");
    ASSERT_TRUE(frame.addChild(canvas, 0, 0, 240, 320));
    PostMessageW(frame.getHandle(), WM_USER, 0, 0);
    canvas->destroy();
    EXPECT_EQ(racing::runMessageLoop(frame.getHandle()), 0) << "the child's destroy ended the loop";
    delete canvas;
    frame.destroy();
    (void)quitWaiting();
}

TEST(RacingWindow, DeactivationStopsRunningCanvasesAndActivationRestartsThem)
{
    racing::Window frame(u"activation", nullptr, false);
    ASSERT_TRUE(frame.create(0, 0, 240, 320));
    auto* running = new racing::Canvas(u"running");
    auto* idle = new racing::Canvas(u"idle");
    ASSERT_TRUE(frame.addChild(running, 0, 0, 240, 160));
    ASSERT_TRUE(frame.addChild(idle, 0, 160, 240, 160));
    running->start();
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_ABOVE_NORMAL);
    SendMessageW(frame.getHandle(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(running->isRunning());
    EXPECT_TRUE(running->suspended);
    EXPECT_FALSE(idle->suspended);
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_NORMAL);
    SendMessageW(frame.getHandle(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(running->isRunning());
    EXPECT_FALSE(running->suspended);
    EXPECT_FALSE(idle->isRunning()) << "a canvas stopped before stays stopped";
    running->stop();
    frame.destroy();
    pump();
}

namespace {

struct CountingFilter : PresentFilter
{
    void apply(int) override { ++applied; }
    int applied = 0;
};

} // namespace

TEST(RacingWindow, FiltersAreKeptAndRemovedByName)
{
    racing::Window frame(u"filters", nullptr, true);
    ASSERT_TRUE(frame.create(0, 0, 240, 320));
    CountingFilter first, second;
    frame.addPresentFilter(u"fade", &first);
    frame.addPresentFilter(u"fade", &second);
    frame.removePresentFilter(u"none");
    frame.present();
    EXPECT_EQ(first.applied, 1);
    EXPECT_EQ(second.applied, 1);
    frame.removePresentFilter(u"fade"); // the first of that name
    frame.present();
    EXPECT_EQ(first.applied, 1);
    EXPECT_EQ(second.applied, 2);
    frame.removePresentFilter(u"fade");
    frame.present();
    EXPECT_EQ(second.applied, 2);
    frame.destroy();
    pump();
}

TEST(RacingWindow, MemoryWarningNamesTheProgramAsGiven)
{
    os::host::headless::clear_boxes();
    EXPECT_EQ(racing::checkFreeMemory(nullptr, u"Vasko-Moravel", 0.0f), IDYES);
    EXPECT_TRUE(os::host::headless::boxes().empty()) << "enough memory: no box";
    EXPECT_EQ(racing::checkFreeMemory(nullptr, u"Vasko-Moravel", 1e9f), IDYES) << "the headless box answers Yes";
    ASSERT_EQ(os::host::headless::boxes().size(), 1u);
    const auto& box = os::host::headless::boxes().back();
    EXPECT_EQ(box.text.rfind(u"Vasko-Moravel needs 1000000000.0MB memory. Free memory is now ", 0), 0u);
    EXPECT_EQ(box.caption, u"Memory Warning");
}

TEST(RacingWindow, GapiIsSuspendedWithTheTopLevelWindowAndResumedWithIt)
{
    racing::Window frame(u"gapi frame", nullptr, false);
    ASSERT_TRUE(frame.create(0, 0, 240, 320));
    auto* page = new racing::Canvas(u"page");
    ASSERT_TRUE(frame.addChild(page, 0, 0, 240, 320));
    GapiDisplay::open(frame.getHandle(), true, false);
    auto drawable = [] {
        bool ok = GXBeginDraw() != nullptr;
        GXEndDraw();
        return ok;
    };
    ASSERT_TRUE(drawable());
    SendMessageW(page->getHandle(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_TRUE(drawable()) << "a child's deactivation leaves GAPI alone";
    SendMessageW(frame.getHandle(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(drawable()) << "the top-level window's suspends it";
    SendMessageW(frame.getHandle(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(drawable()) << "and its activation resumes it (the screen would stay frozen otherwise)";
    GapiDisplay::close();
    frame.destroy();
    pump();
}

// The text area's style is the OR of the edit style and its extra bits
// (their sum would be 0x50301184).
TEST(RacingWindow, TextAreaStyleIsTheOrOfTheTwoValues)
{
    racing::Window frame(u"controls", nullptr, false);
    ASSERT_TRUE(frame.create(0, 0, 240, 320));
    auto* area = new TextAreaControl(7, u"notes");
    ASSERT_TRUE(frame.addChild(area, 0, 0, 100, 60));
    EXPECT_EQ(DWORD(GetWindowLongW(area->getHandle(), GWL_STYLE)), DWORD(0x500000C0 | 0x3010C4));
    EXPECT_EQ(0x500000C0u | 0x3010C4u, 0x503010C4u);
    frame.destroy();
    pump();
}

TEST(RacingWindow, TheEngineMemoryWarningQuotesItsProgramName)
{
    os::host::headless::clear_boxes();
    EXPECT_EQ(checkFreeMemory(nullptr, 1e9f), IDYES);
    ASSERT_EQ(os::host::headless::boxes().size(), 1u);
    EXPECT_EQ(os::host::headless::boxes().back().text.rfind(u"'", 0), 0u);
}
