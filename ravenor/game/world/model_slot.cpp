// model_slot.cpp -- a class's model loaded once, and the answers every
// class family gives
#include "ravenor/game/world/model_slot.h"

#include <string>

#include "ravenor/engine/data/models.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/level.h"

void LoadSlot(ModelSlot& slot)
{
    if (slot.loaded)
        return;
    slot.loaded = true;
    const std::string base = slot.name;
    slot.model = LoadModel((base + ".p3d").c_str(), (base + ".tex").c_str());
    if (slot.model == nullptr || slot.model->meshes.empty())
        return;
    SetTypeBounds(slot.type, slot.model->meshes[0]);
}

void Dress(Entity* e, const ModelSlot& slot)
{
    e->model = slot.model;
    e->type = slot.model != nullptr ? &slot.type : &EmptyType;
}

bool BehaviourIs13(const Entity* e)
{
    return e->behaviour != nullptr && e->behaviour->behaviourNumber == kBehaviourMoveUntilLost;
}

int32_t Common(Entity* e, int32_t message, int32_t kind, int32_t drop)
{
    switch (message)
    {
    case kMsgKind: return kind;
    case kMsgDropQuery: return drop;
    case kMsgRemove:
        if (e != nullptr)
            MakeInert(e);
        return 1;
    default: return 1;
    }
}
