// Projection, near split, culling, depth buckets, meshes and box visibility
#include <gtest/gtest.h>

#include <deque>

#include "ravenor/engine/render/box_visibility.h"
#include "ravenor/engine/render/poly_renderer.h"
#include "render_fixture.h"

using namespace render_fixture;

namespace {

class PolyRendererTest : public RendererTest
{
};

// What a recording filler saw: the texture and the corners' screen points
struct Filled
{
    const TexImage* tex;
    int16_t topY;
    int16_t bottomY;
};
std::vector<Filled> g_filled;

void RecordingFiller(const FillCorner& top, const FillCorner&, const FillCorner& bottom, const TexImage& tex)
{
    g_filled.push_back({&tex, top.vertex->screenY, bottom.vertex->screenY});
}

// A triangle of world vertices kept alive with its face
struct Triangle
{
    P3dVertex v[3];
    P3dFace face;

    Triangle(const int16_t (&p)[3][3], TexImage* tex)
    {
        for (int k = 0; k < 3; ++k)
            v[k] = WorldVertex(p[k][0], p[k][1], p[k][2]);
        face = Face(&v[0], &v[1], &v[2], tex);
        face.corners[1].u = 64;
        face.corners[2].v = 64;
    }
};

// A projected triangle at screen points and one depth
struct ScreenTriangle
{
    P3dVertex v[3];
    P3dFace face;

    ScreenTriangle(int16_t x0, int16_t y0, int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t depth, TexImage* tex)
        : v{ScreenVertex(x0, y0, depth), ScreenVertex(x1, y1, depth), ScreenVertex(x2, y2, depth)},
          face(Face(&v[0], &v[1], &v[2], tex))
    {
    }
};

int32_t CountCells(uint32_t value)
{
    int32_t n = 0;
    for (uint32_t cell : g_frame)
        n += cell == value;
    return n;
}

} // namespace

TEST_F(PolyRendererTest, ProjectionTableAndBothProjections)
{
    EXPECT_EQ(g_projectionRecip[0], 0);
    EXPECT_EQ(g_projectionRecip[1], 9175040);
    EXPECT_EQ(g_projectionRecip[140], 65536);
    struct Case
    {
        Projection project;
        int32_t x, y, z;
        int16_t sx, sy, depth;
    } cases[] = {
        {ProjectUpright, 0, 0, -140, 88, 110, 140},
        {ProjectUpright, 10, 10, -140, 98, 100, 140},
        {ProjectQuarterTurned, 10, 10, -140, 98, 120, 140},
        {ProjectUpright, -70, 35, -280, 53, 93, 280},
        // Far off the screen: limited to the i16 range instead of wrapping
        {ProjectUpright, 20000, -20000, -64, INT16_MAX, INT16_MAX, 64},
        // Deeper than the table: its last entry (833 at 11012)
        {ProjectUpright, 11012, 0, -20000, 88 + 139, 110, 20000},
    };
    for (const Case& c : cases)
    {
        P3dVertex v{};
        c.project(c.x, c.y, c.z, v);
        EXPECT_EQ(v.screenX, c.sx) << c.x << "," << c.y << "," << c.z;
        EXPECT_EQ(v.screenY, c.sy) << c.x << "," << c.y << "," << c.z;
        EXPECT_EQ(v.depth, c.depth);
    }
}

TEST_F(PolyRendererTest, ModesSetFillerLightAndProjection)
{
    struct Case
    {
        int32_t mode;
        TriangleFiller filler;
        LightFunction light;
        Projection project;
    } cases[] = {
        {0, FillTriangleAffine, LightDistanceShaded, ProjectUpright},
        {1, FillTriangleAffine, LightTableShaded, ProjectUpright},
        {3, FillTrianglePerspective, LightConstant, ProjectUpright},
        {4, FillTriangleAffine, LightConstant, ProjectUpright},
        {8, FillTriangleAffine, LightConstant, ProjectUpright},
        {9, FillTriangleFlat, LightConstant, ProjectUpright},
        {10, FillTriangleNone, LightConstant, ProjectUpright},
        {5, FillTriangleAffine, LightConstant, ProjectQuarterTurned},
        {6, FillTriangleAffine, LightConstant, ProjectUpright},
        {11, FillTriangleAffine, LightConstant, ProjectUpright},
    };
    for (const Case& c : cases)
    {
        g_renderer.Init();
        g_renderer.SetMode(7);
        if (c.light != LightDistanceShaded)
            g_renderer.SetMode(2);
        g_renderer.SetMode(c.mode);
        EXPECT_EQ(g_renderer.filler, c.filler) << c.mode;
        EXPECT_EQ(g_renderer.light, c.light) << c.mode;
        EXPECT_EQ(g_renderer.project, c.project) << c.mode;
    }
    g_renderer.SetMode(7);
    EXPECT_EQ(g_renderer.orientationFlag, 1);
    g_renderer.SetMode(6);
    EXPECT_EQ(g_renderer.orientationFlag, 0);
    EXPECT_EQ(g_renderer.orientationMode, 6);
}

