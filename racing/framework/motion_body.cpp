// motion_body.cpp -- the motion record of a race vehicle
#include "racing/framework/motion_body.h"

#include "engine/scene/3d/group3d.h"

namespace racing {

void MotionBody::reset(float speed_)
{
    speed = speed_;
    gravity = 9.8f;
    fallSpeed = 0.0f;
    riseAcceleration = 5.0f;
    rollRate = pitchRate = yawRate = 0.0f;
    falling = 1;
    wasFalling = rising = wasRising = 0;
}

void MotionBody::place(Group3D* model_, float speed_, const Matrix4& matrix)
{
    reset(speed_);
    model = model_;
    orientation.copyFrom(matrix);
    orientation.getTranslation(position);
    previousPosition.copyFrom(position);
}

void MotionBody::move(float dt)
{
    float factor = 1.0f - 0.5f * direction.y;
    float step = speed * factor * dt;
    Vector3 forward(0.0f, 0.0f, 1.0f);
    orientation.transformVectorTo(forward, direction);
    position.x += direction.x * step;
    position.y += direction.y * step;
    position.z += direction.z * step;
    if (falling)
    {
        if (!wasFalling)
            fallSpeed = 0.0f;
        fallSpeed += gravity * dt;
        position.y -= fallSpeed * dt;
    }
    else if (rising)
    {
        if (!wasRising)
            riseSpeed = 0.0f;
        riseSpeed += riseAcceleration * dt;
        position.y += riseSpeed * dt;
    }
    wasFalling = falling;
    wasRising = rising;
}

void MotionBody::rotate(float dt)
{
    orientation.setTranslation(position);
    Matrix4 turn;
    if (rollRate != 0.0f)
    {
        turn.rotZ(rollRate * dt);
        orientation.multiply(turn);
    }
    if (pitchRate != 0.0f)
    {
        turn.rotX(pitchRate * dt);
        orientation.multiply(turn);
    }
    if (yawRate != 0.0f)
    {
        turn.rotY(yawRate * dt);
        orientation.multiply(turn);
    }
    if (model)
        model->matrix.copyFrom(orientation);
}

} // namespace racing
