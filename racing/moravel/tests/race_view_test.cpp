// race_view_test.cpp -- what the race page shows in every frame of a race:
// the road reaching the page's bottom row through the recorded superbike
// and motocross races, and the frame rate and [DEMO] labels on every frame
// of an exercise, clear of the HUD line and the buttons.
#include "racing/moravel/tests/race_fixture.h"

#include "racing/framework/testing/race_frames.h"

#include <os/wstring.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace moravel {
namespace {

using namespace race_test;
using racing_test::KeyEvent;

struct RecordedRace
{
    const char* name;
    const char* script; // below the checkout
    int mode;           // 0 superbike, 1 motocross
};

class RecordedRaces : public testing::TestWithParam<RecordedRace>
{};

// Every frame of the race ridden by its script, drawn as the program draws
// it: from the camera's first frame over the road on, the page's bottom row
// is never mostly background (the road ends short of it when the road
// behind the player stops before the camera).
TEST_P(RecordedRaces, TheRoadReachesTheBottomRowInEveryFrame)
{
    const RecordedRace& c = GetParam();
    std::vector<KeyEvent> events = racing_test::scriptFileEvents(os::testing::source_root() + "/" + c.script);
    ASSERT_FALSE(events.empty()) << "no key script";
    RaceFixture race(false, c.mode);
    if (c.mode == 1)
        ASSERT_TRUE(race.prepareCross());
    else
    {
        os_srand(0); // as the program seeds it
        ASSERT_TRUE(race.prepare());
    }
    racing_test::expectTheRoadToTheBottom(racing_test::rideCheckingTheRoad(race, events));
}

INSTANTIATE_TEST_SUITE_P(Races, RecordedRaces,
                         testing::Values(RecordedRace{"Superbike", "racing/moravel/tests/two_laps.script", 0},
                                         RecordedRace{"Motocross", "racing/moravel/tests/cross_two_laps.script", 1}),
                         [](const testing::TestParamInfo<RecordedRace>& info) { return std::string(info.param.name); });

// Every frame of ten seconds of an exercise with the frame rate shown, from
// the first measuring window on: the frame rate and [DEMO] on the page, the
// figure the last window measured, nothing of them on EXIT, the frame-rate
// button or the HUD line.
TEST(RaceLabels, OnEveryFrameOfAnExercise)
{
    RaceFixture race(true);
    ASSERT_TRUE(race.prepare());
    racing_test::expectTheLabelsOnEveryFrame(racing_test::rideWatchingTheLabels(race, 10000));
}

} // namespace
} // namespace moravel