TEST_F(PolyRendererTest, FacesWhollyNearTheCameraAreNeverDrawn)
{
    TexImage tex = Solid(0x1234);
    Triangle t({{-50, -50, -82}, {50, -50, -70}, {0, 50, -10}}, &tex);
    g_renderer.SubmitTriangle(t.face);
    EXPECT_TRUE(DrawnRows().empty());
}

TEST_F(PolyRendererTest, FaceTouchingTheNearDistanceIsSplitAndItsNearPartDropped)
{
    TexImage tex = Solid(0x1234);
    // One corner at z = -63, two far away: split until the pieces near the
    // camera are dropped; the far part is drawn.
    Triangle t({{0, -40, -63}, {-400, -40, -1000}, {400, -40, -1000}}, &tex);
    g_renderer.SubmitTriangle(t.face);
    const std::vector<int32_t> rows = DrawnRows();
    ASSERT_FALSE(rows.empty());
    // The far edge lies at row 110 + 40 x 140 / 1000 = 115.6; rows start
    // one below the top corner.
    EXPECT_LE(rows.front(), 117);
    // Nothing is drawn nearer than z = -64 would project (row 197)
    EXPECT_LT(rows.back(), 110 + 40 * 140 / 64);
    for (uint32_t cell : g_frame)
        if (cell != kClearCell)
        {
            EXPECT_GE(cell >> 16, 64u);
        }
}

TEST_F(PolyRendererTest, SplitHalvesOfBlendedFacesArePooledAndQueued)
{
    TexImage glass = Solid(0xFFFF, kDrawHalf);
    Triangle t({{0, -40, -63}, {-400, -40, -1000}, {400, -40, -1000}}, &glass);
    g_renderer.SubmitTriangle(t.face);
    EXPECT_TRUE(DrawnRows().empty());
    EXPECT_GT(g_renderer.buckets.NodeCount(), 0);
    EXPECT_EQ(g_renderer.buckets.PooledCount(), g_renderer.buckets.NodeCount());
    g_renderer.FlushDepthBuckets();
    EXPECT_EQ(g_renderer.buckets.NodeCount(), 0);
    EXPECT_EQ(g_renderer.buckets.PooledCount(), 0);
    EXPECT_GT(CountCells(0x7FFF7BEF), 100);
}

TEST_F(PolyRendererTest, VerticesAreTransformedOncePerFrame)
{
    TexImage tex = Solid(0x1234);
    Triangle t({{-40, -40, -200}, {40, -40, -200}, {0, 40, -200}}, &tex);
    g_renderer.SubmitTriangle(t.face);
    const int16_t x = t.v[0].screenX;
    // Moving the camera in the same frame changes nothing: the cache holds.
    m_stack.top->t[0] = 50;
    g_renderer.SubmitTriangle(t.face);
    EXPECT_EQ(t.v[0].screenX, x);
    ++g_renderFrame;
    g_renderer.SubmitTriangle(t.face);
    EXPECT_NE(t.v[0].screenX, x);
}

TEST_F(PolyRendererTest, FacesBeyondTheFarDistanceOrBehindAreDropped)
{
    TexImage tex = Solid(0x1234);
    Triangle far({{-40, -40, -3500}, {40, -40, -200}, {0, 40, -200}}, &tex);
    Triangle behind({{-40, -40, 17818}, {40, -40, -200}, {0, 40, -200}}, &tex);
    g_renderer.SubmitTriangle(far.face);
    g_renderer.SubmitTriangle(behind.face);
    EXPECT_TRUE(DrawnRows().empty());
    EXPECT_EQ(far.v[0].depth, 0);
    EXPECT_EQ(behind.v[0].depth, 0);
}

