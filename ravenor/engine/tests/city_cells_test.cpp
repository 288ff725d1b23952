// Cell building (assignment rules, road faces, limits), binning and drawing
#include <gtest/gtest.h>

#include <cstring>

#include "ravenor/engine/render/box_visibility.h"
#include "ravenor/engine/render/city_cells.h"
#include "render_fixture.h"

using namespace render_fixture;

namespace {

class CityCells : public RendererTest
{
protected:
    void SetUp() override
    {
        RendererTest::SetUp();
        g_world = World{};
    }

    // A mesh of the scenery; faces are added with AddFace
    P3dMesh& Mesh(const char* name)
    {
        P3dMesh& mesh = m_meshes[m_count++];
        std::strncpy(mesh.name, name, 24);
        mesh.scenery = 1;
        mesh.vertices.reserve(4096);
        return mesh;
    }

    // A small upright triangle facing +z whose centroid is (x, y, z)
    void AddFace(P3dMesh& mesh, int16_t x, int16_t y, int16_t z, TexImage* tex = nullptr)
    {
        const uint32_t base = static_cast<uint32_t>(mesh.vertices.size());
        mesh.vertices.push_back(WorldVertex(x - 3, y - 3, z));
        mesh.vertices.push_back(WorldVertex(x + 3, y - 3, z));
        mesh.vertices.push_back(WorldVertex(x, y + 6, z));
        mesh.faces.push_back(Face(&mesh.vertices[base], &mesh.vertices[base + 1], &mesh.vertices[base + 2],
                                  tex != nullptr ? tex : &m_tex));
    }

    int Build(int32_t nx, int32_t ny, int32_t nz)
    {
        return g_world.BuildCells(m_meshes, m_count, nx, ny, nz);
    }

    P3dMesh m_meshes[4];
    int32_t m_count = 0;
    TexImage m_tex = Solid(0x1234);
};

} // namespace

