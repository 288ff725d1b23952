// rasterizer_test.cpp -- shade tables and the triangle filler in 16 and 32
// bits: coverage, depth, textures, masks, light and fog
#include "raster_fixture.h"

#include "engine/base/math_utils.h"
#include "engine/platform/tests/pixel_check.h"
#include "engine/scene/3d/environment.h"
#include "engine/scene/3d/light.h"

#include <gtest/gtest.h>

#include <string>

using rastertest::Point;
using rastertest::TriangleSurface;

namespace {

const int kDepths[] = {16, 32};

std::string coverage(const Image& image)
{
    std::string rows;
    for (int y = 0; y < image.height; ++y)
    {
        for (int x = 0; x < image.width; ++x)
            rows += image.colorAt(x, y) ? '#' : '.';
        rows += '\n';
    }
    return rows;
}

uint32_t stored(uint32_t rgb, int bits)
{
    return pixelcheck::stored(rgb, bits);
}

} // namespace

TEST(ShadeTable, AmbientOnlyAndOneLightFacingTheEye)
{
    initMathTables();
    PtrVector none;
    ShadeTable ambient32(&none, 0x102030, 32);
    ShadeTable ambient16(&none, 0x102030, 16);
    for (int i : {0, 2080, 4095})
    {
        EXPECT_EQ(ambient32.diffuse[i], 0x102030u);
        EXPECT_EQ(ambient16.diffuse[i], 0x1106u);
        EXPECT_EQ(ambient32.specular[i], 0u);
    }
    Light white(Vector3(0.0f, 0.0f, 1.0f), 0xFFFFFF, 0xFFFFFF, 320, 120);
    PtrVector lights;
    lights.add(&white);
    ShadeTable lit(&lights, 0, 32);
    EXPECT_EQ(lit.diffuse[ShadeTable::kCentre], 0xFEFEFEu);
    EXPECT_EQ(lit.specular[ShadeTable::kCentre], 0xFFFFFFu);
    // A normal at the rim looks away from the light.
    EXPECT_EQ(lit.diffuse[0], 0u);
}

TEST(Rasterizer, CoverageIsTheSameInBothDepths)
{
    std::string first;
    for (int bits : kDepths)
    {
        ColorMaterial red;
        red.color = 0xFF0000;
        TriangleSurface s(16, 16, bits, &red);
        s.triangle({2, 1, 100 << 16}, {13, 5, 100 << 16}, {6, 14, 100 << 16});
        const std::string rows = coverage(*s.surface);
        if (first.empty())
            first = rows;
        EXPECT_EQ(rows, first) << bits;
        EXPECT_EQ(s.surface->colorAt(7, 6), stored(0xFF0000, bits));
        // Right and bottom edges are exclusive; the top vertex row is drawn.
        EXPECT_EQ(s.surface->colorAt(13, 5), 0u);
        EXPECT_EQ(s.surface->colorAt(6, 14), 0u);
    }
    // The golden picture of this triangle.
    const char* golden = "................\n"
                         "................\n"
                         "..##............\n"
                         "..#####.........\n"
                         "..########......\n"
                         "...##########...\n"
                         "...#########....\n"
                         "...########.....\n"
                         "....######......\n"
                         "....#####.......\n"
                         "....#####.......\n"
                         ".....###........\n"
                         ".....##.........\n"
                         ".....#..........\n"
                         "................\n"
                         "................\n";
    EXPECT_EQ(first, golden) << first;
}

TEST(Rasterizer, ThinAndDegenerateTrianglesAreNotDrawn)
{
    struct Case
    {
        const char* what;
        Point a, b, c;
    } cases[] = {
        {"one row", {1, 4, 1}, {9, 4, 1}, {5, 4, 1}},
        {"narrower than a pixel", {4, 0, 1}, {4, 5, 1}, {4, 10, 1}},
        {"below the surface", {1, 20, 1}, {9, 21, 1}, {5, 30, 1}},
        {"above the surface", {1, -20, 1}, {9, -9, 1}, {5, -1, 1}},
    };
    for (const Case& c : cases)
        for (int bits : kDepths)
        {
            ColorMaterial m;
            m.color = 0xFFFFFF;
            TriangleSurface s(16, 16, bits, &m);
            s.triangle(c.a, c.b, c.c);
            EXPECT_EQ(coverage(*s.surface).find('#'), std::string::npos) << c.what << " " << bits;
        }
}

TEST(Rasterizer, DepthTestKeepsTheNearerAndRefusesEqual)
{
    for (int bits : kDepths)
    {
        ColorMaterial first, second;
        first.color = 0x00FF00;
        second.color = 0x0000FF;
        TriangleSurface s(8, 8, bits, &first);
        s.fill(100 << 16);
        s.mesh.material = &second;
        s.fill(100 << 16); // equal depth: not drawn
        EXPECT_EQ(s.surface->colorAt(3, 3), stored(0x00FF00, bits));
        s.fill(50 << 16); // nearer
        EXPECT_TRUE(pixelcheck::matches(*s.surface, [&](int, int) { return stored(0x0000FF, bits); },
                                        "depth_nearer_" + std::to_string(bits)));
        EXPECT_EQ(s.depth[3 * 8 + 3], 50u << 16);
    }
}

