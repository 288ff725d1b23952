// effects.cpp -- brake and reverse glows riding on driven cars
#include "ravenor/game/effects.h"

#include "ravenor/game/class_messages.h"
#include "ravenor/game/classes.h"
#include "ravenor/game/vehicle.h"
#include "ravenor/game/world_draw.h"

namespace {

// Glows sit this far (world units) in front of their point, toward the camera.
constexpr int32_t kTowardCamera = 40;

using LightHandler = int32_t (*)(Entity*, int32_t);

Entity* NewGlow(Entity* carrier, const int32_t* offset, LightHandler handler, EntityUpdate step)
{
    Entity* glow = AllocAny();
    if (glow == nullptr)
        return nullptr;
    handler(glow, kMsgCreate);
    glow->altModel = glow->model;
    glow->parent = carrier;
    glow->attachedTo = carrier;
    glow->parentUpdate = carrier->update;
    glow->parentBehaviour = carrier->behaviour;
    glow->attachOffset = offset;
    glow->vehicle = nullptr;
    glow->age = 0;
    glow->update = step;
    return glow;
}

// Rides on the carrier while it is the one the glow was attached to; false
// (and inert) once it is not.
bool FollowParent(Entity* glow)
{
    Entity* carrier = glow->parent;
    if (carrier == nullptr || carrier->update != glow->parentUpdate || glow->attachedTo != carrier ||
        carrier->behaviour != glow->parentBehaviour)
    {
        MakeInert(glow);
        return false;
    }
    int32_t at[3];
    RotateToWorld(&carrier->orientation, glow->attachOffset, at);
    int32_t toward[3];
    for (int k = 0; k < 3; ++k)
    {
        at[k] += carrier->orientation.t[k];
        toward[k] = g_camera.position[k] - at[k];
    }
    NormalizeQ12(toward);
    ScaleVector(toward, kTowardCamera);
    for (int k = 0; k < 3; ++k)
        glow->orientation.t[k] = at[k] + toward[k];
    FaceCamera(glow);
    return true;
}

} // namespace

void FaceCamera(Entity* e)
{
    // The camera's rotation undone: the entity's rows are its columns.
    const int16_t* c = g_camera.orientation.m;
    int16_t* m = e->orientation.m;
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k)
            m[r * 3 + k] = c[k * 3 + r];
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
