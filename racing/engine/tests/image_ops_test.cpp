// image_ops_test.cpp -- the whole-image copies the racing build uses, the blend filter over
// the whole image and the texture dictionary without GIF, beside the engine's answers
#include "racing/engine/image_ops.h"
#include "racing/engine/tests/file_fixture.h"

#include "content/media/bmp_writer.h"
#include "content/media/file_output.h"
#include "content/media/gif_writer.h"
#include "content/media/jpeg_writer.h"
#include "engine/platform/image.h"
#include "engine/platform/present_filter.h"
#include "engine/scene/core/texture.h"
#include "engine/scene/core/texture_dictionary.h"

#include "os/testing/host.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>


namespace {

uint32_t px(const Image& image, int x, int y)
{
    const uint8_t* p = image.getPixelAddress(x, y);
    return image.bits == 16 ? *reinterpret_cast<const uint16_t*>(p) : *reinterpret_cast<const uint32_t*>(p);
}

void put(Image& image, int x, int y, uint32_t value)
{
    uint8_t* p = image.getPixelAddress(x, y);
    if (image.bits == 16)
        *reinterpret_cast<uint16_t*>(p) = uint16_t(value);
    else
        *reinterpret_cast<uint32_t*>(p) = value;
}

// A 32-bit image whose pixel (x, y) is 100 x + y + 1 (each pixel its own value).
std::unique_ptr<Image> numbered(int w, int h)
{
    auto image = std::make_unique<Image>(w, h, false);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            put(*image, x, y, uint32_t(100 * x + y + 1));
    return image;
}

std::vector<uint32_t> row(const Image& image, int y)
{
    std::vector<uint32_t> out;
    for (int x = 0; x < image.width; ++x)
        out.push_back(px(image, x, y));
    return out;
}

} // namespace

TEST(RacingImage, TransformedCopiesMirrorFlipAndTurn)
{
    auto line = numbered(3, 1); // 1, 101, 201
    Image mirrored(3, 1, false);
    mirrored.copyTransformed(*line, true, false);
    EXPECT_EQ(row(mirrored, 0), (std::vector<uint32_t>{201, 101, 1}));

    auto column = numbered(1, 3); // 1, 2, 3 top to bottom
    Image flipped(1, 3, false);
    flipped.copyTransformed(*column, false, false);
    EXPECT_EQ(px(flipped, 0, 0), 3u);
    EXPECT_EQ(px(flipped, 0, 2), 1u);

    auto wide = numbered(3, 2);
    Image turned(2, 3, false);
    racing::copyRotated(turned, *wide, true); // transpose, then mirrored rows
    EXPECT_EQ(px(turned, 1, 0), px(*wide, 0, 0));
    EXPECT_EQ(px(turned, 0, 0), px(*wide, 0, 1));
    EXPECT_EQ(px(turned, 1, 2), px(*wide, 2, 0));
    Image small(1, 1, false);
    turned.copyTransformed(small, true, true); // a source too small is not read
    EXPECT_EQ(px(turned, 1, 0), px(*wide, 0, 0));
}

TEST(RacingImage, BlitCopiesDoublesOrScalesIntoItsPlaceOnly)
{
    auto half = numbered(120, 160);
    Image screen(240, 320, false);
    screen.blit(*half, 0, 0, 240, 320);
    EXPECT_EQ(px(screen, 0, 0), px(*half, 0, 0));
    EXPECT_EQ(px(screen, 1, 1), px(*half, 0, 0));
    EXPECT_EQ(px(screen, 239, 319), px(*half, 119, 159)) << "doubled";

    auto whole = numbered(240, 320);
    screen.blit(*whole, 0, 0, 240, 320);
    EXPECT_EQ(px(screen, 17, 33), px(*whole, 17, 33)) << "same size at the origin: a byte copy";

    // A smaller picture elsewhere lands in its own place; the rest stays.
    screen.fill(0x000000);
    auto part = numbered(40, 30);
    screen.blit(*part, 100, 50, 40, 30);
    EXPECT_EQ(px(screen, 100, 50), px(*part, 0, 0));
    EXPECT_EQ(px(screen, 139, 79), px(*part, 39, 29));
    EXPECT_EQ(px(screen, 99, 50), 0u);
    EXPECT_EQ(px(screen, 140, 80), 0u);
    // Scaled into (10, 10, 80, 60): nothing outside it is written.
    screen.blit(*part, 10, 10, 80, 60);
    EXPECT_EQ(px(screen, 10, 10), px(*part, 0, 0));
    EXPECT_EQ(px(screen, 89, 69), px(*part, 39, 29));
    EXPECT_EQ(px(screen, 90, 70), 0u);
    EXPECT_EQ(px(screen, 100, 50), px(*part, 0, 0)) << "the earlier copy is untouched";
}

TEST(RacingImage, ScaleUsesTenBitStepsOverTheWholeImage)
{
    auto source = numbered(200, 300);
    Image out(240, 320, false);
    out.scaleFrom(*source, -1, 0, 10, 10);
    int stepX = (200 << 10) / 240, stepY = (300 << 10) / 320;
    for (int j : {0, 1, 100, 319})
        for (int i : {0, 7, 120, 239})
            ASSERT_EQ(px(out, i, j), px(*source, i * stepX >> 10, j * stepY >> 10)) << i << "," << j;
    Image wrong(100, 100, false);
    wrong.doubleFrom(*source);
    EXPECT_EQ(px(wrong, 0, 0), 0u) << "not twice the source: nothing";
}

