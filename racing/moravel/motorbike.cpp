// motorbike.cpp -- the motion of a motorbike over its track
#include "racing/moravel/motorbike.h"

#include <algorithm>
#include <cmath>

namespace moravel {

const char16_t* const kPoseNames[6] = {u"racer", u"racer_l", u"racer_r", u"racer_std", u"racer_air", u"racer_airh"};

Motorbike::Motorbike(racing::RaceTrack* race_, bool isPlayer_) : isPlayer(isPlayer_ ? 1 : 0), race(race_)
{
}

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
    motion.speed *= std::max(0.0f, 1.0f - 0.15f * dt);
    rev = std::max(0.0f, rev - 0.7f * dt);
    motion.move(dt);
    updateSegment();
    const racing::TrackModel& track = *race->model;
    const int n = track.segmentCount;
    point.copyFrom(track.points[size_t(segment)]);
    nextPoint.copyFrom(track.points[size_t((segment + 1) % n)]);
    previousPoint.copyFrom(track.points[size_t((segment + n - 1) % n)]);
    if (autopilot && race->running)
        autoDrive(dt);
    followTrack();
    motion.rotate(dt);
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
    onFume(dt);
}

void Motorbike::updateSegment()
{
    segment = racing::nextSegment(*race, motion.position, segment, !autopilot);
    if (!isPlayer && race->window)
    {
        bool was = visible != 0;
        visible = racing::inVisibleWindow(*race, segment) ? 1 : 0;
        if (was != (visible != 0))
            onVisibility(was);
    }
}

void Motorbike::followTrack()
{
    if (!autopilot)
    {
        racing::EdgeResult edge =
            racing::keepOnTrack(*race, motion, point, nextPoint, isPlayer != 0, heading, trackDirection);
        offTrack = edge == racing::EdgeResult::OnTrack ? 0 : 1;
        if (edge == racing::EdgeResult::Stopped)
            return;
        if (edge == racing::EdgeResult::TurnedBack)
            steerAngle = 0.0f;
    }
    Vector3 normal;
    if (racing::groundUnder(*race, motion, point, groundHeight, normal))
    {
        groundNormal.copyFrom(normal);
        float rideY = 0.35f * height + groundHeight;
        float gap = rideY - motion.position.y;
        motion.falling = gap < 0.0f ? 1 : 0;
        airHeight = -gap;
        shadowShift = gap < 0.0f ? 1.5f * gap : 0.0f;
        if (visible)
            onShadow();
        if (!motion.falling)
        {
            motion.position.y = rideY;
            if (visible && normal.y > 0.75f)
            {
                lean = std::clamp((1.75f / race->topSpeed) * steerAngle * motion.speed, -0.6f, 0.6f);
                racing::leanOnGround(motion, lean, normal);
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
    }
    motion.previousPosition.copyFrom(motion.position);
}

void Motorbike::steer(int direction, float dt)
{
    const float rate = race->steerSensitivity;
    if (direction == 2)
    {
        if (std::fabs(steerAngle) >= 0.005f)
            steerAngle *= std::max(0.0f, 1.0f - 5.0f * dt);
        else
            steerAngle = 0.0f;
    }
    else if (direction == 0)
        steerAngle = std::max(steerAngle - rate * dt, -1.15f);
    else
        steerAngle = std::min(steerAngle + rate * dt, 1.15f);
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
    float y = racing::turnTowards(motion, nextPoint, dt);
    float m = std::fabs(y);
    if (m > 0.03f)
        brake(dt);
    else if (m < 0.01f && int(m * 100000.0f) % 100 < 50)
        accelerate(dt);
    steer(y > 0.004f ? 1 : (y < -0.004f ? 0 : 2), 0.1f * dt);
}

void Motorbike::place(float speed, int segment_, float lateralOffset)
{
    segment = segment_;
    racing::placeOnTrack(*race->model, motion, segment, lateralOffset, speed);
}

} // namespace moravel
