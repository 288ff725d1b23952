// time.cpp -- the tick counter, the wall clock and the performance counter
//
// The tick counter and the performance counter follow the back end's clock
// (virtual in headless, so tests are exact). The wall clock is the host's.
#include "os/host/host.h"

#include <os/sysinfo.h>

#include <ctime>

namespace {

void fill(LPSYSTEMTIME out, const std::tm& parts, long nanoseconds)
{
    out->wYear = WORD(parts.tm_year + 1900);
    out->wMonth = WORD(parts.tm_mon + 1);
    out->wDayOfWeek = WORD(parts.tm_wday);
    out->wDay = WORD(parts.tm_mday);
    out->wHour = WORD(parts.tm_hour);
    out->wMinute = WORD(parts.tm_min);
    out->wSecond = WORD(parts.tm_sec > 59 ? 59 : parts.tm_sec);
    out->wMilliseconds = WORD(nanoseconds / 1000000);
}

void wall_clock(LPSYSTEMTIME out, bool local)
{
    if (!out)
        return;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm parts{};
    if (local)
        localtime_r(&now.tv_sec, &parts);
    else
        gmtime_r(&now.tv_sec, &parts);
    fill(out, parts, now.tv_nsec);
}

} // namespace

DWORD GetTickCount()
{
    return DWORD(os::host::backend().now_ms());
}

void GetSystemTime(LPSYSTEMTIME time)
{
    wall_clock(time, false);
}

void GetLocalTime(LPSYSTEMTIME time)
{
    wall_clock(time, true);
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* counter)
{
    if (!counter)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    counter->QuadPart = LONGLONG(os::host::backend().now_ms() * 1000);
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency)
{
    if (!frequency)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    frequency->QuadPart = 1000000;
    return TRUE;
}
