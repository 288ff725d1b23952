// collision.cpp -- box touches, momentum exchange and pushes
#include "ravenor/game/world/collision.h"

#include <os/windows.h>

#include <algorithm>
#include <cstdlib>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/level.h"
#include "ravenor/game/world/vehicle_state.h"

namespace {

int32_t Clamp(int64_t v, int32_t low, int32_t high)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, low, high));
}

// The unit vector (Q12) from a to b in the ground plane
void GroundNormal(const Entity* a, const Entity* b, int32_t n[3])
{
    n[0] = b->X() - a->X();
    n[1] = 0;
    n[2] = b->Z() - a->Z();
    if (n[0] == 0 && n[2] == 0)
    {
        n[2] = 4096;
        return;
    }
    // Keep the squares within 32 bits, and short vectors long enough for
    // a precise square root, before normalising.
    while (std::abs(n[0]) > 30000 || std::abs(n[2]) > 30000)
    {
        n[0] /= 2;
        n[2] /= 2;
    }
    while (std::abs(n[0]) < 8192 && std::abs(n[2]) < 8192)
    {
        n[0] *= 2;
        n[2] *= 2;
    }
    NormalizeQ12(n);
}

int32_t NormalSpeed(const Entity* e, const int32_t n[3])
{
    return static_cast<int32_t>((int64_t{e->velocity[0]} * n[0] + int64_t{e->velocity[2]} * n[2]) / 4096);
}

// The velocity's part along n replaced by speed (x and z)
void SetNormalSpeed(Entity* e, const int32_t n[3], int32_t oldNormal, int32_t speed)
{
    for (int k : {0, 2})
        e->velocity[k] = static_cast<int32_t>(e->velocity[k] - int64_t{n[k]} * oldNormal / 4096 +
                                              int64_t{n[k]} * speed / 4096);
}

void Corners(const Entity* e, int32_t corners[8][3])
{
    const EntityType* t = e->type;
    for (int i = 0; i < 8; ++i)
    {
        corners[i][0] = (i & 1) ? t->maxX : t->minX;
        corners[i][1] = (i & 2) ? t->maxY : t->minY;
        corners[i][2] = (i & 4) ? t->maxZ : t->minZ;
    }
}

// A point of owner's frame in other's frame
void OwnerToOther(const Entity* owner, const Entity* other, const int32_t local[3], int32_t out[3])
{
    int32_t world[3];
    RotateToWorld(&owner->orientation, local, world);
    for (int k = 0; k < 3; ++k)
        world[k] += owner->orientation.t[k] - other->orientation.t[k];
    RotateToLocal(&other->orientation, world, out);
}

void ToWorld(const Entity* owner, const int32_t local[3], int32_t out[3])
{
    RotateToWorld(&owner->orientation, local, out);
    for (int k = 0; k < 3; ++k)
        out[k] += owner->orientation.t[k];
}

bool StrictlyInside(const EntityType* t, const int32_t v[3])
{
    return t->minX < v[0] && v[0] < t->maxX && t->minY < v[1] && v[1] < t->maxY && t->minZ < v[2] && v[2] < t->maxZ;
}

// Corners of b inside a's box, in world units
bool CornerTest(const Entity* a, const Entity* b, int32_t contact[3])
{
    int32_t corners[8][3];
    Corners(b, corners);
    for (const auto& corner : corners)
    {
        int32_t local[3];
        OwnerToOther(b, a, corner, local);
        if (StrictlyInside(a->type, local))
        {
            ToWorld(b, corner, contact);
            return true;
        }
    }
    return false;
}

