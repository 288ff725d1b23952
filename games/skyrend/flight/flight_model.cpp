// flight_model.cpp -- the flight model's step
#include "games/skyrend/flight/flight_model.h"

#include "engine/base/math_utils.h"
#include "engine/base/quaternion.h"
#include "engine/scene/3d/group3d.h"

#include <algorithm>
#include <cmath>

namespace skyrend {

namespace {

constexpr float kRateEpsilon = 0.01f;
constexpr float kPi = 3.14159265f;

// The temporaries of a step: one flight is stepped at a time per process.
Matrix4 turn;

} // namespace

void FlightModel::init(Group3D* model, float startSpeed, float x, float y, float z, float ceilingHeight)
{
    object = model;
    speedPerStep = 4.0f;
    speed = easedSpeed = baseSpeed = startSpeed;
    responseTime = 2.0f;
    rollRate = pitchRate = yawRate = 0.0f;
    position.set(x, y, z);
    previous.set(x, y, z);
    orientation.setToTranslationXYZ(x, y, z);
    ceiling = ceilingHeight;
    level = 80;
    targetSpeed = speedPerStep * 0.0f + baseSpeed;
}

void FlightModel::setLevel(int step)
{
    level = (step < 1 ? 5 : 10) * step + 80;
    targetSpeed = speedPerStep * float(step) + baseSpeed;
}

void FlightModel::stop()
{
    speed = 0.0f;
    forward.set(0.0f, 0.0f, 0.0f);
}

void FlightModel::bodyArc(const Matrix4& o, const Vector3& from, const Vector3& to, float share, Matrix4& out,
                          float* fullAngle)
{
    out.setIdentity();
    if (fullAngle)
        *fullAngle = 0.0f;
    if (from.lengthSquared() < 1e-12f || to.lengthSquared() < 1e-12f)
        return;
    const float angle = from.angle(to);
    if (fullAngle)
        *fullAngle = angle;
    if (angle <= 1e-6f)
        return;
    Vector3 axis;
    if (angle < kPi - 1e-5f)
        axis.cross(from, to);
    else
        axis.set(0.0f, 1.0f, 0.0f);
    // The inverse of a rotation is its transpose.
    const float* m = o.m;
    Vector3 local(m[0] * axis.x + m[4] * axis.y + m[8] * axis.z, m[1] * axis.x + m[5] * axis.y + m[9] * axis.z,
                  m[2] * axis.x + m[6] * axis.y + m[10] * axis.z);
    AxisAngle bodyTurn;
    bodyTurn.set(local, angle * share);
    out.setFromAxisAngle(bodyTurn);
}

void FlightModel::tick(float dt, bool wantAngles)
{
    easedSpeed += std::min(dt / responseTime, 1.0f) * (targetSpeed - easedSpeed);
    const float k = climbSine <= 0.0f ? 0.8f : 0.2f;
    speed = (1.0f - climbSine * k) * easedSpeed;

    const float step = speed * dt;
    Vector3 ahead(0.0f, 0.0f, 1.0f);
    orientation.transformVectorTo(ahead, forward);
    position.x += forward.x * step;
    position.y += forward.y * step;
    position.z += forward.z * step;

    if (gravity)
    {
        if (speed > 0.0f)
            position.y -= std::fabs(bankSine) * dt * 2.0f;
        climbSine = forward.y;
        if (turbulence && climbSine > 0.85f)
        {
            yawRate = randomFloat(-3.0f, 3.0f);
            rollRate = randomFloat(-3.0f, 3.0f);
        }
        if (std::fabs(pitchRate) < kRateEpsilon && climbSine > 0.0f)
        {
            Vector3 lowered = forward;
            lowered.y = std::max(0.0f, lowered.y - lowered.y * dt * 0.5f);
            bodyArc(orientation, forward, lowered, 1.0f, turn);
            orientation.multiply(turn);
        }
        Vector3 right;
        orientation.transformVectorTo(Vector3(1.0f, 0.0f, 0.0f), right);
        bankSine = right.y;
        if (std::fabs(rollRate) < kRateEpsilon && std::fabs(pitchRate) < kRateEpsilon)
        {
            Vector3 levelled = right;
            levelled.y *= 1.0f - dt;
            bodyArc(orientation, right, levelled, 1.0f, turn);
            orientation.multiply(turn);
        }
    }

    if (ceiling > 0.0f && position.y > ceiling)
        position.y -= (position.y - ceiling) * dt;
    orientation.setTranslation(position);

    if (std::fabs(rollRate) > kRateEpsilon)
    {
        turn.setIdentity();
        turn.rotZ(rollRate * dt);
        orientation.multiply(turn);
    }
    if (std::fabs(pitchRate) > kRateEpsilon)
    {
        turn.setIdentity();
        turn.rotX(pitchRate * dt);
        orientation.multiply(turn);
    }
    if (std::fabs(yawRate) > kRateEpsilon)
    {
        turn.setIdentity();
        turn.rotY(yawRate * dt);
        orientation.multiply(turn);
    }

    auto decay = [](float& rate, float amount) {
        if (rate > 0.0f)
            rate = std::max(0.0f, rate - amount);
        else if (rate < 0.0f)
            rate = std::min(0.0f, rate + amount);
    };
    decay(rollRate, dt);
    decay(pitchRate, 0.5f * dt);
    decay(yawRate, 0.5f * dt);

    if (wantAngles)
        computeAngles();
    if (object)
        object->matrix.copyFrom(orientation);
}

void FlightModel::computeAngles()
{
    pitchAngle = std::asin(clampFloat(forward.y, -1.0f, 1.0f));
    const float fx = forward.x, fz = forward.z;
    const float a = std::asin(clampFloat(fx, -1.0f, 1.0f));
    if (fx > 0.0f)
        heading = fz > 0.0f ? a : kPi - a;
    else
        heading = fz > 0.0f ? 2.0f * kPi + a : kPi - a;
    bank = std::asin(clampFloat(bankSine, -1.0f, 1.0f));
    Vector3 up;
    orientation.transformVectorTo(Vector3(0.0f, 1.0f, 0.0f), up);
    if (up.y < 0.0f)
        bank = -bank;
}

} // namespace skyrend
