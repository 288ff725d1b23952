// vehicle.cpp -- the driven car's integer model
#include "ravenor/game/vehicles/vehicle.h"

#include <os/wstring.h>

#include <algorithm>
#include <cstdlib>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/engine/core/log.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/stage_state.h"
#include "ravenor/game/world/vehicle_state.h"

const int32_t GearTable[16] = {0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3};

namespace {

// A wall hit counts for sparks and a crash above this speed.
constexpr int32_t kWallHitSpeed = 100;
constexpr int32_t kWheelFL = 0;
constexpr int32_t kWheelFR = 1;
constexpr int32_t kWheelBL = 2;
constexpr int32_t kWheelBR = 3;

// a x F / 256, truncated toward zero
int32_t PerFrame(int32_t a)
{
    return static_cast<int32_t>(int64_t{a} * SpeedFactor() / 256);
}

// value moved toward 0 by step (step >= 0); 0 when within it
int32_t TowardZero(int32_t value, int32_t step)
{
    if (value > step)
        return value - step;
    if (value < -step)
        return value + step;
    return 0;
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi)
{
    return v < lo ? lo : v > hi ? hi : v;
}

// cos a cos b + sin a sin b in WaveTable units (4096 squared is one)
int64_t Alignment(const Entity* e)
{
    return int64_t{Cosine(e->heading)} * Cosine(e->travelHeading) + int64_t{Sine(e->heading)} * Sine(e->travelHeading);
}

void ClearRequests(VehicleState* s)
{
    s->accelerate = s->brake = s->handbrake = s->extraControl = s->left = s->right = 0;
}

void EaseCamera(const Entity* e)
{
    CameraFollow* c = e->vehicle->camera;
    if (c == nullptr)
        return;
    const int32_t target = e->type->cameraFollowTarget;
    c->value += (target - c->value) / 4;
    if (std::abs(c->value - target) < 4)
        c->value = target;
}

bool IsOnGround(const Entity* e)
{
    return e->groundProbe.height != -1;
}

// Pitch and roll stay within 700 units of level.
void LimitTilt(int32_t& angle, int32_t& rate)
{
    if (angle >= 701 && angle <= 2047)
    {
        angle = 700;
        rate = 0;
    }
    else if (angle >= 2048 && angle <= 3395)
    {
        angle = 3396;
        rate = 0;
    }
}

} // namespace

void ResetDriverState(VehicleState* s)
{
    CameraFollow* camera = s->camera;
    const Behaviour* bound = s->boundBehaviour;
    const void* data = s->data;
    *s = VehicleState{};
    s->camera = camera;
    s->boundBehaviour = bound;
    s->data = data;
}

void SpinWheels(Entity* e)
{
    e->wheelSpin -= PerFrame(std::min(e->speed, 200));
}

void BuildBodyRotation(Entity* e)
{
    e->orientation.SetRotationY(-e->heading / 2);
    e->orientation.RotateX(e->pitch / 2);
    e->orientation.RotateZ(-e->roll / 2);
}

void Accelerate(Entity* e)
{
    VehicleState* s = e->vehicle;
    const EntityType* t = e->type;
    int32_t force = t->gearForce[0];
    if (e->speed >= 1 && t->topSpeed > 0)
        force = t->gearForce[GearTable[Clamp(e->speed * 16 / t->topSpeed, 0, 15)]];
    s->driveForce = force;
    if (e->speed < t->topSpeed)
        e->speed += FrameScale(static_cast<int32_t>(force * Alignment(e) / 16769025));
}

