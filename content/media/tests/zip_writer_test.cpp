// zip_writer_test.cpp -- packs written here and read back through the
// engine's resource packs
#include "content/media/zip_writer.h"

#include "engine/base/resource_files.h"

#include "os/testing/kernel.h"

#include <gtest/gtest.h>

#include <os/wstring.h>

#include <cstdio>
#include <string>

namespace {

std::string readResource(const WCHAR* path)
{
    FILE* file = openResourceFile(path, u"rb");
    if (!file)
        return "<none>";
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, file)) > 0)
        out.append(buf, n);
    closeResourceFile(file);
    return out;
}

class ZipWriter : public ::testing::Test
{
protected:
    void SetUp() override { setTempFolder(u"\\My Documents\\packs.tmp\\"); }
    void TearDown() override { closeResourcePacks(); }
};

} // namespace

TEST_F(ZipWriter, MembersReadBackThroughTheResourcePacks)
{
    std::string binary("\0\1\2\xff\0zip", 8);
    std::string large(200000, 'a');
    for (size_t i = 0; i < large.size(); i += 7)
        large[i] = char('a' + i % 26);
    ASSERT_TRUE(media::writeZip(os::testing::host("res/demo.zip"),
                                {{"a.txt", "alpha"}, {"bin.dat", binary}, {"big.txt", large},
                                 {"empty.txt", ""}, {"dir/sub.txt", "below"}}));
    addResourcePack(u"demo.zip", u"\\res");
    ASSERT_EQ(getResourcePackCount(), 1);
    const std::pair<const WCHAR*, std::string> cases[] = {
        {u"\\res\\a.txt", "alpha"},   {u"\\res\\bin.dat", binary},      {u"\\res\\big.txt", large},
        {u"\\res\\empty.txt", ""},    {u"\\res\\dir\\sub.txt", "below"}, {u"\\res\\missing.txt", "<none>"},
    };
    for (const auto& [path, content] : cases)
        EXPECT_EQ(readResource(path), content) << os::to_latin1(path);
}

// A pack without members is a valid zip, but the pack reader does not open
// it (it never finds an end record at the very start of the file), so the
// demo packs always hold at least one member.
TEST_F(ZipWriter, PackWithoutMembersIsWrittenButNotMounted)
{
    std::string path = os::testing::host("res/scenes/scenes.zip");
    ASSERT_TRUE(media::writeZip(path, {}));
    EXPECT_EQ(std::filesystem::file_size(path), 22u);
    addResourcePack(u"scenes.zip", u"\\res\\scenes");
    EXPECT_EQ(getResourcePackCount(), 0);
    EXPECT_EQ(readResource(u"\\res\\scenes\\any.jpg"), "<none>");
}

TEST_F(ZipWriter, UnwritablePathFails)
{
    os::testing::put("res/file", "a file, not a folder");
    EXPECT_FALSE(media::writeZip(os::testing::host("res/file/pack.zip"), {{"a.txt", "alpha"}}));
}
