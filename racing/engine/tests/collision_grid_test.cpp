// collision_grid_test.cpp -- the collision grid over a hand-made track: a
// sloping road, a bridge deck over it, a wall along its edge and a mesh
// left out by name
#include "racing/engine/base_library.h"
#include "racing/engine/canvas.h"
#include "racing/engine/collision_grid.h"

#include "engine/scene/3d/group3d.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A quad a b c d as faces (a, b, c) and (a, c, d).
void addQuad(Mesh& m, const float a[3], const float b[3], const float c[3], const float d[3])
{
    const int base = m.vertexCount();
    for (const float* p : {a, b, c, d})
        m.addVertex(p[0], p[1], p[2], 0, 0);
    m.addFace(base, base + 1, base + 2);
    m.addFace(base, base + 2, base + 3);
}

// A horizontal quad over [x0, x1] x [z0, z1] at heights y(z0) and y(z1);
// up = true makes it a floor (seen from above, normal -y), false a ceiling.
void addFlat(Mesh& m, float x0, float x1, float z0, float z1, float y0, float y1, bool up)
{
    const float a[3] = {x0, y0, z0}, b[3] = {x1, y0, z0}, c[3] = {x1, y1, z1}, d[3] = {x0, y1, z1};
    if (up)
        addQuad(m, a, b, c, d);
    else
        addQuad(m, a, d, c, b);
}

Mesh* named(Group3D& g, const char16_t* name)
{
    auto* m = new Mesh();
    g.addObject(name, m);
    return m;
}

// Road: 100 x 100, rising from y 0 at z 0 to y 5 at z 100. Bridge: a slab
// over x 40..60, top at y 10, underside at y 9. Wall: the plane x = 100,
// seen from the road (normal +x). Sign: a gantry at y 15 named "deco".
std::unique_ptr<Group3D> track()
{
    auto g = std::make_unique<Group3D>();
    copyName(g->name, u"track");
    addFlat(*named(*g, u"road"), 0, 100, 0, 100, 0, 5, true);
    Mesh* bridge = named(*g, u"bridge");
    addFlat(*bridge, 40, 60, 0, 100, 10, 10, true);
    addFlat(*bridge, 40, 60, 0, 100, 9, 9, false);
    const float w0[3] = {100, 0, 0}, w1[3] = {100, 0, 100}, w2[3] = {100, 20, 100}, w3[3] = {100, 20, 0};
    addQuad(*named(*g, u"wall"), w0, w3, w2, w1);
    addFlat(*named(*g, u"deco"), 10, 30, 40, 60, 15, 15, true);
    g->update(true);
    return g;
}

struct Progress : racing::LoadListener
{
    std::vector<int> percents;
    std::u16string text, name;
    void onLoad(const WCHAR* t, const WCHAR* n, int percent) override
    {
        text = t;
        name = n;
        percents.push_back(percent);
    }
};

class CollisionGridTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        racing::initRacingMath();
        model = track();
        grid = std::make_unique<racing::CollisionGrid>(*model, 0.5f, u"road bridge wall", u"deco", &progress, 8, 1, 8);
    }
    std::unique_ptr<Group3D> model;
    Progress progress;
    std::unique_ptr<racing::CollisionGrid> grid;
};

std::u16string text(const WCHAR* s)
{
    return s ? std::u16string(s) : u"(none)";
}

} // namespace

TEST_F(CollisionGridTest, FaceNormalsOfTheFixtureFollowTheVisibleSide)
{
    EXPECT_LT(model->findObject(u"road")->face(0)->ny, 0) << "a floor seen from above";
    EXPECT_GT(model->findObject(u"bridge")->face(2)->ny, 0) << "the deck's underside";
    EXPECT_GT(model->findObject(u"wall")->face(0)->nx, 0);
}

TEST_F(CollisionGridTest, BuildReportsItsStagesAndBoundsOnlyTheChosenMeshes)
{
    EXPECT_EQ(progress.text, u"Analyzing 3D Models");
    EXPECT_EQ(progress.name, u"track");
    // Meshes 0 to 2 chosen, mesh 3 ("deco") skipped without a report.
    EXPECT_EQ(progress.percents, (std::vector<int>{0, 25, 50, 50, 62, 75, 100}));
    EXPECT_FLOAT_EQ(grid->getMax().y, 20.0f) << "the wall's top; the sign at 15 is not counted";
    EXPECT_EQ(grid->getCount(0), 8);
    EXPECT_EQ(grid->getCount(1), 1);
}

TEST_F(CollisionGridTest, GroundHeightAlongTheTrackOnTheBridgeAndBesideIt)
{
    struct Case
    {
        float x, z;
        const char16_t* mesh;
        float y;
    };
    const Case cases[] = {
        {20, 0.5f, u"road", 0.025f}, {20, 50, u"road", 2.5f}, {20, 99, u"road", 4.95f},
        {50, 20, u"bridge", 10.0f},  {59, 80, u"bridge", 10.0f}, {61, 80, u"road", 4.0f},
        {20, 50, u"road", 2.5f}, // under the sign, which is not in the grid
        // On the line of the deck's front edge but past its end: the road.
        {61, 0, u"road", 0.0f},
        {61, 100, u"road", 5.0f},
    };
    for (const Case& c : cases)
    {
        Vector3 p, n;
        p.set(c.x, -100.0f, c.z);
        EXPECT_EQ(text(grid->findGround(p, n)), c.mesh) << c.x << "," << c.z;
        EXPECT_NEAR(p.y, c.y, 1e-3) << c.x << "," << c.z;
        EXPECT_NEAR(n.y, -1.0f, 0.02f) << "the floor's own normal";
    }
}

