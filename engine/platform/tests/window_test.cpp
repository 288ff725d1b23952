// window_test.cpp -- the window framework: message order, life, timers, controls
#include "engine/platform/present_filter.h"
#include "engine/platform/window.h"

#include "os/testing/host.h"

#include <gtest/gtest.h>

#include <os/windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace headless = os::host::headless;

namespace {

std::vector<std::string> g_log;

std::string text(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string text(const char* format, ...)
{
    char buf[160];
    va_list args;
    va_start(args, format);
    vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    return buf;
}

// Records every virtual operation in g_log, prefixed with its name.
class RecordingWindow : public Window
{
public:
    RecordingWindow(const char* name, HWND parentHandle = nullptr, const WCHAR* title = u"Recording")
        : Window(title, parentHandle, false), name(name)
    {
    }
    ~RecordingWindow() override { g_log.push_back(name + ".deleted"); }

    void onCreate() override { log("onCreate"); }
    void onDestroy() override { log("onDestroy"); }
    void onShow(bool visible, LPARAM status) override { log(text("onShow(%d)", visible)); }
    bool onClose() override
    {
        log("onClose");
        return allowClose;
    }
    void onPaint(PAINTSTRUCT*) override { log("onPaint"); }
    void onSetFocus() override { log("onSetFocus"); }
    void onKillFocus() override { log("onKillFocus"); }
    void onActivated(bool active) override { log(text("onActivated(%d)", active)); }
    void onEraseBackground() override { log("onEraseBackground"); }
    void onTimer() override { log("onTimer"); }
    void present(const RECT* rect, int zoom256) override
    {
        log(text("present(%d)", zoom256));
        Window::present(rect, zoom256);
    }
    void onMouse(UINT message, WPARAM keys, int x, int y, int phase) override
    {
        log(text("onMouse(%x,%d,%d,%d)", message, x, y, phase));
    }
    void onKey(UINT message, int key) override { log(text("onKey(%x,%d)", message, key)); }
    void onActivate(bool active) override { log(text("onActivate(%d)", active)); }
    void afterCreate() override { log("afterCreate"); }
    void afterDestroy() override { log("afterDestroy"); }
    void onAddChild(Window* child, int x, int y, int w, int h) override { log("onAddChild"); }
    void onRemoveChild(Window* child) override { log("onRemoveChild"); }

    void log(const std::string& what) { g_log.push_back(name + "." + what); }

    std::string name;
    bool allowClose = true;
};

class Listeners : public CommandListener, public MouseListener, public KeyListener
{
public:
    void onCommand(Window*, int notification, int id, HWND) override
    {
        g_log.push_back(text("command(%x,%d)", notification, id));
    }
    void onMouse(Window*, UINT message, WPARAM, int x, int y) override
    {
        g_log.push_back(text("mouse(%x,%d,%d)", message, x, y));
    }
    void onKey(Window*, UINT message, int key) override { g_log.push_back(text("key(%x,%d)", message, key)); }
};

// A native control of the given class, made a child of frame.
RecordingWindow* addControl(RecordingWindow& frame, const char* name, const WCHAR* className)
{
    auto* control = new RecordingWindow(name, frame.getHandle(), u"");
    control->windowClass.lpszClassName = className;
    control->style = WS_CHILD | WS_VISIBLE;
    EXPECT_TRUE(frame.addChild(control, 10, 10, 100, 100)) << name;
    return control;
}

// The log's last n lines.
std::vector<std::string> tail(size_t n)
{
    return std::vector<std::string>(g_log.end() - std::min(n, g_log.size()), g_log.end());
}

// Takes and dispatches every message waiting now; counts the WM_TIMER and
// WM_QUIT among them.
struct Pumped
{
    int timers = 0;
    bool quit = false;
};

Pumped drain()
{
    Pumped seen;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        seen.timers += msg.message == WM_TIMER;
        seen.quit = seen.quit || msg.message == WM_QUIT;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return seen;
}

int pump()
{
    return drain().timers;
}

bool quitPosted()
{
    return drain().quit;
}

} // namespace

TEST(Window, CreateAndDestroyOrder)
{
    g_log.clear();
    auto* frame = new RecordingWindow("frame");
    ASSERT_TRUE(frame->create(0, 0, 240, 320));
    EXPECT_EQ(Window::fromHandle(frame->getHandle()), frame);
    auto created = g_log;
    ASSERT_GE(created.size(), 2u);
    EXPECT_EQ(created[0], "frame.onCreate");
    EXPECT_EQ(created[1], "frame.afterCreate");
    EXPECT_NE(frame->getWindowDC(), nullptr);
    HWND handle = frame->getHandle();
    pump();
    g_log.clear();
    EXPECT_TRUE(frame->destroy());
    EXPECT_EQ(tail(2), (std::vector<std::string>{"frame.onDestroy", "frame.afterDestroy"}));
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_TRUE(quitPosted()) << "a top-level window ends the loop when it goes";
    delete frame;
}

TEST(Window, MessageOrderTable)
{
    RecordingWindow frame("frame");
    ASSERT_TRUE(frame.create(0, 0, 240, 320));
    auto* child = new RecordingWindow("child", frame.getHandle());
    child->style = WS_CHILD | WS_VISIBLE;
    ASSERT_TRUE(frame.addChild(child, 0, 0, 100, 100));
    Listeners listeners;
    frame.setCommandListener(&listeners);
    frame.setMouseListener(&listeners);
    frame.setKeyListener(&listeners);
    pump();

    struct Case
    {
        const char* what;
        UINT message;
        WPARAM w;
        LPARAM l;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"activate", WM_ACTIVATE, WA_ACTIVE, 0,
         {"child.onActivate(1)", "frame.onActivate(1)", "frame.onActivated(1)"}},
        {"deactivate", WM_ACTIVATE, WA_INACTIVE, 0,
         {"child.onActivate(0)", "frame.onActivate(0)", "frame.onActivated(0)"}},
        {"key down", WM_KEYDOWN, VK_LEFT, 0, {"frame.onKey(100,37)", "key(100,37)"}},
        {"key up", WM_KEYUP, VK_RETURN, 0, {"frame.onKey(101,13)", "key(101,13)"}},
        {"pen down left of the window", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0xFFF6, 5),
         {"frame.onMouse(201,-10,5,0)", "mouse(201,-10,5)", "frame.onMouse(201,-10,5,1)"}},
        {"pen move above the window", WM_MOUSEMOVE, 0, MAKELPARAM(7, 0xFFFE),
         {"frame.onMouse(200,7,-2,0)", "mouse(200,7,-2)", "frame.onMouse(200,7,-2,1)"}},
        {"double click goes to default processing", WM_LBUTTONDBLCLK, 0, 0, {}},
        {"command", WM_COMMAND, MAKEWPARAM(12, 3), 0, {"command(3,12)"}},
        {"own timer", WM_TIMER, Window::kTimerId, 0, {"frame.onTimer"}},
        {"other timer", WM_TIMER, 5, 0, {}},
        {"show", WM_SHOWWINDOW, 1, 0, {"frame.onShow(1)"}},
        {"hide", WM_SHOWWINDOW, 0, 0, {"frame.onShow(0)"}},
        {"erase", WM_ERASEBKGND, 0, 0, {"frame.onEraseBackground"}},
        {"focus", WM_SETFOCUS, 0, 0, {"frame.onSetFocus"}},
        {"focus lost", WM_KILLFOCUS, 0, 0, {"frame.onKillFocus"}},
        {"paint", WM_PAINT, 0, 0, {"frame.onPaint", "frame.present(-1)"}},
    };
    for (const Case& c : cases)
    {
        g_log.clear();
        SendMessageW(frame.getHandle(), c.message, c.w, c.l);
        EXPECT_EQ(g_log, c.expected) << c.what;
    }
}

