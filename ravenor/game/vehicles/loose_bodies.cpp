// loose_bodies.cpp -- tumbling and settling bodies
#include "ravenor/game/vehicles/loose_bodies.h"

#include <os/windows.h>

#include <algorithm>
#include <cstdlib>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/vehicles/body_hits.h"
#include "ravenor/game/vehicles/traffic.h"
#include "ravenor/game/vehicles/vehicle.h"
#include "ravenor/game/world/collision.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"

namespace {

constexpr int32_t kUpright = 12000;       // the local y axis's y (Q14) of a body on its wheels
constexpr int32_t kStepHeight = 200;      // deeper than this a corner meets a wall, not the ground
constexpr uint32_t kBodyCrashMs = 484;
constexpr int32_t kRecoverAfter = 120;

int32_t g_touching = 0;
bool g_crashPlayed = false;
uint32_t g_lastCrash = 0;

int32_t Moved(int32_t v)
{
    return static_cast<int32_t>(int64_t{v} * SpeedFactor() / 256);
}

int32_t UpY(const Entity* e)
{
    return e->orientation.m[4];
}

// The box corners in the order they are probed
void Corner(const EntityType* t, int i, int32_t out[3])
{
    static const bool kMaxX[8] = {true, true, false, false, false, false, true, true};
    static const bool kMaxY[8] = {false, false, false, false, true, true, true, true};
    static const bool kMaxZ[8] = {false, true, false, true, false, true, false, true};
    out[0] = kMaxX[i] ? t->maxX : t->minX;
    out[1] = kMaxY[i] ? t->maxY : t->minY;
    out[2] = kMaxZ[i] ? t->maxZ : t->minZ;
}

// Falls without its corners: lands on the ground, stopped by walls ahead
void PlainFall(Entity* e)
{
    e->velocity[1] += FrameScale(10);
    const int32_t x = e->X() + Moved(e->velocity[0]);
    const int32_t z = e->Z() + Moved(e->velocity[2]);
    if (GroundBlocked(e, x, e->Y(), z))
    {
        e->velocity[0] = e->velocity[2] = 0;
    }
    else
    {
        e->orientation.t[0] = x;
        e->orientation.t[2] = z;
    }
    e->orientation.t[1] += Moved(e->velocity[1]);
    ProbeRefresh(e);
    const int32_t ground = e->groundProbe.height;
    if (ground != -1 && e->velocity[1] >= 0 && e->Y() >= ground - e->type->maxY)
    {
        e->orientation.t[1] = ground - e->type->maxY;
        e->velocity[1] = 0;
        e->velocity[0] = e->velocity[0] * 102 / 128;
        e->velocity[2] = e->velocity[2] * 102 / 128;
    }
}

void CutSpin(Entity* e, int32_t limit)
{
    const int64_t length2 = int64_t{e->spin[0]} * e->spin[0] + int64_t{e->spin[1]} * e->spin[1] +
                            int64_t{e->spin[2]} * e->spin[2];
    if (length2 <= int64_t{limit} * limit)
        return;
    NormalizeQ12(e->spin);
    for (int32_t& s : e->spin)
        s = static_cast<int32_t>(int64_t{s} * limit / 4096);
}

bool Still(const Entity* e, int32_t spinLimit)
{
    for (int32_t s : e->spin)
        if (std::abs(s) > spinLimit)
            return false;
    return true;
}

// A traffic car's collisions while it tumbles; a hit keeps it from resting
void TumbleCollisions(Entity* e)
{
    Entity* player = g_entityWorld.player != e ? g_entityWorld.player : nullptr;
    if (player != nullptr && CarHitsCar(e, player, -400))
        e->stuckTimer = 0;
    for (Entity* o = g_entityWorld.activeHead; o != nullptr; o = o->next)
    {
        if (o == e || o == player)
            continue;
        if (CarHitsCar(e, o, 0))
            e->stuckTimer = 0;
    }
}

void BodyCrashSound(const Entity* e)
{
    if (e->type->crashSound == 0)
        return;
    const uint32_t now = GetTickCount();
    if (g_crashPlayed && now - g_lastCrash < kBodyCrashMs)
        return;
    g_crashPlayed = true;
    g_lastCrash = now;
    PlaySoundScaled(e->type->crashSound, 50);
}

// A loose body against another: the other's momentum goes into it and both
// are pushed apart (the player alone when not locked).
bool BodyTouch(Entity* e, Entity* other)
{
    int32_t contact[3];
    if (other == nullptr || other == e || !BoxesTouch(e, other, contact))
        return false;
    contact[1] = e->Y() - 500;
    ResolveCarHit(other, e, 0, contact);
    BodyCrashSound(e);
    const bool locked = other->vehicle != nullptr && other->vehicle->locked != 0;
    if (!locked)
    {
        PushOut(e, other);
        PushOut(other, e);
    }
    e->aiState = 0;
    return true;
}

// Gravity, a move by the velocity, and the corners against the ground
bool FallOnCorners(Entity* e)
{
    e->velocity[1] += FrameScale(10);
    for (int k = 0; k < 3; ++k)
        e->orientation.t[k] += Moved(e->velocity[k]);
    return BoxGround(e);
}

} // namespace

