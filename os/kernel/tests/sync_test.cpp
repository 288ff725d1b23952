// Conformance tests of waits, mutexes, events, semaphores, critical sections
// and interlocked operations.
#include <os/process.h>
#include <os/sync.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kSyncWait = 10000; // a wait that must not time out (real ms)

// Runs `body` on a thread of this layer and waits for it; answers its exit code.
DWORD run_thread(DWORD (*body)(LPVOID), LPVOID parameter)
{
    HANDLE thread = CreateThread(nullptr, 0, body, parameter, 0, nullptr);
    EXPECT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, kSyncWait), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    CloseHandle(thread);
    return code;
}

TEST(Mutex, RecursiveFromOneThread)
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
    ASSERT_NE(mutex, nullptr);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0) << "take " << i;
    // Another thread cannot take it until every take is released.
    auto try_take = [](LPVOID m) -> DWORD { return WaitForSingleObject(static_cast<HANDLE>(m), 0); };
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(run_thread(try_take, mutex), (DWORD)WAIT_TIMEOUT) << "after " << i << " releases";
        EXPECT_TRUE(ReleaseMutex(mutex));
    }
    auto take_and_release = [](LPVOID m) -> DWORD {
        DWORD r = WaitForSingleObject(static_cast<HANDLE>(m), 0);
        ReleaseMutex(static_cast<HANDLE>(m));
        return r;
    };
    EXPECT_EQ(run_thread(take_and_release, mutex), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(mutex));
}

TEST(Mutex, InitialOwner)
{
    HANDLE mutex = CreateMutexW(nullptr, TRUE, nullptr);
    ASSERT_NE(mutex, nullptr);
    auto try_take = [](LPVOID m) -> DWORD { return WaitForSingleObject(static_cast<HANDLE>(m), 0); };
    EXPECT_EQ(run_thread(try_take, mutex), (DWORD)WAIT_TIMEOUT);
    EXPECT_TRUE(ReleaseMutex(mutex));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(ReleaseMutex(mutex)) << "released more often than taken";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_OWNER);
    CloseHandle(mutex);
}

TEST(Mutex, ReleaseByNonOwnerFails)
{
    HANDLE mutex = CreateMutexW(nullptr, TRUE, nullptr);
    auto release = [](LPVOID m) -> DWORD {
        SetLastError(0xdeadbeef);
        BOOL ok = ReleaseMutex(static_cast<HANDLE>(m));
        return ok ? 0 : GetLastError();
    };
    EXPECT_EQ(run_thread(release, mutex), (DWORD)ERROR_NOT_OWNER);
    EXPECT_TRUE(ReleaseMutex(mutex)) << "the owner still holds it";
    CloseHandle(mutex);
}

TEST(Mutex, AbandonedWhenOwnerEnds)
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
    struct Case
    {
        const char* how;
        DWORD (*body)(LPVOID);
    };
    const Case cases[] = {
        {"return", [](LPVOID m) -> DWORD { return WaitForSingleObject(static_cast<HANDLE>(m), 0); }},
        {"ExitThread", [](LPVOID m) -> DWORD {
             WaitForSingleObject(static_cast<HANDLE>(m), 0);
             WaitForSingleObject(static_cast<HANDLE>(m), 0);
             ExitThread(5);
         }},
    };
    for (const Case& c : cases)
    {
        run_thread(c.body, mutex);
        EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_ABANDONED) << c.how;
        EXPECT_TRUE(ReleaseMutex(mutex)) << c.how << ": the abandoned mutex is now owned";
        EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0) << c.how << ": abandonment is reported once";
        EXPECT_TRUE(ReleaseMutex(mutex));
    }
    CloseHandle(mutex);
}

