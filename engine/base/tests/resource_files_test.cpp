// resource_files_test.cpp -- files from disk or from the mounted zip packs
#include "engine/base/folder_utils.h"
#include "engine/base/resource_files.h"
#include "engine/base/resource_pack.h"

#include "engine/base/tests/zip_fixture.h"

#include <gtest/gtest.h>

#include <os/file.h>
#include <os/wstring.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using engine_testing::writeZip;
using os::testing::get;
using os::testing::host;
using os::testing::put;
namespace fs = std::filesystem;

namespace {

std::string readAll(FILE* file)
{
    std::string out;
    char buf[256];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, file)) > 0)
        out.append(buf, n);
    return out;
}

// What the resource file at path holds, or "<none>" when it does not open.
std::string readResource(const WCHAR* path)
{
    FILE* file = openResourceFile(path, u"rb");
    if (!file)
        return "<none>";
    std::string out = readAll(file);
    closeResourceFile(file);
    return out;
}

class ResourceFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(host("res"));
        setTempFolder(u"\\My Documents\\Kalmir.tmp\\");
    }
    void TearDown() override { closeResourcePacks(); }

    static bool tempHas(const std::string& name) { return fs::exists(host("My Documents/Kalmir.tmp/" + name)); }
};

} // namespace

TEST_F(ResourceFiles, DiskFirstThenTheLaterPack)
{
    ASSERT_TRUE(writeZip(u"\\res\\one.zip", {{"a.txt", "one"}, {"only1.txt", "first pack"}, {"disk.txt", "packed"}}));
    ASSERT_TRUE(writeZip(u"\\res\\two.zip", {{"a.txt", "two"}}));
    put("res/disk.txt", "on disk");
    addResourcePack(u"one.zip", u"\\res");
    addResourcePack(u"two.zip", u"\\res\\");
    ASSERT_EQ(getResourcePackCount(), 2);
    const std::pair<const WCHAR*, std::string> cases[] = {
        {u"\\res\\a.txt", "two"},               // the pack mounted last wins
        {u"\\res\\only1.txt", "first pack"},    // else an earlier one
        {u"\\res\\disk.txt", "on disk"},        // a real file beats every pack
        {u"\\res\\missing.txt", "<none>"},
        {u"\\elsewhere\\a.txt", "<none>"},      // outside every mount folder
    };
    for (const auto& [path, content] : cases)
        EXPECT_EQ(readResource(path), content) << os::to_latin1(path);
}

// Without a temporary folder members are unpacked beside their pack. A file
// there, of whatever size, is the one opened (a player's own file beside a
// pack wins, as everywhere else); a copy the pack writes is whole or absent,
// and a failed one leaves nothing behind.
TEST_F(ResourceFiles, FilesBesideThePackWinAndFailedCopiesLeaveNothing)
{
    closeResourcePacks();
    const std::string track(30000, 't');
    ASSERT_TRUE(writeZip(u"\\res\\scenes.zip", {{"track.3ds", track}, {"sky.jpg", "SKY"}, {"car.3ds", "CAR"}}));
    put("res/bad.zip", engine_testing::rawZip({engine_testing::RawMember{"bad.txt", 0, "abc", 1, 3}}));
    addResourcePack(u"scenes.zip", u"\\res");
    addResourcePack(u"bad.zip", u"\\res");

    const std::pair<std::string, std::string> onDisk[] = {
        {"track.3ds", ""},                   // empty
        {"track.3ds", "my own track"},       // smaller than the member
        {"track.3ds", track + "and more"},   // larger
        {"sky.jpg", "sky"},                  // the member's size
    };
    for (const auto& [name, content] : onDisk)
    {
        put("res/" + name, content);
        EXPECT_TRUE(readResource(os::to_u16("\\res\\" + name).c_str()) == content) << name << " of "
                                                                                         << content.size();
        EXPECT_TRUE(get("res/" + name) == content) << "the file on disk is left as it was";
    }
    fs::remove(host("res/track.3ds"));
    EXPECT_TRUE(readResource(u"\\res\\track.3ds") == track) << "without a file on disk the pack answers";
    EXPECT_FALSE(fs::exists(host("res/track.3ds"))) << "its copy goes at the close";

    EXPECT_EQ(readResource(u"\\res\\bad.txt"), "<none>");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(host("res")))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"bad.zip", "scenes.zip", "sky.jpg"}))
        << "no copy and no temporary is left behind";
}

