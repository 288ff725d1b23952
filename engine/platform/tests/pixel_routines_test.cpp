// pixel_routines_test.cpp -- copies, scaled copies, rectangles, turns and fades in both depths
#include "engine/platform/image.h"
#include "engine/platform/pixel_format.h"
#include "engine/platform/present_filter.h"

#include "pixel_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using pixelcheck::matches;
using pixelcheck::stored;

namespace {

// A picture whose every pixel differs from its neighbours: 0xXXYY00 + 0x80.
uint32_t gradient(int x, int y)
{
    return uint32_t(x * 8) << 16 | uint32_t(y * 8) << 8 | 0x80;
}

void paint(Image& image, uint32_t (*pixel)(int, int))
{
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            image.drawRect(pixel(x, y), x, y, 1, 1, true);
}

class PixelRoutines : public ::testing::TestWithParam<bool>
{
protected:
    // true: the screen's 16 bits; false: 32 bits
    bool screen() const { return GetParam(); }
    int bits() const { return screen() ? 16 : 32; }
    std::string name(const char* what) const { return std::string(what) + (screen() ? "16" : "32"); }
    uint32_t want(uint32_t rgb) const { return stored(rgb, bits()); }
};

} // namespace

INSTANTIATE_TEST_SUITE_P(Depths, PixelRoutines, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "rgb565" : "xrgb8888"; });

TEST_P(PixelRoutines, DrawImageClipsLeftAndKeepsTheColourKey)
{
    Image source(32, 4, screen());
    paint(source, gradient);
    Image target(40, 4, screen());
    target.drawImage(source, -10, 0);
    EXPECT_TRUE(matches(target, [&](int x, int y) { return x < 22 ? want(gradient(x + 10, y)) : 0u; },
                        name("draw-left")));

    // With a key: pixels equal to it leave the target as it was.
    Image keyed(4, 1, screen());
    const uint32_t colours[4] = {0xFF00FF, 0x102030, 0xFF00FF, 0x405060};
    for (int x = 0; x < 4; ++x)
        keyed.drawRect(colours[x], x, 0, 1, 1, true);
    Image back(6, 2, screen());
    back.drawRect(0x00FF00, -1, -1, -1, -1, true);
    back.drawImage(keyed, 1, 1, -1, -1, -1, -1, 0xFF00FF);
    EXPECT_TRUE(matches(back,
                        [&](int x, int y) {
                            if (y == 1 && (x == 2 || x == 4))
                                return want(colours[x - 1]);
                            return want(0x00FF00);
                        },
                        name("draw-key")));
}

TEST_P(PixelRoutines, DrawImageClipTable)
{
    Image source(8, 8, screen());
    paint(source, gradient);
    const struct
    {
        const char* what;
        int x, y, srcX, srcY, w, h;
        int firstX, firstY, lastX, lastY; // target area written (inclusive), or -1
        int shiftX, shiftY;               // source = target + shift
    } cases[] = {
        {"inside", 2, 3, 1, 1, 3, 2, 2, 3, 4, 4, -1, -2},
        {"top cut", 0, -2, 0, 0, 4, 4, 0, 0, 3, 1, 0, 2},
        {"right and bottom cut", 8, 8, 0, 0, 8, 8, 8, 8, 9, 9, -8, -8},
        {"source beyond its image", 0, 0, 6, 6, 5, 5, 0, 0, 1, 1, 6, 6},
        {"wholly right", 10, 0, 0, 0, 8, 8, -1, -1, -1, -1, 0, 0},
        {"wholly above", 0, -8, 0, 0, 8, 8, -1, -1, -1, -1, 0, 0},
        {"zero width", 0, 0, 0, 0, 0, 3, -1, -1, -1, -1, 0, 0},
        {"source origin outside", 0, 0, 9, 0, 2, 2, -1, -1, -1, -1, 0, 0},
    };
    for (const auto& c : cases)
    {
        Image target(10, 10, screen());
        target.drawImage(source, c.x, c.y, c.srcX, c.srcY, c.w, c.h);
        EXPECT_TRUE(matches(target,
                            [&](int x, int y) {
                                bool in = x >= c.firstX && x <= c.lastX && y >= c.firstY && y <= c.lastY;
                                return in ? want(gradient(x + c.shiftX, y + c.shiftY)) : 0u;
                            },
                            name("clip")))
            << c.what;
    }
}

