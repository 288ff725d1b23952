// message_test.cpp -- posting, sending and taking messages
#include "msg_log.h"

#include <os/user.h>

#include "os/host/headless.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

using namespace msglog;

TEST(PeekMessage, EmptyQueueLeavesMsgUntouched)
{
    HWND top = make_top(WS_POPUP);
    pump();
    MSG m;
    std::memset(&m, 0xab, sizeof m);
    MSG before = m;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(std::memcmp(&m, &before, sizeof m), 0) << "PeekMessageW changed the record with nothing to take";
    EXPECT_FALSE(PeekMessageW(&m, top, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(std::memcmp(&m, &before, sizeof m), 0);
    DestroyWindow(top);
}

TEST(PeekMessage, RemoveAndNoRemove)
{
    HWND top = make_top(WS_POPUP);
    pump();
    ASSERT_TRUE(PostMessageW(top, WM_USER, 1, 2));
    MSG m{};
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, (UINT)WM_USER);
    EXPECT_EQ(m.hwnd, top);
    EXPECT_EQ(m.wParam, 1u);
    EXPECT_EQ(m.lParam, 2);
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) << "PM_NOREMOVE left it in the queue";
    EXPECT_EQ(m.message, (UINT)WM_USER);
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(top);
}

TEST(PeekMessage, Filters)
{
    HWND top = make_top(WS_POPUP);
    HWND child = make_child(top, 1, {0, 0, 5, 5});
    HWND other = make_top(WS_POPUP);
    pump();
    struct Case
    {
        const char* name;
        HWND filter;
        UINT lo, hi;
        UINT expected; // 0: nothing
        HWND expected_hwnd;
    } cases[] = {
        {"no filter takes the first", nullptr, 0, 0, WM_USER + 1, top},
        {"range", nullptr, WM_USER + 2, WM_USER + 3, WM_USER + 2, child},
        {"window filter takes its children's messages", top, WM_USER + 2, WM_USER + 2, WM_USER + 2, child},
        {"window filter skips other windows", child, WM_USER + 3, WM_USER + 3, 0, nullptr},
        {"-1 takes thread messages only", (HWND)-1, 0, 0, WM_USER + 4, nullptr},
        {"empty range", nullptr, WM_USER + 9, WM_USER + 10, 0, nullptr},
    };
    for (const Case& c : cases)
    {
        PostMessageW(top, WM_USER + 1, 0, 0);
        PostMessageW(child, WM_USER + 2, 0, 0);
        PostMessageW(other, WM_USER + 3, 0, 0);
        PostMessageW(nullptr, WM_USER + 4, 0, 0);
        MSG m{};
        BOOL got = PeekMessageW(&m, c.filter, c.lo, c.hi, PM_REMOVE);
        EXPECT_EQ(got != 0, c.expected != 0) << c.name;
        if (got)
        {
            EXPECT_EQ(m.message, c.expected) << c.name;
            EXPECT_EQ(m.hwnd, c.expected_hwnd) << c.name;
        }
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
        {
        }
    }
    DestroyWindow(top);
    DestroyWindow(other);
}

TEST(GetMessage, PostedOrderAndQuit)
{
    HWND top = make_top(WS_POPUP);
    pump();
    clear();
    PostMessageW(top, WM_USER + 1, 10, 0);
    PostQuitMessage(7);
    PostMessageW(top, WM_USER + 2, 20, 0);
    MSG m;
    int results[3];
    UINT messages[3];
    for (int i = 0; i < 3; ++i)
    {
        results[i] = GetMessageW(&m, nullptr, 0, 0);
        messages[i] = m.message;
        if (results[i] > 0)
        {
            dispatch(m);
        }
    }
    EXPECT_EQ(messages[0], (UINT)WM_USER + 1);
    EXPECT_EQ(messages[1], (UINT)WM_USER + 2) << "posted messages come before the quit request";
    EXPECT_EQ(messages[2], (UINT)WM_QUIT);
    EXPECT_EQ(results[2], 0) << "GetMessageW answers 0 for WM_QUIT";
    EXPECT_EQ(m.wParam, 7u) << "WM_QUIT carries the exit code";
    EXPECT_TRUE(sequence_is({{top, WM_USER + 1, posted | wparam, 10}, {top, WM_USER + 2, posted | wparam, 20}},
                            "dispatched messages"));
    EXPECT_FALSE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit request is taken once";
    DestroyWindow(top);
}

