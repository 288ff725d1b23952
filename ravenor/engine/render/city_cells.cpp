// city_cells.cpp -- cell building, binning and drawing
#include "ravenor/engine/render/city_cells.h"

#include <algorithm>
#include <cstring>

#include "ravenor/engine/render/box_visibility.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/core/frame_pacing.h"
#include "ravenor/engine/render/poly_renderer.h"

World g_world;

namespace {

const char kVisibleMesh[] = "Object01";
const char kRoadMesh[] = "Road";

void Grow(Vector4s& lo, Vector4s& hi, const Vector4s& p)
{
    lo.Min(p);
    hi.Max(p);
}

bool InvalidCorner(const P3dVertex& v)
{
    return v.depth == 0 || v.depth == 1;
}

} // namespace

bool FaceCentroidInBox(const P3dFace& face, const int32_t lo[3], const int32_t hi[3])
{
    for (int axis = 0; axis < 3; ++axis)
    {
        int32_t sum = 0;
        for (const P3dCorner& c : face.corners)
            sum += (&c.vertex->position.x)[axis];
        const int32_t centroid = sum / 3;
        if (centroid < lo[axis] || centroid >= hi[axis])
            return false;
    }
    return true;
}

void World::ResetFaces(Vector4s& outMin, Vector4s& outMax)
{
    outMin = Vector4s{32767, 32767, 32767, 0};
    outMax = Vector4s{-32767, -32767, -32767, 0};
    for (int32_t m = 0; m < meshCount; ++m)
    {
        if (!meshes[m].scenery)
            continue;
        for (P3dFace& face : meshes[m].faces)
        {
            face.cell = kUnassigned;
            for (P3dCorner& c : face.corners)
            {
                P3dVertex& v = *c.vertex;
                v.frame = -1;
                v.screenX = v.position.x;
                v.screenY = v.position.y;
                v.depth = v.position.z;
                Grow(outMin, outMax, v.position);
            }
        }
    }
}

int32_t World::AssignFaces(const char* meshName, const int32_t lo[3], const int32_t hi[3], int32_t cell)
{
    int32_t assigned = 0;
    for (int32_t m = 0; m < meshCount; ++m)
    {
        if (!meshes[m].scenery || std::strcmp(meshes[m].name, meshName) != 0)
            continue;
        for (P3dFace& face : meshes[m].faces)
        {
            if (face.cell == kUnassigned && FaceCentroidInBox(face, lo, hi))
            {
                face.cell = cell;
                ++assigned;
            }
        }
    }
    return assigned;
}

void World::CollectFaces(CityCell& cell, int32_t number)
{
    cell.faces.clear();
    cell.roads.clear();
    for (int32_t m = 0; m < meshCount; ++m)
    {
        P3dMesh& mesh = meshes[m];
        const bool visible = std::strcmp(mesh.name, kVisibleMesh) == 0;
        if (!mesh.scenery || (!visible && std::strcmp(mesh.name, kRoadMesh) != 0))
            continue;
        for (P3dFace& face : mesh.faces)
        {
            if (face.cell != number)
                continue;
            (visible ? cell.faces : cell.roads).push_back(&face);
            if (!visible)
                for (const P3dCorner& c : face.corners)
                    Grow(cell.roadMin, cell.roadMax, c.vertex->position);
        }
    }
}

int World::AddCell(const int32_t lo[3], const int32_t hi[3])
{
    const int32_t k = cellCount;
    AssignFaces(kRoadMesh, lo, hi, k);
    if (AssignFaces(kVisibleMesh, lo, hi, k) == 0)
        return 1;
    if (k >= kMaxCells)
        return 0;
    if (static_cast<int32_t>(cells.size()) <= k)
        cells.resize(k + 1);
    CityCell& cell = cells[k];
    cell = CityCell{};
    CollectFaces(cell, k);
    Vector4s boxMin = cell.faces.front()->corners[0].vertex->position;
    Vector4s boxMax = boxMin;
    for (const P3dFace* face : cell.faces)
        for (const P3dCorner& c : face->corners)
            Grow(boxMin, boxMax, c.vertex->position);
    cell.box.Set(boxMin, boxMax);
    ++cellCount;
    return 1;
}

// Road faces numbered for a cell that was never made join the last cell.
void World::CarryTrailingRoads()
{
    if (cellCount == 0)
        return;
    CityCell& last = cells[cellCount - 1];
    for (int32_t m = 0; m < meshCount; ++m)
    {
        if (!meshes[m].scenery || std::strcmp(meshes[m].name, kRoadMesh) != 0)
            continue;
        for (P3dFace& face : meshes[m].faces)
        {
            if (face.cell != cellCount)
                continue;
            face.cell = cellCount - 1;
            last.roads.push_back(&face);
            for (const P3dCorner& c : face.corners)
                Grow(last.roadMin, last.roadMax, c.vertex->position);
        }
    }
}

