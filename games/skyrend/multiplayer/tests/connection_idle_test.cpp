// connection_idle_test.cpp -- one idle turn's wait or catch-up from the lead
// of the program's clock over the real clock.
#include "games/skyrend/multiplayer/connection_idle.h"

#include <gtest/gtest.h>

namespace skyrend::mp {
namespace {

TEST(ConnectionIdle, WaitsWhileAheadAndCatchesUpWhileBehind)
{
    const struct
    {
        long long program, real;
        long long turn;
    } cases[] = {
        {1000, 1000, 2},    // together: a short real pause, no spinning
        {1010, 1000, 10},   // ahead: wait the lead in real time
        {5000, 1000, 20},   // far ahead: at most the limit, then look at the messages
        {990, 1000, -10},   // behind: Sleep the lag away
        {0, 60000, -250},   // far behind: caught up in steps
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConnectionIdle::turn(c.program, c.real, 2), c.turn) << c.program << " " << c.real;
}

} // namespace
} // namespace skyrend::mp
