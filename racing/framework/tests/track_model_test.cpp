// Tests of the track builder on generated strips: segment count checks, the
// wall surgery, texture coordinates, points, width, checkpoints and the
// ground under the built road.
#include "racing/framework/track_ground.h"
#include "racing/framework/track_model.h"
#include "racing/framework/track_strip.h"

#include "racing/engine/base_library.h"
#include "racing/engine/collision_grid.h"

#include "engine/base/math_utils.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/3d/vertex_face.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace racing {
namespace {

class TrackModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        initRacingMath();
        setFixedPointShift(12, 4);
    }

    std::unique_ptr<Mesh> strip(int segments, float hill = 0.0f)
    {
        return std::unique_ptr<Mesh>(makeStripMesh(makeTrackStrip(ovalCentreLine(segments, 400, 150, hill), shape)));
    }

    // Builds the oval of n segments into road, walls and model.
    TrackBuild build(int n, const TrackKeys& keys)
    {
        road = strip(n);
        Mesh* wallsRaw = nullptr;
        TrackBuild result = buildTrackModel(*road, keys, model, wallsRaw);
        walls.reset(wallsRaw);
        return result;
    }

    StripShape shape;
    std::unique_ptr<Mesh> road, walls;
    TrackModel model;
};

TEST_F(TrackModelTest, SegmentCountsOutsideTheRangeAreReportedAndBuilt)
{
    struct Case
    {
        int segments;
        TrackBuild result;
    };
    for (Case c : {Case{200, TrackBuild::Built}, Case{500, TrackBuild::Built},
                   Case{199, TrackBuild::SegmentCountOutOfRange}, Case{501, TrackBuild::SegmentCountOutOfRange}})
    {
        auto road = strip(c.segments);
        TrackModel model;
        Mesh* walls = nullptr;
        EXPECT_EQ(buildTrackModel(*road, TrackKeys(), model, walls), c.result) << c.segments;
        EXPECT_EQ(model.segmentCount, c.segments);
        delete walls;
    }
}

// The loading bar during the walk over the segments: at every tenth segment
// i, 100 x (i + 1) / n, so it starts at 0 and never shows 100; the car's
// strip (no walls) is walked the same way. A refused strip tells nothing.
TEST_F(TrackModelTest, ProgressAtEveryTenthSegment)
{
    struct Case
    {
        int segments;
        bool car;
        size_t count;
        std::vector<int> first; // the first percents
        int last;
    };
    for (const Case& c :
         {Case{200, false, 20, {0, 5, 10, 15}, 95}, Case{300, false, 30, {0, 3, 7, 10, 13, 17}, 97},
          Case{320, true, 32, {0, 3, 6, 9, 12}, 97}, Case{205, false, 21, {0, 5, 10}, 98}, Case{1, false, 0, {}, 0}})
    {
        SCOPED_TRACE(c.segments);
        road = c.segments >= 2 ? strip(c.segments) : std::make_unique<Mesh>();
        TrackKeys keys;
        keys.car = c.car;
        std::vector<int> percents;
        Mesh* wallsRaw = nullptr;
        buildTrackModel(*road, keys, model, wallsRaw, [&](int percent) { percents.push_back(percent); });
        walls.reset(wallsRaw);
        ASSERT_EQ(percents.size(), c.count);
        for (size_t k = 0; k < c.first.size(); ++k)
            EXPECT_EQ(percents[k], c.first[k]) << k;
        if (!percents.empty())
        {
            EXPECT_EQ(percents.back(), c.last);
        }
        EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    }
}

TEST_F(TrackModelTest, DegenerateStripsAreRefusedUntouched)
{
    // One segment, and a strip whose faces were lost.
    Mesh one;
    for (int k = 0; k < 8; ++k)
        one.addVertex(float(k), 0, 0, 0, 0);
    for (int f = 0; f < 14; ++f)
        one.addFace(0, 1, 2);
    auto cut = strip(300);
    for (int f = 0; f < 20; ++f)
    {
        delete cut->face(0);
        cut->faces.removeAt(0);
    }
    auto wild = strip(300);
    wild->face(7)->b = 99999;
    for (Mesh* road : {&one, cut.get(), wild.get()})
    {
        int faces = road->faceCount();
        TrackModel model;
        Mesh* walls = reinterpret_cast<Mesh*>(1);
        EXPECT_EQ(buildTrackModel(*road, TrackKeys(), model, walls), TrackBuild::Refused);
        EXPECT_EQ(walls, nullptr);
        EXPECT_EQ(road->faceCount(), faces);
        EXPECT_EQ(model.segmentCount, 0);
    }
}

