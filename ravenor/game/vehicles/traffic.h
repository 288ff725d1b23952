// traffic.h -- traffic made on the level's routes near the camera, its
// update (drive, recover, back away, tumble), and braking for what is ahead
//
// Distances are squared, in units of 32, measured in the ground plane to
// the camera's target point (path_objects.h). The world's activity constant
// K (g_stage.view.activity) scales every ring: within K x 1600 nothing
// spawns, between that and K x 6400 only off screen, beyond K x 6400
// always, beyond K x 14400 never; farther than K x 22500 a car goes.
#pragma once

#include <cstdint>

struct Entity;
struct ObjectEntry;

// Traffic states (aiState)
constexpr int32_t kTrafficDrive = 0;
constexpr int32_t kTrafficLoose = 93;
constexpr int32_t kTrafficRecover = 103;
constexpr int32_t kTrafficBackAway = 104;

// Route words (an object entry of section 0)
constexpr int kRouteSpeed = 1;
constexpr int kRouteSpacing = 2;
constexpr int kRouteClasses = 3;
constexpr int kRouteNextClass = 9;
constexpr int kRoutePoint = 10;
// A spacing of this value means 100000000 / the traffic limit squared.
constexpr int32_t kSpacingByLimit = 102;

// Once a frame, before the sweep: each route of the level in turn
void SpawnTraffic();
void SpawnOnRoute(ObjectEntry& route);
// An entity on these points lies within spacing of the point.
bool RouteOccupied(const int32_t point[3], const int32_t* points, int32_t spacing);
// heading and travel heading toward the entity's target point, velocity at
// |speed| along it
void AimAtPoint(Entity* e, const int32_t* points, int32_t speed);

// Update of route-spawned traffic cars
void TrafficStep(Entity* e);

// b lies in front of a (local z > 0) within halfWidth sideways.
bool IsAhead(const Entity* a, const Entity* b, int32_t halfWidth);
// a slows for b close ahead of it; true when it did.
bool BrakeForAhead(Entity* a, const Entity* b);
bool BrakeForAnyAhead(Entity* a);