// A picture wider than the target, placed more than the target's width to
// its left or above it, still shows the part that overlaps it.
TEST_P(PixelRoutines, WidePictureFarLeftOrAboveShowsItsOverlap)
{
    Image source(16, 16, screen());
    paint(source, gradient);
    Image left(4, 4, screen());
    left.drawImage(source, -6, 0);
    EXPECT_TRUE(matches(left, [&](int x, int y) { return want(gradient(x + 6, y)); }, name("far-left")));
    Image above(4, 4, screen());
    above.drawImage(source, 0, -9);
    EXPECT_TRUE(matches(above, [&](int x, int y) { return want(gradient(x, y + 9)); }, name("far-above")));
    Image scaled(4, 4, screen());
    scaled.drawScaled(source, -6, 0, 16, 16);
    EXPECT_TRUE(matches(scaled, [&](int x, int y) { return want(gradient(x + 6, y)); }, name("scaled-far-left")));
}

TEST_P(PixelRoutines, DrawScaledDoublesAndClips)
{
    Image source(10, 10, screen());
    paint(source, gradient);
    Image big(20, 20, screen());
    big.drawScaled(source, 0, 0, 20, 20);
    EXPECT_TRUE(matches(big, [&](int x, int y) { return want(gradient(x / 2, y / 2)); }, name("scaled-double")));

    // Left cut by 4 target pixels moves the source by 2.
    Image cut(20, 20, screen());
    cut.drawScaled(source, -4, 0, 20, 20);
    EXPECT_TRUE(matches(cut, [&](int x, int y) { return x < 16 ? want(gradient(x / 2 + 2, y / 2)) : 0u; },
                        name("scaled-cut")));

    // A source rectangle larger than the source reads its last pixels, never beyond.
    Image over(8, 2, screen());
    over.drawScaled(source, 0, 0, 8, 2, 6, 8, 8, 4);
    EXPECT_EQ(over.colorAt(7, 1), want(gradient(9, 9)));

    Image keyed(2, 2, screen());
    keyed.drawScaled(source, 0, 0, 2, 2, 0, 0, 1, 1, gradient(0, 0));
    EXPECT_TRUE(matches(keyed, [](int, int) { return 0u; }, name("scaled-key")));
}

TEST_P(PixelRoutines, InPlaceZoomEqualsZoomFromACopy)
{
    Image image(24, 16, screen());
    paint(image, gradient);
    Image copy(24, 16, screen());
    copy.drawImage(image, 0, 0);
    Image expected(24, 16, screen());
    expected.drawScaled(copy, 0, 0, 24, 16, 0, 0, 12, 8);

    image.drawScaled(image, 0, 0, 24, 16, 0, 0, 12, 8); // zoom 128 in place
    EXPECT_TRUE(matches(image, [&](int x, int y) { return expected.colorAt(x, y); }, name("zoom-in-place")));
    EXPECT_EQ(image.colorAt(23, 15), want(gradient(11, 7)));
}

TEST_P(PixelRoutines, RectanglesFilledAndOutlined)
{
    Image whole(7, 5, screen());
    whole.drawRect(0x336699, -1, -1, -1, -1, true);
    EXPECT_TRUE(matches(whole, [&](int, int) { return want(0x336699); }, name("fill-whole")));

    Image part(8, 6, screen());
    part.drawRect(0xFF0000, -2, 4, 5, 10, true);
    EXPECT_TRUE(matches(part, [&](int x, int y) { return x < 3 && y >= 4 ? want(0xFF0000) : 0u; }, name("fill-part")));

    // Outline starting left of the image: no left edge.
    Image outline(8, 6, screen());
    outline.drawRect(0xFFFFFF, -3, 1, 8, 4, false);
    EXPECT_TRUE(matches(outline,
                        [&](int x, int y) {
                            bool top = y == 1 && x <= 4, bottom = y == 4 && x <= 4, right = x == 4 && y > 1 && y < 4;
                            return top || bottom || right ? want(0xFFFFFF) : 0u;
                        },
                        name("outline-left-cut")));

    Image huge(4, 3, screen());
    huge.drawRect(0x0000FF, 1, 1, 0x7FFFFFFF, 0x7FFFFFFF, false); // edges far beyond: top and left only
    EXPECT_TRUE(matches(huge, [&](int x, int y) { return (y == 1 && x >= 1) || (x == 1 && y > 1) ? want(0xFF) : 0u; },
                        name("outline-huge")));

    Image far(4, 4, screen());
    far.drawRect(0xFFFFFF, 10, 10, 3, 3, false);
    far.drawRect(0xFFFFFF, 2, -10, 3, 3, true);
    EXPECT_TRUE(matches(far, [](int, int) { return 0u; }, name("outside")));
}

