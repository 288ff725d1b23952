// Spans, triangle walking, draw modes, fog, the reciprocal tables and lighting
#include <gtest/gtest.h>

#include "ravenor/engine/render/lighting.h"
#include "ravenor/engine/render/reciprocal_tables.h"
#include "ravenor/engine/render/span_fill.h"
#include "ravenor/engine/render/triangle_fill.h"
#include "render_fixture.h"

using namespace render_fixture;

namespace {

class Rasteriser : public ::testing::Test
{
protected:
    void SetUp() override
    {
        InitLighting(-3500, 10);
        ClearSpanFog();
        ClearFrame();
    }
};

constexpr int32_t kRow = 50;

// One pixel at (10, kRow) over 'old' with a texture of one colour
uint32_t OnePixel(uint32_t mode, uint16_t texel, uint32_t old, int32_t depth)
{
    TexImage tex = Solid(texel, mode);
    g_frame[kRow * kFrameWidth + 10] = old;
    DrawSpanAffine(0, 0, 0, 0, 10 << 16, 11 << 16, kRow, depth, depth, tex);
    return Cell(10, kRow);
}

// One pixel's draw mode, texel and old cell, and the cell it must leave
struct PixelCase
{
    const char* what;
    uint32_t mode;
    uint16_t texel;
    uint32_t old;
    uint32_t expected;
};

// Each case drawn at depth 50 by 'draw' (OnePixel or OnePixelPerspective)
template <size_t N>
void ExpectPixels(const PixelCase (&cases)[N], uint32_t (*draw)(uint32_t, uint16_t, uint32_t, int32_t))
{
    for (const PixelCase& c : cases)
        EXPECT_EQ(draw(c.mode, c.texel, c.old, 50 << 16), c.expected) << c.what;
}

// The same through the perspective span, at a constant depth
uint32_t OnePixelPerspective(uint32_t mode, uint16_t texel, uint32_t old, int32_t depth)
{
    TexImage tex = Solid(texel, mode);
    g_frame[kRow * kFrameWidth + 10] = old;
    const PerspectiveEnd end{Recip18[depth >> 16] << 8, 0, 0};
    DrawSpanPerspective(end, end, 10 << 16, 11 << 16, kRow, depth, depth, tex);
    return Cell(10, kRow);
}

// A frame of mixed depths (0..4095) and colours, so that spans pass and
// fail the depth test along their length.
void PatternFrame()
{
    for (uint32_t k = 0; k < uint32_t(kFrameCells); ++k)
        g_frame[k] = ((k * 2654435761u >> 20) << 16) | ((k * 40503u) & 0xFFFF);
}

// Spans over most rows of the pattern, each of another width, start,
// depth range and texture stretch; 'span' draws one with these values.
template <typename Span>
void PatternSpans(Span span)
{
    PatternFrame();
    for (int32_t row = 0; row < kFrameHeight; row += 2)
    {
        const int32_t xs = ((row * 37) % 60 - 20) * 0x10000 + row * 977;
        const int32_t xe = xs + (40 + row) * 0x10000 + row * 311;
        const int32_t d0 = 100 + (row * 53) % 3900, d1 = 100 + (row * 191) % 3900;
        span(row, xs, xe, d0, d1);
    }
}

void Fill(TriangleFiller filler, P3dVertex (&v)[3], const TexImage& tex, int32_t uSpan = 0)
{
    const FillCorner a{&v[0], 0, 0}, b{&v[1], uSpan, 0}, c{&v[2], 0, uSpan};
    filler(a, b, c, tex);
}

} // namespace

TEST_F(Rasteriser, ReciprocalTableEntries)
{
    EXPECT_EQ(Recip18[0], 262144);
    EXPECT_EQ(Recip18[1], 262144);
    EXPECT_EQ(Recip18[3], 87381);
    EXPECT_EQ(Recip18[4095], 64);
    EXPECT_EQ(Recip16[63], 0);
    EXPECT_EQ(Recip16[64], 0xFFFF);
    EXPECT_EQ(Recip16[65], 64527);
    EXPECT_EQ(Recip16[4095], 1024);
}

