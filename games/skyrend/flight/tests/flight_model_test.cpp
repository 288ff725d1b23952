// flight_model_test.cpp -- the flight model against hand-worked steps
#include "games/skyrend/flight/flight_model.h"

#include "engine/base/math_utils.h"

#include "os/testing/kernel.h"

#include <os/wstring.h>

#include <gtest/gtest.h>

#include <cmath>

using skyrend::FlightModel;

namespace flight_model_cases {

constexpr float kPi = 3.14159265f;

struct FlightModelTest : testing::Test
{
    void SetUp() override { initMathTables(); }
    void TearDown() override { os::set_rand_hook(nullptr); }

    FlightModel level(float y = 500.0f, float ceiling = 0.0f)
    {
        FlightModel f;
        f.init(nullptr, 30.0f, 0.0f, y, 0.0f, ceiling);
        return f;
    }
    static Vector3 axisOf(const FlightModel& f, float x, float y, float z)
    {
        Vector3 v;
        f.orientation.transformVectorTo(Vector3(x, y, z), v);
        return v;
    }
};

TEST_F(FlightModelTest, LevelFlightHoldsSpeedAndHeight)
{
    FlightModel f = level();
    for (int i = 0; i < 100; ++i)
        f.tick(0.1f, true);
    EXPECT_FLOAT_EQ(f.speed, 30.0f);
    EXPECT_FLOAT_EQ(f.position.y, 500.0f);
    EXPECT_NEAR(f.position.z, 300.0f, 1e-3f);
    EXPECT_FLOAT_EQ(f.position.x, 0.0f);
    Vector3 t;
    f.orientation.getTranslation(t);
    EXPECT_FLOAT_EQ(t.z, f.position.z);
}

TEST_F(FlightModelTest, ThrottleStepsSetLevelAndTargetSpeed)
{
    struct Case
    {
        int step, level;
        float target;
    } cases[] = {{-16, 0, -34.0f}, {-1, 75, 26.0f}, {0, 80, 30.0f}, {1, 90, 34.0f}, {2, 100, 38.0f}, {6, 140, 54.0f}};
    for (const Case& c : cases)
    {
        FlightModel f = level();
        f.setLevel(c.step);
        EXPECT_EQ(f.level, c.level) << c.step;
        EXPECT_FLOAT_EQ(f.targetSpeed, c.target) << c.step;
    }
    // The speed eases toward the target with a 2 s time constant; a step
    // longer than that jumps to it.
    FlightModel f = level();
    f.setLevel(2);
    f.tick(0.5f, false);
    EXPECT_FLOAT_EQ(f.easedSpeed, 30.0f + 0.25f * 8.0f);
    f.tick(3.0f, false);
    EXPECT_FLOAT_EQ(f.easedSpeed, 38.0f);
}

TEST_F(FlightModelTest, DiveGainsAndClimbLosesSpeed)
{
    FlightModel dive = level();
    dive.turbulence = 0;
    dive.orientation.rotX(kPi / 6.0f); // nose 30 degrees down
    dive.pitchRate = 0.5f;             // held: no levelling of the nose
    dive.tick(0.01f, false);
    EXPECT_NEAR(dive.climbSine, -0.5f, 1e-3f);
    dive.tick(0.01f, false);
    EXPECT_NEAR(dive.speed, 30.0f * (1.0f + 0.5f * 0.8f), 0.05f);

    FlightModel climb = level();
    climb.turbulence = 0;
    climb.orientation.rotX(-kPi / 6.0f);
    climb.tick(0.01f, false);
    climb.tick(0.01f, false);
    EXPECT_NEAR(climb.speed, 30.0f * (1.0f - 0.5f * 0.2f), 0.05f);
}

TEST_F(FlightModelTest, BankedAircraftSinksTwoUnitsPerSecond)
{
    FlightModel f = level();
    f.orientation.rotZ(kPi / 2.0f);
    f.orientation.setTranslation(f.position);
    f.tick(0.1f, false); // learns its bank
    EXPECT_NEAR(std::fabs(f.bankSine), 1.0f, 1e-3f);
    const float y = f.position.y;
    for (int i = 0; i < 10; ++i)
        f.tick(0.1f, false);
    EXPECT_NEAR(y - f.position.y, 2.0f, 0.02f);
}

TEST_F(FlightModelTest, FullRollReturnsToLevel)
{
    FlightModel f = level();
    const float seconds = 2.0f * kPi / 1.2f;
    bool inverted = false;
    for (float t = 0.0f; t < seconds; t += 0.05f)
    {
        f.setRollRate(1.2f); // the stick held over
        f.tick(0.05f, true);
        inverted = inverted || axisOf(f, 0, 1, 0).y < -0.9f;
    }
    EXPECT_TRUE(inverted);
    for (int i = 0; i < 100; ++i)
        f.tick(0.05f, true);
    EXPECT_LT(std::fabs(f.bankSine), 0.05f);
    EXPECT_GT(axisOf(f, 0, 1, 0).y, 0.99f);
    EXPECT_NEAR(f.bank, 0.0f, 0.05f);
    EXPECT_FLOAT_EQ(f.rollRate, 0.0f); // decayed by dt per second
    EXPECT_GT(f.position.y, 480.0f);
}

TEST_F(FlightModelTest, NoseSinksTowardTheHorizonWithoutPitchInput)
{
    FlightModel f = level();
    f.orientation.rotX(-0.3f);
    f.orientation.setTranslation(f.position);
    f.tick(0.1f, true);
    const float first = f.climbSine;
    for (int i = 0; i < 200; ++i)
        f.tick(0.1f, true);
    EXPECT_GT(first, 0.25f);
    EXPECT_LT(f.climbSine, 0.05f);
}

// The nose levels by pitching whatever the heading: headed east (the body's
// z along the world's x), a turn between world directions appended as it
// stands would turn about the wrong axis and roll the aircraft instead.
TEST_F(FlightModelTest, TheNoseLevelsByPitchingOnAnyHeading)
{
    for (float heading : {0.0f, 0.5f * kPi, 0.75f * kPi})
    {
        FlightModel f = level();
        Matrix4 nose;
        nose.rotX(-0.3f);
        f.orientation.rotY(heading);
        f.orientation.multiply(nose);
        f.orientation.setTranslation(f.position);
        f.tick(0.1f, true);
        const float first = f.climbSine;
        for (int i = 0; i < 200; ++i)
            f.tick(0.1f, true);
        EXPECT_GT(first, 0.25f) << heading;
        EXPECT_LT(f.climbSine, 0.05f) << heading;
        EXPECT_NEAR(f.bank, 0.0f, 0.02f) << heading;
        EXPECT_NEAR(std::atan2(f.forward.x, f.forward.z), heading, 0.02f) << "still on its course";
    }
}

TEST_F(FlightModelTest, StallTumbles)
{
    os::set_rand_hook([] { return 32767; }); // randomFloat(-3, 3) answers 3
    FlightModel f = level();
    f.orientation.rotX(-1.2f); // forward.y = sin 1.2 = 0.93
    f.orientation.setTranslation(f.position);
    f.tick(0.1f, false);
    EXPECT_GT(f.climbSine, 0.85f);
    // The rates were set to 3.0 and have turned the aircraft and decayed once.
    EXPECT_FLOAT_EQ(f.rollRate, 3.0f - 0.1f);
    EXPECT_FLOAT_EQ(f.yawRate, 3.0f - 0.05f);

    FlightModel calm = level();
    calm.turbulence = 0;
    calm.orientation.rotX(-1.2f);
    calm.tick(0.1f, false);
    EXPECT_FLOAT_EQ(calm.rollRate, 0.0f);
    EXPECT_FLOAT_EQ(calm.yawRate, 0.0f);
}

TEST_F(FlightModelTest, CeilingPushesDown)
{
    FlightModel f = level(1200.0f, 1000.0f);
    f.tick(0.1f, false);
    EXPECT_FLOAT_EQ(f.position.y, 1200.0f - 200.0f * 0.1f);
    FlightModel below = level(900.0f, 1000.0f);
    below.tick(0.1f, false);
    EXPECT_FLOAT_EQ(below.position.y, 900.0f);
}

TEST_F(FlightModelTest, HeadingByQuadrant)
{
    struct Case
    {
        float turn; // about y
        float heading;
    } cases[] = {{kPi / 2.0f, kPi / 2.0f}, {kPi, kPi}, {-kPi / 2.0f, 1.5f * kPi}, {kPi / 4.0f, kPi / 4.0f},
                 {-kPi / 4.0f, 1.75f * kPi}};
    for (const Case& c : cases)
    {
        FlightModel f = level();
        f.gravity = 0;
        f.orientation.rotY(c.turn);
        f.tick(0.01f, true);
        EXPECT_NEAR(f.heading, c.heading, 0.01f) << c.turn;
    }
}

TEST_F(FlightModelTest, SmallRatesTurnNothingAndStopDecaying)
{
    FlightModel f = level();
    f.gravity = 0;
    f.setYawRate(0.009f);
    f.setPitchRate(-0.009f);
    f.tick(0.1f, false);
    EXPECT_FLOAT_EQ(axisOf(f, 0, 0, 1).z, 1.0f);
    EXPECT_FLOAT_EQ(f.yawRate, 0.0f);
    EXPECT_FLOAT_EQ(f.pitchRate, 0.0f);
    f.setYawRate(1.0f);
    f.tick(0.1f, false);
    EXPECT_FLOAT_EQ(f.yawRate, 0.95f);
    EXPECT_LT(axisOf(f, 0, 0, 1).z, 0.999f);
}

} // namespace flight_model_cases
