// particles.cpp -- skid streaks, tyre smoke, sparks and debris
#include "ravenor/game/effects/particles.h"

#include <os/windows.h>
#include <os/wstring.h>

#include <algorithm>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/engine/core/frame_pacing.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/effects/effect_classes.h"
#include "ravenor/game/effects/effects.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/vehicle_state.h"

namespace {

// The skid loop keeps playing this many frames after the slide ends.
constexpr int32_t kSkidHold = 4;
// A wheel lays a streak piece once it is more than 130 from its last point.
constexpr int64_t kSkidStep2 = 130 * 130;
// Smoke puffs start above the wheel's point.
constexpr int32_t kSmokeRise = 120;
// Sparks and debris end once they fall faster than this.
constexpr int32_t kFallLimit = 200;

int32_t g_skidCounter = 0;
int32_t g_lastPoint[2][3] = {};

// Three random values: (rand & 255) - 127, -(rand & 255), (rand & 255) - 127,
// scaled to 4096
void RandomDirection(int32_t r[3])
{
    r[0] = (os_rand() & 255) - 127;
    r[1] = -(os_rand() & 255);
    r[2] = (os_rand() & 255) - 127;
    NormalizeQ12(r);
}

// A spark or debris piece on its way: random spin, the ground under it,
// the debris class's model
void Launch(Entity* piece)
{
    for (int32_t& s : piece->spin)
        s = os_rand() & 2047;
    piece->vehicle = nullptr;
    piece->parentUpdate = nullptr;
    ProbeRefresh(piece);
    DebrisHandler(piece, kMsgCreate);
    piece->update = DebrisStep;
}

void Move(Entity* e)
{
    for (int k = 0; k < 3; ++k)
        e->orientation.t[k] += static_cast<int32_t>(int64_t{e->velocity[k]} * SpeedFactor() / 256);
}

// The ground's tilt under a probe into the entity's pitch and roll
void TiltTo(Entity* e, GroundProbe& probe)
{
    int32_t n[3];
    ProbeNormal(probe, n);
    e->groundRoll = -ArcSin(n[0]);
    e->groundPitch = ArcSin(n[2]);
}

} // namespace

void ResetParticles()
{
    g_skidCounter = 0;
    for (auto& point : g_lastPoint)
        point[0] = point[1] = point[2] = 0;
}

void SkidEffects(const SkidSample& at, const int32_t leftWheel[3], const int32_t rightWheel[3])
{
    if (at.car == nullptr)
        return;
    if (at.slide - 4 <= 0 || at.speed <= 10)
    {
        if (g_skidCounter > 0 && --g_skidCounter == 0)
            StopSkid();
        return;
    }
    StartSkid();
    g_skidCounter = kSkidHold;
    const int32_t level = (at.slide - 4) * 16;
    const int32_t* wheels[2] = {leftWheel, rightWheel};
    for (int w = 0; w < 2; ++w)
    {
        const int32_t* p = wheels[w];
        if (GetTickCount() % 22 < LastFrameElapsed())
            PuffSmoke(at, p[0], p[1] - kSmokeRise, p[2]);
        LaySkid(at, p, g_lastPoint[w], level);
    }
}

void LaySkid(const SkidSample& at, const int32_t offset[3], int32_t last[3], int32_t level)
{
    if (at.car == nullptr || at.car != g_entityWorld.player)
        return;
    const int32_t f = SpeedFactor();
    int32_t w[3];
    RotateToWorld(&at.orientation, offset, w);
    for (int k = 0; k < 3; ++k)
        w[k] += at.orientation.t[k];
    w[0] += static_cast<int32_t>(int64_t{at.velocity[0]} * f / 256);
    w[2] += static_cast<int32_t>(int64_t{at.velocity[2]} * f / 256);
    const int64_t dx = int64_t{w[0]} - last[0];
    const int64_t dz = int64_t{w[2]} - last[2];
    const int64_t d2 = dx * dx + dz * dz;
    if (d2 <= kSkidStep2)
        return;
    Entity* piece = AllocEffect();
    if (piece != nullptr)
    {
        int32_t* place = piece->orientation.t;
        if (d2 < int64_t{f} * 640000 / 256)
        {
            place[0] = static_cast<int32_t>((int64_t{w[0]} + last[0]) / 2);
            place[2] = static_cast<int32_t>((int64_t{w[2]} + last[2]) / 2);
            piece->heading = FixedAtan2(static_cast<int32_t>(dx), static_cast<int32_t>(dz)) & 0xFFF;
        }
        else
        {
            place[0] = w[0];
            place[2] = w[2];
            piece->heading = at.travelHeading;
        }
        GroundProbe probe = ProbeGround(place[0], place[2]);
        if (probe.height != -1)
        {
            place[1] = probe.height - 3;
        }
        else
        {
            place[1] = at.orientation.t[1] - 3;
            probe = at.probe;
        }
        SkidMarkHandler(piece, kMsgCreate);
        piece->update = SkidFade;
        piece->noOcclusionTest = 1;
        piece->glow[3] = 250;
        piece->handlerData1 = std::min(level, 255);
        for (int k = 0; k < 3; ++k)
            piece->glow[k] = piece->handlerData1;
        if (probe.height != -1 && probe.triangle != nullptr)
            TiltTo(piece, probe);
        BuildGroundRotation(piece);
        piece->visible = 1;
        Vector4s length = piece->orientation.GetRow(2);
        if (d2 < int64_t{f} * 160000 / 256)
            length.Scale(FixedSqrt(static_cast<uint32_t>(d2)) * 40);
        else
            length.Scale(f * 64);
        piece->orientation.SetRow(2, length);
    }
    for (int k = 0; k < 3; ++k)
        last[k] = w[k];
}

