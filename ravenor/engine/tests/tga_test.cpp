// Tests of TGA images: draw modes from the name, decoding, refusals
#include <gtest/gtest.h>

#include "archive_fixture.h"
#include "ravenor/engine/data/tga.h"
#include "content/ravenor/image_writer.h"

using namespace archive_fixture;
using ravenor_content::WriteTga;

namespace {

class RavenorTga : public ::testing::Test
{
protected:
    void TearDown() override
    {
        DataArchive::Reset();
    }
};

TEST_F(RavenorTga, DrawModeFromTheName)
{
    struct Case
    {
        const char* name;
        uint32_t mode;
    };
    const Case cases[] = {
        {"pause.tga", 0},          {"x#k", 1},           {"x#a", 2},           {"#a#k", 3},
        {"#k#a", 3},               {"#p#k", 4},          {"#k#p", 4},          {"#a#p", 4},
        {"x#", 0},                 {"x#k#", 1},          {"sphereslider#k.tga", 1},
        {"glass#a.tga", 2},        {"#K", 0},            {"##k", 1},           {"#", 0},
        {"", 0},                   {"a#b#c", 0},         {"#pk", 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetImageDrawMode(c.name), c.mode) << c.name;
    EXPECT_EQ(GetImageDrawMode(nullptr), 0u);
}

TEST_F(RavenorTga, PixelsBecomeRgb565InFileOrder)
{
    const std::vector<uint32_t> rgb = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x808080, 0x000000};
    Mount(Files{{"radio#k.tga", WriteTga(3, 2, rgb)}});
    TexImage image;
    ASSERT_EQ(LoadTga("RADIO#k.tga", image), 1);
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(image.height, 2u);
    EXPECT_EQ(image.drawMode, 1u) << "the tag of the requested name";
    ASSERT_NE(image.pixels, nullptr);
    const uint16_t want[] = {0xF800, 0x07E0, 0x001F, 0xFFFF, 0x8410, 0x0000};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(image.pixels[i], want[i]) << i;
    EXPECT_EQ(image.frameCount, 0u) << "only size, mode and pixels are set";
}

TEST_F(RavenorTga, FileBytesAreBlueGreenRed)
{
    std::vector<uint8_t> file(18, 0);
    file[2] = 2;
    file[12] = 1;
    file[14] = 1;
    file[16] = 24;
    file.insert(file.end(), {0, 0, 255});
    Mount(Files{{"red.tga", file}});
    TexImage image;
    ASSERT_EQ(LoadTga("red.tga", image), 1);
    EXPECT_EQ(image.pixels[0], 0xF800);
}

TEST_F(RavenorTga, RefusedImagesKeepTheOldPixels)
{
    const std::vector<uint8_t> good = WriteTga(2, 2, {1, 2, 3, 4});
    struct Case
    {
        const char* what;
        size_t at;      // byte to change (0: none)
        uint8_t value;
        size_t cutTo;   // 0: keep
    };
    const Case cases[] = {
        {"run-length type 10", 2, 10, 0}, {"colour-mapped type 1", 2, 1, 0}, {"32 bits", 16, 32, 0},
        {"16 bits", 16, 16, 0},           {"header cut short", 0, 0, 17},   {"pixels cut short", 0, 0, 18 + 11},
        {"zero width", 12, 0, 0},
    };
    TexImage image;
    Mount(Files{{"old.tga", WriteTga(1, 1, {0xFFFFFF})}});
    ASSERT_EQ(LoadTga("old.tga", image), 1);
    const uint16_t* old = image.pixels;
    for (const Case& c : cases)
    {
        std::vector<uint8_t> bytes = good;
        if (c.at)
            bytes[c.at] = c.value;
        if (c.cutTo)
            bytes.resize(c.cutTo);
        Mount(Files{{"bad#a.tga", bytes}});
        EXPECT_EQ(LoadTga("bad#a.tga", image), 0) << c.what;
        EXPECT_EQ(image.pixels, old) << c.what;
        EXPECT_EQ(image.width, 1u) << c.what;
        EXPECT_EQ(image.height, 1u) << c.what;
        EXPECT_EQ(image.drawMode, 0u) << c.what;
        EXPECT_EQ(image.pixels[0], 0xFFFF) << c.what;
    }
    EXPECT_EQ(LoadTga(nullptr, image), 0);
    EXPECT_EQ(LoadTga("absent.tga", image), 0);
    EXPECT_EQ(image.pixels, old);
}

TEST_F(RavenorTga, IdentificationLengthIsNotUsed)
{
    std::vector<uint8_t> bytes = WriteTga(1, 1, {0x0000FF});
    bytes[0] = 5;   // would announce an identification field; the pixels still start at 18
    Mount(Files{{"id.tga", bytes}});
    TexImage image;
    ASSERT_EQ(LoadTga("id.tga", image), 1);
    EXPECT_EQ(image.pixels[0], 0x001F);
}

TEST_F(RavenorTga, LoadingOverATextureKeepsItsFrames)
{
    TexImage image;
    image.store.assign(4, 0x1111);
    image.frames = {image.store.data()};
    image.pixels = image.frames[0];
    Mount(Files{{"img.tga", WriteTga(1, 1, {0xFFFFFF})}});
    ASSERT_EQ(LoadTga("img.tga", image), 1);
    EXPECT_EQ(image.pixels[0], 0xFFFF);
    EXPECT_EQ(image.frames[0][0], 0x1111) << "the frame table still points at live pixels";
}

} // namespace