TEST_F(ResourceFiles, MemberInSubfolderIsExtractedFlatAndDeletedAtClose)
{
    ASSERT_TRUE(writeZip(u"\\res\\p.zip", {{"dir/a.png", "PNGDATA"}}));
    addResourcePack(u"p.zip", u"\\res");
    FILE* file = openResourceFile(u"\\res\\dir\\a.png", u"rb");
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(tempHas("dir_a.png"));
    EXPECT_EQ(readAll(file), "PNGDATA");
    closeResourceFile(file);
    EXPECT_FALSE(tempHas("dir_a.png"));
}

TEST_F(ResourceFiles, RequestedPathsAreNormalised)
{
    ASSERT_TRUE(writeZip(u"\\res\\p.zip", {{"dir/a.png", "PNGDATA"}}));
    addResourcePack(u"p.zip", u"\\bin\\..\\res");
    WCHAR path[] = u"\\res\\x\\..\\DIR\\\\A.PNG";
    std::u16string before = path;
    EXPECT_EQ(readResource(path), "PNGDATA");
    EXPECT_EQ(std::u16string(path), before) << "the caller's path is not changed";
    EXPECT_EQ(readResource(u"\\res/dir/a.png"), "PNGDATA");
}

TEST_F(ResourceFiles, TwoHandlesShareOneCopyUntilTheLastClose)
{
    ASSERT_TRUE(writeZip(u"\\res\\p.zip", {{"m.txt", "0123456789"}}));
    addResourcePack(u"p.zip", u"\\res");
    FILE* first = openResourceFile(u"\\res\\m.txt", u"rb");
    ASSERT_NE(first, nullptr);
    char head[4] = {};
    ASSERT_EQ(std::fread(head, 1, 3, first), 3u);
    FILE* second = openResourceFile(u"\\res\\m.txt", u"rb");
    ASSERT_NE(second, nullptr);
    closeResourceFile(second);
    EXPECT_TRUE(tempHas("m.txt")) << "the first handle still uses the copy";
    EXPECT_EQ(readAll(first), "3456789");
    closeResourceFile(first);
    EXPECT_FALSE(tempHas("m.txt"));
}

TEST_F(ResourceFiles, CopiesNeverTakeAnotherFilesName)
{
    // "d/x" and "d_x" flatten to the same name; both must read right.
    ASSERT_TRUE(writeZip(u"\\res\\p.zip", {{"d/x", "slash"}, {"d_x", "underscore"}}));
    addResourcePack(u"p.zip", u"\\res");
    FILE* a = openResourceFile(u"\\res\\d\\x", u"rb");
    FILE* b = openResourceFile(u"\\res\\d_x", u"rb");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(readAll(a), "slash");
    EXPECT_EQ(readAll(b), "underscore");
    closeResourceFile(a);
    closeResourceFile(b);
    // Without a temporary folder copies go beside the pack, never over a real file.
    closeResourcePacks();
    ASSERT_TRUE(writeZip(u"\\res\\q.zip", {{"sub/f.txt", "member"}}));
    put("res/sub_f.txt", "real file");
    addResourcePack(u"q.zip", u"\\res");
    EXPECT_EQ(readResource(u"\\res\\sub\\f.txt"), "member");
    EXPECT_EQ(get("res/sub_f.txt"), "real file");
}

TEST_F(ResourceFiles, BadPacksAreDroppedAndBadMembersGiveNull)
{
    put("res/garbage.zip", "this is not a zip archive at all");
    std::string noise(20000, 0);
    uint32_t seed = 12345;
    for (char& c : noise)
        c = char((seed = seed * 1103515245 + 12345) >> 24);
    ASSERT_TRUE(writeZip(u"\\res\\good.zip", {{"big.bin", noise}}));
    std::string whole = get("res/good.zip");
    put("res/truncated.zip", whole.substr(0, whole.size() / 2));
    addResourcePack(u"missing.zip", u"\\res");
    addResourcePack(u"garbage.zip", u"\\res");
    addResourcePack(u"truncated.zip", u"\\res");
    EXPECT_EQ(getResourcePackCount(), 0);

    // A member whose data is damaged: the open fails and leaves no copy.
    std::string corrupt = whole;
    size_t data = corrupt.find("big.bin") + 7;
    for (size_t i = data + 10; i < data + 60; ++i)
        corrupt[i] = char(corrupt[i] ^ 0x5A);
    put("res/corrupt.zip", corrupt);
    addResourcePack(u"corrupt.zip", u"\\res");
    ASSERT_EQ(getResourcePackCount(), 1);
    EXPECT_EQ(readResource(u"\\res\\big.bin"), "<none>");
    EXPECT_FALSE(tempHas("big.bin"));
}

