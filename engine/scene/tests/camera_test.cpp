// camera_test.cpp -- projection, viewport, view matrix and follow modes
#include "engine/scene/3d/camera.h"

#include <gtest/gtest.h>

namespace {

Matrix4 placedAt(float x, float y, float z)
{
    Matrix4 m;
    m.setTranslationXYZ(x, y, z);
    return m;
}

} // namespace

TEST(Camera, ProjectionAndViewport)
{
    struct Case
    {
        float fov;
        int projection;
    } cases[] = {{45.0f, 424}, {90.0f, 1023}, {60.0f, 591}};
    for (const Case& c : cases)
        EXPECT_EQ(Camera(0, c.fov).projection, c.projection) << c.fov;
    Camera camera(0, 45.0f);
    camera.setViewport(241, 320);
    EXPECT_EQ(camera.centreX, 120);
    EXPECT_EQ(camera.centreY, 160);
    EXPECT_EQ(camera.minViewport, 241);
}

TEST(Camera, ViewMatrixIsRebuiltAfterEveryChange)
{
    Camera camera(0, 45.0f);
    Tuple3 p(0.0f, 0.0f, 5.0f);
    camera.getViewMatrix().transformPoint(p);
    EXPECT_FLOAT_EQ(p.z, 15.0f); // eye at z = -10 looking at the origin
    camera.setPosition(0.0f, 0.0f, -20.0f);
    EXPECT_EQ(camera.viewDirty, 1);
    Tuple3 q(0.0f, 0.0f, 5.0f);
    camera.getViewMatrix().transformPoint(q);
    EXPECT_FLOAT_EQ(q.z, 25.0f);
}

TEST(Camera, FollowModesPlaceTheEye)
{
    struct Case
    {
        int mode;
        Vector3 offset;
        Vector3 position; // after follow and one update of 0.1 s
        Vector3 target;
    } cases[] = {
        {-1, {1, 2, 3}, {0, 0, -10}, {6, 2, 3}},
        {0, {0, 0, 1}, {5, 0, -10}, {5, 0, 0}},
        {1, {0, 1, 1}, {5, 7.0710678f, 7.0710678f}, {5, 0, 0}},
        {2, {0, 1, 0}, {5, 10, -0.01f}, {5, 0, 0}},
        {4, {0, 0, 1}, {5, 0, 10}, {0, 0, 0}},
        {5, {0, 0, -1}, {5, 0, -10}, {5, 0, 0}},
        {8, {0, 0, 1}, {0, 0, -10}, {0, 0, 0}},
    };
    for (const Case& c : cases)
    {
        Camera camera(0, 45.0f);
        Matrix4 object = placedAt(5.0f, 0.0f, 0.0f);
        Vector3 offset = c.offset;
        camera.follow(c.mode, &object, 10.0f, 0.0f, offset);
        camera.updateFollow(0.1f);
        EXPECT_NEAR(camera.position.x, c.position.x, 1e-3f) << c.mode;
        EXPECT_NEAR(camera.position.y, c.position.y, 1e-3f) << c.mode;
        EXPECT_NEAR(camera.position.z, c.position.z, 1e-3f) << c.mode;
        EXPECT_NEAR(camera.target.x, c.target.x, 1e-3f) << c.mode;
        EXPECT_NEAR(camera.target.y, c.target.y, 1e-3f) << c.mode;
        EXPECT_NEAR(camera.target.z, c.target.z, 1e-3f) << c.mode;
    }
}

TEST(Camera, ChaseJumpsAtOnceAndSmoothedWaitsForTheUpdate)
{
    Matrix4 object;
    Vector3 behind(0.0f, 0.0f, 1.0f);
    Camera chase(0, 45.0f);
    chase.setPosition(3.0f, 3.0f, 3.0f);
    chase.follow(0, &object, 10.0f, 0.0f, behind);
    EXPECT_FLOAT_EQ(chase.position.z, -10.0f);

    Camera smooth(0, 45.0f);
    smooth.setPosition(3.0f, 3.0f, 3.0f);
    Vector3 offset(0.0f, 0.0f, 2.0f);
    smooth.follow(5, &object, 10.0f, 50.0f, offset);
    EXPECT_FLOAT_EQ(smooth.position.x, 3.0f);
    EXPECT_FLOAT_EQ(offset.z, 1.0f); // normalised in place
    smooth.updateFollow(0.1f);
    // Half way (smoothing 50) from (3, 3, 3) to (0, 0, 10).
    EXPECT_FLOAT_EQ(smooth.position.x, 1.5f);
    EXPECT_FLOAT_EQ(smooth.position.z, 6.5f);
}

