// model_slot.h -- what the class families share: a model loaded once by
// name with the type its first mesh gives, and the common answers
#pragma once

#include <cstdint>

#include "ravenor/game/world/entity.h"

// A class's model, loaded once from "<name>.p3d" and "<name>.tex", and the
// type whose box the first mesh gives (the class fills the rest)
struct ModelSlot
{
    const char* name;
    bool loaded = false;
    P3dModel* model = nullptr;
    EntityType type;
};
// Loads the slot the first time; a missing model leaves it without one.
void LoadSlot(ModelSlot& slot);
// The entity takes the slot's model and type (the empty type without a model)
void Dress(Entity* e, const ModelSlot& slot);
// The entity's record holds it where the level put it (behaviour 13)
bool BehaviourIs13(const Entity* e);
// The answers every family gives: 'E' kind, '8' drop, '1' inert; else 1
int32_t Common(Entity* e, int32_t message, int32_t kind, int32_t drop);
