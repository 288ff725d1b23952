// classes.cpp -- class handlers: the families the first stage uses, and the
// answers of the others
#include "ravenor/game/classes/classes.h"

#include <cstring>
#include <string>

#include "ravenor/engine/data/models.h"
#include "ravenor/engine/render/text.h"
#include "ravenor/game/classes/arrows.h"
#include "ravenor/game/classes/car_classes.h"
#include "ravenor/game/classes/pedestrians.h"
#include "ravenor/game/classes/props.h"
#include "ravenor/game/vehicles/traffic.h"
#include "ravenor/game/vehicles/vehicle.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/collision.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/model_slot.h"
#include "ravenor/game/world/path_objects.h"

namespace {

ModelSlot g_gates[5] = {{"checkpoint"}, {"checkpoint_wide"}, {"start_wide"}, {"finish"}, {"finish_wide"}};

} // namespace

int32_t GateHandler(int32_t c, Entity* e, int32_t message)
{
    ModelSlot& slot = g_gates[c - kClassCheckpoint];
    switch (message)
    {
    case kMsgLoad:
        LoadSlot(slot);
        slot.type.mass = 1;
        return 1;
    case kMsgCreate: Dress(e, slot); return 1;
    case kMsgStep: PathObjectStep(e); return 1;
    case kMsgStart: e->update = ObjectUpdate; return 1;
    // Seated on the ground while seen, unless its record holds it (13)
    case kMsgVisibleStep: PathObjectVisibleStep(e); return 1;
    default: return Common(e, message, kKindOther, 1);
    }
}

int32_t BehaviourObjectHandler(int32_t, Entity* e, int32_t message)
{
    return Common(e, message, kKindOther, 0);
}

void ResetClassModels()
{
    for (ModelSlot& gate : g_gates)
        gate = ModelSlot{gate.name};
    ResetPropModels();
    ResetArrowModels();
    ResetCarModels();
    ResetPedestrianModels();
}
