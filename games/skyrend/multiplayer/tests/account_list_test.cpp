// account_list_test.cpp -- the server's account list: entries as the server
// keeper writes them, damaged lists (runaway lines, bytes that are not text)
// whose readable accounts all count
#include "games/skyrend/multiplayer/account_list.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

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

} // namespace

TEST(AccountList, EntriesCommentsAndTheFirstEntryOfANameDecides)
{
    AccountList list;
    EXPECT_FALSE(list.read(u"\\server\\none.properties"));
    const std::u16string path = writeList("# the accounts\r\n"
                                          "<alice>=password:a1\r\n"
                                          "\n"
                                          "  <bob> = password:b2   // a remark\n"
                                          "<alice>=password:other\n"
                                          "<carol>=password:c3, team:red\n"
                                          "no separator here\n"
                                          "<dave>=password:d4"); // no line end
    ASSERT_TRUE(list.read(path));
    EXPECT_TRUE(list.damage().empty());
    EXPECT_EQ(list.skippedLines(), 0);
    EXPECT_EQ(list.accounts(), 4);
    const struct
    {
        const char16_t* user;
        const char16_t* password;
        bool passes;
    } cases[] = {
        {u"<alice>", u"a1", true}, {u"<alice>", u"other", false}, {u"<bob>", u"b2", true},
        {u"<bob>", u"b2 ", false}, {u"<carol>", u"c3", true},     {u"<dave>", u"d4", true},
        {u"<erin>", u"", false},   {u"alice", u"a1", false},      {u"<alice>", u"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(list.passes(c.user, c.password), c.passes)
            << std::string(c.user, c.user + std::char_traits<char16_t>::length(c.user));
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
