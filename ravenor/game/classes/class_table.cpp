// class_table.cpp -- the class families in the class table
#include "ravenor/game/classes/class_table.h"

#include "ravenor/game/behaviours/objectives.h"
#include "ravenor/game/classes/arrows.h"
#include "ravenor/game/classes/car_classes.h"
#include "ravenor/game/classes/classes.h"
#include "ravenor/game/classes/level_cameras.h"
#include "ravenor/game/classes/pedestrians.h"
#include "ravenor/game/classes/props.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"

namespace {

// Classes 21 and 22: removal makes the entity inert; 21 is never dropped.
int32_t InlineHandler(int32_t classNumber, Entity* e, int32_t message)
{
    if (message == kMsgRemove)
    {
        if (e != nullptr)
            MakeInert(e);
        return 1;
    }
    if (message == kMsgDropQuery && classNumber == kClassInline21)
        return 0;
    return 1;
}

// Classes 12, 15, 16 and 18 answer every message with 0.
int32_t NoHandler(int32_t, Entity*, int32_t)
{
    return 0;
}

} // namespace

void InstallClassHandlers()
{
    for (int32_t c : {kClassTargetCounter, kClassPickUp, kClassTimeBonus, kClassCountdown, kClassRaceClock,
                      kClassFrameCounter})
        SetClassHandler(c, c, ObjectiveHandler);
    SetClassHandler(kClassCheckpoint, kClassWideFinish, GateHandler);
    SetClassHandler(kClassPointingArrow, kClassHoveringArrow, ArrowHandler);
    for (int32_t c : {kClassUnhandled12, kClassUnhandled15, kClassUnhandled16, kClassUnhandled18})
        SetClassHandler(c, c, NoHandler);
    for (int32_t c : {kClassMovingCamera, kClassSettlingCamera, kClassApproachCamera, kClassFixedCamera})
        SetClassHandler(c, c, LevelCameraHandler);
    SetClassHandler(kClassInline21, kClassInline22, InlineHandler);
    SetClassHandler(kClassBehaviourObject, kClassBehaviourObject, BehaviourObjectHandler);
    SetClassHandler(kClassBox, kClassLamppost, PropHandler);
    SetClassHandler(kClassQuestionMark, kClassQuestionMark, PropHandler);
    SetClassHandler(kFirstTrafficClass, kLastTrafficClass, TrafficCarHandler);
    SetClassHandler(kFirstDrivenClass, kLastDrivenClass, DrivenCarHandler);
    SetClassHandler(kFirstPedestrianClass, kLastPedestrianClass, PedestrianHandler);
}