void Brake(Entity* e, int32_t force, int32_t limit)
{
    VehicleState* s = e->vehicle;
    const EntityType* t = e->type;
    if (s->reverseMode == 1)
    {
        e->speed = std::max(e->speed - FrameScale(t->reverseForce), -limit);
        s->driveForce = t->reverseForce;
        s->engineLoad -= PerFrame(t->reverseForce);
        return;
    }
    if (e->speed == 0)
    {
        s->reverseMode = 1;
        return;
    }
    const int32_t d = std::max<int32_t>(1, static_cast<int32_t>(force * Alignment(e) / 16777216));
    const int32_t step = FrameScale(d);
    if (std::abs(e->speed) <= step)
    {
        e->speed = 0;
        s->reverseMode = 1;
    }
    else
    {
        e->speed += e->speed > 0 ? -step : step;
    }
    s->driveForce = -force;
    s->engineLoad -= PerFrame(force);
}

void Handbrake(Entity* e)
{
    e->speed = TowardZero(e->speed, FrameScale(e->type->handbrakeDrag));
    e->vehicle->slide = 128;
}

void Coast(Entity* e, int32_t drag)
{
    e->speed = TowardZero(e->speed, FrameScale(drag));
}

void HeadingDrag(Entity* e)
{
    const int32_t a = AngleBetween(e->heading, e->travelHeading);
    const int64_t loss = int64_t{a} * e->type->headingDrag / 256 * e->speed / -4096;
    e->speed += FrameScale(static_cast<int32_t>(loss));
}

void SteerInput(Entity* e)
{
    VehicleState* s = e->vehicle;
    const EntityType* t = e->type;
    const int32_t step = PerFrame(t->steerRate + 8);
    const int32_t speed = std::abs(e->speed);
    if (s->reverseMode == 1)
    {
        if (s->left)
            e->steer += step;
        if (s->right)
            e->steer -= step;
    }
    else
    {
        // At a stand the yaw rate a knock left behind cannot be divided by
        // the speed: the steering then stays as it is.
        if (s->left)
        {
            if (e->yawRate > -t->steerLimit)
                e->steer -= step;
            else if (speed != 0)
                e->steer = -t->steerLimit * 256 / speed;
        }
        if (s->right)
        {
            if (e->yawRate < t->steerLimit)
                e->steer += step;
            else if (speed != 0)
                e->steer = t->steerLimit * 256 / speed;
        }
    }
    e->steer = Clamp(e->steer, -120, 120);
}

void BehaviourSteer(Entity* e)
{
    int32_t target = 0;
    const bool first = e->controls[0] || e->controls[2];
    const bool second = e->controls[1] || e->controls[3];
    if (e->vehicle->reverseMode == 1)
    {
        if (first)
            target = 30;
        if (second)
            target = -30;
    }
    else
    {
        if (first)
            target = -30;
        if (second)
            target = 30;
    }
    const int32_t step = PerFrame(8);
    if (std::abs(target - e->steer) <= step)
        e->steer = target;
    else
        e->steer += e->steer < target ? step : -step;
}

void WheelTurnStep(Entity* e)
{
    VehicleState* s = e->vehicle;
    int32_t& w = s->wheelTurn;
    if (s->left && !s->stalled)
        w -= PerFrame((w + 500) / 16);
    else if (s->right && !s->stalled)
        w += PerFrame((500 - w) / 16);
    else
        w -= PerFrame(w / 4);
}

void LoadToSprings(Entity* e)
{
    VehicleState* s = e->vehicle;
    const int32_t b = s->lateralLoad * e->type->loadToSprings / 32;
    const int32_t c = -b;
    if (b != 0 && std::abs(c) >= std::abs(s->sideLoad))
    {
        const int32_t k = FrameScale(c);
        s->springSpeed[kWheelFL] += k;
        s->springSpeed[kWheelBL] += k;
        s->springSpeed[kWheelFR] -= k;
        s->springSpeed[kWheelBR] -= k;
    }
    s->sideLoad = c;
    const int32_t g = FrameScale(s->driveForce * 8);
    s->springSpeed[kWheelFL] += g;
    s->springSpeed[kWheelFR] += g;
    s->springSpeed[kWheelBL] -= g;
    s->springSpeed[kWheelBR] -= g;
}

