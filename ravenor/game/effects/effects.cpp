// effects.cpp -- glows on carriers: emitters, brake and reverse lights
#include "ravenor/game/effects/effects.h"

#include <cstdlib>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/effects/effect_classes.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/vehicle_state.h"
#include "ravenor/game/world/world_draw.h"

namespace {

// Glows sit this far (world units) in front of their point, toward the camera.
constexpr int32_t kTowardCamera = 40;
// Held glows live this many frames; one is made every 16 frames.
constexpr int32_t kHeldFrames = 16;
// faceMode values: no facing test, and "shown only inside the window"
constexpr int32_t kFaceAlways = 99;
constexpr int32_t kFaceInside = 78;

using GlowClassHandler = int32_t (*)(Entity*, int32_t);

const int32_t* OffsetOf(const Entity* effect)
{
    static const int32_t kNoOffset[3] = {0, 0, 0};
    return effect->attachOffset != nullptr ? effect->attachOffset : kNoOffset;
}

Entity* NewGlow(Entity* carrier, const int32_t* offset, GlowClassHandler handler, EntityUpdate step)
{
    Entity* glow = AllocAny();
    if (glow == nullptr)
        return nullptr;
    handler(glow, kMsgCreate);
    glow->altModel = glow->model;
    glow->parent = carrier;
    glow->attachedTo = carrier;
    // Taken at the light's first step: a car made from a record is given
    // its running update only after its class has made it.
    glow->parentUpdate = nullptr;
    glow->parentBehaviour = carrier->behaviour;
    glow->attachOffset = offset;
    glow->vehicle = nullptr;
    glow->age = 0;
    glow->update = step;
    return glow;
}

// The carrier's position with the offset turned into its frame
void PlaceOnCarrier(Entity* effect, const Entity* carrier)
{
    int32_t at[3];
    RotateToWorld(&carrier->orientation, OffsetOf(effect), at);
    for (int k = 0; k < 3; ++k)
        effect->orientation.t[k] = carrier->orientation.t[k] + at[k];
}

// Rides on the carrier while it is the one the glow was attached to; false
// (and inert) once it is not.
bool FollowParent(Entity* glow)
{
    Entity* carrier = glow->parent;
    if (carrier != nullptr && glow->parentUpdate == nullptr)
        glow->parentUpdate = carrier->update;
    if (carrier == nullptr || carrier->update != glow->parentUpdate || glow->attachedTo != carrier ||
        carrier->behaviour != glow->parentBehaviour)
    {
        MakeInert(glow);
        return false;
    }
    PlaceOnCarrier(glow, carrier);
    int32_t toward[3];
    for (int k = 0; k < 3; ++k)
        toward[k] = g_cameras.view.position[k] - glow->orientation.t[k];
    NormalizeQ12(toward);
    ScaleVector(toward, kTowardCamera);
    for (int k = 0; k < 3; ++k)
        glow->orientation.t[k] += toward[k];
    FaceCamera(glow);
    return true;
}

bool NearCamera(const Entity* carrier, const AttachmentSlot& slot)
{
    return PointsDistance2(carrier->orientation.t, g_cameras.view.position) < slot.distanceLimit;
}

// A glow of the slot's class on the carrier (none when the region is full)
Entity* Emit(Entity* carrier, const AttachmentSlot& slot, EntityUpdate step)
{
    if (slot.create == nullptr)
        return nullptr;
    Entity* e = AllocEffect();
    if (e == nullptr)
        return nullptr;
    slot.create(e, kMsgCreate);
    e->parent = carrier;
    e->update = step;
    e->age = 0;
    e->attachOffset = slot.offset;
    e->vehicle = nullptr;
    e->faceMode = slot.mode;
    e->faceWindow = slot.window;
    e->glow[0] = slot.first;
    for (int k = 0; k < 3; ++k)
        e->glow[k + 1] = slot.parameters[k];
    e->glow[3] = 128;
    PlaceOnCarrier(e, carrier);
    FaceCamera(e);
    return e;
}

// The shared part of both emitted steps once the glow is known to live:
// placed on its carrier, and shown facing the camera unless its facing test
// hides it.
void EmittedGlowStep(Entity* e)
{
    const Entity* carrier = e->parent;
    PlaceOnCarrier(e, carrier);
    if (e->faceMode != kFaceAlways)
    {
        int32_t seen[3];
        for (int k = 0; k < 3; ++k)
            seen[k] = g_cameras.view.position[k] - carrier->orientation.t[k];
        int32_t c[3];
        RotateToLocal(&carrier->orientation, seen, c);
        const int32_t* o = OffsetOf(e);
        // The angle between the carrier's axis and the camera, in degrees
        const int32_t angle = FixedAtan2(std::abs(c[0] - o[0]), c[2] - o[2]) * 718 >> 13;
        const bool hidden = e->faceMode == kFaceInside ? angle >= e->faceWindow : angle <= 360 - e->faceWindow;
        if (hidden)
        {
            for (int16_t& entry : e->orientation.m)
                entry = 0;
            return;
        }
    }
    FaceCamera(e);
}

bool CarrierGone(const Entity* e)
{
    return e->parent == nullptr || e->parent->update == nullptr;
}

} // namespace

