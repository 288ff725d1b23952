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
    const racing::TrackModel& track = *race->model;
    const int n = track.segmentCount;
    Vector3 d;
    d.setDifference(motion.position, track.points[size_t((segment + 1) % n)]);
    float dNext = d.lengthSquared();
    d.setDifference(motion.position, track.points[size_t(segment)]);
    float dHere = d.lengthSquared();
    if (dNext < dHere)
        segment = (segment + 1) % n;
    else if (!autopilot)
    {
        d.setDifference(motion.position, track.points[size_t((segment + n - 1) % n)]);
        if (d.lengthSquared() < dHere)
            segment = (segment + n - 1) % n;
    }
    if (!isPlayer && race->window)
    {
        bool was = visible != 0;
        visible = race->window->contains(segment) ? 1 : 0;
        if (was != (visible != 0))
            onVisibility(was);
    }
}

void Motorbike::followTrack()
{
    if (!autopilot)
    {
        trackDirection.setDifference(nextPoint, point);
        trackDirection.normalize();
        float distSq = racing::pointLineDistanceSq(motion.position, point, nextPoint);
        Vector3 forward(0.0f, 0.0f, 1.0f);
        motion.orientation.transformVectorTo(forward, heading);
        heading.normalize();
        float c = heading.dot(trackDirection);
        if (isPlayer)
            race->wrongWay = c < 0.0f;
        if (distSq > race->model->halfWidthSquared)
        {
            offTrack = 1;
            Vector3 rel, sideCross, motion3;
            rel.setDifference(motion.position, point);
            sideCross.cross(trackDirection, rel);
            float side = sideCross.y;
            motion3.copyFrom(heading);
            if (motion.speed < 0.0f)
                motion3.scale(-1.0f);
            Vector3 moveCross;
            moveCross.cross(trackDirection, motion3);
            if (moveCross.y * side > 0.0f)
            {
                if (c < 0.766f)
                {
                    motion.speed = 0.0f;
                    motion.position.copyFrom(motion.previousPosition);
                    return;
                }
                Vector3 target;
                target.setDifference(nextPoint, motion.position);
                target.y = 0.0f;
                Vector3 flat(heading.x, 0.0f, heading.z);
                Quaternion turn;
                racing::partialTurn(turn, flat, target, 0.4f);
                racing::turnInFront(motion.orientation, turn);
                motion.speed *= (c - 0.3f);
                steerAngle = 0.0f;
                motion.position.copyFrom(motion.previousPosition);
            }
        }
        else
            offTrack = 0;
    }
    Vector3 query(motion.position);
    Vector3 normal;
    bool hit = race->ground && race->ground->findGround(query, normal);
    if (!hit)
        motion.position.copyFrom(point);
    else
    {
        normal.scale(-1.0f);
        groundNormal.copyFrom(normal);
        groundHeight = query.y;
        float rideY = 0.35f * height + query.y;
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
                Vector3 side(lean, 0.0f, 0.0f), b, up, upLocal(0.0f, 1.0f, 0.0f);
                motion.orientation.transformVectorTo(side, b);
                b.interpolate(normal, 0.5f);
                motion.orientation.transformVectorTo(upLocal, up);
                Quaternion turn;
                racing::partialTurn(turn, up, b, 1.0f);
                racing::turnInFront(motion.orientation, turn);
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
    Vector3 a(motion.direction.x, 0.0f, motion.direction.z);
    Vector3 b(nextPoint.x - motion.position.x, 0.0f, nextPoint.z - motion.position.z);
    Quaternion t;
    racing::partialTurn(t, a, b, std::min(3.0f * dt, 1.0f));
    racing::turnInFront(motion.orientation, t);
    float y = t.y, m = std::fabs(y);
    if (m > 0.03f)
        brake(dt);
    else if (m < 0.01f && int(m * 100000.0f) % 100 < 50)
        accelerate(dt);
    steer(y > 0.004f ? 1 : (y < -0.004f ? 0 : 2), 0.1f * dt);
}

void Motorbike::place(float speed, int segment_, float lateralOffset)
{
    const racing::TrackModel& track = *race->model;
    segment = segment_;
    Vector3 f, forward(0.0f, 0.0f, 1.0f);
    motion.orientation.transformVectorTo(forward, f);
    f.y = 0.0f;
    Vector3 d;
    track.direction(segment, d);
    d.normalize();
    d.y = 0.0f;
    Quaternion q;
    racing::partialTurn(q, f, d, 1.0f);
    Matrix4 m;
    m.setFromQuaternion(q);
    Matrix4 product;
    product.setProduct(m, motion.orientation);
    Vector3 up(0.0f, 1.0f, 0.0f), across;
    across.cross(up, d);
    across.normalize();
    Vector3 p(across);
    p.scale(lateralOffset);
    p.add(track.points[size_t(segment)]);
    p.x += 2.0f * lateralOffset * d.x;
    p.y += 2.0f * lateralOffset * d.y;
    p.z += 2.0f * lateralOffset * d.z;
    product.setTranslation(p);
    motion.place(motion.model, speed, product);
}

} // namespace moravel
