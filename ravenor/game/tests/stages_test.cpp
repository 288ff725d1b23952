// stages_test.cpp -- every stage of the table loaded and run
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ravenor/game/base/settings.h"
#include "ravenor/game/behaviours/behaviours.h"
#include "ravenor/game/stage/stage.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/stage_state.h"
#include "ravenor/game/world/stage_tables.h"
#include "stage_fixture.h"

namespace {

int UsedRecords()
{
    int used = 0;
    for (const Entity& e : g_entityWorld.pool)
        used += e.update != nullptr;
    return used;
}

// The streets of the demo city in world units: three along z, three along x
const int32_t kStreets[3] = {-20000, 0, 20000};
constexpr int32_t kOnStreet = 3000;

// The street line nearest to a coordinate, or 1 (none) when farther than 3000
int32_t StreetOf(int32_t c)
{
    for (int32_t s : kStreets)
        if (std::abs(c - s) < kOnStreet)
            return s;
    return 1;
}

int32_t NearestStreet(int32_t c)
{
    int32_t best = kStreets[0];
    for (int32_t s : kStreets)
        if (std::abs(c - s) < std::abs(c - best))
            best = s;
    return best;
}

// The stage's open objectives: running records reached within a radius
// (behaviours 19 and 32) that stand for something, not for a starter
std::vector<Entity*> Objectives()
{
    std::vector<Entity*> found;
    for (Entity& e : g_entityWorld.pool)
    {
        if (!RunsBehaviour(&e) || e.classNumber == 12)
            continue;
        const int32_t b = e.behaviour->behaviourNumber;
        if (b == 19 || b == 32)
            found.push_back(&e);
    }
    return found;
}

// The next point on the way along the streets from (x, z) to a target: the
// target itself when it lies on the street being driven, else a crossing
struct Waypoint
{
    int32_t x, z;
    bool corner;
};

Waypoint NextWaypoint(int32_t x, int32_t z, const Entity* target)
{
    const int32_t vx = StreetOf(x);
    const int32_t hz = StreetOf(z);
    const bool alongX = vx != 1 && std::abs(target->X() - vx) < kOnStreet;
    const bool alongZ = hz != 1 && std::abs(target->Z() - hz) < kOnStreet;
    if (alongX || alongZ)
        return {target->X(), target->Z(), false};
    const int32_t toZ = StreetOf(target->Z()) != 1 ? StreetOf(target->Z()) : NearestStreet(target->Z());
    const int32_t toX = StreetOf(target->X()) != 1 ? StreetOf(target->X()) : NearestStreet(target->X());
    // Along this street to the crossing with the target's; at that crossing
    // already, along the cross street
    if (vx != 1 && toZ != hz)
        return {vx, toZ, true};
    return {toX, hz != 1 ? hz : NearestStreet(z), true};
}

// A driver who keeps to the streets: toward the nearest objective by the
// crossings, turning early into the next street and slowing for it.
// Answers false when nothing is left to drive to.
bool DriveToObjective()
{
    const Entity* p = g_entityWorld.player;
    const std::vector<Entity*> targets = Objectives();
    if (p == nullptr || targets.empty())
        return false;
    const Entity* target = targets[0];
    for (const Entity* t : targets)
        if (std::abs(t->X() - p->X()) + std::abs(t->Z() - p->Z()) <
            std::abs(target->X() - p->X()) + std::abs(target->Z() - p->Z()))
            target = t;
    Waypoint w = NextWaypoint(p->X(), p->Z(), target);
    auto distance2 = [&](const Waypoint& at) {
        const int64_t dx = at.x - p->X();
        const int64_t dz = at.z - p->Z();
        return dx * dx + dz * dz;
    };
    if (w.corner && distance2(w) < int64_t{6000} * 6000)
        w = NextWaypoint(w.x, w.z, target);
    const int32_t error = SignedAngle(p->heading, FixedAtan2(w.x - p->X(), w.z - p->Z()) & 0xFFF);
    const bool slow = (w.corner && distance2(w) < int64_t{14000} * 14000 && p->speed > 220) ||
                      (std::abs(error) > 400 && p->speed > 200);
    HoldKey(g_settings.keyLeft, error < -40);
    HoldKey(g_settings.keyRight, error > 40);
    HoldKey(g_settings.keyAccelerate, !slow);
    HoldKey(g_settings.keyBrake, slow);
    return true;
}

void ReleaseKeys()
{
    for (uint32_t key : {g_settings.keyLeft, g_settings.keyRight, g_settings.keyAccelerate, g_settings.keyBrake})
        HoldKey(key, false);
}

// The stage number in a case's name ("Stage7")
std::string StageName(const testing::TestParamInfo<int>& info)
{
    return "Stage" + std::to_string(info.param);
}

// Each story stage is played to its end by a driver who keeps to the
// streets and drives to the nearest open objective: it ends complete
// (state 17) within its clock. A frame on the way and the last frame of
// each are kept in "ravenor_stage_ends/". One case per stage.
class StoryStage : public testing::TestWithParam<int>
{};

class AnyStage : public testing::TestWithParam<int>
{};

} // namespace