// An object flying straight on at 30 units a second, followed in mode 5
// from behind as a chase camera is (distance 0.8, smoothing 95) for 4 s of
// frames dt long; answers how far the eye trails it.
float trailAfterFlight(float dt, float smoothingStep)
{
    Matrix4 object;
    Camera camera(0, 45.0f);
    camera.smoothingStep = smoothingStep;
    Vector3 offset(0.0f, 0.5f, -0.9f);
    camera.follow(5, &object, 0.8f, 95.0f, offset);
    float z = 0.0f;
    for (int i = 0; i < int(4.0f / dt + 0.5f); ++i)
    {
        z += 30.0f * dt;
        object.setTranslationXYZ(0.0f, 0.0f, z);
        camera.updateFollow(dt);
    }
    return z - camera.position.z;
}

// By default the eye closes its share once a frame, so it trails farther
// at a low frame rate than at a high one; with the smoothing's own step it
// trails alike at any rate, and as the default does at that step.
TEST(Camera, SmoothingOfItsOwnStepTrailsAlikeAtAnyFrameRate)
{
    const float slow = trailAfterFlight(0.1f, 0.0f), fast = trailAfterFlight(0.004f, 0.0f);
    EXPECT_GT(slow, 2.0f * fast) << "the default depends on the frame rate";
    EXPECT_FLOAT_EQ(trailAfterFlight(0.1f, 0.1f), slow);
    for (float dt : {0.05f, 0.02f, 0.004f, 0.001f})
        EXPECT_NEAR(trailAfterFlight(dt, 0.1f), slow, 0.1f * slow) << dt;
}

TEST(Camera, SmoothingStaysWithinItsRange)
{
    struct Case
    {
        float eyeZ;
        float dt;
        float expected;
    } cases[] = {{1000.0f, 1.0f, 0.0f}, {0.001f, 1000.0f, 100.0f}};
    for (const Case& c : cases)
    {
        Matrix4 object;
        Camera camera(0, 45.0f);
        Vector3 offset(0.0f, 0.0f, 1.0f);
        camera.follow(7, &object, 10.0f, 50.0f, offset);
        camera.setPosition(0.0f, 0.0f, c.eyeZ);
        camera.smoothing = 100.0f; // the eye stays where it is in this step
        camera.updateFollow(c.dt);
        EXPECT_FLOAT_EQ(camera.smoothing, c.expected) << c.eyeZ;
    }
}

TEST(Camera, AttachedNearTheOriginKeepsScaleTen)
{
    Matrix4 object;
    Camera camera(0, 45.0f);
    Vector3 offset(0.0f, 1.0f, 0.0f);
    camera.follow(4, &object, 1.0f, 0.0f, offset);
    camera.updateFollow(0.1f);
    EXPECT_FLOAT_EQ(camera.position.y, 10.0f);
}

TEST(Camera, PlaceBehindWithoutDistanceAndOffLeaveTheCamera)
{
    Matrix4 object = placedAt(1.0f, 2.0f, 3.0f);
    Camera camera(0, 45.0f);
    Vector3 offset(0.0f, 0.0f, 1.0f);
    camera.follow(5, &object, 0.0f, 0.0f, offset);
    camera.placeBehindTarget();
    EXPECT_FLOAT_EQ(camera.position.z, -10.0f);
    camera.follow(Camera::kFollowOff, &object, 5.0f, 0.0f, offset);
    EXPECT_EQ(camera.followTarget, nullptr);
    camera.updateFollow(1.0f);
    EXPECT_FLOAT_EQ(camera.position.z, -10.0f);
}
