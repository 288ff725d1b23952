// motorbike.h -- one racer of the motorbike game: the player's bike or a
// rival, its motion over the track (steering, throttle, brake, the track
// edge, the ground, lean and rider poses) and the autopilot that rides rivals
#pragma once

#include "racing/framework/racer.h"

#include <cstdint>

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

class Motorbike : public racing::Racer
{
public:
    Motorbike(racing::RaceTrack* race, bool isPlayer);

    void update(float dt) override;
    void steer(int direction, float dt) override;
    void accelerate(float dt) override;
    void brake(float dt) override;
    // A hit: the autopilot holds its turn for a second.
    void onCollision() override { collisionTimer = 1.0f; }
    using Racer::place;
    // On the segment's point, moved across the track by lateralOffset (and
    // twice as far along it), facing along the track.
    void place(float speed, int segment, float lateralOffset);
    // Extents of the bike (body object), the wheel size and the lift.
    void setDimensions(float width_, float height_, float length_, float wheelDiameter_, bool motocross);
    virtual void setPose(int pose_) { pose = pose_; }

    float modelScale = 3.0f;
    int pose = kPoseStill;
    float lift = 0.0f;
    float collisionTimer = 0.0f;
    float airHeight = 0.0f;
    float wheelDiameter = 0.8f;
    float wheelAngle = 0.0f;
    int wheelBlur = 0; // 0 still wheel texture, 1 blurred
    float lean = 0.0f;

protected:
    void autoDrive(float dt) override;
    void followTrack() override;
    // The drawn bike's wheels (spin and blur).
    virtual void onWheels(float /*dt*/) {}
};

} // namespace moravel
