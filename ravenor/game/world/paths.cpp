// paths.cpp -- path following
#include "ravenor/game/world/paths.h"

#include <cstdlib>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/engine/core/frame_pacing.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/level.h"
#include "ravenor/game/world/vehicle_state.h"

#include <os/windows.h>

namespace {

constexpr int32_t kFrozen = -999;

// x F / 256 of a velocity component
int32_t Moved(int32_t v)
{
    return static_cast<int32_t>(int64_t{v} * SpeedFactor() / 256);
}

// The point the straight follower heads for
const int32_t* StraightTarget(const Entity* e, int32_t s)
{
    const int32_t count = PathPointCount(e->path);
    int32_t index = s < 0 ? e->pathIndex - 1 : e->pathIndex;
    if (index < 0)
        index = count - 1;
    if (index >= count)
        index = 0;
    return e->path + 3 * index;
}

// One point on: forward wraps to 0 after the last point; backward from 0 to
// the end point's index, so that the next target (index - 1) is the last.
void StraightArrive(Entity* e, int32_t s)
{
    const int32_t count = PathPointCount(e->path);
    if (s >= 0)
        e->pathIndex = e->pathIndex + 1 >= count ? 0 : e->pathIndex + 1;
    else
        e->pathIndex = e->pathIndex <= 0 ? count : e->pathIndex - 1;
}

// Refreshed when seen, else when the tick falls into a window of the last
// frame's length once per period ms
void RefreshProbeSometimes(Entity* e, uint32_t period)
{
    if (e->visible || GetTickCount() % period < LastFrameElapsed())
        ProbeRefresh(e);
}

} // namespace

int32_t PathPointCount(const int32_t* path)
{
    int32_t n = 0;
    if (path != nullptr)
        while (path[3 * n] != kEndOfPoints)
            ++n;
    return n;
}

int32_t RouteHeading(Entity* e, int32_t s)
{
    if (e->behaviour == nullptr)
        return FollowPath(e, s);
    if (e->path == nullptr)
        return e->travelHeading;
    const int32_t cap = e->behaviour->speed;
    if (cap == kFrozen)
        return e->heading;
    if (cap != 0 && cap < s)
    {
        e->speed = s - FrameScale(4);
        s = e->speed;
    }
    const int32_t h = SendClassMessage(e->behaviour->classNumber, e, kMsgDropQuery) == 1 ? FollowPathStraight(e, s)
                                                                                          : FollowPathSmooth(e, s);
    if (e->visible || (g_shell.frameCounter & 7) == 5)
        ProbeRefresh(e);
    return h;
}

int32_t FollowPath(Entity* e, int32_t s)
{
    const int32_t h = SendClassMessage(e->classNumber, e, kMsgDropQuery) == 1 ? FollowPathStraight(e, s)
                                                                              : FollowPathSmooth(e, s);
    RefreshProbeSometimes(e, 198);
    return h;
}

int32_t FollowPathStraight(Entity* e, int32_t s)
{
    if (s == 0 || PathPointCount(e->path) == 0)
    {
        e->velocity[0] = e->velocity[1] = e->velocity[2] = 0;
        return e->heading;
    }
    const int32_t* t = StraightTarget(e, s);
    const int32_t f = FixedAtan2(t[0] - e->X(), t[2] - e->Z()) & 0xFFF;
    const int32_t h = (f - e->travelHeading) & 0xFFF;
    if (h > 32 || (g_shell.frameCounter & 15) == 10 || e->behaviour != nullptr)
    {
        e->turnStep = SignedAngle(e->travelHeading, f) / (1000 / (std::abs(s) + 50) + 1);
        e->travelHeading = (e->travelHeading + Moved(e->turnStep)) & 0xFFF;
    }
    int32_t v[3] = {t[0] - e->X(), t[1] - e->Y() - e->type->maxY, t[2] - e->Z()};
    NormalizeQ12(v);
    const int32_t c = Cosine(ArcSin(v[1]));
    e->velocity[0] = s * (c * Sine(e->travelHeading) / 4096) / 4096;
    e->velocity[2] = s * (c * Cosine(e->travelHeading) / 4096) / 4096;
    if (!e->airborne && !e->visible)
        e->velocity[1] = std::abs(s) * v[1] / 4096;
    e->orientation.t[0] += Moved(e->velocity[0]);
    e->orientation.t[2] += Moved(e->velocity[2]);
    if (!(e->airborne && e->visible))
        e->orientation.t[1] += Moved(e->velocity[1]);
    if (std::abs(t[0] - e->X()) < 8 * std::abs(s) && std::abs(t[2] - e->Z()) < 8 * std::abs(s))
        StraightArrive(e, s);
    return f;
}

int32_t FollowPathSmooth(Entity* e, int32_t s)
{
    const int32_t count = PathPointCount(e->path);
    if (s == 0 || count == 0)
    {
        e->velocity[0] = e->velocity[1] = e->velocity[2] = 0;
        return e->heading;
    }
    if (e->pathIndex < 0 || e->pathIndex >= count)
        e->pathIndex = 0;
    const int32_t* t = e->path + 3 * e->pathIndex;
    int32_t v[3] = {(t[0] - e->X()) / 16, (t[1] - e->Y()) / 16, (t[2] - e->Z()) / 16};
    const int32_t d = FixedAtan2(v[0], v[2]) & 0xFFF;
    const int32_t off = SignedAngle(e->travelHeading, d);
    if (std::abs(off) > 32 || GetTickCount() % 242 < LastFrameElapsed())
    {
        e->turnStep = off / (16384 / (std::abs(s) + 1524));
        e->travelHeading = (e->travelHeading + Moved(e->turnStep)) & 0xFFF;
    }
    NormalizeQ12(v);
    for (int k = 0; k < 3; ++k)
    {
        e->velocity[k] += FrameScale((s * v[k] / 4096 - e->velocity[k]) / 16);
        e->orientation.t[k] += Moved(e->velocity[k]);
    }
    const int32_t r = std::abs(s) * (SpeedFactor() * 450 / 256 + 1598) / 256;
    if (std::abs(t[0] - e->X()) < r && std::abs(t[1] - e->Y()) < r && std::abs(t[2] - e->Z()) < r)
    {
        if (s >= 0)
            e->pathIndex = e->pathIndex + 1 >= count ? 0 : e->pathIndex + 1;
        else
            e->pathIndex = e->pathIndex <= 0 ? count - 1 : e->pathIndex - 1;
    }
    return d;
}

int32_t TurnTowards(Entity* e, int32_t target, int32_t divisor)
{
    if (e->speed == 0)
        return e->yawRate;
    const int32_t step = SignedAngle(e->heading, target) / divisor;
    e->heading = (e->heading + Moved(step)) & 0xFFF;
    return step;
}

void SteerTowards(Entity* e, int32_t target)
{
    if (e->speed == 0)
        return;
    int32_t c = SignedAngle(e->heading, target);
    c = c > 500 ? 500 : c < -500 ? -500 : c;
    e->yawRate += FrameScale(c / 40);
    e->heading = (e->heading + Moved(e->yawRate)) & 0xFFF;
    const int32_t decay = FrameScale(1);
    e->yawRate = e->yawRate > decay ? e->yawRate - decay : e->yawRate < -decay ? e->yawRate + decay : 0;
    e->heading = (e->heading + Moved(c / 16)) & 0xFFF;
}
