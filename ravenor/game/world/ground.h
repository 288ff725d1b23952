// ground.h -- the ground of the city: vertical rays into the road faces, and
// entities settled and tilted on it
//
// The ground is the scenery's "Road" triangles of the city cells. A ray cast
// straight down from world height -8000 to 0 finds the first front-facing
// triangle in cell order (not the nearest); a point with none under it has no
// ground (height -1), which stops vehicles and counts as a wall.
#pragma once

#include <cstdint>

#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/level.h"

GroundProbe ProbeGround(int32_t x, int32_t z);
// The entity's probe, refreshed at most once per frame
void ProbeRefresh(Entity* entity);
// Origin and direction in world units; the hit point in world units.
bool RayCastScenery(const int32_t origin[3], const int32_t direction[3], int32_t out[3], const P3dFace** triangle);
// Scenery units; only the front side is hit. Products are formed in 64 bits.
bool RayTriangle(const int32_t origin[3], const int32_t direction[3], const Vector4s& v0, const Vector4s& v1,
                 const Vector4s& v2, int32_t out[3]);
void ProbeNormal(GroundProbe& probe, int32_t out[3]);
bool PlaneSide(const int32_t p[3], const int32_t n[3], const int32_t v[3]);
bool IsWallAt(Entity* entity, GroundProbe& probe);
bool GroundBlocked(Entity* entity, int32_t x, int32_t y, int32_t z);
void GroundFrameVector(int32_t out[3], const int32_t angles[3], int32_t turn, int32_t length);
void BuildGroundRotation(Entity* entity);
void BuildPropRotation(Entity* entity);
void StandUpright(Entity* entity);
void SettleLevel(Entity* entity);
void SettleOnGround(Entity* entity);
void SettleTilted(Entity* entity);
// Walkers: on the ground along its slope, or falling off an edge until they land
void FollowGround(Entity* entity);
// Each point of the list put on the ground under it (where there is ground)
void DropObjectsToGround(CoordList& list);

// The frame counter probes are stamped with (the shell's)
uint32_t GroundFrame();
