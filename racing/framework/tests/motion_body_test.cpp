// Tests of the motion body: straight steps, climbing and descending, the
// falling phase, turning rates.
#include "racing/framework/motion_body.h"

#include "racing/engine/base_library.h"

#include <gtest/gtest.h>

namespace racing {
namespace {

class MotionBodyTest : public ::testing::Test
{
protected:
    void SetUp() override { initRacingMath(); }
};

TEST_F(MotionBodyTest, ResetLeavesTheBodyFalling)
{
    MotionBody body;
    body.reset(5.0f);
    EXPECT_EQ(body.falling, 1);
    EXPECT_EQ(body.rising, 0);
    EXPECT_FLOAT_EQ(body.gravity, 9.8f);
    EXPECT_FLOAT_EQ(body.speed, 5.0f);
}

TEST_F(MotionBodyTest, WithoutRatesTheRotationStaysExact)
{
    MotionBody body;
    Matrix4 start;
    start.rotY(0.7f);
    start.setTranslationXYZ(1, 2, 3);
    body.place(nullptr, 10.0f, start);
    body.falling = 0;
    for (int i = 0; i < 50; ++i)
    {
        body.move(0.05f);
        body.rotate(0.05f);
    }
    for (int i : {0, 1, 2, 4, 5, 6, 8, 9, 10})
        EXPECT_EQ(body.orientation.m[i], start.m[i]) << i;
    EXPECT_FLOAT_EQ(body.orientation.m[3], body.position.x);
    EXPECT_FLOAT_EQ(body.orientation.m[7], body.position.y);
    EXPECT_FLOAT_EQ(body.orientation.m[11], body.position.z);
    EXPECT_NEAR(body.position.y, 2.0f, 1e-5f);
}

TEST_F(MotionBodyTest, FallingStartsFromRestAndGathersSpeed)
{
    MotionBody body;
    body.place(nullptr, 0.0f, Matrix4());
    body.falling = 0;
    body.move(0.1f);
    EXPECT_FLOAT_EQ(body.position.y, 0.0f);
    body.falling = 1;
    body.move(0.1f);
    EXPECT_NEAR(body.position.y, -9.8f * 0.01f, 1e-6f);
    body.move(0.1f);
    EXPECT_NEAR(body.position.y, -9.8f * 0.01f * 3.0f, 1e-6f);
}

TEST_F(MotionBodyTest, ClimbingSlowsAndDescendingSpeedsUp)
{
    struct Case
    {
        float pitch; // about x: positive tips the nose down
        float factor;
    };
    for (Case c : {Case{-1.5707964f, 0.5f}, Case{1.5707964f, 1.5f}})
    {
        MotionBody body;
        Matrix4 m;
        m.rotX(c.pitch);
        body.place(nullptr, 10.0f, m);
        body.falling = 0;
        body.move(0.1f); // learns its direction
        Vector3 before(body.position);
        body.move(0.1f);
        Vector3 d;
        d.setDifference(body.position, before);
        EXPECT_NEAR(d.length(), 10.0f * 0.1f * c.factor, 1e-3f) << c.pitch;
    }
}

TEST_F(MotionBodyTest, YawRateTurnsInTheBodysFrame)
{
    MotionBody body;
    body.place(nullptr, 0.0f, Matrix4());
    body.setYawRate(1.5707964f);
    body.rotate(1.0f);
    Vector3 forward(0, 0, 1), out;
    body.orientation.transformVectorTo(forward, out);
    EXPECT_NEAR(out.x, 1.0f, 2e-3f);
    EXPECT_NEAR(out.z, 0.0f, 2e-3f);
}

} // namespace
} // namespace racing
