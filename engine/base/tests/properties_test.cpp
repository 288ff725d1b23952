// properties_test.cpp -- reading, expanding, editing and rewriting properties files
#include "engine/base/properties.h"
#include "engine/base/property_map.h"
#include "engine/base/resource_files.h"

#include "engine/base/tests/zip_fixture.h"

#include <gtest/gtest.h>

#include <os/wstring.h>

#include <filesystem>
#include <string>
#include <vector>

using os::testing::get;
using os::testing::put;

namespace {

std::string show(const WCHAR* text)
{
    return text ? os::to_latin1(text) : std::string("<null>");
}

std::vector<std::string> realKeys(const Properties& p)
{
    WCHAR** keys = p.getKeys();
    std::vector<std::string> out;
    for (int i = 0; i < p.getKeyCount(); ++i)
        out.push_back(show(keys[i]));
    delete[] keys;
    return out;
}

// Loads content written to /cfg/name.
bool loadText(Properties& p, const std::string& content, const WCHAR* name = u"t.properties")
{
    put("cfg/" + os::to_latin1(name), content);
    return p.load(u"\\cfg", name);
}

} // namespace

TEST(Properties, LineGrammar)
{
    Properties p;
    ASSERT_TRUE(loadText(p, "a = b // c\n"
                            "x=p//q//r\n"
                            "k=1\\\n"
                            "  2\n"
                            "noeq\n"
                            "e=\n"
                            "=v\n"
                            "\t spaced key \t=\t spaced value \t\n"
                            "dup=first\n"
                            "dup=second\n"
                            "last=no newline"));
    const std::pair<const WCHAR*, const WCHAR*> cases[] = {
        {u"a", u"b"}, {u"x", u"p//q"}, {u"k", u"12"}, {u"e", u""}, {u"", u"v"},
        {u"spaced key", u"spaced value"}, {u"dup", u"second"}, {u"last", u"no newline"}, {u"noeq", nullptr},
    };
    for (const auto& [key, value] : cases)
        EXPECT_EQ(show(p.get(key)), show(value)) << "key " << show(key);
    EXPECT_EQ(realKeys(p), (std::vector<std::string>{"a", "x", "k", "e", "", "spaced key", "dup", "last"}));
}

TEST(Properties, CrlfAndLfFilesReadAlike)
{
    const std::string lf = "# comment\n\nname=value\ncont=a\\\n b\nlast=z\n";
    std::string crlf;
    for (char c : lf)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    Properties a;
    Properties b;
    ASSERT_TRUE(loadText(a, lf, u"lf.properties"));
    ASSERT_TRUE(loadText(b, crlf, u"crlf.properties"));
    for (const WCHAR* key : {u"name", u"cont", u"last"})
        EXPECT_EQ(show(a.get(key)), show(b.get(key))) << show(key);
    EXPECT_EQ(show(b.get(u"cont")), "ab");
    EXPECT_EQ(a.size(), b.size()) << "the comment and the empty line count in both";
    ASSERT_TRUE(b.save());
    EXPECT_EQ(get("cfg/crlf.properties"), "# comment\n\nname=value\ncont=ab\nlast=z\n") << "rewritten with LF";
}

TEST(Properties, RoundTripKeepsLayoutAndExpandsReferences)
{
    Properties p;
    ASSERT_TRUE(loadText(p, "# c\n\na=1\nb={a}x\n   \n! {a} stays in a comment\n"));
    EXPECT_EQ(p.getKeyCount(), 2);
    EXPECT_EQ(p.size(), 6);
    ASSERT_TRUE(p.save());
    EXPECT_EQ(get("cfg/t.properties"), "# c\n\na=1\nb=1x\n\n! {a} stays in a comment\n");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(os::testing::host("cfg")))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 1) << "no temporary file is left beside it";
}

TEST(Properties, ReferenceExpansion)
{
    Properties p;
    std::string chain;
    for (int i = 0; i < 9; ++i)
        chain += "c" + std::to_string(i) + "={c" + std::to_string(i + 1) + "}\n";
    chain += "c9=end\n";
    ASSERT_TRUE(loadText(p, chain + "self={self}!\n"
                                    "ping={pong}\n"
                                    "pong={ping}\n"
                                    "two={a}-{b}\n"
                                    "a=A\n"
                                    "b=B\n"
                                    "unknown={nobody}x{a}\n"
                                    "open={a\n"
                                    "base=dir\n"
                                    "{base}.file=named by reference\n"
                                    "{later}.key=unresolved\n"));
    const std::pair<const WCHAR*, const WCHAR*> cases[] = {
        {u"c0", u"{c9}"},      // eight levels, the innermost reference stays
        {u"two", u"A-B"},
        {u"unknown", u"{nobody}x{a}"},
        {u"open", u"{a"},
        {u"dir.file", u"named by reference"},
        {u"{later}.key", u"unresolved"},
    };
    for (const auto& [key, value] : cases)
        EXPECT_EQ(show(p.get(key)), show(value)) << show(key);
    // References to themselves stay as text, however often they are read.
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(show(p.get(u"self")), "{self}!");
        EXPECT_EQ(show(p.get(u"ping")), "{ping}");
        EXPECT_EQ(show(p.get(u"pong")), "{ping}");
    }
    // The stored value keeps what the first get made of it, and a later get
    // goes on from there.
    EXPECT_EQ(show(p.get(u"c7")), "end");
}