TEST_F(Rasteriser, SpanStartingLeftOfTheScreenAdvancesItsTexture)
{
    // Texel k holds k + 1; u runs one texel a column (less the rounding of
    // the step) from the unclipped start column -4, so column 0 shows texel 4.
    TexImage tex = MakeTexture(8, 1, kDrawOpaque, [](uint32_t x, uint32_t) { return uint16_t(x + 1); });
    DrawSpanAffine(0x8000, 0, (6 << 16) + 0x8000, 0, -(3 << 16) - 0x8000, 2 << 16, kRow, 100 << 16, 100 << 16, tex);
    EXPECT_EQ(Cell(0, kRow), (100u << 16) | 5);
    EXPECT_EQ(Cell(1, kRow), (100u << 16) | 6);
    EXPECT_EQ(Cell(2, kRow), kClearCell);
}

TEST_F(Rasteriser, SpansThatShowNothing)
{
    TexImage tex = Solid(0x1234);
    struct Case
    {
        int32_t xs, xe;
    } cases[] = {
        {-(5 << 16), 0xFFFF},             // ends before column 1
        {176 << 16, 180 << 16},           // starts past the right edge
        {(20 << 16) + 5, (20 << 16) + 0xFFFF},   // one column
        {30 << 16, 20 << 16},             // reversed
    };
    for (const Case& c : cases)
        DrawSpanAffine(0, 0, 0, 0, c.xs, c.xe, kRow, 10 << 16, 10 << 16, tex);
    EXPECT_TRUE(DrawnRows().empty());
}

TEST_F(Rasteriser, SpanEndsAtTheRightEdgeAndReadsNoTableOutside)
{
    TexImage tex = Solid(0x1234);
    DrawSpanAffine(0, 0, 0, 0, 170 << 16, 9000 << 16, kRow, 10 << 16, 10 << 16, tex);
    EXPECT_EQ(Cell(175, kRow), (10u << 16) | 0x1234);
    EXPECT_EQ(Cell(0, kRow + 1), kClearCell);
}

TEST_F(Rasteriser, NarrowSpanWithADeepDepthRangeKeepsItsStep)
{
    // (19900 << 16 >> 14) x Recip18[2] does not fit in 32 bits; the step is
    // still 9950 a column.
    TexImage tex = Solid(0x1234);
    DrawSpanAffine(0, 0, 0, 0, 10 << 16, 12 << 16, kRow, 100 << 16, 20000 << 16, tex);
    EXPECT_EQ(Cell(10, kRow), (100u << 16) | 0x1234);
    EXPECT_EQ(Cell(11, kRow), (10050u << 16) | 0x1234);
}

TEST_F(Rasteriser, TallEdgeWithADeepDepthRangeKeepsItsStep)
{
    // One row from depth 100 to 20000 along the long edge: 19900 x 262144
    // does not fit in 32 bits either.
    TexImage tex = Solid(0x1234);
    P3dVertex v[3] = {ScreenVertex(10, 10, 100), ScreenVertex(60, 10, 100), ScreenVertex(10, 12, 20000)};
    Fill(FillTriangleAffine, v, tex);
    EXPECT_EQ(Cell(10, 11) >> 16, 100u + 9950u);
}

TEST_F(Rasteriser, DrawModesOnOnePixel)
{
    const PixelCase cases[] = {
        {"opaque", kDrawOpaque, 0x1234, 0x0064FFFF, 0x00321234},
        {"opaque black", kDrawOpaque, 0x0000, 0x0064FFFF, 0x00320000},
        {"key writes", kDrawColourKey, 0x1234, 0x0064FFFF, 0x00321234},
        {"key skips 0", kDrawColourKey, 0x0000, 0x0064ABCD, 0x0064ABCD},
        {"half", kDrawHalf, 0x0000, 0x0064FFFF, 0x00647BEF},
        {"half of 0 over 0", kDrawHalf, 0x0000, 0x00640000, 0x00640000},
        {"half white over white", kDrawHalf, 0xFFFF, 0x0064FFFF, 0x0064FFFF},
        {"keyed half skips 0", kDrawHalfKey, 0x0000, 0x0064FFFF, 0x0064FFFF},
        {"keyed half", kDrawHalfKey, 0xFFFF, 0x00640000, 0x00647BEF},
        {"add white", kDrawAddKey, 0xFFFF, 0x00641234, 0x0064FFFF},
        {"add black", kDrawAddKey, 0x0000, 0x00641234, 0x00641234},
        {"add saturates per field", kDrawAddKey, 0x8410, 0x00648410, 0x0064FFFF},
        {"add below saturation", kDrawAddKey, 0x0801, 0x00640801, 0x00641002},
    };
    ExpectPixels(cases, OnePixel);
}

