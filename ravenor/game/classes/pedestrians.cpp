// pedestrians.cpp -- the pedestrian classes
#include "ravenor/game/classes/pedestrians.h"

#include "ravenor/game/classes/classes.h"
#include "ravenor/game/vehicles/traffic.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/model_slot.h"
#include "ravenor/game/world/path_objects.h"

namespace {

constexpr int kClasses = kLastPedestrianClass - kFirstPedestrianClass + 1;

ModelSlot g_classes[kClasses] = {{"male1"},   {"male2"},   {"male3"},   {"male4"},   {"male5"},   {"male6"},
                                 {"female1"}, {"female2"}, {"female3"}, {"female4"}, {"female5"}, {"female6"}};

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
    case kMsgLoad:
        LoadSlot(g_classes[index]);
        g_classes[index].type.mass = 1;
        break;
    case kMsgStep: PathObjectStep(e); break;
    case kMsgStart: e->update = ObjectUpdate; break;
    case kMsgVisibleStep: PathObjectVisibleStep(e); break;
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
    for (ModelSlot& c : g_classes)
        c = ModelSlot{c.name};
}