TEST(Window, EditFocusNotificationsMoveTheInputPanel)
{
    RecordingWindow frame("frame");
    ASSERT_TRUE(frame.create(0, 0, 240, 320));
    Listeners listeners;
    frame.setCommandListener(&listeners);
    g_log.clear();
    SendMessageW(frame.getHandle(), WM_COMMAND, MAKEWPARAM(4, EN_SETFOCUS), 0);
    EXPECT_EQ(headless::text_input_state(), 1);
    SendMessageW(frame.getHandle(), WM_COMMAND, MAKEWPARAM(4, EN_KILLFOCUS), 0);
    EXPECT_EQ(headless::text_input_state(), 0);
    EXPECT_EQ(g_log, (std::vector<std::string>{"command(100,4)", "command(200,4)"}));
}

TEST(Window, CloseAsksTheWindow)
{
    RecordingWindow frame("frame");
    ASSERT_TRUE(frame.create(0, 0, 240, 320));
    frame.allowClose = false;
    SendMessageW(frame.getHandle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(frame.getHandle())) << "onClose said no";
    frame.allowClose = true;
    HWND handle = frame.getHandle();
    g_log.clear();
    SendMessageW(handle, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(handle));
    ASSERT_FALSE(g_log.empty());
    EXPECT_EQ(g_log.front(), "frame.onClose");
    EXPECT_EQ(tail(2), (std::vector<std::string>{"frame.onDestroy", "frame.afterDestroy"}));
}

