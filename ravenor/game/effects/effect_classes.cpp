// effect_classes.cpp -- the effect classes: brake light, reverse light,
// glow, yellow glow, tyre smoke, skid streak and debris
#include "ravenor/game/effects/effect_classes.h"

#include "ravenor/game/effects/effects.h"
#include "ravenor/game/effects/particles.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/model_slot.h"
#include "ravenor/game/world/path_objects.h"
#include "ravenor/game/world/paths.h"

namespace {

enum EffectIndex
{
    kBrakeLight,
    kReverseLight,
    kGlow,
    kYellowGlow,
    kTyreSmoke,
    kSkidMark,
    kDebris,
    kEffectCount
};

struct EffectData
{
    int32_t dropAnswer;
    void (*turn)(Entity*); // seen, unless its record holds it (13)
    void (*unseen)(Entity*);
};

const EffectData kEffects[kEffectCount] = {
    {0, FaceCamera, BuildGroundRotation}, {0, FaceCamera, BuildGroundRotation},
    {0, FaceCamera, BuildGroundRotation}, {0, FaceCamera, BuildGroundRotation},
    {0, FaceCamera, BuildGroundRotation}, {0, AlignToVelocity, BuildGroundRotation},
    {1, SettleTilted, StandUpright},
};

ModelSlot g_effects[kEffectCount] = {{"brakelight"}, {"reverselight"}, {"glow"},  {"yellowglow"},
                                     {"tyresmoke"},  {"skidmark"},     {"debris"}};

int32_t EffectHandler(int i, Entity* e, int32_t message)
{
    ModelSlot& slot = g_effects[i];
    switch (message)
    {
    case kMsgLoad:
        LoadSlot(slot);
        slot.type.mass = 1;
        return 1;
    case kMsgCreate:
        if (e != nullptr)
            Dress(e, slot);
        return 1;
    case kMsgStart:
        if (e != nullptr)
            e->update = ObjectUpdate;
        return 1;
    case kMsgStep:
        if (e != nullptr && e->path != nullptr)
            TurnTowards(e, RouteHeading(e, e->speed), 2);
        return 1;
    case kMsgVisibleStep:
        if (e == nullptr)
            return 1;
        if (e->visible)
        {
            RunEmitters(e);
            if (e->behaviour != nullptr && !BehaviourIs13(e))
                kEffects[i].turn(e);
        }
        else
        {
            kEffects[i].unseen(e);
        }
        return 1;
    default: return Common(e, message, kKindOther, kEffects[i].dropAnswer);
    }
}

} // namespace

int32_t BrakeLightHandler(Entity* e, int32_t message)
{
    return EffectHandler(kBrakeLight, e, message);
}

int32_t ReverseLightHandler(Entity* e, int32_t message)
{
    return EffectHandler(kReverseLight, e, message);
}

int32_t GlowHandler(Entity* e, int32_t message)
{
    return EffectHandler(kGlow, e, message);
}

int32_t YellowGlowHandler(Entity* e, int32_t message)
{
    return EffectHandler(kYellowGlow, e, message);
}

int32_t TyreSmokeHandler(Entity* e, int32_t message)
{
    return EffectHandler(kTyreSmoke, e, message);
}

int32_t SkidMarkHandler(Entity* e, int32_t message)
{
    return EffectHandler(kSkidMark, e, message);
}

int32_t DebrisHandler(Entity* e, int32_t message)
{
    return EffectHandler(kDebris, e, message);
}

void ResetEffectModels()
{
    for (ModelSlot& slot : g_effects)
        slot = ModelSlot{slot.name};
}
