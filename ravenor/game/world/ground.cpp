// ground.cpp -- vertical rays into the road faces, settling and tilting
#include "ravenor/game/world/ground.h"

#include <algorithm>

#include "ravenor/engine/render/city_cells.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/world/entity.h"

namespace {

constexpr int32_t kRayTop = -8000;

int64_t Dot(const int64_t a[3], const int64_t b[3])
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

void Cross(const int64_t a[3], const int64_t b[3], int64_t out[3])
{
    const int64_t r[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    out[0] = r[0];
    out[1] = r[1];
    out[2] = r[2];
}

bool Overlaps(int32_t lo, int32_t hi, int32_t a, int32_t b)
{
    return std::max(lo, std::min(a, b)) <= std::min(hi, std::max(a, b));
}

} // namespace

uint32_t GroundFrame()
{
    return g_shell.frameCounter;
}

bool RayTriangle(const int32_t o[3], const int32_t d[3], const Vector4s& v0, const Vector4s& v1, const Vector4s& v2,
                 int32_t out[3])
{
    const int64_t e1[3] = {v1.x - v0.x, v1.y - v0.y, v1.z - v0.z};
    const int64_t e2[3] = {v2.x - v0.x, v2.y - v0.y, v2.z - v0.z};
    const int64_t dir[3] = {d[0], d[1], d[2]};
    int64_t p[3];
    Cross(dir, e2, p);
    const int64_t det = Dot(e1, p);
    if (det <= 0 || (det >> 12) == 0)
        return false;
    const int64_t t0[3] = {int64_t{o[0]} - v0.x, int64_t{o[1]} - v0.y, int64_t{o[2]} - v0.z};
    const int64_t u = Dot(t0, p);
    if (u < 0 || u > det)
        return false;
    int64_t q[3];
    Cross(t0, e1, q);
    const int64_t v = Dot(dir, q);
    if (v < 0 || u + v > det)
        return false;
    const int64_t t = Dot(e2, q) / (det >> 12);
    for (int k = 0; k < 3; ++k)
        out[k] = static_cast<int32_t>(o[k] + dir[k] * t / 4096);
    return true;
}

bool RayCastScenery(const int32_t origin[3], const int32_t direction[3], int32_t out[3], const P3dFace** triangle)
{
    const int32_t o[3] = {origin[0] / 8, -origin[1] / 8, -origin[2] / 8};
    const int32_t d[3] = {direction[0] / 8, -direction[1] / 8, -direction[2] / 8};
    const int32_t end[3] = {o[0] + d[0], o[1] + d[1], o[2] + d[2]};
    for (CityCell& cell : g_world.cells)
    {
        if (cell.roads.empty())
            continue;
        if (!Overlaps(cell.roadMin.x, cell.roadMax.x, o[0], end[0]) ||
            !Overlaps(cell.roadMin.y, cell.roadMax.y, o[1], end[1]) ||
            !Overlaps(cell.roadMin.z, cell.roadMax.z, o[2], end[2]))
            continue;
        for (const P3dFace* face : cell.roads)
        {
            const Vector4s& a = face->corners[0].vertex->position;
            const Vector4s& b = face->corners[1].vertex->position;
            const Vector4s& c = face->corners[2].vertex->position;
            if (o[0] < std::min({a.x, b.x, c.x}) || o[0] > std::max({a.x, b.x, c.x}))
                continue;
            if (o[2] < std::min({a.z, b.z, c.z}) || o[2] > std::max({a.z, b.z, c.z}))
                continue;
            int32_t hit[3];
            if (!RayTriangle(o, d, a, b, c, hit))
                continue;
            out[0] = hit[0] << 3;
            out[1] = -hit[1] << 3;
            out[2] = -hit[2] << 3;
            if (triangle != nullptr)
                *triangle = face;
            return true;
        }
    }
    return false;
}

GroundProbe ProbeGround(int32_t x, int32_t z)
{
    GroundProbe probe;
    const int32_t origin[3] = {x, kRayTop, z};
    const int32_t direction[3] = {0, -kRayTop, 0};
    int32_t hit[3];
    const P3dFace* face = nullptr;
    if (RayCastScenery(origin, direction, hit, &face))
    {
        probe.triangle = face;
        probe.height = hit[1];
        probe.point[0] = x;
        probe.point[1] = hit[1];
        probe.point[2] = z;
        probe.normal[0] = kNormalUnset;
    }
    return probe;
}

void ProbeRefresh(Entity* e)
{
    if (e->probeFrame == GroundFrame())
        return;
    e->groundProbe = ProbeGround(e->X(), e->Z());
    e->probeFrame = GroundFrame();
}

void ProbeNormal(GroundProbe& probe, int32_t out[3])
{
    if (probe.triangle == nullptr)
    {
        out[0] = 0;
        out[1] = -4096;
        out[2] = 0;
        return;
    }
    if (probe.normal[0] == kNormalUnset)
    {
        const Vector4s& a = probe.triangle->corners[0].vertex->position;
        const Vector4s& b = probe.triangle->corners[1].vertex->position;
        const Vector4s& c = probe.triangle->corners[2].vertex->position;
        const int64_t e2[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
        const int64_t e1[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
        int64_t n64[3];
        Cross(e2, e1, n64);
        // Halve into 32 bits before the normalisation takes over
        while (std::abs(n64[0]) > INT32_MAX / 2 || std::abs(n64[1]) > INT32_MAX / 2 || std::abs(n64[2]) > INT32_MAX / 2)
            for (int64_t& c64 : n64)
                c64 /= 2;
        int32_t n[3] = {static_cast<int32_t>(n64[0]), static_cast<int32_t>(n64[1]), static_cast<int32_t>(n64[2])};
        NormalizeQ12(n);
        probe.normal[0] = -n[0];
        probe.normal[1] = n[1];
        probe.normal[2] = -n[2];
    }
    for (int k = 0; k < 3; ++k)
        out[k] = probe.normal[k];
}

bool PlaneSide(const int32_t p[3], const int32_t n[3], const int32_t v[3])
{
    const int64_t s = int64_t{n[0]} * (p[0] - v[0]) + int64_t{n[1]} * (p[1] - v[1]) + int64_t{n[2]} * (v[2] - p[2]);
    return s > 524288;
}

bool IsWallAt(Entity* e, GroundProbe& probe)
{
    if (probe.height + 200 >= e->Y())
        return false;
    const int32_t p[3] = {e->X(), e->Y() + e->type->maxY, e->Z()};
    int32_t n[3];
    ProbeNormal(probe, n);
    return PlaneSide(p, n, probe.point);
}

bool GroundBlocked(Entity* e, int32_t x, int32_t y, int32_t z)
{
    GroundProbe probe = ProbeGround(x, z);
    if (probe.height == -1)
        return true;
    if (probe.height + 200 >= y)
        return false;
    const int32_t p[3] = {e->X(), e->Y() + e->type->maxY, e->Z()};
    int32_t n[3];
    ProbeNormal(probe, n);
    return PlaneSide(p, n, probe.point);
}

void GroundFrameVector(int32_t out[3], const int32_t angles[3], int32_t turn, int32_t length)
{
    Orientation o;
    o.SetRotationX(-angles[0] / 2);
    o.RotateZ(-angles[2] / 2);
    o.RotateY(-turn / 2);
    const int32_t v[3] = {0, 0, length};
    RotateToWorld(&o, v, out);
}

void BuildGroundRotation(Entity* e)
{
    e->orientation.SetRotationX(-e->groundPitch / 2);
    e->orientation.RotateZ(-e->groundRoll / 2);
    e->orientation.RotateY(-e->heading / 2);
}

void BuildPropRotation(Entity* e)
{
    e->orientation.SetRotationY(e->bodyYaw / 2);
    e->orientation.RotateX(e->groundPitch / 2);
    e->orientation.RotateZ(-e->groundRoll / 2);
}

void StandUpright(Entity* e)
{
    e->groundPitch = e->groundRoll = 0;
    e->touchingPlayer = 0;
    BuildGroundRotation(e);
}

void SettleLevel(Entity* e)
{
    ProbeRefresh(e);
    if (e->groundProbe.height != -1)
    {
        e->orientation.t[1] = e->groundProbe.height - e->type->maxY;
        e->rideOffset = -e->type->maxY;
    }
    e->groundPitch = e->groundRoll = 0;
    BuildGroundRotation(e);
}

void SettleOnGround(Entity* e)
{
    ProbeRefresh(e);
    if (e->groundProbe.height == -1)
    {
        e->groundPitch = e->groundRoll = 0;
    }
    else
    {
        int32_t n[3];
        ProbeNormal(e->groundProbe, n);
        e->groundRoll = -ArcSin(n[0]);
        e->groundPitch = ArcSin(n[2]);
        e->orientation.t[1] = e->groundProbe.height - e->type->maxY;
        e->rideOffset = -e->type->maxY;
    }
    BuildGroundRotation(e);
}

void SettleTilted(Entity* e)
{
    ProbeRefresh(e);
    if (e->airborne)
        return;
    if (e->groundProbe.height == -1)
    {
        e->groundPitch = e->groundRoll = 0;
    }
    else
    {
        int32_t n[3];
        ProbeNormal(e->groundProbe, n);
        e->orientation.t[1] = e->groundProbe.height - e->type->maxY;
        e->rideOffset = -e->type->maxY;
        e->groundPitch += (ArcSin(n[2]) - e->groundPitch) / 4;
        e->groundRoll -= (ArcSin(n[0]) + e->groundRoll) / 4;
    }
    BuildGroundRotation(e);
}

void FollowGround(Entity* e)
{
    ProbeRefresh(e);
    const GroundProbe& probe = e->groundProbe;
    if (probe.height == -1)
    {
        e->groundPitch = e->groundRoll = 0;
        BuildGroundRotation(e);
        return;
    }
    const int32_t rest = probe.height - e->type->maxY;
    int32_t& y = e->orientation.t[1];
    if (!e->airborne)
    {
        int32_t n[3];
        ProbeNormal(e->groundProbe, n);
        const int32_t angles[3] = {ArcSin(n[2]), 0, -ArcSin(n[0])};
        int32_t slope[3];
        GroundFrameVector(slope, angles, e->travelHeading, e->speed);
        if (y + 20 < rest || e->velocity[1] + 10 < slope[1])
        {
            // Off an edge: it starts to fall.
            e->airborne = 1;
            e->velocity[1] /= 2;
            e->pitch = 0;
        }
        else
        {
            e->velocity[1] = slope[1];
            y = rest;
            e->rideOffset = -e->type->maxY;
            e->groundPitch += (angles[0] - e->groundPitch) / 4;
            e->groundRoll += (angles[2] - e->groundRoll) / 4;
            BuildGroundRotation(e);
            return;
        }
    }
    e->velocity[1] += FrameScale(e->type->gravity);
    y += static_cast<int32_t>(int64_t{e->velocity[1]} * SpeedFactor() / 256);
    if (e->pitch >= -499)
        e->pitch -= 20 * SpeedFactor() / 256;
    BuildGroundRotation(e);
    e->orientation.RotateX(e->pitch / 2);
    if (rest <= y)
        e->airborne = 0;
}

void DropObjectsToGround(CoordList& list)
{
    for (int32_t i = 0; i < list.PointCount(); ++i)
    {
        int32_t* p = &list.words[static_cast<size_t>(i) * 3];
        const GroundProbe probe = ProbeGround(p[0], p[2]);
        if (probe.height != -1)
            p[1] = probe.height;
    }
}
