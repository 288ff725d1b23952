// effect_classes.h -- the effect classes: brake light, reverse light,
// glow, yellow glow, tyre smoke, skid streak and debris
//
// They have no class numbers: the code that makes an effect calls their
// handlers directly. Each loads its model once ('/'), gives its entities
// the model and its type ('.'), and turns them in its visible step ('^').
#pragma once

#include <cstdint>

struct Entity;

int32_t BrakeLightHandler(Entity* e, int32_t message);
int32_t ReverseLightHandler(Entity* e, int32_t message);
int32_t GlowHandler(Entity* e, int32_t message);
int32_t YellowGlowHandler(Entity* e, int32_t message);
int32_t TyreSmokeHandler(Entity* e, int32_t message);
int32_t SkidMarkHandler(Entity* e, int32_t message);
// The pieces sparks and debris are made of
int32_t DebrisHandler(Entity* e, int32_t message);

// Every effect model back to unloaded (tests)
void ResetEffectModels();
