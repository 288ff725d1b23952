// path_objects.cpp -- objects that stand or walk on a path, and how far the
// camera's target is
#include "ravenor/game/world/path_objects.h"

#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/model_slot.h"
#include "ravenor/game/world/paths.h"
#include "ravenor/game/world/stage_state.h"

namespace {

// Farther than K x 22500 (squared /32 units) from the camera's target an
// object goes.
constexpr int32_t kRemoveFar = 22500;

} // namespace

int64_t PlanarDistance64(const int32_t a[3], const int32_t b[3])
{
    const int64_t dz = (a[2] - b[2]) / 32;
    const int64_t dx = (a[0] - b[0]) / 32;
    return dz * dz + dx * dx;
}

bool FarFromCamera(const Entity* e)
{
    int32_t target[3];
    CameraTargetPoint(target);
    const int32_t p[3] = {e->X(), e->Y(), e->Z()};
    return PlanarDistance64(p, target) > int64_t{g_stage.view.activity} * kRemoveFar;
}

void CameraTargetPoint(int32_t out[3])
{
    const Entity* followed = g_cameras.used != nullptr ? g_cameras.used->followed : nullptr;
    if (followed == nullptr)
        followed = g_entityWorld.player;
    for (int k = 0; k < 3; ++k)
        out[k] = followed != nullptr ? followed->orientation.t[k] : g_cameras.view.position[k];
}

void ObjectUpdate(Entity* e)
{
    SendClassMessage(e->classNumber, e, kMsgVisibleStep);
    if (e->update != ObjectUpdate)
    {
        UnlinkActive(e);
        return;
    }
    if (FarFromCamera(e))
        MakeInert(e);
}

void PathObjectStep(Entity* e)
{
    TurnTowards(e, RouteHeading(e, e->speed), 2);
}

void PathObjectVisibleStep(Entity* e)
{
    if (!e->visible)
    {
        StandUpright(e);
        return;
    }
    // Their types have no emitter slots, so nothing is emitted.
    if (e->behaviour != nullptr && !BehaviourIs13(e))
        SettleLevel(e);
}
