// cross_key_script_test.cpp -- the key script of the motocross race in the
// headless walk (tests/cross_two_laps.script): two laps of the dunes against
// two rivals ridden by a person's keys, written by the shared driver on the
// program's clock and replayed here, also a little earlier and later.
#include "racing/moravel/tests/race_fixture.h"

#include "racing/framework/testing/key_script.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <vector>

namespace moravel {
namespace {

using namespace race_test;

// The race of the walk (RaceFixture::prepareCross), the keys from 6.2 s on,
// after the start lights.
constexpr int kCrossFirstKeyMs = 6200;

TEST(CrossKeyScript, RidesTwoLapsOfTheDunes)
{
    const std::string kScript = os::testing::source_root() + "/racing/moravel/tests/cross_two_laps.script";
    if (const char* path = std::getenv("MORAVEL_WRITE_CROSS_KEY_SCRIPT"))
    {
        RaceFixture race(false, 1);
        ASSERT_TRUE(race.prepareCross());
        std::vector<racing_test::KeyEvent> events;
        const int endMs = racing_test::driveRace(race, events, kCrossFirstKeyMs, 30.0f);
        ASSERT_GT(endMs, 0) << "the rider did not finish";
        std::ofstream(path) << racing_test::scriptText(
            "# Two laps of the motocross dunes against two rivals, ridden by keys.\n"
            "# Written by MORAVEL_WRITE_CROSS_KEY_SCRIPT=<file> moravel_game_tests "
            "--gtest_filter=CrossKeyScript.*\n",
            events, endMs);
    }
    ASSERT_FALSE(racing_test::scriptFileEvents(kScript).empty()) << "no key script";
    for (int shift : {-10, 0, 10})
    {
        SCOPED_TRACE(shift);
        std::vector<racing_test::KeyEvent> events = racing_test::scriptFileEvents(kScript, shift);
        RaceFixture race(false, 1);
        ASSERT_TRUE(race.prepareCross());
        EXPECT_GT(racing_test::rideRace(race, events, [](int) {}), 0);
        EXPECT_EQ(race.restartedWith, u"ARG:scoreboard/-1.000000,Dunes:Ann_Lee1:N/A");
        EXPECT_EQ(race.page->laps.lapsLeft, 0);
    }
}

} // namespace
} // namespace moravel
