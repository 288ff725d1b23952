// props.h -- the solid props (box 26, cone 27, roadblock 28, lamppost 29,
// question pick-up 49) and the effect classes (brake light, reverse light,
// glow, yellow glow, tyre smoke, skid streak, debris)
//
// Every class loads its model once ('/'), gives its entities the model and
// its type ('.'), and turns or seats them in its visible step ('^'). Solid
// props stand on the road, are touch-tested against the player's car (and,
// while seen, against the active list) and are knocked loose or break; the
// lamppost carries a held glow and the roadblock two flashing yellow glows.
// The effect classes have no class numbers: the code that makes an effect
// calls their handlers directly.
#pragma once

#include <cstdint>

struct Entity;
struct EntityType;

int32_t PropHandler(int32_t classNumber, Entity* e, int32_t message);

int32_t BrakeLightHandler(Entity* e, int32_t message);
int32_t ReverseLightHandler(Entity* e, int32_t message);
int32_t GlowHandler(Entity* e, int32_t message);
int32_t YellowGlowHandler(Entity* e, int32_t message);
int32_t TyreSmokeHandler(Entity* e, int32_t message);
int32_t SkidMarkHandler(Entity* e, int32_t message);
// The pieces sparks and debris are made of
int32_t DebrisHandler(Entity* e, int32_t message);

// The type a solid prop class's loader filled (none for other classes)
const EntityType* PropClassType(int32_t classNumber);
// Every prop and effect model back to unloaded (tests)
void ResetPropModels();
