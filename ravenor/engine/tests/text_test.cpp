// text_test.cpp -- the font and the text drawers against exact cells
#include <gtest/gtest.h>

#include <string>

#include "archive_fixture.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/text.h"
#include "content/ravenor/image_writer.h"

namespace {

constexpr uint16_t kRed = 0xF800;
constexpr uint16_t kGreen = 0x07E0;
constexpr uint16_t kBlue = 0x001F;
constexpr uint16_t kWhite = 0xFFFF;

// A font whose glyphs are empty but for a few marked texels:
//   'A' (7 wide): red at its top-left, blue at its bottom-right;
//   'B': green at its top-left; '1': white at its top-left; 0xA9: white at its top-left.
archive_fixture::Bytes FontTga(uint16_t width = 400)
{
    std::vector<uint32_t> rgb(size_t{width} * 12, 0);
    auto mark = [&](int glyph, int column, int k, uint32_t colour) {
        rgb[size_t(10 - k) * width + kGlyphColumns[glyph] + column] = colour;
    };
    mark(10, 0, 0, 0xFF0000);
    mark(10, 6, 9, 0x0000FF);
    mark(11, 0, 0, 0x00FF00);
    mark(1, 0, 0, 0xFFFFFF);
    mark(46, 0, 0, 0xFFFFFF);
    return ravenor_content::WriteTga(width, 12, rgb);
}

uint32_t TextCell(int x, int y)
{
    return g_frame[y * kFrameWidth + x];
}

int InkCells()
{
    int count = 0;
    for (uint32_t cell : g_frame)
        count += cell != kClearCell;
    return count;
}

struct TextTest : ::testing::Test
{
    void SetUp() override
    {
        ResetText();
        ResetFrameBuffer();
        archive_fixture::Mount({{"font.tga", FontTga()}});
        ASSERT_EQ(1, LoadFont());
    }
};

} // namespace

TEST(CharacterMap, CodesToGlyphs)
{
    const std::pair<unsigned char, int> cases[] = {
        {'0', 0},  {'9', 9},  {'A', 10}, {'Z', 35}, {'a', 10}, {'z', 35}, {'!', 36}, {'$', 37},
        {'@', 38}, {'\'', 39}, {',', 40}, {'-', 41}, {'.', 42}, {':', 43}, {'=', 44}, {'?', 45},
        {0xA9, 46}, {' ', 47}, {'/', 48}, {'#', 47}, {'|', 47}, {0xFF, 47}, {0, 47},
    };
    for (auto [code, glyph] : cases)
        EXPECT_EQ(glyph, GlyphOf(code)) << int(code);
}

TEST(TextWidth, StopsAtTheBarAndFoldsCase)
{
    const std::pair<const char*, int> cases[] = {
        {"AB|CD", 14}, {"ab", 14}, {"", 0}, {"|AB", 0}, {"I ", 6}, {"W/", 17}, {"\xA9", 9},
    };
    for (auto [text, width] : cases)
        EXPECT_EQ(width, GetTextWidth(text)) << text;
}

TEST_F(TextTest, UprightLineCellsAtDepthZero)
{
    EXPECT_EQ(10, DrawTextLine(10, 20, 99, "AB", false));
    EXPECT_EQ(kRed, TextCell(10, 20));
    EXPECT_EQ(kBlue, TextCell(16, 29));
    EXPECT_EQ(kGreen, TextCell(17, 20));
    EXPECT_EQ(3, InkCells());
}

TEST_F(TextTest, UprightLineCentredAndStoppedAtTheEdge)
{
    EXPECT_EQ(81, DrawTextLine(0, 0, 0, "AB", true));
    EXPECT_EQ(kRed, TextCell(81, 0));
    ResetFrameBuffer();
    EXPECT_EQ(0, DrawTextLine(0, 0, 0, std::string(30, 'A').c_str(), true));   // wider than the screen
    ResetFrameBuffer();
    DrawTextLine(169, 0, 0, "AB", false);   // A ends at column 175, B would pass 176
    EXPECT_EQ(kRed, TextCell(169, 0));
    EXPECT_EQ(kBlue, TextCell(175, 9));
    EXPECT_EQ(2, InkCells());
    ResetFrameBuffer();
    DrawTextLine(170, 0, 0, "A", false);
    EXPECT_EQ(0, InkCells());
}

TEST_F(TextTest, LinesPastTheEdgesAreClipped)
{
    DrawTextLine(0, 215, 0, "A", false);   // its bottom row would be row 224
    EXPECT_EQ(kRed, TextCell(0, 215));
    EXPECT_EQ(1, InkCells());
    ResetFrameBuffer();
    DrawTextLine(-3, -9, 0, "AB", false);
    EXPECT_EQ(kBlue, TextCell(3, 0));
    EXPECT_EQ(1, InkCells());
}

