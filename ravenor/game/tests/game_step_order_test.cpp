// game_step_order_test.cpp -- the stage frame in the first stage: a paused
// world drawn but standing under the pause menu, "continue" letting it move
// again, and the stage's end after its finishing phase or at once
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "content/ravenor/image_writer.h"
#include "ravenor/game/base/settings.h"
#include "ravenor/game/front_end/menu.h"
#include "ravenor/game/stage/stage.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/stage_state.h"
#include "stage_fixture.h"

namespace {

void ReleaseKeys()
{
    for (uint8_t& key : g_shell.keys)
        key = 0;
}

// Where every record of the pool stands
std::vector<std::array<int32_t, 3>> Places()
{
    std::vector<std::array<int32_t, 3>> places;
    for (const Entity& e : g_entityWorld.pool)
        places.push_back({e.orientation.t[0], e.orientation.t[1], e.orientation.t[2]});
    return places;
}

int CellsOf(uint32_t rgb)
{
    const uint16_t colour = ravenor_content::Rgb565(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
    int n = 0;
    for (int i = 0; i < kFrameCells; ++i)
        n += static_cast<uint16_t>(g_frame[i]) == colour;
    return n;
}

// Frames until the stage is over (at most limit)
int FramesToStageOver(int limit)
{
    for (int i = 1; i <= limit; ++i)
    {
        StageFrame();
        if (g_shell.stageOver)
            return i;
    }
    return -1;
}

} // namespace

TEST(GameStepOrder, PausedWorldStandsUnderThePauseMenuAndTheStageEndsAfterItsFinish)
{
    StartProgram();
    ASSERT_TRUE(StartStage(0));
    g_shell.stageOver = false;
    g_shell.paused = false;
    ReleaseKeys();
    for (int i = 0; i < 200 && !g_stage.controlsLive; ++i)
        StageFrame();
    ASSERT_TRUE(g_stage.controlsLive);
    ASSERT_NE(nullptr, g_entityWorld.player);
    HoldKey(g_settings.keyAccelerate, true);
    for (int i = 0; i < 20; ++i)
        StageFrame();
    ASSERT_GT(g_entityWorld.player->speed, 0);

    // The frame that sees the pause key still moves the world, then pauses.
    HoldKey(g_settings.keyPause, true);
    StageFrame();
    HoldKey(g_settings.keyPause, false);
    ASSERT_TRUE(g_shell.paused);
    EXPECT_EQ(kMenuPause, g_shell.pauseMenuState);
    const auto before = Places();
    const int32_t frames = g_stage.frames;
    const int32_t clock = g_shell.frameClock;
    for (int i = 0; i < 5; ++i)
        StageFrame();
    EXPECT_TRUE(Places() == before) << "something moved while paused";
    EXPECT_EQ(frames + 5, g_stage.frames);
    EXPECT_EQ(clock + 5, g_shell.frameClock);
    // The city is drawn behind the pause plate and its rows.
    int drawn = 0;
    for (int i = 0; i < kFrameCells; ++i)
        drawn += (g_frame[i] >> 16) != 0x7FFF;
    EXPECT_GT(drawn, kFrameCells / 2);
    EXPECT_GT(CellsOf(0x303080), 600) << "the pause plate";
    EXPECT_GT(CellsOf(0x206020), 2000) << "the rows flying in";

    // Return on "continue": that frame still stands, the next one moves.
    HoldKey(13, true);
    StageFrame();
    HoldKey(13, false);
    EXPECT_FALSE(g_shell.paused);
    EXPECT_TRUE(Places() == before);
    StageFrame();
    EXPECT_FALSE(Places() == before) << "the world goes on after continue";
    ReleaseKeys();

    // Finishing (16): over after 45 frames at the standard speed factor
    // (the end timer grows by 3 and must pass 132); over (17): at once.
    g_stage.state = 16;
    EXPECT_EQ(45, FramesToStageOver(100));
    g_shell.stageOver = false;
    g_stage.state = 17;
    EXPECT_EQ(1, FramesToStageOver(10));
    EndStage();
    g_shell.stageOver = false;
    g_stage.state = 0;
}
