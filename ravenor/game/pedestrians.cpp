// pedestrians.cpp -- the pedestrian classes
#include "ravenor/game/pedestrians.h"

#include <string>

#include "ravenor/engine/data/models.h"
#include "ravenor/game/class_messages.h"
#include "ravenor/game/entity.h"
#include "ravenor/game/ground.h"
#include "ravenor/game/level.h"
#include "ravenor/game/paths.h"
#include "ravenor/game/traffic.h"

namespace {

constexpr int32_t kBehaviourHeld = 13;
constexpr int kClasses = kLastPedestrianClass - kFirstPedestrianClass + 1;

struct PedestrianClass
{
    bool loaded = false;
    P3dModel* model = nullptr;
    EntityType type;
};
PedestrianClass g_classes[kClasses];

std::string ModelName(int index)
{
    return (index < 6 ? "male" : "female") + std::to_string(index % 6 + 1);
}

void Load(int index)
{
    PedestrianClass& c = g_classes[index];
    if (c.loaded)
        return;
    c.loaded = true;
    const std::string base = ModelName(index);
    c.model = LoadModel((base + ".p3d").c_str(), (base + ".tex").c_str());
    if (c.model != nullptr && !c.model->meshes.empty())
        SetTypeBounds(c.type, c.model->meshes[0]);
    c.type.mass = 1;
}

void VisibleStep(Entity* e)
{
    if (!e->visible)
    {
        StandUpright(e);
        return;
    }
    // A pedestrian type has no emitter slots, so nothing is emitted.
    if (e->behaviour != nullptr && e->behaviour->behaviourNumber != kBehaviourHeld)
        SettleLevel(e);
}

} // namespace

int32_t PedestrianHandler(int32_t classNumber, Entity* e, int32_t message)
{
    if (classNumber < kFirstPedestrianClass || classNumber > kLastPedestrianClass)
        return 1;
    const int index = classNumber - kFirstPedestrianClass;
    if (e == nullptr && message != kMsgLoad)
        return 1;
    switch (message)
    {
    case kMsgCreate:
        PushActive(e);
        e->model = g_classes[index].model;
        e->type = &g_classes[index].type;
        break;
    case kMsgRemove:
        UnlinkActive(e);
        MakeInert(e);
        break;
    case kMsgLoad: Load(index); break;
    case kMsgStep: TurnTowards(e, RouteHeading(e, e->speed), 2); break;
    case kMsgStart: e->update = ObjectUpdate; break;
    case kMsgVisibleStep: VisibleStep(e); break;
    default: break;
    }
    return 1;
}

const EntityType* PedestrianType(int32_t classNumber)
{
    if (classNumber < kFirstPedestrianClass || classNumber > kLastPedestrianClass)
        return nullptr;
    return &g_classes[classNumber - kFirstPedestrianClass].type;
}

void ResetPedestrianModels()
{
    for (PedestrianClass& c : g_classes)
        c = PedestrianClass{};
}
