// message_loop_test.cpp -- the idle-driven loop and the start-up utilities
#include "engine/platform/message_loop.h"
#include "engine/platform/system_utils.h"
#include "engine/platform/window.h"

#include "os/testing/host.h"

#include <gtest/gtest.h>

#include <os/windows.h>

#include <cstdlib>
#include <string>

namespace headless = os::host::headless;

namespace {

// Counts its calls; on call `quitAt` posts WM_QUIT with `code`.
class CountingIdle : public IdleHandler
{
public:
    void onIdle(MSG* message, HWND window) override
    {
        lastSeen = message->message;
        if (++calls == quitAt)
            PostQuitMessage(code);
        Sleep(1); // as a frame's pacing would

    }
    int calls = 0;
    int quitAt = 1;
    int code = 0;
    UINT lastSeen = 0;
};

class QuitOnTimer : public Window
{
public:
    QuitOnTimer() : Window(u"Loop", nullptr, false) {}
    void onTimer() override { PostQuitMessage(3); }
};

struct IdleGuard
{
    ~IdleGuard() { setIdleHandler(nullptr); }
};

} // namespace

TEST(MessageLoop, IdleHandlerRunsUntilItPostsQuit)
{
    IdleGuard guard;
    CountingIdle idle;
    idle.quitAt = 5;
    idle.code = 7;
    setIdleHandler(&idle);
    EXPECT_EQ(getIdleHandler(), &idle);
    EXPECT_EQ(runMessageLoop(nullptr), 7);
    EXPECT_EQ(idle.calls, 5) << "the quit posted on the fifth idle turn ends the loop on the next poll";
}

TEST(MessageLoop, IdleHandlerSeesTheLastMessageTaken)
{
    IdleGuard guard;
    QuitOnTimer window;
    ASSERT_TRUE(window.create(0, 0, 240, 320));
    CountingIdle idle;
    idle.quitAt = -1; // never
    setIdleHandler(&idle);
    PostMessageW(window.getHandle(), WM_USER + 5, 0, 0);
    window.startTimer(30);
    EXPECT_EQ(runMessageLoop(window.getHandle()), 3);
    EXPECT_GT(idle.calls, 0);
    EXPECT_NE(idle.lastSeen, 0u) << "the record keeps what was last taken";
    EXPECT_EQ(GetForegroundWindow(), window.getHandle());
}

TEST(MessageLoop, WithoutIdleHandlerTheLoopSleepsUntilAMessageComes)
{
    QuitOnTimer window;
    ASSERT_TRUE(window.create(0, 0, 240, 320));
    window.startTimer(50);
    DWORD start = GetTickCount();
    EXPECT_EQ(runMessageLoop(window.getHandle()), 3);
    EXPECT_NE(GetTickCount(), start) << "sleeping moved the virtual clock on to the timer";
}

TEST(SystemUtils, CheckFreeMemory)
{
    struct Case
    {
        const char* freeBytes;
        float neededMB;
        bool asks;  // a question is shown
        int answer; // the user's answer to it
        int expected;
    };
    const Case cases[] = {
        {"5242880", 5.0f, false, 0, IDYES}, // exactly enough
        {"8388608", 5.0f, false, 0, IDYES},
        {"4194304", 5.0f, true, IDNO, IDNO},
        {"4194304", 5.0f, true, IDYES, IDYES},
    };
    WCHAR name[MAX_PATH];
    getProgramFileName(name);
    const std::u16string question = os::format(u"'%s' needs 5.0MB memory. Free memory is now 4.0MB.\n"
                                               u"System will adjust memory distribution to meet this requirement.\n"
                                               u"Ingore this warning and continue?",
                                               name);
    for (const Case& c : cases)
    {
        setenv("OS_MEM_AVAIL", c.freeBytes, 1);
        headless::clear_boxes();
        if (c.asks)
            headless::queue_answer(c.answer);
        EXPECT_EQ(checkFreeMemory(nullptr, c.neededMB), c.expected) << c.freeBytes;
        ASSERT_EQ(headless::boxes().size(), c.asks ? 1u : 0u) << c.freeBytes;
        if (!c.asks)
            continue;
        const auto& box = headless::boxes()[0];
        EXPECT_EQ(box.caption, u"Memory Warning");
        EXPECT_EQ(box.text, question);
        EXPECT_EQ(box.flags, UINT(MB_YESNO | MB_ICONEXCLAMATION));
    }
    unsetenv("OS_MEM_AVAIL");
}

TEST(SystemUtils, ProgramFolderAndFileName)
{
    WCHAR module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    WCHAR folder[MAX_PATH];
    WCHAR name[MAX_PATH];
    getProgramFolder(folder);
    getProgramFileName(name);
    std::u16string f = folder;
    ASSERT_FALSE(f.empty());
    EXPECT_EQ(f.back(), u'\\') << "the backslash stays";
    EXPECT_EQ(f + name, std::u16string(module));
    EXPECT_EQ(std::u16string(name).find(u'\\'), std::u16string::npos);
}

TEST(SystemUtils, ShowLastErrorShowsTheSystemText)
{
    headless::clear_boxes();
    SetLastError(ERROR_FILE_NOT_FOUND);
    showLastError();
    ASSERT_EQ(headless::boxes().size(), 1u);
    EXPECT_EQ(headless::boxes()[0].caption, u"Error");
    EXPECT_EQ(headless::boxes()[0].flags, UINT(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_FALSE(headless::boxes()[0].text.empty());
}

TEST(SystemUtils, StartProgramReportsAMissingProgram)
{
    EXPECT_FALSE(startProgram(u"\\Program Files\\Nothing\\Here", u"ARG:intro"));
}

TEST(SystemUtils, SpecialFolderAndOemText)
{
    WCHAR folder[MAX_PATH] = {};
    EXPECT_TRUE(getSpecialFolder(CSIDL_PERSONAL, folder));
    EXPECT_NE(GetFileAttributesW(folder), INVALID_FILE_ATTRIBUTES);
    WCHAR oem[40] = {};
    getOemInfo(oem);
    EXPECT_NE(oem[0], 0);
}

TEST(SystemUtils, PortraitAndSquareScreensAreAccepted)
{
    os::host::set_default_screen(300, 300, 16);
    int x = -1, y = -1, w = 0, h = 0;
    getScreenRect(&x, &y, &w, &h);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(w, 300);
    EXPECT_EQ(h, 300);
}

TEST(SystemUtils, LandscapeScreenEndsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto landscape = [] {
        os::host::set_default_screen(320, 240, 16);
        int x = 0, y = 0, w = 0, h = 0;
        getScreenRect(&x, &y, &w, &h);
    };
    EXPECT_EXIT(landscape(), ::testing::ExitedWithCode(255), "");
}
