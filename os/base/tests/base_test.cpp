// base_test.cpp -- UTF-8/16 conversion and the warn-once trace
#include "os/base/utf.h"
#include "os/base/warn.h"

#include <gtest/gtest.h>

TEST(Utf, RoundTripsAndMarksStrayBytes)
{
    const std::u16string text = u"a\u00e9\u20ac\U0001F600";
    EXPECT_EQ(os::utf::utf8(text), "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
    EXPECT_EQ(os::utf::utf16(os::utf::utf8(text)), text);
    EXPECT_EQ(os::utf::utf16("\xff" "b"), u"\u00ffb") << "a stray byte reads as Latin-1";
    std::u16string lone = u"x";
    lone += char16_t(0xD800);
    EXPECT_EQ(os::utf::utf16(os::utf::utf8(lone)), lone) << "a lone surrogate survives the trip";
    uint32_t cp = 0;
    EXPECT_EQ(os::utf::decode_utf8("\xc0\x80", 0, &cp), 0u) << "overlong";
    EXPECT_EQ(os::utf::decode_utf8("\xe2\x82", 0, &cp), 0u) << "truncated";
}

TEST(WarnOnce, SaysEachThingOnce)
{
    testing::internal::CaptureStderr();
    int before = os::warnings_given();
    EXPECT_TRUE(os::warn_once("test", "frobbing is not supported"));
    EXPECT_FALSE(os::warn_once("test", "frobbing is not supported"));
    EXPECT_TRUE(os::warn_once("other", "frobbing is not supported")) << "per module";
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "os/test: frobbing is not supported\nos/other: frobbing is not supported\n");
    EXPECT_EQ(os::warnings_given(), before + 2);
}
