// classes.cpp -- class handlers: the families the first stage uses, and the
// answers of the others
#include "ravenor/game/classes.h"

#include <cstring>
#include <string>

#include "ravenor/engine/data/models.h"
#include "ravenor/engine/render/text.h"
#include "ravenor/game/arrows.h"
#include "ravenor/game/car_classes.h"
#include "ravenor/game/class_messages.h"
#include "ravenor/game/collision.h"
#include "ravenor/game/entity.h"
#include "ravenor/game/game_step.h"
#include "ravenor/game/ground.h"
#include "ravenor/game/model_slot.h"
#include "ravenor/game/path_objects.h"
#include "ravenor/game/pedestrians.h"
#include "ravenor/game/props.h"
#include "ravenor/game/stage.h"
#include "ravenor/game/traffic.h"
#include "ravenor/game/vehicle.h"

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
