// entity.cpp -- the pool, its allocators, the active list and the vector helpers
#include "ravenor/game/world/entity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/engine/core/frame_pacing.h"
#include "ravenor/engine/core/log.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/world/stage_state.h"

namespace {

EntityType MakeEmptyType()
{
    EntityType t;
    t.radius = 400;
    t.minX = t.minY = t.minZ = -50;
    t.maxX = t.maxY = t.maxZ = 50;
    t.cameraTurnDivisor = 0;
    return t;
}

Entity* TakeFree(int slot)
{
    Entity* e = &g_entityWorld.pool[slot];
    if (e->update != nullptr)
        return nullptr;
    ResetEntity(e);
    return e;
}

Entity* SearchDown(int from, int to)
{
    for (int slot = from; slot >= to; --slot)
        if (Entity* e = TakeFree(slot))
            return e;
    return nullptr;
}

} // namespace

const EntityType EmptyType = MakeEmptyType();
EntityWorld g_entityWorld;

Entity* AllocEntity()
{
    for (int slot = 0; slot < kEntityCount; ++slot)
        if (Entity* e = TakeFree(slot))
            return e;
    return nullptr;
}

Entity* AllocEntityLogged()
{
    Entity* e = AllocEntity();
    if (e == nullptr)
        Log("");
    return e;
}

// Effects and debris never carry a behaviour of the record's earlier life.
Entity* AllocEffect()
{
    Entity* e = SearchDown(129, 0);
    if (e != nullptr)
        e->behaviour = nullptr;
    return e;
}

Entity* AllocDebris()
{
    Entity* e = SearchDown(99, 0);
    if (e != nullptr)
        e->behaviour = nullptr;
    return e;
}

Entity* AllocAny()
{
    Entity* e = SearchDown(129, 0);
    if (e == nullptr)
        e = SearchDown(kEntityCount - 1, 130);
    if (e != nullptr)
        e->behaviour = nullptr;
    return e;
}

namespace {

// What both resets clear
void ClearLinksAndMotion(Entity* e)
{
    e->update = nullptr;
    e->path = nullptr;
    e->parent = nullptr;
    e->next = nullptr;
    e->model = nullptr;
    e->aiState = e->age = e->hitCount = e->pathIndex = e->rideOffset = 0;
    for (int k = 0; k < 3; ++k)
        e->velocity[k] = e->spin[k] = 0;
    e->touchingPlayer = e->noOcclusionTest = 0;
    e->travelHeading = e->turnStep = e->stuckTimer = e->yawRate = 0;
    e->type = &EmptyType;
}

} // namespace

void ResetEntity(Entity* e)
{
    ClearLinksAndMotion(e);
    e->push[0] = e->push[1] = 0;
    e->airborne = 0;
    e->heading = e->pitch = e->pitchRate = e->roll = e->rollRate = 0;
    e->speed = 0;
}

void ResetForPath(Entity* e)
{
    ClearLinksAndMotion(e);
    e->groundPitch = e->bodyYaw = e->groundRoll = 0;
    e->speed = 100;
}

void MakeInert(Entity* e)
{
    UnlinkActive(e);
    e->update = nullptr;
    e->parent = nullptr;
    e->model = nullptr;
    e->type = &EmptyType;
}

void PushActive(Entity* e)
{
    UnlinkActive(e);
    e->next = g_entityWorld.activeHead;
    g_entityWorld.activeHead = e;
    ++g_entityWorld.activeCount;
}

void UnlinkActive(Entity* e)
{
    if (g_entityWorld.activeHead == nullptr || e == nullptr)
        return;
    if (g_entityWorld.activeHead == e)
    {
        g_entityWorld.activeHead = e->next;
        --g_entityWorld.activeCount;
        return;
    }
    for (Entity* p = g_entityWorld.activeHead; p->next != nullptr; p = p->next)
    {
        if (p->next == e)
        {
            p->next = e->next;
            --g_entityWorld.activeCount;
            return;
        }
    }
}

void SweepEntities()
{
    for (Entity& e : g_entityWorld.pool)
        if (e.update != nullptr)
            e.update(&e);
}

void ResetAllEntities()
{
    for (Entity& e : g_entityWorld.pool)
    {
        ResetEntity(&e);
        e.behaviour = nullptr;
        e.vehicle = nullptr;
    }
    g_entityWorld.activeHead = nullptr;
    g_entityWorld.activeCount = 0;
}

void ClearWorld()
{
    ResetAllEntities();
    g_stage.level.reset();
    StopAllSounds();
}

int32_t SpeedFactor()
{
    return g_speedFactor;
}

int32_t FrameScale(int32_t a)
{
    if (a == 0)
        return 0;
    const int64_t f = g_speedFactor;
    const int64_t q = (f - 256) / a;
    return static_cast<int32_t>((int64_t{a} * f + q) / 256);
}

namespace {

int32_t Square32(int32_t d)
{
    return WrapMul(d, d);
}

} // namespace

int32_t PlanarDistance2(const Entity* a, const Entity* b)
{
    return WrapAdd(Square32((a->Z() - b->Z()) / 32), Square32((a->X() - b->X()) / 32));
}