TEST_F(PolyRendererTest, BackFacesOfOneSidedTexturesAreCulled)
{
    TexImage oneSided = Solid(0x1234);
    oneSided.oneSided = 1;
    TexImage twoSided = Solid(0x1234);
    struct Case
    {
        TexImage* tex;
        bool counterClockwise;
        bool drawn;
    } cases[] = {
        {&oneSided, true, true},
        {&oneSided, false, false},
        {&twoSided, true, true},
        {&twoSided, false, true},
    };
    for (const Case& c : cases)
    {
        ClearFrame();
        // Counter-clockwise on the screen (y down): (10,10), (10,60), (60,10)
        ScreenTriangle t = c.counterClockwise ? ScreenTriangle(10, 10, 10, 60, 60, 10, 50, c.tex)
                                              : ScreenTriangle(10, 10, 60, 10, 10, 60, 50, c.tex);
        g_renderer.DrawTriangle(t.face);
        EXPECT_EQ(!DrawnRows().empty(), c.drawn) << c.tex->oneSided << c.counterClockwise;
    }
}

TEST_F(PolyRendererTest, TrianglesOffTheScreenOrDegenerateAreRejected)
{
    TexImage tex = Solid(0x1234);
    g_renderer.filler = RecordingFiller;
    g_filled.clear();
    ScreenTriangle cases[] = {
        {-30, 10, -1, 40, -20, 60, 50, &tex},          // left of column 0
        {176, 10, 200, 40, 190, 60, 50, &tex},         // right of column 175
        {-2000, 10, 2096, 40, 0, 60, 50, &tex},        // 4096 wide
        {10, 220, 40, 240, 20, 260, 50, &tex},         // below the screen
        {10, -30, 40, -10, 20, -1, 50, &tex},          // above the screen
        {10, 30, 40, 30, 90, 30, 50, &tex},            // one row
        {10, -2000, 40, 30, 20, 2096, 50, &tex},       // 4096 high
    };
    for (ScreenTriangle& c : cases)
    {
        g_renderer.DrawTriangle(c.face);
        g_renderer.QueueTriangle(c.face);
    }
    g_renderer.FlushDepthBuckets();
    EXPECT_TRUE(g_filled.empty());
    ScreenTriangle wide(-2000, 10, 2095, 40, 0, 60, 50, &tex);
    g_renderer.DrawTriangle(wide.face);
    EXPECT_EQ(g_filled.size(), 1u);
}

TEST_F(PolyRendererTest, BucketsDrawDeepestFirstAndKeepOrderWithinABucket)
{
    TexImage a = Solid(1, kDrawHalf), b = Solid(2, kDrawHalf), c = Solid(3, kDrawHalf), d = Solid(4, kDrawHalf);
    // Bucket = (d0 + d1 + d2) >> 2: depth 67 -> 50, 134 -> 100
    std::deque<ScreenTriangle> faces;
    faces.emplace_back(10, 10, 10, 60, 60, 10, 67, &a);
    faces.emplace_back(10, 10, 10, 60, 60, 10, 134, &b);
    faces.emplace_back(10, 11, 10, 61, 60, 11, 67, &c);
    faces.emplace_back(10, 12, 10, 62, 60, 12, 134, &d);
    g_renderer.filler = RecordingFiller;
    g_filled.clear();
    for (ScreenTriangle& t : faces)
        g_renderer.QueueTriangle(t.face);
    EXPECT_EQ(g_renderer.buckets.Lowest(), 50);
    EXPECT_EQ(g_renderer.buckets.Highest(), 100);
    g_renderer.FlushDepthBuckets();
    ASSERT_EQ(g_filled.size(), 4u);
    EXPECT_EQ(g_filled[0].tex, &b);
    EXPECT_EQ(g_filled[1].tex, &d);
    EXPECT_EQ(g_filled[2].tex, &a);
    EXPECT_EQ(g_filled[3].tex, &c);
    EXPECT_EQ(g_renderer.buckets.Lowest(), kBucketCount);
    EXPECT_EQ(g_renderer.buckets.Highest(), 0);
    // The corners go to the filler top first, as queued
    EXPECT_EQ(g_filled[0].topY, 10);
    EXPECT_EQ(g_filled[0].bottomY, 60);
}

