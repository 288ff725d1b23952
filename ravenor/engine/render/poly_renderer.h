// poly_renderer.h -- textured triangles of meshes into the frame buffer
//
// The camera looks along -z; a camera point is in front when z < 0 and its
// depth is -z. Scenery faces go through SubmitTriangle (vertices transformed
// and lit once per frame, faces near the camera split at edge midpoints),
// entity meshes through DrawMesh. Opaque and keyed faces are drawn at once
// and rely on the depth test; blended faces (draw mode above 1) wait in the
// depth buckets until FlushDepthBuckets, which draws them through the
// filler current then.
#pragma once

#include <algorithm>
#include <cstdint>

#include "ravenor/engine/render/depth_buckets.h"
#include "ravenor/engine/render/lighting.h"
#include "ravenor/engine/data/models.h"
#include "ravenor/engine/core/transform.h"
#include "ravenor/engine/render/triangle_fill.h"

constexpr int32_t kFocalLength = 140; // pixels from the eye to the screen
constexpr int32_t kScreenCentreX = 88;
constexpr int32_t kScreenCentreY = 110;
// Depths reach 10500 + 512 for bounding boxes: one entry past that.
constexpr int32_t kProjectionEntries = 11013;

constexpr int32_t kNearZ = -64;       // nearer than this: split
constexpr int32_t kDropZ = -82;       // all corners nearer: dropped
constexpr int32_t kBehindZ = 17817;

extern int32_t g_projectionRecip[kProjectionEntries];

// Camera point to screen x, y and depth (i16, limited to the i16 range)
using Projection = void (*)(int32_t x, int32_t y, int32_t z, P3dVertex& out);
// g_projectionRecip at the depth -z limited to the table
inline int32_t ProjectionRecip(int32_t z)
{
    return g_projectionRecip[std::clamp(-z, 0, kProjectionEntries - 1)];
}

inline int16_t ClampI16(int64_t value)
{
    return static_cast<int16_t>(std::clamp<int64_t>(value, INT16_MIN, INT16_MAX));
}

inline void ProjectUpright(int32_t x, int32_t y, int32_t z, P3dVertex& out)
{
    const int64_t r = ProjectionRecip(z);
    out.screenX = ClampI16(kScreenCentreX + ((x * r) >> 16));
    out.screenY = ClampI16(kScreenCentreY - ((y * r) >> 16));
    out.depth = ClampI16(-int64_t{z});
}

inline void ProjectQuarterTurned(int32_t x, int32_t y, int32_t z, P3dVertex& out)
{
    const int64_t r = ProjectionRecip(z);
    out.screenX = ClampI16(kScreenCentreX + ((y * r) >> 16));
    out.screenY = ClampI16(kScreenCentreY + ((x * r) >> 16));
    out.depth = ClampI16(-int64_t{z});
}

// Calls f with the projection p as a function object of its own type, so
// that loops over many points inline it (p is usually one of the two above).
template <typename F>
inline void WithProjection(Projection p, F&& f)
{
    if (p == ProjectUpright)
        f([](int32_t x, int32_t y, int32_t z, P3dVertex& out) { ProjectUpright(x, y, z, out); });
    else if (p == ProjectQuarterTurned)
        f([](int32_t x, int32_t y, int32_t z, P3dVertex& out) { ProjectQuarterTurned(x, y, z, out); });
    else
        f(p);
}

using TextDrawer = int32_t (*)(int32_t x, int32_t y, int32_t unused, const char* text, bool centre);

struct PolyRenderer
{
    int32_t word = 0;
    int32_t orientationFlag = 0;
    int32_t orientationMode = 5;
    TextDrawer textDrawer = nullptr;
    TriangleFiller filler = nullptr;
    LightFunction light = nullptr;
    Projection project = nullptr;
    int32_t farDistance = -3500;
    MatrixStack* stack = nullptr;   // its top is the current placement
    uint8_t randomBytes[256] = {};
    DepthBuckets buckets;

    // Lighting, tables, empty buckets, affine filler, light mode 0,
    // quarter-turned projection (mode 5). The far distance and the stack
    // are set before.
    void Init();
    void SetMode(int32_t mode);
    void SubmitTriangle(P3dFace& face);
    void DrawMesh(P3dMesh& mesh);
    void DrawTriangle(const P3dFace& face);
    void QueueTriangle(const P3dFace& face);
    void FlushDepthBuckets();

    const Transform& Placement() const { return *stack->top; }
    // The i16 stamp vertices keep of the frame counter (0..32767)
    static int16_t FrameStamp();

    // Shade of a vertex at a camera point: the light function of the light
    // depth and the shade offset plus the point lights (normal rotated by
    // the placement).
    void ShadeVertex(P3dVertex& v, int32_t x, int32_t y, int32_t z, int32_t lightDepth);

private:
    bool PrepareVertex(P3dVertex& v);
    void HandlePiece(const P3dFace& piece, bool pooled, int32_t level);
    void SplitNear(const P3dFace& face, int32_t level);
};

extern PolyRenderer g_renderer;

// Screen order of a face: back-face test (one-sided textures), horizontal
// and vertical rejection; the code of the corners top to bottom. The extent
// test rejects faces 4096 or more pixels wide or high.
bool OrderCorners(const P3dFace& face, uint16_t& code);
