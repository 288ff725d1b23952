// camera_test.cpp -- the follow camera against hand-worked positions, beside
// the engine camera's projection on the same viewport
#include "racing/engine/camera.h"

#include "engine/base/math_utils.h"
#include "engine/scene/3d/camera.h"

#include <gtest/gtest.h>

#include <cmath>

using RacingCamera = racing::Camera;

namespace {

// An object at (x, y, z) turned by `yaw` about the up axis.
Matrix4 objectAt(float x, float y, float z, float yaw = 0.0f)
{
    Matrix4 m;
    m.m[0] = std::cos(yaw);
    m.m[2] = std::sin(yaw);
    m.m[8] = -std::sin(yaw);
    m.m[10] = std::cos(yaw);
    m.setTranslationXYZ(x, y, z);
    return m;
}

void expectNear(const Vector3& v, float x, float y, float z, const char* what)
{
    EXPECT_NEAR(v.x, x, 1e-3f) << what;
    EXPECT_NEAR(v.y, y, 1e-3f) << what;
    EXPECT_NEAR(v.z, z, 1e-3f) << what;
}

} // namespace

TEST(FollowCamera, ProjectionIsTheFocalLengthTimes1024)
{
    RacingCamera camera(0, 45.0f);
    camera.setViewport(240, 320);
    EXPECT_EQ(camera.projection, int32_t(240.0f / std::tan(22.5f * 0.017453292f) * 1024.0f));
    EXPECT_EQ(camera.projection >> 10, 579);
    EXPECT_EQ(camera.halfWidth, 120);
    EXPECT_EQ(camera.shorterSide, 240);
    ::Camera engine(0, 45.0f);
    engine.setViewport(240, 320);
    EXPECT_EQ(engine.projection, int32_t(std::tan(22.5f * 0.017453292f) * 1024.0f))
        << "the engine camera keeps tan(fov / 2) x 1024";
    camera.setFov(90.0f);
    EXPECT_EQ(camera.projection >> 10, 240);
}

TEST(FollowCamera, ViewMatrixTakesTheCameraToTheOriginLookingDownZ)
{
    RacingCamera camera(0, 45.0f);
    camera.setPosition(0, 5, -10);
    camera.setTarget(0, 5, 0);
    const Matrix4& view = camera.getViewMatrix();
    Vector3 eye(0, 5, -10), ahead(0, 5, 0);
    view.transformPoint(eye);
    view.transformPoint(ahead);
    expectNear(eye, 0, 0, 0, "eye");
    expectNear(ahead, 0, 0, 10, "target ahead on +z");
    EXPECT_EQ(camera.dirty, 0);
}

TEST(FollowCamera, ChaseModeZeroReaimsInsideTheDistanceAndJumpsBeyondIt)
{
    RacingCamera camera(0, 45.0f);
    Matrix4 object = objectAt(0, 0, 0);
    Vector3 offset(0, 0, 3); // normalised in place
    camera.follow(0, &object, 10.0f, 0.0f, offset);
    expectNear(offset, 0, 0, 1, "the caller's offset is normalised");
    expectNear(camera.position, 0, 0, -10, "placed behind at once");
    camera.setOrientationUpVector(Vector3(1, 0, 0));
    object = objectAt(0, 0, -2); // 8 away: only re-aims
    camera.updateFollow(0.1f);
    expectNear(camera.target, 0, 0, -2, "aimed");
    expectNear(camera.position, 0, 0, -10, "not moved");
    expectNear(camera.up, 1, 0, 0, "up kept");
    object = objectAt(0, 0, 5); // 15 away: jumps behind it
    camera.updateFollow(0.1f);
    expectNear(camera.position, 0, 0, -5, "behind the object");
    expectNear(camera.up, 0, 1, 0, "up reset");
}

TEST(FollowCamera, SmoothedModesSnapAtZeroAndFreezeAtOneHundred)
{
    initMathTables();
    // The object at (10, 0, 0) turned a quarter (its -z points along world -x),
    // offset (0, 0, -1), distance 5.
    const float quarter = 1.5707964f;
    struct Case
    {
        int mode;
        Vector3 desired;
    };
    const Case cases[] = {{1, {5, 0, 0}}, {3, {5, 0, 0}}, {2, {10, 0, -5}}, {4, {5, 0, 0}}, {6, {5, 0, 0}}};
    for (const Case& c : cases)
    {
        for (float smoothing : {0.0f, 100.0f})
        {
            RacingCamera camera(0, 45.0f);
            camera.setPosition(1, 2, 3);
            Matrix4 object = objectAt(10, 0, 0, quarter);
            Vector3 offset(0, 0, -1);
            camera.follow(c.mode, &object, 5.0f, smoothing, offset);
            camera.updateFollow(0.0f);
            expectNear(camera.target, 10, 0, 0, "aimed at the object");
            if (smoothing == 0.0f)
                expectNear(camera.position, c.desired.x, c.desired.y, c.desired.z, "snapped");
            else
                expectNear(camera.position, 1, 2, 3, "frozen");
        }
    }
}

