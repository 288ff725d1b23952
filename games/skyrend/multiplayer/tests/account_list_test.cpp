// account_list_test.cpp -- the server's account list: entries as the server
// keeper writes them, damaged lists (runaway lines, bytes that are not text)
// whose readable accounts all count
#include "games/skyrend/multiplayer/account_list.h"

#include "os/testing/program_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using namespace skyrend::mp;

namespace {

// Writes the list into the device tree; answers its device path.
std::u16string writeList(const std::string& bytes)
{
    const char* root = std::getenv("OS_DEVICE_ROOT");
    std::filesystem::create_directories(std::string(root) + "/server");
    std::ofstream(std::string(root) + "/server/users.properties", std::ios::binary) << bytes;
    return u"\\server\\users.properties";
}

struct Check
{
    const char16_t* user;
    const char16_t* password;
    bool passes;
};

std::string narrow(const char16_t* wide)
{
    return std::string(wide, wide + std::char_traits<char16_t>::length(wide));
}

// The previous build checked a log-on by loading the list with the
// properties reader: the field "password" of the user's entry.
bool passedBefore(const std::u16string& path, const std::u16string& user, const std::u16string& password)
{
    Properties file(u'=', u',', u':');
    if (!file.load(u"", path.c_str()))
        return false;
    WCHAR* stored = file.getField(user.c_str(), u"password");
    const bool ok = stored && password == stored;
    delete[] stored;
    return ok;
}

} // namespace