TEST(Mutex, BlockedWaiterGetsItOnRelease)
{
    HANDLE mutex = CreateMutexW(nullptr, TRUE, nullptr);
    std::atomic<int> stage{0};
    struct Shared
    {
        HANDLE mutex;
        std::atomic<int>* stage;
    } shared{mutex, &stage};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            auto* s = static_cast<Shared*>(p);
            s->stage->store(1);
            DWORD r = WaitForSingleObject(s->mutex, INFINITE);
            s->stage->store(2);
            ReleaseMutex(s->mutex);
            return r;
        },
        &shared, 0, nullptr);
    while (stage.load() == 0)
        std::this_thread::yield();
    EXPECT_EQ(WaitForSingleObject(thread, 20), (DWORD)WAIT_TIMEOUT) << "the waiter must block while we hold it";
    EXPECT_EQ(stage.load(), 1);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WaitForSingleObject(thread, kSyncWait), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, WAIT_OBJECT_0);
    CloseHandle(thread);
    CloseHandle(mutex);
}

// Two waiters on one event: a manual event releases both, an automatic one
// exactly one per SetEvent.
struct EventCase
{
    const char* name;
    BOOL manual;
    int released_by_one_set;
};

class EventWaiters : public ::testing::TestWithParam<EventCase>
{
};