TEST(Properties, ReferencesThatMultiplyAtEveryGetStayBounded)
{
    // "a" refers to itself three times, so it stays as it is; "x" takes in
    // its text, references and all, and each get expands those again: three
    // times the references at every get, without end unless bounded.
    Properties p;
    ASSERT_TRUE(loadText(p, "x=<{a}>\na={a}{a}{a}\n"));
    EXPECT_EQ(show(p.get(u"x")), "<{a}{a}{a}>");
    EXPECT_EQ(show(p.get(u"x")), "<{a}{a}{a}{a}{a}{a}{a}{a}{a}>");
    size_t length = 0;
    for (int i = 0; i < 40; ++i)
        length = wcslen(p.get(u"x"));
    EXPECT_LE(length, Properties::kExpansionBudget + 16);
    EXPECT_GT(length, Properties::kExpansionBudget / 4) << "it grew up to the bound";
    EXPECT_EQ(show(p.get(u"a")), "{a}{a}{a}");
}

TEST(Properties, FieldsReadWithDefaults)
{
    Properties p;
    ASSERT_TRUE(loadText(p, "spr=type:Sprite, status:0, color:(1;2;3), href:a,b, empty:\n"
                            "plain=abc\n"));
    WCHAR* href = p.getField(u"spr", u"href");
    EXPECT_EQ(show(href), "a,b");
    delete[] href;
    WCHAR* whole = p.getField(u"plain", u"");
    EXPECT_EQ(show(whole), "abc");
    delete[] whole;
    EXPECT_EQ(p.getField(u"spr", u"none"), nullptr);
    EXPECT_EQ(p.getField(u"nokey", u"type"), nullptr);
    EXPECT_EQ(p.getFieldInt(u"spr", u"empty", 7), 7);
    EXPECT_EQ(p.getFieldInt(u"spr", u"status", 7), 0);
    EXPECT_EQ(p.getFieldBool(u"spr", u"missing", true), true);
    EXPECT_EQ(p.getFieldBool(u"spr", u"status", true), false);
    WCHAR small[4];
    EXPECT_EQ(show(p.getFieldString(u"spr", u"type", small, 4)), "Spr");
    EXPECT_EQ(p.getFieldString(u"spr", u"empty", small, 4), nullptr);
}

TEST(Properties, SetFieldRebuildsTheItemList)
{
    Properties p;
    ASSERT_TRUE(loadText(p, "spr=type:Sprite,status:0\nplain=abc\nnone=\n"));
    p.setField(u"spr", u"status", u"1");
    EXPECT_EQ(show(p.get(u"spr")), " type:Sprite, status:1");
    p.setField(u"spr", u"name", u"x");
    EXPECT_EQ(show(p.get(u"spr")), " type:Sprite, status:1, name:x");
    p.setField(u"plain", u"status", u"1");
    EXPECT_EQ(show(p.get(u"plain")), "abc") << "plain text is kept";
    p.setField(u"none", u"status", u"1");
    EXPECT_EQ(p.getFieldInt(u"none", u"status", 0), 1);
    p.setField(u"missing", u"status", u"1");
    EXPECT_EQ(p.get(u"missing"), nullptr);
    ASSERT_TRUE(p.save());
    Properties again;
    ASSERT_TRUE(again.load(u"\\cfg\\", u"t.properties"));
    EXPECT_EQ(again.getFieldInt(u"spr", u"status", 0), 1);
    EXPECT_EQ(show(again.get(u"spr")), "type:Sprite, status:1, name:x");
}

TEST(Properties, RepeatedLoadsAccumulateAndKeyListGetsNewKeysOnce)
{
    Properties p;
    PtrVector list(0);
    put("cfg/one.properties", "# one\na=1\nb=2\n");
    put("cfg/two.properties", "# two\n\nb=3\nc=4\n");
    ASSERT_TRUE(p.load(u"\\cfg", u"one.properties", &list));
    ASSERT_TRUE(p.load(u"\\cfg", u"two.properties", &list));
    EXPECT_EQ(realKeys(p), (std::vector<std::string>{"a", "b", "c"}));
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(show(static_cast<WCHAR*>(list.get(1))), "b");
    EXPECT_EQ(show(p.get(u"b")), "3");
    EXPECT_EQ(show(p.getPath()), "\\cfg\\two.properties");
    EXPECT_NE(p.get(u"_COMMENT_LINE_1"), nullptr);
    EXPECT_NE(p.get(u"_EMPTY_LINE_0"), nullptr);
    p.clear();
    EXPECT_EQ(p.size(), 0);
    EXPECT_FALSE(p.save()) << "no path after clear";
}

