// Line breaking and DrawTextW placement, measured with a fixed-advance face
// so that every position in the tables can be worked out by hand: letters
// advance 10 pixels, a space 5, a line is 16 pixels high.
#include "os/font/layout.h"

#include <os/font.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using os::font::BreakOptions;
using os::font::Line;

class FakeFace : public os::font::Face
{
public:
    FakeFace()
    {
        metrics_.ascent = 12;
        metrics_.descent = 4;
        metrics_.height = 16;
        metrics_.ave_width = 10;
        metrics_.max_width = 10;
    }
    const os::font::Metrics& metrics() const override { return metrics_; }
    const os::font::Glyph& glyph(char16_t ch) override
    {
        glyph_.advance = ch < 0x20 ? 0 : ch == u' ' ? 5 : 10;
        return glyph_;
    }

private:
    os::font::Metrics metrics_;
    os::font::Glyph glyph_;
};

std::string narrow(std::u16string_view s)
{
    std::string out;
    for (char16_t c : s)
        out += c == u'\r' ? std::string("\\r") : c == u'\n' ? std::string("\\n") : std::string(1, (char)c);
    return out;
}

std::string describe(std::u16string_view text, const std::vector<Line>& lines)
{
    std::string out;
    for (const Line& l : lines)
        out += "[" + narrow(text.substr(l.start, l.visible)) + "|" + std::to_string(l.length) + "]";
    return out;
}

TEST(Layout, RunWidthAndFit)
{
    FakeFace face;
    struct Case
    {
        std::u16string text;
        int tab;
        int width;
        int fit_in_25;
    } cases[] = {
        {u"", 0, 0, 0},
        {u"abc", 0, 30, 2},
        {u"a b", 0, 25, 3},
        {u"\tab", 0, 20, 3},  // tabs take no room without expansion
        {u"a\tb", 40, 50, 1}, // a stop at 40: a(10) tab(30) b(10)
        {u"abcd\tb", 40, 90, 2},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(os::font::run_width(face, c.text, c.tab), c.width) << narrow(c.text);
        EXPECT_EQ(os::font::run_fit(face, c.text, 25, c.tab), (size_t)c.fit_in_25) << narrow(c.text);
        auto xs = os::font::run_positions(face, c.text, c.tab);
        ASSERT_EQ(xs.size(), c.text.size() + 1);
        EXPECT_EQ(xs.back(), c.width) << narrow(c.text);
    }
}

TEST(Layout, HardBreaks)
{
    FakeFace face;
    struct Case
    {
        std::u16string text;
        bool trailing;
        const char* expected;
    } cases[] = {
        {u"ab", false, "[ab|2]"},
        {u"ab\r\ncd", false, "[ab|2][cd|2]"},
        {u"ab\n\rcd", false, "[ab|2][cd|2]"}, // LF CR is one break too
        {u"ab\rcd\ncd", false, "[ab|2][cd|2][cd|2]"},
        {u"ab\n\ncd", false, "[ab|2][|0][cd|2]"},
        {u"ab\r\n\r\ncd", false, "[ab|2][|0][cd|2]"},
        {u"ab\n", false, "[ab|2]"},
        {u"ab\n", true, "[ab|2][|0]"},
        {u"", false, "[|0]"},
        {u"\n", false, "[|0]"},
        {u"\n", true, "[|0][|0]"},
    };
    for (const Case& c : cases)
    {
        BreakOptions o;
        o.trailing_line = c.trailing;
        EXPECT_EQ(describe(c.text, os::font::break_lines(face, c.text, o)), c.expected)
            << "text \"" << narrow(c.text) << "\"";
    }
}