void SteerAndSlide(Entity* e)
{
    VehicleState* s = e->vehicle;
    const EntityType* t = e->type;
    const int32_t f = SpeedFactor();
    // 1. heading
    SteerInput(e);
    e->yawRate = std::abs(e->speed) * e->steer / 256;
    e->heading = (e->heading + PerFrame(e->yawRate)) & 0xFFF;
    // 2. lateral load
    const int64_t demand = int64_t{e->speed} * e->speed * e->yawRate / 65536;
    s->lateralLoad += PerFrame(static_cast<int32_t>((demand - s->lateralLoad) / 2));
    s->lateralLoad = TowardZero(s->lateralLoad, f / 256);
    s->lateralAbs = std::abs(s->lateralLoad);
    const int32_t d = AngleBetween(e->heading, e->travelHeading);
    // 3.
    LoadToSprings(e);
    // 4. traction
    s->traction += (s->driveForce * t->tractionGain / 16 - s->traction) / 2;
    s->traction = TowardZero(s->traction, 1);
    // 5.
    const bool reverseBraking = s->reverseMode == 1 && s->brake;
    const int32_t m = std::max(0, reverseBraking ? s->lateralAbs : s->lateralAbs - t->lateralGrip);
    const int32_t w = FixedSqrt(static_cast<uint32_t>(s->traction * s->traction + m * m));
    // 6. skid
    if (s->skid < w)
    {
        s->skid = std::min(w, 100);
    }
    else
    {
        s->skid -= PerFrame(s->skid / (d / 32 + 1));
        if (s->skid >= 1 && s->skid <= 15)
            s->skid -= f / 256;
    }
    // 7. slide
    s->slide = reverseBraking ? s->skid * 1500 / 2048 : s->skid * t->skidSlide / 2048;
    s->slide = std::max(s->slide, d * d / 36864);
    if (s->handbrake)
    {
        s->skid = 200;
        s->slide = 100;
    }
    // 8. travel direction
    e->turnStep = SignedAngle(e->travelHeading, e->heading) / (s->slide + 1);
    e->travelHeading = (e->travelHeading + PerFrame(e->turnStep)) & 0xFFF;
    if (std::abs(e->speed) < 30)
        e->travelHeading = e->heading;
    // 9. rolling the other way
    const int32_t q = AngleBetween(e->heading, e->travelHeading);
    if ((q > 1400 && !s->accelerate) || q > 1800)
    {
        e->travelHeading = (e->travelHeading - 2048) & 0xFFF;
        e->speed = -e->speed;
        e->turnStep = -e->turnStep;
    }
    // 10. extra turn from sliding
    int32_t n = SignedAngle(e->travelHeading, e->heading);
    if (e->speed < 0)
        n = -n;
    int32_t target = 0;
    if (s->handbrake)
        target = n * 300 / 4096;
    else if (reverseBraking)
        target = n * 100 / 4096;
    else if (s->accelerate)
        target = n * t->slideTurn / 4096;
    if (e->speed >= 1)
        s->yawSlide += FrameScale((target - s->yawSlide) / 8);
    else
        s->yawSlide += FrameScale((target + s->yawSlide) / -8);
    s->yawSlide = TowardZero(s->yawSlide, FrameScale(1));
    e->heading += PerFrame(s->yawSlide);
}

int32_t WheelRay(Entity* e, const int32_t wheel[3], int32_t compression)
{
    VehicleState* s = e->vehicle;
    const int32_t local[3] = {wheel[0], wheel[1] + e->type->rayLift + compression, wheel[2]};
    int32_t o[3];
    RotateToWorld(&e->orientation, local, o);
    const int32_t p[3] = {e->X() + o[0], e->Y() + o[1], e->Z() + o[2]};
    const GroundProbe probe = ProbeGround(p[0], p[2]);
    if (probe.height == -1)
        return kNoGround;
    if (s != nullptr)
        s->lowestWheel = std::max(s->lowestWheel, p[1]);
    if (p[1] < probe.height - 9)
        return kNoContact;
    return probe.height;
}

