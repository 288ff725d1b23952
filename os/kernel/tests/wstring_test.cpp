// Conformance tests of the 16-bit string functions, number parsing, code
// pages and rand.
#include <os/wstring.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include "os/testing/kernel.h"

namespace {

std::string show(const std::u16string& text)
{
    return os::to_latin1(text);
}

int sign(int value)
{
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

TEST(WString, Compare)
{
    struct Case
    {
        const WCHAR* a;
        const WCHAR* b;
        int cmp;  // wcscmp
        int icmp; // _wcsicmp
    };
    const Case cases[] = {
        {u"", u"", 0, 0},
        {u"abc", u"abc", 0, 0},
        {u"abc", u"abd", -1, -1},
        {u"abc", u"ab", 1, 1},
        {u"ab", u"abc", -1, -1},
        {u"ABC", u"abc", -1, 0}, // code-unit order: upper case sorts first
        {u"Zebra", u"apple", -1, 1},
        {u"\u00C9t\u00E9", u"\u00E9T\u00C9", -1, 0}, // Latin-1 letters fold too
        {u"\u0100", u"a", 1, 1},                      // compared as unsigned 16-bit units
        {u"a[", u"A_", 1, -1}, // folding is to lower case: '[' (0x5B) < '_' (0x5F) < 'a'
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(sign(wcscmp(c.a, c.b)), c.cmp) << "wcscmp(" << show(c.a) << ", " << show(c.b) << ")";
        EXPECT_EQ(sign(_wcsicmp(c.a, c.b)), c.icmp) << "_wcsicmp(" << show(c.a) << ", " << show(c.b) << ")";
    }
}

TEST(WString, CompareCounted)
{
    struct Case
    {
        const WCHAR* a;
        const WCHAR* b;
        size_t n;
        int cmp;
        int icmp;
    };
    const Case cases[] = {
        {u"abcdef", u"abcxyz", 3, 0, 0},
        {u"abcdef", u"abcxyz", 4, -1, -1},
        {u"ABCdef", u"abcDEF", 6, -1, 0},
        {u"ab", u"ab\u0000zz", 5, 0, 0}, // stops at the terminator
        {u"x", u"y", 0, 0, 0},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(sign(wcsncmp(c.a, c.b, c.n)), c.cmp) << show(c.a) << " vs " << show(c.b) << " n=" << c.n;
        EXPECT_EQ(sign(_wcsnicmp(c.a, c.b, c.n)), c.icmp) << show(c.a) << " vs " << show(c.b) << " n=" << c.n;
    }
}

TEST(WString, Search)
{
    const WCHAR* s = u"data\\..\\levels\\one.txt";
    EXPECT_EQ(wcslen(s), 22u);
    EXPECT_EQ(wcslen(u""), 0u);
    EXPECT_EQ(wcschr(s, u'\\'), s + 4);
    EXPECT_EQ(wcsrchr(s, u'\\'), s + 14);
    EXPECT_EQ(wcschr(s, u'Q'), nullptr);
    EXPECT_EQ(wcschr(s, u'\0'), s + 22) << "the terminator is part of the string";
    EXPECT_EQ(wcsrchr(s, u'\0'), s + 22);
    EXPECT_EQ(wcsstr(s, u"\\..\\"), s + 4);
    EXPECT_EQ(wcsstr(s, u".txt"), s + 18);
    EXPECT_EQ(wcsstr(s, u".TXT"), nullptr) << "wcsstr is case-sensitive";
    EXPECT_EQ(wcsstr(s, u""), s);
    const WCHAR* aab = u"aab";
    EXPECT_EQ(wcsstr(aab, u"ab"), aab + 1) << "a partial match must not hide the real one";
    const WCHAR* kv = u"key = value";
    EXPECT_EQ(wcspbrk(kv, u":="), kv + 4);
    EXPECT_EQ(wcspbrk(kv, u"#"), nullptr);
    EXPECT_EQ(wcsspn(u"  \tx", u" \t"), 3u);
    EXPECT_EQ(wcscspn(u"name,value", u",;"), 4u);
    EXPECT_EQ(wcscspn(u"novalue", u",;"), 7u);
}

TEST(WString, CopyAndAppend)
{
    WCHAR buf[16];
    EXPECT_EQ(wcscpy(buf, u"abc"), buf);
    EXPECT_EQ(std::u16string(buf), u"abc");
    EXPECT_EQ(wcscat(buf, u"def"), buf);
    EXPECT_EQ(std::u16string(buf), u"abcdef");
    wcsncat(buf, u"ghijk", 2);
    EXPECT_EQ(std::u16string(buf), u"abcdefgh") << "wcsncat appends at most n and terminates";

    // wcsncpy pads with zeros, and leaves no terminator when the source is long.
    for (WCHAR& c : buf)
        c = u'#';
    wcsncpy(buf, u"ab", 5);
    EXPECT_EQ(std::u16string(buf, 6), std::u16string(u"ab\0\0\0#", 6));
    for (WCHAR& c : buf)
        c = u'#';
    wcsncpy(buf, u"abcdef", 3);
    EXPECT_EQ(std::u16string(buf, 4), u"abc#");
}

TEST(WString, CaseMapping)
{
    struct Case
    {
        WCHAR c;
        WCHAR lower;
        WCHAR upper;
    };
    const Case cases[] = {
        {u'A', u'a', u'A'},       {u'z', u'z', u'Z'},       {u'0', u'0', u'0'},
        {u'@', u'@', u'@'},       {u'[', u'[', u'['},       {0xC0, 0xE0, 0xC0},
        {0xDE, 0xFE, 0xDE},       {0xD7, 0xD7, 0xD7}, // multiplication sign has no case
        {0xF7, 0xF7, 0xF7},       {0xDF, 0xDF, 0xDF}, // sharp s stays
        {0xFF, 0xFF, 0xFF},       {0x100, 0x100, 0x100},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(wtolower16(c.c), c.lower) << "wtolower16(" << int(c.c) << ")";
        EXPECT_EQ(wtoupper16(c.c), c.upper) << "wtoupper16(" << int(c.c) << ")";
    }
    WCHAR text[] = u"Mixed \u00C9t\u00E9 42";
    EXPECT_EQ(_wcslwr(text), text);
    EXPECT_EQ(std::u16string(text), u"mixed \u00E9t\u00E9 42");
    _wcsupr(text);
    EXPECT_EQ(std::u16string(text), u"MIXED \u00C9T\u00C9 42");
}

TEST(WString, Wtol)
{
    struct Case
    {
        const WCHAR* text;
        LONG value;
    };
    const Case cases[] = {
        {u"42", 42},
        {u"  42", 42},
        {u"\t\r\n 7", 7},
        {u"-17", -17},
        {u"+8", 8},
        {u"12abc", 12},
        {u"1,5", 1},
        {u"3.9", 3},
        {u"abc", 0},
        {u"", 0},
        {u"- 5", 0},
        {u"--5", 0},
        {u"0x1F", 0}, // base 10 only
        {u"007", 7},
        {u"2147483647", 2147483647},
        {u"-2147483648", INT32_MIN},
        {u"99999999999", INT32_MAX},
        {u"-99999999999", INT32_MIN},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(_wtol(c.text), c.value) << "_wtol(\"" << show(c.text) << "\")";
        EXPECT_EQ(_wtoi(c.text), int(c.value)) << "_wtoi(\"" << show(c.text) << "\")";
    }
    EXPECT_EQ(_wtol(nullptr), 0);
}

TEST(WString, Wcstol)
{
    struct Case
    {
        const WCHAR* text;
        int base;
        LONG value;
        size_t used; // characters consumed
    };
    const Case cases[] = {
        {u"ff", 16, 255, 2},       {u"0xff", 16, 255, 4},    {u"0x1A", 0, 26, 4},
        {u"017", 0, 15, 3},        {u"19", 8, 1, 1},         {u"  -101", 2, -5, 6},
        {u"z", 36, 35, 1},         {u"xyz", 10, 0, 0},       {u"0x", 16, 0, 1},
        {u"12", 1, 0, 0},          {u"12", 37, 0, 0},
    };
    for (const Case& c : cases)
    {
        WCHAR* end = nullptr;
        EXPECT_EQ(wcstol(c.text, &end, c.base), c.value) << "wcstol(\"" << show(c.text) << "\", " << c.base << ")";
        EXPECT_EQ(size_t(end - c.text), c.used) << "end of \"" << show(c.text) << "\" base " << c.base;
    }
}

TEST(WString, Wcstod)
{
    struct Case
    {
        const WCHAR* text;
        double value;
        size_t used;
    };
    const Case cases[] = {
        {u"1.5", 1.5, 3},
        {u"1,5", 1.0, 1}, // ',' is never a decimal point
        {u"  -2.25e2x", -225.0, 9},
        {u".5", 0.5, 2},
        {u"7.", 7.0, 2},
        {u"+3", 3.0, 2},
        {u"1e", 1.0, 1},
        {u"3.14abc", 3.14, 4},
        {u"abc", 0.0, 0},
        {u"", 0.0, 0},
        {u"   ", 0.0, 0},
        {u"1.5\u00B2", 1.5, 3}, // stops at a non-ASCII character
    };
    for (const Case& c : cases)
    {
        WCHAR* end = nullptr;
        EXPECT_DOUBLE_EQ(wcstod(c.text, &end), c.value) << "wcstod(\"" << show(c.text) << "\")";
        EXPECT_EQ(size_t(end - c.text), c.used) << "end of \"" << show(c.text) << "\"";
    }
    EXPECT_DOUBLE_EQ(wcstod(u"0.25", nullptr), 0.25);
}

TEST(WString, IntegerToText)
{
    struct Case
    {
        LONG value;
        int radix;
        const WCHAR* text;
    };
    const Case cases[] = {
        {0, 10, u"0"},         {123, 10, u"123"},      {-123, 10, u"-123"},
        {255, 16, u"ff"},      {-1, 16, u"ffffffff"},  {5, 2, u"101"},
        {INT32_MIN, 10, u"-2147483648"}, {35, 36, u"z"}, {8, 8, u"10"},
    };
    for (const Case& c : cases)
    {
        WCHAR buf[40] = {};
        EXPECT_EQ(_ltow(c.value, buf, c.radix), buf);
        EXPECT_EQ(std::u16string(buf), c.text) << "_ltow(" << c.value << ", " << c.radix << ")";
        WCHAR ibuf[40] = {};
        EXPECT_EQ(std::u16string(_itow(int(c.value), ibuf, c.radix)), c.text) << "_itow(" << c.value << ")";
    }
}

TEST(WString, Latin1RoundTrip)
{
    std::string all;
    for (int i = 1; i < 256; i++)
        all += char(i);
    std::u16string wide = os::to_u16(all);
    ASSERT_EQ(wide.size(), 255u);
    for (int i = 1; i < 256; i++)
        EXPECT_EQ(int(wide[i - 1]), i) << "byte " << i << " must widen to U+00" << std::hex << i;
    EXPECT_EQ(os::to_latin1(wide), all);
    EXPECT_EQ(os::to_u16(all.c_str()), wide);
    EXPECT_EQ(os::to_latin1(u"a\u0100b\u20ACc"), "a?b?c");
    EXPECT_EQ(os::to_latin1(static_cast<const WCHAR*>(nullptr)), "");
    EXPECT_EQ(os::to_u16(static_cast<const char*>(nullptr)), u"");
}

TEST(CodePage, MultiByteToWideChar)
{
    WCHAR buf[8];
    SetLastError(0xdeadbeef);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4) << "size query counts the terminator";
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, nullptr, 0), 3);
    EXPECT_EQ(GetLastError(), 0xdeadbeefu);

    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "h\xE9!", -1, buf, 8), 4);
    EXPECT_EQ(std::u16string(buf), u"h\u00E9!");

    SetLastError(0xdeadbeef);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abcdef", -1, buf, 3), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));

    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "h\xC3\xA9", 3, buf, 8), 2);
    EXPECT_EQ(buf[1], WCHAR(0xE9));

    struct Bad
    {
        UINT cp;
        const char* src;
        int src_len;
        WCHAR* dst;
        int dst_len;
    };
    const Bad bad[] = {
        {CP_ACP, nullptr, -1, buf, 8}, {CP_ACP, "a", 0, buf, 8},  {CP_ACP, "a", -2, buf, 8},
        {CP_ACP, "a", -1, nullptr, 8}, {CP_ACP, "a", -1, buf, -1}, {1252, "a", -1, buf, 8},
    };
    for (const Bad& b : bad)
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(MultiByteToWideChar(b.cp, 0, b.src, b.src_len, b.dst, b.dst_len), 0);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER))
            << "cp " << b.cp << " len " << b.src_len << "/" << b.dst_len;
    }
}

