// body_hits.cpp -- hits between bodies with what they throw and sound:
// cars into cars, the player into traffic, props and parked cars knocked
// loose or broken
#include "ravenor/game/vehicles/body_hits.h"

#include <algorithm>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/effects/crashes.h"
#include "ravenor/game/effects/particles.h"
#include "ravenor/game/vehicles/loose_bodies.h"
#include "ravenor/game/world/collision.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/vehicle_state.h"

namespace {

// A traffic car touched by the player throws this many sparks.
constexpr int32_t kTrafficHitSparks = 3;

void ThrowSparks(const Entity* source, const int32_t point[3], int32_t count)
{
    for (int32_t i = 0; i < count; ++i)
        ThrowSpark(source, point);
}

bool Locked(const Entity* e)
{
    return e->vehicle != nullptr && e->vehicle->locked != 0;
}

} // namespace

bool CarHitsCar(Entity* a, Entity* b, int32_t bias)
{
    int32_t contact[3];
    if (!BoxesTouch(a, b, contact))
        return false;
    contact[1] = a->Y() + bias;
    const int32_t d = ResolveCarHit(b, a, 0, contact);
    if (b == g_entityWorld.player)
    {
        CrashSoundLight();
        if (Locked(b))
            return true;
    }
    PushOut(a, b);
    PushOut(b, a);
    contact[1] = a->Y();
    ThrowSparks(a, contact, d / 10);
    return true;
}

bool PlayerHitsTraffic(Entity* player, Entity* b)
{
    int32_t contact[3];
    if (!BoxesTouch(player, b, contact))
        return false;
    contact[1] = b->Y();
    const int32_t d = ResolvePlayerHit(player, b, contact);
    if (player == g_entityWorld.player && !Locked(player))
        PushApart(player, b);
    contact[1] = player->Y();
    ThrowSparks(player, contact, d / 10);
    CrashSoundLight();
    return true;
}

bool TrafficHitsPlayer(Entity* e)
{
    int32_t contact[3];
    if (!HitByPlayer(e, contact))
        return false;
    PushApart(g_entityWorld.player, e);
    ThrowSparks(e, contact, kTrafficHitSparks);
    CrashSoundLight();
    return true;
}

bool CarHitsBody(Entity* a, Entity* b, int32_t threshold)
{
    if (a == nullptr || b == nullptr || a == b || !BoundsMeet(a, b))
        return false;
    const int64_t planar = int64_t{b->velocity[0]} * b->velocity[0] + int64_t{b->velocity[2]} * b->velocity[2];
    const int64_t momentum = int64_t{FixedSqrt(static_cast<uint32_t>(std::min<int64_t>(planar, UINT32_MAX)))} *
                             b->type->mass;
    int32_t contact[3];
    if (momentum >= threshold && BoxesTouch(a, b, contact))
    {
        contact[1] = a->Y() - 500;
        ResolveCarHit(b, a, threshold, contact);
        if (a->type->meshCount > 1)
        {
            MakeInert(a);
            return true;
        }
        ApplySpin(a);
        a->stuckTimer = 0;
        a->update = LooseBodyStep;
        a->vehicle = nullptr;
        a->parentUpdate = nullptr;
        a->groundProbe.height = -1;
        return true;
    }
    return CarShovesBody(a, b);
}

bool TouchTest(Entity* a, int32_t threshold)
{
    // Taken first: a prop that breaks leaves with the empty type.
    const int32_t crashSound = a->type->crashSound;
    if (g_entityWorld.player != nullptr && CarHitsBody(a, g_entityWorld.player, threshold))
    {
        if (crashSound != 0)
            PlaySoundRandomRate(crashSound);
        return true;
    }
    if (!a->visible)
        return false;
    for (Entity* e = g_entityWorld.activeHead; e != nullptr; e = e->next)
        if (e != a && e != g_entityWorld.player && CarHitsBody(a, e, threshold))
            return true;
    return false;
}