namespace {

struct SuspensionSums
{
    int32_t greatestDepth = 0;
    bool below = false;
    int32_t pitchSum = 0;
    int32_t rollSum = 0;
};

// A wheel below the ground adds its share to the pitch and roll sums.
void WheelForces(Entity* e, const int32_t wheel[3], GroundProbe& probe, SuspensionSums& sums)
{
    int32_t n[3];
    ProbeNormal(probe, n);
    int32_t nl[3];
    int32_t vl[3];
    RotateToLocal(&e->orientation, n, nl);
    RotateToLocal(&e->orientation, e->velocity, vl);
    const int32_t zSign = wheel[2] < 0 ? -1 : 1;
    const int32_t xSign = wheel[0] < 0 ? -1 : 1;
    auto part = [&](int32_t rate, int32_t sign) {
        const int64_t vy = vl[1] + int64_t{rate} * sign * 4096 / 2000;
        const int64_t dot = (int64_t{nl[0]} * vl[0] + int64_t{nl[1]} * vy + int64_t{nl[2]} * vl[2]) / 4096;
        return std::max<int32_t>(7, static_cast<int32_t>(std::llabs(dot) / 4));
    };
    int32_t a = part(e->pitchRate, zSign);
    const bool upturned = e->pitch >= 1024 && e->pitch <= 3072;
    if (wheel[2] < 0 || (wheel[2] > 0 && upturned))
        a = -a;
    sums.pitchSum = (a + sums.pitchSum) / 2;
    const int32_t b = part(e->rollRate, xSign);
    // A wheel on the left (x < 0) below the ground rolls the body to lift
    // it, one on the right the other way (positive roll lifts the left side).
    if (xSign * nl[1] > 0)
        sums.rollSum += b;
    else
        sums.rollSum -= b;
}

// Half the shortest way toward a target angle
int32_t HalfWayTo(int32_t angle, int32_t target)
{
    return (angle + SignedAngle(angle, target) / 2) & 0xFFF;
}

} // namespace