int32_t Distance2(const Entity* a, const Entity* b)
{
    return WrapAdd(PlanarDistance2(a, b), Square32((a->Y() - b->Y()) / 32));
}

int32_t PointDistance2(const Entity* e, const int32_t p[3])
{
    return WrapAdd(Square32((e->Z() - p[2]) / 32), Square32((e->X() - p[0]) / 32));
}

int32_t PointsDistance2(const int32_t a[3], const int32_t b[3])
{
    return WrapAdd(WrapAdd(Square32((a[2] - b[2]) / 32), Square32((a[0] - b[0]) / 32)), Square32((a[1] - b[1]) / 32));
}

void RotateToWorld(const Orientation* o, const int32_t v[3], int32_t out[3])
{
    if (o == nullptr)
    {
        out[0] = out[1] = out[2] = 0;
        return;
    }
    const int32_t flipped[3] = {-v[0], v[1], v[2]};
    o->RotateVector(flipped, out);
    out[0] = -out[0];
}

void RotateToLocal(const Orientation* o, const int32_t v[3], int32_t out[3])
{
    if (o == nullptr)
    {
        out[0] = out[1] = out[2] = 0;
        return;
    }
    Orientation turned;
    Orientation::Assign(turned, *o);
    turned.Transpose();
    RotateToWorld(&turned, v, out);
}

void ScaleVector(int32_t v[3], int32_t s)
{
    for (int k = 0; k < 3; ++k)
        v[k] = WrapMul(s, v[k]) / 4096;
}

namespace {

void NormalizeTo(int32_t v[3], int32_t shift, bool clamp)
{
    const int32_t limit = 16384;
    while (std::abs(v[0]) > limit || std::abs(v[1]) > limit || std::abs(v[2]) > limit)
        for (int k = 0; k < 3; ++k)
            v[k] /= 2;
    const uint32_t sum = static_cast<uint32_t>(v[0] * v[0]) + static_cast<uint32_t>(v[1] * v[1]) +
                         static_cast<uint32_t>(v[2] * v[2]);
    int32_t n = FixedSqrt(sum);
    if (n == 0)
        n = 1;
    for (int k = 0; k < 3; ++k)
    {
        v[k] = (v[k] << shift) / n;
        if (clamp)
            v[k] = v[k] < -limit ? -limit : v[k] > limit ? limit : v[k];
    }
}

} // namespace

void NormalizeQ14(int32_t v[3])
{
    NormalizeTo(v, 14, true);
}

void NormalizeQ12(int32_t v[3])
{
    NormalizeTo(v, 12, false);
}

void ScaledCopy(const int32_t source[3], int32_t s, int32_t out[3])
{
    for (int k = 0; k < 3; ++k)
        out[k] = source[k];
    ScaleVector(out, s);
}

void SetTypeBounds(EntityType& t, P3dMesh& mesh)
{
    MeshSize size{};
    mesh.GetBounds(size);
    t.radius = size.radius;
    t.minX = size.minX;
    t.maxX = size.maxX;
    t.minZ = size.minZ;
    t.maxZ = size.maxZ;
    t.minY = size.minY;
    t.maxY = size.maxY;
}

int32_t Sine(int32_t angle)
{
    return WaveTable[angle & 0xFFF];
}

int32_t Cosine(int32_t angle)
{
    return WaveTable[(angle + 1024) & 0xFFF];
}

int32_t AngleBetween(int32_t a, int32_t b)
{
    const int32_t d = (a - b) & 0xFFF;
    return d > 2048 ? 4096 - d : d;
}

int32_t SignedAngle(int32_t from, int32_t to)
{
    int32_t d = (to - from) & 0xFFF;
    return d >= 2048 ? d - 4096 : d;
}

namespace {

// The arcsine table: entry s + 4096 is asin(s / 4096) in 4096ths of a
// turn, rounded, and 0 for s in -6..6
std::array<int16_t, 8192> MakeArcSinTable()
{
    std::array<int16_t, 8192> table{};
    for (int i = 0; i < 8192; ++i)
    {
        const int s = i - 4096;
        if (s >= -6 && s <= 6)
            continue;
        table[i] = static_cast<int16_t>(std::lround(std::asin(s / 4096.0) * 2048.0 / M_PI));
    }
    return table;
}

} // namespace

int32_t ArcSin(int32_t sine)
{
    static const std::array<int16_t, 8192> table = MakeArcSinTable();
    // The low 13 bits, signed (-4096..4095), index the table.
    int32_t low = sine & 0x1FFF;
    if (low >= 4096)
        low -= 8192;
    return table[low + 4096];
}

void ApplySpin(Entity* e)
{
    Orientation& o = e->orientation;
    for (int row = 0; row < 3; ++row)
    {
        const int32_t r[3] = {o.m[3 * row], o.m[3 * row + 1], o.m[3 * row + 2]};
        const int32_t* s = e->spin;
        const int32_t c[3] = {s[1] * r[2] - s[2] * r[1], s[2] * r[0] - s[0] * r[2], s[0] * r[1] - s[1] * r[0]};
        for (int k = 0; k < 3; ++k)
            o.m[3 * row + k] = static_cast<int16_t>(std::clamp(r[k] + (c[k] >> 12), -16384, 16384));
    }
    o.Orthonormalize();
}
