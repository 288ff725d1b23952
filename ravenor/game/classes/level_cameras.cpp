// level_cameras.cpp -- the cameras stage records place: fixed (24, and 23
// that the approach grows under) and moving (19, and 20 that settles)
#include "ravenor/game/classes/level_cameras.h"

#include <algorithm>
#include <cstdlib>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/behaviours/behaviours.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/level.h"
#include "ravenor/game/world/stage_state.h"

namespace {

// A fixed camera keeps the view this many frames after its last step.
constexpr int32_t kHoldFrames = -11;

// The follow value eased toward the target flags of a camera's type
void EaseFollow(CameraState& s, int32_t flags)
{
    if ((flags & 0x38000) == 0)
        return;
    const int32_t target = flags & 0x7FFF;
    const int32_t divisor = (flags & 0x10000) ? 16 : (flags & 0x20000) ? 64 : 32;
    const int32_t step = s.followValue / divisor;
    if (s.followValue < target)
        s.followValue = std::min(target, s.followValue + step);
    else if (s.followValue > target)
        s.followValue = std::max(target, s.followValue - step);
}

void SetYawFromLook(CameraState& s)
{
    s.yaw = FixedAtan2(s.look[0], s.look[2]) & 0xFFF;
}

// The record's first link's entity, when that one is alive
Entity* LookTarget(const Entity* k)
{
    const Behaviour* b = k->behaviour;
    if (b == nullptr || !b->links[0].IsNode())
        return nullptr;
    Entity* t = b->links[0].node->entity;
    return t != nullptr && t->update != nullptr ? t : nullptr;
}

// A point of the record's second list (0 the anchor, 1 the fixed look point)
const int32_t* SecondPoint(const Entity* k, int i)
{
    const Behaviour* b = k->behaviour;
    if (b == nullptr || b->secondPath == nullptr || b->secondPath->PointCount() <= i)
        return nullptr;
    return b->secondPath->Point(i);
}

bool HasOwnPath(const Entity* k)
{
    return k->path != nullptr;
}

void FixedUpdate(Entity* k, CameraState& s)
{
    g_cameras.hold = kHoldFrames;
    for (int a = 0; a < 3; ++a)
        s.orientation.t[a] = k->orientation.t[a];
    Entity* target = LookTarget(k);
    if (target == nullptr && g_entityWorld.player != nullptr)
        target = g_entityWorld.player;
    if (target == g_entityWorld.player && target != nullptr)
    {
        for (int a = 0; a < 3; ++a)
            s.look[a] = target->orientation.t[a] - s.orientation.t[a];
    }
    else if (target != nullptr)
    {
        for (int a = 0; a < 3; ++a)
            s.look[a] = (target->orientation.t[a] - s.orientation.t[a]) / 2;
    }
    else
    {
        // Along the camera entity's heading
        const int32_t dir[3] = {Sine(k->heading), 0, Cosine(k->heading)};
        for (int a = 0; a < 3; ++a)
            s.look[a] += FrameScale(dir[a] - s.look[a]);
    }
    EaseFollow(s, k->type->cameraFollowTarget);
    SetYawFromLook(s);
}

void MovingUpdate(Entity* k, CameraState& s)
{
    g_cameras.hold = 0;
    s.blend = std::min(256, s.blend + FrameScale(std::max(1, s.blend / 8)));
    Entity* target = LookTarget(k);
    const Entity* player = g_entityWorld.player;
    int32_t posStep[3] = {0, 0, 0};
    const bool guided = HasOwnPath(k) || target != nullptr;
    const int32_t* anchor = SecondPoint(k, 0);
    for (int a = 0; a < 3; ++a)
    {
        if (guided || anchor == nullptr)
            posStep[a] = (k->orientation.t[a] - s.orientation.t[a]) / 4;
        else
            posStep[a] =
                (anchor[a] + (player != nullptr ? player->velocity[a] * 4 : 0) - s.orientation.t[a]) / 4;
    }
    int32_t lookStep[3] = {0, 0, 0};
    const Entity* seen = target != nullptr ? target : player;
    const int32_t* fixedLook = SecondPoint(k, 1);
    for (int a = 0; a < 3; ++a)
    {
        if (!guided && fixedLook != nullptr)
            lookStep[a] = (fixedLook[a] - s.orientation.t[a]) / 4 - s.look[a];
        else if (seen != nullptr)
            lookStep[a] = (seen->orientation.t[a] - s.orientation.t[a]) / 4 - s.look[a];
        if (target != nullptr && target->behaviour != nullptr)
            lookStep[a] /= 4;
    }
    posStep[0] = std::clamp(posStep[0], -15000, 15000);
    posStep[2] = std::clamp(posStep[2], -15000, 15000);
    for (int a = 0; a < 3; ++a)
    {
        s.orientation.t[a] += FrameScale(s.blend * posStep[a] / 256);
        s.look[a] += FrameScale(s.blend * lookStep[a] / 256);
    }
    EaseFollow(s, k->type->cameraFollowTarget);
    SetYawFromLook(s);
    if (!guided && player != nullptr && std::abs(posStep[0] - player->velocity[0]) < 4 &&
        std::abs(posStep[2] - player->velocity[2]) < 4)
    {
        Complete(k->behaviour);
        MakeInert(k);
    }
}

void SetGlobalFollow(const Entity* k, int32_t testBits)
{
    const int32_t flags = k->type->cameraFollowTarget;
    if (flags != 0 && (flags & testBits) == 0)
        g_cameras.followValue = flags & 0x7FFF;
}

} // namespace

int32_t LevelCameraHandler(int32_t c, Entity* k, int32_t message)
{
    CameraState& s = c == kClassApproachCamera ? g_cameras.approach : g_cameras.level;
    switch (message)
    {
    case kMsgKind: return kKindCamera;
    case kMsgDropQuery: return 0;
    case kMsgRemove:
        if (k != nullptr)
            MakeInert(k);
        return 1;
    case kMsgCreate:
        if (k == nullptr)
            return 1;
        // A camera sequence: the player's controls are dead until a
        // countdown makes them live again.
        g_stage.controlsLive = false;
        k->age = 0;
        if (c == kClassMovingCamera || c == kClassSettlingCamera)
        {
            s = *g_cameras.current;
            s.blend = 0;
            SetGlobalFollow(k, 0x20000);
            if (c == kClassSettlingCamera)
                g_cameras.settled = true;
            return 1;
        }
        s.followed = k;
        SetGlobalFollow(k, 0x38000);
        if (c == kClassApproachCamera)
            g_cameras.settled = false;
        for (int i = 0; i < 8; ++i)
            FixedUpdate(k, s);
        return 1;
    case kMsgStep:
    {
        if (k == nullptr)
            return 1;
        k->age += SpeedFactor() / 256;
        if (c == kClassMovingCamera || c == kClassSettlingCamera)
            MovingUpdate(k, s);
        else
            FixedUpdate(k, s);
        if (c == kClassApproachCamera)
        {
            if (g_cameras.approachAmount == 0)
                g_cameras.approachAmount = 4;
            else if (g_cameras.approachAmount <= 254)
                g_cameras.approachAmount = std::min(255, g_cameras.approachAmount + g_cameras.approachAmount / 4);
        }
        if (k->update != nullptr && (k->age >= 0 || g_shell.frameClock < 44))
            g_cameras.current = &s;
        return 1;
    }
    default: return 1;
    }
}
