// Tests of the mapping between device paths and the host's device tree.
#include "os/kernel/path.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class Path : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root_ = os::path::device_root();
        ASSERT_FALSE(root_.empty());
    }
    void make_file(const std::string& relative)
    {
        fs::path p = fs::path(root_) / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "x";
    }
    std::string root_;
};

TEST_F(Path, RootIsTheConfiguredFolder)
{
    std::error_code ec;
    EXPECT_EQ(root_, fs::canonical(getenv("OS_DEVICE_ROOT"), ec).string());
    EXPECT_EQ(os::path::to_host(u""), root_);
    EXPECT_EQ(os::path::to_host(u"\\"), root_);
    EXPECT_EQ(os::path::to_host(static_cast<const WCHAR*>(nullptr)), "");
}

TEST_F(Path, SeparatorsAndDots)
{
    struct Case
    {
        const char16_t* device;
        const char* host; // below the root
    };
    const Case cases[] = {
        {u"\\a\\b.txt", "/a/b.txt"},
        {u"/a/b.txt", "/a/b.txt"},
        {u"a\\b.txt", "/a/b.txt"}, // relative paths start at the root
        {u"\\\\a\\\\\\b.txt", "/a/b.txt"},
        {u"\\a/\\b.txt", "/a/b.txt"}, // "%s\\%s" joined onto a folder ending in '/'
        {u"\\a\\b\\", "/a/b"},
        {u"\\a\\.\\b", "/a/b"},
        {u"\\a\\x\\..\\b", "/a/b"},
        {u"\\a\\..\\..\\..\\b", "/b"}, // never above the root
        {u"..\\b", "/b"},
        {u"\\a\\...\\b", "/a/.../b"}, // only "." and ".." are special
        {u"\\a b\\c d", "/a b/c d"},
    };
    for (const Case& c : cases)
    {
        std::string device = os::path::utf8(c.device);
        EXPECT_EQ(os::path::to_host(c.device), root_ + c.host) << "device path \"" << device << "\"";
    }
}

TEST_F(Path, ExistingNamesMatchWithoutCase)
{
    make_file("Program Files/Foo/BAR.txt");
    make_file("Program Files/Foo/Data/level1.DAT");
    struct Case
    {
        const char16_t* device;
        const char* host;
    };
    const Case cases[] = {
        {u"\\program files\\foo\\bar.TXT", "/Program Files/Foo/BAR.txt"},
        {u"\\PROGRAM FILES\\FOO\\BAR.TXT", "/Program Files/Foo/BAR.txt"},
        {u"\\Program Files\\Foo\\BAR.txt", "/Program Files/Foo/BAR.txt"},
        {u"/program files/foo/data/LEVEL1.dat", "/Program Files/Foo/Data/level1.DAT"},
        // a name about to be created keeps its case in the matched folder
        {u"\\program files\\FOO\\New File.txt", "/Program Files/Foo/New File.txt"},
        {u"\\program files\\foo\\NewDir\\Inner.txt", "/Program Files/Foo/NewDir/Inner.txt"},
        // a file in the way ends the lookup: the rest keeps the case it was given
        {u"\\program files\\foo\\bar.txt\\x", "/Program Files/Foo/BAR.txt/x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(os::path::to_host(c.device), root_ + c.host) << "device path \"" << os::path::utf8(c.device) << "\"";
}

TEST_F(Path, ExactNameWinsOverFoldedOne)
{
    make_file("Data/a.txt");
    make_file("data/b.txt");
    EXPECT_EQ(os::path::to_host(u"\\data\\b.txt"), root_ + "/data/b.txt");
    EXPECT_EQ(os::path::to_host(u"\\Data\\a.txt"), root_ + "/Data/a.txt");
    // Neither spelling: the smallest matching host name is taken, every time.
    EXPECT_EQ(os::path::to_host(u"\\DATA"), root_ + "/Data");
}

TEST_F(Path, NonAsciiNamesAreUtf8)
{
    make_file("Caf\xC3\xA9/Men\xC3\xBC.txt");
    EXPECT_EQ(os::path::to_host(u"\\CAF\u00C9\\men\u00DC.TXT"), root_ + "/Caf\xC3\xA9/Men\xC3\xBC.txt");
    EXPECT_EQ(os::path::to_host(u"\\\u20AC"), root_ + "/\xE2\x82\xAC");
    EXPECT_EQ(os::path::to_device(root_ + "/Caf\xC3\xA9"), u"\\Caf\u00E9");
}

TEST_F(Path, HostToDevice)
{
    struct Case
    {
        std::string host;
        const char16_t* device;
    };
    const Case cases[] = {
        {root_ + "/Program Files/X/X", u"\\Program Files\\X\\X"},
        {root_, u"\\"},
        {root_ + "/", u"\\"},
        {root_ + "/a/../b", u"\\b"},
        {"/usr/lib", u"\\usr\\lib"}, // outside the root: backslash form of the host path
    };
    for (const Case& c : cases)
        EXPECT_EQ(os::path::utf8(os::path::to_device(c.host)), os::path::utf8(c.device)) << "host " << c.host;
    EXPECT_EQ(os::path::to_host(os::path::to_device(root_ + "/Program Files/X/X")), root_ + "/Program Files/X/X");
}

TEST_F(Path, DocumentsFolder)
{
    unsetenv("OS_DOCUMENTS");
    EXPECT_EQ(os::path::utf8(os::path::documents()), "\\My Documents");
    EXPECT_TRUE(fs::is_directory(root_ + "/My Documents"));

    setenv("OS_DOCUMENTS", "\\Profiles\\Player1\\", 1);
    EXPECT_EQ(os::path::utf8(os::path::documents()), "\\Profiles\\Player1");
    EXPECT_TRUE(fs::is_directory(root_ + "/Profiles/Player1")) << "a missing documents folder is created";

    setenv("OS_DOCUMENTS", (root_ + "/Host Docs").c_str(), 1);
    EXPECT_EQ(os::path::utf8(os::path::documents()), "\\Host Docs");
    EXPECT_TRUE(fs::is_directory(root_ + "/Host Docs"));
    unsetenv("OS_DOCUMENTS");
}

TEST(PathText, Utf8AndUtf16)
{
    struct Case
    {
        std::u16string wide;
        std::string narrow;
    };
    const Case cases[] = {
        {u"abc", "abc"},
        {u"\u00E9", "\xC3\xA9"},
        {u"\u20AC", "\xE2\x82\xAC"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"}, // a surrogate pair is one code point
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(os::path::utf8(c.wide), c.narrow);
        EXPECT_EQ(os::path::utf16(c.narrow), c.wide);
    }
    // A stray byte that is not UTF-8 reads as its Latin-1 character.
    EXPECT_EQ(os::path::utf16("a\xE9z"), u"a\u00E9z");
    EXPECT_EQ(os::path::utf16("\xC3"), u"\u00C3");
}

} // namespace