int32_t CornersTouching()
{
    return g_touching;
}

bool BoxGround(Entity* e)
{
    g_touching = 0;
    int32_t deepest = 0;
    int64_t sums[3] = {0, 0, 0};
    const EntityType* t = e->type;
    for (int i = 0; i < 8; ++i)
    {
        int32_t local[3];
        Corner(t, i, local);
        // The lever in the rows' frame (x mirrored against the world's)
        const int32_t mirrored[3] = {-local[0], local[1], local[2]};
        int32_t lever[3];
        e->orientation.RotateVector(mirrored, lever);
        const int32_t world[3] = {e->X() - lever[0], e->Y() + lever[1], e->Z() + lever[2]};
        const GroundProbe ground = ProbeGround(world[0], world[2]);
        const int32_t depth = ground.height == -1 ? 0 : world[1] - ground.height;
        if (ground.height != -1 && depth <= 0)
            continue;
        ++g_touching;
        if (ground.height != -1 && (depth <= kStepHeight || e->Y() > ground.height))
        {
            deepest = std::max(deepest, depth);
            // The ground pushes the corner up, by an eighth of its depth and
            // a quarter of the speed it goes down with (that part damps the
            // rocking): the spin grows by lever x (0, -push, 0) / |lever|^2.
            const int32_t* s = e->spin;
            const int32_t down = e->velocity[1] + (s[2] * lever[0] - s[0] * lever[2]) / 4096;
            const int32_t push = depth / 8 + std::max(0, down) / 4;
            const int64_t length2 = (int64_t{lever[0]} * lever[0] + int64_t{lever[1]} * lever[1] +
                                     int64_t{lever[2]} * lever[2]) /
                                    4096;
            if (length2 > 0)
            {
                sums[0] += int64_t{lever[2]} * push / length2;
                sums[2] -= int64_t{lever[0]} * push / length2;
            }
            continue;
        }
        // A wall (or no ground): pushed back horizontally from the corner
        int32_t away[3] = {world[0] - e->X(), 0, world[2] - e->Z()};
        if (away[0] == 0 && away[2] == 0)
            continue;
        NormalizeQ12(away);
        const int32_t planar =
            FixedSqrt(static_cast<uint32_t>(std::min<int64_t>(int64_t{e->velocity[0]} * e->velocity[0] +
                                                                  int64_t{e->velocity[2]} * e->velocity[2],
                                                              UINT32_MAX)));
        const int32_t push = std::max(50, planar);
        e->orientation.t[0] -= away[0] * push / 4096;
        e->orientation.t[2] -= away[2] * push / 4096;
        e->velocity[0] -= e->velocity[0] / 8;
        e->velocity[2] -= e->velocity[2] / 8;
    }
    for (int k = 0; k < 3; ++k)
        e->spin[k] += static_cast<int32_t>(sums[k]);
    if (deepest <= 0)
        return false;
    e->orientation.t[1] += 20 - deepest;
    return true;
}