TEST(Window, ControlColoursComeFromTheWindow)
{
    RecordingWindow frame("frame");
    ASSERT_TRUE(frame.create(0, 0, 240, 320));
    frame.setTextColor(0x112, 0x34, 0x56); // masked to 8 bits each
    frame.setBackgroundColor(1, 2, 3);
    EXPECT_EQ(frame.getTextColor(), 0x563412u);
    EXPECT_EQ(frame.getBackgroundColor(), 0x030201u);
    HDC dc = GetDC(frame.getHandle());
    for (UINT message : {WM_CTLCOLOREDIT, WM_CTLCOLORLISTBOX, WM_CTLCOLORBTN, WM_CTLCOLORSCROLLBAR, WM_CTLCOLORSTATIC})
    {
        LRESULT brush = SendMessageW(frame.getHandle(), message, reinterpret_cast<WPARAM>(dc), 0);
        EXPECT_EQ(brush, reinterpret_cast<LRESULT>(frame.getBackgroundBrush())) << message;
        EXPECT_EQ(GetTextColor(dc), 0x563412u);
        EXPECT_EQ(GetBkColor(dc), 0x030201u);
    }
    EXPECT_NE(SendMessageW(frame.getHandle(), WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), 0),
              reinterpret_cast<LRESULT>(frame.getBackgroundBrush()));
    ReleaseDC(frame.getHandle(), dc);
}

TEST(Window, SingleInstance)
{
    RecordingWindow first("first", nullptr, u"Only One");
    RecordingWindow second("second", nullptr, u"Only One");
    RecordingWindow other("other", nullptr, u"Another Title");
    ASSERT_TRUE(first.create(0, 0, 240, 320));
    EXPECT_FALSE(second.create(0, 0, 240, 320));
    EXPECT_EQ(second.getHandle(), nullptr);
    EXPECT_EQ(GetForegroundWindow(), first.getHandle());
    EXPECT_TRUE(other.create(0, 0, 240, 320)) << "another title is another program";
    second.allowMultipleInstances = true;
    EXPECT_TRUE(second.create(0, 0, 240, 320));
    second.destroy();
    first.destroy();
    RecordingWindow third("third", nullptr, u"Only One");
    EXPECT_TRUE(third.create(0, 0, 240, 320)) << "the first one is gone";
}

