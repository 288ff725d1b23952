// motion_body.h -- the motion record of a race vehicle: forward along its
// heading, falling under gravity or rising, turned by three rates, its matrix
// pushed into the vehicle's model
#pragma once

#include "engine/base/matrix4.h"
#include "engine/base/vector.h"

#include <cstdint>

class Group3D;

namespace racing {

struct MotionBody
{
    uint8_t wasFalling = 0;
    uint8_t wasRising = 0;
    Group3D* model = nullptr; // not owned; may be none
    float speed = 0.0f;       // world units per second, negative backwards
    float fallSpeed = 0.0f;
    float gravity = 9.8f;
    float riseSpeed = 0.0f;
    float riseAcceleration = 5.0f;
    uint8_t falling = 0;
    uint8_t rising = 0;
    float rollRate = 0.0f, pitchRate = 0.0f, yawRate = 0.0f; // radians per second
    Vector3 direction;
    Vector3 position;
    Vector3 previousPosition;
    Matrix4 orientation;

    void reset(float speed_);
    void place(Group3D* model_, float speed_, const Matrix4& matrix);
    // Forward along the heading (slower climbing, faster descending), then
    // the falling or rising phase.
    void move(float dt);
    // The matrix follows the position and turns by the rates in the body's
    // own frame; the model takes it.
    void rotate(float dt);
    void setYawRate(float rate) { yawRate = rate; }
    void clearFallSpeed() { fallSpeed = 0.0f; }
    void clearRiseSpeed() { riseSpeed = 0.0f; }
};

} // namespace racing