TEST(GetMessage, QuitPassesAWindowFilter)
{
    HWND top = make_top(WS_POPUP);
    pump();
    PostQuitMessage(3);
    MSG m;
    EXPECT_EQ(GetMessageW(&m, top, 0, 0), 0);
    EXPECT_EQ(m.message, (UINT)WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
    DestroyWindow(top);
}

TEST(GetMessage, Errors)
{
    MSG m;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetMessageW(&m, (HWND)(uintptr_t)0x5555, 0, 0), -1);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetMessageW(nullptr, nullptr, 0, 0), -1);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

TEST(PostMessage, InvalidWindow)
{
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(PostMessageW((HWND)(uintptr_t)0x5555, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SendMessageW((HWND)(uintptr_t)0x5555, WM_USER, 0, 0), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
}

TEST(PostMessage, FromAnotherThreadWakesGetMessage)
{
    HWND top = make_top(WS_POPUP);
    pump();
    std::atomic<bool> posted_all{false};
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        for (int i = 0; i < 100; ++i)
        {
            PostMessageW(top, WM_USER, (WPARAM)i, 0);
        }
        posted_all = true;
    });
    MSG m;
    std::vector<WPARAM> seen;
    while (seen.size() < 100 && GetMessageW(&m, nullptr, 0, 0) > 0)
    {
        if (m.message == WM_USER)
        {
            seen.push_back(m.wParam);
        }
    }
    worker.join();
    ASSERT_EQ(seen.size(), 100u);
    for (size_t i = 0; i < seen.size(); ++i)
    {
        EXPECT_EQ(seen[i], i) << "messages from one thread keep their order";
    }
    DestroyWindow(top);
}

namespace {

std::atomic<std::thread::id> g_proc_thread;

LRESULT CALLBACK thread_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_USER + 5)
    {
        g_proc_thread = std::this_thread::get_id();
        return (LRESULT)(wp * 2 + lp);
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

} // namespace

TEST(SendMessage, FromAnotherThreadRunsOnTheOwnerThread)
{
    register_class_with(u"ThreadProc", thread_proc);
    HWND hwnd = CreateWindowExW(0, u"ThreadProc", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    std::atomic<LRESULT> result{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        result = SendMessageW(hwnd, WM_USER + 5, 20, 2);
        done = true;
    });
    MSG m;
    auto start = std::chrono::steady_clock::now();
    while (!done && std::chrono::steady_clock::now() - start < std::chrono::seconds(10))
    {
        PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE); // runs sent messages
        std::this_thread::yield();
    }
    worker.join();
    EXPECT_EQ(result.load(), 42);
    EXPECT_EQ(g_proc_thread.load(), std::this_thread::get_id()) << "the procedure must run on the owner's thread";
    DestroyWindow(hwnd);
}

TEST(SendMessage, IsSynchronousOnTheSameThread)
{
    HWND top = make_top(WS_POPUP);
    pump();
    clear();
    answers()[{top, WM_USER + 7}] = 1234;
    EXPECT_EQ(SendMessageW(top, WM_USER + 7, 5, 6), 1234);
    EXPECT_TRUE(sequence_is({{top, WM_USER + 7, sent | wparam | lparam, 5, 6}}, "SendMessageW"));
    answers().clear();
    DestroyWindow(top);
}

TEST(TranslateMessage, ControlKeysBecomeCharacters)
{
    HWND top = make_top(WS_POPUP);
    pump();
    struct Case
    {
        UINT message;
        WPARAM vk;
        WPARAM expected_char; // 0: none
    } cases[] = {
        {WM_KEYDOWN, VK_RETURN, u'\r'}, {WM_KEYDOWN, VK_BACK, 8},  {WM_KEYDOWN, VK_ESCAPE, 27},
        {WM_KEYDOWN, VK_TAB, u'\t'},    {WM_KEYDOWN, VK_LEFT, 0},  {WM_KEYUP, VK_RETURN, 0},
    };
    for (const Case& c : cases)
    {
        MSG km{top, c.message, c.vk, 1, 0, {0, 0}};
        EXPECT_TRUE(TranslateMessage(&km)) << "key messages answer TRUE";
        MSG m{};
        BOOL got = PeekMessageW(&m, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE);
        EXPECT_EQ(got != 0, c.expected_char != 0) << "vk " << c.vk;
        if (got)
        {
            EXPECT_EQ(m.wParam, c.expected_char) << "vk " << c.vk;
            EXPECT_EQ(m.hwnd, top);
        }
    }
    MSG other{top, WM_USER, 0, 0, 0, {0, 0}};
    EXPECT_FALSE(TranslateMessage(&other));
    DestroyWindow(top);
}

