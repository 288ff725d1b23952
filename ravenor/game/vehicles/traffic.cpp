// traffic.cpp -- route traffic and standing path objects
#include "ravenor/game/vehicles/traffic.h"

#include <os/windows.h>

#include <cstdlib>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/game/vehicles/body_hits.h"
#include "ravenor/game/vehicles/loose_bodies.h"
#include "ravenor/game/vehicles/vehicle.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/collision.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/level.h"
#include "ravenor/game/world/path_objects.h"
#include "ravenor/game/world/paths.h"
#include "ravenor/game/world/stage_state.h"
#include "ravenor/game/world/world_draw.h"

namespace {

constexpr int32_t kSpawnNear = 1600;
constexpr int32_t kSpawnOffScreen = 6400;
constexpr int32_t kSpawnFar = 14400;

void SettleOrTurn(Entity* e)
{
    if (e->visible)
        SettleTilted(e);
    else
        BuildGroundRotation(e);
}

// Speeds up toward the cruising speed unless something is close ahead
void Cruise(Entity* e)
{
    if (BrakeForAnyAhead(e))
        return;
    if (e->speed < e->cruiseSpeed)
    {
        e->speed += FrameScale(5);
        if (e->speed > e->cruiseSpeed)
            e->speed = e->cruiseSpeed;
    }
}

// One of the box's corner points in the world is blocked.
bool CornerBlocked(Entity* e, int32_t x, int32_t y, int32_t z)
{
    const int32_t local[3] = {x, y, z};
    int32_t world[3];
    RotateToWorld(&e->orientation, local, world);
    return GroundBlocked(e, e->X() + world[0], e->Y() + world[1], e->Z() + world[2]);
}

void KnockedLoose(Entity* e)
{
    e->aiState = kTrafficLoose;
    e->stuckTimer = 0;
}

void Drive(Entity* car, Entity* player)
{
    RouteHeading(car, car->speed);
    TurnTowards(car, car->travelHeading, 4);
    SettleOrTurn(car);
    if (CarHitsCar(car, player, -400))
        KnockedLoose(car);
    Cruise(car);
}

void Recover(Entity* car, Entity* player)
{
    const EntityType* t = car->type;
    RouteHeading(car, car->speed);
    TurnTowards(car, car->travelHeading, 4);
    const int32_t count = PathPointCount(car->path);
    if (count > 0 && car->pathIndex >= 0 && car->pathIndex < count &&
        PointDistance2(car, car->path + 3 * car->pathIndex) < std::abs(car->speed) * 16)
        car->aiState = kTrafficDrive;
    const bool blocked =
        CornerBlocked(car, t->maxX, t->maxY, t->maxZ) || CornerBlocked(car, t->minX, t->maxY, t->maxZ);
    if (blocked && car->speed > 0)
    {
        car->speed = 0;
        car->aiState = kTrafficBackAway;
        car->turnStep = (os_rand() & 1) ? 10 : -10;
    }
    SettleOrTurn(car);
    if (PlayerHitsTraffic(player, car))
        KnockedLoose(car);
    Cruise(car);
}

// Backing away from what blocked the way. The velocity is divided by 4096
// like every other built from the sine table (undivided it would carry the
// car thousands of times too far).
void BackAway(Entity* car, Entity* player)
{
    const EntityType* t = car->type;
    car->travelHeading = (car->travelHeading + car->turnStep) & 0xFFF;
    car->speed -= FrameScale(2);
    car->velocity[0] = car->speed * WaveTable[car->travelHeading & 0xFFF] / 4096;
    car->velocity[2] = car->speed * WaveTable[(car->travelHeading + 1024) & 0xFFF] / 4096;
    TurnTowards(car, car->travelHeading, 4);
    car->orientation.t[0] += FrameScale(car->velocity[0]);
    car->orientation.t[2] += FrameScale(car->velocity[2]);
    if (CornerBlocked(car, t->maxX, t->maxY, t->minZ) || CornerBlocked(car, t->minX, t->maxY, t->minZ) ||
        car->speed < -100)
        car->aiState = kTrafficRecover;
    SettleOrTurn(car);
    if (PlayerHitsTraffic(player, car))
        KnockedLoose(car);
}

} // namespace

void SpawnTraffic()
{
    if (!g_stage.level)
        return;
    for (ObjectEntry& route : g_stage.level->objects)
        SpawnOnRoute(route);
}

