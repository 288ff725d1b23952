// track_model.cpp -- the track builder's work on the road mesh
#include "racing/framework/track_model.h"

#include "engine/base/math_utils.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/3d/vertex_face.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace racing {

const char* const kSegmentCountMessage = "The racing track must have 200 ~ 500 segments.";

void TrackModel::direction(int segment, Vector3& out) const
{
    const int n = segmentCount;
    out.setDifference(points[size_t((segment + 1) % n)], points[size_t(segment % n)]);
}

namespace {

void roughen(Mesh& road, int n, const TrackKeys& keys)
{
    const float scale = float(fixedScale());
    for (int i = 0; i < n; ++i)
    {
        float xA = 0, xB = 0, zA = 0, zB = 0;
        if (keys.maxXZOffset != 0.0f)
        {
            xA = randomFloat(-keys.maxXZOffset, keys.maxXZOffset);
            xB = randomFloat(-keys.maxXZOffset, keys.maxXZOffset);
            zA = randomFloat(-keys.maxXZOffset, keys.maxXZOffset);
            zB = randomFloat(-keys.maxXZOffset, keys.maxXZOffset);
        }
        float yA = randomFloat(-keys.maxYOffset, keys.maxYOffset);
        float yB = randomFloat(-keys.maxYOffset, keys.maxYOffset);
        auto shift = [&](int index, float x, float y, float z) {
            Vertex* v = road.vertex(index);
            if (keys.maxXZOffset != 0.0f)
            {
                v->x += int32_t(x * scale);
                v->z += int32_t(z * scale);
            }
            v->y += int32_t(y * scale);
        };
        if (keys.zigzagSide == 0 || keys.zigzagSide == 2)
        {
            shift(8 * i, xA, yA, zA);
            shift(8 * i + 1, xA, yA, zA);
        }
        if (keys.zigzagSide == 1 || keys.zigzagSide == 2)
        {
            shift(8 * i + 6, xB, yB, zB);
            shift(8 * i + 7, xB, yB, zB);
        }
    }
}

Mesh* cutWalls(Mesh& road, int n, float guardrailHeight)
{
    Mesh* walls = new Mesh();
    for (int i = 0; i < 8 * n; ++i)
        walls->addVertexRecord(road.vertex(i)->clone());
    const int32_t h = int32_t(guardrailHeight * float(fixedScale()));
    for (int i = 0; i < n; ++i)
    {
        Vertex* w = walls->vertex(8 * i + 3);
        *w = *walls->vertex(8 * i + 2);
        w->y += h;
        w = walls->vertex(8 * i + 4);
        *w = *walls->vertex(8 * i + 5);
        w->y += h;
    }
    for (int i = n - 1; i >= 0; --i)
    {
        for (int f : {9, 8, 5, 4})
        {
            const Face* face = road.face(14 * i + f);
            walls->addFace(face->c, face->b, face->a);
        }
        for (int f : {13, 12, 1, 0})
        {
            Face* face = road.face(14 * i + f);
            walls->addFace(face->a, face->b, face->c);
            road.faces.removeAt(14 * i + f);
            delete face;
        }
    }
    return walls;
}

// A car track's rough edges: each side moved along the direction from the
// segment's point to its first vertex, its middle outer vertex raised.
void roughenCarEdges(Mesh& road, const TrackModel& out, int i, const TrackKeys& keys)
{
    const float scale = float(fixedScale());
    float s = randomFloat(0.0f, keys.maxXZOffset) * 0.1f;
    float y = randomFloat(-keys.maxYOffset, keys.maxYOffset);
    Vector3 dir;
    const Vertex* first = road.vertex(8 * i);
    dir.setFromFixed(first->x, first->y, first->z);
    dir.subtract(out.points[size_t(i)]);
    auto shift = [&](int index, float by) {
        Vertex* v = road.vertex(index);
        v->x += int32_t(dir.x * scale * by);
        v->y += int32_t(dir.y * scale * by);
        v->z += int32_t(dir.z * scale * by);
    };
    if (keys.zigzagSide == 0 || keys.zigzagSide == 2)
    {
        for (int k = 0; k < 3; ++k)
            shift(8 * i + k, s);
        road.vertex(8 * i + 1)->y += int32_t(y * scale);
    }
    if (keys.zigzagSide == 1 || keys.zigzagSide == 2)
    {
        for (int k = 5; k < 8; ++k)
            shift(8 * i + k, -s);
        road.vertex(8 * i + 6)->y += int32_t(y * scale);
    }
}

} // namespace

