// poly_renderer.cpp -- projection, per-frame vertex work, near split, draw and queue
#include "ravenor/engine/render/poly_renderer.h"

#include <algorithm>
#include <cstring>

#include <os/wstring.h>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/text.h"

PolyRenderer g_renderer;
int32_t g_projectionRecip[kProjectionEntries];

namespace {

constexpr int32_t kMaxSplitLevel = 32;

// R[d] = focal length / d in 16.16 fixed point, rounded: a camera point
// (x, y, -d) lands x * R[d] >> 16 = x * 140 / d pixels from the screen's
// centre, so the 176-pixel-wide screen spans about 64 degrees. Computed in
// single precision, as the engine always has, so every entry keeps its value.
void BuildProjectionTable()
{
    g_projectionRecip[0] = 0;
    for (int32_t d = 1; d < kProjectionEntries; ++d)
    {
        const float focal = static_cast<float>(kFocalLength) * 65536.0f;
        g_projectionRecip[d] = static_cast<int32_t>(focal / static_cast<float>(d) + 0.5f);
    }
}

bool IsBlended(const P3dFace& face)
{
    return face.texture->drawMode > kDrawColourKey;
}

} // namespace

void PolyRenderer::Init()
{
    InitLighting(farDistance, 10);
    BuildTrigTables();
    BuildProjectionTable();
    buckets.Reset();
    g_renderFrame = 0;
    word = 0;
    orientationFlag = 0;
    filler = FillTriangleAffine;
    light = LightDistanceShaded;
    SetMode(5);
    for (uint8_t& b : randomBytes)
        b = static_cast<uint8_t>(os_rand());
}

void PolyRenderer::SetMode(int32_t mode)
{
    switch (mode)
    {
    case 0: light = LightDistanceShaded; break;
    case 1: light = LightTableShaded; break;
    case 2: light = LightConstant; break;
    case 3: filler = FillTrianglePerspective; break;
    case 4:
    case 8: filler = FillTriangleAffine; break;
    case 5:
        project = ProjectQuarterTurned;
        textDrawer = DrawTextLineTurned;
        orientationFlag = 0;
        orientationMode = 5;
        break;
    case 6:
    case 7:
        project = ProjectUpright;
        textDrawer = DrawTextLine;
        orientationFlag = mode == 7 ? 1 : 0;
        orientationMode = mode;
        break;
    case 9: filler = FillTriangleFlat; break;
    case 10: filler = FillTriangleNone; break;
    default: break;
    }
}

int16_t PolyRenderer::FrameStamp()
{
    return static_cast<int16_t>(g_renderFrame & 0x7FFF);
}

void PolyRenderer::ShadeVertex(P3dVertex& v, int32_t x, int32_t y, int32_t z, int32_t lightDepth)
{
    int32_t sum = v.position.w;
    if (g_lighting.lightCount > 0)
    {
        const int32_t point[3] = {x, y, z};
        int16_t normal[3];
        Placement().Rotate(v.normal, normal);
        sum = WrapAdd(sum, PointLights(point, normal));
    }
    v.shade = static_cast<int16_t>(light(lightDepth, sum));
}

// Transforms, projects and lights a scenery vertex once per frame; false
// when the face it belongs to must be dropped.
bool PolyRenderer::PrepareVertex(P3dVertex& v)
{
    const int16_t stamp = FrameStamp();
    if (v.frame == stamp)
        return v.depth != 0;
    v.frame = stamp;
    const int16_t* p = &v.position.x;
    int32_t c[3];
    Placement().ApplyZ(p, c);
    if (c[2] > kBehindZ || c[2] <= farDistance)
    {
        v.depth = 0;
        return false;
    }
    Placement().ApplyXY(p, c);
    v.cameraX = ClampI16(c[0]);
    v.cameraY = ClampI16(c[1]);
    v.cameraZ = static_cast<int16_t>(c[2]);
    int32_t lightDepth = -c[2];
    if (c[2] > kNearZ)
        v.depth = 1;
    else
    {
        project(v.cameraX, v.cameraY, c[2], v);
        lightDepth = v.depth;
    }
    ShadeVertex(v, v.cameraX, v.cameraY, c[2], lightDepth);
    return true;
}

void PolyRenderer::SubmitTriangle(P3dFace& face)
{
    if (face.texture == nullptr)
        return;
    for (P3dCorner& corner : face.corners)
    {
        if (!PrepareVertex(*corner.vertex))
            return;
    }
    HandlePiece(face, false, 0);
}

// One face or half: dropped when wholly near, split while partly near,
// queued when blended (halves as pooled copies), else drawn.
void PolyRenderer::HandlePiece(const P3dFace& piece, bool pooled, int32_t level)
{
    bool allDropped = true;
    bool anyNear = false;
    for (const P3dCorner& c : piece.corners)
    {
        allDropped = allDropped && c.vertex->cameraZ >= kDropZ;
        anyNear = anyNear || c.vertex->cameraZ > kNearZ;
    }
    if (allDropped)
        return;
    if (anyNear)
    {
        if (level < kMaxSplitLevel)
            SplitNear(piece, level + 1);
        return;
    }
    if (!IsBlended(piece))
    {
        DrawTriangle(piece);
        return;
    }
    const P3dFace* queued = pooled ? buckets.Keep(piece) : &piece;
    if (queued != nullptr)
        QueueTriangle(*queued);
}