TEST(Layout, WordWrap)
{
    FakeFace face;
    struct Case
    {
        std::u16string text;
        int width;
        bool split;
        const char* expected;
    } cases[] = {
        // "ab cd": ab(20) space(5) cd(20) = 45
        {u"ab cd", 45, false, "[ab cd|5]"},
        {u"ab cd", 44, false, "[ab|3][cd|2]"},
        {u"ab cd", 20, false, "[ab|3][cd|2]"},
        {u"ab   cd", 30, false, "[ab|5][cd|2]"}, // the spaces stay with the first line
        {u"abcdef gh", 30, false, "[abcdef|7][gh|2]"}, // a long word overflows
        {u"abcdef gh", 30, true, "[abc|3][def|4][gh|2]"}, // or is cut (EDIT)
        {u"a b c d", 25, false, "[a b|4][c d|3]"},
        {u"ab\ncd ef", 30, false, "[ab|2][cd|3][ef|2]"},
        {u"abc", 5, true, "[a|1][b|1][c|1]"}, // narrower than a character: one per line
        {u"  abcdef", 30, false, "[  abcdef|8]"},
    };
    for (const Case& c : cases)
    {
        BreakOptions o;
        o.wrap = true;
        o.width = c.width;
        o.split_words = c.split;
        EXPECT_EQ(describe(c.text, os::font::break_lines(face, c.text, o)), c.expected)
            << "text \"" << narrow(c.text) << "\" width " << c.width;
    }
}

// Separators named to break after (a path) end a line where a space would,
// whichever of the two keeps more on the line; a word longer than the line
// still breaks within.
TEST(Layout, BreaksAfterSeparators)
{
    FakeFace face;
    struct Case
    {
        std::u16string text;
        int width;
        const char* expected;
    } cases[] = {
        {u"\\ab\\cd\\ef", 70, "[\\ab\\cd\\|7][ef|2]"},
        {u"\\ab\\cd\\ef", 40, "[\\ab\\|4][cd\\|3][ef|2]"},
        {u"x \\ab\\cd", 60, "[x \\ab\\|6][cd|2]"},     // the separator keeps more than the space
        {u"ab\\c d", 50, "[ab\\c|5][d|1]"},             // the space keeps more than the separator
        {u"\\abcdefgh\\i", 40, "[\\|1][abcd|4][efgh|4][\\i|2]"}, // a name longer than a line
        {u"ab/cd", 30, "[ab/|3][cd|2]"},
    };
    for (const Case& c : cases)
    {
        BreakOptions o;
        o.wrap = true;
        o.width = c.width;
        o.split_words = true;
        o.break_after = u"\\/";
        EXPECT_EQ(describe(c.text, os::font::break_lines(face, c.text, o)), c.expected)
            << "text \"" << narrow(c.text) << "\" width " << c.width;
    }
}

TEST(Layout, SingleLineKeepsBreakCharacters)
{
    FakeFace face;
    BreakOptions o;
    o.single_line = true;
    o.wrap = true;
    o.width = 10;
    std::u16string text = u"ab\r\ncd ef";
    EXPECT_EQ(describe(text, os::font::break_lines(face, text, o)), "[ab\\r\\ncd ef|9]");
}

TEST(Layout, Prefix)
{
    struct Case
    {
        std::u16string in;
        std::u16string out;
        int underline;
    } cases[] = {
        {u"&File", u"File", 0}, {u"Sa&ve", u"Save", 2}, {u"a&&b", u"a&b", -1},
        {u"a&", u"a&", -1},     {u"", u"", -1},         {u"&&&x", u"&x", 1},
    };
    for (const Case& c : cases)
    {
        int underline = 99;
        EXPECT_EQ(os::font::strip_prefix(c.in, &underline), c.out) << narrow(c.in);
        EXPECT_EQ(underline, c.underline) << narrow(c.in);
    }
}

struct PlanCase
{
    const char* name;
    std::u16string text;
    UINT format;
    int result;
    RECT bounds;
    std::vector<std::pair<int, int>> origins; // x, y of each line
};

