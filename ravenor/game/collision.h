// collision.h -- bodies as oriented boxes: the touch test, momentum
// exchange along the line between two centres, push-apart, spin kicks,
// props knocked loose, and the trigger test
#pragma once

#include <cstdint>

struct Entity;

// The boxes of a and b overlap: true with a world contact point.
bool BoxesTouch(const Entity* a, const Entity* b, int32_t contact[3]);
// Liang-Barsky: the segment p0..p1 meets the box (min and max per axis);
// out is a point of the segment inside it.
bool SlabClip(const int32_t p0[3], const int32_t p1[3], const int32_t boxMin[3], const int32_t boxMax[3],
              int32_t out[3]);
bool SlabUpdate(float p, float q, float& tEnter, float& tExit);

// Momentum exchange of a hitter a into b; answers the closing speed along
// the line from a to b (nothing changes when they separate). Massless
// pairs get no response.
int32_t ResolveCarHit(Entity* a, Entity* b, int32_t bias, const int32_t contact[3]);
int32_t ResolvePlayerHit(Entity* a, Entity* b, const int32_t contact[3]);
void SpinImpulse(Entity* a, const Entity* b);
// a moved away from b, weighted by mass (PushOut) or not (PushApart)
void PushOut(Entity* a, const Entity* b);
void PushApart(Entity* a, const Entity* b);

bool CarHitsCar(Entity* a, Entity* b, int32_t bias);
// The player's car against e: their normal speeds shared by mass, the
// player's speed and push from the result, e pushed along; the contact
bool HitByPlayer(Entity* e, int32_t contact[3]);
// HitByPlayer, then the player pushed apart from e and the light crash sound
bool TrafficHitsPlayer(Entity* e);
bool PlayerHitsTraffic(Entity* player, Entity* b);
// A prop or parked car a hit by b: knocked loose when b is fast and heavy
// enough, else shoved along
bool CarHitsBody(Entity* a, Entity* b, int32_t threshold);
bool CarShovesBody(Entity* a, Entity* b);
// a against the player (then a's crash sound), else, when visible, against
// each active entity
bool TouchTest(Entity* a, int32_t threshold);
// a's box reaches into b's
bool InsideTrigger(const Entity* a, const Entity* b);

// Sound 7 or 8, at most once per 969 ms
void CrashSoundLight();
// A wall hit: sound 4, 5 or 6 by the frame counter, at most once per 969 ms
// (timed apart from the light crash)
void CrashSoundWall();
// Tests: forget the last sound times
void ResetCollisionState();
