// vehicle.cpp -- the motion of a car or truck over its track
#include "racing/tundrel/vehicle.h"

#include "racing/engine/model3d.h"

#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/core/material.h"

#include <algorithm>
#include <cmath>

namespace tundrel {

namespace {
const char16_t* const kWheelNames[4] = {u"flwheel", u"frwheel", u"rlwheel", u"rrwheel"};
constexpr float kTwoPi = 2.0f * 3.1415927f;
constexpr float kGroundTolerance = 0.2f;
}

Vehicle::Vehicle(CarRace* race_, bool isPlayer_) : isPlayer(isPlayer_ ? 1 : 0), race(race_) {}

Vehicle::~Vehicle()
{
    delete basis;
    delete model;
}

void Vehicle::setModel(Group3D* model_, Texture* wheelPictures[3])
{
    model = model_;
    motion.model = model;
    if (!model)
        return;
    body = model->findObject(u"body");
    basis = model->removeObject(u"basis");
    for (int k = 0; k < 4; ++k)
        wheels[k] = model->findObject(kWheelNames[k]);
    bodyMaterial = model->findMaterial(u"body");
    wheelMaterial = model->findMaterial(u"wheel");
    for (int k = 0; k < 3; ++k)
        wheelTextures[k] = wheelPictures[k];
    if (wheelMaterial)
        wheelMaterial->texture = wheelTextures[0];
}

int Vehicle::wheelBlur() const
{
    return std::min(int(std::fabs(motion.speed) * 0.044444446f), 2);
}

void Vehicle::update(float dt)
{
    motion.speed *= std::max(0.0f, 1.0f - 0.12f * dt);
    rev = std::max(0.0f, rev - 0.7f * dt);
    motion.move(dt);
    segment = racing::nextSegment(*race, motion.position, segment, !autopilot);
    if (!isPlayer)
    {
        const bool was = visible != 0;
        visible = racing::inVisibleWindow(*race, segment) ? 1 : 0;
        if (was && !visible)
            fume.hide();
    }
    const racing::TrackModel& track = *race->model;
    const int n = track.segmentCount;
    point.copyFrom(track.points[size_t(segment)]);
    nextPoint.copyFrom(track.points[size_t((segment + 1) % n)]);
    previousPoint.copyFrom(track.points[size_t((segment + n - 1) % n)]);
    if (autopilot && race->running)
        autoDrive(dt);
    followTrack();
    motion.rotate(dt);
    if (!visible)
        return;
    spinWheels(dt);
    if (wheelMaterial)
        wheelMaterial->texture = wheelTextures[wheelBlur()];
    fume.update(dt);
    if (race->hasFume && !motion.falling && motion.speed > 45.0f && model)
        fume.emit(dt, motion.speed, model->matrix, width, height, length, -0.4f);
}

void Vehicle::buildFume(uint32_t colour, TextureDictionary* textures, const std::u16string& folder)
{
    for (int k = racing::ExhaustFume::kPuffs - 1; k >= 0; --k)
        for (int e = 0; e < 2; ++e)
        {
            racing::Chip3D* chip = racing::ExhaustFume::makeChip(1.4f, colour, textures, folder);
            fume.puffs[e][k].setObject(chip, chip->getMaterial());
            puffChips.emplace_back(chip);
        }
}

void Vehicle::followTrack()
{
    if (!autopilot)
    {
        racing::EdgeResult edge = racing::keepOnTrack(*race, motion, point, nextPoint, isPlayer != 0, heading,
                                                      trackDirection);
        offTrack = edge == racing::EdgeResult::OnTrack ? 0 : 1;
        if (offTrack)
            overSpeed = 0;
        if (edge == racing::EdgeResult::Stopped)
            return;
        if (edge == racing::EdgeResult::TurnedBack)
            steerAngle = 0.0f;
    }
    Vector3 normal;
    if (racing::groundUnder(*race, motion, point, groundHeight, normal))
    {
        groundNormal.copyFrom(normal);
        float rideY = 0.6f * height + groundHeight;
        // Down a slope each step ends a hair above the road: the car falls
        // only from higher up (else every other frame would take the keys).
        motion.falling = rideY - motion.position.y < -kGroundTolerance ? 1 : 0;
        if (!motion.falling)
        {
            motion.position.y = rideY;
            if (visible && normal.y > 0.75f)
            {
                // The body leans out of a turn and settles on the ground.
                float t = std::clamp(steerAngle * motion.speed * 0.0033333334f, -0.15f, 0.12f);
                racing::leanOnGround(motion, -t, normal);
            }
        }
    }
    motion.previousPosition.copyFrom(motion.position);
}

void Vehicle::steer(int direction, float dt)
{
    const float rate = race->steerSensitivity;
    if (direction == 2)
    {
        if (std::fabs(steerAngle) >= 0.005f)
            steerAngle *= std::max(0.0f, 1.0f - 75.0f * dt);
        else
            steerAngle = 0.0f;
    }
    else
    {
        // Backwards the wheel turns the car the other way.
        if (motion.speed < 0.0f)
            direction = 1 - direction;
        if (direction == 0)
            steerAngle = std::max(steerAngle - rate * dt, -1.15f);
        else
            steerAngle = std::min(steerAngle + rate * dt, 1.15f);
    }
    motion.setYawRate(!autopilot && std::fabs(motion.speed) > 2.0f ? steerAngle : 0.0f);
}

void Vehicle::accelerate(float dt)
{
    motion.speed = std::min(motion.speed + 50.0f * dt, 90.0f);
    rev = std::min(rev + 5.0f * dt, 6.0f);
    overSpeed = motion.speed * kSpeedToKmh > race->cruiseSpeed ? 1 : 0;
}

void Vehicle::brake(float dt)
{
    motion.speed -= (motion.speed > 0.0f ? 40.0f : 50.0f) * dt;
    motion.speed = std::max(motion.speed, -15.0f);
    rev = std::min(rev + 5.0f * dt, 4.0f);
    overSpeed = 0;
}

void Vehicle::autoDrive(float dt)
{
    float y = racing::turnTowards(motion, nextPoint, dt);
    float m = std::fabs(y);
    if (m > 0.03f)
        brake(dt);
    else if (m < 0.008f && int(m * 100000.0f) % 100 < 50)
        accelerate(dt);
    if (isPlayer)
        steer(y > 0.004f ? 1 : (y < -0.004f ? 0 : 2), 0.1f * dt);
}

void Vehicle::place(float speed_, int segment_)
{
    segment = segment_;
    racing::placeOnTrack(*race->model, motion, segment, 0.0f, speed_);
    overSpeed = 0;
}

void Vehicle::measure()
{
    Vector3 lo, hi;
    if (!body)
        return;
    body->getBounds(lo, hi);
    width = hi.x - lo.x;
    height = hi.y - lo.y;
    length = hi.z - lo.z;
    for (int k = 0; k < 4; ++k)
    {
        if (!wheels[k])
            continue;
        wheels[k]->getBounds(lo, hi);
        wheelCentres[k].set((lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2);
        if (k == 0)
            wheelDiameter = hi.y - lo.y > 0.0f ? hi.y - lo.y : 1.0f;
    }
}

void Vehicle::spinWheels(float dt)
{
    // The wheel turn is the steering change of this step; a step of no time
    // (two frames in one millisecond) keeps the turn last shown.
    if (dt > 0.0f)
    {
        frontTurn = steerAngle / dt * 0.015f;
        if (motion.speed < 0.0f)
            frontTurn = -frontTurn;
    }
    wheelAngle = std::fmod(wheelAngle + (2.0f / wheelDiameter) * motion.speed * dt, kTwoPi);
    if (wheelAngle < 0.0f)
        wheelAngle += kTwoPi;
    for (int k = 0; k < 4; ++k)
        if (wheels[k])
        {
            Matrix4 m;
            wheelTransform(wheelCentres[k], k < 2 ? frontTurn : 0.0f, wheelAngle, m);
            wheels[k]->matrix.copyFrom(m);
        }
}

void Vehicle::wheelTransform(const Vector3& centre, float turn, float angle, Matrix4& out) const
{
    Matrix4 m, r;
    out.setToTranslation(centre);
    if (std::fabs(turn) > 0.0873f)
    {
        r.rotY(turn);
        out.multiply(r);
    }
    r.rotX(angle);
    out.multiply(r);
    m.setToTranslationXYZ(-centre.x, -centre.y, -centre.z);
    out.multiply(m);
    if (motion.falling)
        out.m[7] -= 0.03f * height;
}

} // namespace tundrel
