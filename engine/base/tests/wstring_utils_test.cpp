// wstring_utils_test.cpp -- trimming, path collapsing, token splitting, colours
#include "engine/base/wstring_utils.h"

#include <gtest/gtest.h>

#include <os/wstring.h>

#include <string>
#include <vector>

namespace {

std::string show(const std::u16string& text)
{
    return os::to_latin1(text);
}

// Runs an in-place function on a copy of text.
template <typename F>
std::u16string edited(std::u16string text, F f)
{
    text.push_back(0);
    f(text.data());
    return text.c_str();
}

std::vector<std::u16string> tokens(const WCHAR* text, const WCHAR* separators, WCHAR join)
{
    WCHAR** out = nullptr;
    int n = splitTokens(text, separators, &out, join);
    std::vector<std::u16string> result(out, out + n);
    freeTokens(out, n);
    return result;
}

} // namespace

TEST(WStringUtils, Trim)
{
    struct Case
    {
        std::u16string in, set, both, left, right;
    };
    const Case cases[] = {
        {u"  a b\t ", u" \t", u"a b", u"a b\t ", u"  a b"},
        {u" \t\t ", u" \t", u"", u"", u""},
        {u"", u" ", u"", u"", u""},
        {u"(1;2)", u"()", u"1;2", u"1;2)", u"(1;2"},
    };
    for (const Case& c : cases)
    {
        const WCHAR* set = c.set.c_str();
        EXPECT_EQ(edited(c.in, [&](WCHAR* t) { trim(t, set); }), c.both) << show(c.in);
        EXPECT_EQ(edited(c.in, [&](WCHAR* t) { trimLeft(t, set); }), c.left) << show(c.in);
        EXPECT_EQ(edited(c.in, [&](WCHAR* t) { trimRight(t, set); }), c.right) << show(c.in);
    }
    EXPECT_TRUE(isCharInSet(u'\t', kBlanks));
    EXPECT_FALSE(isCharInSet(u'x', kBlanks));
}

TEST(WStringUtils, CollapseParentDirs)
{
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"a\\b\\..\\c", u"a\\c"},
        {u"\\a\\b\\..\\..\\c", u"\\c"},
        {u"\\x\\..\\..\\y", u"\\y"},                 // nothing above the root
        {u"..\\..\\x", u"..\\..\\x"},                // leading ".." segments stay
        {u"a\\..\\..\\b", u"..\\b"},
        {u"a\\..\\c", u"c"},                         // stays relative
        {u"\\bin\\..\\resources\\GUI\\", u"\\resources\\GUI\\"},
        {u"a/b/../c", u"a/b/../c"},                  // only backslashes separate
        {u"plain", u"plain"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(edited(in, collapseParentDirs), out) << show(in);
}

TEST(WStringUtils, CollapseRunsReplaceAndRemove)
{
    EXPECT_EQ(edited(u"a\\\\\\b\\\\c\\", [](WCHAR* t) { collapseRuns(t, u'\\'); }), u"a\\b\\c\\");
    EXPECT_EQ(edited(u"a\\b\\c", [](WCHAR* t) { replaceChar(t, u'\\', u'/'); }), u"a/b/c");
    EXPECT_EQ(edited(u"abcabc", [](WCHAR* t) { replaceSameLength(t, u"bc", u"XY"); }), u"aXYaXY");
    EXPECT_EQ(edited(u"aaaa", [](WCHAR* t) { replaceSameLength(t, u"aa", u"b!"); }), u"b!b!");
    EXPECT_EQ(edited(u"abcabc", [](WCHAR* t) { replaceSameLength(t, u"bc", u"XYZ"); }), u"abcabc");
    EXPECT_EQ(edited(u"a b#c!", [](WCHAR* t) { removeChars(t, u"#! "); }), u"abc");
    const WCHAR* text = u"abcdef";
    EXPECT_EQ(findCharWithin(text, 4, u'd'), text + 3);
    EXPECT_EQ(findCharWithin(text, 3, u'd'), nullptr);
    EXPECT_EQ(findCharWithin(text, 9, u'z'), nullptr);
}

TEST(WStringUtils, SplitTokens)
{
    struct Case
    {
        const WCHAR* text;
        WCHAR join;
        std::vector<std::u16string> expected;
    };
    const Case cases[] = {
        {u"a,,b", 0, {u"a", u"", u"b"}},
        {u"a,b,", 0, {u"a", u"b"}},
        {u"", 0, {}},
        {u"abc", 0, {u"abc"}},
        {u",a", 0, {u"", u"a"}},
        {u"color:(1;2;3), href:a,b", u':', {u"color:(1;2;3)", u" href:a,b"}},
        {u"lead,x:1,y:2", u':', {u"x:1", u"y:2"}},
        {u"x:1,,y:2", u':', {u"x:1,", u"y:2"}},
        {u"nothing", u':', {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tokens(c.text, u",", c.join), c.expected) << show(c.text);
    EXPECT_EQ(tokens(u"a;b,c", u";,", 0), (std::vector<std::u16string>{u"a", u"b", u"c"}));
}

TEST(WStringUtils, SplitKeyValue)
{
    struct Case
    {
        std::u16string text;
        const WCHAR* key;
        const WCHAR* value;
    };
    const Case cases[] = {
        {u"  a = b  ", u"a", u"b"},
        {u"k=", u"k", u""},
        {u"=v", u"", u"v"},
        {u"a=b=c", u"a", u"b=c"},
        {u"no separator", nullptr, nullptr},
    };
    for (Case c : cases)
    {
        WCHAR* key = nullptr;
        WCHAR* value = nullptr;
        c.text.push_back(0);
        splitKeyValue(c.text.data(), u'=', &key, &value);
        if (!c.key)
        {
            EXPECT_EQ(key, nullptr);
            EXPECT_EQ(value, nullptr);
            continue;
        }
        ASSERT_TRUE(key && value) << show(c.text);
        EXPECT_EQ(std::u16string(key), c.key);
        EXPECT_EQ(std::u16string(value), c.value);
        delete[] key;
        delete[] value;
    }
}

TEST(WStringUtils, ParseColor)
{
    const std::pair<std::u16string, int> cases[] = {
        {u"(255;0;128)", 0xFF0080},
        {u" ( 255 ; 0 ; 128 ) ", 0xFF0080},
        {u"(1;2)", 0x010200},
        {u"(256;0;0)", 0x1000000}, // components are not masked
        {u"()", 0},
        {u"(0;0;300)", 300},
    };
    for (const auto& c : cases)
    {
        const auto& text = c.first;
        const auto colour = c.second;
        EXPECT_EQ(edited(text, [&](WCHAR* t) { EXPECT_EQ(parseColor(t), colour) << show(text); }), edited(text, [](WCHAR* t) { trim(t, u" \t()"); }));
    }
}
