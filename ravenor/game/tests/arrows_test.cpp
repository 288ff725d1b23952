// arrows_test.cpp -- the target arrows against hand-worked angles and
// steps, and the arcsine table
#include <gtest/gtest.h>

#include <filesystem>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/game/base/settings.h"
#include "ravenor/game/behaviours/behaviours.h"
#include "ravenor/game/classes/arrows.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/stage_state.h"
#include "ravenor/game/world/world_draw.h"
#include "stage_fixture.h"

namespace {

// A target made from its record, running it, and an arrow of the class
// whose record links to it
struct ArrowScene
{
    Behaviour targetNode;
    Behaviour arrowNode;
    Entity* target = nullptr;
    Entity* arrow = nullptr;

    ArrowScene(int32_t arrowClass, int32_t x, int32_t y, int32_t z)
    {
        targetNode.classNumber = 12;
        targetNode.active = 1;
        target = AllocEntity();
        target->behaviour = &targetNode;
        target->update = BehaviourUpdate;
        target->orientation.t[0] = x;
        target->orientation.t[1] = y;
        target->orientation.t[2] = z;
        targetNode.entity = target;
        arrowNode.classNumber = arrowClass;
        arrowNode.active = 1;
        arrowNode.links[0].node = &targetNode;
        SendClassMessage(arrowClass, nullptr, kMsgLoad);
        arrow = AllocEntity();
        arrow->classNumber = arrowClass;
        arrow->behaviour = &arrowNode;
        arrow->update = IdleUpdate;
        arrowNode.entity = arrow;
        SendClassMessage(arrowClass, arrow, kMsgCreate);
    }
};

// The chase camera (the main one) at c looking along look, and the frame's
// view built from it
void MainCamera(int32_t x, int32_t y, int32_t z, int32_t lx, int32_t lz)
{
    g_cameras.chase.orientation.t[0] = x;
    g_cameras.chase.orientation.t[1] = y;
    g_cameras.chase.orientation.t[2] = z;
    g_cameras.chase.look[0] = lx;
    g_cameras.chase.look[1] = 0;
    g_cameras.chase.look[2] = lz;
    g_cameras.current = g_cameras.used = &g_cameras.chase;
    BuildCameraOrientation(g_cameras.chase);
}

class ArrowsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        StartProgram();
        ResetAllEntities();
        ResetArrows();
        g_entityWorld.player = nullptr;
        g_stage.level.reset();
    }
    void TearDown() override
    {
        ResetAllEntities();
        ResetArrows();
        g_cameras.current = g_cameras.used = &g_cameras.chase;
        g_speedFactor = 256;
    }
};

} // namespace

// asin(s / 4096) in 4096ths of a turn, rounded; 0 near 0; the sine's low 13
// bits taken as a signed value (4096 reads as -4096).
TEST(ArcSin, TableOfHandWorkedAngles)
{
    const struct
    {
        int32_t sine, angle;
    } cases[] = {{0, 0},
                 {5, 0},
                 {-6, 0},
                 {6, 0},
                 {7, 1},
                 {-7, -1},
                 {2048, 341},
                 {-2048, -341},
                 {4095, 1010},
                 {-4096, -1024},
                 {4096, -1024},
                 {2896, 512},
                 {8192 + 2048, 341},
                 {-8192 - 2048, -341}};
    for (const auto& c : cases)
        EXPECT_EQ(c.angle, ArcSin(c.sine)) << c.sine;
}

