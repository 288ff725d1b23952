// Conformance tests of threads: creation, suspended start, suspend counts,
// exit codes, priorities and the end of a thread.
#include <os/process.h>
#include <os/sync.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

constexpr DWORD kThreadWait = 10000;

std::atomic<int> g_runs{0};

DWORD WINAPI count_run(LPVOID parameter)
{
    g_runs.fetch_add(1);
    return DWORD(reinterpret_cast<uintptr_t>(parameter));
}

TEST(CreateThread, RunsAndReportsExitCode)
{
    g_runs = 0;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, count_run, reinterpret_cast<LPVOID>(uintptr_t(1234)), 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_NE(id, GetCurrentThreadId());
    EXPECT_EQ(WaitForSingleObject(thread, kThreadWait), WAIT_OBJECT_0);
    DWORD code = 0;
    SetLastError(0xdeadbeef);
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 1234u);
    EXPECT_EQ(g_runs.load(), 1);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "an ended thread stays signalled";
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(CreateThread, IdSeenInsideMatches)
{
    static DWORD seen;
    seen = 0;
    DWORD id = 0;
    HANDLE thread = CreateThread(
        nullptr, 0, [](LPVOID) -> DWORD { return seen = GetCurrentThreadId(); }, nullptr, CREATE_SUSPENDED, &id);
    EXPECT_EQ(ResumeThread(thread), 1u);
    WaitForSingleObject(thread, kThreadWait);
    EXPECT_EQ(seen, id);
    CloseHandle(thread);
}

TEST(CreateThread, NullStartFails)
{
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

TEST(CreateThread, SuspendedStartsAtLastResume)
{
    g_runs = 0;
    HANDLE thread = CreateThread(nullptr, 0, count_run, nullptr, CREATE_SUSPENDED, nullptr);
    ASSERT_NE(thread, nullptr);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, (DWORD)STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(thread, 20), (DWORD)WAIT_TIMEOUT);
    // Each call answers the previous suspend count; the thread starts when
    // the count reaches 0 and a resume after that answers 0.
    struct Step
    {
        const char* call;
        DWORD expected;
        bool still_suspended;
    };
    const Step steps[] = {
        {"suspend", 1, true}, {"suspend", 2, true}, {"resume", 3, true},
        {"resume", 2, true},  {"resume", 1, false}, {"resume", 0, false},
    };
    for (const Step& s : steps)
    {
        DWORD got = s.call[0] == 's' ? SuspendThread(thread) : ResumeThread(thread);
        EXPECT_EQ(got, s.expected) << s.call;
        if (s.still_suspended)
        {
            EXPECT_EQ(g_runs.load(), 0) << "nothing runs while suspended";
            EXPECT_EQ(WaitForSingleObject(thread, 0), (DWORD)WAIT_TIMEOUT);
        }
    }
    EXPECT_EQ(WaitForSingleObject(thread, kThreadWait), WAIT_OBJECT_0);
    EXPECT_EQ(g_runs.load(), 1);
    CloseHandle(thread);
}

TEST(SuspendThread, RunningThreadIsNotSupported)
{
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(
        nullptr, 0, [](LPVOID e) -> DWORD { return WaitForSingleObject(static_cast<HANDLE>(e), INFINITE); }, stop, 0,
        nullptr);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SuspendThread(thread), DWORD(-1));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_SUPPORTED);
    EXPECT_EQ(ResumeThread(thread), 0u) << "a running thread has count 0";
    SetEvent(stop);
    EXPECT_EQ(WaitForSingleObject(thread, kThreadWait), WAIT_OBJECT_0);
    CloseHandle(thread);
    CloseHandle(stop);
}

TEST(SuspendThread, SelfSuspensionWaitsForResume)
{
    static std::atomic<int> stage;
    stage = 0;
    DWORD id = 0;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID) -> DWORD {
            stage = 1;
            DWORD previous = SuspendThread(GetCurrentThread());
            stage = 2;
            return previous;
        },
        nullptr, 0, &id);
    while (stage.load() == 0)
        std::this_thread::yield();
    EXPECT_EQ(WaitForSingleObject(thread, 30), (DWORD)WAIT_TIMEOUT);
    // The resume may come before the thread has counted itself suspended.
    DWORD previous = 0;
    while ((previous = ResumeThread(thread)) == 0 && stage.load() == 1)
        std::this_thread::yield();
    EXPECT_EQ(WaitForSingleObject(thread, kThreadWait), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, 0u) << "previous count of a running thread";
    CloseHandle(thread);
}