TEST_P(EventWaiters, SetReleases)
{
    const EventCase& c = GetParam();
    HANDLE event = CreateEventW(nullptr, c.manual, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    std::atomic<int> released{0};
    struct Shared
    {
        HANDLE event;
        std::atomic<int>* released;
    } shared{event, &released};
    auto waiter = [](LPVOID p) -> DWORD {
        auto* s = static_cast<Shared*>(p);
        DWORD r = WaitForSingleObject(s->event, INFINITE);
        s->released->fetch_add(1);
        return r;
    };
    HANDLE threads[2];
    for (HANDLE& t : threads)
        t = CreateThread(nullptr, 0, waiter, &shared, 0, nullptr);
    EXPECT_EQ(WaitForMultipleObjects(2, threads, FALSE, 20), (DWORD)WAIT_TIMEOUT) << "nobody runs before SetEvent";
    EXPECT_TRUE(SetEvent(event));
    // Wait until the first waiter (or, for a manual event, both) went through.
    EXPECT_LT(WaitForMultipleObjects(2, threads, c.manual, kSyncWait), WAIT_OBJECT_0 + 2) << c.name;
    if (c.manual)
    {
        EXPECT_EQ(released.load(), c.released_by_one_set);
    }
    if (!c.manual)
    {
        EXPECT_EQ(WaitForMultipleObjects(2, threads, TRUE, 20), (DWORD)WAIT_TIMEOUT)
            << "an automatic event releases one waiter per set";
        EXPECT_EQ(released.load(), 1);
        EXPECT_TRUE(SetEvent(event));
    }
    EXPECT_EQ(WaitForMultipleObjects(2, threads, TRUE, kSyncWait), WAIT_OBJECT_0);
    EXPECT_EQ(released.load(), 2);
    EXPECT_EQ(WaitForSingleObject(event, 0), c.manual ? WAIT_OBJECT_0 : (DWORD)WAIT_TIMEOUT)
        << c.name << ": a manual event stays set, an automatic one is consumed";
    for (HANDLE t : threads)
        CloseHandle(t);
    CloseHandle(event);
}

INSTANTIATE_TEST_SUITE_P(Event, EventWaiters,
                         ::testing::Values(EventCase{"manual", TRUE, 2}, EventCase{"automatic", FALSE, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Event, InitialStateAndReset)
{
    struct Case
    {
        BOOL manual;
        BOOL initial;
        DWORD first;
        DWORD second;
    };
    const Case cases[] = {
        {TRUE, TRUE, WAIT_OBJECT_0, WAIT_OBJECT_0},
        {FALSE, TRUE, WAIT_OBJECT_0, WAIT_TIMEOUT},
        {TRUE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
        {FALSE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
    };
    for (const Case& c : cases)
    {
        HANDLE event = CreateEventW(nullptr, c.manual, c.initial, nullptr);
        EXPECT_EQ(WaitForSingleObject(event, 0), c.first) << "manual " << c.manual << " initial " << c.initial;
        EXPECT_EQ(WaitForSingleObject(event, 0), c.second) << "manual " << c.manual << " initial " << c.initial;
        EXPECT_TRUE(SetEvent(event));
        EXPECT_TRUE(ResetEvent(event));
        EXPECT_EQ(WaitForSingleObject(event, 0), (DWORD)WAIT_TIMEOUT) << "reset after set";
        CloseHandle(event);
    }
}

// A pulse releases only threads already blocked (one of them for an
// automatic event) and leaves the event reset. The waiters may not have
// blocked yet when a pulse comes, so pulse until both are through, and check
// that an automatic event never released more threads than it had pulses.
TEST(Event, PulseReleasesWaitersAndLeavesReset)
{
    for (BOOL manual : {TRUE, FALSE})
    {
        struct Shared
        {
            HANDLE event;
            std::atomic<int> released{0};
        } shared;
        shared.event = CreateEventW(nullptr, manual, FALSE, nullptr);
        auto waiter = [](LPVOID p) -> DWORD {
            auto* s = static_cast<Shared*>(p);
            DWORD r = WaitForSingleObject(s->event, 20000);
            s->released.fetch_add(1);
            return r;
        };
        HANDLE threads[2];
        for (HANDLE& t : threads)
            t = CreateThread(nullptr, 0, waiter, &shared, 0, nullptr);
        EXPECT_EQ(WaitForMultipleObjects(2, threads, FALSE, 50), (DWORD)WAIT_TIMEOUT) << "nothing set yet";
        int pulses = 0;
        while (shared.released.load() < 2 && pulses < 1000)
        {
            EXPECT_TRUE(PulseEvent(shared.event));
            ++pulses;
            WaitForMultipleObjects(2, threads, TRUE, 10);
            if (!manual)
            {
                EXPECT_LE(shared.released.load(), pulses) << "one waiter per pulse of an automatic event";
            }
        }
        EXPECT_EQ(WaitForMultipleObjects(2, threads, TRUE, kSyncWait), WAIT_OBJECT_0);
        EXPECT_EQ(WaitForSingleObject(shared.event, 0), (DWORD)WAIT_TIMEOUT) << "manual " << manual << ": left reset";
        for (HANDLE t : threads)
        {
            DWORD code = 1;
            GetExitCodeThread(t, &code);
            EXPECT_EQ(code, WAIT_OBJECT_0) << "manual " << manual << ": released by a pulse, not by the timeout";
            CloseHandle(t);
        }
        CloseHandle(shared.event);
    }
}

TEST(Semaphore, CountsAndLimits)
{
    HANDLE semaphore = CreateSemaphoreW(nullptr, 2, 3, nullptr);
    ASSERT_NE(semaphore, nullptr);
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), (DWORD)WAIT_TIMEOUT);
    LONG previous = -1;
    EXPECT_TRUE(ReleaseSemaphore(semaphore, 3, &previous));
    EXPECT_EQ(previous, 0);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(ReleaseSemaphore(semaphore, 1, &previous)) << "beyond the maximum";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_TOO_MANY_POSTS);
    for (LONG bad : {0, -1})
    {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(ReleaseSemaphore(semaphore, bad, nullptr)) << "count " << bad;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    }
    CloseHandle(semaphore);
}

TEST(Semaphore, BadCreation)
{
    const LONG cases[][2] = {{0, 0}, {-1, 1}, {2, 1}, {0, -5}};
    for (auto& c : cases)
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(CreateSemaphoreW(nullptr, c[0], c[1], nullptr), nullptr) << c[0] << "/" << c[1];
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    }
}

TEST(Wait, MultipleAnyAndAll)
{
    HANDLE set = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    HANDLE unset = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE automatic = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    HANDLE any_list[] = {unset, set};
    EXPECT_EQ(WaitForMultipleObjects(2, any_list, FALSE, 0), WAIT_OBJECT_0 + 1);
    HANDLE all_list[] = {automatic, unset};
    EXPECT_EQ(WaitForMultipleObjects(2, all_list, TRUE, 0), (DWORD)WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0) << "a failed wait for all takes nothing";
    SetEvent(automatic);
    SetEvent(unset);
    EXPECT_EQ(WaitForMultipleObjects(2, all_list, TRUE, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), (DWORD)WAIT_TIMEOUT) << "a wait for all takes every object";
    HANDLE first_wins[] = {set, unset};
    EXPECT_EQ(WaitForMultipleObjects(2, first_wins, FALSE, 0), WAIT_OBJECT_0) << "lowest index first";
    for (HANDLE h : {set, unset, automatic})
        CloseHandle(h);
}

TEST(Wait, AbandonedInMultipleWait)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
    run_thread([](LPVOID m) -> DWORD { return WaitForSingleObject(static_cast<HANDLE>(m), 0); }, mutex);
    HANDLE list[] = {event, mutex};
    EXPECT_EQ(WaitForMultipleObjects(2, list, FALSE, 0), WAIT_ABANDONED_0 + 1);
    ReleaseMutex(mutex);
    CloseHandle(event);
    CloseHandle(mutex);
}