TEST_F(PolyRendererTest, TheNodeBeyond4096IsDropped)
{
    TexImage glass = Solid(1, kDrawHalf);
    ScreenTriangle t(10, 10, 10, 60, 60, 10, 100, &glass);
    g_renderer.filler = RecordingFiller;
    g_filled.clear();
    for (int k = 0; k < kBucketNodes + 1; ++k)
        g_renderer.QueueTriangle(t.face);
    EXPECT_EQ(g_renderer.buckets.NodeCount(), kBucketNodes);
    g_renderer.FlushDepthBuckets();
    EXPECT_EQ(g_filled.size(), size_t(kBucketNodes));
    EXPECT_EQ(g_renderer.buckets.NodeCount(), 0);
}

TEST_F(PolyRendererTest, ThePoolOfCopiesHolds1024)
{
    TexImage glass = Solid(1, kDrawHalf);
    ScreenTriangle t(10, 10, 10, 60, 60, 10, 100, &glass);
    for (int k = 0; k < kPooledFaces; ++k)
        ASSERT_NE(g_renderer.buckets.Keep(t.face), nullptr);
    EXPECT_EQ(g_renderer.buckets.Keep(t.face), nullptr);
    const P3dFace* first = nullptr;
    g_renderer.FlushDepthBuckets();
    first = g_renderer.buckets.Keep(t.face);
    ASSERT_NE(first, nullptr);
    // The copy has its own vertices
    EXPECT_NE(first->corners[0].vertex, &t.v[0]);
    EXPECT_EQ(first->corners[0].vertex->screenX, 10);
}

TEST_F(PolyRendererTest, QueuedFacesAreDrawnByTheFillerCurrentAtTheFlush)
{
    TexImage glass = Solid(1, kDrawHalf);
    ScreenTriangle t(10, 10, 10, 60, 60, 10, 100, &glass);
    struct Case
    {
        TriangleFiller queuedUnder;
        TriangleFiller flushedUnder;
        size_t recorded;
    } cases[] = {
        {FillTriangleNone, RecordingFiller, 1},
        {RecordingFiller, FillTriangleNone, 0},
    };
    for (const Case& c : cases)
    {
        g_filled.clear();
        g_renderer.filler = c.queuedUnder;
        g_renderer.QueueTriangle(t.face);
        g_renderer.filler = c.flushedUnder;
        g_renderer.FlushDepthBuckets();
        EXPECT_EQ(g_filled.size(), c.recorded);
    }
}

TEST_F(PolyRendererTest, OpaqueAndKeyedFacesDrawAtOnceBlendedOnesWait)
{
    TexImage opaque = Solid(0x1234), keyed = Solid(0x4321, kDrawColourKey), glass = Solid(0xFFFF, kDrawHalf);
    Triangle a({{-40, -40, -200}, {40, -40, -200}, {0, 40, -200}}, &opaque);
    Triangle b({{-40, -40, -300}, {40, -40, -300}, {0, 40, -300}}, &keyed);
    Triangle c({{-40, -40, -150}, {40, -40, -150}, {0, 40, -150}}, &glass);
    g_renderer.SubmitTriangle(c.face);
    g_renderer.SubmitTriangle(a.face);
    g_renderer.SubmitTriangle(b.face);
    EXPECT_EQ(Cell(88, 110), (200u << 16) | 0x1234);
    EXPECT_EQ(g_renderer.buckets.NodeCount(), 1);
    g_renderer.FlushDepthBuckets();
    EXPECT_EQ(Cell(88, 110), (200u << 16) | BlendHalf(0xFFFF, 0x1234));
}

TEST_F(PolyRendererTest, DrawMeshDrawsFacesWithThreeVisibleCorners)
{
    TexImage tex = Solid(0x1234);
    P3dMesh mesh;
    mesh.vertices = {WorldVertex(-40, -40, -200), WorldVertex(40, -40, -200), WorldVertex(0, 40, -200),
                     WorldVertex(100, 40, 10)};
    mesh.faces.push_back(Face(&mesh.vertices[0], &mesh.vertices[1], &mesh.vertices[2], &tex));
    mesh.faces.push_back(Face(&mesh.vertices[0], &mesh.vertices[1], &mesh.vertices[3], &tex));
    mesh.vertices[0].position.w = 300;
    g_renderer.filler = RecordingFiller;
    g_filled.clear();
    g_renderer.DrawMesh(mesh);
    EXPECT_EQ(g_filled.size(), 1u);
    EXPECT_EQ(mesh.vertices[3].depth, 0);
    EXPECT_EQ(mesh.vertices[0].depth, 200);
    // Without point lights the shade is the vertex's offset itself
    EXPECT_EQ(mesh.vertices[0].shade, 300);
}