TEST(ExitThread, EndsWorkerWithCode)
{
    for (DWORD code : {0u, 7u, 0xFFFFFFFFu})
    {
        HANDLE thread = CreateThread(
            nullptr, 0,
            [](LPVOID p) -> DWORD {
                ExitThread(DWORD(reinterpret_cast<uintptr_t>(p)));
                return 1; // never reached
            },
            reinterpret_cast<LPVOID>(uintptr_t(code)), 0, nullptr);
        EXPECT_EQ(WaitForSingleObject(thread, kThreadWait), WAIT_OBJECT_0);
        DWORD got = 1;
        EXPECT_TRUE(GetExitCodeThread(thread, &got));
        EXPECT_EQ(got, code);
        CloseHandle(thread);
    }
}

TEST(ExitThread, RunsDestructorsOfTheThread)
{
    static std::atomic<int> destroyed;
    destroyed = 0;
    struct Guard
    {
        ~Guard() { destroyed.fetch_add(1); }
    };
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID) -> DWORD {
            Guard guard;
            ExitThread(3);
        },
        nullptr, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, kThreadWait), WAIT_OBJECT_0);
    EXPECT_EQ(destroyed.load(), 1);
    CloseHandle(thread);
}

TEST(ExitThread, OnMainThreadEndsProcess)
{
    struct Case
    {
        DWORD code;
        int host;
    };
    const Case cases[] = {{0, 0}, {3, 3}, {DWORD(-1), 255}};
    for (const Case& c : cases)
        EXPECT_EXIT(ExitThread(c.code), ::testing::ExitedWithCode(c.host), "") << "code " << c.code;
}

TEST(ExitThread, OnMainThreadLeavesOtherThreadsBehind)
{
    EXPECT_EXIT(
        {
            CreateThread(nullptr, 0, [](LPVOID) -> DWORD { for (;;) Sleep(1); }, nullptr, 0, nullptr);
            ExitThread(DWORD(-1));
        },
        ::testing::ExitedWithCode(255), "");
}

TEST(CloseHandle, ThreadGoesOn)
{
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    struct Shared
    {
        HANDLE go, done;
    } shared{go, done};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            auto* s = static_cast<Shared*>(p);
            WaitForSingleObject(s->go, INFINITE);
            SetEvent(s->done);
            return 0;
        },
        &shared, 0, nullptr);
    EXPECT_TRUE(CloseHandle(thread));
    SetEvent(go);
    EXPECT_EQ(WaitForSingleObject(done, kThreadWait), WAIT_OBJECT_0) << "closing the handle must not stop the thread";
    CloseHandle(go);
    CloseHandle(done);
}

TEST(CloseHandle, SuspendedThreadNeverRuns)
{
    g_runs = 0;
    HANDLE thread = CreateThread(nullptr, 0, count_run, nullptr, CREATE_SUSPENDED, nullptr);
    EXPECT_TRUE(CloseHandle(thread));
    Sleep(10);
    EXPECT_EQ(g_runs.load(), 0);
}

TEST(ThreadPriority, RecordedPerThread)
{
    HANDLE thread = CreateThread(nullptr, 0, count_run, nullptr, CREATE_SUSPENDED, nullptr);
    EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_NORMAL);
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_NORMAL);
    for (int priority : {THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_IDLE, THREAD_PRIORITY_TIME_CRITICAL})
    {
        EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), priority));
        EXPECT_EQ(GetThreadPriority(GetCurrentThread()), priority);
    }
    EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_NORMAL) << "another thread keeps its own";
    for (int bad : {-1, 8})
    {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(SetThreadPriority(thread, bad)) << bad;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    }
    ResumeThread(thread);
    WaitForSingleObject(thread, kThreadWait);
    CloseHandle(thread);
}

TEST(ThreadHandles, BadHandlesAreRefused)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE closed = CreateThread(nullptr, 0, count_run, nullptr, CREATE_SUSPENDED, nullptr);
    CloseHandle(closed);
    for (HANDLE bad : {(HANDLE) nullptr, event, closed})
    {
        DWORD code = 0;
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(GetExitCodeThread(bad, &code)) << bad;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
        SetLastError(0xdeadbeef);
        EXPECT_EQ(ResumeThread(bad), DWORD(-1)) << bad;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
        SetLastError(0xdeadbeef);
        EXPECT_EQ(SuspendThread(bad), DWORD(-1)) << bad;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
        SetLastError(0xdeadbeef);
        EXPECT_EQ(GetThreadPriority(bad), THREAD_PRIORITY_ERROR_RETURN) << bad;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    }
    CloseHandle(event);
}

TEST(CurrentThread, PseudoHandleAndIds)
{
    EXPECT_EQ(GetCurrentThread(), GetCurrentThread());
    EXPECT_NE(GetCurrentThreadId(), 0u);
    EXPECT_EQ(GetCurrentThreadId(), GetCurrentThreadId());
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(GetCurrentThread(), &code));
    EXPECT_EQ(code, (DWORD)STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(GetCurrentThread(), 0), (DWORD)WAIT_TIMEOUT) << "the caller is still running";
}

} // namespace