// Glyph columns run down the rows; glyph row k lands in column 176 - y - k.
TEST_F(TextTest, TurnedLine)
{
    EXPECT_EQ(30, DrawTextLineTurned(30, 40, 0, "AB", false));
    EXPECT_EQ(kRed, TextCell(136, 30));
    EXPECT_EQ(kBlue, TextCell(127, 36));
    EXPECT_EQ(kGreen, TextCell(136, 37));
    ResetFrameBuffer();
    EXPECT_EQ(103, DrawTextLineTurned(0, 40, 0, "AB", true));
    EXPECT_EQ(kRed, TextCell(136, 103));
    ResetFrameBuffer();
    DrawTextLineTurned(215, 0, 0, "A", false);   // column 176 and row 221 are outside
    EXPECT_EQ(0, InkCells());
    ResetFrameBuffer();
    EXPECT_LT(DrawTextLineTurned(0, 0, 0, std::string(40, 'A').c_str(), true), 0);
    EXPECT_EQ(0, InkCells());
}

TEST_F(TextTest, ScaledBlocks)
{
    DrawTextScaled(10, 20, 2, 3, "A", false);
    for (int y = 20; y < 23; ++y)
        for (int x = 10; x < 12; ++x)
            EXPECT_EQ(kRed, TextCell(x, y)) << x << "," << y;
    for (int y = 47; y < 50; ++y)
        for (int x = 22; x < 24; ++x)
            EXPECT_EQ(kBlue, TextCell(x, y)) << x << "," << y;
    EXPECT_EQ(12, InkCells());
    ResetFrameBuffer();
    DrawTextScaled(0, 0, 1, 1, std::string(26, 'A').c_str(), false);   // 182 pixels: nothing
    EXPECT_EQ(0, InkCells());
    ResetFrameBuffer();
    DrawTextScaled(170, 215, 4, 4, "A", false);   // runs off the frame: clipped
    EXPECT_EQ(16, InkCells());
}

TEST_F(TextTest, ShadedByBrightness)
{
    const std::pair<int, uint16_t> cases[] = {{512, kRed}, {256, 0x7800}, {0, 0}, {513, kRed}, {900, kRed}};
    for (auto [brightness, colour] : cases)
    {
        ResetFrameBuffer();
        DrawTextScaledShaded(5, 5, 1, 1, "A\xA9", false, brightness);
        EXPECT_EQ(colour, TextCell(5, 5)) << brightness;
        EXPECT_NE(kClearCell, TextCell(12, 5));
    }
}

TEST_F(TextTest, PrintCountersGrowPerFrame)
{
    g_renderFrame = 5;
    EXPECT_EQ(17, PrintText(0, 0, 1, 1, 0, "%d", 1));
    EXPECT_EQ(34, PrintText(0, 20, 1, 1, 0, "%s", "B"));
    EXPECT_EQ(12, PrintTextColor(0, 40, 1, 1, 512, "A"));
    EXPECT_EQ(kWhite, TextCell(0, 0));
    EXPECT_EQ(kGreen, TextCell(0, 20));
    EXPECT_EQ(kRed, TextCell(0, 40));
    g_renderFrame = 6;
    EXPECT_EQ(12, PrintTextColor(0, 0, 1, 1, 512, "A"));
    EXPECT_EQ(17, PrintText(0, 0, 1, 1, 0, "A"));
}

TEST_F(TextTest, LongFormattedTextIsCutNotOverflowed)
{
    const std::string longText(5000, 'A');
    PrintText(0, 0, 1, 1, 0, "%s%s", longText.c_str(), longText.c_str());
    EXPECT_EQ(0, InkCells());   // far wider than the screen
}

TEST_F(TextTest, FailedLoadKeepsTheFont)
{
    archive_fixture::Mount({{"font.tga", FontTga(300)}});
    EXPECT_EQ(0, LoadFont());
    archive_fixture::Mount({{"other.tga", FontTga()}});
    EXPECT_EQ(0, LoadFont());
    DrawTextLine(0, 0, 0, "A", false);
    EXPECT_EQ(kRed, TextCell(0, 0));
}

TEST(TextWithoutFont, DrawsNothing)
{
    ResetText();
    ResetFrameBuffer();
    DrawTextLine(0, 0, 0, "A", false);
    DrawTextLineTurned(0, 0, 0, "A", false);
    DrawTextScaled(0, 0, 2, 2, "A", false);
    DrawFrameRate();
    DrawFrameRate();   // two samples in one millisecond
    EXPECT_EQ(0, InkCells());
}