// The arrow's model, type and the loaders' flag: the box of the arrow model
// times 8 with y as it stands (a 900-long, 500-wide, 150-thick arrow).
TEST_F(ArrowsTest, LoadGivesTheTypeFromTheModelTimesEight)
{
    g_arrows.flying = 1;
    ASSERT_EQ(1, SendClassMessage(7, nullptr, kMsgLoad));
    EXPECT_EQ(0, g_arrows.flying);
    EXPECT_EQ(-2000, g_arrows.type.minX);
    EXPECT_EQ(2000, g_arrows.type.maxX);
    EXPECT_EQ(-600, g_arrows.type.minY);
    EXPECT_EQ(600, g_arrows.type.maxY);
    EXPECT_EQ(-3600, g_arrows.type.minZ);
    EXPECT_EQ(3600, g_arrows.type.maxZ);
    EXPECT_EQ(3600, g_arrows.type.radius);
    for (int32_t c : {6, 7, 8, 9})
    {
        EXPECT_EQ(2, SendClassMessage(c, nullptr, kMsgKind)) << c;
        EXPECT_EQ(0, SendClassMessage(c, nullptr, kMsgDropQuery)) << c;
    }
}

// The turn of the pointing arrow: toward the bearing by a quarter of the
// difference, at most 96 units a standard frame (scaled by F / 256), the
// shorter way round (a half turn goes the negative way).
TEST_F(ArrowsTest, PointingArrowTurnsAQuarterOfTheWayAtMost96)
{
    MainCamera(1000, -500, 2000, 0, 3000);
    const struct
    {
        int32_t heading, bearing, factor, after;
    } cases[] = {
        {0, 1024, 256, 96},     // a quarter turn: 256 left, 96 taken
        {0, 200, 256, 50},      // a quarter of 200
        {0, 3, 256, 0},         // a quarter of 3 is 0
        {0, 3000, 256, 4000},   // the other way: -1096, 274 left, 96 taken
        {100, 0, 256, 75},      // back by a quarter of 100
        {0, 2048, 256, 4000},   // a half turn goes the negative way
        {4000, 100, 256, 4049}, // across 0: 196 ahead, 49
        {0, 1024, 511, 191},    // 96 x 511 / 256
        {0, 40, 511, 19},       // 10 x 511 / 256
    };
    for (const auto& c : cases)
    {
        ResetAllEntities();
        g_speedFactor = c.factor;
        ArrowScene scene(6, 0, 0, 100000);
        scene.arrow->heading = c.heading;
        PlacePointingArrow(scene.arrow, c.bearing);
        EXPECT_EQ(c.after, scene.arrow->heading) << c.heading << " to " << c.bearing << " at " << c.factor;
        EXPECT_EQ(c.after, g_arrows.lastHeading);
    }
    // 3000 along the camera's look from its place, and 2000 above it
    g_speedFactor = 256;
    ResetAllEntities();
    ArrowScene ahead(6, 0, 0, 100000);
    PlacePointingArrow(ahead.arrow, 0);
    EXPECT_EQ(1000, ahead.arrow->X());
    EXPECT_EQ(-2500, ahead.arrow->Y());
    EXPECT_EQ(5000, ahead.arrow->Z());
    MainCamera(1000, -500, 2000, -4000, 0);
    PlacePointingArrow(ahead.arrow, 0);
    EXPECT_EQ(-2000, ahead.arrow->X());
    EXPECT_EQ(2000, ahead.arrow->Z());
    EXPECT_NE(0, ahead.arrow->orientation.m[4]);
    // Under a level camera it is not seen.
    g_cameras.used = &g_cameras.level;
    PlacePointingArrow(ahead.arrow, 0);
    for (int16_t entry : ahead.arrow->orientation.m)
        EXPECT_EQ(0, entry);
}

// From the player at the origin to a target far off at 45 degrees (bearing
// 511): 96 twice, then a quarter of what is left each frame.
TEST_F(ArrowsTest, PointingArrowFollowsItsTargetFromThePlayer)
{
    MainCamera(0, -600, -3000, 0, 3000);
    Entity player;
    g_entityWorld.player = &player;
    ArrowScene scene(7, 40000, 0, 40000);
    EXPECT_EQ(0, scene.arrow->heading) << "made along the player's heading";
    ASSERT_EQ(511, FixedAtan2(40000, 40000));
    SendClassMessage(7, scene.arrow, kMsgStep);
    EXPECT_EQ(scene.target, g_arrows.target);
    EXPECT_EQ(scene.arrow, g_arrows.pointing);
    const int32_t expected[] = {96, 192, 271, 331, 376, 409, 434, 453, 467};
    for (int32_t heading : expected)
    {
        UpdatePointingArrow();
        EXPECT_EQ(heading, scene.arrow->heading);
    }
    EXPECT_EQ(0, g_arrows.flying) << "too far for a flying arrow";
    g_entityWorld.player = nullptr;
}