TEST_F(CollisionGridTest, UnderTheBridgeTheRoadIsBelowAndTheDeckAbove)
{
    Vector3 p, hit, n;
    p.set(50, 5, 60); // road at 3 there
    EXPECT_EQ(text(grid->intersect(p, p, hit, n, 1, 1)), u"road");
    EXPECT_NEAR(hit.y, 3.0f, 1e-3);
    EXPECT_EQ(text(grid->intersect(p, p, hit, n, 1, 0)), u"bridge");
    EXPECT_NEAR(hit.y, 9.0f, 1e-3) << "the underside, not the top";
    EXPECT_GT(n.y, 0.9f);
    // Both at once: the below record is answered, the above one kept.
    EXPECT_EQ(text(grid->intersect(p, p, hit, n, 1, 2)), u"road");
    EXPECT_EQ(std::u16string(grid->getAbove().meshName), u"bridge");
    EXPECT_NEAR(grid->getAbove().point.y, 9.0f, 1e-3);
    // Above the deck nothing faces down at it from above.
    p.set(50, 15, 60);
    EXPECT_EQ(grid->intersect(p, p, hit, n, 1, 0), nullptr);
}

TEST_F(CollisionGridTest, WallsAreFoundAlongTheDrivingDirection)
{
    Vector3 start, end, hit, n;
    start.set(80, 5, 50);
    end.set(90, 5, 50);
    EXPECT_EQ(text(grid->intersect(start, end, hit, n, 0, 0)), u"wall");
    EXPECT_NEAR(hit.x, 100.0f, 1e-3);
    EXPECT_NEAR(hit.z, 50.0f, 1e-3);
    EXPECT_GT(n.x, 0.9f);
    // The wall is edge-on to a vertical query: never a floor.
    Vector3 p;
    p.set(100, 30, 50);
    EXPECT_NE(text(grid->intersect(p, p, hit, n, 1, 1)), u"wall");
}

TEST_F(CollisionGridTest, MissesLeaveTheOutputsAlone)
{
    Vector3 p, n, hit;
    n.set(7, 7, 7);
    hit.set(1, 2, 3);
    p.set(-10, 42, 50); // beside the track: its column is the edge one, no face under the point
    EXPECT_EQ(grid->findGround(p, n), nullptr);
    EXPECT_FLOAT_EQ(p.y, 42.0f) << "the height is left as it was";
    EXPECT_FLOAT_EQ(n.x, 7.0f);
    p.set(20, 50, 50);
    EXPECT_EQ(grid->intersect(p, p, hit, n, 1, 0), nullptr) << "nothing above the road there";
    EXPECT_FLOAT_EQ(hit.x, 1.0f);
}

TEST_F(CollisionGridTest, TheMarchStaysWithinTheSegment)
{
    // 5 units beyond the road's edge, sampled every 0.5: nothing under any
    // sample. Counting the squared length as steps would march 25 units back
    // onto the road and answer a point outside the segment.
    Vector3 start, end, hit, n;
    start.set(101, 12, 50);
    end.set(106, 12, 50);
    EXPECT_EQ(grid->intersect(start, end, hit, n, 1, 1), nullptr);
    // The same segment moved onto the road finds it at its start.
    start.set(96, 12, 50);
    end.set(101, 12, 50);
    ASSERT_EQ(text(grid->intersect(start, end, hit, n, 1, 1)), u"road");
    EXPECT_NEAR(hit.x, 100.0f, 0.51f) << "the first sample on the road, going back from the end";
}

TEST(CollisionGrid, ComputedNormalsAnswerLikeStoredOnes)
{
    racing::initRacingMath();
    auto model = track();
    racing::CollisionGrid grid(*model, 1.0f, nullptr, u"deco", nullptr, 4, 1, 4);
    grid.normalSource = 1;
    Vector3 p, n;
    p.set(50, 0, 20);
    EXPECT_EQ(text(grid.findGround(p, n)), u"bridge");
    EXPECT_NEAR(n.y, -1.0f, 1e-5);
}

TEST(CollisionGrid, DerivedCountsAndAnEmptySelection)
{
    racing::initRacingMath();
    auto model = track();
    racing::CollisionGrid derived(*model, 1.0f, u"road", nullptr, nullptr, -1, -1, -1);
    // Two faces of 100 x 5 x 100: half the mean extent is 50 x 2.5 x 50.
    EXPECT_EQ(derived.getCount(0), 2);
    EXPECT_EQ(derived.getCount(1), 2);
    EXPECT_EQ(derived.getCount(2), 2);
    Vector3 p, n;
    p.set(30, 0, 30);
    EXPECT_EQ(text(derived.findGround(p, n)), u"road");

    racing::CollisionGrid empty(*model, 1.0f, u"none", nullptr, nullptr, -1, 4, 4);
    EXPECT_EQ(empty.cellCount(), 0);
    EXPECT_EQ(empty.findGround(p, n), nullptr);
}

TEST(CollisionGrid, PointLineDistance)
{
    Vector3 p, a, b;
    p.set(0, 3, 0);
    a.set(-1, 0, 0);
    b.set(5, 0, 0);
    EXPECT_FLOAT_EQ(racing::pointLineDistanceSq(p, a, b), 9.0f);
    b = a; // no line: the distance to the point
    EXPECT_FLOAT_EQ(racing::pointLineDistanceSq(p, a, b), 10.0f);
}
