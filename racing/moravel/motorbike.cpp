// motorbike.cpp -- the motion of a motorbike over its track
#include "racing/moravel/motorbike.h"

#include "engine/scene/3d/group3d.h"

#include <algorithm>
#include <cmath>

namespace moravel {

const char16_t* const kPoseNames[6] = {u"racer", u"racer_l", u"racer_r", u"racer_std", u"racer_air", u"racer_airh"};

Motorbike::Motorbike(racing::RaceTrack* race_, bool isPlayer_) : Racer(race_, isPlayer_) {}

void Motorbike::setDimensions(float width_, float height_, float length_, float wheelDiameter_, bool motocross)
{
    width = width_;
    height = height_;
    length = length_;
    wheelDiameter = wheelDiameter_ > 0.0f ? wheelDiameter_ : 1.0f;
    lift = height * (motocross ? 0.55f : 0.5f);
}

void Motorbike::update(float dt)
{
    moveOnTrack(dt, 0.15f);
    if (collisionTimer > 0.0f)
        collisionTimer = std::max(0.0f, collisionTimer - dt);
    if (!visible)
        return;
    const float twoPi = 2.0f * 3.1415927f;
    wheelAngle = std::fmod(wheelAngle + (2.0f / wheelDiameter) * motion.speed * dt, twoPi);
    if (wheelAngle < 0.0f)
        wheelAngle += twoPi;
    wheelBlur = std::min(int(4.0f / race->topSpeed * std::fabs(motion.speed)), 1);
    onWheels(dt);
    if (motion.speed > 0.0f)
    {
        if (pose == kPoseStill)
            setPose(kPoseUpright);
        if (pose == kPoseUpright)
        {
            if (airHeight > 0.04f * height)
                setPose(kPoseHighAir);
            else if (airHeight > 0.02f * height)
                setPose(kPoseAir);
        }
    }
    else if (pose != kPoseStill)
        setPose(kPoseStill);
    stepFume(dt, 0.5f * race->topSpeed, 0.1f);
}

void Motorbike::followTrack()
{
    if (keepToEdge() == racing::EdgeResult::Stopped)
        return;
    float gap = 0.0f;
    if (rideOnGround(0.35f, 0.0f, gap))
    {
        airHeight = -gap;
        if (!motion.falling && visible && groundNormal.y > 0.75f)
        {
            lean = std::clamp((1.75f / race->topSpeed) * steerAngle * motion.speed, -0.6f, 0.6f);
            racing::leanOnGround(motion, lean, groundNormal);
            if (pose != kPoseUpright && lean > -0.18f && lean < 0.18f)
                setPose(kPoseUpright);
            if (pose == kPoseUpright)
            {
                if (lean > 0.2f)
                    setPose(kPoseRight);
                else if (lean < -0.2f)
                    setPose(kPoseLeft);
            }
        }
    }
    motion.previousPosition.copyFrom(motion.position);
}

void Motorbike::steer(int direction, float dt)
{
    turnWheel(direction, dt, 5.0f);
    if (!autopilot)
        motion.setYawRate(steerAngle);
    else if (collisionTimer > 0.0f)
        motion.setYawRate(0.0f);
}

void Motorbike::accelerate(float dt)
{
    motion.speed = std::min(motion.speed + 60.0f * dt, race->topSpeed);
    rev = std::min(rev + 5.0f * dt, 6.0f);
}

void Motorbike::brake(float dt)
{
    motion.speed -= (motion.speed > 0.0f ? 40.0f : 60.0f) * dt;
    if (motion.speed < 0.0f)
        motion.speed = 0.0f;
    rev = std::min(rev + 5.0f * dt, 4.0f);
}

void Motorbike::autoDrive(float dt)
{
    steer(steeringFor(autoPedals(dt, 0.01f)), 0.1f * dt);
}

void Motorbike::place(float speed, int segment_, float lateralOffset)
{
    segment = segment_;
    racing::placeOnTrack(*race->model, motion, segment, lateralOffset, speed);
}

} // namespace moravel
