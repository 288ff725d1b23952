// collision.h -- bodies as oriented boxes: the touch test, momentum
// exchange along the line between two centres, push-apart, spin kicks and
// the trigger test
//
// These change the bodies only; what a hit throws and sounds like is the
// caller's (body_hits.h).
#pragma once

#include <cstdint>

struct Entity;

// The boxes of a and b overlap: true with a world contact point.
bool BoxesTouch(const Entity* a, const Entity* b, int32_t contact[3]);
// The bounding test: the planar distance within the two radii (/16)
bool BoundsMeet(const Entity* a, const Entity* b);
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

// The player's car against e: their normal speeds shared by mass, the
// player's speed and push from the result, e pushed along; the contact
bool HitByPlayer(Entity* e, int32_t contact[3]);
// A body a that b moves slowly against is shoved along.
bool CarShovesBody(Entity* a, Entity* b);
// a's box reaches into b's
bool InsideTrigger(const Entity* a, const Entity* b);

// Tests: forget which bodies were counted as touched (hitCount)
void ResetCollisionState();