TEST(Rasterizer, TexturesWrapAndSampleTheirOwnSize)
{
    for (int bits : kDepths)
    {
        // Four texel columns of distinct colours.
        const uint32_t colours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
        Texture* texture = rastertest::makeTexture(4, 4, bits, [&](int x, int) { return colours[x]; });
        ColorMaterial m;
        m.texture = texture;
        TriangleSurface s(32, 8, bits, &m);
        // u runs over 8 texels across 32 pixels: the texture shows twice.
        s.fill(10 << 16, 8 << 16, 0);
        for (int x : {1, 5, 9, 13, 17, 21, 25, 29})
            EXPECT_EQ(s.surface->colorAt(x, 2), stored(colours[(x / 4) % 4], bits)) << x << " " << bits;
        delete texture;
    }
}

TEST(Rasterizer, MasksKeyBlendAndKeep)
{
    struct Case
    {
        const char* what;
        uint32_t maskTexel;
        bool colourKey;
        uint32_t expected; // over a destination of 0x0000FF with texel 0xFF0000
        bool depthWritten;
    } cases[] = {
        {"key", 0x123456, true, 0x0000FF, false},
        {"white", 0xFFFFFF, false, 0xFF0000, true},
        {"black", 0x000000, false, 0x0000FF, true},
        {"grey", 0x808080, false, 0x7F007F, true},
    };
    for (const Case& c : cases)
        for (int bits : kDepths)
        {
            Texture* texture = rastertest::makeTexture(4, 4, bits, [](int, int) { return 0xFF0000u; });
            Texture* mask = rastertest::makeTexture(4, 4, bits, [&](int, int) { return c.maskTexel; });
            ColorMaterial background;
            background.color = 0x0000FF;
            ColorMaterial m;
            m.texture = texture;
            m.mask = mask;
            m.useColorKey = c.colourKey;
            m.colorKey = 0x123456;
            TriangleSurface s(8, 8, bits, &background);
            s.fill(100 << 16);
            s.mesh.material = &m;
            s.fill(50 << 16);
            uint32_t want = stored(c.expected, bits);
            if (bits == 16 && std::string(c.what) == "grey")
                want = stored(0x7B007B, 16); // the 5-6-5 alpha 2 x (16 + 32 + 16) = 128
            EXPECT_EQ(s.surface->colorAt(3, 3), want) << c.what << " " << bits;
            EXPECT_EQ(s.depth[3 * 8 + 3], c.depthWritten ? 50u << 16 : 100u << 16) << c.what;
            delete texture;
            delete mask;
        }
}

// A luminance mask (no key flag) still hides the pixels where it holds the
// material's colour key; with the default key that is black, so a black mask
// texel leaves colour and depth alone and a farther face shows through.
TEST(Rasterizer, MaskTexelAtTheDefaultKeyHidesThePixelWithoutTheKeyFlag)
{
    for (int bits : kDepths)
    {
        Texture* texture = rastertest::makeTexture(4, 4, bits, [](int, int) { return 0xFF0000u; });
        Texture* mask = rastertest::makeTexture(4, 4, bits, [](int x, int) { return x < 2 ? 0x000000u : 0xFFFFFFu; });
        ColorMaterial far;
        far.color = 0x00FF00;
        TexturedMaterial m;
        m.detailLevel = 1;
        m.texture = texture;
        m.mask = mask;
        ASSERT_EQ(m.useColorKey, 0);
        ASSERT_EQ(m.colorKey, 0u);
        TriangleSurface s(8, 8, bits, &m);
        s.fill(50 << 16, 8 << 16, 8 << 16);
        EXPECT_EQ(s.depth[3 * 8 + 0], 0xFFFFFFFFu) << bits;
        EXPECT_EQ(s.depth[3 * 8 + 2], 50u << 16) << bits;
        EXPECT_EQ(s.surface->colorAt(2, 3), stored(0xFF0000, bits)) << bits;
        s.mesh.material = &far;
        s.fill(100 << 16);
        EXPECT_EQ(s.surface->colorAt(0, 3), stored(0x00FF00, bits)) << bits;
        EXPECT_EQ(s.surface->colorAt(2, 3), stored(0xFF0000, bits)) << bits;
        delete texture;
        delete mask;
    }
}

TEST(Rasterizer, FogFromFrontToBack)
{
    struct Case
    {
        const char* what;
        int32_t depthUnits;
        uint32_t expected; // a white unlit surface under black fog 100..200
    } cases[] = {
        {"at the front", 100, 0xFFFFFF},
        {"half way", 150, 0x7E7E7E},
        {"beyond the back", 201, 0x000000},
    };
    for (const Case& c : cases)
        for (int bits : kDepths)
        {
            ColorMaterial m;
            m.color = 0xFFFFFF;
            Fog fog(100, 200, 0x000000);
            TriangleSurface s(8, 8, bits, &m);
            s.rasterizer.loadFog(&fog);
            s.fill(uint32_t(c.depthUnits) << 16);
            uint32_t want = stored(c.expected, bits);
            if (bits == 16 && c.depthUnits == 150)
                want = stored(0x7B7D7B, 16);
            EXPECT_EQ(s.surface->colorAt(3, 3), want) << c.what << " " << bits;
        }
}