void Suspension(Entity* e, const int32_t slope[3])
{
    VehicleState* s = e->vehicle;
    const EntityType* t = e->type;
    // 1.
    g_entityWorld.wheelContacts = 0;
    SuspensionSums sums;
    s->lowestWheel = -999999;
    for (int i = 0; i < 4; ++i)
    {
        s->lastContact[i] = s->contact[i];
        s->contact[i] = kNoContact;
    }
    ProbeRefresh(e);
    if (!IsOnGround(e))
    {
        e->rollRate = e->pitchRate = 0;
        s->contacts = 0;
        return;
    }
    const int32_t ground = e->groundProbe.height;
    // 2.
    e->rideOffset = e->Y() - ground;
    // 3. back left, back right, front left, front right
    const int order[4] = {kWheelBL, kWheelBR, kWheelFL, kWheelFR};
    for (int i : order)
    {
        int32_t& compression = s->compression[i];
        int32_t& springSpeed = s->springSpeed[i];
        const int32_t h = WheelRay(e, t->wheel[i], compression);
        // Below the ground: its depth and its forces
        if (h != kNoGround && h != kNoContact)
        {
            const int32_t local[3] = {t->wheel[i][0], t->wheel[i][1] + t->rayLift + compression, t->wheel[i][2]};
            int32_t o[3];
            RotateToWorld(&e->orientation, local, o);
            const int32_t depth = e->Y() + o[1] - h;
            if (depth > 0)
            {
                sums.below = true;
                sums.greatestDepth = std::max(sums.greatestDepth, depth);
                GroundProbe probe = ProbeGround(e->X() + o[0], e->Z() + o[2]);
                WheelForces(e, t->wheel[i], probe, sums);
            }
        }
        if (h == kNoGround || h == kNoContact)
        {
            compression += (70 - compression) / 8;
            continue;
        }
        ++g_entityWorld.wheelContacts;
        s->contact[i] = h;
        if (s->lastContact[i] == kNoContact)
            springSpeed = -30 * compression;
        else
            springSpeed += (h - FrameScale(slope[1]) - s->lastContact[i]) * 64;
        springSpeed -= compression * t->springRate;
        compression += PerFrame(springSpeed / 32);
        springSpeed = springSpeed * t->springDamping / 10;
        if (std::abs(compression) > 70)
        {
            compression = compression > 0 ? 70 : -70;
            springSpeed = 0;
        }
    }
    // 4.
    e->pitchRate = Clamp(e->pitchRate, -250, 250) + sums.pitchSum;
    e->rollRate = Clamp(e->rollRate, -250, 250) + sums.rollSum;
    // 5. out of the ground
    int32_t& y = e->orientation.t[1];
    if (sums.below)
    {
        if (g_entityWorld.wheelContacts < 3)
        {
            const int32_t c = y - sums.greatestDepth + 10;
            if (std::abs(c - y) < std::abs(e->velocity[1]) + 600 && s->lowestWheel > ground - 300)
            {
                const bool rose = c < y;
                y = c;
                if (rose && e->velocity[1] > 150)
                    e->velocity[1] = 150;
            }
            else
            {
                Log("");
            }
        }
        else
        {
            int32_t settled = slope[1];
            if (slope[1] + 50 < e->velocity[1] && e->velocity[1] > PerFrame(6))
                settled += (e->velocity[1] - settled) / 2;
            if (e->velocity[1] + 8 < settled)
            {
                if (std::abs(10 - sums.greatestDepth) < 500)
                    y = y - sums.greatestDepth + 10;
            }
            else
            {
                // A touching diagonal pair gives the height the body rests at.
                int32_t mean = kNoContact;
                if (s->contact[kWheelFL] != kNoContact && s->contact[kWheelBR] != kNoContact)
                    mean = (s->contact[kWheelFL] + s->contact[kWheelBR]) / 2;
                else if (s->contact[kWheelFR] != kNoContact && s->contact[kWheelBL] != kNoContact)
                    mean = (s->contact[kWheelFR] + s->contact[kWheelBL]) / 2;
                int32_t n[3];
                ProbeNormal(e->groundProbe, n);
                int32_t legs = 0;
                for (int i = 0; i < 4; ++i)
                    legs += t->wheel[i][1] + s->compression[i];
                // The body stands above its contacts by its legs along the normal.
                const int32_t target =
                    mean == kNoContact ? y
                                       : mean - (t->rayLift + legs / 4) * std::abs(n[1]) / 4096 + 10;
                if (mean != kNoContact && std::abs(target - y) < std::abs(e->velocity[1]) + 500 &&
                    ground - 200 < mean)
                {
                    y = target;
                    auto slopeAngle = [&](int a, int b, int32_t across) -> int32_t {
                        const int32_t rise = (s->contact[b] - s->contact[a]) + t->wheel[a][1] + s->compression[a] -
                                             t->wheel[b][1] - s->compression[b];
                        return FixedAtan2(rise, across) & 0xFFF;
                    };
                    int32_t pitchTarget = 0;
                    const auto near = [&](int a, int b, int32_t limit) {
                        return s->contact[a] != kNoContact && s->contact[b] != kNoContact &&
                               std::abs(s->contact[a] - s->contact[b]) < limit;
                    };
                    if (near(kWheelFL, kWheelBL, 1000))
                        pitchTarget = slopeAngle(kWheelFL, kWheelBL, t->wheel[kWheelFL][2] - t->wheel[kWheelBL][2]);
                    if (near(kWheelFR, kWheelBR, 1000))
                        pitchTarget = slopeAngle(kWheelFR, kWheelBR, t->wheel[kWheelFR][2] - t->wheel[kWheelBR][2]);
                    int32_t rollTarget = 0;
                    if (near(kWheelBL, kWheelBR, 500))
                        rollTarget = slopeAngle(kWheelBL, kWheelBR, t->wheel[kWheelBR][0] - t->wheel[kWheelBL][0]);
                    if (near(kWheelFL, kWheelFR, 500))
                        rollTarget = slopeAngle(kWheelFL, kWheelFR, t->wheel[kWheelFR][0] - t->wheel[kWheelFL][0]);
                    e->pitch = HalfWayTo(e->pitch, pitchTarget);
                    e->roll = HalfWayTo(e->roll, rollTarget);
                }
                else
                {
                    Log("");
                    y -= e->velocity[1] + 1;
                }
            }
            e->velocity[1] = std::max(settled, -80);
            const auto touching = [&](int i) { return s->contact[i] != kNoContact; };
            if ((touching(kWheelFL) && touching(kWheelFR)) || (touching(kWheelBL) && touching(kWheelBR)))
                e->rollRate = -e->rollRate / 8;
            if ((touching(kWheelFL) && touching(kWheelBL)) || (touching(kWheelFR) && touching(kWheelBR)))
                e->pitchRate = -e->pitchRate / 8;
        }
    }
    // 6.
    if (g_entityWorld.wheelContacts == 0)
        e->speed = TowardZero(e->speed, FrameScale(6));
    else if (g_entityWorld.wheelContacts < 3)
        HeadingDrag(e);
    // 7. pushed out of the ground
    const int32_t a = y + t->maxY - ground - 60;
    if (a > 0 && a < e->velocity[1] + 10)
    {
        y -= a;
        e->rollRate = e->pitchRate = 0;
        g_entityWorld.wheelContacts += 2;
    }
    s->contacts = g_entityWorld.wheelContacts;
}

