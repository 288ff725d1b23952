// track_ground.cpp -- a grid of the upward faces of one mesh
#include "racing/framework/track_ground.h"

#include "racing/engine/collision_grid.h"

#include "engine/scene/3d/mesh.h"
#include "engine/scene/3d/vertex_face.h"

#include <algorithm>
#include <cmath>

namespace racing {

TrackGround::TrackGround(const Mesh& mesh, int cellsX_, int cellsZ_)
    : cellsX(std::max(cellsX_, 1)), cellsZ(std::max(cellsZ_, 1))
{
    float maxX = -1e30f, maxZ = -1e30f;
    minX = minZ = 1e30f;
    top = -1e30f;
    for (int f = 0; f < mesh.faceCount(); ++f)
    {
        const Face* face = mesh.face(f);
        int idx[3] = {face->a, face->b, face->c};
        if (std::any_of(idx, idx + 3, [&](int i) { return i < 0 || i >= mesh.vertexCount(); }))
            continue;
        Triangle t;
        for (int k = 0; k < 3; ++k)
        {
            const Vertex* v = mesh.vertex(idx[k]);
            t.p[k].setFromFixed(v->x, v->y, v->z);
        }
        t.normal.setTriangleNormal(t.p[0], t.p[1], t.p[2]);
        if (!(t.normal.y < -1e-10f))
            continue;
        for (const Vector3& p : t.p)
        {
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minZ = std::min(minZ, p.z), maxZ = std::max(maxZ, p.z);
            top = std::max(top, p.y);
        }
        triangles.push_back(t);
    }
    cells.assign(size_t(cellsX * cellsZ), {});
    if (triangles.empty())
        return;
    cellW = std::max((maxX - minX) / float(cellsX), 1e-3f);
    cellD = std::max((maxZ - minZ) / float(cellsZ), 1e-3f);
    for (int t = 0; t < int(triangles.size()); ++t)
    {
        const Triangle& tri = triangles[size_t(t)];
        float x0 = std::min({tri.p[0].x, tri.p[1].x, tri.p[2].x}), x1 = std::max({tri.p[0].x, tri.p[1].x, tri.p[2].x});
        float z0 = std::min({tri.p[0].z, tri.p[1].z, tri.p[2].z}), z1 = std::max({tri.p[0].z, tri.p[1].z, tri.p[2].z});
        int cx0 = std::clamp(int((x0 - minX) / cellW), 0, cellsX - 1), cx1 = std::clamp(int((x1 - minX) / cellW), 0, cellsX - 1);
        int cz0 = std::clamp(int((z0 - minZ) / cellD), 0, cellsZ - 1), cz1 = std::clamp(int((z1 - minZ) / cellD), 0, cellsZ - 1);
        for (int cz = cz0; cz <= cz1; ++cz)
            for (int cx = cx0; cx <= cx1; ++cx)
                cells[size_t(cz * cellsX + cx)].push_back(t);
    }
}

bool TrackGround::findGround(Vector3& point, Vector3& normal)
{
    if (triangles.empty() || !std::isfinite(point.x) || !std::isfinite(point.z))
        return false;
    float fx = (point.x - minX) / cellW, fz = (point.z - minZ) / cellD;
    if (fx < 0 || fz < 0 || fx > float(cellsX) || fz > float(cellsZ))
        return false;
    int cx = std::min(int(fx), cellsX - 1), cz = std::min(int(fz), cellsZ - 1);
    bool hit = false;
    float best = -1e30f;
    for (int t : cells[size_t(cz * cellsX + cx)])
    {
        const Triangle& tri = triangles[size_t(t)];
        // Barycentric test in x and z.
        float ax = tri.p[0].x, az = tri.p[0].z;
        float e1x = tri.p[1].x - ax, e1z = tri.p[1].z - az, e2x = tri.p[2].x - ax, e2z = tri.p[2].z - az;
        float det = e1x * e2z - e2x * e1z;
        if (std::fabs(det) < 1e-12f)
            continue;
        float px = point.x - ax, pz = point.z - az;
        float u = (px * e2z - e2x * pz) / det, v = (e1x * pz - px * e1z) / det;
        const float eps = -1e-5f;
        if (u < eps || v < eps || u + v > 1.0f - eps)
            continue;
        float y = tri.p[0].y + u * (tri.p[1].y - tri.p[0].y) + v * (tri.p[2].y - tri.p[0].y);
        if (y > top + 1e-3f || (hit && y <= best))
            continue;
        hit = true;
        best = y;
        normal.copyFrom(tri.normal);
    }
    if (hit)
        point.y = best;
    return hit;
}

bool GridGround::findGround(Vector3& point, Vector3& normal)
{
    return grid && grid->findGround(point, normal) != nullptr;
}

} // namespace racing