// Edges of b clipped against a's box; the contact back in the world by a
bool EdgeTest(const Entity* a, const Entity* b, int32_t contact[3])
{
    static const int kEdges[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
                                      {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
    int32_t corners[8][3];
    Corners(b, corners);
    int32_t inA[8][3];
    for (int i = 0; i < 8; ++i)
        OwnerToOther(b, a, corners[i], inA[i]);
    const EntityType* t = a->type;
    const int32_t boxMin[3] = {t->minX, t->minY, t->minZ};
    const int32_t boxMax[3] = {t->maxX, t->maxY, t->maxZ};
    for (const auto& edge : kEdges)
    {
        int32_t point[3];
        if (SlabClip(inA[edge[0]], inA[edge[1]], boxMin, boxMax, point))
        {
            ToWorld(a, point, contact);
            return true;
        }
    }
    return false;
}

// Shared part of PushOut and PushApart: the distance term from b's box
int32_t BoxNearness(const Entity* a, const Entity* b)
{
    const int32_t offset[3] = {a->X() - b->X(), a->Y() - b->Y(), a->Z() - b->Z()};
    int32_t local[3];
    RotateToLocal(&b->orientation, offset, local);
    const int32_t c = local[2] - (b->type->minZ + b->type->maxZ) / 2;
    const int32_t x = local[0] - (b->type->minX + b->type->maxX) / 2;
    return 30000 / (std::abs(c) + std::abs(x) + 1);
}

// a moved by l away from b when there is ground where it lands
void MoveAway(Entity* a, const Entity* b, int32_t l)
{
    const int32_t x = a->X() + (a->X() >= b->X() ? l : -l);
    const int32_t z = a->Z() + (a->Z() >= b->Z() ? l : -l);
    if (ProbeGround(x, z).height == -1)
        return;
    a->orientation.t[0] = x;
    a->orientation.t[2] = z;
}

// b's spin grows by (r x J) / radius, r from the contact to b's centre and
// J the impulse n x j / mass (n multiplied before the division, so that
// light impulses are not lost); zSign -1 takes the z part away instead of
// adding it.
void AddSpin(Entity* b, const int32_t contact[3], const int32_t n[3], int64_t j, int64_t mass, int zSign)
{
    if (b->type->radius == 0)
        return;
    const int64_t r[3] = {int64_t{b->X()} - contact[0], int64_t{b->Y()} - contact[1], int64_t{b->Z()} - contact[2]};
    const int64_t jv[3] = {n[0] * j / mass, 0, n[2] * j / mass};
    b->spin[0] += static_cast<int32_t>((r[1] * jv[2] - r[2] * jv[1]) / b->type->radius);
    b->spin[1] += static_cast<int32_t>((r[2] * jv[0] - r[0] * jv[2]) / b->type->radius);
    b->spin[2] += static_cast<int32_t>(zSign * (r[0] * jv[1] - r[1] * jv[0]) / b->type->radius);
}

} // namespace

bool BoundsMeet(const Entity* a, const Entity* b)
{
    const int32_t ra = a->type->radius / 16;
    const int32_t rb = b->type->radius / 16;
    return int64_t{PlanarDistance2(a, b)} <= int64_t{rb} * rb + int64_t{ra} * ra;
}

bool SlabUpdate(float p, float q, float& tEnter, float& tExit)
{
    if (p < 0)
    {
        const float r = q / p;
        if (r > tExit)
            return false;
        if (r > tEnter)
            tEnter = r;
    }
    else if (p > 0)
    {
        const float r = q / p;
        if (r < tEnter)
            return false;
        if (r < tExit)
            tExit = r;
    }
    else if (q < 0)
    {
        return false;
    }
    return true;
}

bool SlabClip(const int32_t p0[3], const int32_t p1[3], const int32_t boxMin[3], const int32_t boxMax[3],
              int32_t out[3])
{
    float tEnter = 0.0f;
    float tExit = 1.0f;
    for (int k = 0; k < 3; ++k)
    {
        if (!SlabUpdate(static_cast<float>(p0[k] - p1[k]), static_cast<float>(p0[k] - boxMin[k]), tEnter, tExit))
            return false;
        if (!SlabUpdate(static_cast<float>(p1[k] - p0[k]), static_cast<float>(boxMax[k] - p0[k]), tEnter, tExit))
            return false;
    }
    const float t = tExit < 1.0f ? tExit : tEnter > 0.0f ? tEnter : 0.0f;
    for (int k = 0; k < 3; ++k)
        out[k] = p0[k] + static_cast<int32_t>(static_cast<float>(p1[k] - p0[k]) * t);
    return true;
}

bool BoxesTouch(const Entity* a, const Entity* b, int32_t contact[3])
{
    if (a == nullptr || b == nullptr || a == b)
        return false;
    if (!BoundsMeet(a, b))
        return false;
    return CornerTest(a, b, contact) || CornerTest(b, a, contact) || EdgeTest(a, b, contact) ||
           EdgeTest(b, a, contact);
}

int32_t ResolveCarHit(Entity* a, Entity* b, int32_t bias, const int32_t contact[3])
{
    const int64_t ma = a->type->mass;
    const int64_t mb = b->type->mass;
    if (ma + mb <= 0)
        return 0;
    int32_t n[3];
    GroundNormal(a, b, n);
    const int32_t va = NormalSpeed(a, n);
    const int32_t vb = NormalSpeed(b, n);
    if (vb >= va)
        return va - vb;
    if (a == g_entityWorld.player)
    {
        const int32_t e = static_cast<int32_t>((vb * mb + 2 * ma * va) / (2 * ma + mb));
        SetNormalSpeed(a, n, va, e);
        const int32_t s = WaveTable[a->travelHeading & 0xFFF];
        const int32_t c = WaveTable[(a->travelHeading + 1024) & 0xFFF];
        const int32_t along = static_cast<int32_t>((int64_t{a->velocity[0]} * s + int64_t{a->velocity[2]} * c) / 4096);
        if (along < -20 || along > 20)
            a->speed = along;
        const int64_t across = (int64_t{a->velocity[0]} * c - int64_t{a->velocity[2]} * s) / 4096;
        const int64_t impulse = std::llabs(across * mb / (ma + mb)) / 4096;
        a->push[0] -= static_cast<int32_t>(n[0] * impulse / 4096);
        a->push[1] -= static_cast<int32_t>(n[2] * impulse / 4096);
    }
    const int32_t closing = va - vb;
    const int32_t cNew =
        static_cast<int32_t>((vb * mb + ma * va - bias) / (ma + mb) + (ma * closing * 500 / (ma + mb)) / 4096);
    SetNormalSpeed(b, n, vb, cNew);
    b->velocity[1] = cNew / -6;
    // Spin on b about the contact
    int32_t h = closing;
    if (h > 0 && h < 100)
        h = 100;
    const int64_t j = int64_t{h} * ma / 512;
    AddSpin(b, contact, n, j, ma + mb, -1);
    if (ma > 0)
    {
        int32_t localN[3];
        RotateToLocal(&a->orientation, n, localN);
        a->pitchRate = Clamp(int64_t{vb - va} * (b->Z() - contact[2]) * mb / (-ma * 32768), -30, 30);
        a->rollRate = Clamp(int64_t{vb - va} * localN[0] * mb / (ma * 32768), -30, 30);
    }
    return closing;
}

int32_t ResolvePlayerHit(Entity* a, Entity* b, const int32_t contact[3])
{
    const int64_t ma = a->type->mass;
    const int64_t mb = b->type->mass;
    if (ma + mb <= 0)
        return 0;
    int32_t n[3];
    GroundNormal(a, b, n);
    const int32_t va = NormalSpeed(a, n);
    const int32_t vb = NormalSpeed(b, n);
    if (vb >= va)
        return 0;
    const int32_t closing = va - vb;
    if (mb > 0)
    {
        const int64_t s = (int64_t{b->X()} - a->X()) * a->velocity[2] + (int64_t{b->Y()} - a->Y()) * a->velocity[1] +
                          (int64_t{a->Z()} - b->Z()) * a->velocity[0];
        b->yawRate = Clamp(s * std::max<int64_t>(900, closing * ma) / (mb * 262144), -150, 150);
    }
    const int32_t r = static_cast<int32_t>((mb * vb + ma * va) / (ma + mb) + (ma * closing * 4000 / (ma + mb)) / 4096);
    SetNormalSpeed(b, n, vb, r);
    if (r > 0)
    {
        b->push[0] = n[0] * r / 4096;
        b->push[1] = n[2] * r / 4096;
    }
    AddSpin(b, contact, n, int64_t{closing < 100 ? 100 : closing} * ma / 64, ma + mb, 1);
    return static_cast<int32_t>(mb * closing / (ma + mb));
}

void SpinImpulse(Entity* a, const Entity* b)
{
    const int64_t ma = a->type->mass;
    const int64_t mb = b->type->mass;
    if (a->speed - b->speed < 1 || ma + mb <= 0)
        return;
    const int64_t k = (a->speed - b->speed) * ma * 3000 / (ma + mb);
    const int64_t s = (int64_t{b->X()} - a->X()) * a->velocity[2] + int64_t{a->velocity[1]} * (b->Y() - a->Y()) +
                      (int64_t{a->Z()} - b->Z()) * a->velocity[0];
    const_cast<Entity*>(b)->yawRate = static_cast<int32_t>(s < 0 ? -k / 2048 : k / 2048);
}

void PushOut(Entity* a, const Entity* b)
{
    const int64_t ma = a->type->mass;
    const int64_t mb = b->type->mass;
    if (ma + mb <= 0)
        return;
    const int32_t d = BoxNearness(a, b);
    MoveAway(a, b, static_cast<int32_t>(mb * (std::abs(a->speed / 32) + std::min(d, 500)) / (ma + mb)));
}

void PushApart(Entity* a, const Entity* b)
{
    MoveAway(a, b, std::abs(a->speed / 32) + std::min(BoxNearness(a, b), 500));
}

namespace {

// Contacts with the player are counted for records of this mode, one in 45 frames at most.
constexpr int32_t kModeCountsHits = 95;
constexpr uint32_t kHitCountFrames = 45;
struct HitStamp
{
    bool counted = false;
    uint32_t frame = 0;
};
HitStamp g_hitStamps[kEntityCount];

void CountHit(Entity* e)
{
    if (e->behaviour == nullptr || e->behaviour->mode != kModeCountsHits)
        return;
    const ptrdiff_t slot = e - g_entityWorld.pool;
    if (slot < 0 || slot >= kEntityCount)
        return;
    HitStamp& stamp = g_hitStamps[slot];
    if (stamp.counted && g_shell.frameCounter - stamp.frame < kHitCountFrames)
        return;
    stamp.counted = true;
    stamp.frame = g_shell.frameCounter;
    ++e->hitCount;
}

} // namespace

bool HitByPlayer(Entity* e, int32_t contact[3])
{
    Entity* p = g_entityWorld.player;
    if (p == nullptr || p == e || !BoxesTouch(e, p, contact))
        return false;
    const int64_t mp = p->type->mass;
    const int64_t me = e->type->mass;
    if (mp + me <= 0)
    {
        CountHit(e);
        return true;
    }
    int32_t n[3];
    GroundNormal(p, e, n);
    const int32_t u = NormalSpeed(p, n);
    const int32_t v = NormalSpeed(e, n);
    const int32_t w = static_cast<int32_t>((mp * u + me * v) / (mp + me));
    SetNormalSpeed(p, n, u, w);
    const int32_t s = WaveTable[p->heading & 0xFFF];
    const int32_t c = WaveTable[(p->heading + 1024) & 0xFFF];
    p->speed = static_cast<int32_t>((int64_t{p->velocity[0]} * s + int64_t{p->velocity[2]} * c) / 4096);
    const int64_t across = (int64_t{p->velocity[0]} * c - int64_t{p->velocity[2]} * s) / 4096;
    const int64_t b = std::llabs(across * me / (mp + me)) / 4096;
    p->push[0] = Clamp(p->push[0] - n[0] * b / 4096, -170, 170);
    p->push[1] = Clamp(p->push[1] - n[2] * b / 4096, -170, 170);
    const int64_t f2 = (int64_t{v} * me + int64_t{u} * mp) / (mp + me) + ((int64_t{u} - v) * mp * 4096 / (mp + me)) / 4096;
    if (f2 > 0)
    {
        e->push[0] = static_cast<int32_t>(n[0] * f2 / 4096);
        e->push[1] = static_cast<int32_t>(n[2] * f2 / 4096);
    }
    SpinImpulse(p, e);
    CountHit(e);
    return true;
}

bool CarShovesBody(Entity* a, Entity* b)
{
    int32_t contact[3];
    if (!BoxesTouch(a, b, contact))
        return false;
    const int32_t d = BoxNearness(b, a);
    // The body a goes along the line from the car b, at the car's speed along it.
    int32_t n[3];
    GroundNormal(b, a, n);
    const int32_t v = NormalSpeed(b, n);
    a->velocity[0] = n[0] * v / 4096;
    a->velocity[2] = n[2] * v / 4096;
    a->speed = FixedSqrt(static_cast<uint32_t>(int64_t{a->velocity[0]} * a->velocity[0] +
                                               int64_t{a->velocity[2]} * a->velocity[2]));
    const int32_t step = std::min(std::max(d, 0), 500) + 30;
    const int32_t x = a->X() + n[0] * step / 4096;
    const int32_t z = a->Z() + n[2] * step / 4096;
    if (ProbeGround(x, z).height != -1)
    {
        a->orientation.t[0] = x;
        a->orientation.t[2] = z;
    }
    CountHit(a);
    return true;
}

bool InsideTrigger(const Entity* a, const Entity* b)
{
    const int32_t offset[3] = {a->X() - b->X(), a->Y() - b->Y(), a->Z() - b->Z()};
    int32_t l[3];
    RotateToLocal(&b->orientation, offset, l);
    const EntityType* ta = a->type;
    const EntityType* tb = b->type;
    const int32_t r = ta->radius;
    if (l[0] < tb->minX - 3 * r / 4 || l[0] > tb->maxX + 3 * r / 4)
        return false;
    if (tb->maxY < ta->minY + l[1] || l[1] + ta->maxY < tb->minY)
        return false;
    if (tb->maxZ < l[2] - r / 4)
        return false;
    return r / 4 + l[2] >= tb->minZ - FrameScale(b->speed / 4);
}

void ResetCollisionState()
{
    for (auto& stamp : g_hitStamps)
        stamp = {};
}
