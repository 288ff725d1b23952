// Conformance tests of the tick counter, Sleep, the performance counter and
// the wall clock, on the headless back end's virtual clock.
#include "os/host/headless.h"

#include <os/sync.h>
#include <os/sysinfo.h>

#include <gtest/gtest.h>

#include <ctime>

namespace {

TEST(GetTickCount, FollowsTheVirtualClock)
{
    struct Case
    {
        uint64_t start;
        DWORD sleep;
        DWORD ticks_before;
        DWORD ticks_after;
    };
    const Case cases[] = {
        {0, 0, 0, 0},
        {1000, 1, 1000, 1001},
        {1000, 250, 1000, 1250},
        {0xFFFFFFFFull - 5, 10, 0xFFFFFFFAu, 4},           // wraps to a small value
        {0x100000000ull + 7, 3, 7, 10},                      // only the low 32 bits show
        {0x1FFFFFFFFull, 1, 0xFFFFFFFFu, 0},
    };
    for (const Case& c : cases)
    {
        os::host::headless::set_time(c.start);
        DWORD before = GetTickCount();
        Sleep(c.sleep);
        DWORD after = GetTickCount();
        EXPECT_EQ(before, c.ticks_before) << "start " << c.start;
        EXPECT_EQ(after, c.ticks_after) << "start " << c.start;
        EXPECT_EQ(DWORD(after - before), c.sleep) << "unsigned difference across the wrap, start " << c.start;
    }
}

TEST(PerformanceCounter, MicrosecondsOnTheSameClock)
{
    LARGE_INTEGER frequency{};
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 1000000);
    os::host::headless::set_time(5000);
    LARGE_INTEGER before{}, after{};
    ASSERT_TRUE(QueryPerformanceCounter(&before));
    Sleep(47);
    ASSERT_TRUE(QueryPerformanceCounter(&after));
    EXPECT_EQ(before.QuadPart, 5000000);
    EXPECT_EQ((after.QuadPart - before.QuadPart) / (frequency.QuadPart / 1000), 47);
    for (auto call : {QueryPerformanceCounter, QueryPerformanceFrequency})
    {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(call(nullptr));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    }
}

// Compares a SYSTEMTIME with the host's broken-down time of about the same
// moment (the minute may have turned between the two readings).
void expect_close(const SYSTEMTIME& got, const std::tm& host, const char* what)
{
    EXPECT_EQ(got.wYear, host.tm_year + 1900) << what;
    EXPECT_EQ(got.wMonth, host.tm_mon + 1) << what;
    EXPECT_EQ(got.wDay, host.tm_mday) << what;
    EXPECT_EQ(got.wDayOfWeek, host.tm_wday) << what;
    EXPECT_EQ(got.wHour, host.tm_hour) << what;
    EXPECT_LE(got.wMinute, 59) << what;
    EXPECT_LE(got.wSecond, 59) << what;
    EXPECT_LE(got.wMilliseconds, 999) << what;
}

TEST(WallClock, SystemAndLocalTime)
{
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        std::time_t now = std::time(nullptr);
        SYSTEMTIME utc{}, local{};
        GetSystemTime(&utc);
        GetLocalTime(&local);
        if (std::time(nullptr) / 3600 != now / 3600)
            continue; // the hour turned between the readings; read again
        std::tm host_utc{}, host_local{};
        gmtime_r(&now, &host_utc);
        localtime_r(&now, &host_local);
        expect_close(utc, host_utc, "GetSystemTime");
        expect_close(local, host_local, "GetLocalTime");
        return;
    }
}

} // namespace
