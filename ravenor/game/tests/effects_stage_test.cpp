// effects_stage_test.cpp -- the effects seen in the first stage: brake
// lights, skid streaks and tyre smoke in a handbrake turn, sparks at the
// street's edge; screenshots in ravenor_effects_frames/ of the build folder
#include <gtest/gtest.h>

#include <filesystem>

#include "ravenor/game/effects.h"
#include "ravenor/game/particles.h"
#include "ravenor/game/settings.h"
#include "ravenor/game/sound.h"
#include "stage_fixture.h"

namespace {

constexpr const char* kFrames = "ravenor_effects_frames";

void ReleaseKeys()
{
    for (uint8_t& key : g_shell.keys)
        key = 0;
}

// Frames with the keys as they are, until the condition holds (at most n)
template <typename Condition>
int RunUntil(int n, Condition done)
{
    for (int i = 0; i < n; ++i)
    {
        if (done())
            return i;
        StageFrame();
    }
    return n;
}

// Cells of the frame in the colour (RGB565) given
int CellsOf(uint16_t colour)
{
    int n = 0;
    for (int i = 0; i < kFrameCells; ++i)
        n += static_cast<uint16_t>(g_frame[i]) == colour;
    return n;
}

} // namespace

TEST(EffectsStage, BrakeLightsSkidSmokeAndSparksInTheFirstStage)
{
    StartProgram();
    // One paced frame of 47 ms: tyre smoke is puffed while the tick count
    // modulo 22 is below the last frame's milliseconds.
    ResetFramePacing();
    PaceFrame(47);
    g_speedFactor = 256;
    std::filesystem::create_directories(kFrames);
    ASSERT_TRUE(StartStage(0));
    g_shell.stageOver = false;
    ReleaseKeys();
    RunUntil(200, [] { return g_controlsLive; });
    ASSERT_TRUE(g_controlsLive);
    StageFrame();
    SaveFrame(std::string(kFrames) + "/start");

    // Up the west street, then the brake: the two red glows are lit.
    HoldKey(g_settings.keyAccelerate, true);
    RunUntil(60, [] { return false; });
    HoldKey(g_settings.keyAccelerate, false);
    HoldKey(g_settings.keyBrake, true);
    StageFrame();
    StageFrame();
    ASSERT_GT(g_player->speed, 0);
    const uint16_t brakeRed = 0xF882; // the brake glow's texel
    EXPECT_GT(CellsOf(brakeRed), 4) << "brake glows lit on the screen";
    SaveFrame(std::string(kFrames) + "/brake");
    HoldKey(g_settings.keyBrake, false);

    // A handbrake turn at speed: streaks behind the rear wheels, smoke, and
    // the skid loop
    HoldKey(g_settings.keyAccelerate, true);
    RunUntil(40, [] { return false; });
    HoldKey(g_settings.keyHandbrake, true);
    HoldKey(g_settings.keyLeft, true);
    const int skidding = RunUntil(20, [] { return CountUpdates(SkidFade) >= 6 && CountUpdates(SmokeStep) >= 4; });
    EXPECT_LT(skidding, 20) << "streaks and smoke within 20 frames of the handbrake";
    EXPECT_NE(nullptr, g_soundSlots[kSoundSkid].device) << "the skid loop plays";
    StageFrame();
    SaveFrame(std::string(kFrames) + "/skid");
    RunUntil(6, [] { return false; });
    SaveFrame(std::string(kFrames) + "/skid_later");
    ReleaseKeys();
    // The slide ends: the loop stops within a few frames.
    RunUntil(40, [] { return g_soundSlots[kSoundSkid].device == nullptr; });
    EXPECT_EQ(nullptr, g_soundSlots[kSoundSkid].device);

    // Straight at the street's edge: sparks where the car's corners hit it
    HoldKey(g_settings.keyAccelerate, true);
    HoldKey(g_settings.keyRight, true);
    const int sparked = RunUntil(200, [] { return CountUpdates(DebrisStep) >= 9; });
    EXPECT_LT(sparked, 200) << "a wall hit throws sparks";
    StageFrame();
    SaveFrame(std::string(kFrames) + "/sparks");
    StageFrame();
    StageFrame();
    SaveFrame(std::string(kFrames) + "/sparks_later");
    ReleaseKeys();
    EndStage();
}
