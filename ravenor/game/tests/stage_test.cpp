// stage_test.cpp -- the first stage loaded and driven in-process
#include <gtest/gtest.h>

#include <filesystem>

#include "ravenor/game/entity.h"
#include "ravenor/game/settings.h"
#include "ravenor/game/world_draw.h"
#include "stage_fixture.h"

namespace {

// Ring corners in world units (level units x 8, level y to world z), in driving order
const int32_t kRing[][2] = {{-20000, 20000}, {20000, 20000}, {20000, -20000}, {-20000, -20000}};

// Steers the player toward the next corner of the ring; answers the corner
// aimed at.
int Autopilot(int corner)
{
    const int32_t dx = kRing[corner % 4][0] - g_player->X();
    const int32_t dz = kRing[corner % 4][1] - g_player->Z();
    // Turn at the corner when it is close
    const int64_t d2 = static_cast<int64_t>(dx) * dx + static_cast<int64_t>(dz) * dz;
    if (d2 < int64_t{5000} * 5000)
        ++corner;
    const bool slow = d2 < int64_t{14000} * 14000 && g_player->speed > 160;
    const int32_t tx = kRing[corner % 4][0] - g_player->X();
    const int32_t tz = kRing[corner % 4][1] - g_player->Z();
    const int32_t want = FixedAtan2(tx, tz) & 0xFFF;
    const int32_t error = SignedAngle(g_player->heading, want);
    HoldKey(g_settings.keyLeft, error < -40);
    HoldKey(g_settings.keyRight, error > 40);
    HoldKey(g_settings.keyAccelerate, !slow);
    HoldKey(g_settings.keyBrake, slow);
    return corner;
}

} // namespace

TEST(Stage, FirstStageIsDrivenRoundTheRing)
{
    StartProgram();
    ASSERT_TRUE(StartStage(0));
    ASSERT_NE(nullptr, g_player);
    EXPECT_EQ(55, g_player->classNumber);
    EXPECT_FALSE(g_controlsLive);
    std::filesystem::create_directories("ravenor_stage_frames");
    int corner = 0;
    int frame = 0;
    for (; frame < 1200 && !g_shell.stageOver; ++frame)
    {
        if (g_controlsLive)
            corner = Autopilot(corner);
        StageFrame();
        if (frame % 100 == 0)
            SaveFrame("ravenor_stage_frames/frame_" + std::to_string(frame));
    }
    EXPECT_EQ(17, g_stageState);
    EXPECT_TRUE(g_shell.stageOver);
}
