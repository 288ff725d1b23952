// race_view_test.cpp -- what the car race page shows in every frame: the
// road reaching the page's bottom row through the recorded race of the
// storage card's wagon, and the frame rate and [DEMO] labels on every frame
// of an exercise, clear of the HUD line and EXIT.
#include "racing/tundrel/tests/race_fixture.h"

#include "racing/framework/testing/race_frames.h"

#include <os/wstring.h>

#include <gtest/gtest.h>

#include <vector>

namespace tundrel {
namespace {

using namespace race_test;

// Every frame of the race ridden by tests/two_laps.script, drawn as the
// program draws it: from the camera's first frame over the road on, the
// page's bottom row is never mostly background (the road ends short of it
// when the road behind the car stops before the camera).
TEST(CarRaceView, TheRoadReachesTheBottomRowInEveryFrame)
{
    std::vector<racing_test::KeyEvent> events = racing_test::scriptFileEvents(os::testing::source_root() +
                                                                              "/racing/tundrel/tests/two_laps.script");
    ASSERT_FALSE(events.empty()) << "no key script";
    RaceFixture race(false);
    os_srand(kProgramSeed);
    ASSERT_TRUE(prepareCardRace(race));
    racing_test::expectTheRoadToTheBottom(racing_test::rideCheckingTheRoad(race, events));
}

// Every frame of ten seconds of an exercise with the frame rate shown, from
// the first measuring window on: the frame rate and [DEMO] on the page, the
// figure the last window measured, nothing of them on EXIT or the HUD line.
TEST(CarRaceView, TheLabelsOnEveryFrameOfAnExercise)
{
    RaceFixture race(true);
    ASSERT_TRUE(race.prepare(1));
    racing_test::expectTheLabelsOnEveryFrame(racing_test::rideWatchingTheLabels(race, 10000));
}

} // namespace
} // namespace tundrel