TEST_F(Rasteriser, PerspectiveDrawModesBlendOnTheCoarseMasks)
{
    // Modes 2 to 4 sum texel and old on 0x3800, 0x0700 and 0x00E0, add the
    // old low 5 bits and halve the sum; the depth half stays.
    const PixelCase cases[] = {
        {"opaque", kDrawOpaque, 0x1234, 0x0064FFFF, 0x00321234},
        {"key skips 0", kDrawColourKey, 0x0000, 0x0064ABCD, 0x0064ABCD},
        {"key writes", kDrawColourKey, 0xABCD, 0x0064FFFF, 0x0032ABCD},
        {"half of 0 over white", kDrawHalf, 0x0000, 0x0064FFFF, 0x00641FFF},
        {"half of white over 0", kDrawHalf, 0xFFFF, 0x00640000, 0x00641FF0},
        {"half of white over white", kDrawHalf, 0xFFFF, 0x0064FFFF, 0x00643FEF},
        {"half mixes fields", kDrawHalf, 0x1234, 0x0064ABCD, 0x00641EF6},
        {"half carries into the next mask", kDrawHalf, 0x07E0, 0x0064001F, 0x006403FF},
        {"keyed half skips 0", kDrawHalfKey, 0x0000, 0x0064FFFF, 0x0064FFFF},
        {"keyed half", kDrawHalfKey, 0xFFFF, 0x00640000, 0x00641FF0},
        {"mode 4 skips 0", kDrawAddKey, 0x0000, 0x00641234, 0x00641234},
        {"mode 4 averages", kDrawAddKey, 0xFFFF, 0x0064FFFF, 0x00643FEF},
        {"mode 4 mixes fields", kDrawAddKey, 0x1234, 0x0064ABCD, 0x00641EF6},
    };
    ExpectPixels(cases, OnePixelPerspective);
    // A nearer cell keeps its colour in every mode
    for (uint32_t mode = kDrawOpaque; mode <= kDrawAddKey; ++mode)
        EXPECT_EQ(OnePixelPerspective(mode, 0xFFFF, 0x00200000, 50 << 16), 0x00200000u) << mode;
}