void FaceCamera(Entity* e)
{
    // The camera's rotation undone: the entity's rows are its columns.
    const int16_t* c = g_cameras.view.orientation.m;
    int16_t* m = e->orientation.m;
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k)
            m[r * 3 + k] = c[k * 3 + r];
}

void RunEmitters(Entity* carrier)
{
    for (const AttachmentSlot& slot : carrier->type->attachment)
    {
        if (slot.kind == 'H')
            EmitHeld(carrier, slot);
        else if (slot.kind == 'S')
            EmitTimed(carrier, slot);
    }
}

void EmitHeld(Entity* carrier, const AttachmentSlot& slot)
{
    if ((g_shell.frameCounter & 15) == 1 && NearCamera(carrier, slot))
        Emit(carrier, slot, HeldEffectStep);
}

void EmitTimed(Entity* carrier, const AttachmentSlot& slot)
{
    const uint32_t cycle = uint32_t{slot.periods[0]} + slot.periods[1];
    if (cycle == 0)
        return;
    const uint32_t phase = (static_cast<uint32_t>(carrier->age) + g_shell.frameCounter) % cycle;
    if (phase < static_cast<uint32_t>(SpeedFactor() / 256) && NearCamera(carrier, slot))
        if (Entity* e = Emit(carrier, slot, TimedEffectStep))
            e->lifetime = slot.periods[0];
}

void HeldEffectStep(Entity* e)
{
    const int32_t old = e->age++;
    if (old >= kHeldFrames || CarrierGone(e))
    {
        MakeInert(e);
        return;
    }
    EmittedGlowStep(e);
}

void TimedEffectStep(Entity* e)
{
    const int32_t old = e->age;
    e->age += SpeedFactor() / 256;
    if (old >= e->lifetime || CarrierGone(e))
    {
        MakeInert(e);
        return;
    }
    EmittedGlowStep(e);
}

void AttachBrakeLight(Entity* carrier, const int32_t* offset)
{
    if (Entity* glow = NewGlow(carrier, offset, BrakeLightHandler, BrakeLightStep))
        glow->model = nullptr;
}

void AttachReverseLights(Entity* carrier, const int32_t* offset1, const int32_t* offset2)
{
    VehicleState* s = carrier->vehicle;
    if (s == nullptr || s->lightsOn)
        return;
    NewGlow(carrier, offset1, ReverseLightHandler, ReverseLightStep);
    NewGlow(carrier, offset2, ReverseLightHandler, ReverseLightStep);
    s->lightsOn = 1;
}

void BrakeLightStep(Entity* glow)
{
    if (!FollowParent(glow))
        return;
    const Entity* carrier = glow->parent;
    const bool braking = carrier->vehicle != nullptr && carrier->vehicle->brake && carrier->speed > 0;
    glow->model = braking ? glow->altModel : nullptr;
}

void ReverseLightStep(Entity* glow)
{
    Entity* carrier = glow->parent;
    if (!FollowParent(glow))
        return;
    if (carrier->vehicle == nullptr || carrier->vehicle->reverseMode == 0)
    {
        MakeInert(glow);
        if (carrier->vehicle != nullptr)
            carrier->vehicle->lightsOn = 0;
    }
}