// A pack whose directory record runs past the end of the file sends the zip
// library reading beyond it for every lookup: it is not mounted. A record
// with fields that fit mounts as any other.
TEST_F(ResourceFiles, PackWhoseDirectoryRunsPastTheFileIsDropped)
{
    using engine_testing::RawMember;
    const std::string zip = engine_testing::rawZip(
        {RawMember::stored("a.txt", "first"), RawMember::stored("b.txt", "second")});
    const size_t first = zip.find("PK\x01\x02");
    const size_t second = zip.rfind("PK\x01\x02");
    const size_t end = zip.rfind("PK\x05\x06");
    auto set16 = [](std::string& s, size_t at, uint32_t v) { s[at] = char(v & 0xFF), s[at + 1] = char(v >> 8); };
    const struct
    {
        const char* what;
        std::function<void(std::string&)> change;
        bool mounted;
    } cases[] = {
        {"extra field of 65000", [&](std::string& z) { set16(z, second + 30, 65000); }, false},
        {"end record cut short, comment of 65535",
         [&](std::string& z) { set16(z, second + 32, 65535), z.resize(z.size() - 2); }, false},
        {"directory larger than the file", [&](std::string& z) { set16(z, end + 14, 0xFFFF); }, false},
        {"extra field and comment that fit",
         [&](std::string& z) {
             set16(z, second + 30, 4), set16(z, second + 32, 3);
             z.insert(end, std::string("\x99\x99\x00\x00"
                                       "abc",
                                       7));
             set16(z, end + 7 + 12, uint32_t(end + 7 - first));
         },
         true},
    };
    for (const auto& c : cases)
    {
        std::string pack = zip;
        c.change(pack);
        put("res/p.zip", pack);
        addResourcePack(u"p.zip", u"\\res");
        EXPECT_EQ(getResourcePackCount(), c.mounted ? 1 : 0) << c.what;
        if (c.mounted)
        {
            EXPECT_EQ(readResource(u"\\res\\b.txt"), "second") << c.what;
        }
        closeResourcePacks();
    }
}

TEST_F(ResourceFiles, MembersThatCannotBeReadWhole)
{
    using engine_testing::RawMember;
    const std::string text = "the quick brown fox jumps over the lazy dog, twice: the quick brown fox";
    const std::string packed = engine_testing::rawDeflate(text);
    const uint32_t crc = RawMember::crcOf(text);
    const uint32_t size = uint32_t(text.size());
    std::string flipped = packed; // a damaged stream that still ends, short of the declared size
    flipped[packed.size() / 2] = char(flipped[packed.size() / 2] ^ 0x10);
    const struct
    {
        const char* what;
        RawMember member;
        std::string expected; // "<none>": refused
    } cases[] = {
        {"stored", RawMember::stored("m.txt", text), text},
        {"deflated", {"m.txt", 8, packed, crc, size}, text},
        {"bzip2 (not inflated here)", {"m.txt", 12, packed, crc, size}, "<none>"},
        {"LZMA", {"m.txt", 14, packed, crc, size}, "<none>"},
        {"encrypted", {"m.txt", 8, packed, crc, size, 1}, "<none>"},
        {"stored, wrong CRC", {"m.txt", 0, text, crc ^ 1, size}, "<none>"},
        {"deflated, wrong CRC", {"m.txt", 8, packed, crc ^ 1, size}, "<none>"},
        {"deflated, declared longer than it inflates", {"m.txt", 8, packed, crc, size + 5}, "<none>"},
        {"deflated, declared shorter than it inflates", {"m.txt", 8, packed, crc, size - 5}, "<none>"},
        {"damaged stream", {"m.txt", 8, flipped, crc, size}, "<none>"},
    };
    for (const auto& c : cases)
    {
        closeResourcePacks();
        setTempFolder(u"\\My Documents\\Kalmir.tmp\\");
        put("res/raw.zip", engine_testing::rawZip({c.member}));
        addResourcePack(u"raw.zip", u"\\res");
        ASSERT_EQ(getResourcePackCount(), 1) << c.what;
        EXPECT_EQ(readResource(u"\\res\\m.txt"), c.expected) << c.what;
        EXPECT_FALSE(tempHas("m.txt")) << c.what << ": nothing is left behind";

        ResourcePack pack(u"raw.zip", u"\\res");
        int status = extractPackMember(&pack, u"m.txt", u"/out/", false);
        EXPECT_EQ(status == UNZ_OK, c.expected == text) << c.what << ": status " << status;
        EXPECT_EQ(fs::exists(host("out/m.txt")), c.expected == text) << c.what;
        // Over a file already there: replaced when whole, else untouched.
        put("out/m.txt", "before");
        extractPackMember(&pack, u"m.txt", u"/out/", false);
        EXPECT_EQ(get("out/m.txt"), c.expected == text ? text : "before") << c.what;
        fs::remove(host("out/m.txt"));
        EXPECT_TRUE(fs::is_empty(host("out"))) << c.what << ": no temporary is left";
    }
}