TEST_F(CityCells, CentroidTestIsHalfOpenAndDividesTowardZero)
{
    P3dVertex v[3] = {WorldVertex(-1, 0, 0), WorldVertex(-1, 0, 0), WorldVertex(0, 0, 0)};
    const P3dFace face = Face(&v[0], &v[1], &v[2], nullptr);
    struct Case
    {
        int32_t lo[3], hi[3];
        bool inside;
    } cases[] = {
        {{0, 0, 0}, {1, 1, 1}, true},      // centroid x = -2 / 3 = 0
        {{-1, 0, 0}, {0, 1, 1}, false},    // upper bound is outside
        {{0, 0, 0}, {1, 0, 1}, false},     // empty on y
        {{-5, -5, -5}, {5, 5, 5}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FaceCentroidInBox(face, c.lo, c.hi), c.inside) << c.lo[0] << ".." << c.hi[0];
}

TEST_F(CityCells, FaceOnTheUpperBoundaryBelongsToTheNextCell)
{
    P3dMesh& city = Mesh("Object01");
    // Bounds x -3..63: cell size (66 / 2) + 1 = 34, boxes [-3, 31) and [31, 65).
    AddFace(city, 0, 3, 0);
    AddFace(city, 31, 3, 0);
    AddFace(city, 60, 3, 0);
    ASSERT_EQ(Build(2, 1, 1), 0);
    ASSERT_EQ(g_world.cellCount, 2);
    EXPECT_EQ(city.faces[0].cell, 0);
    EXPECT_EQ(city.faces[1].cell, 1);
    EXPECT_EQ(city.faces[2].cell, 1);
    EXPECT_EQ(g_world.cells[1].faces.size(), 2u);
    // The cell's box spans its faces' corners
    EXPECT_EQ(g_world.cells[1].box.corners[0][0], 28);
    EXPECT_EQ(g_world.cells[1].box.corners[7][0], 63);
    EXPECT_EQ(g_world.boundsMin.x, -3);
    EXPECT_EQ(g_world.boundsMax.y, 9);
}

TEST_F(CityCells, RoadFacesOfABoxWithoutCityJoinTheNextCellMade)
{
    P3dMesh& city = Mesh("Object01");
    P3dMesh& road = Mesh("Road");
    P3dMesh& other = Mesh("Object02");
    // Three boxes along x; the first holds only road.
    AddFace(road, 0, 3, 0);
    AddFace(city, 40, 3, 0);
    AddFace(road, 40, 3, 0);
    AddFace(city, 80, 3, 0);
    AddFace(other, 80, 3, 0);
    ASSERT_EQ(Build(3, 1, 1), 0);
    ASSERT_EQ(g_world.cellCount, 2);
    const CityCell& first = g_world.cells[0];
    EXPECT_EQ(first.faces.size(), 1u);
    ASSERT_EQ(first.roads.size(), 2u);
    EXPECT_EQ(first.roads[0], &road.faces[0]);
    // The carried face lies outside the cell's box; the road extent covers it.
    EXPECT_LT(road.faces[0].corners[0].vertex->position.x, first.box.corners[0][0]);
    EXPECT_EQ(first.roadMin.x, -3);
    EXPECT_EQ(first.roadMax.x, 43);
    EXPECT_TRUE(g_world.cells[1].roads.empty());
    // Meshes other than the two are left alone
    EXPECT_EQ(other.faces[0].cell, kUnassigned);
}

TEST_F(CityCells, TrailingRoadFacesJoinTheLastCell)
{
    P3dMesh& city = Mesh("Object01");
    P3dMesh& road = Mesh("Road");
    AddFace(city, 0, 3, 0);
    AddFace(road, 80, 3, 0);
    ASSERT_EQ(Build(3, 1, 1), 0);
    ASSERT_EQ(g_world.cellCount, 1);
    ASSERT_EQ(g_world.cells[0].roads.size(), 1u);
    EXPECT_EQ(road.faces[0].cell, 0);
    EXPECT_EQ(g_world.cells[0].roadMax.x, 83);
}

TEST_F(CityCells, MoreThan1024CellsFail)
{
    P3dMesh& city = Mesh("Object01");
    for (int k = 0; k < 1024; ++k)
        AddFace(city, static_cast<int16_t>(k * 10), 3, 0);
    // Bounds -3..10233: size 10236 / 1100 + 1 = 10; one face per box.
    EXPECT_EQ(Build(1100, 1, 1), 0);
    EXPECT_EQ(g_world.cellCount, 1024);
    AddFace(city, 10240, 3, 0);
    EXPECT_EQ(Build(1100, 1, 1), 2);
}

TEST_F(CityCells, GridArithmeticNearTheEndsOfTheI16Range)
{
    P3dMesh& city = Mesh("Object01");
    AddFace(city, -32000, 3, 0);
    AddFace(city, 32000, 3, 0);
    ASSERT_EQ(Build(16, 8, 16), 0);
    EXPECT_EQ(g_world.cellCount, 2);
    EXPECT_NE(city.faces[1].cell, kUnassigned);
}

TEST_F(CityCells, LoadingStepRunsWhileBuilding)
{
    static int steps;
    steps = 0;
    P3dMesh& city = Mesh("Object01");
    AddFace(city, 0, 3, 0);
    AddFace(city, 60, 6000, 0);
    g_world.loadingStep = [] { ++steps; };
    // About 6000 steps of the grid along y, each paced by 1 ms
    ASSERT_EQ(Build(2, 6000, 1), 0);
    EXPECT_GT(steps, 0);
}

TEST_F(CityCells, BinsByCentreDepthAndDetailLimit)
{
    struct Case
    {
        int32_t depth, bin;
    } cases[] = {{200, 1}, {20000, 82}, {-5, 0}, {0, 0}, {127, 0}, {128, 1}, {10623, 82}, {10624, 82}, {10495, 81}};
    for (const Case& c : cases)
        EXPECT_EQ(World::BinOfDepth(c.depth), c.bin) << c.depth;
    struct Detail
    {
        int32_t detail, limit;
    } details[] = {{0, 8}, {15, 8}, {16, 10}, {58, 14}, {127, 22}};
    for (const Detail& d : details)
    {
        g_world.detail = d.detail;
        EXPECT_EQ(g_world.DetailLimit(), d.limit) << d.detail;
    }
}

TEST_F(CityCells, CellsAreBinnedAndDrawnNearToFar)
{
    P3dMesh& city = Mesh("Object01");
    AddFace(city, 0, 0, -200);
    AddFace(city, -100, 0, -1500);
    AddFace(city, 100, 0, -3000);
    AddFace(city, 0, 0, 500);   // behind the camera
    ASSERT_EQ(Build(1, 1, 8), 0);
    ASSERT_EQ(g_world.cellCount, 4);
    for (int32_t k = 0; k < g_world.cellCount; ++k)
    {
        if (IsBoxVisible(g_world.cells[k].box, false))
            g_world.BinCell(k);
    }
    int32_t binned = 0;
    for (int32_t b = 0; b < kDistanceBins; ++b)
        binned += static_cast<int32_t>(g_world.BinCells(b).size());
    EXPECT_EQ(binned, 3);
    EXPECT_EQ(g_world.BinCells(1).size(), 1u);
    EXPECT_EQ(g_world.BinCells(11).size(), 1u);
    EXPECT_EQ(g_world.BinCells(23).size(), 1u);
    g_world.DrawVisibleCells();
    for (int32_t b = 0; b < kDistanceBins; ++b)
        EXPECT_TRUE(g_world.BinCells(b).empty());
    // All three drawn; the filler is affine again for the entities.
    EXPECT_NE(Cell(88, 110) & 0xFFFF, 0u);
    EXPECT_EQ(Cell(88, 110) >> 16, 200u);
    EXPECT_EQ(g_renderer.filler, FillTriangleAffine);
    EXPECT_EQ(city.vertices[3 * 2].frame, PolyRenderer::FrameStamp());
}

TEST_F(CityCells, FarCellsBehindADrawnWallAreSkipped)
{
    P3dMesh& city = Mesh("Object01");
    // A wall filling the screen at depth 200, and a small face far behind it
    const uint32_t base = 0;
    city.vertices.push_back(WorldVertex(-1000, -1000, -200));
    city.vertices.push_back(WorldVertex(1000, -1000, -200));
    city.vertices.push_back(WorldVertex(0, 1000, -200));
    city.faces.push_back(Face(&city.vertices[base], &city.vertices[base + 1], &city.vertices[base + 2], &m_tex));
    AddFace(city, 0, 0, -2500);
    ASSERT_EQ(Build(1, 1, 2), 0);
    ASSERT_EQ(g_world.cellCount, 2);
    g_world.DrawVisibleCells();
    // The far face's corners were never transformed
    EXPECT_EQ(city.vertices[3].frame, -1);
    // Without the wall it is drawn
    ++g_renderFrame;
    ClearFrame();
    city.faces[0].texture = nullptr;
    g_world.DrawVisibleCells();
    EXPECT_EQ(city.vertices[3].frame, PolyRenderer::FrameStamp());
}

TEST_F(CityCells, VertexStampsAreForgottenWhenTheFrameCounterComesRound)
{
    P3dMesh& city = Mesh("Object01");
    AddFace(city, 0, 0, -5000);   // beyond the far distance: never drawn
    AddFace(city, 0, 0, -200);
    ASSERT_EQ(Build(1, 1, 2), 0);
    ASSERT_EQ(g_world.cellCount, 2);
    g_renderFrame = 32767;
    g_world.DrawVisibleCells();
    city.vertices[0].frame = 0;   // as if stamped 32768 frames ago
    g_renderFrame = 32768;
    g_world.DrawVisibleCells();
    EXPECT_EQ(city.vertices[0].frame, -1);
    EXPECT_EQ(city.vertices[3].frame, 0);
}

TEST_F(CityCells, DetailDecidesWhichFarBinsArePerspectiveCorrect)
{
    // One face sloping away from depth 1100 to 1700 (its cell in bin 10),
    // textured with its column numbers so that the two fillers differ.
    TexImage tex = MakeTexture(32, 32, kDrawOpaque, [](uint32_t x, uint32_t) { return uint16_t(0x0800 * (x % 32) + 1); });
    P3dMesh& city = Mesh("Object01");
    city.vertices.push_back(WorldVertex(-300, -100, -1100));
    city.vertices.push_back(WorldVertex(300, -100, -1700));
    city.vertices.push_back(WorldVertex(-300, 100, -1100));
    city.faces.push_back(Face(&city.vertices[0], &city.vertices[1], &city.vertices[2], &tex));
    city.faces[0].corners[1].u = 32 * 16 * 4;
    city.faces[0].corners[2].v = 32 * 16;
    ASSERT_EQ(Build(1, 1, 1), 0);
    // The two fillers tell apart on this face
    g_world.DrawVisibleCells();
    ClearFrame();
    g_renderer.filler = FillTriangleAffine;
    g_renderer.DrawTriangle(city.faces[0]);
    const std::vector<uint32_t> affine(g_frame, g_frame + kFrameCells);
    ClearFrame();
    g_renderer.filler = FillTrianglePerspective;
    g_renderer.DrawTriangle(city.faces[0]);
    ASSERT_FALSE(std::equal(affine.begin(), affine.end(), g_frame));
    struct Case
    {
        int32_t detail;
        TriangleFiller expected;
    } cases[] = {{0, FillTriangleAffine}, {15, FillTriangleAffine}, {16, FillTrianglePerspective}, {58, FillTrianglePerspective}};
    for (const Case& c : cases)
    {
        ++g_renderFrame;
        ClearFrame();
        g_world.detail = c.detail;
        g_world.DrawVisibleCells();
        const std::vector<uint32_t> drawn(g_frame, g_frame + kFrameCells);
        ClearFrame();
        g_renderer.filler = c.expected;
        g_renderer.DrawTriangle(city.faces[0]);
        EXPECT_TRUE(std::equal(drawn.begin(), drawn.end(), g_frame)) << c.detail;
        EXPECT_FALSE(DrawnRows().empty());
    }
}
