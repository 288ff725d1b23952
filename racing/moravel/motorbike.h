// motorbike.h -- one racer of the motorbike game: the player's bike or a
// rival, its motion over the track (steering, throttle, brake, the track
// edge, the ground, lean and rider poses) and the autopilot that rides rivals
#pragma once

#include "racing/framework/motion_body.h"
#include "racing/framework/race_track.h"

#include <cstdint>

class Group3D;

namespace moravel {

enum RiderPose
{
    kPoseUpright = 0, // "racer"
    kPoseLeft = 1,    // "racer_l"
    kPoseRight = 2,   // "racer_r"
    kPoseStill = 3,   // "racer_std"
    kPoseAir = 4,     // "racer_air"
    kPoseHighAir = 5  // "racer_airh"
};

extern const char16_t* const kPoseNames[6];

class Motorbike
{
public:
    Motorbike(racing::RaceTrack* race, bool isPlayer);
    virtual ~Motorbike() = default;

    // The per-frame step.
    void update(float dt);
    // 0 left (steer angle down), 1 right (up), 2 centre.
    void steer(int direction, float dt);
    void accelerate(float dt);
    void brake(float dt);
    void autoDrive(float dt);
    // On the segment's point facing along the track.
    void place(float speed, int segment, float lateralOffset);
    // Extents of the bike (body object), the wheel size and the lift.
    void setDimensions(float width_, float height_, float length_, float wheelDiameter_, bool motocross);
    virtual void setPose(int pose_) { pose = pose_; }

    float speed() const { return motion.speed; }

    uint8_t isPlayer;
    racing::MotionBody motion;
    float modelScale = 3.0f;
    int pose = kPoseStill;
    float lift = 0.0f;
    float collisionTimer = 0.0f;
    float airHeight = 0.0f;
    float width = 1.0f, height = 1.6f, length = 2.6f;
    float wheelDiameter = 0.8f;
    float wheelAngle = 0.0f;
    int wheelBlur = 0;     // 0 still wheel texture, 1 blurred
    float lean = 0.0f;
    float steerAngle = 0.0f;
    uint8_t autopilot = 0;
    uint8_t offTrack = 0;
    uint8_t visible = 1;   // rivals outside the visible window are hidden
    float rev = 0.0f;
    int segment = 0;
    Vector3 heading, trackDirection, point, previousPoint, nextPoint;
    Vector3 groundNormal;  // up, of the face under the bike
    float groundHeight = 0.0f;
    float shadowShift = 0.0f; // the shadow's shift while the bike falls

protected:
    // Hooks of the drawn bike: visibility changes, wheels (spin and blur),
    // the shadow over the ground (groundNormal, groundHeight and
    // shadowShift set), the exhaust.
    virtual void onVisibility(bool /*wasVisible*/) {}
    virtual void onWheels(float /*dt*/) {}
    virtual void onShadow() {}
    virtual void onFume(float /*dt*/) {}

    racing::RaceTrack* race;

private:
    void updateSegment();
    void followTrack();
};

} // namespace moravel
