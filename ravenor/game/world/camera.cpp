// camera.cpp -- chase and level cameras
#include "ravenor/game/world/camera.h"

#include <os/shell.h>

#include <algorithm>
#include <cstdlib>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/level.h"
#include "ravenor/game/world/stage_state.h"
#include "ravenor/game/world/vehicle_state.h"
#include "ravenor/game/world/world_draw.h"

CameraRig g_cameras;

namespace {

constexpr int32_t kDefaultOffsets[3] = {0, -650, -3000};

int32_t Height(const CameraState& s)
{
    return (s.params != nullptr ? s.params : kDefaultOffsets)[1];
}

int32_t Distance(const CameraState& s)
{
    return (s.params != nullptr ? s.params : kDefaultOffsets)[2];
}

// (n x F + (F - 256) / n) / 256
int32_t Step(int32_t n)
{
    const int32_t f = SpeedFactor();
    return (n * f + (f - 256) / n) / 256;
}

// Ground missing there, or more than 1000 above the car
bool Obstacle(int32_t x, int32_t z, int32_t carY)
{
    const int32_t g = ProbeGround(x, z).height;
    return g == -1 || g < carY - 1000;
}

} // namespace

void AttachCamera(CameraState& s, Entity* e)
{
    s.params = e->type->cameraOffset;
    s.yawDivisor = e->type->cameraTurnDivisor > 0 ? e->type->cameraTurnDivisor : 8;
    s.lookHeight = 0;
    s.followed = e;
    s.yaw = e->heading & 0xFFF;
    // Start behind the car rather than swing in from the world's origin.
    const int32_t r = s.distanceOffset - Distance(s);
    s.orientation.t[0] = e->X() - r * Sine(s.yaw) / 4096;
    s.orientation.t[1] = e->Y() + Height(s);
    s.orientation.t[2] = e->Z() - r * Cosine(s.yaw) / 4096;
    s.look[0] = e->X() - s.orientation.t[0];
    s.look[1] = s.lookHeight;
    s.look[2] = e->Z() - s.orientation.t[2];
}

void SelectCamera()
{
    g_cameras.settled = g_cameras.approachAmount <= 0;
    if (g_shell.paused)
        return;
    if (g_cameras.current != &g_cameras.approach)
    {
        g_cameras.approachAmount -= FrameScale(g_cameras.approachAmount / 4);
        if (g_cameras.approachAmount < 4)
            g_cameras.approachAmount = 0;
    }
    g_cameras.used = g_cameras.current;
    if (g_cameras.hold != 0)
        ++g_cameras.hold;
    else
        g_cameras.current = &g_cameras.chase;
}

void ChaseUpdate(CameraState& s)
{
    Entity* e = s.followed;
    if (e == nullptr)
        return;
    // 1. the heading follows by a part of the difference
    const int32_t d = (e->heading - s.yaw) & 0xFFF;
    s.yawRate = (d & 0x800) == 0 ? d / s.yawDivisor : -(((s.yaw - e->heading) & 0xFFF) / s.yawDivisor);
    s.yaw = (s.yaw + FrameScale(s.yawRate)) & 0xFFF;
    // 2. the new position
    const int32_t r = s.distanceOffset - Distance(s);
    const int32_t old[3] = {s.orientation.t[0], s.orientation.t[1], s.orientation.t[2]};
    s.orientation.t[0] = s.shake[0] + e->X() - r * Sine(s.yaw) / 4096;
    s.orientation.t[2] = s.shake[2] + e->Z() - r * Cosine(s.yaw) / 4096;
    s.orientation.t[1] = old[1] + s.shake[1] + (Height(s) + e->Y() - old[1]) / 4;
    for (int a = 0; a < 3; ++a)
        s.velocity[a] = old[a] - s.orientation.t[a];
    // 3. the shake dies away
    for (int32_t& v : s.shake)
        v /= -4;
    // 4. pulled in near obstacles behind the car, grown back in the open
    const int32_t px = e->X() - (r + 400) * Sine(s.yaw) / 4096;
    const int32_t pz = e->Z() - (r + 400) * Cosine(s.yaw) / 4096;
    const bool blocked = Obstacle(px + 600, pz, e->Y()) || Obstacle(px - 600, pz, e->Y()) ||
                         Obstacle(px, pz + 600, e->Y()) || Obstacle(px, pz - 600, e->Y());
    if (!blocked)
    {
        if (s.distanceOffset < 0)
        {
            s.growBack += Step(1);
            s.distanceOffset = std::min(0, s.distanceOffset + FrameScale(s.growBack));
        }
        s.pullIn = 0;
    }
    else if (s.distanceOffset - Distance(s) > 1500)
    {
        s.pullIn += Step(64);
        s.distanceOffset -= FrameScale(s.pullIn);
        s.growBack = 0;
    }
    // 5. kept above the ground under the camera
    s.groundHeight = ProbeGround(s.orientation.t[0], s.orientation.t[2]).height;
    if (s.groundHeight != -1 && s.groundHeight >= e->Y() - 1000 && s.groundHeight + Height(s) < s.orientation.t[1])
        s.orientation.t[1] += (s.groundHeight + Height(s) - s.orientation.t[1]) / 4;
    // 6., 7. looking at the car, leading into turns
    s.look[0] = e->X() - s.orientation.t[0];
    s.look[1] = s.lookHeight;
    s.look[2] = e->Z() - s.orientation.t[2];
    const int32_t a = std::clamp(-s.yawRate, -100, 100);
    const int32_t oldX = s.look[0];
    s.look[0] -= FrameScale(a * s.look[2] / 512);
    s.look[2] += FrameScale(oldX * a / 512);
}