TEST_F(PolyRendererTest, BoxVisibility)
{
    BoundingBox box{};
    struct Case
    {
        const char* what;
        Vector4s lo, hi;
        int visible;
    } cases[] = {
        {"in front", {-20, -20, -300, 0}, {20, 20, -200, 0}, 1},
        {"behind z = -32", {-20, -20, -31, 0}, {20, 20, 100, 0}, 0},
        {"beyond the far distance", {-20, -20, -3900, 0}, {20, 20, -3600, 0}, 0},
        {"left of the screen", {-900, -20, -300, 0}, {-700, 20, -200, 0}, 0},
        {"partly behind, wide test", {-20, -20, -300, 0}, {20, 20, 100, 0}, 1},
        {"partly behind, far left", {-3000, -20, -300, 0}, {-2800, 20, 100, 0}, 0},
    };
    for (const Case& c : cases)
    {
        box.Set(c.lo, c.hi);
        EXPECT_EQ(IsBoxVisible(box, false), c.visible) << c.what;
    }
    box.Set({-20, -20, -300, 0}, {20, 20, -200, 0});
    ASSERT_EQ(IsBoxVisible(box, false), 1);
    EXPECT_EQ(box.nearest, 200);
    EXPECT_EQ(box.allCornersProjected, 1);
    // 20 x R[200] = 20 x 45875 = 917500, just under 14 << 16
    EXPECT_EQ(box.left, 88 - 14);
    EXPECT_EQ(box.right, 88 + 13);
}

TEST_F(PolyRendererTest, OcclusionSamplesTheDepthDrawn)
{
    BoundingBox box{};
    box.Set({-20, -20, -300, 0}, {20, 20, -200, 0});
    ASSERT_EQ(IsBoxVisible(box, false), 1);
    // Empty frame: everything lies behind the box
    EXPECT_EQ(IsBoxVisible(box, true), 1);
    // A wall at depth 150 over the whole screen hides it
    for (uint32_t& cell : g_frame)
        cell = 150u << 16;
    EXPECT_EQ(TestBoxOcclusion(box), 0);
    // One sample on the second grid at or behind the nearest depth shows it
    g_frame[(box.top + 5) * kFrameWidth + box.left + 5] = 200u << 16;
    EXPECT_EQ(TestBoxOcclusion(box), 1);
    // A cell between the samples does not
    g_frame[(box.top + 5) * kFrameWidth + box.left + 5] = 150u << 16;
    g_frame[(box.top + 2) * kFrameWidth + box.left + 3] = 300u << 16;
    EXPECT_EQ(TestBoxOcclusion(box), 0);
    // A box not wholly projected is taken as visible
    box.allCornersProjected = 0;
    EXPECT_EQ(TestBoxOcclusion(box), 1);
}

TEST_F(PolyRendererTest, WildTrianglesStayInsideTheFrameAndTables)
{
    // Seeded screen triangles anywhere in the i16 range, at any depth, in
    // every filler and draw mode: the sanitizer build checks that nothing is
    // read or written outside the frame, the textures or the tables.
    std::vector<TexImage> textures;
    for (uint32_t mode = 0; mode <= kDrawAddKey; ++mode)
        textures.push_back(MakeTexture(16, 8, mode, [](uint32_t x, uint32_t y) { return uint16_t(x * 3 + y); }));
    const TriangleFiller fillers[] = {FillTriangleAffine, FillTrianglePerspective, FillTriangleFlat};
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed;
    };
    for (int k = 0; k < 3000; ++k)
    {
        auto coordinate = [&] { return static_cast<int16_t>(k % 3 == 0 ? next() : int32_t(next() % 600) - 200); };
        ScreenTriangle t(coordinate(), coordinate(), coordinate(), coordinate(), coordinate(), coordinate(),
                         static_cast<int16_t>(next() % 32768), &textures[k % textures.size()]);
        for (P3dCorner& c : t.face.corners)
        {
            c.u = static_cast<int16_t>(next());
            c.v = static_cast<int16_t>(next());
            c.vertex->depth = static_cast<int16_t>(next() % 32768);
            c.vertex->shade = static_cast<int16_t>(next());
        }
        g_renderer.filler = fillers[k % 3];
        g_renderer.DrawTriangle(t.face);
        g_renderer.QueueTriangle(t.face);
        g_renderer.FlushDepthBuckets();
    }
    SUCCEED();
}