TEST(Rasterizer, FogWithBackAtItsFrontIsNotLoaded)
{
    ColorMaterial m;
    m.color = 0xFFFFFF;
    Fog fog(100, 100, 0x000000);
    TriangleSurface s(8, 8, 32, &m);
    s.rasterizer.loadFog(&fog);
    s.fill(500u << 16);
    EXPECT_EQ(s.surface->colorAt(3, 3), 0xFFFFFFu);
}

TEST(Rasterizer, FlatFacesUseOneEntryOfTheTable)
{
    initMathTables();
    // A table that is bright only at the entry facing the eye.
    PtrVector none;
    ShadeTable table(&none, 0, 32);
    table.diffuse[ShadeTable::kCentre] = 0x808080;
    TexturedMaterial m;
    m.color = 0xFF8000;
    m.flat = 1;
    TriangleSurface s(8, 8, 32, &m, &table);
    // Vertex shade coordinates point elsewhere; the face's own (0, 0) wins.
    Point a{0, 0, 1 << 16, 0, 0, 0, 0}, b{8, 0, 1 << 16, 0, 0, 0, 0}, c{8, 8, 1 << 16, 0, 0, 0, 0};
    s.triangle(a, b, c);
    EXPECT_EQ(s.surface->colorAt(6, 2), 0x7F4000u);
}

TEST(Rasterizer, TargetsAreClippedToTheSurface)
{
    ColorMaterial m;
    m.color = 0xFFFFFF;
    Image* surface = rastertest::makeSurface(16, 4, 32);
    std::vector<uint32_t> depth(16 * 4, 0xFFFFFFFFu);
    PtrVector temps;
    Rasterizer offset(surface, 10, 1, 16, 16);
    EXPECT_EQ(offset.width, 6);
    EXPECT_EQ(offset.height, 3);
    offset.beginFrame(nullptr, depth.data(), &temps, false);
    Mesh mesh;
    mesh.material = &m;
    for (Point p : {Point{0, 0, 1}, Point{40, 0, 1}, Point{0, 40, 1}})
    {
        Vertex* v = new Vertex();
        v->screenX = p.x;
        v->screenY = p.y;
        v->depth = 1;
        mesh.addVertexRecord(v);
    }
    mesh.addFace(0, 1, 2);
    offset.drawTriangle(*mesh.face(0));
    EXPECT_EQ(surface->colorAt(15, 1), 0xFFFFFFu);
    EXPECT_EQ(surface->colorAt(9, 1), 0u);
    EXPECT_EQ(surface->colorAt(0, 2), 0u); // no spill into the next row
    EXPECT_EQ(surface->colorAt(12, 0), 0u);
    Rasterizer outside(surface, -1, 0, 16, 16);
    EXPECT_EQ(outside.width, 0);
    delete surface;
}

TEST(Rasterizer, DetailLevelsMixLightSpecularTransparencyAndReflection)
{
    // A small reflection map (narrower than 256) of one colour.
    Texture* reflection = rastertest::makeTexture(64, 64, 32, [](int, int) { return 0x204060u; });
    struct Case
    {
        const char* what;
        int level;
        uint32_t colour;
        int transparency;
        int shininess;
        bool reflect;
        uint32_t expected; // over 0x0000FF, diffuse 0x808080, specular 0x202020
    } cases[] = {
        {"lit colour", 2, 0xFFFFFF, 0, 255, false, 0x7F7F7F},
        // The saturating sum drops the low bit of red and green of its first term.
        {"specular", 3, 0xFFFFFF, 0, 128, false, 0x8E8E8F},
        {"unlit see-through", 4, 0xFF0000, 128, 255, false, 0x7F007F},
        {"reflection", 5, 0xFF0000, 0, 255, true, 0x9C3E5E},
    };
    for (const Case& c : cases)
    {
        PtrVector none;
        ShadeTable table(&none, 0x808080, 32);
        for (int i = 0; i < ShadeTable::kEntries; ++i)
            table.specular[i] = c.reflect ? 0 : 0x202020;
        ColorMaterial background;
        background.color = 0x0000FF;
        TexturedMaterial m;
        m.detailLevel = c.level;
        m.color = c.colour;
        m.transparency = c.transparency;
        m.shininessStrength = c.shininess;
        m.reflectionMap = c.reflect ? reflection : nullptr;
        TriangleSurface s(8, 8, 32, &background, &table);
        s.fill(100 << 16);
        s.mesh.material = &m;
        Point a{0, 0, 50 << 16, 0, 0, 0, 0}, b{8, 0, 50 << 16, 0, 0, 254, 0}, d{8, 8, 50 << 16, 0, 0, 254, 254};
        s.triangle(a, b, d);
        EXPECT_EQ(s.surface->colorAt(6, 2), c.expected) << c.what;
    }
    delete reflection;
}