namespace {

// One box point against walls at the predicted position P; true when it
// counts as hit (P was moved back).
bool ProbePoint(Entity* e, const int32_t c[3], int32_t p[3])
{
    VehicleState* s = e->vehicle;
    int32_t o[3];
    RotateToWorld(&e->orientation, c, o);
    if (!GroundBlocked(e, p[0] + o[0], p[1] + o[1], p[2] + o[2]))
        return false;
    int32_t n[3] = {o[0], o[1], o[2]};
    NormalizeQ14(n);
    for (int32_t& k : n)
        k /= 4;
    const int32_t ground = e->groundProbe.height;
    if (s->lowestWheel > ground - 300 || s->contacts == 0)
    {
        p[0] -= PerFrame(n[0] / 100);
        p[0] -= PerFrame(e->velocity[0] / 2);
        p[2] -= PerFrame(n[2] / 100);
        p[2] -= PerFrame(e->velocity[2] / 2);
        VehicleFrame& frame = s->frame;
        if (e->speed > kWallHitSpeed && frame.wallHits < kWallProbePoints)
        {
            int32_t* q = frame.wallPoints[frame.wallHits++];
            q[0] = p[0] + o[0];
            q[1] = p[1] + o[1];
            q[2] = p[2] + o[2];
        }
        return true;
    }
    e->push[0] -= PerFrame(n[0] / 512);
    e->push[1] -= PerFrame(n[2] / 512);
    return false;
}

// A knock that turns the car one way or the other
void RandomKnock(Entity* e, int32_t yaw, int32_t roll)
{
    const int32_t sign = (os_rand() & 1) ? 1 : -1;
    e->yawRate = sign * yaw;
    e->heading += sign * PerFrame(8);
    e->travelHeading += sign * PerFrame(128);
    e->rollRate = sign * roll;
}

} // namespace