void SkidFade(Entity* piece)
{
    if (!piece->visible)
    {
        MakeInert(piece);
        return;
    }
    piece->handlerData1 -= SpeedFactor() / 256;
    for (int k = 0; k < 3; ++k)
        piece->glow[k] = piece->handlerData1;
}

void PuffSmoke(const SkidSample& at, int32_t x, int32_t y, int32_t z)
{
    Entity* puff = AllocDebris();
    if (puff == nullptr)
        return;
    const int32_t local[3] = {x, y, z};
    int32_t offset[3];
    RotateToWorld(&at.orientation, local, offset);
    for (int k = 0; k < 3; ++k)
        puff->orientation.t[k] = at.orientation.t[k] + offset[k];
    TyreSmokeHandler(puff, kMsgCreate);
    puff->update = SmokeStep;
    puff->age = 0;
    puff->velocity[0] = (os_rand() & 15) + at.velocity[0] / 2 - 7;
    puff->velocity[1] = -20 + (os_rand() & 3);
    puff->velocity[2] = (os_rand() & 15) + at.velocity[2] / 2 - 7;
    FaceCamera(puff);
}

void SmokeStep(Entity* puff)
{
    if ((g_shell.frameCounter & 3) == 0)
        ++puff->age;
    const P3dModel* model = puff->model;
    int32_t frames = 0;
    if (model != nullptr && !model->meshes.empty() && !model->meshes[0].faces.empty() &&
        model->meshes[0].faces[0].texture != nullptr)
        frames = static_cast<int32_t>(model->meshes[0].faces[0].texture->frameCount);
    if (puff->age >= frames)
    {
        MakeInert(puff);
        return;
    }
    Move(puff);
    FaceCamera(puff);
}

void ThrowSpark(const Entity* source, const int32_t point[3])
{
    Entity* spark = AllocDebris();
    if (spark == nullptr)
        return;
    for (int k = 0; k < 3; ++k)
        spark->orientation.t[k] = point[k];
    int32_t r[3];
    RandomDirection(r);
    spark->velocity[0] = r[0] * 50 / 4096 + source->velocity[0] / 2;
    spark->velocity[1] = r[1] * 64 / 4096 - 15;
    spark->velocity[2] = r[2] * 50 / 4096 + source->velocity[2] / 2;
    Launch(spark);
}

void ThrowDebris(const Entity* source, const int32_t offset[3])
{
    Entity* piece = AllocDebris();
    if (piece == nullptr)
        return;
    int32_t o[3];
    RotateToWorld(&source->orientation, offset, o);
    for (int k = 0; k < 3; ++k)
        piece->orientation.t[k] = source->orientation.t[k] + o[k] / 2;
    int32_t r[3];
    RandomDirection(r);
    piece->velocity[0] = r[0] * 64 / 4096 + source->velocity[0] / 2 - o[0] / 64;
    piece->velocity[1] = r[1] * 64 / 4096 + source->velocity[1] / 2 - 15;
    piece->velocity[2] = r[2] * 64 / 4096 + source->velocity[2] / 2 - o[2] / 64;
    Launch(piece);
}

void DebrisStep(Entity* piece)
{
    if (piece->visible)
        ApplySpin(piece);
    if (piece->velocity[1] > kFallLimit)
    {
        MakeInert(piece);
        return;
    }
    piece->velocity[1] += FrameScale(5);
    Move(piece);
}

void AlignToVelocity(Entity* e)
{
    const int32_t* v = e->velocity;
    if (v[0] == 0 && v[1] == 0 && v[2] == 0)
        return;
    // Velocities fit 16 bits once halved far enough.
    int32_t back[3] = {-v[0], -v[1], -v[2]};
    while (std::abs(back[0]) > 16383 || std::abs(back[1]) > 16383 || std::abs(back[2]) > 16383)
        for (int32_t& c : back)
            c /= 2;
    Vector4s row0{static_cast<int16_t>(back[0]), static_cast<int16_t>(back[1]), static_cast<int16_t>(back[2]), 0};
    row0.Normalize();
    // The world's up: y points down.
    const Vector4s up{0, -16384, 0, 0};
    Vector4s row2;
    Vector4s::Cross(row0, up, row2);
    if (row2.x == 0 && row2.y == 0 && row2.z == 0)
        return; // straight up or down: no heading to align to
    row2.Normalize();
    Vector4s row1;
    Vector4s::Cross(row2, row0, row1);
    row1.Normalize();
    e->orientation.SetRow(0, row0);
    e->orientation.SetRow(1, row1);
    e->orientation.SetRow(2, row2);
}