TEST(Properties, MissingFilesAndUnwritablePaths)
{
    Properties p;
    p.put(u"k", u"v");
    EXPECT_FALSE(p.load(u"\\cfg", u"missing.properties"));
    EXPECT_EQ(show(p.get(u"k")), "v") << "a failed load leaves the table";
    put("blocker", "a plain file");
    p.setPath(u"\\blocker\\", u"s.properties");
    EXPECT_FALSE(p.save());
}

TEST(Properties, LongLinesSurviveARewrite)
{
    Properties p;
    const std::string longValue(5000, 'v');
    ASSERT_TRUE(loadText(p, "a=1\nread=" + longValue + "\nnext=" + longValue + "x=y\\\n" + longValue + "\n"));
    EXPECT_EQ(p.getKeyCount(), 3) << "a line longer than the read buffer is one entry";
    EXPECT_EQ(show(p.get(u"read")), longValue);
    std::u16string written(1500, u'w');
    p.put(u"written", written.c_str());
    ASSERT_TRUE(p.save());
    Properties again;
    ASSERT_TRUE(again.load(u"\\cfg", u"t.properties"));
    EXPECT_EQ(again.getKeyCount(), 4);
    EXPECT_EQ(show(again.get(u"next")), longValue + "x=y" + longValue);
    EXPECT_EQ(show(again.get(u"written")), std::string(1500, 'w'));
}

TEST(Properties, LoadsFromAPack)
{
    ASSERT_TRUE(engine_testing::writeZip(u"\\res\\p.zip", {{"sub/inner.properties", "x=from pack\n"}}));
    setTempFolder(u"\\My Documents\\t");
    addResourcePack(u"p.zip", u"\\res");
    Properties p;
    ASSERT_TRUE(p.load(u"\\res\\sub", u"inner.properties"));
    EXPECT_EQ(show(p.get(u"x")), "from pack");
    closeResourcePacks();
}

TEST(PropertyMap, ParsesItemsAndTypedValues)
{
    PropertyMap map(u"color:(1;2;3), href:a,b, lone, n: 42 ,f:2.5, flag:0, n:43, blank:", u',', u':');
    EXPECT_EQ(show(map.get(u"href")), "a,b, lone") << "pieces without ':' join the item before";
    EXPECT_EQ(map.getInt(u"n", 0), 43) << "a repeated key takes the later value";
    EXPECT_EQ(show(static_cast<WCHAR*>(map.keys()[2])), "n") << "and keeps its first place";
    EXPECT_FLOAT_EQ(map.getFloat(u"f", 0), 2.5f);
    EXPECT_EQ(map.getColor(u"color", -1), 0x010203);
    EXPECT_EQ(show(map.get(u"color")), "(1;2;3)") << "reading a colour leaves the value";
    EXPECT_FALSE(map.getBool(u"flag", true));
    EXPECT_EQ(map.getInt(u"blank", 9), 9);
    EXPECT_EQ(map.getColor(u"nothing", -1), -1);
    EXPECT_FLOAT_EQ(map.getFloat(u"nothing", 1.5f), 1.5f);
}

TEST(Properties, KeysNamedLikePlaceholdersAreRefused)
{
    Properties p;
    ASSERT_TRUE(loadText(p, "# first\n_COMMENT_LINE_0=stolen\n_EMPTY_LINE_7=x\nok=1\n"));
    p.put(u"_EMPTY_LINE_0", u"y");
    EXPECT_EQ(realKeys(p), (std::vector<std::string>{"ok"}));
    ASSERT_TRUE(p.save());
    EXPECT_EQ(get("cfg/t.properties"), "# first\nok=1\n");
}

TEST(Properties, RemoveDropsAnEntryAndKeepsTheComments)
{
    Properties p;
    ASSERT_TRUE(loadText(p, "# head\na=1\n\nb=2\n# tail\n"));
    EXPECT_TRUE(p.remove(u"a"));
    EXPECT_FALSE(p.remove(u"a")) << "already gone";
    EXPECT_FALSE(p.remove(u"_COMMENT_LINE_0")) << "comment lines are not entries";
    EXPECT_EQ(p.get(u"a"), nullptr);
    p.put(u"c", u"3");
    EXPECT_EQ(realKeys(p), (std::vector<std::string>{"b", "c"}));
    ASSERT_TRUE(p.save());
    EXPECT_EQ(get("cfg/t.properties"), "# head\n\nb=2\n# tail\nc=3\n");
}