TEST_P(PixelRoutines, CopyRotatedBothWays)
{
    Image source(2, 1, screen());
    source.drawRect(0xAA0000, 0, 0, 1, 1, true); // A
    source.drawRect(0x0000BB, 1, 0, 1, 1, true); // B
    Image turned(1, 2, screen());
    turned.copyRotated(source, true);
    EXPECT_EQ(turned.colorAt(0, 0), want(0xAA0000));
    EXPECT_EQ(turned.colorAt(0, 1), want(0x0000BB));
    turned.copyRotated(source, false);
    EXPECT_EQ(turned.colorAt(0, 0), want(0x0000BB));
    EXPECT_EQ(turned.colorAt(0, 1), want(0xAA0000));

    Image big(5, 3, screen());
    paint(big, gradient);
    Image cw(3, 5, screen()), ccw(3, 5, screen());
    cw.copyRotated(big, true);
    ccw.copyRotated(big, false);
    EXPECT_TRUE(matches(cw, [&](int x, int y) { return want(gradient(y, 2 - x)); }, name("turn-cw")));
    EXPECT_TRUE(matches(ccw, [&](int x, int y) { return want(gradient(4 - y, x)); }, name("turn-ccw")));

    Image wrongSize(4, 4, screen());
    wrongSize.copyRotated(big, true); // refused: the sides do not match
    EXPECT_TRUE(matches(wrongSize, [](int, int) { return 0u; }, name("turn-refused")));
}

TEST_P(PixelRoutines, BlitsThroughTheDeviceContext)
{
    Image source(6, 4, screen());
    paint(source, gradient);
    Image target(12, 8, screen());
    EXPECT_TRUE(source.bitBltTo(target.dc, 3, 2));
    EXPECT_EQ(target.colorAt(3, 2), want(gradient(0, 0)));
    EXPECT_EQ(target.colorAt(8, 5), want(gradient(5, 3)));
    EXPECT_EQ(target.colorAt(9, 5), 0u);

    EXPECT_TRUE(source.stretchBltTo(target.dc, 0, 0, 12, 8));
    EXPECT_EQ(target.colorAt(11, 7), want(gradient(5, 3)));
    EXPECT_EQ(target.colorAt(2, 2), want(gradient(1, 1)));
}

TEST_P(PixelRoutines, ColorBlendFilterTable)
{
    const struct
    {
        uint32_t pixel, colour;
        int amount;
        uint32_t result; // 32 bits
    } cases[] = {
        {0xC8C8C8, 0x000000, 128, 0x646464}, // 200 -> 100
        {0xC9C9C9, 0x000000, 128, 0x646464}, // 201 -> 100: the negative step floors
        {0x123456, 0xFFEEDD, 256, 0xFFEEDD},
        {0x123456, 0xFFEEDD, 0, 0x123456},
        {0x000000, 0xFF8000, 64, 0x3F2000},
        {0x123456, 0xFFFFFF, 999, 0xFFFFFF}, // an amount above 256 acts as 256
    };
    for (const auto& c : cases)
    {
        Image image(3, 2, screen());
        image.drawRect(c.pixel, -1, -1, -1, -1, true);
        ColorBlendFilter filter(c.colour, c.amount);
        filter.apply(256); // no image yet: nothing
        filter.setImage(&image);
        filter.apply(256);
        uint32_t expected = c.result;
        if (screen())
        {
            // The same on the 5-6-5 channels.
            auto channel = [&](int shift, int bitsOf, int from) {
                int mask = (1 << bitsOf) - 1;
                int pc = int(c.pixel >> from & 0xFF) >> (8 - bitsOf);
                int kc = int(c.colour >> from & 0xFF) >> (8 - bitsOf);
                int a = std::min(c.amount, 256);
                return uint32_t((pc + ((kc - pc) * a >> 8)) & mask) << shift;
            };
            uint16_t blended = uint16_t(channel(11, 5, 16) | channel(5, 6, 8) | channel(0, 5, 0));
            expected = os::host::rgb565_to_rgb(blended);
        }
        EXPECT_TRUE(matches(image, [&](int, int) { return expected; }, name("blend"))) << std::hex << c.pixel;
    }
}

