// effects_stage_test.cpp -- the effects seen in the first stage: brake
// lights, skid streaks and tyre smoke in a handbrake turn, sparks at the
// street's edge, a target arrow and props with their lights; screenshots in
// ravenor_effects_frames/ of the build folder
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "os/testing/sound.h"
#include "ravenor/game/base/settings.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/behaviours/behaviours.h"
#include "ravenor/game/classes/arrows.h"
#include "ravenor/game/effects/effects.h"
#include "ravenor/game/effects/particles.h"
#include "ravenor/game/stage/stage.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/stage_state.h"
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
    RunUntil(200, [] { return g_stage.controlsLive; });
    ASSERT_TRUE(g_stage.controlsLive);
    StageFrame();
    SaveFrame(std::string(kFrames) + "/start");

    // Up the west street, then the brake: the two red glows are lit.
    HoldKey(g_settings.keyAccelerate, true);
    RunUntil(60, [] { return false; });
    HoldKey(g_settings.keyAccelerate, false);
    HoldKey(g_settings.keyBrake, true);
    StageFrame();
    StageFrame();
    ASSERT_GT(g_entityWorld.player->speed, 0);
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
    EXPECT_NE(nullptr, g_sound.slots[kSoundSkid].device) << "the skid loop plays";
    // The loop written to its device whole and looped; the mix heard through
    // the recording device while paced frames let the virtual clock run
    // (kept as "skid.wav" beside the screenshots)
    const HWAVEOUT skid = g_sound.slots[kSoundSkid].device;
    bool looped = false;
    for (const auto& w : os::sound::test::writes())
        looped = looped || (w.device == skid && w.loops == 0x7FFFFFFFu &&
                            w.length == g_sound.slots[kSoundSkid].data.size() - 44);
    EXPECT_TRUE(looped);
    os::sound::test::capture(true);
    ASSERT_TRUE(os::sound::record_mix_to(std::string(kFrames) + "/skid.wav"));
    StageFrame();
    SaveFrame(std::string(kFrames) + "/skid");
    for (int i = 0; i < 6; ++i)
    {
        PaceFrame(47);
        StageFrame();
    }
    SaveFrame(std::string(kFrames) + "/skid_later");
    os::sound::stop_recording();
    os::sound::test::capture(false);
    g_speedFactor = 256;
    const std::vector<int16_t> mixed = os::sound::test::captured();
    ASSERT_FALSE(mixed.empty()) << "six paced frames were mixed";
    int loud = 0;
    for (int16_t sample : mixed)
        loud += std::abs(sample) > 200;
    EXPECT_GT(loud, int(mixed.size() / 10)) << "the skid is heard";
    ReleaseKeys();
    // The slide ends: the loop stops within a few frames.
    RunUntil(40, [] { return g_sound.slots[kSoundSkid].device == nullptr; });
    EXPECT_EQ(nullptr, g_sound.slots[kSoundSkid].device);

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