namespace {

// Every mode of every filler over patterned frames against the frames the
// per-pixel loops drew ('way' names the loops in use).
void ExpectPinnedSpans(const char* way)
{
    // 16 x 8 texels with holes (texel 0) for the keyed modes
    auto texel = [](uint32_t x, uint32_t y) {
        return uint16_t((x * 3 + y * 5) % 7 == 0 ? 0 : (x * 7919u + y * 104729u) * 2654435761u >> 16);
    };
    const uint64_t affine[2][5] = {
        {0x33ec29e5cfcb63d0, 0x581c329564ca1f1e, 0x5e3ec0d48c546721, 0xa999ad900c4ca5d5, 0x674fa3206d13b479},
        // Fog changes modes 0 and 1 only
        {0x4c526247aabea5c8, 0xf02cb339582a2326, 0x5e3ec0d48c546721, 0xa999ad900c4ca5d5, 0x674fa3206d13b479},
    };
    // Modes 3 and 4 blend alike
    const uint64_t perspective[5] = {0x2ce606a4f5f96901, 0x510a508b286cfe26, 0x53c1dc502dc02afb,
                                     0x342032f0a748d780, 0x342032f0a748d780};
    const uint64_t flat[2] = {0x96b6d0278cc792a0, 0xfe944095ff232e58};
    for (uint32_t mode = kDrawOpaque; mode <= kDrawAddKey; ++mode)
    {
        const TexImage tex = MakeTexture(16, 8, mode, texel);
        for (int fog = 0; fog < 2; ++fog)
        {
            if (fog)
                SetSpanFog(-3500, 10);
            else
                ClearSpanFog();
            PatternSpans([&](int32_t row, int32_t xs, int32_t xe, int32_t d0, int32_t d1) {
                DrawSpanAffine(row * 4099, row << 18, (row * 4099) + (300 << 16), (row + 9) << 20, xs, xe, row,
                               d0 << 16, d1 << 16, tex);
            });
            EXPECT_EQ(FrameHash(), affine[fog][mode]) << way << " affine mode " << mode << " fog " << fog;
        }
        ClearSpanFog();
        PatternSpans([&](int32_t row, int32_t xs, int32_t xe, int32_t d0, int32_t d1) {
            // u and v in sixteenths of a texel at the ends, as the triangle filler forms them
            const int32_t r0 = Recip18[d0], r1 = Recip18[d1];
            const PerspectiveEnd a{r0 << 8, (row * 5) * r0, ((row * 16 * 16) >> 4) * r0};
            const PerspectiveEnd b{r1 << 8, (row * 5 + 700) * r1, (((row + 50) * 16 * 16) >> 4) * r1};
            DrawSpanPerspective(a, b, xs, xe, row, d0 << 16, d1 << 16, tex);
        });
        EXPECT_EQ(FrameHash(), perspective[mode]) << way << " perspective mode " << mode;
    }
    for (uint32_t mode : {kDrawOpaque, kDrawHalf})
    {
        PatternSpans([&](int32_t row, int32_t xs, int32_t xe, int32_t d0, int32_t d1) {
            DrawSpanFlat((row * 9) << 16, (1100 - row * 3) << 16, xs, xe, row, d0 << 16, d1 << 16, 0x9A5C, mode);
        });
        EXPECT_EQ(FrameHash(), flat[mode != kDrawOpaque]) << way << " flat mode " << mode;
    }
    // Shades below 0 and above full grey
    PatternSpans([&](int32_t row, int32_t xs, int32_t xe, int32_t d0, int32_t d1) {
        DrawSpanFlat((row * 37 - 4000) << 16, (3000 - row * 29) << 16, xs, xe, row, d0 << 16, d1 << 16, 0, kDrawOpaque);
    });
    EXPECT_EQ(FrameHash(), 0x5b1c3bb4a77d5937u) << way << " flat shades";
}

} // namespace

TEST_F(Rasteriser, EveryDrawModesSpansMatchTheirPinnedFrames)
{
    // Eight cells at a time where the processor can, and four
    const bool wide = UseWideSpans(true);
    ExpectPinnedSpans("widest loops");
    UseWideSpans(false);
    ExpectPinnedSpans("four-cell loops");
    UseWideSpans(wide);
    // A texture of one texel (an odd count) keeps to the four-cell loops
    TexImage one = MakeTexture(1, 1, kDrawOpaque, [](uint32_t, uint32_t) { return uint16_t(0x5A5A); });
    DrawSpanAffine(0, 0, 9 << 16, 0, 3 << 16, 170 << 16, kRow, 10 << 16, 10 << 16, one);
    for (int32_t x = 3; x < 170; ++x)
        ASSERT_EQ(Cell(x, kRow), (10u << 16) | 0x5A5A) << x;
}

TEST_F(Rasteriser, DepthTestComparesTheWholeCell)
{
    EXPECT_EQ(OnePixel(kDrawOpaque, 0x0001, 0x00640005, 100 << 16), 0x00640001u);
    EXPECT_EQ(OnePixel(kDrawOpaque, 0x0001, 0x00640000, 100 << 16), 0x00640000u);
    EXPECT_EQ(OnePixel(kDrawHalf, 0xFFFF, 0x00320000, 100 << 16), 0x00320000u);
}

TEST_F(Rasteriser, FogFadesDeepPixelsOfOpaqueAndKeyedSpans)
{
    SetSpanFog(-3500, 10);
    const int32_t start = (-1024 + 3500 - 300) << 16;
    ASSERT_EQ(g_spanFog.start, start);
    const int32_t half = start + (512 << 16);
    EXPECT_EQ(OnePixel(kDrawOpaque, 0xFFFF, kClearCell, half), (uint32_t(half >> 16) << 16) | 0x7BEF);
    EXPECT_EQ(OnePixel(kDrawColourKey, 0xFFFF, kClearCell, half), (uint32_t(half >> 16) << 16) | 0x7BEF);
    EXPECT_EQ(OnePixel(kDrawOpaque, 0xFFFF, kClearCell, start - (1 << 16)), (uint32_t((start >> 16) - 1) << 16) | 0xFFFF);
    EXPECT_EQ(OnePixel(kDrawOpaque, 0xFFFF, kClearCell, start + (2000 << 16)), (uint32_t((start >> 16) + 2000) << 16));
    // Blends are not fogged
    EXPECT_EQ(OnePixel(kDrawHalf, 0xFFFF, 0x7FFF0000, half), 0x7FFF7BEFu);
}