void PolyRenderer::SplitNear(const P3dFace& face, int32_t level)
{
    static constexpr int kEdges[3][2] = {{0, 1}, {2, 0}, {1, 2}};
    int best = 0;
    int64_t bestSpread = -1;
    for (int e = 0; e < 3; ++e)
    {
        const int64_t dz = face.corners[kEdges[e][0]].vertex->cameraZ - face.corners[kEdges[e][1]].vertex->cameraZ;
        if (dz * dz > bestSpread)
        {
            bestSpread = dz * dz;
            best = e;
        }
    }
    const int a = kEdges[best][0];
    const int b = kEdges[best][1];
    const P3dVertex& va = *face.corners[a].vertex;
    const P3dVertex& vb = *face.corners[b].vertex;
    P3dVertex mid = va;
    mid.cameraX = static_cast<int16_t>((va.cameraX + vb.cameraX) >> 1);
    mid.cameraY = static_cast<int16_t>((va.cameraY + vb.cameraY) >> 1);
    mid.cameraZ = static_cast<int16_t>((va.cameraZ + vb.cameraZ) >> 1);
    mid.shade = static_cast<int16_t>((va.shade + vb.shade) >> 1);
    mid.depth = 1;
    if (mid.cameraZ <= kNearZ)
    {
        project(mid.cameraX, mid.cameraY, mid.cameraZ, mid);
        mid.shade = std::max<int16_t>(mid.shade, 1);
    }
    const P3dCorner midCorner{&mid, static_cast<int16_t>((face.corners[a].u + face.corners[b].u) >> 1),
                              static_cast<int16_t>((face.corners[a].v + face.corners[b].v) >> 1)};
    P3dFace first = face;
    P3dFace second = face;
    first.corners[b] = midCorner;
    second.corners[a] = midCorner;
    HandlePiece(first, true, level);
    HandlePiece(second, true, level);
}

void PolyRenderer::DrawMesh(P3dMesh& mesh)
{
    const int32_t nearest = g_lighting.lightCount > 0 ? -32 : 0;
    for (P3dVertex& v : mesh.vertices)
    {
        const int16_t* p = &v.position.x;
        int32_t c[3];
        Placement().ApplyZ(p, c);
        if (!(c[2] < nearest && c[2] > farDistance))
        {
            v.depth = 0;
            continue;
        }
        Placement().ApplyXY(p, c);
        project(c[0], c[1], c[2], v);
        if (g_lighting.lightCount > 0)
            ShadeVertex(v, c[0], c[1], c[2], v.depth);
        else
            v.shade = v.position.w;
    }
    for (const P3dFace& face : mesh.faces)
    {
        if (face.texture != nullptr && face.corners[0].vertex->depth != 0 && face.corners[1].vertex->depth != 0 &&
            face.corners[2].vertex->depth != 0)
            DrawTriangle(face);
    }
}

bool OrderCorners(const P3dFace& face, uint16_t& code)
{
    const P3dVertex* v[3] = {face.corners[0].vertex, face.corners[1].vertex, face.corners[2].vertex};
    const int32_t x0 = v[0]->screenX, y0 = v[0]->screenY;
    if (face.texture->oneSided &&
        int64_t{v[2]->screenY - y0} * (v[1]->screenX - x0) >= int64_t{v[1]->screenY - y0} * (v[2]->screenX - x0))
        return false;
    const int32_t minX = std::min({x0, int32_t{v[1]->screenX}, int32_t{v[2]->screenX}});
    const int32_t maxX = std::max({x0, int32_t{v[1]->screenX}, int32_t{v[2]->screenX}});
    if (maxX < 0 || minX >= kFrameWidth || maxX - minX >= 4096)
        return false;
    int order[3] = {0, 1, 2};
    std::stable_sort(order, order + 3, [&v](int a, int b) { return v[a]->screenY < v[b]->screenY; });
    const int32_t top = v[order[0]]->screenY;
    const int32_t bottom = v[order[2]]->screenY;
    if (top >= kFrameHeight || bottom < 0 || top == bottom || bottom - top >= 4096)
        return false;
    code = static_cast<uint16_t>(order[0] | (order[1] << 4) | (order[2] << 8));
    return true;
}

void PolyRenderer::DrawTriangle(const P3dFace& face)
{
    uint16_t code;
    if (OrderCorners(face, code))
        FillByCode(face, code, filler);
}

void PolyRenderer::QueueTriangle(const P3dFace& face)
{
    uint16_t code;
    if (OrderCorners(face, code))
        buckets.Add(&face, code);
}

void PolyRenderer::FlushDepthBuckets()
{
    buckets.Flush(filler);
}
