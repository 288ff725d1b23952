// Conformance tests of the wide formatter (swprintf and friends).
#include <os/wstring.h>

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace {

std::string show(const std::u16string& text)
{
    return os::to_latin1(text);
}

struct Case
{
    const char16_t* expected;
    std::u16string got;
};

void check(const Case* cases, size_t count)
{
    for (size_t i = 0; i < count; i++)
        EXPECT_EQ(show(cases[i].got), show(cases[i].expected)) << "case " << i;
}

TEST(Format, Strings)
{
    const Case cases[] = {
        {u"[abc]", os::format(u"[%s]", u"abc")},          // %s is a wide string
        {u"[abc]", os::format(u"[%ls]", u"abc")},
        {u"[abc]", os::format(u"[%ws]", u"abc")},
        {u"[narrow]", os::format(u"[%hs]", "narrow")},    // %hs and %S are narrow
        {u"[narrow]", os::format(u"[%S]", "narrow")},
        {u"[wide]", os::format(u"[%lS]", u"wide")},
        {u"[\u00E9]", os::format(u"[%hs]", "\xE9")},     // narrow text widens as Latin-1
        {u"[\u20AC]", os::format(u"[%s]", u"\u20AC")},
        {u"[  abc]", os::format(u"[%5s]", u"abc")},
        {u"[abc  ]", os::format(u"[%-5s]", u"abc")},
        {u"[ab]", os::format(u"[%.2s]", u"abcdef")},
        {u"[   ab]", os::format(u"[%5.2hs]", "abcdef")},
        {u"[  abc]", os::format(u"[%*s]", 5, u"abc")},
        {u"[abc  ]", os::format(u"[%*s]", -5, u"abc")}, // a negative * width left-justifies
        {u"[ab]", os::format(u"[%.*s]", 2, u"abcdef")},
        {u"[(null)]", os::format(u"[%s]", static_cast<const WCHAR*>(nullptr))},
        {u"[(null)]", os::format(u"[%hs]", static_cast<const char*>(nullptr))},
        {u"_EMPTY_LINE_3", os::format(u"_EMPTY_LINE_%d", 3)},
        {u"C:\\a\\b", os::format(u"%s\\%s", u"C:\\a", u"b")},
    };
    check(cases, std::size(cases));
}

TEST(Format, Characters)
{
    const Case cases[] = {
        {u"[x]", os::format(u"[%c]", u'x')},
        {u"[\u0416]", os::format(u"[%c]", u'\u0416')}, // %c is a WCHAR
        {u"[y]", os::format(u"[%hc]", 'y')},            // %hc and %C are narrow
        {u"[z]", os::format(u"[%C]", 'z')},
        {u"[\u0416]", os::format(u"[%lC]", u'\u0416')},
        {u"[\u00E9]", os::format(u"[%hc]", '\xE9')},
        {u"[  q]", os::format(u"[%3c]", u'q')},
        {u"[q  ]", os::format(u"[%-3c]", u'q')},
        {u"[100%]", os::format(u"[%d%%]", 100)},
    };
    check(cases, std::size(cases));
}

TEST(Format, Integers)
{
    const Case cases[] = {
        {u"42", os::format(u"%d", 42)},
        {u"-42", os::format(u"%i", -42)},
        {u"+42", os::format(u"%+d", 42)},
        {u" 42", os::format(u"% d", 42)},
        {u"   42", os::format(u"%5d", 42)},
        {u"42   |", os::format(u"%-5d|", 42)},
        {u"00042", os::format(u"%05d", 42)},
        {u"-0042", os::format(u"%05d", -42)},
        {u"  042", os::format(u"%5.3d", 42)},
        {u"", os::format(u"%.0d", 0)},
        {u"4294967295", os::format(u"%u", -1)},
        {u"ff", os::format(u"%x", 255)},
        {u"FF", os::format(u"%X", 255)},
        {u"0xff", os::format(u"%#x", 255)},
        {u"0377", os::format(u"%#o", 255)},
        {u"ffffffff", os::format(u"%x", -1)},
        {u"0012", os::format(u"%0*d", 4, 12)},
        {u"192.168.1.20", os::format(u"%u.%u.%u.%u", 192u, 168u, 1u, 20u)},
        {u"-1", os::format(u"%hd", 0xFFFF)},   // h takes the low 16 bits
        {u"65535", os::format(u"%hu", -1)},
        {u"-5", os::format(u"%ld", LONG(-5))}, // l is 32 bits, as LONG
        {u"4294967295", os::format(u"%lu", ULONG(0xFFFFFFFF))},
        {u"-9000000000", os::format(u"%lld", -9000000000LL)},
        {u"9000000000", os::format(u"%I64d", 9000000000LL)},
        {u"18446744073709551615", os::format(u"%I64u", ~0ULL)},
        {u"123", os::format(u"%Iu", size_t(123))},
        {u"7 8", os::format(u"%zu %d", size_t(7), 8)},
        {u"-2147483648", os::format(u"%d", INT32_MIN)},
    };
    check(cases, std::size(cases));
}

TEST(Format, Floats)
{
    const Case cases[] = {
        {u"1.500000", os::format(u"%f", 1.5)},
        {u"1.50", os::format(u"%.2f", 1.499)},
        {u"  3.1", os::format(u"%5.1f", 3.14159)},
        {u"-0003.1", os::format(u"%07.1f", -3.14159)},
        {u"+2", os::format(u"%+.0f", 2.4)},
        {u"1.234500e+03", os::format(u"%e", 1234.5)},
        {u"1.23E+03", os::format(u"%.2E", 1234.5)},
        {u"0.0001", os::format(u"%g", 0.0001)},
        {u"1e-05", os::format(u"%g", 0.00001)},
        {u"1E+06", os::format(u"%G", 1e6)},
        {u"100000", os::format(u"%g", 1e5)},
        {u"2.", os::format(u"%#.0f", 2.0)},
        {u"3.3", os::format(u"%.*f", 1, 3.25 + 0.01)},
        {u"1.5 x", os::format(u"%g %s", 1.5, u"x")}, // arguments after a float stay in step
    };
    check(cases, std::size(cases));
}

TEST(Format, FloatsIgnoreTheLocale)
{
    // A program that switches to a locale with a decimal comma must still
    // get '.' (the comma locale may not exist here; then this is a plain check).
    const char* old = setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    if (!setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    std::u16string got = os::format(u"%.2f", 1.25);
    WCHAR* end = nullptr;
    double parsed = wcstod(u"2.5", &end);
    setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(show(got), "1.25");
    EXPECT_DOUBLE_EQ(parsed, 2.5);
}

TEST(Format, Pointers)
{
    std::u16string got = os::format(u"%p", reinterpret_cast<void*>(uintptr_t(0xABC)));
    std::u16string expected(2 * sizeof(void*) - 3, u'0');
    expected += u"ABC";
    EXPECT_EQ(show(got), show(expected)) << "pointers print as upper-case digits padded to the pointer width";
}

TEST(Format, MalformedConversionsShowAsWritten)
{
    const Case cases[] = {
        {u"50%", os::format(u"50%")},
        {u"%y 1", os::format(u"%y %d", 1)},
        {u"a%\u00E9b", os::format(u"a%\u00E9b")},
        {u"%l", os::format(u"%l")},
    };
    check(cases, std::size(cases));
}

TEST(Format, BoundedOutput)
{
    struct Bounded
    {
        size_t count;
        int result;
        const char16_t* text;
    };
    const Bounded cases[] = {
        {16, 9, u"value=123"},
        {10, 9, u"value=123"}, // exactly room for the terminator
        {9, -1, u"value=12"},  // one short: cut, terminated, -1
        {4, -1, u"val"},
        {1, -1, u""},
    };
    for (const Bounded& c : cases)
    {
        WCHAR buf[20];
        for (WCHAR& w : buf)
            w = u'#';
        EXPECT_EQ(swprintf(buf, c.count, u"value=%d", 123), c.result) << "swprintf count " << c.count;
        EXPECT_EQ(show(buf), show(c.text)) << "swprintf count " << c.count;
        EXPECT_EQ(buf[c.count], u'#') << "nothing may be written past count " << c.count;
        EXPECT_EQ(_snwprintf(buf, c.count, u"value=%d", 123), c.result) << "_snwprintf count " << c.count;
        EXPECT_EQ(show(buf), show(c.text)) << "_snwprintf count " << c.count;
    }
    WCHAR untouched = u'#';
    EXPECT_EQ(_snwprintf(&untouched, 0, u"abc"), -1);
    EXPECT_EQ(untouched, u'#');
    EXPECT_EQ(_snwprintf(&untouched, 0, u""), 0);
}

int call_vswprintf(WCHAR* buf, size_t count, const WCHAR* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    int n = vswprintf(buf, count, fmt, args);
    va_end(args);
    return n;
}

TEST(Format, VariadicForms)
{
    WCHAR buf[32];
    EXPECT_EQ(call_vswprintf(buf, 32, u"%s=%d", u"lives", 3), 7);
    EXPECT_EQ(show(buf), "lives=3");
}

TEST(Format, HugeWidthIsCapped)
{
    std::u16string got = os::format(u"%999999999d", 1);
    EXPECT_EQ(got.size(), 65535u) << "width is capped at 65535";
    EXPECT_EQ(got.back(), u'1');
}

} // namespace
