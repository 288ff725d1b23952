// collision_grid.cpp -- ground and wall queries over the faces of track models
#include "racing/engine/collision_grid.h"

#include "engine/base/math_utils.h"
#include "engine/scene/3d/group3d.h"
#include "racing/engine/canvas.h"

#include <cmath>
#include <cstring>

namespace racing {

namespace {

constexpr float kTiny = 1e-10f;
// Derived counts stay within this many cells per axis.
constexpr int kMaxDerivedCount = 256;
// A march never takes more samples than this (a huge segment or a tiny
// precision would otherwise run for ever).
constexpr double kMaxSteps = 1 << 20;

float unit()
{
    if (fixedScale() == -1)
        initMathTables();
    return inverseFixedScale();
}

void cross(const float a[3], const float b[3], float out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

void worldPosition(const Vertex* v, float scale, float out[3])
{
    out[0] = float(v->x) * scale;
    out[1] = float(v->y) * scale;
    out[2] = float(v->z) * scale;
}

int cellIndex(float coordinate, float min, float cell)
{
    if (!(cell >= 1e-5f))
        return 0;
    const double i = double(coordinate - min) / double(cell);
    if (!(i > -1e9 && i < 1e9))
        return 0;
    return int(i);
}

int clampIndex(int i, int n)
{
    return i < 0 ? 0 : (i >= n ? n - 1 : i);
}

// Whether p, seen along axis k, lies inside triangle a b c; on success the
// point of the triangle's plane on that line goes to out.
bool triangleHit(const float p[3], int k, const float a[3], const float b[3], const float c[3], float out[3])
{
    float P[3], A[3], B[3], C[3];
    std::memcpy(P, p, sizeof P);
    std::memcpy(A, a, sizeof A);
    std::memcpy(B, b, sizeof B);
    std::memcpy(C, c, sizeof C);
    P[k] = A[k] = B[k] = C[k] = 0.0f;
    float e[3], q[3], s1[3], s2[3], s3[3];
    for (int i = 0; i < 3; ++i)
    {
        e[i] = B[i] - A[i];
        q[i] = P[i] - A[i];
    }
    cross(e, q, s1);
    for (int i = 0; i < 3; ++i)
    {
        e[i] = C[i] - B[i];
        q[i] = P[i] - B[i];
    }
    cross(e, q, s2);
    for (int i = 0; i < 3; ++i)
    {
        e[i] = A[i] - C[i];
        q[i] = P[i] - C[i];
    }
    cross(e, q, s3);
    // Inside when the three turns agree. A point on the line of the edge
    // A-B (s1 0) is inside only when the other two agree as well: past the
    // end of that edge they differ.
    if (!(s2[k] * s1[k] >= -kTiny && s3[k] * s1[k] >= -kTiny && s2[k] * s3[k] >= -kTiny))
        return false;
    float ab[3], bc[3], n[3];
    for (int i = 0; i < 3; ++i)
    {
        ab[i] = b[i] - a[i];
        bc[i] = c[i] - b[i];
    }
    cross(ab, bc, n);
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(length >= kTiny))
        return false;
    for (float& x : n)
        x /= length;
    const float d = -(a[0] * n[0] + a[1] * n[1] + a[2] * n[2]);
    if (std::fabs(n[k]) < kTiny)
        return false;
    float rest = 0.0f;
    for (int i = 0; i < 3; ++i)
        if (i != k)
            rest += p[i] * n[i];
    std::memcpy(out, p, 3 * sizeof(float));
    out[k] = (-d - rest) / n[k];
    return true;
}

const WCHAR* nameOrNull(const CollisionHit& hit)
{
    return hit.meshName[0] ? hit.meshName : nullptr;
}

} // namespace

uint64_t CollisionGrid::key(int x, int y, int z)
{
    auto field = [](int v) { return uint64_t(uint32_t(v + 1) & 0x1FFFFFu); };
    return field(x) << 42 | field(y) << 21 | field(z);
}

CollisionGrid::CollisionGrid(const Group3D& group, float precision_, const WCHAR* wanted, const WCHAR* unwanted,
                             LoadListener* listener, int nx, int ny, int nz)
{
    auto report = [&](int percent) {
        if (listener)
            listener->onLoad(u"Analyzing 3D Models", group.name, percent);
    };
    report(0);
    bool any = false;
    for (int i = 0; i < group.meshCount(); ++i)
    {
        const Mesh* m = group.mesh(i);
        any = any || (m->vertexCount() > 0 && Group3D::passesFilter(m->name, wanted, unwanted));
    }
    if (any)
        group.getBounds(min, max, wanted, unwanted);
    size.setDifference(max, min);
    report(25);
    count[0] = nx;
    count[1] = ny;
    count[2] = nz;
    if (nx < 0 || ny < 0 || nz < 0)
        deriveCounts(group, wanted, unwanted);
    // A count below 1 would divide the box by nothing.
    for (int& n : count)
        n = n < 1 ? 1 : n;
    precision = precision_;
    const float extent[3] = {size.x, size.y, size.z};
    for (int k = 0; k < 3; ++k)
        cellSize[k] = extent[k] / float(count[k]);
    report(50);
    const int n = group.meshCount();
    for (int i = 0; i < n; ++i)
    {
        const Mesh* m = group.mesh(i);
        if (!Group3D::passesFilter(m->name, wanted, unwanted))
            continue;
        for (int f = 0; f < m->faceCount(); ++f)
            insert(m->face(f));
        report(50 + 50 * i / n);
    }
    report(100);
}

void CollisionGrid::deriveCounts(const Group3D& group, const WCHAR* wanted, const WCHAR* unwanted)
{
    const float scale = unit();
    double sum[3] = {0, 0, 0};
    long faces = 0;
    for (int i = 0; i < group.meshCount(); ++i)
    {
        const Mesh* m = group.mesh(i);
        if (!Group3D::passesFilter(m->name, wanted, unwanted))
            continue;
        for (int f = 0; f < m->faceCount(); ++f)
        {
            const Face* face = m->face(f);
            const Vertex* v[3] = {m->vertex(face->a), m->vertex(face->b), m->vertex(face->c)};
            const int32_t p[3][3] = {{v[0]->x, v[0]->y, v[0]->z}, {v[1]->x, v[1]->y, v[1]->z}, {v[2]->x, v[2]->y, v[2]->z}};
            for (int k = 0; k < 3; ++k)
            {
                const int32_t lo = std::min({p[0][k], p[1][k], p[2][k]});
                const int32_t hi = std::max({p[0][k], p[1][k], p[2][k]});
                sum[k] += double(int64_t(hi) - lo) * scale;
            }
            ++faces;
        }
    }
    if (faces == 0)
        return;
    const float extent[3] = {size.x, size.y, size.z};
    for (int k = 0; k < 3; ++k)
    {
        const double half = 0.5 * sum[k] / double(faces);
        const double cells = half > 0.0 ? double(extent[k]) / half : 1.0;
        count[k] = cells < 1.0 ? 1 : (cells > kMaxDerivedCount ? kMaxDerivedCount : int(cells));
    }
}

void CollisionGrid::insert(const Face* face)
{
    const Mesh* m = face->mesh;
    const float scale = unit();
    const float lo3[3] = {min.x, min.y, min.z};
    int lo[3], hi[3];
    const int32_t corners[3] = {face->a, face->b, face->c};
    for (int v = 0; v < 3; ++v)
    {
        float p[3];
        worldPosition(m->vertex(corners[v]), scale, p);
        for (int k = 0; k < 3; ++k)
        {
            const int i = cellIndex(p[k], lo3[k], cellSize[k]);
            lo[k] = v == 0 || i < lo[k] ? i : lo[k];
            hi[k] = v == 0 || i > hi[k] ? i : hi[k];
        }
    }
    for (int y = lo[1]; y <= hi[1]; ++y)
        for (int z = lo[2]; z <= hi[2]; ++z)
            cells[key(-1, y, z)].push_back(face);
    for (int x = lo[0]; x <= hi[0]; ++x)
        for (int z = lo[2]; z <= hi[2]; ++z)
            cells[key(x, -1, z)].push_back(face);
    for (int x = lo[0]; x <= hi[0]; ++x)
        for (int y = lo[1]; y <= hi[1]; ++y)
            cells[key(x, y, -1)].push_back(face);
}

const std::vector<const Face*>* CollisionGrid::cell(int x, int y, int z) const
{
    const auto it = cells.find(key(x, y, z));
    return it == cells.end() ? nullptr : &it->second;
}

void CollisionGrid::faceNormal(const Face* face, float n[3]) const
{
    const float scale = unit();
    if (normalSource == 0)
    {
        n[0] = float(face->nx) * scale;
        n[1] = float(face->ny) * scale;
        n[2] = float(face->nz) * scale;
        return;
    }
    Vector3 v;
    face->computeNormal(v);
    n[0] = v.x;
    n[1] = v.y;
    n[2] = v.z;
}

bool CollisionGrid::testCell(const std::vector<const Face*>& faces, const float p[3], int axis, int mode,
                             CollisionHit& hit)
{
    hit.meshName[0] = 0;
    float best = mode == 1 ? -1e38f : 1e38f;
    const Mesh* taken = nullptr;
    const float scale = unit();
    for (const Face* face : faces)
    {
        float n[3];
        faceNormal(face, n);
        const float c = n[axis];
        if (mode == 0 ? !(c > kTiny) : !(c < -kTiny))
            continue;
        const Mesh* m = face->mesh;
        float a[3], b[3], cc[3], h[3];
        worldPosition(m->vertex(face->a), scale, a);
        worldPosition(m->vertex(face->b), scale, b);
        worldPosition(m->vertex(face->c), scale, cc);
        if (!triangleHit(p, axis, a, b, cc, h))
            continue;
        const float height = h[axis];
        const bool better = mode == 1 ? (height <= p[axis] && height > best) : (height >= p[axis] && height < best);
        if (!better)
            continue;
        best = height;
        hit.point.set(h[0], h[1], h[2]);
        hit.normal.set(n[0], n[1], n[2]);
        taken = m;
    }
    if (taken)
        copyName(hit.meshName, taken->name);
    return taken != nullptr;
}

const WCHAR* CollisionGrid::intersect(const Vector3& start, const Vector3& end, Vector3& outPoint,
                                      Vector3& outNormal, int axis, int mode)
{
    above.meshName[0] = 0;
    below.meshName[0] = 0;
    axis = axis < 0 || axis > 2 ? 2 : axis;
    float d[3] = {end.x - start.x, end.y - start.y, end.z - start.z};
    const double length = std::sqrt(double(d[0]) * d[0] + double(d[1]) * d[1] + double(d[2]) * d[2]);
    // One sample per precision step of the segment's length.
    const double samples = precision > 0.0f ? length / double(precision) : 0.0;
    const int steps = samples >= 0.0 && samples < kMaxSteps ? int(samples) : (samples >= kMaxSteps ? int(kMaxSteps) : 0);
    for (float& x : d)
        x = length > 0.0 ? float(double(x) / length * precision) : 0.0f;
    float p[3] = {end.x, end.y, end.z};
    const float lo[3] = {min.x, min.y, min.z};
    for (int i = 0; i <= steps; ++i)
    {
        int index[3];
        for (int k = 0; k < 3; ++k)
            index[k] = clampIndex(cellIndex(p[k], lo[k], cellSize[k]), count[k]);
        index[axis] = -1;
        if (const std::vector<const Face*>* faces = cell(index[0], index[1], index[2]))
        {
            if (!below.meshName[0] && (mode == 1 || mode == 2))
                testCell(*faces, p, axis, 1, below);
            if (!above.meshName[0] && (mode == 0 || mode == 2))
                testCell(*faces, p, axis, 0, above);
        }
        if (below.meshName[0] && above.meshName[0])
            break;
        for (int k = 0; k < 3; ++k)
            p[k] -= d[k];
    }
    const CollisionHit& hit = mode == 0 ? above : below;
    if (!hit.meshName[0])
        return nullptr;
    outPoint = hit.point;
    outNormal = hit.normal;
    return nameOrNull(hit);
}

const WCHAR* CollisionGrid::findGround(Vector3& point, Vector3& outNormal)
{
    const float y = point.y;
    point.y = max.y;
    Vector3 hit;
    const WCHAR* name = intersect(point, point, hit, outNormal, 1, 1);
    point.y = name ? hit.y : y;
    return name;
}

float pointLineDistanceSq(const Vector3& p, const Vector3& a, const Vector3& b)
{
    Vector3 pb, ab;
    pb.setDifference(p, b);
    ab.setDifference(a, b);
    const float ab2 = ab.lengthSquared();
    if (!(ab2 > 0.0f))
    {
        Vector3 pa;
        pa.setDifference(p, a);
        return pa.lengthSquared();
    }
    const float t = pb.dot(ab);
    return pb.lengthSquared() - t * t / ab2;
}

} // namespace racing