void GroundFriction(Entity* e)
{
    const int32_t s = WaveTable[e->heading & 0xFFF];
    const int32_t c = WaveTable[(e->heading + 1024) & 0xFFF];
    int32_t f = (e->velocity[0] * s + e->velocity[2] * c) / 4096;
    int32_t g = (e->velocity[0] * c - e->velocity[2] * s) / 4096;
    auto toward0 = [](int32_t& v, int32_t step) { v = v > step ? v - step : v < -step ? v + step : 0; };
    if (g_touching > 2)
        toward0(f, 2);
    else if ((g_shell.frameCounter & 3) == 0)
    {
        toward0(f, 1);
        toward0(g, 1);
    }
    e->velocity[0] = (f * s + g * c) / 4096;
    e->velocity[2] = (f * c - g * s) / 4096;
}

void TumbleStep(Entity* e)
{
    e->speed = 0;
    if (e->visible)
    {
        if (FallOnCorners(e))
        {
            if (e->velocity[1] > 0)
                e->velocity[1] /= -4;
            if (UpY(e) <= kUpright)
            {
                e->velocity[0] = e->velocity[0] * 102 / 128;
                e->velocity[2] = e->velocity[2] * 102 / 128;
            }
            else
            {
                GroundFriction(e);
            }
        }
        if (g_touching > 0)
        {
            const int32_t up = UpY(e);
            e->spin[1] = up > kUpright ? e->spin[1] * 896 / 1024 : up < -kUpright ? e->spin[1] * 124 / 128
                                                                                   : e->spin[1] * 115 / 128;
            if (g_touching > 2 && Still(e, 60) &&
                std::abs(e->velocity[0]) + std::abs(e->velocity[1]) + std::abs(e->velocity[2]) < 12)
            {
                e->spin[0] = e->spin[1] = e->spin[2] = 0;
                if (up > kUpright)
                {
                    e->stuckTimer += 3 * SpeedFactor() / 256;
                    if (e->stuckTimer > kRecoverAfter)
                    {
                        e->aiState = kTrafficRecover;
                        SettleTilted(e);
                    }
                }
            }
        }
        if (e->aiState == kTrafficLoose)
        {
            ApplySpin(e);
            e->heading = -FixedAtan2(e->orientation.m[6], e->orientation.m[8]) & 0xFFF;
        }
        e->probeFrame = 0xFFFFFFFF;
        ProbeRefresh(e);
        TumbleCollisions(e);
        CutSpin(e, 512);
        return;
    }
    PlainFall(e);
    TumbleCollisions(e);
}

void LooseBodyStep(Entity* e)
{
    if (e->aiState == 0)
    {
        if (e->visible)
        {
            if (FallOnCorners(e))
            {
                if (e->velocity[1] > 0)
                    e->velocity[1] = e->velocity[1] * 115 / 256;
                e->velocity[0] = e->velocity[0] * 243 / 256;
                e->velocity[2] = e->velocity[2] * 243 / 256;
            }
            CutSpin(e, 2457 * SpeedFactor() / 256);
            if (g_touching > 0)
                e->spin[1] = e->spin[1] * 224 / 256;
            if (g_touching > 3 && Still(e, 204) && std::abs(e->velocity[0]) + std::abs(e->velocity[2]) < 12)
                e->spin[0] = e->spin[1] = e->spin[2] = 0;
        }
        else
        {
            e->speed = 0;
            PlainFall(e);
        }
        if (e->visible)
        {
            ApplySpin(e);
            e->probeFrame = 0xFFFFFFFF;
            ProbeRefresh(e);
        }
    }
    if (!BodyTouch(e, g_entityWorld.player) && e->visible)
    {
        for (Entity* o = g_entityWorld.activeHead; o != nullptr; o = o->next)
            if (o != g_entityWorld.player && BodyTouch(e, o))
                break;
    }
    // Resting long enough, or fallen off the world, it goes. The rest time
    // is the type's own (a word of that meaning, never another family's).
    e->stuckTimer += 3 * SpeedFactor() / 256;
    const int32_t rest = e->type->looseLifetime > 0 ? e->type->looseLifetime : kLooseRestFrames;
    if (e->velocity[1] > 200 || e->stuckTimer > 3 * rest)
        MakeInert(e);
}

void ResetLooseBodies()
{
    g_touching = 0;
    g_crashPlayed = false;
    g_lastCrash = 0;
}
