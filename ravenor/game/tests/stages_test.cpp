// stages_test.cpp -- every stage of the table loaded and run
#include <gtest/gtest.h>

#include <cstdio>

#include "ravenor/game/behaviours.h"
#include "ravenor/game/entity.h"
#include "ravenor/game/settings.h"
#include "stage_fixture.h"

namespace {

int UsedRecords()
{
    int used = 0;
    for (const Entity& e : g_entities)
        used += e.update != nullptr;
    return used;
}

} // namespace

// Every stage of the table runs for a simulated half-minute (600 frames of
// 50 ms) with the accelerator held from "GO": its level loads, the player
// is made, the countdown makes the controls live, the pool never fills,
// nothing halts the game, and a stage that ends ends as a stage does.
TEST(Stages, EveryStageRunsHalfAMinute)
{
    StartProgram();
    for (int stage = 0; stage < kStageCount; ++stage)
    {
        ASSERT_TRUE(StartStage(stage)) << stage;
        g_shell.stageOver = false;
        int most = 0;
        int frame = 0;
        bool hadPlayer = false;
        for (; frame < 600 && !g_shell.stageOver; ++frame)
        {
            HoldKey(g_settings.keyAccelerate, g_controlsLive);
            StageFrame();
            hadPlayer = hadPlayer || g_player != nullptr;
            most = std::max(most, UsedRecords());
            ASSERT_FALSE(IsGameHalted()) << stage << " frame " << frame;
        }
        HoldKey(g_settings.keyAccelerate, false);
        EXPECT_TRUE(hadPlayer) << stage;
        EXPECT_TRUE(g_controlsLive || g_stageState != 0) << stage;
        EXPECT_LT(most, kEntityCount - 10) << stage;
        EXPECT_LE(g_driverSlotCount, kDriverSlots) << stage;
        EXPECT_TRUE(g_stageState == 0 || g_stageState == 16 || g_stageState == 17) << stage;
        std::printf("stage %d: state %d after %d frames, %d records at most\n", stage, g_stageState, frame, most);
        EndStage();
    }
}
