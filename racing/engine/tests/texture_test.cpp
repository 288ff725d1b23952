// texture_test.cpp -- textures as the racing build uses them: blank ones,
// pictures turned in place with their sizes following, and the dictionary
#include "content/media/bmp_writer.h"
#include "content/media/file_output.h"
#include "engine/platform/image.h"
#include "engine/scene/core/texture.h"
#include "engine/scene/core/texture_dictionary.h"

#include <gtest/gtest.h>

#include <os/file.h>

#include <memory>

namespace {

uint32_t texel(const Texture& t, int x, int y)
{
    return t.image->colorAt(x, y);
}

} // namespace

TEST(RacingTexture, BlankTexturesTakeTheirColourAndPowerOfTwoSides)
{
    std::unique_ptr<Texture> plain(new Texture(100, 60, 0xFF0000, false));
    EXPECT_EQ(plain->width, 100);
    EXPECT_EQ(plain->height, 60);
    EXPECT_EQ(texel(*plain, 0, 0) & 0xF8F8F8u, 0xF80000u);
    EXPECT_EQ(texel(*plain, 99, 59), texel(*plain, 0, 0));
    std::unique_ptr<Texture> fitted(new Texture(90, 40, 0x00FF00, true));
    EXPECT_EQ(fitted->width, 64) << "nearest power of two";
    EXPECT_EQ(fitted->height, 32);
    EXPECT_EQ(fitted->widthLog2, 6);
    EXPECT_EQ(fitted->heightLog2, 5);
}

TEST(RacingTexture, TurnedPicturesKeepTheirSizesRight)
{
    // A 4 x 2 picture: red at the top-left, blue at the bottom-right.
    ASSERT_TRUE(media::writeDeviceFile(u"\\turn.bmp", media::makeBmp(4, 2, [](int x, int y) {
                                           return x == 0 && y == 0 ? 0xFF0000u : (x == 3 && y == 1 ? 0x0000FFu : 0u);
                                       })));
    Texture texture(u"\\turn.bmp", true, true);
    ASSERT_EQ(texture.width, 4);
    auto red = [&](int x, int y) { return (texel(texture, x, y) & 0xF8F8F8u) == 0xF80000u; };
    ASSERT_TRUE(red(0, 0));
    texture.mirror(false);
    EXPECT_TRUE(red(3, 0)) << "mirrored to the right";
    texture.flip(false);
    EXPECT_TRUE(red(3, 1)) << "flipped to the bottom";
    texture.rotate(true);
    EXPECT_TRUE(red(0, 3)) << "a quarter turn";
    EXPECT_EQ(texture.width, 2) << "a quarter turn swaps the sides";
    EXPECT_EQ(texture.height, 4);
    EXPECT_EQ(texture.imageWidth, 2);
    EXPECT_EQ(texture.widthLog2, 1);
    EXPECT_EQ(texture.heightLog2, 2);
    EXPECT_EQ(texture.image->width, 2);
}

TEST(RacingTexture, DictionaryHandsOutOneTexturePerNameAndFlags)
{
    CreateDirectoryW(u"\\a", nullptr);
    CreateDirectoryW(u"\\b", nullptr);
    ASSERT_TRUE(media::writeDeviceFile(u"\\a\\car.bmp", media::makeBmp(100, 60, [](int, int) { return 0x808080u; })));
    ASSERT_TRUE(media::writeDeviceFile(u"\\b\\car.bmp", media::makeBmp(90, 40, [](int, int) { return 0x808080u; })));
    TextureDictionary textures;
    Texture* first = textures.load(u"\\a", u"car.bmp", true, false);
    EXPECT_EQ(textures.load(u"\\a\\", u"car.bmp", true, false), first);
    EXPECT_EQ(first->width, 128) << "100 x 60 to the nearest powers of two";
    EXPECT_EQ(first->height, 64);
    EXPECT_EQ(textures.wasPresent, 1) << "the hit flag";
    Texture* padded = textures.load(u"\\a", u"car.bmp", true, true);
    EXPECT_EQ(textures.wasPresent, 0);
    EXPECT_NE(padded, first) << "other flags, another texture (a picture fitted for one use is never handed to another)";
    EXPECT_EQ(textures.load(u"\\b", u"car.bmp", true, true), padded) << "the same name from another folder: the first";
    EXPECT_EQ(textures.wasPresent, 1);
    Texture* plain = textures.load(u"\\b", u"car.bmp", false, false);
    EXPECT_EQ(plain->width, 90) << "the first load as it is: from the folder asked, unfitted";
    Texture stranger(u"\\a\\car.bmp", false, false);
    EXPECT_FALSE(textures.remove(&stranger)) << "a texture not in the dictionary is not deleted";
}