TEST_F(Rasteriser, TriangleFillsTheRowsBetweenTopAndBottom)
{
    // The top row holds only the top corner, a span of no width.
    TexImage tex = Solid(0x0F0F);
    P3dVertex v[3] = {ScreenVertex(10, 5, 20), ScreenVertex(60, 7, 20), ScreenVertex(10, 9, 20)};
    Fill(FillTriangleAffine, v, tex);
    EXPECT_EQ(DrawnRows(), (std::vector<int32_t>{6, 7, 8}));
    // A flat top edge is drawn on its own row
    ClearFrame();
    P3dVertex flat[3] = {ScreenVertex(10, 5, 20), ScreenVertex(60, 5, 20), ScreenVertex(10, 9, 20)};
    Fill(FillTriangleAffine, flat, tex);
    EXPECT_EQ(DrawnRows(), (std::vector<int32_t>{5, 6, 7, 8}));
}

TEST_F(Rasteriser, FacesSharingAnEdgeLeaveNoGapRow)
{
    // A strip of quads, two triangles each, stacked down the screen: every
    // row from the first top to the last bottom is drawn in column 40.
    TexImage tex = Solid(0x0F0F);
    for (int16_t top = 10; top < 60; top += 3)
    {
        const int16_t bottom = top + 3;
        P3dVertex a[3] = {ScreenVertex(20, top, 20), ScreenVertex(70, top, 20), ScreenVertex(20, bottom, 20)};
        P3dVertex b[3] = {ScreenVertex(70, top, 20), ScreenVertex(70, bottom, 20), ScreenVertex(20, bottom, 20)};
        Fill(FillTriangleAffine, a, tex);
        const FillCorner t{&b[0], 0, 0}, m{&b[1], 0, 0}, l{&b[2], 0, 0};
        FillTriangleAffine(t, l, m, tex);
    }
    for (int32_t y = 10; y < 61; ++y)
        EXPECT_NE(Cell(40, y), kClearCell) << y;
    EXPECT_EQ(Cell(40, 61), kClearCell);
}

TEST_F(Rasteriser, TriangleAboveTheScreenStartsAtRow0WithItsEdgesAdvanced)
{
    TexImage tex = Solid(0x0F0F);
    // Short edge: 80 columns over 60 rows, step 80 x Recip18[60] >> 2 =
    // 87380; at row 0 it has advanced 10 rows: (20 << 16) + 873800 -> 33.
    P3dVertex v[3] = {ScreenVertex(20, -10, 20), ScreenVertex(100, 50, 20), ScreenVertex(20, 110, 20)};
    Fill(FillTriangleAffine, v, tex);
    EXPECT_EQ(DrawnRows().front(), 0);
    EXPECT_EQ(DrawnRows().back(), 109);
    EXPECT_EQ(Cell(19, 0), kClearCell);
    EXPECT_EQ(Cell(20, 0), (20u << 16) | 0x0F0F);
    EXPECT_EQ(Cell(32, 0), (20u << 16) | 0x0F0F);
    EXPECT_EQ(Cell(33, 0), kClearCell);
}

TEST_F(Rasteriser, TriangleBelowTheScreenStopsAtRow219)
{
    TexImage tex = Solid(0x0F0F);
    P3dVertex v[3] = {ScreenVertex(20, 200, 20), ScreenVertex(100, 260, 20), ScreenVertex(20, 400, 20)};
    Fill(FillTriangleAffine, v, tex);
    EXPECT_EQ(DrawnRows().front(), 201);
    EXPECT_EQ(DrawnRows().back(), 219);
}

TEST_F(Rasteriser, MiddleCornerOnEitherSide)
{
    TexImage tex = Solid(0x0F0F);
    for (int16_t middleX : {int16_t(10), int16_t(150)})
    {
        ClearFrame();
        P3dVertex v[3] = {ScreenVertex(80, 20, 20), ScreenVertex(middleX, 60, 20), ScreenVertex(80, 100, 20)};
        Fill(FillTriangleAffine, v, tex);
        EXPECT_NE(Cell((80 + middleX) / 2, 60), kClearCell) << middleX;
        EXPECT_EQ(DrawnRows().size(), 79u) << middleX;
    }
}

