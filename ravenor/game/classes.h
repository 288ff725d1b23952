// classes.h -- the class handlers SendClassMessage reaches
//
// The families whose own behaviour is not built yet answer the kind and
// drop queries as their family does and 1 to everything else; the driven
// car of model "concorde", the gates with a model, the solid props with a
// model and the stage objectives the first stage uses do their part.
#pragma once

#include <cstdint>

struct Entity;
struct EntityType;

int32_t GateHandler(int32_t classNumber, Entity* e, int32_t message);
int32_t ArrowHandler(int32_t classNumber, Entity* e, int32_t message);
int32_t BehaviourObjectHandler(int32_t classNumber, Entity* e, int32_t message);
int32_t PropHandler(int32_t classNumber, Entity* e, int32_t message);
// The two light effects (no class numbers of their own): '/' loads
// "brakelight" / "reverselight" once, '.' gives the entity the model and
// the type (mass 1), '8' answers 0, everything else 1.
int32_t BrakeLightHandler(Entity* e, int32_t message);
int32_t ReverseLightHandler(Entity* e, int32_t message);

// The driven car's type (tests)
// Forgets every loaded class model (tests)
void ResetClassModels();
