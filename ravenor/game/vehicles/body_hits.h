// body_hits.h -- hits between bodies with their sparks and crash sounds
#pragma once

#include <cstdint>

struct Entity;

// a and b touching: the response of b into a, both pushed out, sparks at the
// contact; the light crash when b is the player (whose locked slot takes no
// push). True on a hit.
bool CarHitsCar(Entity* a, Entity* b, int32_t bias);
// HitByPlayer, then the player pushed apart from e, three sparks and the
// light crash sound
bool TrafficHitsPlayer(Entity* e);
bool PlayerHitsTraffic(Entity* player, Entity* b);
// A prop or parked car a hit by b: knocked loose (or broken, for a model of
// several meshes) when b is fast and heavy enough, else shoved along
bool CarHitsBody(Entity* a, Entity* b, int32_t threshold);
// a against the player (then a's crash sound), else, when visible, against
// each active entity
bool TouchTest(Entity* a, int32_t threshold);
