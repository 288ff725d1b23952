// bitmap_font_test.cpp -- glyph cells, case conversion, scaling and word wrap
#include "engine/scene/2d/bitmap_font.h"

#include "engine/platform/tests/pixel_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

uint32_t cellColour(int index)
{
    return index == 0 ? 0 : uint32_t((index / 32) * 0x40 + 0x20) << 16 | 0x8000u | uint32_t(index % 32) * 8;
}

// Sheet of 16 x 6 cells of 8 x 12 pixels from code 32: every cell is filled
// with a colour that names its index (index + 1 in the blue channel, green
// 0x80), apart from the cell of the blank which is black.
Image* makeSheet(int bits)
{
    auto* sheet = new Image(1, 1, false);
    sheet->create(128, 72, bits);
    for (int index = 0; index < 96; ++index)
        sheet->drawRect(cellColour(index), (index % 16) * 8, (index / 16) * 12, 8, 12, true);
    return sheet;
}

} // namespace

namespace {

struct FontFixture : testing::TestWithParam<int>
{
    FontFixture() : font(makeSheet(GetParam()), 16, 6, 0, 32, 0xFF00FF), target(nullptr)
    {
        target = new Image(1, 1, false);
        target->create(64, 48, GetParam());
    }
    ~FontFixture() override { delete target; }

    // Index of the cell whose colour is at (x, y), or -1 for background.
    int cellAt(int x, int y) const
    {
        uint32_t got = target->colorAt(x, y);
        for (int i = 1; i < 96; ++i)
            if (got == pixelcheck::stored(cellColour(i), target->bits))
                return i;
        return -1;
    }

    // The glyph indices of one text row, read at every glyph's top-left corner.
    std::vector<int> row(int y, int w, int count) const
    {
        std::vector<int> cells;
        for (int i = 0; i < count; ++i)
            cells.push_back(cellAt(i * w, y));
        return cells;
    }

    BitmapFont font;
    Image* target;
};

} // namespace

TEST(BitmapFont, CellOfCodes)
{
    BitmapFont font(makeSheet(32), 16, 6, 0, 32, 0);
    struct Case
    {
        int code, column, row;
    };
    const Case cases[] = {{'A', 1, 2}, {32, 0, 0}, {20, 0, 0}, {127, 15, 5}, {128, 0, 0}};
    for (const Case& c : cases)
    {
        int column = -1, row = -1;
        font.cellOf(c.code, column, row);
        EXPECT_EQ(c.column, column) << c.code;
        EXPECT_EQ(c.row, row) << c.code;
    }
    EXPECT_EQ(8, font.cellWidth);
    EXPECT_EQ(12, font.cellHeight);
}

TEST(BitmapFont, DegenerateSheetDrawsNothing)
{
    Image* tiny = new Image(1, 1, false);
    tiny->create(4, 4, 32);
    BitmapFont font(tiny, 16, 6, 0, 32, 0);
    EXPECT_FALSE(font.isUsable());
    Image target(8, 8, false);
    font.drawString(target, 0, 0, u"AB", 0);
    RECT rect{0, 0, 8, 8};
    font.drawStringInRect(target, rect, u"AB CD", 0, 0);
    EXPECT_TRUE(pixelcheck::matches(target, [](int, int) { return 0u; }, "font_degenerate"));
}

TEST_P(FontFixture, DrawStringWithCaseConversionAndOutOfRangeCodes)
{
    font.caseConversion = 1;
    target->drawRect(0xFF00FF, 0, 0, -1, -1, true);
    font.drawString(*target, 0, 0, u"ab\x14", 0);
    EXPECT_EQ((std::vector<int>{'A' - 32, 'B' - 32, -1}), row(0, 8, 3));
    // The blank cell (index 0) is black and the out-of-range code draws it.
    EXPECT_EQ(0u, target->colorAt(16, 0));
}

TEST_P(FontFixture, ScaledGlyphs)
{
    font.drawString(*target, 0, 0, u"AB", 24);
    int a = 'A' - 32, b = 'B' - 32;
    EXPECT_EQ(a, cellAt(15, 23));
    EXPECT_EQ(b, cellAt(16, 0));
    EXPECT_EQ(b, cellAt(31, 23));
    EXPECT_EQ(-1, cellAt(32, 0));
}

TEST_P(FontFixture, WordWrap)
{
    struct Case
    {
        const char16_t* text;
        int align;
        RECT rect;
        std::vector<std::string> lines; // each line as drawn from x, '.' blank
        std::vector<int> startX;
    };
    const Case cases[] = {
        {u"ab cdefgh", 0, {0, 0, 48, 48}, {"ab.", "cdefgh"}, {0, 0}},
        {u"abcdefghij", 0, {0, 0, 48, 48}, {"abcdef", "ghij"}, {0, 0}},
        {u"ab\n\rcd", 0, {0, 0, 48, 48}, {"ab", "cd"}, {0, 0}},
        {u"ab cd ef gh", 0, {0, 0, 24, 24}, {"ab.", "cd."}, {0, 0}},
        {u"ab", 2, {0, 0, 48, 48}, {"ab"}, {32}},
        {u"ab", 1, {0, 0, 48, 48}, {"ab"}, {16}},
    };
    for (const Case& c : cases)
    {
        target->drawRect(0xFF00FF, 0, 0, -1, -1, true);
        font.drawStringInRect(*target, c.rect, c.text, 0, c.align);
        SCOPED_TRACE(std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)));
        for (size_t line = 0; line < c.lines.size(); ++line)
        {
            const std::string& want = c.lines[line];
            for (size_t i = 0; i < want.size(); ++i)
            {
                int x = c.startX[line] + int(i) * 8, y = int(line) * 12;
                int expected = want[i] == '.' ? -1 : want[i] - 'a' + 'a' - 32;
                EXPECT_EQ(expected, cellAt(x, y)) << "line " << line << " char " << i;
            }
        }
        int below = int(c.lines.size()) * 12;
        if (below < target->height)
        {
            EXPECT_EQ(-1, cellAt(0, below)) << "nothing below the last line";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, FontFixture, testing::Values(16, 32));
