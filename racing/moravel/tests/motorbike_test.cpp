// Tests of the motorbike's motion: the controls by their numbers, a bike on
// a straight accelerating and braking, poses, segment tracking at the wrap,
// the track edge, and a rival on autopilot riding a whole lap.
#include "racing/moravel/motorbike.h"

#include "racing/engine/base_library.h"
#include "racing/framework/track_strip.h"

#include "engine/scene/3d/mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace moravel {
namespace {

class MotorbikeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        racing::initRacingMath();
        racing::setFixedPointShift(12, 4);
    }

    // An oval of `segments` with straights of `straight` units.
    void buildTrack(int segments, float straight = 400.0f, float hill = 0.0f)
    {
        road.reset(racing::makeStripMesh(
            racing::makeTrackStrip(racing::ovalCentreLine(segments, straight, 150.0f, hill), racing::StripShape())));
        Mesh* wallsRaw = nullptr;
        ASSERT_NE(racing::buildTrackModel(*road, racing::TrackKeys(), track, wallsRaw), racing::TrackBuild::Refused);
        walls.reset(wallsRaw);
        ground = std::make_unique<racing::TrackGround>(*road, 64, 64);
        window.update(0, false, track.segmentCount, track.segmentCount);
        race.model = &track;
        race.ground = ground.get();
        race.window = &window;
        race.running = true;
    }

    std::unique_ptr<Mesh> road, walls;
    std::unique_ptr<racing::TrackGround> ground;
    racing::TrackModel track;
    racing::VisibleWindow window;
    racing::RaceTrack race;
};

TEST_F(MotorbikeTest, ControlsByTheirNumbers)
{
    buildTrack(300);
    Motorbike bike(&race, true);
    bike.brake(0.1f);
    EXPECT_EQ(bike.speed(), 0.0f);
    EXPECT_FLOAT_EQ(bike.rev, 0.5f);
    bike.motion.speed = 109.9f;
    bike.accelerate(0.1f);
    EXPECT_EQ(bike.speed(), 110.0f);
    for (int i = 0; i < 40; ++i)
        bike.accelerate(0.1f);
    EXPECT_FLOAT_EQ(bike.rev, 6.0f);
    bike.brake(0.01f);
    EXPECT_FLOAT_EQ(bike.rev, 4.0f); // braking holds the revs at 4 at most
    bike.rev = 3.9f;
    bike.brake(0.1f);
    EXPECT_FLOAT_EQ(bike.rev, 4.0f);

    bike.steerAngle = 0.004f;
    bike.steer(2, 0.1f);
    EXPECT_EQ(bike.steerAngle, 0.0f);
    bike.steerAngle = 0.5f;
    bike.steer(2, 0.1f);
    EXPECT_FLOAT_EQ(bike.steerAngle, 0.25f);
    EXPECT_FLOAT_EQ(bike.motion.yawRate, 0.25f);
    race.steerSensitivity = 1.25f;
    for (int i = 0; i < 20; ++i)
        bike.steer(0, 0.1f);
    EXPECT_FLOAT_EQ(bike.steerAngle, -1.15f);
}

TEST_F(MotorbikeTest, AcceleratesAndBrakesOnAStraight)
{
    buildTrack(300, 2000.0f);
    Motorbike bike(&race, true);
    bike.setDimensions(1.0f, 1.6f, 2.6f, 0.8f, false);
    bike.place(0.0f, 10, 0.0f);
    const float dt = 0.05f;
    // Settle on the ground first (the body starts falling).
    for (int i = 0; i < 10; ++i)
        bike.update(dt);
    ASSERT_EQ(bike.motion.falling, 0);
    EXPECT_NEAR(bike.motion.position.y, 0.35f * 1.6f, 1e-3f);
    EXPECT_EQ(bike.pose, kPoseStill);

    // Throttle then the frame: speed += 60 dt (at most 110), then x (1 - 0.15 dt).
    float expected = 0.0f;
    float startZ = bike.motion.position.z, travelled = 0.0f;
    for (int i = 0; i < 60; ++i)
    {
        bike.accelerate(dt);
        expected = std::min(expected + 60.0f * dt, 110.0f) * (1.0f - 0.15f * dt);
        travelled += expected * dt;
        bike.update(dt);
        ASSERT_NEAR(bike.speed(), expected, 1e-3f) << i;
        if (i == 0)
        {
            EXPECT_EQ(bike.pose, kPoseUpright);
        }
    }
    EXPECT_GT(bike.speed(), 100.0f);
    EXPECT_NEAR(bike.motion.position.z - startZ, travelled, 0.5f);
    EXPECT_NEAR(bike.motion.position.x, 150.0f, 0.05f); // on the centre line
    EXPECT_EQ(bike.offTrack, 0);
    EXPECT_EQ(bike.wheelBlur, 1);

    // Brakes: speed -= 40 dt, then the frame's damping; stops and stays.
    int frames = 0;
    while (bike.speed() > 0.0f && frames < 200)
    {
        float before = bike.speed();
        bike.brake(dt);
        float after = std::max(before - 40.0f * dt, 0.0f) * (1.0f - 0.15f * dt);
        bike.update(dt);
        ASSERT_NEAR(bike.speed(), after, 1e-3f);
        ++frames;
    }
    EXPECT_EQ(bike.speed(), 0.0f);
    EXPECT_LT(frames, 60);
    bike.brake(dt);
    bike.update(dt);
    EXPECT_EQ(bike.speed(), 0.0f);
    EXPECT_EQ(bike.pose, kPoseStill);
    EXPECT_EQ(bike.wheelBlur, 0);
}