TEST(RacingImage, FillAndColourBlendsInBothDepths)
{
    Image seven(7, 1, true);
    ASSERT_EQ(seven.bits, 16);
    seven.fill(0xFF0000);
    EXPECT_EQ(row(seven, 0), std::vector<uint32_t>(7, 0xF800));

    struct Case
    {
        int mode;
        uint32_t pixel, colour, expected;
    };
    // Mode 2 saturates each channel (the red carry does not leak into the
    // unused top byte; the low bits of red and green are dropped first);
    // mode 4 multiplies; other modes do nothing.
    const Case cases32[] = {{2, 0x80F000, 0x802000, 0xFFFF00}, {2, 0x102030, 0x010203, 0x102233},
                            {4, 0x80FF40, 0x8080FF, 0x407F3F}, {3, 0x123456, 0xFFFFFF, 0x123456}};
    for (const Case& c : cases32)
    {
        Image one(1, 1, false);
        put(one, 0, 0, c.pixel);
        one.blendColor(c.mode, 0, c.colour);
        EXPECT_EQ(px(one, 0, 0), c.expected) << std::hex << c.pixel << " mode " << c.mode;
    }
    Image pixel16(1, 1, true);
    put(pixel16, 0, 0, 0x8410); // r 16, g 32, b 16
    pixel16.blendColor(2, 0, 0xFFFFFF);
    EXPECT_EQ(px(pixel16, 0, 0), 0xFFFFu);
    put(pixel16, 0, 0, 0xFFFF);
    pixel16.blendColor(4, 0, 0x808080); // r5 16, g6 32, b5 16 multiply
    EXPECT_EQ(px(pixel16, 0, 0), uint32_t(15 << 11 | 31 << 5 | 15));
}

TEST(RacingImage, BlendFilterCoversTheWholePicture)
{
    Image picture(4, 2, false);
    picture.drawRect(0xC8C8C8, -1, -1, -1, -1, true); // channels 200
    ColorBlendFilter toBlack(0x000000, 128);
    toBlack.setImage(&picture);
    toBlack.apply(256);
    EXPECT_EQ(px(picture, 3, 1), 0x646464u);
    EXPECT_EQ(px(picture, 0, 0), 0x646464u);
    ColorBlendFilter toWhite(0xFFFFFF, 256);
    toWhite.setImage(&picture);
    toWhite.apply(256);
    EXPECT_EQ(px(picture, 2, 1), 0xFFFFFFu);
}

// The racing dictionary (the canvas's and the 3DS loader's) reads JPEG and
// BMP pictures; a GIF or any other file gives a texture without a picture
// and no message, though the engine's Image alone reads a GIF.
TEST(RacingImage, TheDictionaryReadsJpegAndBmpButNoGif)
{
    ASSERT_TRUE(media::writeDeviceFile(u"\\pic.bmp", media::makeBmp(4, 3, [](int, int) { return 0x00FF00u; })));
    ASSERT_TRUE(media::writeDeviceFile(u"\\pic.jpg", media::makeJpeg(8, 2, [](int, int) { return 0x0000FFu; })));
    ASSERT_TRUE(media::writeDeviceFile(u"\\pic.gif", racingtest::plainGif(4, 3)));
    ASSERT_TRUE(media::writeDeviceFile(u"\\pic.png", racingtest::plainGif(4, 3)));
    os::host::headless::clear_boxes();
    TextureDictionary textures;
    racing::readImagesOnly(textures);
    struct Case
    {
        const char16_t* name;
        int width; // 0: no picture
    };
    for (Case c : {Case{u"pic.bmp", 4}, Case{u"pic.jpg", 8}, Case{u"pic.gif", 0}, Case{u"pic.png", 0}})
    {
        Texture* t = textures.load(u"\\", c.name, false, false);
        ASSERT_NE(t, nullptr);
        const Image* image = t->image;
        EXPECT_EQ(image && !image->isEmpty() ? image->width : 0, c.width) << "picture of width " << c.width;
    }
    EXPECT_TRUE(os::host::headless::boxes().empty()) << "without a message";
    Image engineGif(u"\\pic.gif", true);
    EXPECT_EQ(engineGif.width, 4) << "the engine's Image reads it";
}

// A damaged JPEG through the dictionary: the library's box and a texture
// with the stand-in picture, not the end of the program.
TEST(RacingImage, ACorruptJpegGivesABoxNotTheEndOfTheProgram)
{
    const media::Bytes jpeg = media::makeJpeg(16, 16, [](int x, int) { return uint32_t(x * 16) << 8; });
    ASSERT_TRUE(media::writeDeviceFile(u"\\cut.jpg", media::Bytes(jpeg.begin(), jpeg.begin() + 20)));
    ASSERT_TRUE(media::writeDeviceFile(u"\\junk.jpg", media::Bytes{'n', 'o', 'p', 'e', 0, 1, 2, 3}));
    TextureDictionary textures;
    racing::readImagesOnly(textures);
    for (const char16_t* name : {u"cut.jpg", u"junk.jpg"})
    {
        os::host::headless::clear_boxes();
        Texture* t = textures.load(u"\\", name, false, false);
        ASSERT_NE(t, nullptr);
        EXPECT_NE(t->image, nullptr) << "a stand-in picture to draw";
        EXPECT_FALSE(os::host::headless::boxes().empty()) << "the library's message is shown";
    }
}
