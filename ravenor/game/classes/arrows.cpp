// arrows.cpp -- target arrows, and the arcsine table of the ground code
#include "ravenor/game/classes/arrows.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/engine/data/models.h"
#include "ravenor/game/behaviours/behaviours.h"
#include "ravenor/game/vehicles/vehicle.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/level.h"
#include "ravenor/game/world/world_draw.h"

ArrowState g_arrows;

namespace {

constexpr int32_t kAhead = 3000;
constexpr int32_t kAbove = -2000;
constexpr int32_t kMaxTurn = 96;
// Squared 1/32 units: 28800 world units
constexpr int32_t kLaunchRange = 810000;
constexpr int32_t kArrived = 4096;

void LoadArrows()
{
    if (g_arrows.loaded)
        return;
    g_arrows.loaded = true;
    g_arrows.model = LoadModel("arrow.p3d", "arrow.tex");
    g_arrows.alphaModel = LoadModel("arrow.p3d", "arrow_alpha.tex");
    for (P3dModel* model : {g_arrows.model, g_arrows.alphaModel})
        if (model != nullptr)
            for (P3dMesh& mesh : model->meshes)
                mesh.ComputeBounds();
    g_arrows.type = EntityType{};
    if (g_arrows.model == nullptr || g_arrows.model->meshes.empty())
        return;
    // The box in world units, y as it stands in the model
    const BoundingBox& box = g_arrows.model->meshes[0].bounds;
    const int16_t* lo = box.corners[0];
    const int16_t* hi = box.corners[7];
    g_arrows.type.minX = lo[0] * 8;
    g_arrows.type.maxX = hi[0] * 8;
    g_arrows.type.minY = lo[1] * 8;
    g_arrows.type.maxY = hi[1] * 8;
    g_arrows.type.minZ = lo[2] * 8;
    g_arrows.type.maxZ = hi[2] * 8;
    g_arrows.type.radius = std::max({g_arrows.type.maxX - g_arrows.type.minX, g_arrows.type.maxY - g_arrows.type.minY,
                                 g_arrows.type.maxZ - g_arrows.type.minZ}) /
                       2;
}

bool MainCameraInUse()
{
    return g_cameras.used == &g_cameras.chase;
}

void HideUnlessMainCamera(Entity* e)
{
    if (!MainCameraInUse())
        for (int16_t& entry : e->orientation.m)
            entry = 0;
}

int32_t HeightOffset(const Entity* e)
{
    return e->behaviour != nullptr ? e->behaviour->word52 : 0;
}

// The hover height over the target: the arrow's box above it, lifted by
// the record's offset, bobbing 512 up and down with the age
int32_t HoverY(const Entity* e, const Entity* target)
{
    const int32_t bob = WaveTable[(e->age << 8) & 0xFFF] * 512 / 4096;
    return target->Y() + bob + e->type->minY - HeightOffset(e) - e->type->maxY;
}

// Hovering: spinning about its own axis and bobbing over the target
void Hover(Entity* e, const Entity* target)
{
    e->groundRoll += 128 * SpeedFactor() / 256;
    e->age += SpeedFactor() / 256;
    e->orientation.t[0] = target->X();
    e->orientation.t[1] = HoverY(e, target);
    e->orientation.t[2] = target->Z();
}

// The step of classes 6, 7 and 8: the target looked up, or the record
// completed and the arrow gone
void PointingStep(int32_t c, Entity* e)
{
    g_arrows.target = ArrowTargetOf(e);
    if (g_arrows.target != nullptr)
    {
        g_arrows.pointing = e;
    }
    else
    {
        Complete(e->behaviour);
        MakeInert(e);
        g_arrows.flying = 0;
    }
    if (c == kClassArrowWithoutFlight && e->update != nullptr)
        g_arrows.flying = 1;
}

void HoveringStep(Entity* e)
{
    const Entity* target = ArrowTargetOf(e);
    if (target == nullptr)
    {
        Complete(e->behaviour);
        MakeInert(e);
        return;
    }
    Hover(e, target);
    BuildPropRotation(e);
}

// Progress of a flight per standard frame: faster the nearer the target
int32_t FlightStep(int32_t distance2)
{
    if (distance2 == 0)
        return 0;
    return 40000 / FixedSqrt(static_cast<uint32_t>(distance2)) * SpeedFactor() / 256;
}

void EndFlight(Entity* e)
{
    MakeInert(e);
    g_arrows.flying = 0;
}

} // namespace

Entity* ArrowTargetOf(const Entity* arrow)
{
    const Behaviour* node = arrow->behaviour;
    if (node == nullptr)
        return nullptr;
    const Behaviour* link = node->links[0].node;
    if (link == nullptr)
        return nullptr;
    Entity* target = link->entity;
    if (target == nullptr || target->behaviour != link || !RunsBehaviour(target) || !link->active || link->done)
        return nullptr;
    return target;
}