TEST_F(Rasteriser, AffineTriangleMapsTheTexture)
{
    // 32 x 32 texture whose texel is its column; u runs 0..32 texels over
    // the 32 pixels of the top edge.
    TexImage tex = MakeTexture(32, 32, kDrawOpaque, [](uint32_t x, uint32_t) { return uint16_t(x); });
    P3dVertex v[3] = {ScreenVertex(0, 0, 30), ScreenVertex(32, 0, 30), ScreenVertex(0, 32, 30)};
    Fill(FillTriangleAffine, v, tex, 32 * 16);
    for (int32_t x = 0; x < 30; ++x)
        EXPECT_NEAR(int32_t(Cell(x, 1) & 0xFFFF), x, 1) << x;
}

TEST_F(Rasteriser, PerspectiveAtConstantDepthAgreesWithAffine)
{
    TexImage tex = MakeTexture(32, 32, kDrawOpaque, [](uint32_t x, uint32_t y) { return uint16_t(x + 32 * y); });
    P3dVertex v[3] = {ScreenVertex(10, 10, 300), ScreenVertex(90, 20, 300), ScreenVertex(30, 120, 300)};
    Fill(FillTriangleAffine, v, tex, 32 * 16);
    std::vector<uint32_t> affine(g_frame, g_frame + kFrameCells);
    ClearFrame();
    Fill(FillTrianglePerspective, v, tex, 32 * 16);
    int32_t far = 0;
    for (int32_t k = 0; k < kFrameCells; ++k)
    {
        ASSERT_EQ(affine[k] >> 16, g_frame[k] >> 16) << k;
        const int32_t du = int32_t(affine[k] & 31) - int32_t(g_frame[k] & 31);
        const int32_t dv = int32_t((affine[k] & 0xFFFF) >> 5) - int32_t((g_frame[k] & 0xFFFF) >> 5);
        far += std::abs(du) > 1 || std::abs(dv) > 1;
    }
    EXPECT_EQ(far, 0);
}

TEST_F(Rasteriser, PerspectiveBendsTheMappingTowardsTheNearEnd)
{
    // A horizontal strip from depth 100 (left) to 400 (right): halfway along
    // the screen the true texel is 0.5 x 64 / 400 / (0.5 / 100 + 0.5 / 400)
    // = 12.8, where the affine mapping shows 32.
    TexImage tex = MakeTexture(64, 1, kDrawOpaque, [](uint32_t x, uint32_t) { return uint16_t(x); });
    P3dVertex v[3] = {ScreenVertex(0, 0, 100), ScreenVertex(160, 0, 400), ScreenVertex(0, 40, 100)};
    const FillCorner a{&v[0], 0, 0}, b{&v[1], 64 * 16 - 1, 0}, c{&v[2], 0, 0};
    FillTrianglePerspective(a, b, c, tex);
    const uint32_t perspective = Cell(80, 1) & 0xFFFF;
    ClearFrame();
    FillTriangleAffine(a, b, c, tex);
    const uint32_t affine = Cell(80, 1) & 0xFFFF;
    EXPECT_NEAR(perspective, 12.8, 1.0);
    EXPECT_NEAR(affine, 32.0, 1.0);
}

TEST_F(Rasteriser, PerspectiveWithCornersBeyondTheTableFillsAffine)
{
    TexImage tex = MakeTexture(32, 32, kDrawOpaque, [](uint32_t x, uint32_t y) { return uint16_t(x * 7 + y); });
    P3dVertex v[3] = {ScreenVertex(10, 10, 300), ScreenVertex(90, 20, 5000), ScreenVertex(30, 120, 300)};
    Fill(FillTriangleAffine, v, tex, 32 * 16);
    std::vector<uint32_t> affine(g_frame, g_frame + kFrameCells);
    ClearFrame();
    Fill(FillTrianglePerspective, v, tex, 32 * 16);
    EXPECT_TRUE(std::equal(affine.begin(), affine.end(), g_frame));
}