TEST_F(TrackModelTest, WallsAreCutFromTheRoad)
{
    const int n = 300;
    TrackKeys keys;
    keys.guardrailHeight = 1.5f;
    ASSERT_EQ(build(n, keys), TrackBuild::Built);
    EXPECT_EQ(road->faceCount(), 10 * n);
    EXPECT_EQ(walls->faceCount(), 8 * n);
    EXPECT_EQ(walls->vertexCount(), 8 * n);
    for (int i : {0, 1, 150, n - 1})
    {
        EXPECT_EQ(walls->vertex(8 * i + 3)->y, road->vertex(8 * i + 2)->y + 6144) << i;
        EXPECT_EQ(walls->vertex(8 * i + 3)->x, road->vertex(8 * i + 2)->x) << i;
        EXPECT_EQ(walls->vertex(8 * i + 4)->y, road->vertex(8 * i + 5)->y + 6144) << i;
    }
    // The road's faces left are the five middle quads of every segment;
    // none joins an outer vertex pair.
    for (int f = 0; f < road->faceCount(); ++f)
    {
        const Face* face = road->face(f);
        bool outer = (face->a % 8 == 0 && face->b % 8 == 1) || (face->a % 8 == 6 && face->b % 8 == 7);
        EXPECT_FALSE(outer) << f;
    }
}

TEST_F(TrackModelTest, TextureCoordinatesPointsAndLengths)
{
    const int n = 300;
    TrackKeys keys;
    keys.widthAdjust = 1.2f;
    ASSERT_EQ(build(n, keys), TrackBuild::Built);
    const int32_t roadV[6] = {0x100, 0x3000, 0x6000, 0xA000, 0xD000, 0xFF00};
    float lastU = -1;
    for (int i = 0; i < n; ++i)
    {
        for (int k = 1; k <= 6; ++k)
        {
            ASSERT_EQ(road->vertex(8 * i + k)->v, roadV[k - 1]);
        }
        ASSERT_EQ(road->vertex(8 * i)->u, (i & 1) ? 65536 : 0);
        int32_t u = walls->vertex(8 * i)->u;
        ASSERT_GE(u, 0);
        ASSERT_LE(u, 65536);
        if (lastU >= 0)
        {
            EXPECT_NEAR(std::fabs(float(u) - lastU), 6553.6f, 2.0f) << i;
        }
        lastU = float(u);
    }
    EXPECT_EQ(walls->vertex(8 * 10)->u, 65536);
    EXPECT_EQ(walls->vertex(8 * 20)->u, 0);

    const int expected[6] = {55, 115, 175, 235, 295, 1};
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(model.checkpoints[k], expected[k]);
    EXPECT_EQ(model.lapCount, 2);
    // Points are the segments' centres in world units.
    auto line = ovalCentreLine(n, 400, 150, 0.0f);
    for (int i : {0, 77, 299})
    {
        EXPECT_NEAR(model.points[size_t(i)].x, line[size_t(i)].x, 1e-3f);
        EXPECT_NEAR(model.points[size_t(i)].z, line[size_t(i)].z, 1e-3f);
    }
    // The road is 12 units wide: half width 6 x 1.2 without overflow.
    EXPECT_NEAR(model.halfWidth, 7.2f, 0.01f);
    EXPECT_NEAR(model.halfWidthSquared, 7.2f * 7.2f, 0.1f);
    // Lap of 800 + 300 pi, measured on every tenth segment and scaled by 10.
    float lap = 800.0f + 3.14159265f * 300.0f;
    EXPECT_NEAR(model.trackLength, lap, lap * 0.02f);
    EXPECT_EQ(model.visibleAhead, int(400.0f / model.segmentLength));
}

TEST_F(TrackModelTest, ExerciseRacesRideOneLap)
{
    auto road = strip(250);
    TrackKeys keys;
    keys.exercise = true;
    TrackModel model;
    Mesh* walls = nullptr;
    buildTrackModel(*road, keys, model, walls);
    delete walls;
    EXPECT_EQ(model.lapCount, 1);
    EXPECT_EQ(model.lapsLeft, 1);
}

TEST_F(TrackModelTest, RoughnessOnBothSidesWithoutXZMovesOnlyHeights)
{
    auto road = strip(200);
    auto plain = strip(200);
    TrackKeys keys;
    keys.zigzag = true;
    keys.zigzagSide = 2;
    keys.maxYOffset = 0.5f;
    TrackModel model;
    Mesh* walls = nullptr;
    buildTrackModel(*road, keys, model, walls);
    delete walls;
    int moved = 0;
    for (int i = 0; i < 8 * 200; ++i)
    {
        const Vertex* a = road->vertex(i);
        const Vertex* b = plain->vertex(i);
        ASSERT_EQ(a->x, b->x);
        ASSERT_EQ(a->z, b->z);
        int k = i % 8;
        if (k >= 2 && k <= 5)
        {
            ASSERT_EQ(a->y, b->y) << i;
        }
        moved += a->y != b->y;
        ASSERT_LE(std::abs(a->y - b->y), 2049);
    }
    EXPECT_GT(moved, 400);
}