void BuildCameraOrientation(const CameraState& s)
{
    // Forward along the look, no roll: a turn about y by the look's heading
    // and about x by its slope (y points down: a positive slope looks down).
    const int32_t heading = FixedAtan2(s.look[0], s.look[2]) & 0xFFF;
    int32_t lx = s.look[0];
    int32_t lz = s.look[2];
    int32_t ly = s.look[1];
    while (std::abs(lx) > 30000 || std::abs(lz) > 30000 || std::abs(ly) > 30000)
    {
        lx /= 2;
        ly /= 2;
        lz /= 2;
    }
    const int32_t across = FixedSqrt(static_cast<uint32_t>(lx * lx + lz * lz));
    const int32_t slope = FixedAtan2(ly, across);
    Orientation yaw;
    yaw.SetRotationY(heading / 2);
    g_cameras.view.orientation.SetRotationX(slope / 2);
    g_cameras.view.orientation.Multiply(yaw);
    g_cameras.view.orientation.t[0] = g_cameras.view.orientation.t[1] = g_cameras.view.orientation.t[2] = 0;
    for (int a = 0; a < 3; ++a)
        g_cameras.view.position[a] = s.orientation.t[a];
}

void ShakeCamera(int32_t x, int32_t y, int32_t z)
{
    g_cameras.chase.shake[0] = x;
    g_cameras.chase.shake[1] = y;
    g_cameras.chase.shake[2] = z;
}

void ResetCameras()
{
    g_cameras.chase = CameraState{};
    g_cameras.level = CameraState{};
    g_cameras.approach = CameraState{};
    g_cameras.current = &g_cameras.chase;
    g_cameras.used = &g_cameras.chase;
    g_cameras.hold = 0;
    g_cameras.approachAmount = 0;
    g_cameras.settled = true;
    g_cameras.followValue = 0;
}

namespace {

const char16_t* const kKeyClickDocuments[2] = {
    u"<wap-provisioningdoc><characteristic type=\"Registry\">"
    u"<characteristic type=\"HKCU\\ControlPanel\\Sounds\\KeyPress\">"
    u"<parm name=\"ModeGSM\" value=\"0\" datatype=\"integer\" />"
    u"</characteristic></characteristic></wap-provisioningdoc>",
    u"<wap-provisioningdoc><characteristic type=\"Registry\">"
    u"<characteristic type=\"HKCU\\ControlPanel\\Sounds\\KeyPress\">"
    u"<parm name=\"Mode\" value=\"0\" datatype=\"integer\" />"
    u"</characteristic></characteristic></wap-provisioningdoc>",
};

} // namespace

void SilenceKeyClicks()
{
    for (const char16_t* document : kKeyClickDocuments)
    {
        LPWSTR result = nullptr;
        if (DMProcessConfigXML(document, CFGFLAG_PROCESS, &result) == S_OK)
            delete[] result;
    }
}