TEST_F(MotorbikeTest, SegmentsWrapAndOnlyThePlayerStepsBack)
{
    buildTrack(300);
    const int n = track.segmentCount;
    for (bool autopilot : {false, true})
    {
        Motorbike bike(&race, true);
        bike.autopilot = autopilot;
        race.running = false; // no autopilot steering: only the segment rule
        bike.place(0.0f, n - 1, 0.0f);
        bike.motion.speed = 20.0f;
        for (int i = 0; i < 20 && bike.segment != 0; ++i)
            bike.update(0.05f);
        EXPECT_EQ(bike.segment, 0) << autopilot;
        bike.motion.speed = -20.0f;
        for (int i = 0; i < 20 && bike.segment == 0; ++i)
            bike.update(0.05f);
        EXPECT_EQ(bike.segment, autopilot ? 0 : n - 1) << autopilot;
    }
}

TEST_F(MotorbikeTest, LeavingTheTrackSteeply)
{
    buildTrack(300, 2000.0f);
    struct Case
    {
        float yaw;       // heading away from the track direction, outward
        bool stops;
    };
    for (Case c : {Case{0.8f, true}, Case{0.45f, false}})
    {
        Motorbike bike(&race, true);
        bike.place(0.0f, 20, 0.0f);
        for (int i = 0; i < 5; ++i)
            bike.update(0.05f);
        // Put it beyond the half width on the outer side, heading outward.
        bike.motion.position.x += track.halfWidth + 0.5f;
        bike.motion.orientation.rotY(c.yaw);
        bike.motion.orientation.setTranslation(bike.motion.position);
        bike.motion.previousPosition.copyFrom(bike.motion.position);
        bike.motion.speed = 50.0f;
        bike.steerAngle = 0.3f;
        bike.update(0.05f);
        EXPECT_EQ(bike.offTrack, 1) << c.yaw;
        if (c.stops)
        {
            EXPECT_EQ(bike.speed(), 0.0f);
        }
        else
        {
            EXPECT_GT(bike.speed(), 0.0f);
            EXPECT_LT(bike.speed(), 50.0f * 0.7f);
            EXPECT_EQ(bike.steerAngle, 0.0f);
        }
    }
}

TEST_F(MotorbikeTest, ARivalOnAutopilotRidesALap)
{
    buildTrack(300, 400.0f, 15.0f);
    Motorbike rival(&race, false);
    rival.autopilot = 1;
    rival.setDimensions(1.0f, 1.6f, 2.6f, 0.8f, false);
    rival.place(0.0f, racing::gridSegment(0, 2, track.segmentCount, false), 0.0f);
    racing::LapCounter laps;
    std::copy(track.checkpoints, track.checkpoints + 6, laps.checkpoints);
    laps.lapsLeft = 1;
    const float dt = 0.05f;
    float time = 0.0f, topSpeed = 0.0f, worstOffset = 0.0f;
    bool finished = false;
    while (time < 120.0f && !finished)
    {
        rival.update(dt);
        time += dt;
        topSpeed = std::max(topSpeed, rival.speed());
        worstOffset = std::max(worstOffset, std::sqrt(racing::pointLineDistanceSq(
                                                rival.motion.position, rival.point, rival.nextPoint)));
        finished = laps.pass(rival.segment, false) == racing::LapEvent::Finished;
    }
    EXPECT_TRUE(finished) << "segment " << rival.segment << " after " << time << " s";
    EXPECT_GT(topSpeed, 80.0f);
    EXPECT_LT(worstOffset, track.halfWidth);
    // A lap of about 1740 units at most 110 units a second.
    EXPECT_GT(time, 1700.0f / 110.0f);
}

} // namespace
} // namespace moravel
