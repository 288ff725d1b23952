// class_messages.cpp -- the class table
#include "ravenor/game/class_messages.h"

#include "ravenor/game/arrows.h"
#include "ravenor/game/camera.h"
#include "ravenor/game/car_classes.h"
#include "ravenor/game/classes.h"
#include "ravenor/game/entity.h"
#include "ravenor/game/objectives.h"
#include "ravenor/game/pedestrians.h"
#include "ravenor/game/props.h"

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
    if (message == kMsgDropQuery && classNumber == 21)
        return 0;
    return 1;
}

} // namespace

int32_t SendClassMessage(int32_t c, Entity* e, int32_t message)
{
    switch (c)
    {
    case 0:
    case 10:
    case 11:
    case 13:
    case 14:
    case 17: return ObjectiveHandler(c, e, message);
    case 1:
    case 2:
    case 3:
    case 4:
    case 5: return GateHandler(c, e, message);
    case 6:
    case 7:
    case 8:
    case 9: return ArrowHandler(c, e, message);
    case 12:
    case 15:
    case 16:
    case 18: return 0;
    case 19:
    case 20:
    case 23:
    case 24: return LevelCameraHandler(c, e, message);
    case 21:
    case 22: return InlineHandler(c, e, message);
    case 25: return BehaviourObjectHandler(c, e, message);
    case 26:
    case 27:
    case 28:
    case 29:
    case 49: return PropHandler(c, e, message);
    default: break;
    }
    if (c >= 30 && c <= 48)
        return TrafficCarHandler(c, e, message);
    if (IsDrivenCarClass(c))
        return DrivenCarHandler(c, e, message);
    if (c >= 62 && c <= 73)
        return PedestrianHandler(c, e, message);
    return -1;
}
