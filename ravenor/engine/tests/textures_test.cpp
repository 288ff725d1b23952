// Tests of RGB565 packing, the ".tex" loader and the texture table
#include <gtest/gtest.h>

#include "archive_fixture.h"
#include "ravenor/engine/data/textures.h"
#include "content/ravenor/image_writer.h"
#include "content/ravenor/le_bytes.h"

using namespace archive_fixture;
using ravenor_content::Texture;
using ravenor_content::WriteTex;

namespace {

class RavenorTextures : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetTextures();
    }
    void TearDown() override
    {
        ResetTextures();
        DataArchive::Reset();
    }
};

Texture Solid(uint32_t w, uint32_t h, uint16_t colour, uint32_t frames = 1, uint32_t mode = 0)
{
    Texture t;
    t.width = w;
    t.height = h;
    t.drawMode = mode;
    for (uint32_t f = 0; f < frames; ++f)
        t.frames.emplace_back(w * h, static_cast<uint16_t>(colour + f));
    return t;
}

TEST_F(RavenorTextures, PackRgb565)
{
    struct Case
    {
        int32_t r, g, b;
        uint16_t want;
    };
    const Case cases[] = {
        {255, 255, 255, 0xFFFF}, {128, 128, 128, 0x8410}, {0, 0, 0, 0x0000}, {255, 0, 0, 0xF800},
        {0, 255, 0, 0x07E0},     {0, 0, 255, 0x001F},     {7, 3, 7, 0x0000}, {8, 4, 8, 0x0821},
        {256, 0, 0, 0xF800},     {0, 300, 0, 0x07E0},     {0, 0, 1000, 0x001F}, {-5, 0, 0, 0x0000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PackRgb565(c.r, c.g, c.b), c.want) << c.r << "," << c.g << "," << c.b;
}

TEST_F(RavenorTextures, LoadedRecordsCarryMasksFramesAndColour)
{
    Texture a = Solid(64, 32, 0x1234);
    a.drawMode = 3;
    a.oneSided = 1;
    a.extra = 0xABCD;
    a.frames[0][64 * 31 + 63] = 0x0F0F;
    Texture b = Solid(1, 1, 0x7000, 3, 4);
    Mount(Files{{"car.tex", WriteTex({a, b})}});
    ASSERT_EQ(LoadTextures("car.tex"), 1);
    ASSERT_EQ(g_textures.count, 2);

    const TexImage& ta = g_textures.images[0];
    EXPECT_EQ(ta.width, 64u);
    EXPECT_EQ(ta.height, 32u);
    EXPECT_EQ(ta.uMask, 0x3F0000u);
    EXPECT_EQ(ta.vMask, 0x7C00000u);
    EXPECT_EQ(ta.drawMode, 3u);
    EXPECT_EQ(ta.oneSided, 1u);
    EXPECT_EQ(ta.extra, 0xABCDu);
    EXPECT_EQ(ta.colour, 0x8410);
    EXPECT_EQ(ta.frameCount, 1u);
    EXPECT_EQ(ta.currentFrame, 0u);
    EXPECT_EQ(ta.spare, 0u);
    ASSERT_NE(ta.pixels, nullptr);
    EXPECT_EQ(ta.pixels, ta.frames[0]);
    EXPECT_EQ(ta.pixels[0], 0x1234);
    EXPECT_EQ(ta.pixels[64 * 31 + 63], 0x0F0F) << "rows top to bottom, as in the file";

    const TexImage& tb = g_textures.images[1];
    EXPECT_EQ(tb.uMask, 0u);
    EXPECT_EQ(tb.vMask, 0u);
    EXPECT_EQ(tb.frameCount, 3u);
    ASSERT_EQ(tb.frames.size(), 3u);
    EXPECT_EQ(tb.frames[0][0], 0x7000);
    EXPECT_EQ(tb.frames[2][0], 0x7002);
    EXPECT_EQ(tb.pixels, tb.frames[0]);
}

TEST_F(RavenorTextures, FilesAppendToTheTable)
{
    Mount(Files{{"one.tex", WriteTex({Solid(2, 2, 1)})}, {"two.tex", WriteTex({Solid(4, 2, 2), Solid(2, 4, 3)})}});
    ASSERT_EQ(LoadTextures("one.tex"), 1);
    ASSERT_EQ(LoadTextures("TWO.TEX"), 1);
    ASSERT_EQ(g_textures.count, 3);
    EXPECT_EQ(g_textures.images[0].pixels[0], 1);
    EXPECT_EQ(g_textures.images[1].pixels[0], 2);
    EXPECT_EQ(g_textures.images[2].pixels[0], 3);
    EXPECT_EQ(g_textures.images[2].vMask, (3u * 2) << 16);
}

TEST_F(RavenorTextures, TableCapacity)
{
    struct Case
    {
        int alreadyInUse;
        uint32_t inFile;
        int result;
        int countAfter;
    };
    const Case cases[] = {
        {0, 512, 1, 512}, {0, 513, 0, 0}, {500, 12, 1, 512}, {500, 13, 0, 500}, {512, 1, 0, 512}, {512, 0, 1, 512},
    };
    for (const Case& c : cases)
    {
        ResetTextures();
        if (c.alreadyInUse)
        {
            Mount(Files{{"base.tex", WriteTex(std::vector<Texture>(c.alreadyInUse, Solid(1, 1, 9)))}});
            ASSERT_EQ(LoadTextures("base.tex"), 1);
        }
        std::vector<Texture> more(c.inFile, Solid(1, 1, 5));
        Mount(Files{{"more.tex", WriteTex(more)}});
        EXPECT_EQ(LoadTextures("more.tex"), c.result) << c.alreadyInUse << " + " << c.inFile;
        EXPECT_EQ(g_textures.count, c.countAfter) << c.alreadyInUse << " + " << c.inFile;
    }
}

TEST_F(RavenorTextures, BadFilesAreRefusedAndLeaveTheTableAsItWas)
{
    const std::vector<uint8_t> good = WriteTex({Solid(4, 4, 1), Solid(8, 2, 2)});
    struct Case
    {
        const char* what;
        size_t cutTo;           // 0: keep
        size_t patchAt;         // word offset to overwrite, 0: none
        uint32_t patch;
    };
    // Second texture's header starts at 4 + 24 + 32 = 60
    const Case cases[] = {
        {"no count", 3, 0, 0},
        {"header cut short", 70, 0, 0},
        {"pixels cut short", good.size() - 1, 0, 0},
        {"count beyond the textures", 0, 0 + 1, 0},   // patched below: count 3
        {"width 0", 0, 60, 0},
        {"width not a power of two", 0, 60, 6},
        {"height 0", 0, 64, 0},
        {"more than 65536 pixels", 0, 60, 1u << 16},
        {"draw mode 5", 0, 68, 5},
        {"no frames", 0, 76, 0},
        {"frames past the end", 0, 76, 2},
        {"huge frame count", 0, 76, 0xFFFFFFFFu},
    };
    for (const Case& c : cases)
    {
        std::vector<uint8_t> bytes = good;
        if (c.cutTo)
            bytes.resize(c.cutTo);
        if (c.patchAt == 1)
            ravenor_content::PutU32(bytes, 0, 3);
        else if (c.patchAt)
            ravenor_content::PutU32(bytes, c.patchAt, c.patch);
        ResetTextures();
        Mount(Files{{"ok.tex", WriteTex({Solid(2, 2, 7)})}, {"bad.tex", bytes}});
        ASSERT_EQ(LoadTextures("ok.tex"), 1);
        EXPECT_EQ(LoadTextures("bad.tex"), 0) << c.what;
        EXPECT_EQ(g_textures.count, 1) << c.what;
        EXPECT_EQ(g_textures.images[1].pixels, nullptr) << c.what;
    }
    EXPECT_EQ(LoadTextures("absent.tex"), 0);
}

TEST_F(RavenorTextures, LargestTextureLoads)
{
    Mount(Files{{"big.tex", WriteTex({Solid(256, 256, 3), Solid(65536, 1, 4), Solid(1, 65536, 5)})}});
    ASSERT_EQ(LoadTextures("big.tex"), 1);
    EXPECT_EQ(g_textures.images[0].vMask, 255u * 256 << 16);
    EXPECT_EQ(g_textures.images[1].uMask, 0xFFFF0000u);
    EXPECT_EQ(g_textures.images[2].vMask, 0xFFFF0000u);
}

} // namespace