TEST_F(ResourceFiles, UnwritableTemporaryFolderGivesNull)
{
    ASSERT_TRUE(writeZip(u"\\res\\p.zip", {{"m.txt", "data"}}));
    addResourcePack(u"p.zip", u"\\res");
    put("blocker", "a plain file where the folder should be");
    setTempFolder(u"\\blocker\\tmp");
    EXPECT_EQ(readResource(u"\\res\\m.txt"), "<none>");
}

TEST_F(ResourceFiles, TemporaryFolderIsEmptiedAtStartAndRemovedAtClose)
{
    put("My Documents/Kalmir.tmp/stale.png", "left from the last run");
    fs::create_directories(host("My Documents/Kalmir.tmp/keep"));
    setTempFolder(u"\\My Documents\\Kalmir.tmp");
    EXPECT_EQ(std::u16string(getTempFolder()), u"/My Documents/Kalmir.tmp/");
    EXPECT_FALSE(tempHas("stale.png"));
    EXPECT_TRUE(tempHas("keep")) << "only plain files are deleted";
    fs::remove(host("My Documents/Kalmir.tmp/keep"));
    closeResourcePacks();
    EXPECT_FALSE(fs::exists(host("My Documents/Kalmir.tmp")));
    EXPECT_EQ(getTempFolder(), nullptr);
}

TEST_F(ResourceFiles, WritingNeverGoesIntoAPackCopy)
{
    ASSERT_TRUE(writeZip(u"\\res\\p.zip", {{"sub/s.properties", "a=1\n"}}));
    addResourcePack(u"p.zip", u"\\res");
    EXPECT_EQ(openResourceFile(u"\\res\\sub\\s.properties", u"w"), nullptr);
    EXPECT_FALSE(tempHas("sub_s.properties"));
}

TEST(FolderUtils, EnsureAndCreateFolders)
{
    EXPECT_TRUE(createFolders(u"/a/b/c/", 0));
    EXPECT_TRUE(fs::is_directory(host("a/b/c")));
    EXPECT_TRUE(ensureFolder(u"/a/b"));
    put("a/file", "x");
    EXPECT_FALSE(ensureFolder(u"/a/file"));
    EXPECT_FALSE(createFolders(u"/a/file/d", 0));
}

TEST(ResourcePackExtract, StatusOfEachOutcome)
{
    ASSERT_TRUE(writeZip(u"\\p.zip", {{"dir/a.txt", "A"}}));
    ResourcePack pack(u"p.zip", u"\\");
    ASSERT_TRUE(pack.isOpen());
    EXPECT_EQ(std::u16string(pack.getMountFolder()), u"/");
    EXPECT_EQ(extractPackMember(&pack, u"nope", u"/out/", false), UNZ_END_OF_LIST_OF_FILE);
    EXPECT_EQ(extractPackMember(&pack, u"DIR/A.TXT", u"/out/", true), UNZ_OK);
    EXPECT_EQ(get("out/DIR/A.TXT"), "A");
    EXPECT_EQ(extractPackMember(&pack, u"dir/a.txt", u"/out/", false), UNZ_OK);
    EXPECT_EQ(get("out/dir_a.txt"), "A");
    put("plain", "x");
    EXPECT_EQ(extractPackMember(&pack, u"dir/a.txt", u"/plain/", false), kExtractWriteFailed);
}