void WallProbe(Entity* e)
{
    const EntityType* t = e->type;
    int32_t p[3];
    for (int k = 0; k < 3; ++k)
        p[k] = e->orientation.t[k] + PerFrame(e->velocity[k]);
    if (IsOnGround(e))
    {
        const int32_t before = e->speed;
        const bool pressing = e == g_entityWorld.player && e->vehicle->accelerate;
        const int32_t back[3] = {0, 0, t->minZ * 7 / 8};
        const int32_t front[3] = {0, 0, t->maxZ * 9 / 8};
        const int32_t middle[3] = {0, t->maxY, 0};
        const int32_t frontLeft[3] = {t->minX, t->maxY, t->maxZ};
        const int32_t frontRight[3] = {t->maxX, t->maxY, t->maxZ};
        const int32_t backLeft[3] = {t->minX, t->maxY, t->minZ};
        const int32_t backRight[3] = {t->maxX, t->maxY, t->minZ};
        ProbePoint(e, middle, p);
        if (ProbePoint(e, back, p))
        {
            e->pitchRate = 12;
            const int32_t d = e->speed;
            if (d > 0)
            {
                e->speed = d / -32;
                RandomKnock(e, PerFrame(6), e->speed * 4 / 200);
            }
        }
        for (int side = 0; side < 2; ++side)
        {
            const int32_t d = e->speed;
            if (d <= 0 || !ProbePoint(e, side == 0 ? frontLeft : frontRight, p))
                continue;
            const int32_t sign = side == 0 ? 1 : -1;
            e->yawRate = side == 0 ? std::max(e->yawRate, 0) + PerFrame(3) : std::min(e->yawRate, 0) - PerFrame(3);
            e->heading += sign * PerFrame(32);
            e->travelHeading += sign * PerFrame(128);
            e->pitchRate = d * 12 / 200;
            e->rollRate = sign * d * 16 / 200;
            e->speed -= FrameScale(pressing ? d / 16 : d / 4);
        }
        if (ProbePoint(e, front, p))
        {
            e->pitchRate = -12;
            const int32_t d = e->speed;
            if (d < 0)
            {
                e->speed = d / -16;
                RandomKnock(e, 6, 4);
            }
        }
        for (int side = 0; side < 2; ++side)
        {
            const int32_t d = e->speed;
            if (d >= 0 || !ProbePoint(e, side == 0 ? backLeft : backRight, p))
                continue;
            const int32_t sign = side == 0 ? -1 : 1;
            e->yawRate = side == 0 ? std::min(e->yawRate, 0) - PerFrame(3) : std::max(e->yawRate, 0) + PerFrame(3);
            e->heading += sign * PerFrame(32);
            e->travelHeading += sign * PerFrame(128);
            e->pitchRate = -d * 12 / 200;
            e->rollRate = -sign * d * 16 / 200;
            e->speed -= FrameScale(d / 16);
        }
        const int32_t change = std::abs(before - e->speed);
        if (change > 0)
        {
            e->velocity[1] = Clamp(e->velocity[1] - before / 16, -20, 10);
            // A wall hit shakes the player's camera.
            if (e == g_entityWorld.player)
            {
                const int32_t angle = (e->heading - 32 * e->yawRate) & 0xFFF;
                const int32_t amount = std::min(change, 120);
                VehicleFrame& frame = e->vehicle->frame;
                frame.shaken = true;
                frame.shake[0] = amount * WaveTable[angle] / 2048;
                frame.shake[1] = 0;
                frame.shake[2] = amount * WaveTable[(angle + 1024) & 0xFFF] / 2048;
            }
        }
    }
    GroundProbe probe = ProbeGround(p[0], p[2]);
    if (probe.height == -1)
    {
        e->speed = 0;
        e->push[0] = e->push[1] = 0;
        ProbeRefresh(e);
        return;
    }
    if (!IsWallAt(e, probe))
    {
        e->orientation.t[0] = p[0];
        e->orientation.t[2] = p[2];
        e->groundProbe = probe;
        e->probeFrame = GroundFrame();
    }
}