// The target is the entity of the record's first link while it runs that
// record and the record is active and not done; without one the arrow's
// record completes and the arrow goes.
TEST_F(ArrowsTest, TargetOnlyWhileItsRecordRuns)
{
    const struct
    {
        const char* what;
        void (*spoil)(ArrowScene&);
        bool found;
    } cases[] = {
        {"running", [](ArrowScene&) {}, true},
        {"not active", [](ArrowScene& s) { s.targetNode.active = 0; }, false},
        {"done", [](ArrowScene& s) { s.targetNode.done = 1; }, false},
        {"another update", [](ArrowScene& s) { s.target->update = IdleUpdate; }, false},
        {"another record", [](ArrowScene& s) { s.target->behaviour = &s.arrowNode; }, false},
        {"no link", [](ArrowScene& s) { s.arrowNode.links[0].node = nullptr; }, false},
        {"gone", [](ArrowScene& s) { s.targetNode.entity = nullptr; }, false},
    };
    for (const auto& c : cases)
    {
        ResetAllEntities();
        ResetArrows();
        ArrowScene scene(6, 0, 0, 50000);
        c.spoil(scene);
        EXPECT_EQ(c.found ? scene.target : nullptr, ArrowTargetOf(scene.arrow)) << c.what;
        g_arrows.flying = 1;
        SendClassMessage(6, scene.arrow, kMsgStep);
        if (c.found)
        {
            EXPECT_EQ(IdleUpdate, scene.arrow->update) << c.what;
            EXPECT_EQ(0, scene.arrowNode.done) << c.what;
        }
        else
        {
            EXPECT_EQ(nullptr, scene.arrow->update) << c.what;
            EXPECT_EQ(1, scene.arrowNode.done) << c.what << ": its record completed";
            EXPECT_EQ(0, g_arrows.flying) << c.what;
            EXPECT_EQ(nullptr, g_arrows.target) << c.what;
        }
    }
}

