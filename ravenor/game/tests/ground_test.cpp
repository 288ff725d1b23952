// ground_test.cpp -- vertical rays into the road faces of the demo city
#include <gtest/gtest.h>

#include "ravenor/game/world/ground.h"
#include "stage_fixture.h"

TEST(Ground, RoadAnswersItsHeightAndAnUpwardNormal)
{
    StartProgram();
    // On the west street, on the crossing at the centre, off the road on grass
    GroundProbe road = ProbeGround(-20000, -12000);
    ASSERT_NE(nullptr, road.triangle);
    EXPECT_EQ(0, road.height);
    EXPECT_EQ(-20000, road.point[0]);
    EXPECT_EQ(-12000, road.point[2]);
    int32_t n[3];
    ProbeNormal(road, n);
    EXPECT_EQ(0, n[0]);
    EXPECT_NEAR(-4096, n[1], 16);   // the square-root table's precision
    EXPECT_EQ(0, n[2]);
    EXPECT_EQ(0, ProbeGround(0, 0).height);
    const GroundProbe grass = ProbeGround(-10000, -10000);
    EXPECT_EQ(-1, grass.height);
    EXPECT_EQ(nullptr, grass.triangle);
    EXPECT_EQ(-1, ProbeGround(40000, 0).height);   // outside the city
    Entity e;
    e.orientation.t[1] = -300;
    EXPECT_TRUE(GroundBlocked(&e, -10000, -300, -10000));
    EXPECT_FALSE(GroundBlocked(&e, -20000, -300, -12000));
}

TEST(Ground, OnlyTheFrontOfATriangleIsHit)
{
    const int32_t origin[3] = {10, 1000, 10};
    const int32_t down[3] = {0, -1000, 0};
    const Vector4s v0{0, 16, 0, 0};
    const Vector4s v1{0, 16, 100, 0};
    const Vector4s v2{100, 16, 0, 0};
    int32_t hit[3];
    ASSERT_TRUE(RayTriangle(origin, down, v0, v1, v2, hit));
    EXPECT_EQ(10, hit[0]);
    EXPECT_EQ(16, hit[1]);
    EXPECT_EQ(10, hit[2]);
    EXPECT_FALSE(RayTriangle(origin, down, v0, v2, v1, hit));
    // Outside the triangle
    const int32_t beside[3] = {90, 1000, 90};
    EXPECT_FALSE(RayTriangle(beside, down, v0, v1, v2, hit));
}

// Edges of 20000 units: the products leave 32 bits, the answer does not change.
TEST(Ground, LargeTrianglesAreHitWhereTheyAre)
{
    const int32_t origin[3] = {5000, 1000, 5000};
    const int32_t down[3] = {0, -1000, 0};
    const Vector4s v0{-10000, 16, -10000, 0};
    const Vector4s v1{-10000, 16, 10000, 0};
    const Vector4s v2{10000, 16, -10000, 0};
    int32_t hit[3];
    ASSERT_FALSE(RayTriangle(origin, down, v0, v1, v2, hit));   // beyond the diagonal
    const int32_t inside[3] = {-5000, 1000, -5000};
    ASSERT_TRUE(RayTriangle(inside, down, v0, v1, v2, hit));
    EXPECT_NEAR(16, hit[1], 1);   // the ray parameter is kept in 1/4096ths
    EXPECT_EQ(-5000, hit[0]);
}

TEST(Ground, PlaneSideIsStrict)
{
    const int32_t n[3] = {0, 4096, 0};
    const int32_t v[3] = {0, 0, 0};
    const int32_t on[3] = {0, 128, 0};    // 4096 x 128 = 524288
    const int32_t past[3] = {0, 129, 0};
    EXPECT_FALSE(PlaneSide(on, n, v));
    EXPECT_TRUE(PlaneSide(past, n, v));
}

// A walker stands on the road; dropped from above it falls, pitching
// forward, until it lands.
TEST(Ground, FollowGroundStandsOnTheRoadAndFallsOffItsEdge)
{
    StartProgram();
    EntityType type;
    type.maxY = 170;
    type.gravity = 10;
    Entity e;
    e.type = &type;
    e.orientation.t[0] = -20000;
    e.orientation.t[1] = -180;
    e.orientation.t[2] = -12000;
    ++g_shell.frameCounter;
    FollowGround(&e);
    EXPECT_EQ(-170, e.Y());
    EXPECT_EQ(0, e.airborne);
    // Dropped from well above, it falls, and lands on the road
    e.orientation.t[1] = -1000;
    int frames = 0;
    do
    {
        ++g_shell.frameCounter;
        FollowGround(&e);
        ++frames;
    } while (e.airborne && frames < 100);
    EXPECT_EQ(0, e.airborne);
    EXPECT_GT(frames, 5);
    EXPECT_GE(e.Y(), -170);
}
