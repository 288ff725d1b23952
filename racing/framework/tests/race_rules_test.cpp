// Tests of the race rules: the visible window with its wrap, checkpoint and
// lap counting, the start grid.
#include "racing/framework/race_rules.h"

#include <gtest/gtest.h>

namespace racing {
namespace {

TEST(RaceRules, VisibleWindowWrapsAroundTheStart)
{
    struct Case
    {
        int s;
        bool back;
        int first, last;
        bool inverted;
    };
    for (Case c : {Case{290, false, 30, 288, true}, Case{100, false, 98, 140, false}, Case{5, true, 7, 265, true}})
    {
        VisibleWindow w;
        w.update(c.s, c.back, 40, 300);
        EXPECT_EQ(w.first, c.first) << c.s;
        EXPECT_EQ(w.last, c.last) << c.s;
        EXPECT_EQ(w.inverted, c.inverted) << c.s;
    }
    VisibleWindow w;
    w.update(290, false, 40, 300);
    for (int s : {289, 299, 0, 29})
        EXPECT_TRUE(w.contains(s)) << s;
    for (int s : {30, 150, 288})
        EXPECT_FALSE(w.contains(s)) << s;
}

TEST(RaceRules, LapsCountAtTheLastCheckpointOnly)
{
    LapCounter laps{{55, 115, 175, 235, 295, 1}, 0, 2};
    EXPECT_EQ(laps.pass(1, false), LapEvent::None); // the start banner
    EXPECT_EQ(laps.pass(55, false), LapEvent::Checkpoint);
    EXPECT_EQ(laps.pass(55, false), LapEvent::None);
    EXPECT_EQ(laps.pass(115, false), LapEvent::Checkpoint);
    EXPECT_EQ(laps.pass(175, false), LapEvent::Checkpoint);
    EXPECT_FLOAT_EQ(laps.lapFigure(), 1.5f);
    EXPECT_EQ(laps.pass(235, false), LapEvent::Checkpoint);
    EXPECT_EQ(laps.pass(295, false), LapEvent::Lap);
    EXPECT_EQ(laps.lapsLeft, 1);
    EXPECT_EQ(laps.nextCheckpoint, 0);
    for (int s : {55, 115, 175, 235})
        laps.pass(s, false);
    EXPECT_EQ(laps.pass(295, false), LapEvent::Finished);
}

TEST(RaceRules, WrongWayStepsBackNeverBelowZero)
{
    LapCounter laps{{55, 115, 175, 235, 295, 1}, 0, 2};
    EXPECT_EQ(laps.pass(55, true), LapEvent::Checkpoint);
    EXPECT_EQ(laps.nextCheckpoint, 0);
    laps.pass(55, false);
    laps.pass(115, false);
    EXPECT_EQ(laps.nextCheckpoint, 2);
    laps.pass(175, true);
    EXPECT_EQ(laps.nextCheckpoint, 1);
}

TEST(RaceRules, GridPutsThePlayerInTheMiddle)
{
    EXPECT_EQ(gridSegment(0, 2, 300, false), 1);
    EXPECT_EQ(gridSegment(2, 2, 300, false), 293);
    EXPECT_EQ(gridSegment(1, 2, 300, false), 285);
    EXPECT_EQ(gridSegment(0, 2, 300, true), 1);
    EXPECT_EQ(gridSegment(2, 2, 300, true), 298);
    EXPECT_EQ(gridSegment(1, 2, 300, true), 295);
}

} // namespace
} // namespace racing