void SpawnOnRoute(ObjectEntry& route)
{
    int32_t* w = route.words;
    // Routes of fewer than two points are refused when the level is read.
    if (route.list == nullptr || route.list->PointCount() < 2)
        return;
    const int32_t* points = route.list->words.data();
    const int32_t count = route.list->PointCount();
    if (w[kRoutePoint] < 0 || w[kRoutePoint] >= count - 1)
        w[kRoutePoint] = 0;
    const int32_t index = w[kRoutePoint];
    const int32_t* p = points + 3 * index;
    int32_t target[3];
    CameraTargetPoint(target);
    const int64_t d = PlanarDistance64(p, target);
    const int64_t k = g_stage.view.activity;
    // The limit is asked first: with no limit (0) nothing spawns and the
    // spacing, which may be worked out from the limit, is never needed.
    if (g_entityWorld.trafficLimit > 0 && g_entityWorld.activeCount < g_entityWorld.trafficLimit && d < k * kSpawnFar &&
        ((d > k * kSpawnNear && d < k * kSpawnOffScreen && !IsPointOnScreen(p)) || d > k * kSpawnOffScreen))
    {
        const int32_t spacing =
            w[kRouteSpacing] == kSpacingByLimit ? 100000000 / (g_entityWorld.trafficLimit * g_entityWorld.trafficLimit) : w[kRouteSpacing];
        if (!RouteOccupied(p, points, spacing))
        {
            if (Entity* car = AllocEntity())
            {
                const int32_t c = w[kRouteClasses + w[kRouteNextClass]];
                car->behaviour = nullptr;
                car->speed = w[kRouteSpeed];
                car->classNumber = c;
                SendClassMessage(c, car, kMsgStart);
                if (car->update == nullptr)
                {
                    // A class that takes no part on its own (a driven car, no
                    // handler) is not made: it would hold a record or a slot.
                    MakeInert(car);
                }
                else
                {
                    SendClassMessage(c, car, kMsgCreate);
                    car->path = points;
                    car->orientation.t[0] = p[0];
                    car->orientation.t[1] = p[1] - car->type->maxY;
                    car->orientation.t[2] = p[2];
                    car->probeFrame = 0xFFFFFFFF;
                    const GroundProbe ground = ProbeGround(p[0], p[2]);
                    if (ground.height != -1)
                        car->orientation.t[1] = ground.height - car->type->maxY;
                    car->pathIndex = index + 1;
                    AimAtPoint(car, points, car->speed);
                    SettleOnGround(car);
                    SendClassMessage(c, car, kMsgVisibleStep);
                }
                w[kRouteNextClass] = w[kRouteNextClass] >= 5 ? 0 : w[kRouteNextClass] + 1;
            }
        }
    }
    // The last point is never a spawn point.
    w[kRoutePoint] = index + 2 >= count ? 0 : index + 1;
}

bool RouteOccupied(const int32_t point[3], const int32_t* points, int32_t spacing)
{
    for (const Entity& e : g_entityWorld.pool)
        if (e.update != nullptr && e.path == points && PointDistance2(&e, point) < spacing)
            return true;
    return false;
}

void AimAtPoint(Entity* e, const int32_t* points, int32_t speed)
{
    const int32_t count = PathPointCount(points);
    if (count == 0)
        return;
    int32_t index = speed < 0 ? e->pathIndex - 1 : e->pathIndex;
    if (index < 0 || index >= count)
        index = 0;
    const int32_t* t = points + 3 * index;
    int32_t v[3] = {t[0] - e->X(), t[1] - e->Y(), t[2] - e->Z()};
    NormalizeQ12(v);
    const int32_t a = FixedAtan2(v[0], v[2]) & 0xFFF;
    e->travelHeading = e->heading = a;
    const int32_t c = WaveTable[(ArcSin(v[1]) + 1024) & 0xFFF];
    const int32_t s = std::abs(speed);
    e->velocity[0] = s * (c * WaveTable[a] / 4096) / 4096;
    e->velocity[1] = s * v[1] / 4096;
    e->velocity[2] = s * (c * WaveTable[(a + 1024) & 0xFFF] / 4096) / 4096;
}

void TrafficStep(Entity* car)
{
    if (FarFromCamera(car))
    {
        MakeInert(car);
        return;
    }
    SendClassMessage(car->classNumber, car, kMsgVisibleStep);
    Entity* player = g_entityWorld.player != car ? g_entityWorld.player : nullptr;
    switch (car->aiState)
    {
    case kTrafficDrive: Drive(car, player); break;
    case kTrafficRecover: Recover(car, player); break;
    case kTrafficBackAway: BackAway(car, player); break;
    case kTrafficLoose: TumbleStep(car); break;
    default: break;
    }
    if (car->update != nullptr && player != nullptr)
        BrakeForAhead(car, player);
}

bool IsAhead(const Entity* a, const Entity* b, int32_t halfWidth)
{
    const int32_t offset[3] = {b->X() - a->X(), b->Y() - a->Y(), b->Z() - a->Z()};
    int32_t local[3];
    RotateToLocal(&a->orientation, offset, local);
    return local[2] > 0 && std::abs(local[0]) < halfWidth;
}

bool BrakeForAhead(Entity* a, const Entity* b)
{
    if (a == nullptr || b == nullptr || a == b)
        return false;
    constexpr int32_t kNear = (4000 / 32) * (4000 / 32);
    if (PlanarDistance2(a, b) >= kNear)
        return false;
    if (!IsAhead(a, b, b->path != nullptr && b->path == a->path ? 2500 : 750))
        return false;
    a->speed -= FrameScale(10);
    if (a->speed < 0)
        a->speed = 0;
    return true;
}

bool BrakeForAnyAhead(Entity* a)
{
    for (Entity* e = g_entityWorld.activeHead; e != nullptr; e = e->next)
        if (e != a && BrakeForAhead(a, e))
            return true;
    return false;
}
