// classes.cpp -- class handlers: the families the first stage uses, and the
// answers of the others
#include "ravenor/game/classes.h"

#include <cstring>

#include "ravenor/engine/data/models.h"
#include "ravenor/engine/render/text.h"
#include "ravenor/game/car_classes.h"
#include "ravenor/game/class_messages.h"
#include "ravenor/game/collision.h"
#include "ravenor/game/entity.h"
#include "ravenor/game/game_step.h"
#include "ravenor/game/ground.h"
#include "ravenor/game/pedestrians.h"
#include "ravenor/game/stage.h"
#include "ravenor/game/vehicle.h"

namespace {

constexpr int32_t kKindOther = 1;
constexpr int32_t kKindArrow = 2;
constexpr int32_t kKindSolid = 4;

// A model loaded once by name, and the type its first mesh gives
struct ModelSlot
{
    const char* name;
    bool loaded = false;
    P3dModel* model = nullptr;
    EntityType type;
};

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

ModelSlot g_gates[5] = {{"checkpoint"}, {"checkpoint_wide"}, {"start_wide"}, {"finish"}, {"finish_wide"}};
ModelSlot g_props[5] = {{"box"}, {"cone"}, {"roadblock"}, {"lamppost"}, {"qmark"}};
ModelSlot g_lights[2] = {{"brakelight"}, {"reverselight"}};


ModelSlot* PropSlot(int32_t c)
{
    return c == 49 ? &g_props[4] : &g_props[c - 26];
}

// A car of mass 8 at 50 units a frame knocks a prop loose.
constexpr int32_t kPropKnockThreshold = 400;

// Mass and crash sound of the solid props: box, cone, roadblock, lamppost, question mark
const int32_t kPropMass[5] = {1, 1, 4, 10, 1};
const int32_t kPropCrashSound[5] = {5, 9, 5, 10, 0};

void LoadProp(int32_t c)
{
    ModelSlot& slot = *PropSlot(c);
    if (slot.loaded)
        return;
    LoadSlot(slot);
    const int i = static_cast<int>(&slot - g_props);
    slot.type.mass = kPropMass[i];
    slot.type.crashSound = kPropCrashSound[i];
    slot.type.looseLifetime = 132;
    slot.type.meshCount = slot.model != nullptr ? static_cast<int32_t>(slot.model->meshes.size()) : 0;
}

bool BehaviourIs13(const Entity* e)
{
    return e->behaviour != nullptr && e->behaviour->behaviourNumber == 13;
}

void Dress(Entity* e, const ModelSlot& slot)
{
    e->model = slot.model;
    e->type = slot.model != nullptr ? &slot.type : &EmptyType;
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

// The light effects: an 'E' answer of 1 and an '8' answer of 0
int32_t LightHandler(ModelSlot& slot, Entity* e, int32_t message)
{
    if (message == kMsgLoad)
    {
        LoadSlot(slot);
        slot.type.mass = 1;
        return 1;
    }
    if (message == kMsgCreate && e != nullptr)
    {
        Dress(e, slot);
        return 1;
    }
    return Common(e, message, kKindOther, 0);
}

} // namespace

int32_t GateHandler(int32_t c, Entity* e, int32_t message)
{
    ModelSlot& slot = g_gates[c - 1];
    switch (message)
    {
    case kMsgLoad:
        LoadSlot(slot);
        slot.type.mass = 1;
        return 1;
    case kMsgCreate:
        Dress(e, slot);
        SettleLevel(e);
        return 1;
    case kMsgVisibleStep:
        // Seated on the ground while seen, unless its record holds it (13)
        if (e->visible)
        {
            if (e->behaviour != nullptr && !BehaviourIs13(e))
                SettleLevel(e);
        }
        else
        {
            StandUpright(e);
        }
        return 1;
    default: return Common(e, message, kKindOther, 1);
    }
}

int32_t ArrowHandler(int32_t, Entity* e, int32_t message)
{
    return Common(e, message, kKindArrow, 0);
}

int32_t BehaviourObjectHandler(int32_t, Entity* e, int32_t message)
{
    return Common(e, message, kKindOther, 0);
}

int32_t PropHandler(int32_t c, Entity* e, int32_t message)
{
    ModelSlot& slot = *PropSlot(c);
    switch (message)
    {
    case kMsgLoad: LoadProp(c); return 1;
    case kMsgCreate:
        Dress(e, slot);
        SettleOnGround(e);
        return 1;
    case kMsgStep:
        // Touch-tested every frame but while visible under behaviour 13
        if (e != nullptr && !(e->visible && BehaviourIs13(e)))
            TouchTest(e, kPropKnockThreshold);
        return 1;
    default: return Common(e, message, kKindSolid, c == 26 ? 0 : 1);
    }
}

int32_t BrakeLightHandler(Entity* e, int32_t message)
{
    return LightHandler(g_lights[0], e, message);
}

int32_t ReverseLightHandler(Entity* e, int32_t message)
{
    return LightHandler(g_lights[1], e, message);
}

void ResetClassModels()
{
    for (ModelSlot* group : {g_gates, g_props})
        for (int i = 0; i < 5; ++i)
            group[i] = ModelSlot{group[i].name};
    for (ModelSlot& light : g_lights)
        light = ModelSlot{light.name};
    ResetCarModels();
    ResetPedestrianModels();
}