// Lists as their keepers write them, read as the properties reader reads
// any file; every check is also what the previous build (which loaded the
// list with that reader) decided.
TEST(AccountList, ReadAsThePropertiesReaderReadsAFile)
{
    AccountList list;
    EXPECT_FALSE(list.read(u"\\server\\none.properties"));
    const struct
    {
        const char* name;
        std::string file;
        int accounts;
        std::vector<Check> checks;
    } cases[] = {
        {"comments, remarks, blank lines, CR LF, no last line end",
         "# the accounts\r\n"
         "! also a comment\n"
         "<alice>=password:a1\r\n"
         "\n"
         "  <bob> = password:b2   // a remark\n"
         "<carol>=password:c3, team:red\n"
         "no separator here\n"
         "<dave>=password:d4",
         4,
         {{u"<alice>", u"a1", true},
          {u"<bob>", u"b2", true},
          {u"<bob>", u"b2 ", false},
          {u"<carol>", u"c3", true},
          {u"<dave>", u"d4", true},
          {u"<erin>", u"", false},
          {u"alice", u"a1", false},
          {u"<alice>", u"", false}}},
        {"a name given twice: the last entry decides",
         "<alice>=password:old\n<bob>=password:b2\n<alice>=password:new\n",
         2,
         {{u"<alice>", u"new", true}, {u"<alice>", u"old", false}, {u"<bob>", u"b2", true}}},
        {"a backslash joins the next line",
         "<alice>=password:a\\\n"
         "    1\n"
         "<bob>=pass\\\n"
         "word:b\\\n"
         "2\n"
         "<carol>=password:c3\n",
         3,
         {{u"<alice>", u"a1", true}, {u"<alice>", u"a", false}, {u"<bob>", u"b2", true}, {u"<carol>", u"c3", true}}},
        {"{name} in a value and in a key",
         "team=red\n"
         "secret=s3\n"
         "<alice>=password:{secret}\n"
         "<{team}pilot>=password:r1\n"
         "<bob>=password:{nothing}\n",
         5,
         {{u"<alice>", u"s3", true},
          {u"<alice>", u"{secret}", false},
          {u"<redpilot>", u"r1", true},
          {u"<{team}pilot>", u"r1", false},
          {u"<bob>", u"{nothing}", true}}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::u16string path = writeList(c.file);
        ASSERT_TRUE(list.read(path));
        EXPECT_TRUE(list.damage().empty());
        EXPECT_EQ(list.skippedLines(), 0);
        EXPECT_EQ(list.accounts(), c.accounts);
        for (const Check& check : c.checks)
        {
            EXPECT_EQ(list.passes(check.user, check.password), check.passes) << narrow(check.user);
            EXPECT_EQ(passedBefore(path, check.user, check.password), check.passes) << narrow(check.user);
        }
    }
}

// The list the previous build shipped beside the program: every account in
// it passes with its own password and no other.
TEST(AccountList, ThePreviousBuildsListReadsAsItDid)
{
    const std::string shipped = os::testing::built_device_root() + "/Program Files/Vasko-Skyrend/bin/users.properties";
    std::ifstream in(shipped, std::ios::binary);
    ASSERT_TRUE(in) << shipped;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::u16string path = writeList(bytes);
    AccountList list;
    ASSERT_TRUE(list.read(path));
    EXPECT_TRUE(list.damage().empty());
    Properties before(u'=', u',', u':');
    ASSERT_TRUE(before.load(u"", path.c_str()));
    ASSERT_EQ(list.accounts(), before.getKeyCount());
    ASSERT_GE(list.accounts(), 2);
    std::unique_ptr<WCHAR*[]> keys(before.getKeys());
    for (int i = 0; i < before.getKeyCount(); ++i)
    {
        const std::u16string user = keys[size_t(i)];
        std::unique_ptr<WCHAR[]> password(before.getField(user.c_str(), u"password"));
        ASSERT_TRUE(password) << narrow(user.c_str());
        EXPECT_TRUE(list.passes(user, password.get())) << narrow(user.c_str());
        EXPECT_FALSE(list.passes(user, std::u16string(password.get()) + u"x")) << narrow(user.c_str());
    }
    EXPECT_TRUE(list.passes(u"<alice>", u"a1"));
}

// A list with a 20 MB line and a line of binary bytes among its accounts:
// every other account still passes, the two lines are left out, and the one
// message names the file by its device path.
TEST(AccountList, ADamagedListKeepsEveryReadableAccount)
{
    std::string bytes = "<alice>=password:a1\n";
    bytes += "<mallory>=password:" + std::string(20u << 20, 'x') + "\n";
    bytes += "<bob>=password:b2\n";
    const char eve[] = "<eve>=pass\x01\x02word:e5\n";
    bytes += std::string(eve, sizeof eve - 1);
    bytes += "<carol>=password:c3\n";
    const std::u16string path = writeList(bytes);
    AccountList list;
    ASSERT_TRUE(list.read(path));
    EXPECT_EQ(list.skippedLines(), 2);
    EXPECT_EQ(list.damage(), u"it has a line far longer than any account");
    EXPECT_EQ(list.accounts(), 3);
    for (const auto& [user, password] : {std::pair{u"<alice>", u"a1"}, {u"<bob>", u"b2"}, {u"<carol>", u"c3"}})
        EXPECT_TRUE(list.passes(user, password));
    EXPECT_FALSE(list.passes(u"<mallory>", std::u16string(20u << 20, u'x')));
    EXPECT_FALSE(list.passes(u"<eve>", u"e5"));
    const std::u16string text = accountListDamageText(path, list);
    EXPECT_NE(text.find(u"\\server\\users.properties"), std::u16string::npos);
    EXPECT_NE(text.find(u"2 of its lines cannot be read"), std::u16string::npos);
    EXPECT_NE(text.find(u"the 3 accounts"), std::u16string::npos);

    // Binary bytes alone are named as such.
    const char junk[] = "<bob>=password:b2\n\x7F\x00junk\n<carol>=password:c3\n";
    ASSERT_TRUE(list.read(writeList(std::string(junk, sizeof junk - 1))));
    EXPECT_EQ(list.damage(), u"it holds bytes that are not text");
    EXPECT_EQ(list.skippedLines(), 1);
    EXPECT_TRUE(list.passes(u"<carol>", u"c3"));
}

// The bound is on every line the file holds, the lines a backslash joins
// too: a line of 4,096 bytes before its newline is an account, one byte more
// is left out (and told); a line left out ends the entry it would have
// continued, so the next account is not swallowed by it.
TEST(AccountList, EveryLineIsBounded)
{
    const std::string head = "<long>=password:";
    const std::string fits(AccountList::kLineLimit - head.size(), 'p');
    const struct
    {
        const char* name;
        std::string file;
        int skipped;
        std::vector<Check> checks;
        std::u16string longPassword; // passes when not empty
    } cases[] = {
        {"a line at the bound",
         head + fits + "\n<bob>=password:b2\n",
         0,
         {{u"<bob>", u"b2", true}},
         std::u16string(fits.begin(), fits.end())},
        {"a byte past it", head + fits + "p\n<bob>=password:b2\n", 1, {{u"<bob>", u"b2", true}}, u""},
        {"a runaway line a backslash joins",
         "<alice>=password:a1\\\n" + std::string(5000, 'x') + "\n<bob>=password:b2\n",
         1,
         {{u"<alice>", u"a1", true}, {u"<bob>", u"b2", true}},
         u""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        AccountList list;
        ASSERT_TRUE(list.read(writeList(c.file)));
        EXPECT_EQ(list.skippedLines(), c.skipped);
        EXPECT_EQ(list.damage().empty(), c.skipped == 0);
        if (c.skipped)
        {
            EXPECT_EQ(list.damage(), u"it has a line far longer than any account");
        }
        for (const Check& check : c.checks)
            EXPECT_EQ(list.passes(check.user, check.password), check.passes) << narrow(check.user);
        EXPECT_EQ(list.passes(u"<long>", c.longPassword), !c.longPassword.empty());
    }
}