TEST(DispatchMessage, AnswersTheProcedureResult)
{
    HWND top = make_top(WS_POPUP);
    pump();
    answers()[{top, WM_USER}] = 55;
    MSG m{top, WM_USER, 0, 0, 0, {0, 0}};
    EXPECT_EQ(DispatchMessageW(&m), 55);
    answers().clear();
    MSG none{nullptr, WM_USER, 0, 0, 0, {0, 0}};
    EXPECT_EQ(DispatchMessageW(&none), 0);
    DestroyWindow(top);
}

TEST(SendNotifyMessage, SameThreadCallsAtOnce)
{
    HWND top = make_top(WS_POPUP);
    pump();
    clear();
    EXPECT_TRUE(SendNotifyMessageW(top, WM_USER + 3, 1, 0));
    EXPECT_TRUE(sequence_is({{top, WM_USER + 3, sent}}, "SendNotifyMessageW"));
    DestroyWindow(top);
}

namespace {

HWND g_main_window = nullptr;

LRESULT CALLBACK echo_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_USER + 10)
    {
        // Sends back to the other thread while that thread waits for us.
        return SendMessageW(g_main_window, WM_USER + 11, wp, 0) + 1;
    }
    if (msg == WM_USER + 11)
    {
        return (LRESULT)wp * 10;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void register_echo()
{
    register_class_with(u"Echo", echo_proc);
}

HWND make_echo()
{
    return CreateWindowExW(0, u"Echo", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
}

} // namespace

TEST(SendMessage, NestedSendsBetweenTwoThreadsDoNotDeadlock)
{
    register_echo();
    g_main_window = make_echo();
    ASSERT_NE(g_main_window, nullptr);
    std::atomic<HWND> worker_window{nullptr};
    std::thread worker([&] {
        worker_window = make_echo();
        MSG m;
        while (GetMessageW(&m, nullptr, 0, 0) > 0)
        {
            DispatchMessageW(&m);
        }
        DestroyWindow(worker_window);
    });
    while (!worker_window)
    {
        std::this_thread::yield();
    }
    EXPECT_EQ(SendMessageW(worker_window, WM_USER + 10, 4, 0), 41)
        << "the worker's procedure sent back to this thread while it waited";
    PostMessageW(worker_window, WM_QUIT, 0, 0);
    worker.join();
    DestroyWindow(g_main_window);
}

TEST(SendMessage, WakesAThreadBlockedInGetMessage)
{
    register_echo();
    g_main_window = make_echo();
    std::atomic<LRESULT> result{0};
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        result = SendMessageW(g_main_window, WM_USER + 11, 7, 0);
        PostMessageW(g_main_window, WM_USER + 12, 0, 0);
    });
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0 && m.message != WM_USER + 12)
    {
        DispatchMessageW(&m);
    }
    worker.join();
    EXPECT_EQ(result.load(), 70);
    DestroyWindow(g_main_window);
}

TEST(GetMessage, EachThreadSeesOnlyItsOwnWindows)
{
    HWND mine = make_top(WS_POPUP);
    pump();
    std::atomic<int> worker_got{0};
    std::atomic<bool> ready{false};
    std::atomic<HWND> theirs{nullptr};
    std::thread worker([&] {
        register_class();
        theirs = CreateWindowExW(0, class_name(), u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        ready = true;
        MSG m;
        while (GetMessageW(&m, nullptr, 0, 0) > 0)
        {
            if (m.message == WM_USER + 20)
            {
                ++worker_got;
            }
        }
        DestroyWindow(theirs);
    });
    while (!ready)
    {
        std::this_thread::yield();
    }
    PostMessageW(theirs, WM_USER + 20, 0, 0);
    PostMessageW(mine, WM_USER + 21, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_USER + 21);
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) << "another thread's window message reached this queue";
    PostMessageW(theirs, WM_QUIT, 0, 0);
    worker.join();
    EXPECT_EQ(worker_got.load(), 1);
    DestroyWindow(mine);
}

TEST(SendMessage, ToAWindowWhoseThreadEndedAnswersZero)
{
    std::atomic<HWND> orphan{nullptr};
    std::thread worker([&] { orphan = make_top(WS_POPUP, {0, 0, 1, 1}, u"orphan"); });
    worker.join();
    ASSERT_NE(orphan.load(), nullptr);
    EXPECT_EQ(SendMessageW(orphan, WM_USER, 0, 0), 0) << "must not wait for a thread that is gone";
}

TEST(GetMessage, FilterWindowDestroyedWhileWaiting)
{
    HWND top = make_top(WS_POPUP);
    pump();
    PostMessageW(top, WM_USER + 30, 0, 0);
    MSG m;
    ASSERT_EQ(GetMessageW(&m, top, 0, 0), 1);
    DestroyWindow(top); // from inside the loop, as a handler would
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetMessageW(&m, top, 0, 0), -1) << "must not wait for ever on a window that is gone";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
}
