// fill2d_test.cpp -- the 2D quad filler and its pixel rule, in 16 and 32 bits
#include "engine/scene/2d/raster_context.h"

#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"

#include "engine/platform/tests/pixel_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

namespace {

constexpr uint32_t kBackground = 0x204060;

Image* makeImage(int width, int height, int bits, const std::function<uint32_t(int, int)>& colour)
{
    auto* image = new Image(1, 1, false);
    image->create(width, height, bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image->drawRect(colour(x, y), x, y, 1, 1, true);
    return image;
}

Texture* makeTexture(int width, int height, int bits, const std::function<uint32_t(int, int)>& colour)
{
    Image* image = makeImage(width, height, bits, colour);
    return new Texture(u"t", &image, 1, false, false);
}

uint32_t checker(int x, int y)
{
    return (x + y) % 2 ? 0xFFFFFF : 0xFF0000;
}

// An axis-aligned quad from (x0, y0) to (x1, y1) mapping the texels (0, 0)..(tw, th).
void rectQuad(QuadPoint* q, int x0, int y0, int x1, int y1, int tw, int th)
{
    q[0] = {x0, y0, 0, 0};
    q[1] = {x1, y0, tw << 16, 0};
    q[2] = {x1, y1, tw << 16, th << 16};
    q[3] = {x0, y1, 0, th << 16};
}

struct Fill2D : testing::TestWithParam<int>
{
    Fill2D()
    {
        surface.reset(makeImage(16, 8, bits(), [](int, int) { return kBackground; }));
        texture.reset(makeTexture(4, 4, bits(), checker));
    }
    int bits() const { return GetParam(); }
    uint32_t stored(uint32_t rgb) const { return pixelcheck::stored(rgb, bits()); }
    std::string name(const char* what) const { return std::string("fill2d_") + what + "_" + std::to_string(bits()); }

    void fill(const Material& material, const QuadPoint* quad, int ox = 0, int oy = 0, int w = 16, int h = 8)
    {
        RasterContext context(surface.get(), ox, oy, w, h);
        context.setMaterial(&material);
        context.fillQuad(quad);
    }

    std::unique_ptr<Image> surface;
    std::unique_ptr<Texture> texture;
};

} // namespace

TEST_P(Fill2D, TexturedRectangleCopiesTexels)
{
    TexturedMaterial material;
    material.detailLevel = 1;
    material.texture = texture.get();
    QuadPoint quad[4];
    rectQuad(quad, 2, 1, 6, 5, 4, 4);
    fill(material, quad);
    EXPECT_TRUE(pixelcheck::matches(
        *surface,
        [&](int x, int y) {
            bool inside = x >= 2 && x < 6 && y >= 1 && y < 5;
            return stored(inside ? checker(x - 2, y - 1) : kBackground);
        },
        name("rect")));
}

TEST_P(Fill2D, ScaledAndRotatedQuadsStayInTheirBounds)
{
    TexturedMaterial material;
    material.detailLevel = 1;
    material.texture = texture.get();
    // Twice the size: every texel covers 2 x 2 pixels.
    QuadPoint quad[4];
    rectQuad(quad, 0, 0, 8, 8, 4, 4);
    fill(material, quad);
    EXPECT_TRUE(pixelcheck::matches(
        *surface, [&](int x, int y) { return stored(x < 8 ? checker(x / 2, y / 2) : kBackground); },
        name("scaled")));
    // A diamond writes only inside its outline.
    surface.reset(makeImage(16, 8, bits(), [](int, int) { return kBackground; }));
    QuadPoint diamond[4] = {{8, 0, 0, 0}, {12, 4, 4 << 16, 0}, {8, 8, 4 << 16, 4 << 16}, {4, 4, 0, 4 << 16}};
    fill(material, diamond);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
        {
            int distance = std::abs(x - 8) + std::abs(y - 4);
            if (distance > 5)
            {
                EXPECT_EQ(stored(kBackground), surface->colorAt(x, y)) << x << "," << y;
            }
        }
    EXPECT_NE(stored(kBackground), surface->colorAt(8, 4));
}

TEST_P(Fill2D, ClippingAndDegenerateQuads)
{
    TexturedMaterial material;
    material.detailLevel = 1;
    material.texture = texture.get();
    struct Case
    {
        const char* what;
        int x0, y0, x1, y1;
        std::function<bool(int, int)> inside;
    };
    const Case cases[] = {
        {"crossing the left edge", -2, 0, 2, 4, [](int x, int y) { return x < 2 && y < 4; }},
        {"crossing the top edge", 0, -3, 4, 1, [](int x, int y) { return x < 4 && y < 1; }},
        {"wholly left", -8, 0, -4, 4, [](int, int) { return false; }},
        {"one row", 0, 3, 8, 3, [](int, int) { return false; }},
        {"one column", 4, 0, 4, 6, [](int, int) { return false; }},
        {"below", 0, 8, 4, 12, [](int, int) { return false; }},
    };
    for (const Case& c : cases)
    {
        surface.reset(makeImage(16, 8, bits(), [](int, int) { return kBackground; }));
        QuadPoint quad[4];
        rectQuad(quad, c.x0, c.y0, c.x1, c.y1, 4, 4);
        fill(material, quad);
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(pixelcheck::matches(
            *surface,
            [&](int x, int y) { return stored(c.inside(x, y) ? checker(x - c.x0, y - c.y0) : kBackground); },
            name("clip")));
    }
}

TEST_P(Fill2D, HugeQuadCoversTheSurface)
{
    TexturedMaterial material;
    material.detailLevel = 1;
    material.texture = texture.get();
    QuadPoint quad[4];
    rectQuad(quad, -100000, -60000, 100000, 60000, 4, 4);
    fill(material, quad);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_NE(stored(kBackground), surface->colorAt(x, y)) << x << "," << y;
}

TEST_P(Fill2D, TargetOffTheSurfaceWritesOnlyTheSurfacePart)
{
    // A target at (12, 5) as wide as the surface: only the 4 x 3 corner is
    // on the surface; nothing wraps into the next row or past the end.
    TexturedMaterial material;
    material.detailLevel = 1;
    material.texture = texture.get();
    QuadPoint quad[4];
    rectQuad(quad, 0, 0, 16, 8, 4, 4);
    fill(material, quad, 12, 5, 16, 8);
    EXPECT_TRUE(pixelcheck::matches(
        *surface,
        [&](int x, int y) {
            bool inside = x >= 12 && y >= 5;
            return stored(inside ? checker((x - 12) / 4, (y - 5) / 2) : kBackground);
        },
        name("offset")));
    // And one hanging off the top-left corner.
    surface.reset(makeImage(16, 8, bits(), [](int, int) { return kBackground; }));
    fill(material, quad, -14, -6, 16, 8);
    EXPECT_TRUE(pixelcheck::matches(
        *surface,
        [&](int x, int y) {
            bool inside = x < 2 && y < 2;
            return stored(inside ? checker((x + 14) / 4, (y + 6) / 2) : kBackground);
        },
        name("negative_offset")));
}

TEST_P(Fill2D, TurnedQuadsStepTheirTexelsAsTheLongEdgeGivesAtTheSecondCorner)
{
    // A 32 x 32 texture whose texels name themselves, on rectangles turned by
    // several angles and one sheared. The gradients along a row come from the row of the
    // second corner from the top (p1 of the corners sorted by y): the edge
    // from the top corner p0 to the third one p2 is taken at that row with
    // the fraction f = ((y1 - y0) << 8) / (y2 - y0), and then
    //   du/dx = (u0 + ((u2 - u0) * f >> 8) - u1) / (((x0 << 16) + ((x2 - x0) << 16) * f >> 8 >> 16) - x1),
    // dv/dx likewise. Every span starts at the integer part of its left x
    // with the left edge's texels there.
    constexpr int kSide = 48;
    auto named = [](int x, int y) { return uint32_t(x << 3) << 16 | uint32_t(y << 3) << 8 | 0x40u; };
    std::unique_ptr<Texture> grid(makeTexture(32, 32, bits(), named));
    TexturedMaterial material;
    material.detailLevel = 1;
    material.texture = grid.get();
    constexpr int32_t k32 = 32 << 16;
    struct Case
    {
        const char* what;
        QuadPoint quad[4];
        int32_t dudx, dvdx;
    } cases[] = {
        {"turned by 10 degrees", {{9, 7, 0, 0}, {44, 13, k32, 0}, {39, 41, k32, k32}, {4, 35, 0, k32}}, 56679, -11955},
        {"turned by 30 degrees", {{15, 3, 0, 0}, {47, 21, k32, 0}, {33, 45, k32, k32}, {1, 27, 0, k32}}, 48770, -36578},
        // Sheared with its top edge level: the gradients are exact, and only
        // where the spans start on the sloping left edge can go wrong.
        {"sheared", {{20, 40, 0, k32}, {10, 4, 0, 0}, {40, 4, k32, 0}, {50, 40, k32, k32}}, 69905, 0},
        {"turned by 45 degrees", {{21, 1, 0, 0}, {47, 27, k32, 0}, {27, 47, k32, k32}, {1, 21, 0, k32}}, 41170, -53773},
        {"turned by 60 degrees", {{27, 1, 0, 0}, {45, 33, k32, 0}, {21, 47, k32, k32}, {3, 15, 0, k32}}, 29596, -67650},
        {"turned by -20 degrees", {{2, 17, 0, 0}, {36, 5, k32, 0}, {46, 31, k32, k32}, {12, 43, 0, k32}}, 55188, 25438},
        {"turned by -60 degrees", {{3, 33, 0, 0}, {21, 1, k32, 0}, {45, 15, k32, k32}, {27, 47, 0, k32}}, 28672, 65536},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        surface.reset(makeImage(kSide, kSide, bits(), [](int, int) { return kBackground; }));
        fill(material, c.quad, 0, 0, kSide, kSide);
        QuadPoint sorted[4];
        std::copy(c.quad, c.quad + 4, sorted);
        std::stable_sort(sorted, sorted + 4, [](const QuadPoint& a, const QuadPoint& b) { return a.y < b.y; });
        const QuadPoint &p0 = sorted[0], &p1 = sorted[1], &p2 = sorted[2], &p3 = sorted[3];
        // Between the rows of p1 and p2 the left side is the edge from p1 to
        // p3 when p1 is the left end of its row, else the edge from p0 to p2;
        // it moves by a constant step per row.
        const int fraction = ((p1.y - p0.y) << 8) / (p2.y - p0.y);
        const bool p1Left = p0.x + (p2.x - p0.x) * fraction / 256 > p1.x;
        const QuadPoint& a = p1Left ? p1 : p0;
        const QuadPoint& b = p1Left ? p3 : p2;
        const int64_t dx = (int64_t(b.x - a.x) << 16) / (b.y - a.y);
        const int32_t du = (b.u - a.u) / (b.y - a.y), dv = (b.v - a.v) / (b.y - a.y);
        int wrong = 0;
        std::string firstWrong;
        for (int y = p1.y; y < p2.y; ++y)
        {
            const int rows = y - a.y;
            const int first = int(((int64_t(a.x) << 16) + dx * rows) >> 16);
            const int32_t u = a.u + du * rows, v = a.v + dv * rows;
            // The span is as wide as the row of p1, give or take a pixel.
            const int count = std::abs(p1.x - (p0.x + (p2.x - p0.x) * fraction / 256)) - 2;
            for (int k = 0; k < count; ++k)
            {
                const int tu = ((u + k * c.dudx) >> 16) & 31, tv = ((v + k * c.dvdx) >> 16) & 31;
                if (surface->colorAt(first + k, y) != stored(named(tu, tv)) && wrong++ == 0)
                    firstWrong = "pixel " + std::to_string(k) + " of row " + std::to_string(y);
            }
        }
        EXPECT_EQ(wrong, 0) << "first at " << firstWrong;
    }
}

TEST_P(Fill2D, PixelRule)
{
    const uint32_t grey = 0x808080;
    struct Case
    {
        const char* what;
        int detailLevel;
        uint32_t texel, mask; // mask 0xFFFFFFFF: none
        uint32_t colorKey;
        int useColorKey;
        uint32_t color, color2;
        int texturePercent, transparency;
        uint32_t want32, want16; // 0xRRGGBB; want16 holds the exact RGB565 fields
    };
    const Case cases[] = {
        {"plain texel at level 2", 2, 0x336699, 0xFFFFFFFF, 0, 0, 0, 0, 255, 0, 0x336699, 0x336699},
        {"mask texel equal to the key keeps the pixel", 2, 0x336699, 0x000000, 0x000000, 0, 0, 0, 255, 0,
         kBackground, kBackground},
        {"white mask copies the texel", 2, 0x336699, 0xFFFFFF, 0x000000, 0, 0, 0, 255, 0, 0x336699, 0x336699},
        {"grey mask blends", 1, 0xFFFFFF, grey, 0x000000, 0, 0, 0, 255, 0, 0x8F9FAF, 0x8C9CAD},
        {"colour key of the texture itself", 1, 0x00FF00, 0x00FF00, 0x00FF00, 1, 0, 0, 255, 0, kBackground,
         kBackground},
        {"texture percent tints towards the colour", 2, 0xFFFFFF, 0xFFFFFFFF, 0, 0, 0x000000, 0, 128, 0, 0x7F7F7F,
         0x787C78},
        {"color2 adds and saturates", 2, 0xF08010, 0xFFFFFFFF, 0, 0, 0, 0x204020, 255, 0, 0xFFC030, 0xF8C030},
        {"transparency blends with the destination", 2, 0xFFFFFF, 0xFFFFFFFF, 0, 0, 0, 0, 255, 128, 0x8F9FAF,
         0x8C9EAD},
        {"level 1 ignores the level-2 state", 1, 0x336699, 0xFFFFFFFF, 0, 0, 0, 0x404040, 10, 200, 0x336699,
         0x336699},
    };
    for (const Case& c : cases)
    {
        surface.reset(makeImage(16, 8, bits(), [](int, int) { return kBackground; }));
        std::unique_ptr<Texture> tex(makeTexture(2, 2, bits(), [&](int, int) { return c.texel; }));
        std::unique_ptr<Texture> mask;
        if (c.mask != 0xFFFFFFFF)
            mask.reset(makeTexture(2, 2, bits(), [&](int, int) { return c.mask; }));
        TexturedMaterial material;
        material.detailLevel = c.detailLevel;
        material.texture = tex.get();
        material.mask = c.useColorKey ? tex.get() : mask.get();
        material.useColorKey = c.useColorKey;
        material.colorKey = c.colorKey;
        material.color = c.color;
        material.color2 = c.color2;
        material.texturePercent = c.texturePercent;
        material.transparency = c.transparency;
        QuadPoint quad[4];
        rectQuad(quad, 0, 0, 2, 2, 2, 2);
        fill(material, quad);
        uint32_t want = bits() == 16 ? c.want16 : c.want32;
        EXPECT_EQ(stored(want), surface->colorAt(1, 1)) << c.what;
        EXPECT_EQ(stored(kBackground), surface->colorAt(2, 1)) << c.what;
    }
}

TEST_P(Fill2D, MaskOfAnotherSizeIsNotRead)
{
    std::unique_ptr<Texture> mask(makeTexture(2, 2, bits(), [](int, int) { return 0x000000; }));
    TexturedMaterial material;
    material.detailLevel = 1;
    material.texture = texture.get();
    material.mask = mask.get();
    QuadPoint quad[4];
    rectQuad(quad, 0, 0, 4, 4, 4, 4);
    fill(material, quad);
    EXPECT_EQ(stored(checker(3, 3)), surface->colorAt(3, 3));
}

TEST_P(Fill2D, TextureOfAnotherDepthIsConverted)
{
    std::unique_ptr<Texture> other(makeTexture(4, 4, bits() == 16 ? 32 : 16, checker));
    TexturedMaterial material;
    material.detailLevel = 1;
    material.texture = other.get();
    QuadPoint quad[4];
    rectQuad(quad, 0, 0, 4, 4, 4, 4);
    fill(material, quad);
    EXPECT_EQ(stored(0xFF0000), surface->colorAt(0, 0));
    EXPECT_EQ(stored(0xFFFFFF), surface->colorAt(1, 0));
}

TEST_P(Fill2D, MaterialWithoutTextureFillsItsColour)
{
    ColorMaterial material;
    material.color = 0x00FF00;
    QuadPoint quad[4];
    rectQuad(quad, 1, 1, 3, 3, 1, 1);
    fill(material, quad);
    EXPECT_EQ(stored(0x00FF00), surface->colorAt(2, 2));
    EXPECT_EQ(stored(kBackground), surface->colorAt(3, 3));
}

INSTANTIATE_TEST_SUITE_P(Depths, Fill2D, testing::Values(16, 32));