TEST(CodePage, WideCharToMultiByte)
{
    char buf[8];
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abc", -1, nullptr, 0, nullptr, nullptr), 4);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"h\u00E9", -1, buf, 8, nullptr, nullptr), 3);
    EXPECT_STREQ(buf, "h\xE9");

    BOOL used = -1;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a\u20ACb", 3, buf, 8, "#", &used), 3);
    EXPECT_EQ(std::string(buf, 3), "a#b");
    EXPECT_EQ(used, TRUE);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"ab", 2, buf, 8, nullptr, &used), 2);
    EXPECT_EQ(used, FALSE);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u20AC", 1, buf, 8, nullptr, nullptr), 1);
    EXPECT_EQ(buf[0], '?');

    SetLastError(0xdeadbeef);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abcdef", -1, buf, 2, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));

    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u00E9\u20AC", 2, buf, 8, nullptr, nullptr), 5);
    EXPECT_EQ(std::string(buf, 5), "\xC3\xA9\xE2\x82\xAC");
    SetLastError(0xdeadbeef);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, buf, 8, "?", nullptr), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER)) << "UTF-8 takes no default character";
}

int fixed_four()
{
    return 4;
}

TEST(Rand, SequenceRangeAndHook)
{
    os_srand(1);
    const int first[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
    for (int expected : first)
        EXPECT_EQ(os_rand(), expected);

    os_srand(12345);
    int a = os_rand();
    int b = os_rand();
    os_srand(12345);
    EXPECT_EQ(os_rand(), a) << "the same seed must give the same sequence";
    EXPECT_EQ(os_rand(), b);

    for (int i = 0; i < 100000; i++)
    {
        int r = os_rand();
        ASSERT_TRUE(r >= 0 && r <= OS_RAND_MAX) << "got " << r;
    }

    os::set_rand_hook(fixed_four);
    EXPECT_EQ(os_rand(), 4);
    os::set_rand_hook(nullptr);
    os_srand(1);
    EXPECT_EQ(os_rand(), 41);
}

} // namespace