// A seen target within range: the pointing arrow launches one flying arrow
// and turns translucent; the flight's progress grows by 40000 / sqrt of the
// squared distance each frame (9600 away: 133), pitching down to a quarter
// turn, to hover over the target, bobbing and spinning; once the target
// leaves the range it flies back and gives the arrow its opaque model again.
// A class 8 arrow never lets one start.
TEST_F(ArrowsTest, FlyingArrowGoesHoversAndComesBack)
{
    MainCamera(0, -600, -3000, 0, 3000);
    Entity player;
    g_entityWorld.player = &player;
    const int32_t ground = -100;
    ArrowScene scene(6, 0, ground, 9600);
    P3dModel* opaque = scene.arrow->model;
    SendClassMessage(6, scene.arrow, kMsgStep);
    UpdatePointingArrow();
    ASSERT_TRUE(IsEntityOnScreen(scene.target));
    // The pointing arrow stands at (0, -2600, 0): 9600 from the target in
    // x and z, 2500 in y
    EXPECT_EQ(0, scene.arrow->Z());
    EXPECT_EQ(1, g_arrows.flying);
    EXPECT_NE(opaque, scene.arrow->model) << "translucent while its arrow flies";
    Entity* flying = nullptr;
    for (Entity& e : g_entityWorld.pool)
        if (e.update == FlyingArrowUpdate)
            flying = &e;
    ASSERT_NE(nullptr, flying);
    EXPECT_EQ(scene.arrow, flying->parent);
    EXPECT_EQ(0, flying->stuckTimer);
    const int32_t d2 = Distance2(scene.arrow, scene.target);
    const int32_t step = 40000 / FixedSqrt(static_cast<uint32_t>(d2));
    // The hover point: the arrow's box over the target (minY - maxY = -1200)
    const int32_t dy = ground - 1200 - scene.arrow->Y();
    FlyingArrowUpdate(flying);
    EXPECT_EQ(step, flying->stuckTimer);
    EXPECT_EQ(step / -4, flying->groundPitch);
    EXPECT_EQ(0 + 9600 * step / 4096, flying->Z());
    EXPECT_EQ(scene.arrow->Y() + dy * step / 4096, flying->Y());
    int frames = 1;
    while (flying->stuckTimer < 4096 && frames < 200)
    {
        FlyingArrowUpdate(flying);
        ++frames;
    }
    EXPECT_EQ((4096 + step - 1) / step, frames);
    // Arrived: over the target, bobbing by the age, spinning 128 a frame
    FlyingArrowUpdate(flying);
    EXPECT_EQ(scene.target->X(), flying->X());
    EXPECT_EQ(scene.target->Z(), flying->Z());
    EXPECT_EQ(1, flying->age);
    EXPECT_EQ(ground + WaveTable[256] * 512 / 4096 - 1200, flying->Y());
    EXPECT_EQ(128, flying->groundRoll);
    // The target goes out of range: back toward the arrow, then gone
    scene.target->orientation.t[2] = 40000;
    FlyingArrowUpdate(flying);
    EXPECT_EQ(0, flying->groundRoll);
    EXPECT_LT(flying->stuckTimer, 4096 + step);
    frames = 0;
    while (flying->update != nullptr && frames < 400)
    {
        FlyingArrowUpdate(flying);
        ++frames;
    }
    EXPECT_EQ(nullptr, flying->update);
    EXPECT_EQ(0, g_arrows.flying);
    EXPECT_EQ(opaque, scene.arrow->model) << "opaque again";

    // Class 8 in the same place: no flying arrow while it lives
    ResetAllEntities();
    ResetArrows();
    g_arrows.lastHeading = 300;
    ArrowScene blocked(8, 0, ground, 9600);
    EXPECT_EQ(300, blocked.arrow->heading) << "the last pointing arrow's heading";
    for (int i = 0; i < 5; ++i)
    {
        SendClassMessage(8, blocked.arrow, kMsgStep);
        UpdatePointingArrow();
    }
    EXPECT_EQ(1, g_arrows.flying);
    for (const Entity& e : g_entityWorld.pool)
        EXPECT_NE(FlyingArrowUpdate, e.update);
    g_entityWorld.player = nullptr;
}

// The hovering arrow points down, spins 128 a frame and bobs over its
// target, lifted by its record's height offset (byte 52).
TEST_F(ArrowsTest, HoveringArrowBobsAndSpinsOverItsTarget)
{
    ArrowScene scene(9, 3000, -200, 4000);
    scene.arrowNode.word52 = 300;
    EXPECT_EQ(-1024, scene.arrow->groundPitch);
    for (int frame = 1; frame <= 8; ++frame)
    {
        SendClassMessage(9, scene.arrow, kMsgStep);
        EXPECT_EQ(3000, scene.arrow->X());
        EXPECT_EQ(4000, scene.arrow->Z());
        EXPECT_EQ(-200 + WaveTable[(frame << 8) & 0xFFF] * 512 / 4096 - 600 - 300 - 600, scene.arrow->Y()) << frame;
        EXPECT_EQ(128 * frame, scene.arrow->groundRoll);
    }
    scene.targetNode.done = 1;
    SendClassMessage(9, scene.arrow, kMsgStep);
    EXPECT_EQ(nullptr, scene.arrow->update);
    EXPECT_EQ(1, scene.arrowNode.done);
}
