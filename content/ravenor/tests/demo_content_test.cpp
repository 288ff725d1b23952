// demo_content_test.cpp -- the demo's archive read back through the engine
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ravenor/engine/data/data_archive.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/data/models.h"
#include "ravenor/engine/render/text.h"
#include "ravenor/engine/data/tga.h"
#include "content/ravenor/archive_writer.h"
#include "content/ravenor/demo_content.h"
#include "content/ravenor/demo_font.h"
#include "content/ravenor/image_writer.h"

namespace {

using namespace ravenor_content;

void MountDemo()
{
    ArchiveWriter writer;
    for (DemoEntry& entry : DemoArchiveEntries())
        writer.Add(entry.name, std::move(entry.data));
    std::string error;
    ASSERT_TRUE(writer.Check(error)) << error;
    DataArchive::Reset();
    ASSERT_TRUE(DataArchive::Attach(std::make_unique<MemoryStream>(writer.Build()), &error)) << error;
}

uint16_t Rgb(uint32_t rgb)
{
    return Rgb565(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
}

} // namespace

TEST(DemoContent, EveryInterfaceImageAndTheModelLoad)
{
    MountDemo();
    const char* images[] = {"pause.tga", "shortbutton.tga", "longbutton.tga", "radio.tga", "slider.tga",
                            "title.tga", "smallbutton.tga", "leftarrow.tga", "rightarrow.tga", "detail.tga",
                            "sphereslider#k.tga", "greenbutton.tga", "title2.tga", "sound.tga", "credits.tga",
                            "controls.tga", "layout.tga", "options.tga", "selectback.tga"};
    for (const char* name : images)
    {
        TexImage image;
        EXPECT_EQ(1, LoadTga(name, image)) << name;
    }
    ResetModels();
    EXPECT_NE(nullptr, LoadModel("cone.p3d", "cone.tex"));
}

// Every glyph keeps the last column of its range empty, so letters never touch,
// and the blank glyph has no ink at all.
TEST(DemoContent, GlyphsStayInsideTheirColumns)
{
    MountDemo();
    ResetText();
    ASSERT_EQ(1, LoadFont());
    for (int g = 0; g < 49; ++g)
    {
        const int last = kFontColumns[g + 1] - 1;
        for (int row = 1; row <= 10; ++row)
            EXPECT_EQ(0, g_fontImage.pixels[row * kFontImageWidth + last]) << "glyph " << g << " row " << row;
    }
    for (int c = kFontColumns[47]; c < kFontColumns[48]; ++c)
        for (int row = 0; row < kFontImageHeight; ++row)
            EXPECT_EQ(0, g_fontImage.pixels[row * kFontImageWidth + c]);
}

// The title is stored mirrored, so the full-screen drawer shows it upright.
TEST(DemoContent, TitleShowsUprightOverTheWholeFrame)
{
    MountDemo();
    TexImage title;
    ASSERT_EQ(1, LoadTga("title.tga", title));
    const std::vector<uint32_t> screen = TitleScreen();
    DrawFullScreenImage(512, title);
    for (auto [x, y] : {std::pair{0, 0}, {175, 0}, {0, 219}, {100, 150}, {33, 120}})
        EXPECT_EQ(Rgb(screen[y * 176 + x]), g_frame[y * 176 + x]) << x << "," << y;
    EXPECT_EQ(Rgb(kTitleSkyTop), g_frame[0]);
    EXPECT_EQ(Rgb(kTitleRoad), g_frame[219 * 176]);
}