void VehicleBodyStep(Entity* e)
{
    VehicleState* s = e->vehicle;
    // 1. velocity along the ground
    int32_t n[3];
    ProbeNormal(e->groundProbe, n);
    Orientation ground;
    ground.SetRotationX(-ArcSin(n[2]) / 2);
    ground.RotateZ(ArcSin(n[0]) / 2);
    ground.RotateY(-e->travelHeading / 2);
    const int32_t forward[3] = {0, 0, e->speed};
    int32_t slope[3];
    RotateToWorld(&ground, forward, slope);
    // 2., 3.
    e->velocity[0] = e->push[0] + slope[0];
    e->velocity[2] = e->push[1] + slope[2];
    if (IsOnGround(e))
        e->velocity[1] += FrameScale(e->type->gravity);
    // 4., 5.
    WallProbe(e);
    if (IsOnGround(e))
        e->orientation.t[1] += PerFrame(e->velocity[1]);
    // 6.
    Suspension(e, slope);
    // 7. in the air, or touching down
    if (g_entityWorld.wheelContacts == 0)
    {
        s->inAir = 1;
        s->frame.inAir = true;
        e->pitchRate = std::max(e->pitchRate - FrameScale(1), -20);
    }
    else
    {
        if (s->inAir == 1)
        {
            s->frame.touchedDown = true;
            s->frame.landingLevel = e->velocity[1];
        }
        s->inAir = 0;
    }
    // 8. the shove dies away
    for (int32_t& push : e->push)
    {
        push -= push / 8;
        if (push >= -7 && push <= 7)
            push = 0;
    }
}

void DriveVehicle(Entity* e)
{
    VehicleState* s = e->vehicle;
    const EntityType* t = e->type;
    s->frame = VehicleFrame{};
    // 1.
    e->wheelSpin -= std::min(e->speed, 200);
    // 2. what the player's engine sounds like: the car before its step
    if (e == g_entityWorld.player)
    {
        s->frame.engine = true;
        s->frame.engineSpeed = e->speed;
        s->frame.engineThrottle = s->accelerate != 0;
    }
    // 3. controls
    if (g_stage.controlsLive)
    {
        if (e != g_entityWorld.player)
        {
            ClearRequests(s);
            EaseCamera(e);
            return;
        }
        if (s->locked == 1)
        {
            ClearRequests(s);
        }
        else
        {
            s->accelerate = g_stage.controls.accelerate;
            s->brake = g_stage.controls.brake;
            s->handbrake = g_stage.controls.handbrake;
            s->left = g_stage.controls.left;
            s->right = g_stage.controls.right;
            s->extraControl = 0;
        }
        EaseCamera(e);
        s->locked = 0;
    }
    else
    {
        ClearRequests(s);
    }
    // 4.
    s->driveForce = 0;
    WheelTurnStep(e);
    BehaviourSteer(e);
    // 5., 6.
    if (g_entityWorld.wheelContacts < 3)
    {
        e->heading = (e->heading + PerFrame(e->yawRate)) & 0xFFF;
    }
    else
    {
        s->frame.skid = SampleOf(e);
        const bool finishing = g_stage.state == kStageFinishing;
        if (s->handbrake && !s->stalled)
        {
            Handbrake(e);
        }
        else if (s->brake && !s->stalled)
        {
            Brake(e, t->brakeForce, t->reverseLimit);
        }
        else if (!s->accelerate || s->stalled || finishing)
        {
            if (e->speed < 0 && !s->left && !s->right)
                s->reverseMode = 1;
            Coast(e, t->coastDrag);
        }
        else
        {
            e->wheelSpin += 400;
            Accelerate(e);
            s->reverseMode = 0;
        }
        s->frame.reverseLights = t->reverseLights == 1 && s->reverseMode == 1;
        HeadingDrag(e);
        SteerAndSlide(e);
    }
    // 7.
    VehicleBodyStep(e);
    // 8.
    e->pitch = (e->pitch + PerFrame(e->pitchRate)) & 0xFFF;
    e->roll = (e->roll + PerFrame(e->rollRate)) & 0xFFF;
    LimitTilt(e->pitch, e->pitchRate);
    LimitTilt(e->roll, e->rollRate);
    // 9.
    BuildBodyRotation(e);
}

