// connection_idle.h -- the user-interface thread's idle turn while a network
// connection stands (the game connected to its server, or the server running
// under its console)
//
// The other end of the connection keeps real time: the server's rounds run
// on the real clock. While a connection stands the idle turn waits for the
// network instead of spinning, and keeps the program's clock (GetTickCount)
// with the real clock: it waits real time while the program's clock is
// ahead and lets the program's clock catch up (Sleep) while it is behind.
// On a device both clocks are one, so this only paces the loop; under a
// clock of its own (a headless run) the program then follows the network's
// time, and a script's waits last as long as the server's rounds.
#pragma once

#include "engine/platform/message_loop.h"

#include <chrono>

namespace skyrend::mp {

class ConnectionIdle : public IdleHandler
{
public:
    // Longest real wait of one idle turn (the loop looks at its messages
    // at least this often).
    static constexpr DWORD kLongestWaitMs = 20;

    ConnectionIdle();
    ~ConnectionIdle() override;
    ConnectionIdle(const ConnectionIdle&) = delete;
    ConnectionIdle& operator=(const ConnectionIdle&) = delete;

    // Both clocks are taken as one from now; the handler becomes the loop's.
    void begin();
    // Gives the loop's slot back (when it still holds it).
    void end();
    bool isActive() const { return active; }
    // From any thread: something was posted, the waiting turn ends at once.
    void wake();

    void onIdle(MSG* message, HWND window) override;

    // How long one turn waits or sleeps, from the two clocks' lead: a
    // negative result is the program clock's lag to Sleep away, a positive
    // one the real time to wait (at least `shortest`, at most the limit).
    static long long turn(long long programMs, long long realMs, DWORD shortest);

private:
    HANDLE event;
    bool active = false;
    std::chrono::steady_clock::time_point realStart;
    DWORD programStart = 0;
};

} // namespace skyrend::mp