int32_t ArrowHandler(int32_t c, Entity* e, int32_t message)
{
    switch (message)
    {
    case kMsgStep:
        if (e == nullptr)
            return 1;
        if (c == kClassHoveringArrow)
            HoveringStep(e);
        else
            PointingStep(c, e);
        return 1;
    case kMsgCreate:
        if (e == nullptr)
            return 1;
        e->model = g_arrows.model;
        e->type = &g_arrows.type;
        if (c == kClassHoveringArrow)
            e->groundPitch = -1024;
        else if (c == kClassArrowWithoutFlight)
            e->heading = g_arrows.lastHeading;
        else
            e->heading = g_entityWorld.player != nullptr ? g_entityWorld.player->heading : 0;
        return 1;
    case kMsgLoad:
        LoadArrows();
        g_arrows.flying = 0;
        return 1;
    case kMsgRemove:
        if (e != nullptr)
            MakeInert(e);
        return 1;
    case kMsgDropQuery: return 0;
    case kMsgKind: return kKindArrow;
    default: return 1;
    }
}

void UpdatePointingArrow()
{
    // A pointing arrow taken away since it found its target is not placed.
    if (g_arrows.pointing == nullptr || g_arrows.target == nullptr || g_arrows.pointing->update == nullptr || g_entityWorld.player == nullptr)
        return;
    const int32_t bearing = FixedAtan2(g_arrows.target->X() - g_entityWorld.player->X(), g_arrows.target->Z() - g_entityWorld.player->Z());
    PlacePointingArrow(g_arrows.pointing, bearing);
}

void PlacePointingArrow(Entity* arrow, int32_t bearing)
{
    // 1. Ahead of the main camera, along its look
    const CameraState& camera = g_cameras.chase;
    int32_t f[3] = {camera.look[0], camera.look[1], camera.look[2]};
    NormalizeQ14(f);
    const int32_t* c = camera.orientation.t;
    arrow->orientation.t[0] = c[0] + (f[0] * kAhead >> 14);
    arrow->orientation.t[1] = kAbove + (f[1] * kAhead >> 14) + c[1];
    arrow->orientation.t[2] = c[2] + (f[2] * kAhead >> 14);
    // 2. A quarter of the way round, at most 96 a standard frame
    int32_t m = arrow->heading;
    const int32_t f256 = SpeedFactor();
    if ((bearing - m) & 0x800)
    {
        const int32_t o = ((m - bearing) >> 2) & 0x3FF;
        m -= f256 * std::min(o, kMaxTurn) / 256;
    }
    else
    {
        const int32_t o = ((bearing - m) >> 2) & 0x3FF;
        m += f256 * std::min(o, kMaxTurn) / 256;
    }
    arrow->heading = m & 0xFFF;
    g_arrows.lastHeading = arrow->heading;
    BuildGroundRotation(arrow);
    // 3.
    HideUnlessMainCamera(arrow);
    // 4. The flying arrow, once the target is seen and in range
    const Entity* target = g_arrows.target;
    if (target == nullptr || !IsEntityOnScreen(target) || Distance2(arrow, target) >= kLaunchRange || g_arrows.flying != 0)
        return;
    Entity* flying = AllocEntity();
    if (flying == nullptr)
        return;
    *flying = *arrow;
    flying->next = nullptr;
    flying->stuckTimer = 0;
    flying->age = 0;
    flying->update = FlyingArrowUpdate;
    flying->parent = arrow;
    g_arrows.flying = 1;
    arrow->model = g_arrows.alphaModel;
}

void FlyingArrowUpdate(Entity* e)
{
    // 1.
    Entity* p = e->parent;
    const Entity* target = g_arrows.target;
    if (target == nullptr || p == nullptr || p->update == nullptr || p->behaviour == nullptr ||
        (p->behaviour->classNumber != kClassPointingArrow && p->behaviour->classNumber != kClassPointingArrowToo))
    {
        EndFlight(e);
        return;
    }
    // 2. From the pointing arrow to the hover point over the target
    const int32_t d[3] = {target->X() - p->X(), target->Y() + e->type->minY - HeightOffset(e) - p->Y() - e->type->maxY,
                          target->Z() - p->Z()};
    const int32_t distance2 = Distance2(p, target);
    int32_t& progress = e->stuckTimer;
    // 3.
    if (IsEntityOnScreen(target) && distance2 < kLaunchRange)
    {
        if (progress >= kArrived)
        {
            Hover(e, target);
            BuildPropRotation(e);
            HideUnlessMainCamera(e);
            return;
        }
        progress += FlightStep(distance2);
    }
    else
    {
        if (progress < 1)
        {
            p->model = g_arrows.model;
            EndFlight(e);
            return;
        }
        progress = std::max(progress - FlightStep(distance2), 0);
        e->groundRoll = 0;
    }
    // 4.
    e->bodyYaw = -p->heading;
    e->groundPitch = progress / -4;
    int32_t along[3];
    ScaledCopy(d, progress, along);
    for (int k = 0; k < 3; ++k)
        e->orientation.t[k] = p->orientation.t[k] + along[k];
    // 5.
    BuildPropRotation(e);
    HideUnlessMainCamera(e);
}

void ResetArrows()
{
    g_arrows.target = nullptr;
    g_arrows.pointing = nullptr;
    g_arrows.flying = 0;
}

void ResetArrowModels()
{
    g_arrows = ArrowState{};
}