TEST(Window, ChildrenAreOwned)
{
    g_log.clear();
    auto* frame = new RecordingWindow("frame");
    ASSERT_TRUE(frame->create(0, 0, 240, 320));
    auto* a = new RecordingWindow("a", frame->getHandle());
    a->style = WS_CHILD | WS_VISIBLE;
    a->controlId = 17;
    auto* b = new RecordingWindow("b");
    b->style = WS_CHILD;
    ASSERT_TRUE(frame->addChild(a, 0, 0, 10, 10));
    EXPECT_FALSE(frame->addChild(a, 0, 0, 10, 10)) << "already a child";
    ASSERT_TRUE(frame->addChild(b, 0, 0, 10, 10));
    EXPECT_EQ(frame->getChildCount(), 2);
    EXPECT_EQ(frame->findChild(17), a);
    EXPECT_EQ(frame->findChild(99), nullptr);
    EXPECT_EQ(b->getParent(), frame);
    EXPECT_EQ(GetParent(b->getHandle()), frame->getHandle());
    EXPECT_EQ(GetDlgCtrlID(a->getHandle()), 17);

    HWND bHandle = b->getHandle();
    frame->removeChild(b);
    EXPECT_FALSE(IsWindow(bHandle));
    EXPECT_FALSE(quitPosted()) << "only a top-level window ends the loop";
    EXPECT_EQ(frame->getChildCount(), 1);
    delete b; // removed children are the caller's

    HWND frameHandle = frame->getHandle();
    HWND aHandle = a->getHandle();
    g_log.clear();
    delete frame; // never destroyed: the object goes and takes its windows along
    EXPECT_EQ(g_log, (std::vector<std::string>{"frame.deleted", "a.deleted"}));
    EXPECT_FALSE(IsWindow(frameHandle));
    EXPECT_FALSE(IsWindow(aHandle));
    pump();
}

TEST(Window, OrientationSwapsTheClientSize)
{
    RecordingWindow frame("frame");
    ASSERT_TRUE(frame.create(0, 0, 100, 200));
    const std::pair<int, std::pair<int, int>> cases[] = {{0, {100, 200}}, {1, {200, 100}}, {2, {200, 100}}};
    for (const auto& [orientation, size] : cases)
    {
        frame.orientation = orientation;
        EXPECT_EQ(frame.getClientWidth(), size.first) << orientation;
        EXPECT_EQ(frame.getClientHeight(), size.second) << orientation;
    }
    frame.move(0, 0, 50, 60);
    frame.orientation = 0;
    EXPECT_EQ(frame.getClientWidth(), 50);
}

TEST(Window, MinimisingStopsTheTimerAndRestoringRestartsIt)
{
    RecordingWindow frame("frame");
    ASSERT_TRUE(frame.create(0, 0, 240, 320));
    RecordingWindow idle("idle", nullptr, u"No Timer");
    ASSERT_TRUE(idle.create(0, 0, 240, 320));
    frame.startTimer(40);
    pump();
    headless::advance(100);
    EXPECT_GT(pump(), 0);

    SendMessageW(frame.getHandle(), WM_SIZE, SIZE_MINIMIZED, 0);
    SendMessageW(idle.getHandle(), WM_SIZE, SIZE_RESTORED, 0);
    pump();
    headless::advance(200);
    EXPECT_EQ(pump(), 0) << "minimised, and the other never started one";
    EXPECT_TRUE(frame.isTimerRunning());

    SendMessageW(frame.getHandle(), WM_SIZE, SIZE_RESTORED, 0);
    headless::advance(45);
    g_log.clear();
    EXPECT_GT(pump(), 0);
    EXPECT_EQ(g_log, (std::vector<std::string>{"frame.onTimer"})) << "the same 40 ms, and only this window's";
    frame.stopTimer();
    headless::advance(200);
    EXPECT_EQ(pump(), 0);
}

TEST(Window, EditControlTextAndReturnKey)
{
    RecordingWindow frame("frame");
    ASSERT_TRUE(frame.create(0, 0, 240, 320));
    RecordingWindow* edit = addControl(frame, "edit", u"EDIT");
    SetWindowTextW(edit->getHandle(), u"a b#c");
    WCHAR buffer[64];
    EXPECT_EQ(std::u16string(edit->getText(buffer, 64)), u"a b#c") << "no refused set yet";
    Window::setRefusedChars(u"`~!@#$%^&*=\\|,/?:;'\"");
    EXPECT_EQ(std::u16string(edit->getText(buffer, 64)), u"a_bc");
    Window::setRefusedChars(nullptr);

    edit->setFocus();
    EXPECT_EQ(GetFocus(), edit->getHandle());
    SendMessageW(edit->getHandle(), WM_KEYUP, VK_RETURN, 0);
    EXPECT_EQ(GetFocus(), frame.getHandle()) << "Return hands the focus to the parent";
    edit->setReadOnly(true);
    EXPECT_EQ(edit->getLineCount(), 1);
    edit->destroy();
    delete edit;
}

