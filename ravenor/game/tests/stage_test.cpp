// stage_test.cpp -- the first stage loaded and driven in-process
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "ravenor/engine/render/poly_renderer.h"
#include "ravenor/game/base/settings.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/behaviours/behaviours.h"
#include "ravenor/game/stage/game_step.h"
#include "ravenor/game/stage/stage.h"
#include "ravenor/game/vehicles/driver_slots.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/hud.h"
#include "ravenor/game/world/stage_state.h"
#include "ravenor/game/world/stage_tables.h"
#include "ravenor/game/world/world_draw.h"
#include "stage_fixture.h"

namespace {

// Ring corners in world units (level units x 8, level y to world z), in driving order
const int32_t kRing[][2] = {{-20000, 20000}, {20000, 20000}, {20000, -20000}, {-20000, -20000}};

// Steers the player toward the next corner of the ring; answers the corner
// aimed at.
int Autopilot(int corner)
{
    const int32_t dx = kRing[corner % 4][0] - g_entityWorld.player->X();
    const int32_t dz = kRing[corner % 4][1] - g_entityWorld.player->Z();
    // Turn at the corner when it is close
    const int64_t d2 = static_cast<int64_t>(dx) * dx + static_cast<int64_t>(dz) * dz;
    if (d2 < int64_t{5000} * 5000)
        ++corner;
    const bool slow = d2 < int64_t{14000} * 14000 && g_entityWorld.player->speed > 160;
    const int32_t tx = kRing[corner % 4][0] - g_entityWorld.player->X();
    const int32_t tz = kRing[corner % 4][1] - g_entityWorld.player->Z();
    const int32_t want = FixedAtan2(tx, tz) & 0xFFF;
    const int32_t error = SignedAngle(g_entityWorld.player->heading, want);
    HoldKey(g_settings.keyLeft, error < -40);
    HoldKey(g_settings.keyRight, error > 40);
    HoldKey(g_settings.keyAccelerate, !slow);
    HoldKey(g_settings.keyBrake, slow);
    return corner;
}

} // namespace

// Laps of the first stage for more than a simulated minute (1300 frames of
// 50 ms): each lap passes the three checkpoints and the finish, the stage
// ends, and the next lap starts the stage again from its level.
TEST(Stage, FirstStageIsDrivenRoundTheRing)
{
    StartProgram();
    std::filesystem::create_directories("ravenor_stage_frames");
    int total = 0;
    int laps = 0;
    while (total < 1300)
    {
        ASSERT_TRUE(StartStage(0)) << "lap " << laps;
        // The root's starters run in the first frame.
        g_shell.stageOver = false;
        StageFrame();
        ++total;
        ASSERT_NE(nullptr, g_entityWorld.player);
        EXPECT_EQ(55, g_entityWorld.player->classNumber);
        EXPECT_FALSE(g_stage.controlsLive);
        EXPECT_EQ(1, g_stage.driverSlotCount);
        g_shell.stageOver = false;
        int corner = 0;
        int frame = 0;
        int liveAt = -1;
        for (; frame < 1200 && !g_shell.stageOver; ++frame, ++total)
        {
            if (g_stage.controlsLive && liveAt < 0)
                liveAt = frame;
            if (g_stage.controlsLive)
                corner = Autopilot(corner);
            StageFrame();
            if (total % 100 == 0)
                SaveFrame("ravenor_stage_frames/frame_" + std::to_string(total));
        }
        EXPECT_EQ(17, g_stage.state) << "lap " << laps;
        ASSERT_TRUE(g_shell.stageOver) << "lap " << laps;
        // The countdown of 3 (4000 ms) is done when less than 500 ms remain,
        // its accumulator growing by 40 after each look: it starts in the
        // first frame and is done in the 89th, the 88th of this loop.
        EXPECT_EQ(88, liveAt);
        EXPECT_GE(corner, 3);
        // The chase camera follows the player: 3000 behind, or pulled in to
        // about 1500 where the ground behind the car ends
        const int32_t dx = (g_cameras.view.position[0] - g_entityWorld.player->X()) / 32;
        const int32_t dz = (g_cameras.view.position[2] - g_entityWorld.player->Z()) / 32;
        EXPECT_GE(std::sqrt(dx * dx + dz * dz), 1400 / 32);
        EXPECT_LE(std::sqrt(dx * dx + dz * dz), 3100 / 32);
        // The car is on the screen, drawn; a point behind the camera is not.
        EXPECT_TRUE(IsEntityOnScreen(g_entityWorld.player));
        EXPECT_TRUE(g_entityWorld.player->visible);
        const int32_t behind[3] = {2 * g_cameras.view.position[0] - g_entityWorld.player->X(), g_entityWorld.player->Y(),
                                   2 * g_cameras.view.position[2] - g_entityWorld.player->Z()};
        EXPECT_FALSE(IsPointOnScreen(behind));
        EndStage();
        ++laps;
    }
    EXPECT_GE(laps, 2);
    // The glass towers' blended faces were queued and drawn every frame.
    EXPECT_GT(g_queuedFrames, 100);
    EXPECT_EQ(0, g_leftQueued);
    for (uint8_t& key : g_shell.keys)
        key = 0;
}