TEST(FollowCamera, AdaptiveSmoothingStaysInRange)
{
    for (int mode : {4, 6})
        for (float distance : {5.0f, 0.0f})
        {
            RacingCamera camera(0, 45.0f);
            camera.setPosition(500, 0, 0);
            Matrix4 object = objectAt(0, 0, 0);
            Vector3 offset(0, 0, -1);
            camera.follow(mode, &object, distance, 50.0f, offset);
            camera.updateFollow(10.0f); // far behind: the smoothing drops, not below 0
            EXPECT_GE(camera.smoothing, 0.0f);
            EXPECT_LE(camera.smoothing, 100.0f);
            EXPECT_TRUE(std::isfinite(camera.position.x)) << "distance " << distance;
            camera.setPosition(0, 0, 0);
            camera.updateFollow(10.0f); // too close: it rises, not above 100
            EXPECT_LE(camera.smoothing, 100.0f);
        }
}

TEST(FollowCamera, FixedAimOtherModesAndADegenerateOffset)
{
    Matrix4 object = objectAt(4, 0, 0, 1.0f);
    RacingCamera aiming(0, 45.0f);
    Vector3 offset(0, 2, 0);
    aiming.follow(-1, &object, 10.0f, 0.0f, offset);
    expectNear(offset, 0, 2, 0, "mode -1 keeps the offset's length");
    aiming.updateFollow(0.1f);
    expectNear(aiming.target, 4, 2, 0, "the offset in world axes");
    expectNear(aiming.position, 0, 0, -10, "and the camera stays");

    for (int mode : {-2, 7})
    {
        RacingCamera camera(0, 45.0f);
        Vector3 o(0, 0, -1);
        camera.follow(mode, &object, 5.0f, 0.0f, o);
        EXPECT_EQ(camera.getFollowMode(), mode) << "stored like any mode";
        camera.updateFollow(0.1f);
        expectNear(camera.position, 0, 0, -10, "nothing moves");
        expectNear(camera.target, 0, 0, 0, "nothing moves");
    }

    // No offset direction at all: the chase keeps its place instead of
    // flying to the world origin.
    RacingCamera chase(0, 45.0f);
    chase.setPosition(7, 7, 7);
    Vector3 none(0, 0, 0);
    chase.follow(1, &object, 5.0f, 0.0f, none);
    chase.updateFollow(0.1f);
    expectNear(chase.position, 7, 7, 7, "kept");
}

TEST(FollowCamera, RigidModeLooksAlongTheOffsetAndItsViewSticks)
{
    initMathTables();
    Matrix4 object = objectAt(1, 2, 3);
    RacingCamera camera(0, 45.0f);
    Vector3 backwards(0, 0, -1);
    camera.follow(5, &object, 4.0f, 0.0f, backwards);
    camera.setTarget(100, 100, 100); // a setter before the step
    camera.updateFollow(0.1f);
    expectNear(camera.position, 1, 2, -1, "object + offset x distance");
    Vector3 eye = camera.position, seen(1, 2, 3);
    const Matrix4& view = camera.getViewMatrix();
    view.transformPoint(eye);
    view.transformPoint(seen);
    expectNear(eye, 0, 0, 0, "the rigid view, not one rebuilt from the target");
    expectNear(seen, 0, 0, 4, "the object ahead");

    RacingCamera side(0, 45.0f);
    Matrix4 origin = objectAt(0, 0, 0);
    Vector3 right(1, 0, 0);
    side.follow(5, &origin, 4.0f, 0.0f, right);
    side.updateFollow(0.1f);
    expectNear(side.position, 4, 0, 0, "at distance along the offset");
    Vector3 further(8, 0, 0);
    side.getViewMatrix().transformPoint(further);
    EXPECT_NEAR(further.x, 0.0f, 2e-2f);
    EXPECT_NEAR(further.z, 4.0f, 2e-2f) << "looking along the offset";
}
