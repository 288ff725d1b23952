// raster_profile_test.cpp -- the racing profile of the engine's triangle
// filler: the same triangles given to both builds, each answer checked
// (outlines, lines off the last row and column, no mesh depth bias, the
// depth buffer cleared at the frame's start, texels by integer gradients)
#include "racing/engine/base_library.h"

#include "engine/scene/tests/raster_fixture.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using rastertest::Point;

struct Surface : rastertest::TriangleSurface
{
    Surface(bool racingBuild, Material* material, int size = 8)
        : TriangleSurface(size, size, 32, material)
    {
        if (racingBuild)
        {
            rasterizer.profile = RasterProfile::racing();
            rasterizer.beginFrame(nullptr, depth.data(), &temps, false);
        }
    }
    uint32_t at(int x, int y) const { return *reinterpret_cast<const uint32_t*>(surface->getPixelAddress(x, y)) & 0xFFFFFF; }
    int painted() const
    {
        int n = 0;
        for (int y = 0; y < surface->height; ++y)
            for (int x = 0; x < surface->width; ++x)
                n += at(x, y) != 0;
        return n;
    }
};

std::unique_ptr<Texture> columns()
{
    // Texel x of row y: x * 16 in red, so a pixel shows which column it took.
    return std::unique_ptr<Texture>(
        rastertest::makeTexture(8, 8, 32, [](int x, int) { return uint32_t(x * 16 + 15) << 16; }));
}

} // namespace

TEST(RacingRaster, WireframeOutlinesEveryFaceAndLinesKeepOffTheLastRowAndColumn)
{
    racing::initRacingMath();
    TexturedMaterial wire;
    wire.detailLevel = 1;
    wire.wireframe = 1;
    wire.color = 0x00FF00;
    const Point a{0, 0, 0x10000}, b{7, 0, 0x10000}, c{7, 7, 0x10000};
    for (bool racingBuild : {false, true})
    {
        Surface s(racingBuild, &wire);
        s.triangle(a, b, c);
        // The edge b-c runs down the last column, a-c reaches the last row.
        EXPECT_EQ(s.at(7, 3), racingBuild ? 0u : 0x00FF00u) << racingBuild;
        EXPECT_EQ(s.at(3, 0), 0x00FF00u) << racingBuild;
        EXPECT_EQ(s.at(5, 3), 0u) << "outlines only, no fill";
    }
    // A face made by clipping: outlined by the racing build, filled by the
    // engine's.
    for (bool racingBuild : {false, true})
    {
        Surface s(racingBuild, &wire);
        s.triangle({0, 0, 0x10000}, {6, 0, 0x10000}, {0, 6, 0x10000}, 1);
        EXPECT_EQ(s.at(0, 3), 0x00FF00u) << racingBuild;
        EXPECT_EQ(s.at(1, 1) != 0, !racingBuild) << racingBuild;
    }
}

TEST(RacingRaster, MeshDepthBiasIsTheEnginesOnly)
{
    racing::initRacingMath();
    auto texture = columns();
    TexturedMaterial m;
    m.detailLevel = 1;
    m.texture = texture.get();
    for (bool racingBuild : {false, true})
    {
        Surface s(racingBuild, &m);
        std::fill(s.depth.begin(), s.depth.end(), 0x20000u);
        s.mesh.depthBias = 0x20000;
        s.triangle({0, 0, 0x30000}, {8, 0, 0x30000}, {0, 8, 0x30000});
        // Biased the triangle comes in front of the stored depth.
        EXPECT_EQ(s.painted() > 0, !racingBuild) << racingBuild;
    }
}

TEST(RacingRaster, TheRacingFrameStartsWithAClearedDepthBuffer)
{
    TexturedMaterial m;
    m.detailLevel = 1;
    for (bool racingBuild : {false, true})
    {
        Surface s(racingBuild, &m);
        std::fill(s.depth.begin(), s.depth.end(), 5u);
        s.rasterizer.beginFrame(nullptr, s.depth.data(), &s.temps, false);
        EXPECT_EQ(s.depth[63], racingBuild ? 0xFFFFFFFFu : 5u) << racingBuild;
    }
}

TEST(RacingRaster, TexturedTriangleExactPixels)
{
    racing::initRacingMath();
    auto texture = columns();
    TexturedMaterial m;
    m.detailLevel = 1;
    m.texture = texture.get();
    Surface s(true, &m);
    // u runs 0 to 8 texels across 8 pixels: pixel x shows column x.
    s.triangle({0, 0, 0x10000, 0, 0}, {8, 0, 0x10000, 8 << 16, 0}, {0, 8, 0x10000, 0, 8 << 16});
    // Rows y cover [0, 8 - y): the spans end before the right edge.
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
        {
            const uint32_t expected = x < 8 - y ? uint32_t(x * 16 + 15) << 16 : 0u;
            EXPECT_EQ(s.at(x, y), expected) << x << "," << y;
        }
}
