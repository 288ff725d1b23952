// props.h -- the solid props: box 26, cone 27, roadblock 28, lamppost 29
// and the question pick-up 49
//
// Every class loads its model once ('/'), gives its entities the model and
// its type ('.'), and seats them in its visible step ('^'). Solid props
// stand on the road, are touch-tested against the player's car (and, while
// seen, against the active list) and are knocked loose or break; the
// lamppost carries a held glow and the roadblock two flashing yellow glows
// (effect_classes.h).
#pragma once

#include <cstdint>

struct Entity;
struct EntityType;

int32_t PropHandler(int32_t classNumber, Entity* e, int32_t message);

// The type a solid prop class's loader filled (none for other classes)
const EntityType* PropClassType(int32_t classNumber);
// Every prop and effect model back to unloaded (tests)
void ResetPropModels();
