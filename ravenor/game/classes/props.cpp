// props.cpp -- solid props and the effect classes
#include "ravenor/game/classes/props.h"

#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/classes/classes.h"
#include "ravenor/game/effects/effect_classes.h"
#include "ravenor/game/effects/effects.h"
#include "ravenor/game/effects/particles.h"
#include "ravenor/game/vehicles/body_hits.h"
#include "ravenor/game/vehicles/traffic.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/collision.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/model_slot.h"
#include "ravenor/game/world/path_objects.h"
#include "ravenor/game/world/paths.h"

namespace {

// A car of mass 8 at 50 units a frame knocks a prop loose.
constexpr int32_t kPropKnockThreshold = 400;
// The frames a knocked-loose prop lives
constexpr int32_t kLooseLifetime = 132;

constexpr int32_t kFaceAlways = 99;
constexpr int32_t kGlowDistance = 4000000;

enum PropIndex
{
    kBox,
    kCone,
    kRoadblock,
    kLamppost,
    kQuestion,
    kPropCount
};

struct PropData
{
    int32_t classNumber;
    int32_t mass;
    int32_t crashSound;
    void (*seat)(Entity*); // on the first visible frame
};

const PropData kProps[kPropCount] = {
    {kClassBox, 1, kSoundWall2, AlignToVelocity},
    {kClassCone, 1, kSoundCone, SettleTilted},
    {kClassRoadblock, 4, kSoundWall2, SettleTilted},
    {kClassLamppost, 10, kSoundLamppost, SettleLevel},
    {kClassQuestionMark, 1, 0, SettleTilted},
};

ModelSlot g_props[kPropCount] = {{"box"}, {"cone"}, {"roadblock"}, {"lamppost"}, {"qmark"}};

// Where the lamppost's glow and the roadblock's two lights sit
const int32_t kLampOffset[3] = {400, -1400, 0};
const int32_t kRoadblockOffsets[2][3] = {{300, -370, 0}, {-300, -370, 0}};

int PropIndexOf(int32_t c)
{
    for (int i = 0; i < kPropCount; ++i)
        if (kProps[i].classNumber == c)
            return i;
    return -1;
}

AttachmentSlot GlowSlot(uint8_t kind, int32_t (*create)(Entity*, int32_t), const int32_t* offset, int32_t first,
                        uint16_t period1, uint16_t period2)
{
    AttachmentSlot slot;
    slot.kind = kind;
    slot.create = create;
    slot.mode = kFaceAlways;
    slot.offset = offset;
    slot.first = first;
    slot.periods[0] = period1;
    slot.periods[1] = period2;
    slot.window = 0;
    slot.distanceLimit = kGlowDistance;
    return slot;
}

void LoadProp(int i)
{
    ModelSlot& slot = g_props[i];
    if (slot.loaded)
        return;
    LoadSlot(slot);
    EntityType& t = slot.type;
    t.mass = kProps[i].mass;
    t.crashSound = kProps[i].crashSound;
    t.looseLifetime = kLooseLifetime;
    t.meshCount = slot.model != nullptr ? static_cast<int32_t>(slot.model->meshes.size()) : 0;
    if (i == kLamppost)
    {
        t.attachment[0] = GlowSlot('H', GlowHandler, kLampOffset, 0, 20, 5);
        GlowHandler(nullptr, kMsgLoad);
    }
    else if (i == kRoadblock)
    {
        t.attachment[0] = GlowSlot('S', YellowGlowHandler, kRoadblockOffsets[0], 0, 5, 5);
        t.attachment[1] = GlowSlot('S', YellowGlowHandler, kRoadblockOffsets[1], 255, 5, 5);
        YellowGlowHandler(nullptr, kMsgLoad);
    }
}

// '^': the emitters while seen, seated the first time it is seen (unless its
// record holds it), touch-tested every frame but while seen and held
void PropVisibleStep(int i, Entity* e)
{
    if (e->visible)
    {
        RunEmitters(e);
        if (BehaviourIs13(e))
            return;
        if (e->stuckTimer == 0)
        {
            e->stuckTimer = 1;
            kProps[i].seat(e);
        }
    }
    TouchTest(e, kPropKnockThreshold);
}

} // namespace

int32_t PropHandler(int32_t c, Entity* e, int32_t message)
{
    const int i = PropIndexOf(c);
    if (i < 0)
        return 1;
    switch (message)
    {
    case kMsgLoad: LoadProp(i); return 1;
    case kMsgCreate:
        if (e == nullptr)
            return 1;
        if (i == kRoadblock)
            e->age = static_cast<int32_t>(g_shell.frameCounter);
        Dress(e, g_props[i]);
        return 1;
    case kMsgStart:
        // Props stand: the object update shows them and lets them go when
        // far. (A car's start keeps its cruising speed; a prop has none.)
        if (e != nullptr)
            e->update = ObjectUpdate;
        return 1;
    case kMsgVisibleStep:
        if (e != nullptr)
            PropVisibleStep(i, e);
        return 1;
    default: return Common(e, message, kKindSolid, i == kBox ? 0 : 1);
    }
}

const EntityType* PropClassType(int32_t c)
{
    const int i = PropIndexOf(c);
    return i < 0 ? nullptr : &g_props[i].type;
}

void ResetPropModels()
{
    for (ModelSlot& slot : g_props)
        slot = ModelSlot{slot.name};
    ResetEffectModels();
}