// Every pixel of rows long enough for the eight-channel loop and its tail,
// each channel by c + floor((k - c) x amount / 256).
TEST_P(PixelRoutines, ColorBlendFilterFadesEveryPixel)
{
    const bool wide = !screen();
    auto blend = [](uint32_t p, uint32_t k, int amount, int shift, int bits) {
        const int mask = (1 << bits) - 1;
        const int c = int(p >> shift) & mask, t = int(k >> shift) & mask;
        return uint32_t(c + ((t - c) * amount >> 8)) << shift;
    };
    for (uint32_t colour : {0x000000u, 0xFFEEDDu, 0x3A7F05u})
        for (int amount : {1, 77, 128, 200, 255, 256})
        {
            Image image(37, 3, screen());
            auto raw = [&](int x, int y) {
                const uint32_t v = uint32_t(x * 7919 + y * 104729) * 2654435761u;
                return wide ? v : v >> 16; // a full top byte too: the fade clears it
            };
            auto at = [&](int x, int y) -> uint32_t {
                const uint8_t* p = image.getPixelAddress(x, y);
                return wide ? *reinterpret_cast<const uint32_t*>(p) : *reinterpret_cast<const uint16_t*>(p);
            };
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 37; ++x)
                {
                    uint8_t* p = image.getPixelAddress(x, y);
                    if (wide)
                        *reinterpret_cast<uint32_t*>(p) = raw(x, y);
                    else
                        *reinterpret_cast<uint16_t*>(p) = uint16_t(raw(x, y));
                }
            ColorBlendFilter filter(colour, amount);
            filter.setImage(&image);
            filter.apply(256);
            const uint32_t k = wide ? colour : rgbTo565(colour);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 37; ++x)
                {
                    const uint32_t p = raw(x, y);
                    const uint32_t expected = wide ? blend(p, k, amount, 16, 8) | blend(p, k, amount, 8, 8) |
                                                         blend(p, k, amount, 0, 8)
                                                   : blend(p, k, amount, 11, 5) | blend(p, k, amount, 5, 6) |
                                                         blend(p, k, amount, 0, 5);
                    ASSERT_EQ(at(x, y), expected)
                        << std::hex << "colour " << colour << std::dec << " amount " << amount << " at " << x << "," << y;
                }
        }
}

TEST_P(PixelRoutines, BlendFilterCoversTheZoomedAreaOnly)
{
    Image image(8, 8, screen());
    image.drawRect(0xFFFFFF, -1, -1, -1, -1, true);
    ColorBlendFilter filter(0, 256);
    filter.setImage(&image);
    filter.apply(128);
    EXPECT_TRUE(matches(image, [&](int x, int y) { return x < 4 && y < 4 ? 0u : want(0xFFFFFF); }, name("blend-zoom")));
    filter.apply(1024); // a zoom above 1 stays within the picture
    EXPECT_TRUE(matches(image, [](int, int) { return 0u; }, name("blend-zoom-above")));
}

TEST(PixelRoutinesMixed, DepthsNeverMixAndEmptyImagesAreIgnored)
{
    Image deep(4, 4, false), shallow(4, 4, true);
    deep.drawRect(0xFFFFFF, -1, -1, -1, -1, true);
    shallow.drawImage(deep, 0, 0);
    shallow.drawScaled(deep, 0, 0, 4, 4);
    EXPECT_EQ(shallow.colorAt(1, 1), 0u);

    Image empty(u"\\nothing.png", false);
    ASSERT_TRUE(empty.isEmpty());
    empty.drawRect(0xFFFFFF, -1, -1, -1, -1, true);
    empty.drawImage(deep, 0, 0);
    deep.drawImage(empty, 0, 0);
    EXPECT_FALSE(empty.bitBltTo(deep.dc, 0, 0));
    EXPECT_EQ(deep.colorAt(0, 0), 0xFFFFFFu);
}