int World::BuildCells(P3dMesh* sceneryMeshes, int32_t count, int32_t nx, int32_t ny, int32_t nz)
{
    meshes = sceneryMeshes;
    meshCount = count;
    cells.clear();
    cells.reserve(kMaxCells);
    ResetFaces(boundsMin, boundsMax);
    const int32_t lo[3] = {boundsMin.x, boundsMin.y, boundsMin.z};
    const int32_t hi[3] = {boundsMax.x, boundsMax.y, boundsMax.z};
    const int32_t n[3] = {std::max(nx, 1), std::max(ny, 1), std::max(nz, 1)};
    int32_t size[3];
    for (int axis = 0; axis < 3; ++axis)
        size[axis] = (hi[axis] - lo[axis]) / n[axis] + 1;
    cellCount = 0;
    for (int32_t x = lo[0]; x <= hi[0]; x += size[0])
    {
        for (int32_t y = lo[1]; y <= hi[1]; y += size[1])
        {
            for (int32_t z = lo[2]; z <= hi[2]; z += size[2])
            {
                const int32_t boxLo[3] = {x, y, z};
                const int32_t boxHi[3] = {x + size[0], y + size[1], z + size[2]};
                if (!AddCell(boxLo, boxHi))
                    return 2;
            }
            PaceFrame(1);
            if (loadingStep != nullptr && IsTickDue(132))
                loadingStep();
        }
    }
    CarryTrailingRoads();
    for (std::vector<int16_t>& bin : m_bins)
        bin.clear();
    return 0;
}

int32_t World::BinOfDepth(int32_t depth)
{
    if (depth > 10623)
        return kDistanceBins - 1;
    if (depth < 0)
        return 0;
    return depth >> 7;
}

void World::BinCell(int32_t cell)
{
    int32_t c[3];
    g_renderer.Placement().ApplyZ(cells[cell].box.centre, c);
    m_bins[BinOfDepth(-c[2])].push_back(static_cast<int16_t>(cell));
}

int32_t World::DetailLimit() const
{
    return kNearBins - 1 + 2 * (detail / 16);
}

void World::DrawCellFast(int32_t cell)
{
    PolyRenderer& r = g_renderer;
    const int16_t stamp = PolyRenderer::FrameStamp();
    const Transform& placement = r.Placement();
    WithProjection(r.project, [&](auto project) {
        for (P3dFace* face : cells[cell].faces)
        {
            bool good = face->texture != nullptr;
            for (int k = 0; k < 3 && good; ++k)
            {
                P3dVertex& v = *face->corners[k].vertex;
                if (v.frame != stamp)
                {
                    v.frame = stamp;
                    const int16_t* p = &v.position.x;
                    int32_t c[3];
                    placement.ApplyZ(p, c);
                    if (c[2] >= -32 || c[2] <= r.farDistance)
                    {
                        v.depth = 0;
                        good = false;
                        break;
                    }
                    placement.ApplyXY(p, c);
                    v.cameraZ = static_cast<int16_t>(c[2]);
                    project(c[0], c[1], c[2], v);
                    v.shade = static_cast<int16_t>(r.light(v.depth, v.position.w));
                }
                good = !InvalidCorner(v);
            }
            if (!good)
                continue;
            if (face->texture->drawMode > kDrawColourKey)
                r.QueueTriangle(*face);
            else
                r.DrawTriangle(*face);
        }
    });
}

// Vertices keep a 15-bit frame stamp: when it comes round to 0 again, every
// stamp of the scenery is forgotten so that none can match a frame 32768
// frames old.
void World::ClearStampsOnWrap()
{
    if (PolyRenderer::FrameStamp() != 0 || g_renderFrame == m_stampsClearedAt)
        return;
    m_stampsClearedAt = g_renderFrame;
    for (int32_t m = 0; m < meshCount; ++m)
        for (P3dVertex& v : meshes[m].vertices)
            v.frame = -1;
}

void World::DrawBins(int32_t from, int32_t to, bool occlusionTested)
{
    for (int32_t b = from; b <= to && b < kDistanceBins; ++b)
    {
        for (int16_t cell : m_bins[b])
        {
            if (!occlusionTested)
            {
                for (P3dFace* face : cells[cell].faces)
                    g_renderer.SubmitTriangle(*face);
            }
            else if (TestBoxOcclusion(cells[cell].box))
            {
                DrawCellFast(cell);
            }
        }
        m_bins[b].clear();
    }
}

void World::DrawVisibleCells()
{
    ClearStampsOnWrap();
    for (std::vector<int16_t>& bin : m_bins)
        bin.clear();
    for (int32_t k = 0; k < cellCount; ++k)
    {
        if (IsBoxVisible(cells[k].box, false))
            BinCell(k);
    }
    g_renderer.filler = FillTrianglePerspective;
    DrawBins(0, kNearBins - 1, false);
    const int32_t limit = DetailLimit();
    DrawBins(kNearBins, limit, true);
    g_renderer.filler = FillTriangleAffine;
    DrawBins(limit + 1, kDistanceBins - 1, true);
}