TEST(Wait, Errors)
{
    HANDLE event = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    HANDLE closed = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    CloseHandle(closed);
    struct Case
    {
        const char* name;
        DWORD count;
        std::vector<HANDLE> handles;
        BOOL all;
        DWORD error;
    };
    const Case cases[] = {
        {"no objects", 0, {event}, FALSE, ERROR_INVALID_PARAMETER},
        {"too many", MAXIMUM_WAIT_OBJECTS + 1, std::vector<HANDLE>(MAXIMUM_WAIT_OBJECTS + 1, event), FALSE,
         ERROR_INVALID_PARAMETER},
        {"closed handle", 2, {event, closed}, FALSE, ERROR_INVALID_HANDLE},
        {"null handle", 1, {nullptr}, FALSE, ERROR_INVALID_HANDLE},
        {"same object twice for all", 2, {event, event}, TRUE, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases)
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(WaitForMultipleObjects(c.count, c.handles.data(), c.all, 0), WAIT_FAILED) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
    for (HANDLE bad : {(HANDLE) nullptr, closed, (HANDLE)(uintptr_t)0x1234})
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(WaitForSingleObject(bad, 0), WAIT_FAILED) << bad;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    }
    CloseHandle(event);
}

TEST(Wait, TimesOut)
{
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    for (DWORD timeout : {0u, 1u, 30u})
        EXPECT_EQ(WaitForSingleObject(event, timeout), (DWORD)WAIT_TIMEOUT) << "timeout " << timeout;
    CloseHandle(event);
}

TEST(Handles, WrongKindIsRefused)
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE semaphore = CreateSemaphoreW(nullptr, 0, 1, nullptr);
    struct Case
    {
        const char* name;
        BOOL (*call)(HANDLE);
        HANDLE handle;
    };
    const Case cases[] = {
        {"SetEvent on a mutex", SetEvent, mutex},
        {"ResetEvent on a semaphore", ResetEvent, semaphore},
        {"PulseEvent on nothing", PulseEvent, nullptr},
        {"ReleaseMutex on an event", ReleaseMutex, event},
        {"ReleaseSemaphore on an event", [](HANDLE h) { return ReleaseSemaphore(h, 1, nullptr); }, event},
    };
    for (const Case& c : cases)
    {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(c.call(c.handle)) << c.name;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE) << c.name;
    }
    for (HANDLE h : {mutex, event, semaphore})
        EXPECT_TRUE(CloseHandle(h));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(CloseHandle(mutex)) << "closed twice";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_TRUE(CloseHandle(GetCurrentThread())) << "pseudo-handles close as a no-op";
    EXPECT_TRUE(CloseHandle(GetCurrentProcess()));
}