TEST(Stage, ViewDistanceFromTheDetail)
{
    struct Case
    {
        int32_t detail, farLimit, fogShift, fogStart;
    };
    for (const Case& c : {Case{0, -3500, 10, 2176}, Case{58, -6500, 11, 4152}, Case{127, -10500, 13, 2008}})
    {
        SetViewDistance(c.detail);
        EXPECT_EQ(c.farLimit, g_stage.view.farLimit) << c.detail;
        EXPECT_EQ(c.fogShift, g_stage.view.fogShift) << c.detail;
        EXPECT_EQ(c.fogStart << 16, g_stage.view.fogStart) << c.detail;
        EXPECT_EQ(c.farLimit, g_renderer.farDistance) << c.detail;
        EXPECT_EQ(60, g_stage.view.activity);
    }
}

TEST(Stage, TablesOfTunesAndShowcaseCars)
{
    struct Case
    {
        int stage;
        const char* tune;
        int32_t showcase;
    };
    for (const Case& c : {Case{0, "music1.wav", 34}, Case{4, "music1.wav", 45}, Case{5, "music2.wav", 43},
                          Case{12, "music3.wav", 46}, Case{16, "music1.wav", 34}, Case{20, "music2.wav", 37},
                          Case{24, "music3.wav", 31}, Case{28, "music1.wav", 42}, Case{32, "music2.wav", 48},
                          Case{33, "music3.wav", 49}})
    {
        EXPECT_STREQ(c.tune, StageTune(c.stage)) << c.stage;
        EXPECT_EQ(c.showcase, ShowcaseClass(c.stage)) << c.stage;
    }
    EXPECT_STREQ("DEMO", StageBriefing(0).title);
    EXPECT_STREQ("stage 33", StageBriefing(33).title);
    EXPECT_STREQ("stg038.lev", kLevelNames[38]);
}

// A level missing from the archive is not read: the stage does not start.
// A stage starts with its tune and the engine's idle sound.
TEST(Stage, AStageStartsWithItsTuneAndTheEngineIdling)
{
    StartProgram();
    for (int stage : {0, 5, 9})
    {
        ASSERT_TRUE(StartStage(stage));
        EXPECT_EQ(StageTune(stage), g_sound.music.name) << stage;
        EXPECT_NE(nullptr, g_sound.music.device) << stage;
        EXPECT_EQ(kSoundIdle, EngineSoundSlot()) << stage;
        EndStage();
    }
}

TEST(Stage, MissingLevelDoesNotStart)
{
    StartProgram();
    EXPECT_FALSE(StartStage(34));
    EXPECT_EQ(nullptr, g_stage.level);
    EXPECT_EQ(nullptr, g_entityWorld.player);
    EXPECT_TRUE(StartStage(0));
    EXPECT_NE(nullptr, g_stage.level);
}

