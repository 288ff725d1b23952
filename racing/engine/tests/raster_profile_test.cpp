// raster_profile_test.cpp -- the racing profile of the engine's triangle
// filler: the same triangles given to both builds, each answer checked
// (outlines, lines off the last row and column, no mesh depth bias, the
// depth buffer cleared at the frame's start, texels by integer gradients)
#include "racing/engine/base_library.h"

#include "engine/scene/tests/raster_fixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

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

// Fog between front and back: the engine weighs a pixel by (back - f) times
// the reciprocal 0x10000 / (back - front), the racing build divides
// ((back - f) << 8) by (back - front) at every pixel; at and before the
// front the colour stays, beyond the back it is the fog's. Through the
// four-pixel loop (textured) and the pixel loop (plain colour), every depth
// of a narrow band and depths across a band wider than 2^16.
TEST(RacingRaster, FogWeightIsDividedPerPixelByTheRacingBuild)
{
    racing::initRacingMath();
    constexpr uint32_t kFogColour = 0x204060, kColour = 0xF0E0D0;
    std::unique_ptr<Texture> plain(rastertest::makeTexture(8, 8, 32, [](int, int) { return kColour; }));
    struct Band
    {
        int32_t front, back;
        std::vector<int32_t> depths;
    };
    std::vector<Band> bands = {{10, 307, {}}, {10, 100000, {9, 10, 11, 12, 777, 40000, 65534, 65535}}};
    for (int32_t f = 9; f <= 308; ++f)
        bands[0].depths.push_back(f);
    for (const Band& band : bands)
    {
        Fog fog(band.front, band.back, kFogColour);
        auto expected = [&](bool racingBuild, int32_t f) {
            if (f <= band.front)
                return kColour;
            if (f > band.back)
                return kFogColour;
            const int64_t span = band.back - f, range = band.back - band.front;
            const int k = racingBuild ? int((span << 8) / range) : int(span * (0x10000 / range) >> 8);
            uint32_t out = 0;
            for (int shift : {16, 8, 0})
            {
                const int a = int(kFogColour >> shift & 0xFF), b = int(kColour >> shift & 0xFF);
                out |= uint32_t(a + ((b - a) * k >> 8)) << shift;
            }
            return out;
        };
        int differing = 0;
        for (bool textured : {true, false})
            for (int32_t f : band.depths)
            {
                uint32_t got[2] = {};
                for (bool racingBuild : {false, true})
                {
                    TexturedMaterial m;
                    m.detailLevel = 1;
                    m.color = kColour;
                    m.texture = textured ? plain.get() : nullptr;
                    Surface s(racingBuild, &m);
                    s.mesh.environmentEnabled = 1;
                    s.rasterizer.loadFog(&fog);
                    s.fill(uint32_t(f) << 16);
                    got[racingBuild] = s.at(3, 4);
                    ASSERT_EQ(got[racingBuild], expected(racingBuild, f))
                        << "band " << band.back << " depth " << f << (racingBuild ? " racing" : " engine")
                        << (textured ? " textured" : " plain");
                    ASSERT_EQ(s.at(0, 0), got[racingBuild]) << "one weight over the whole surface";
                }
                differing += got[0] != got[1];
            }
        EXPECT_GT(differing, 0) << "the two weights part somewhere in the band " << band.back;
    }
}