TrackBuild buildTrackModel(Mesh& road, const TrackKeys& keys, TrackModel& out, Mesh*& walls,
                           const std::function<void(int percent)>& progress)
{
    walls = nullptr;
    const int n = road.vertexCount() / 8;
    if (n < 2 || road.faceCount() < 14 * n)
        return TrackBuild::Refused;
    for (int f = 0; f < 14 * n; ++f)
    {
        const Face* face = road.face(f);
        if (face->a < 0 || face->b < 0 || face->c < 0 || face->a >= 8 * n || face->b >= 8 * n || face->c >= 8 * n)
            return TrackBuild::Refused;
    }
    TrackBuild result = n < kMinSegments || n > kMaxSegments ? TrackBuild::SegmentCountOutOfRange : TrackBuild::Built;

    out.segmentCount = n;
    out.nextCheckpoint = 0;
    out.lapCount = out.lapsLeft = keys.exercise ? 1 : 2;
    for (int k = 0; k < 5; ++k)
        out.checkpoints[k] = n * (k + 1) / 5 - 5;
    out.checkpoints[5] = 1;

    if (keys.zigzag && !keys.car)
        roughen(road, n, keys);
    if (!keys.car)
        walls = cutWalls(road, n, keys.guardrailHeight);

    out.points.assign(size_t(n), Vector3());
    float measured = 0.0f, widthSum = 0.0f;
    float t = 0.0f, step = 0.1f;
    static const int32_t roadV[6] = {0x100, 0x3000, 0x6000, 0xA000, 0xD000, 0xFF00};
    static const int32_t wallV[8] = {0x200, 0x6000, 0xA000, 0x6000, 0x6000, 0xA000, 0xA000, 0xFE00};
    static const int32_t carV[8] = {0, 0x3000, 0x5000, 0x7000, 0x9000, 0xB000, 0xD000, 0x10000};
    const int edgeA = keys.car ? 3 : 2, edgeB = keys.car ? 4 : 5;
    for (int i = 0; i < n; ++i)
    {
        if (i % 10 == 0 && progress)
            progress(int(100 * int64_t(i + 1) / n));
        const Vertex* c0 = road.vertex(8 * i + 3);
        const Vertex* c1 = road.vertex(8 * i + 4);
        out.points[size_t(i)].setFromFixed((c0->x + c1->x) / 2, (c0->y + c1->y) / 2, (c0->z + c1->z) / 2);
        if (i % 10 == 1)
        {
            Vector3 d;
            d.setDifference(out.points[size_t(i)], out.points[size_t(i - 1)]);
            measured += d.length();
        }
        // The width in world units: squared fixed-point distances overflow.
        Vector3 e0, e1;
        const Vertex* a = road.vertex(8 * i + edgeA);
        const Vertex* b = road.vertex(8 * i + edgeB);
        e0.setFromFixed(a->x, a->y, a->z);
        e1.setFromFixed(b->x, b->y, b->z);
        e1.subtract(e0);
        widthSum += e1.lengthSquared();
        for (int k = 0; k < 8; ++k)
            road.vertex(8 * i + k)->u = (i & 1) ? 65536 : 0;
        if (keys.car)
        {
            if (keys.zigzag)
                roughenCarEdges(road, out, i, keys);
            for (int k = 0; k < 8; ++k)
                road.vertex(8 * i + k)->v = carV[k];
            continue;
        }
        for (int k = 1; k <= 6; ++k)
            road.vertex(8 * i + k)->v = roadV[k - 1];
        for (int k = 0; k < 8; ++k)
        {
            walls->vertex(8 * i + k)->u = int32_t(t * 65536.0f);
            walls->vertex(8 * i + k)->v = wallV[k];
        }
        t += step;
        if (t > 0.999f)
            step = -0.1f;
        else if (t < 0.001f)
            step = 0.1f;
        t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    }
    out.trackLength = 10.0f * measured;
    out.segmentLength = out.trackLength / float(n - 1);
    const float adjust = keys.widthAdjust * (keys.car ? 0.95f : 1.0f);
    out.halfWidthSquared = widthSum / float(n) * adjust * adjust * 0.25f;
    out.halfWidth = std::sqrt(out.halfWidthSquared);
    out.visibleAhead = out.segmentLength > 0.0f ? int(keys.farDistance / out.segmentLength) - (keys.car ? 2 : 0) : n;
    out.visibleAhead = std::clamp(out.visibleAhead, 0, n);
    road.normalsValid = 0;
    if (walls)
        walls->normalsValid = 0;
    return result;
}

} // namespace racing