// A pointing arrow aimed at the first checkpoint of the first stage: it
// floats over the road ahead, launches its flying arrow once the checkpoint
// is seen within range, which hovers over it; screenshots "arrow_pointing"
// and "arrow_hovering".
TEST(EffectsStage, ArrowPointsAtTheFirstCheckpointAndFliesToIt)
{
    StartProgram();
    std::filesystem::create_directories(kFrames);
    ASSERT_TRUE(StartStage(0));
    g_shell.stageOver = false;
    ReleaseKeys();
    RunUntil(200, [] { return g_stage.controlsLive; });
    Behaviour* checkpoint = nullptr;
    for (const auto& node : g_stage.level->nodes)
        if (node->classNumber == 2 && node->active && !node->done)
            checkpoint = node.get();
    ASSERT_NE(nullptr, checkpoint);
    static Behaviour arrowNode;
    arrowNode = Behaviour{};
    arrowNode.classNumber = 6;
    arrowNode.behaviourNumber = 3;
    arrowNode.path = checkpoint->path;
    arrowNode.links[0].node = checkpoint;
    SendClassMessage(6, nullptr, kMsgLoad);
    Entity* arrow = CreateFromRecord(&arrowNode);
    ASSERT_NE(nullptr, arrow);
    StageFrame();
    StageFrame();
    EXPECT_EQ(arrow, g_arrows.pointing);
    EXPECT_EQ(checkpoint->entity, g_arrows.target);
    SaveFrame(std::string(kFrames) + "/arrow_pointing");
    // Up the street toward the checkpoint
    HoldKey(g_settings.keyAccelerate, true);
    const int launched = RunUntil(300, [] { return g_arrows.flying != 0; });
    EXPECT_LT(launched, 300) << "the flying arrow starts";
    Entity* flying = nullptr;
    for (Entity& e : g_entityWorld.pool)
        if (e.update == FlyingArrowUpdate)
            flying = &e;
    ASSERT_NE(nullptr, flying);
    HoldKey(g_settings.keyAccelerate, false);
    HoldKey(g_settings.keyBrake, true);
    SaveFrame(std::string(kFrames) + "/arrow_flying");
    // Stopped there: the arrow flies on to the checkpoint
    RunUntil(100, [] { return g_entityWorld.player->speed <= 0; });
    ReleaseKeys();
    const int arrived = RunUntil(200, [flying] { return flying->stuckTimer >= 4096; });
    EXPECT_LT(arrived, 200) << "it reaches the checkpoint";
    // Hovering over it, the arrow's height (1200) above its base, bobbing by
    // up to 512, while the car drives nearer and stops short of it
    HoldKey(g_settings.keyAccelerate, true);
    RunUntil(300, [checkpoint] { return g_entityWorld.player->Z() > checkpoint->entity->Z() - 16000; });
    HoldKey(g_settings.keyAccelerate, false);
    HoldKey(g_settings.keyBrake, true);
    RunUntil(100, [] { return g_entityWorld.player->speed <= 0; });
    ReleaseKeys();
    EXPECT_EQ(0, checkpoint->done);
    EXPECT_EQ(checkpoint->entity->X(), flying->X());
    EXPECT_EQ(checkpoint->entity->Z(), flying->Z());
    EXPECT_NEAR(checkpoint->entity->Y() - 1200, flying->Y(), 512);
    SaveFrame(std::string(kFrames) + "/arrow_hovering");
    ReleaseKeys();
    EndStage();
}

// The solid props beside the first stage's start: a lamppost with its glow
// at the end of its arm, a roadblock with its two flashing lights, a
// question pick-up; screenshot "props".
TEST(EffectsStage, PropsStandWithTheirLights)
{
    StartProgram();
    std::filesystem::create_directories(kFrames);
    ASSERT_TRUE(StartStage(0));
    g_shell.stageOver = false;
    ReleaseKeys();
    // After the countdown and the stage's first lines
    RunUntil(200, [] { return g_stage.controlsLive; });
    RunUntil(60, [] { return false; });
    const struct
    {
        int32_t c, x, z;
    } props[] = {{29, -21500, -9000}, {28, -18900, -8500}, {49, -20800, -8000}, {27, -19600, -9500}};
    static Behaviour standing;
    standing.behaviourNumber = 3;
    for (const auto& p : props)
    {
        SendClassMessage(p.c, nullptr, kMsgLoad);
        Entity* e = AllocEntity();
        e->classNumber = p.c;
        e->behaviour = &standing;
        e->orientation.t[0] = p.x;
        e->orientation.t[2] = p.z;
        SendClassMessage(p.c, e, kMsgCreate);
        e->orientation.t[1] = ProbeGround(p.x, p.z).height - e->type->maxY;
        // Shown every frame by the visible step
        e->update = [](Entity* self) { SendClassMessage(self->classNumber, self, kMsgVisibleStep); };
    }
    // The roadblock's lights are on in five frames of ten.
    bool held = false;
    bool timed = false;
    for (int i = 0; i < 20 && !(held && timed && CountUpdates(TimedEffectStep) == 2); ++i)
    {
        StageFrame();
        held = held || CountUpdates(HeldEffectStep) > 0;
        timed = timed || CountUpdates(TimedEffectStep) > 0;
    }
    EXPECT_TRUE(held) << "the lamppost's glow";
    EXPECT_EQ(2u, CountUpdates(TimedEffectStep)) << "the roadblock's pair";
    StageFrame();
    SaveFrame(std::string(kFrames) + "/props");
    EndStage();
}