// Six driver slots; a seventh driven car ends the stage with a message line
// instead of halting the program.
namespace {

int SoundingSlots()
{
    int sounding = 0;
    for (const SoundSlot& slot : g_sound.slots)
        sounding += slot.device != nullptr;
    return sounding;
}

// What the fade's first served message saw: the slots still sounding
int g_soundingInFade = -1;

LRESULT CALLBACK FadeSpyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP)
        g_soundingInFade = SoundingSlots();
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

// The stage's end shows its last frame, fades it out (13 darkening frames)
// with its sounds still heard, and only then clears the world, which stops
// every sound; the front end's own fade follows.
TEST(Stage, TheStagesEndFadesItsLastFrameBeforeTheWorldIsCleared)
{
    StartProgram();
    ASSERT_TRUE(StartStage(0));
    for (int i = 0; i < 3; ++i)
        StageFrame();
    ASSERT_NE(nullptr, g_entityWorld.player);
    ASSERT_GT(SoundingSlots(), 0) << "the engine sounds";
    WNDCLASSW spyClass{};
    spyClass.lpfnWndProc = FadeSpyProc;
    spyClass.lpszClassName = u"RavenorFadeSpy";
    RegisterClassW(&spyClass);
    HWND spy = CreateWindowExW(0, u"RavenorFadeSpy", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, spy);
    PostMessageW(spy, WM_APP, 0, 0);
    constexpr uint32_t kWhite = 0xFFFF;
    for (uint32_t& cell : g_frame)
        cell = 0x12340000u | kWhite;
    CloseStage();
    DestroyWindow(spy);
    EXPECT_GT(g_soundingInFade, 0) << "the stage fell silent before its fade";
    EXPECT_EQ(0, SoundingSlots()) << "sounds left after the stage";
    uint32_t faded = kWhite;
    for (int i = 0; i < 13; ++i)
    {
        const uint32_t r = ((faded >> 11) * 200) >> 8;
        const uint32_t g = (((faded >> 5) & 0x3F) * 25) >> 5;
        const uint32_t b = ((faded & 0x1F) * 200) >> 8;
        faded = r << 11 | g << 5 | b;
    }
    EXPECT_EQ(0x12340000u | faded, g_frame[0]);
    EXPECT_EQ(0x12340000u | faded, g_frame[kFrameCells - 1]);
    EXPECT_EQ(nullptr, g_stage.level);
    EXPECT_EQ(size_t(kEntityCount), CountUpdates(nullptr)) << "every record free";
}

TEST(Stage, SeventhDrivenCarEndsTheStage)
{
    StartProgram();
    ASSERT_TRUE(StartStage(0));
    StageFrame();
    ASSERT_EQ(1, g_stage.driverSlotCount);
    std::vector<std::unique_ptr<Behaviour>> records;
    for (int i = 0; i < 6; ++i)
    {
        records.push_back(std::make_unique<Behaviour>());
        Entity* e = AllocEntity();
        e->behaviour = records.back().get();
        e->classNumber = 55;
        e->orientation.t[0] = -20000;
        e->orientation.t[2] = 4000 * i;
        e->update = [](Entity*) {};
        SendClassMessage(55, e, kMsgCreate);
        EXPECT_EQ(i < 5, e->vehicle != nullptr) << i;
    }
    EXPECT_EQ(6, g_stage.driverSlotCount);
    EXPECT_EQ(16, g_stage.state);
    EXPECT_FALSE(IsGameHalted());
    // The same record finds its slot again
    Entity* again = AllocEntity();
    again->behaviour = records[0].get();
    EXPECT_EQ(g_stage.driverSlots + 1, GetDriverSlot(again));
}

// Every stage of the table can be entered from the command line.
TEST(Stage, CommandLineNamesAnyStageOfTheTable)
{
    struct Case
    {
        const char16_t* command;
        int stage;
    };
    for (const Case& c : {Case{u"stage 0", 0}, Case{u"stage 33", 33}, Case{u"  stage 7 ", 7}, Case{u"stage 34", -1},
                          Case{u"stage -1", -1}, Case{u"stage 3 4", -1}, Case{u"", -1}, Case{u"stages", -1}})
        EXPECT_EQ(c.stage, StageOfCommand(reinterpret_cast<const WCHAR*>(c.command)))
            << std::string(c.command, c.command + std::char_traits<char16_t>::length(c.command));
}