TEST(Window, ListControlOperations)
{
    RecordingWindow frame("frame");
    ASSERT_TRUE(frame.create(0, 0, 240, 320));
    RecordingWindow* list = addControl(frame, "list", u"LISTBOX");
    static const WCHAR* rows[] = {u"alpha", u"beta", u"gamma"};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(list->addListItem(rows[i]), i);
    EXPECT_EQ(list->getListCount(), 3);
    EXPECT_EQ(SendMessageW(list->getHandle(), LB_GETITEMDATA, 1, 0), reinterpret_cast<LRESULT>(rows[1]));
    EXPECT_EQ(list->findListItem(u"ga"), 2);
    EXPECT_EQ(list->findListItem(u"zz"), LB_ERR);
    list->setListSelection(1);
    EXPECT_EQ(list->getListSelection(), 1);
    WCHAR buffer[32];
    EXPECT_EQ(std::u16string(list->getListItemText(2, buffer)), u"gamma");
    EXPECT_EQ(list->getListItemText(7, buffer), nullptr);
    list->deleteListItem(0);
    EXPECT_EQ(list->getListCount(), 2);
    list->clearList();
    EXPECT_EQ(list->getListCount(), 0);
}

namespace {

class CountingFilter : public PresentFilter
{
public:
    void apply(int zoom256) override { g_log.push_back(text("apply(%d)", zoom256)); }
    void onAttach() override { g_log.push_back("attach"); }
    void onDetach() override { g_log.push_back("detach"); }
};

class FakeBufferedWindow : public Window
{
public:
    FakeBufferedWindow() : Window(u"Buffered", nullptr, true) {}

protected:
    HDC rebuildBackBuffer() override
    {
        g_log.push_back("rebuild");
        return nullptr;
    }
    void presentBackBuffer(const RECT* rect, int zoom256) override { g_log.push_back(text("show(%d)", zoom256)); }
};

} // namespace

TEST(Window, PresentRunsTheFiltersOnBufferedWindowsOnly)
{
    CountingFilter filter;
    g_log.clear();
    FakeBufferedWindow buffered;
    ASSERT_TRUE(buffered.create(0, 0, 240, 320));
    EXPECT_EQ(g_log, (std::vector<std::string>{"rebuild"}));
    RecordingWindow plain("plain");
    ASSERT_TRUE(plain.create(0, 0, 240, 320));
    plain.addPresentFilter(&filter);
    g_log.clear();
    plain.Window::present(nullptr, -1);
    EXPECT_TRUE(g_log.empty()) << "an unbuffered window presents nothing";
    buffered.addPresentFilter(&filter);
    buffered.zoom = 0.5f;
    g_log.clear();
    buffered.present(nullptr, -1);
    buffered.present(nullptr, 300);
    buffered.removePresentFilter(&filter);
    buffered.removePresentFilter(&filter); // not listed: nothing
    buffered.present(nullptr, 256);
    EXPECT_EQ(g_log, (std::vector<std::string>{"apply(128)", "show(128)", "apply(300)", "show(300)", "detach",
                                               "show(256)"}));
}

namespace {

WaveSound* g_doneSound = nullptr;

} // namespace

TEST(Window, WaveCompletionReachesTheHandler)
{
    RecordingWindow frame("frame");
    ASSERT_TRUE(frame.create(0, 0, 240, 320));
    WAVEHDR header{};
    int token = 0;
    header.dwUser = reinterpret_cast<DWORD_PTR>(&token);
    SendMessageW(frame.getHandle(), MM_WOM_DONE, 0, reinterpret_cast<LPARAM>(&header)); // no handler: nothing
    Window::setWaveDoneHandler([](WaveSound* sound) { g_doneSound = sound; });
    SendMessageW(frame.getHandle(), MM_WOM_DONE, 0, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(reinterpret_cast<int*>(g_doneSound), &token);
    Window::setWaveDoneHandler(nullptr);
}