TEST_F(TrackModelTest, CarTracksKeepTheirFacesAndMeasureBetweenTheCentrePair)
{
    // A car strip: the centre pair stands at the drivable edges, 5 from the centre.
    shape.centreGap = 5.0f;
    const int n = 300;
    TrackKeys keys;
    keys.car = true;
    keys.widthAdjust = 1.0f;
    keys.farDistance = 500.0f;
    keys.zigzag = true;
    keys.zigzagSide = 1;
    keys.maxXZOffset = 2.0f;
    keys.maxYOffset = 0.5f;
    auto plain = strip(n);
    ASSERT_EQ(build(n, keys), TrackBuild::Built);
    EXPECT_EQ(walls, nullptr);
    EXPECT_EQ(road->faceCount(), 14 * n);
    const int32_t carV[8] = {0, 0x3000, 0x5000, 0x7000, 0x9000, 0xB000, 0xD000, 0x10000};
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < 8; ++k)
        {
            ASSERT_EQ(road->vertex(8 * i + k)->v, carV[k]);
            ASSERT_EQ(road->vertex(8 * i + k)->u, (i & 1) ? 65536 : 0);
        }
    // Side 1 only: vertices 0..4 untouched, 5..7 pushed outwards.
    int widened = 0;
    for (int i = 0; i < n; ++i)
    {
        for (int k = 0; k < 5; ++k)
        {
            ASSERT_EQ(road->vertex(8 * i + k)->x, plain->vertex(8 * i + k)->x);
            ASSERT_EQ(road->vertex(8 * i + k)->y, plain->vertex(8 * i + k)->y);
        }
        Vector3 before, after, p = model.points[size_t(i)];
        before.setFromFixed(plain->vertex(8 * i + 7)->x, 0, plain->vertex(8 * i + 7)->z);
        after.setFromFixed(road->vertex(8 * i + 7)->x, 0, road->vertex(8 * i + 7)->z);
        p.y = 0;
        before.subtract(p);
        after.subtract(p);
        ASSERT_GE(after.length(), before.length() - 1e-3f);
        widened += after.length() > before.length() + 0.01f;
    }
    EXPECT_GT(widened, n / 2);
    // Width 10 between the centre pair, x 0.95; two segments less ahead.
    EXPECT_NEAR(model.halfWidth, 5.0f * 0.95f, 0.01f);
    EXPECT_EQ(model.visibleAhead, int(500.0f / model.segmentLength) - 2);
}

TEST_F(TrackModelTest, GroundUnderTheBuiltRoadFollowsTheHill)
{
    const int n = 300;
    const float hill = 20.0f;
    auto road = strip(n, hill);
    TrackModel model;
    Mesh* wallsRaw = nullptr;
    ASSERT_EQ(buildTrackModel(*road, TrackKeys(), model, wallsRaw), TrackBuild::Built);
    delete wallsRaw;
    TrackGround ground(*road, 64, 64);
    EXPECT_EQ(ground.faceCount(), 10 * n);
    auto line = ovalCentreLine(n, 400, 150, hill);
    for (int i = 0; i < n; i += 7)
    {
        Vector3 p(model.points[size_t(i)].x, 1000.0f, model.points[size_t(i)].z), normal;
        ASSERT_TRUE(ground.findGround(p, normal)) << i;
        EXPECT_NEAR(p.y, line[size_t(i)].y, 0.01f) << i;
        EXPECT_LT(normal.y, -0.9f);
    }
    // Between two points, on the road edge, half way along.
    Vector3 a = model.points[10], b = model.points[11];
    Vector3 mid((a.x + b.x) / 2 + 0.5f, 0, (a.z + b.z) / 2);
    Vector3 normal;
    ASSERT_TRUE(ground.findGround(mid, normal));
    EXPECT_NEAR(mid.y, (a.y + b.y) / 2, 0.05f);
    Vector3 far(5000, 0, 5000);
    EXPECT_FALSE(ground.findGround(far, normal));
}

} // namespace
} // namespace racing

namespace racing {
namespace {

// The engine's collision grid over the built road, with normals from the
// vertices: the ground answers before any render pass has computed the
// faces' stored normals.
TEST_F(TrackModelTest, CollisionGridFindsTheBuiltRoad)
{
    ASSERT_EQ(build(300, TrackKeys()), TrackBuild::Built);
    Group3D group;
    group.addObject(u"track", road.release());
    CollisionGrid grid(group, 1.0f, u"track", nullptr, nullptr, 64, 1, 64);
    grid.normalSource = 1;
    GridGround ground(&grid);
    for (int i = 0; i < 300; i += 13)
    {
        Vector3 p(model.points[size_t(i)].x, 50.0f, model.points[size_t(i)].z), normal;
        ASSERT_TRUE(ground.findGround(p, normal)) << i;
        EXPECT_NEAR(p.y, 0.0f, 0.01f) << i;
        EXPECT_LT(normal.y, -0.9f);
    }
}

} // namespace
} // namespace racing
