// connection_idle.cpp -- waiting for the network with the two clocks kept together
#include "games/skyrend/multiplayer/connection_idle.h"

#include <os/windows.h>

#include <algorithm>

namespace skyrend::mp {

namespace {

// A real pause of each turn while the clocks agree, so the loop never spins.
constexpr DWORD kShortestWaitMs = 2;
// A lag larger than this (the program was busy for long) is caught up in
// steps, so the loop still looks at its messages.
constexpr long long kLongestCatchUpMs = 250;

} // namespace

ConnectionIdle::ConnectionIdle() : event(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

ConnectionIdle::~ConnectionIdle()
{
    end();
    CloseHandle(event);
}

void ConnectionIdle::begin()
{
    realStart = std::chrono::steady_clock::now();
    programStart = GetTickCount();
    active = true;
    setIdleHandler(this);
}

void ConnectionIdle::end()
{
    active = false;
    if (getIdleHandler() == this)
        setIdleHandler(nullptr);
}

void ConnectionIdle::wake()
{
    SetEvent(event);
}

long long ConnectionIdle::turn(long long programMs, long long realMs, DWORD shortest)
{
    const long long lead = programMs - realMs;
    if (lead < 0)
        return std::max(lead, -kLongestCatchUpMs);
    return std::clamp(lead, (long long)shortest, (long long)kLongestWaitMs);
}

void ConnectionIdle::onIdle(MSG*, HWND)
{
    const long long realMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - realStart).count();
    const long long programMs = (long long)DWORD(GetTickCount() - programStart);
    const long long step = turn(programMs, realMs, kShortestWaitMs);
    if (step < 0)
        Sleep(DWORD(-step));
    else
        WaitForSingleObject(event, DWORD(step));
}

} // namespace skyrend::mp