TEST_F(Rasteriser, FlatFillerGreyAndBlend)
{
    TexImage tex = Solid(0x0000, kDrawOpaque);
    P3dVertex v[3] = {ScreenVertex(10, 10, 40, 512), ScreenVertex(60, 10, 40, 512), ScreenVertex(10, 60, 40, 512)};
    Fill(FillTriangleFlat, v, tex);
    const uint32_t g = 512 * 31 / 1024;
    EXPECT_EQ(Cell(12, 12), (40u << 16) | (g << 11) | (g << 6) | g);

    TexImage glass = Solid(0x0000, kDrawHalf);
    glass.colour = 0xFFFF;
    ClearFrame();
    for (int32_t k = 0; k < kFrameCells; ++k)
        g_frame[k] = 0x7FFF0000;
    Fill(FillTriangleFlat, v, glass);
    EXPECT_EQ(Cell(12, 12), 0x7FFF7BEFu);
}

TEST_F(Rasteriser, NoneFillerAndTexturesWithoutPixelsDrawNothing)
{
    TexImage empty;
    TexImage tex = Solid(0x1111);
    P3dVertex v[3] = {ScreenVertex(10, 10, 40), ScreenVertex(60, 10, 40), ScreenVertex(10, 60, 40)};
    Fill(FillTriangleNone, v, tex);
    Fill(FillTriangleAffine, v, empty);
    Fill(FillTrianglePerspective, v, empty);
    EXPECT_TRUE(DrawnRows().empty());
}

TEST_F(Rasteriser, LightFunctions)
{
    EXPECT_EQ(g_lighting.fogDistance, 3500);
    EXPECT_EQ(g_lighting.band, 1024);
    EXPECT_EQ(g_lighting.ramp[0], 0);
    EXPECT_EQ(g_lighting.ramp[512], 64);
    EXPECT_EQ(g_lighting.ramp[1023], 255);
    // The sum is limited to 0 or less first: both shaded functions answer 1.
    for (int32_t depth : {0, 100, 3000, 3400, 5000})
        for (int32_t sum : {-5000, -1, 0, 700})
        {
            EXPECT_EQ(LightDistanceShaded(depth, sum), 1) << depth << " " << sum;
            EXPECT_EQ(LightTableShaded(depth, sum), 1) << depth << " " << sum;
            EXPECT_EQ(LightConstant(depth, sum), 0);
        }
    InitLighting(-3500, 20);
    EXPECT_EQ(g_lighting.shift, 12);
    InitLighting(-3500, 2);
    EXPECT_EQ(g_lighting.shift, 8);
}

TEST_F(Rasteriser, PointLights)
{
    const int32_t at[3] = {0, 0, 0};
    const int16_t up[3] = {0, 0x4000, 0};
    const int16_t down[3] = {0, -0x4000, 0};
    EXPECT_EQ(PointLights(at, up), 0);
    // Close: the whole intensity less the falloff
    ASSERT_TRUE(AddPointLight({0, 10, 0, kLightFrontOnly, 500, 100000, 4096}));
    EXPECT_EQ(PointLights(at, up), 500 - (100 >> 8));
    g_lighting.lightCount = 0;
    // 100 above: q = 10000, falloff 0; front only: (dot >> 12) x L x i >> 20
    AddPointLight({0, 100, 0, kLightFrontOnly, 400, 1000000, 0});
    const int32_t inverse = Recip18[100];
    EXPECT_EQ(PointLights(at, up), int32_t((int64_t((0x4000 * 100) >> 12) * inverse * 400) >> 20));
    EXPECT_EQ(PointLights(at, down), 0);
    // Two-sided lights a face turned away at half strength
    g_lighting.lights[0].kind = kLightTwoSided;
    EXPECT_EQ(PointLights(at, down), int32_t((int64_t(400) * ((-(0x4000 * 100 >> 12)) * inverse + 0x100000)) >> 21));
    // Beyond the radius, or off: nothing
    g_lighting.lights[0].radiusLimit = 10000;
    EXPECT_EQ(PointLights(at, up), 0);
    g_lighting.lights[0].radiusLimit = 1000000;
    g_lighting.lights[0].kind = kLightOff;
    EXPECT_EQ(PointLights(at, up), 0);
    for (int k = 1; k < kMaxPointLights; ++k)
        EXPECT_TRUE(AddPointLight({}));
    EXPECT_FALSE(AddPointLight({}));
}