TEST_P(StoryStage, IsPlayedToItsEnd)
{
    const int stage = GetParam();
    StartProgram();
    std::filesystem::create_directories("ravenor_stage_ends");
    ASSERT_TRUE(StartStage(stage)) << stage;
    g_shell.stageOver = false;
    int frame = 0;
    for (; frame < 4000 && !g_shell.stageOver; ++frame)
    {
        if (!g_stage.controlsLive || !DriveToObjective())
            ReleaseKeys();
        StageFrame();
        if (frame == 300)
            SaveFrame("ravenor_stage_ends/stage" + std::to_string(stage) + "_way");
    }
    SaveFrame("ravenor_stage_ends/stage" + std::to_string(stage) + "_end");
    ReleaseKeys();
    EXPECT_EQ(17, g_stage.state) << "stage " << stage << " after " << frame << " frames";
    EndStage();
}

INSTANTIATE_TEST_SUITE_P(Stages, StoryStage, testing::Range(1, kStageCount), StageName);

// Each stage of the table runs for a simulated half-minute (600 frames of
// 50 ms) with the accelerator held from "GO": its level loads, the player
// is made, the countdown makes the controls live, the pool never fills,
// nothing halts the game, and a stage that ends ends as a stage does. One
// case per stage.
TEST_P(AnyStage, RunsHalfAMinute)
{
    const int stage = GetParam();
    StartProgram();
    ASSERT_TRUE(StartStage(stage)) << stage;
    g_shell.stageOver = false;
    int most = 0;
    int frame = 0;
    bool hadPlayer = false;
    for (; frame < 600 && !g_shell.stageOver; ++frame)
    {
        HoldKey(g_settings.keyAccelerate, g_stage.controlsLive);
        StageFrame();
        hadPlayer = hadPlayer || g_entityWorld.player != nullptr;
        most = std::max(most, UsedRecords());
        ASSERT_FALSE(IsGameHalted()) << stage << " frame " << frame;
    }
    HoldKey(g_settings.keyAccelerate, false);
    EXPECT_TRUE(hadPlayer) << stage;
    EXPECT_TRUE(g_stage.controlsLive || g_stage.state != 0) << stage;
    EXPECT_LT(most, kEntityCount - 10) << stage;
    EXPECT_LE(g_stage.driverSlotCount, kDriverSlots) << stage;
    EXPECT_TRUE(g_stage.state == 0 || g_stage.state == 16 || g_stage.state == 17) << stage;
    std::printf("stage %d: state %d after %d frames, %d records at most\n", stage, g_stage.state, frame, most);
    EndStage();
}

INSTANTIATE_TEST_SUITE_P(Stages, AnyStage, testing::Range(0, kStageCount), StageName);