// A record that finds the pool full ends the stage with a message line.
TEST(Stage, FullPoolEndsTheStage)
{
    StartProgram();
    ASSERT_TRUE(StartStage(0));
    for (Entity& e : g_entityWorld.pool)
        if (e.update == nullptr)
            e.update = [](Entity*) {};
    Behaviour prop;
    prop.classNumber = 26;
    prop.behaviourNumber = 3;
    CreateFromRecord(&prop);
    EXPECT_EQ(nullptr, prop.entity);
    EXPECT_EQ(16, g_stage.state);
    EXPECT_FALSE(IsGameHalted());
}

namespace {

// The top row of the message lines drawn now, -1 without any
int MessageTop()
{
    ClearFrame();
    DrawMessages();
    for (int y = 0; y < kFrameHeight; ++y)
        for (int x = 0; x < kFrameWidth; ++x)
            if ((g_frame[y * kFrameWidth + x] >> 16) == 0)
                return y;
    return -1;
}

} // namespace

// A completed record's end sequence: its first lines after the first end
// delay, its second lines after the second, then after the third its next
// link (2 completes the stage, 3 starts the finishing phase). The waits run
// on a pool record of their own, so the completed entity may go at once;
// with no record free the sequence does not wait.
namespace {

struct EndCase
{
    const char* name;
    const char* what;
    int32_t delays[3];
    int32_t next;
    bool poolFull;
    int firstAt, secondAt, endAt, endState; // sweeps after completing (0: at once)
};

const EndCase kEndCases[] = {
    {"NoDelays", "no delays", {0, 0, 0}, 2, false, 0, 0, 0, 17},
    {"TheFinishsWait", "the finish's wait", {0, 0, 45}, 2, false, 0, 0, 46, 17},
    {"AllThreeWaits", "all three waits", {10, 5, 2}, 3, false, 11, 17, 20, 16},
    {"PoolFull", "pool full", {10, 5, 45}, 2, true, 0, 0, 0, 17},
};

// One case of the table a test of its own
class EndSequence : public testing::TestWithParam<EndCase>
{};

} // namespace

TEST_P(EndSequence, ShowsItsLinesThenEndsTheStage)
{
    const EndCase& c = GetParam();
    StartProgram();
    ASSERT_TRUE(StartStage(0)) << c.what;
    for (Entity& e : g_entityWorld.pool)
    {
        e.update = nullptr;
        if (c.poolFull)
            e.update = [](Entity*) {};
    }
    ResetGameStep();
    Behaviour node;
    node.classNumber = 12;
    node.endLines[0][0] = "<30>FIRST";
    node.endLines[1][0] = "<120>SECOND";
    for (int k = 0; k < 3; ++k)
        node.endDelays[k] = c.delays[k];
    node.next.value = c.next;
    Complete(&node);
    int firstAt = -1, secondAt = -1, endAt = -1;
    for (int sweep = 0; sweep <= 60 && endAt < 0; ++sweep)
    {
        if (sweep > 0)
            SweepEntities();
        const int top = MessageTop();
        if (top >= 30 && top < 40 && firstAt < 0)
            firstAt = sweep;
        if (top >= 120 && top < 130 && secondAt < 0)
            secondAt = sweep;
        if (g_stage.state != 0)
            endAt = sweep;
    }
    EXPECT_EQ(c.endState, g_stage.state) << c.what;
    EXPECT_EQ(c.endAt, endAt) << c.what;
    if (c.firstAt != c.secondAt)
    {
        EXPECT_EQ(c.firstAt, firstAt) << c.what;
    }
    EXPECT_EQ(c.secondAt, secondAt) << c.what;
    // The end sequence's own record has gone.
    int waiting = 0;
    for (Entity& e : g_entityWorld.pool)
        waiting += e.behaviour == &node && e.update != nullptr;
    EXPECT_EQ(0, waiting) << c.what;
    EndStage();
}

INSTANTIATE_TEST_SUITE_P(Stage, EndSequence, testing::ValuesIn(kEndCases), CaseName<EndCase>);