TEST(Layout, DrawTextPlacement)
{
    FakeFace face;
    const RECT rect = {10, 20, 110, 100}; // 100 x 80
    const PlanCase cases[] = {
        {"left", u"abc", DT_LEFT, 16, {10, 20, 40, 36}, {{10, 20}}},
        {"center", u"abc", DT_CENTER, 16, {10, 20, 40, 36}, {{45, 20}}},
        {"right", u"abc", DT_RIGHT, 16, {10, 20, 40, 36}, {{80, 20}}},
        {"vcenter", u"abc", DT_SINGLELINE | DT_VCENTER, 48, {10, 20, 40, 36}, {{10, 52}}},
        {"bottom", u"abc", DT_SINGLELINE | DT_BOTTOM, 80, {10, 20, 40, 36}, {{10, 84}}},
        {"vcenter needs single line", u"abc", DT_VCENTER, 16, {10, 20, 40, 36}, {{10, 20}}},
        {"two lines", u"ab\r\nabcd", DT_CENTER, 32, {10, 20, 50, 52}, {{50, 20}, {40, 36}}},
        {"single line joins", u"ab\ncd", DT_SINGLELINE, 16, {10, 20, 50, 36}, {{10, 20}}},
        // "abcd efgh" is 85 wide, "ijklm" 50.
        {"word break", u"abcd efgh ijklm", DT_WORDBREAK, 32, {10, 20, 95, 52}, {{10, 20}, {10, 36}}},
        {"word break right", u"abcd efgh ijklm", DT_WORDBREAK | DT_RIGHT, 32, {10, 20, 95, 52}, {{25, 20}, {60, 36}}},
        {"no word break overflows", u"abcd efgh ijklm", DT_LEFT, 16, {10, 20, 150, 36}, {{10, 20}}},
        {"prefix removed", u"&abc", DT_LEFT, 16, {10, 20, 40, 36}, {{10, 20}}},
        {"no prefix", u"&abc", DT_NOPREFIX, 16, {10, 20, 50, 36}, {{10, 20}}},
        {"ellipsis", u"abcdefghijkl", DT_SINGLELINE | DT_END_ELLIPSIS, 16, {10, 20, 110, 36}, {{10, 20}}},
        {"empty", u"", DT_LEFT, 0, {10, 20, 10, 20}, {}},
    };
    for (const PlanCase& c : cases)
    {
        auto plan = os::font::plan_draw_text(face, c.text, rect, c.format);
        EXPECT_EQ(plan.result, c.result) << c.name;
        EXPECT_EQ(plan.bounds.left, c.bounds.left) << c.name;
        EXPECT_EQ(plan.bounds.top, c.bounds.top) << c.name;
        EXPECT_EQ(plan.bounds.right, c.bounds.right) << c.name;
        EXPECT_EQ(plan.bounds.bottom, c.bounds.bottom) << c.name;
        ASSERT_EQ(plan.lines.size(), c.origins.size()) << c.name;
        for (size_t i = 0; i < c.origins.size(); ++i)
        {
            EXPECT_EQ(plan.lines[i].x, c.origins[i].first) << c.name << " line " << i;
            EXPECT_EQ(plan.lines[i].y, c.origins[i].second) << c.name << " line " << i;
        }
    }
}

TEST(Layout, EllipsisAndPrefixTexts)
{
    FakeFace face;
    const RECT rect = {0, 0, 100, 50};
    auto plan = os::font::plan_draw_text(face, u"abcdefghijkl", rect, DT_SINGLELINE | DT_END_ELLIPSIS);
    ASSERT_EQ(plan.lines.size(), 1u);
    // "..." is 30 wide: seven letters (70) fit before it.
    EXPECT_EQ(plan.lines[0].text, u"abcdefg...");
    EXPECT_EQ(plan.lines[0].width, 100);
    plan = os::font::plan_draw_text(face, u"abc", rect, DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_EQ(plan.lines[0].text, u"abc") << "text that fits keeps its end";
    plan = os::font::plan_draw_text(face, u"ab\n&cd", rect, DT_LEFT);
    ASSERT_EQ(plan.lines.size(), 2u);
    EXPECT_EQ(plan.lines[0].underline, -1);
    EXPECT_EQ(plan.lines[1].underline, 0) << "the prefix marks the first character of the second line";
    EXPECT_EQ(plan.lines[1].text, u"cd");
}

TEST(Layout, ExpandTabs)
{
    FakeFace face;
    const RECT rect = {0, 0, 300, 50};
    // Stops every 8 average widths: 80 pixels.
    auto plan = os::font::plan_draw_text(face, u"a\tb", rect, DT_EXPANDTABS | DT_CALCRECT);
    EXPECT_EQ(plan.bounds.right, 90);
    plan = os::font::plan_draw_text(face, u"a\tb", rect, DT_CALCRECT);
    EXPECT_EQ(plan.bounds.right, 20);
}

} // namespace
