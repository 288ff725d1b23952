// camera_test.cpp -- the chase step, the choice of the camera, the level
// cameras' hold and approach
#include <gtest/gtest.h>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/engine/core/frame_pacing.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/classes/level_cameras.h"
#include "ravenor/game/vehicles/vehicle.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/stage_state.h"

namespace {

class CameraTest : public testing::Test
{
protected:
    void SetUp() override
    {
        BuildTrigTables();
        ResetCameras();
        g_speedFactor = 256;
        g_shell.paused = false;
        g_shell.frameClock = 100;
        g_entityWorld.player = nullptr;
        type.cameraOffset = offsets;
        type.cameraTurnDivisor = 8;
        car.type = &type;
    }

    const int32_t offsets[3] = {0, -650, -3000};
    EntityType type;
    Entity car;
};

TEST_F(CameraTest, ChaseYawFollowsByAPartAndAHalfTurnCountsNegative)
{
    AttachCamera(g_cameras.chase, &car);
    struct
    {
        int32_t heading;
        int32_t factor;
        int32_t rate;
    } cases[] = {
        {800, 256, 100},      // 800 / 8
        {2048, 256, -256},    // bit 0x800 set: the other way round
        {4000, 256, -12},     // -(96 / 8)
        {800, 511, 100},      // same rate, nearly twice the turn
    };
    for (auto c : cases)
    {
        g_cameras.chase.yaw = 0;
        car.heading = c.heading;
        g_speedFactor = c.factor;
        ChaseUpdate(g_cameras.chase);
        EXPECT_EQ(c.rate, g_cameras.chase.yawRate) << c.heading;
        EXPECT_EQ(FrameScale(c.rate) & 0xFFF, g_cameras.chase.yaw) << c.heading << " at " << c.factor;
    }
}

TEST_F(CameraTest, ChaseStandsBehindTheCarAndShakesDieAway)
{
    car.orientation.t[0] = 1000;
    car.orientation.t[2] = 2000;
    car.heading = 0;
    AttachCamera(g_cameras.chase, &car);
    ShakeCamera(40, 0, -80);
    ChaseUpdate(g_cameras.chase);
    // 3000 behind along the heading (z), the shake added once
    EXPECT_EQ(1000 + 40, g_cameras.chase.orientation.t[0]);
    EXPECT_EQ(2000 - 3000 - 80, g_cameras.chase.orientation.t[2]);
    EXPECT_EQ(-10, g_cameras.chase.shake[0]);
    EXPECT_EQ(20, g_cameras.chase.shake[2]);
}

TEST_F(CameraTest, AFixedLevelCameraHoldsTheViewElevenFramesAfterItsLastStep)
{
    Entity cam;
    cam.update = [](Entity*) {};
    cam.orientation.t[2] = 5000;
    SendClassMessage(24, &cam, kMsgCreate);
    SendClassMessage(24, &cam, kMsgStep);
    EXPECT_EQ(&g_cameras.level, g_cameras.current);
    int frames = 0;
    for (; frames < 30; ++frames)
    {
        SelectCamera();
        if (g_cameras.current == &g_cameras.chase)
            break;
    }
    EXPECT_EQ(11, frames);
    EXPECT_EQ(3, SendClassMessage(24, nullptr, kMsgKind));
    EXPECT_EQ(0, SendClassMessage(19, nullptr, kMsgDropQuery));
}

TEST_F(CameraTest, ApproachGrowsFromFourAndDecaysOnceAnotherCameraIsCurrent)
{
    Entity cam;
    cam.update = [](Entity*) {};
    SendClassMessage(23, &cam, kMsgCreate);
    const int32_t expected[] = {4, 5, 6, 7, 8, 10, 12, 15, 18, 22, 27};
    for (int32_t value : expected)
    {
        SendClassMessage(23, &cam, kMsgStep);
        EXPECT_EQ(value, g_cameras.approachAmount);
    }
    for (int i = 0; i < 40; ++i)
        SendClassMessage(23, &cam, kMsgStep);
    EXPECT_EQ(255, g_cameras.approachAmount);
    // The chase camera current again: the amount decays to 0
    g_cameras.current = &g_cameras.chase;
    g_cameras.hold = 0;
    int frames = 0;
    while (g_cameras.approachAmount > 0 && frames < 100)
    {
        SelectCamera();
        ++frames;
    }
    EXPECT_EQ(0, g_cameras.approachAmount);
    EXPECT_LT(frames, 30);
}

// A level camera taking the view is a camera sequence: the player's controls
// go dead until a countdown makes them live again.
TEST_F(CameraTest, EveryLevelCameraClearsTheControlsLiveFlag)
{
    for (int32_t c : {19, 20, 23, 24})
    {
        Entity cam;
        cam.update = [](Entity*) {};
        g_stage.controlsLive = true;
        SendClassMessage(c, &cam, kMsgCreate);
        EXPECT_FALSE(g_stage.controlsLive) << c;
    }
}

} // namespace