TEST(CriticalSection, RecursiveAndExclusive)
{
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);
    EXPECT_TRUE(TryEnterCriticalSection(&section)) << "the owner enters again";
    auto try_enter = [](LPVOID s) -> DWORD {
        auto* cs = static_cast<LPCRITICAL_SECTION>(s);
        BOOL got = TryEnterCriticalSection(cs);
        if (got)
            LeaveCriticalSection(cs);
        return got;
    };
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(run_thread(try_enter, &section), 0u) << "held " << 3 - i << " times";
        LeaveCriticalSection(&section);
    }
    EXPECT_EQ(run_thread(try_enter, &section), 1u) << "free after as many leaves as enters";
    DeleteCriticalSection(&section);
}

TEST(CriticalSection, CountsUnderContention)
{
    struct Shared
    {
        CRITICAL_SECTION section;
        long counter = 0;
    } shared;
    InitializeCriticalSection(&shared.section);
    auto body = [](LPVOID p) -> DWORD {
        auto* s = static_cast<Shared*>(p);
        for (int i = 0; i < 20000; ++i)
        {
            EnterCriticalSection(&s->section);
            long v = s->counter;
            s->counter = v + 1;
            LeaveCriticalSection(&s->section);
        }
        return 0;
    };
    HANDLE threads[4];
    for (HANDLE& t : threads)
        t = CreateThread(nullptr, 0, body, &shared, 0, nullptr);
    EXPECT_EQ(WaitForMultipleObjects(4, threads, TRUE, 60000), WAIT_OBJECT_0);
    EXPECT_EQ(shared.counter, 80000);
    for (HANDLE t : threads)
        CloseHandle(t);
    DeleteCriticalSection(&shared.section);
}

TEST(Interlocked, Results)
{
    LONG value = 5;
    EXPECT_EQ(InterlockedIncrement(&value), 6);
    EXPECT_EQ(InterlockedDecrement(&value), 5);
    EXPECT_EQ(InterlockedExchange(&value, 9), 5);
    EXPECT_EQ(value, 9);
    EXPECT_EQ(InterlockedExchangeAdd(&value, 3), 9);
    EXPECT_EQ(value, 12);
    struct Case
    {
        LONG start, exchange, comparand, answer, after;
    };
    const Case cases[] = {{12, 1, 12, 12, 1}, {12, 1, 11, 12, 12}, {-1, 0, -1, -1, 0}};
    for (const Case& c : cases)
    {
        value = c.start;
        EXPECT_EQ(InterlockedCompareExchange(&value, c.exchange, c.comparand), c.answer);
        EXPECT_EQ(value, c.after) << "start " << c.start << " comparand " << c.comparand;
    }
    value = 0x7FFFFFFF;
    EXPECT_EQ(InterlockedIncrement(&value), LONG(0x80000000)) << "wraps as 32-bit";
}

TEST(Interlocked, AtomicAcrossThreads)
{
    static LONG counter;
    counter = 0;
    auto body = [](LPVOID) -> DWORD {
        for (int i = 0; i < 50000; ++i)
            InterlockedIncrement(&counter);
        return 0;
    };
    HANDLE threads[4];
    for (HANDLE& t : threads)
        t = CreateThread(nullptr, 0, body, nullptr, 0, nullptr);
    EXPECT_EQ(WaitForMultipleObjects(4, threads, TRUE, 60000), WAIT_OBJECT_0);
    EXPECT_EQ(counter, 200000);
    for (HANDLE t : threads)
        CloseHandle(t);
}

} // namespace

// A name asks for sharing across processes, which this layer does not do: it
// says so once, and the object still works in the process.
TEST(Mutex, ANameIsToldOnceAsNotShared)
{
    testing::internal::CaptureStderr();
    HANDLE a = CreateMutexW(nullptr, FALSE, u"Shared");
    HANDLE b = CreateMutexW(nullptr, FALSE, u"Shared");
    HANDLE plain = CreateMutexW(nullptr, FALSE, nullptr);
    std::string said = testing::internal::GetCapturedStderr();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(said, "os/kernel: named mutexes are not shared: each CreateMutexW makes a new mutex\n");
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0);
    for (HANDLE h : {a, b, plain})
        CloseHandle(h);
}
