// Tests of the data archive: directory, names, reads and seeks inside one
// entry, missing entries and damaged archives
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "archive_fixture.h"
#include "ravenor/engine/data/data_archive.h"
#include "content/ravenor/archive_writer.h"
#include "content/ravenor/le_bytes.h"

using namespace archive_fixture;

namespace {

std::string g_fatal;

void RecordFatal(const char* message)
{
    g_fatal = message;
}

class RavenorArchive : public ::testing::Test
{
protected:
    void SetUp() override
    {
        DataArchive::Reset();
        DataArchive::SetFatalHandler(RecordFatal);
        g_fatal.clear();
    }
    void TearDown() override
    {
        DataArchive::Reset();
        DataArchive::SetFatalHandler(nullptr);
    }
};

Files ThreeEntries()
{
    return {{"alto.p3d", Sequence(40, 1)}, {"font.tga", Sequence(10, 100)}, {"stg000.lev", Sequence(7, 200)}};
}

TEST_F(RavenorArchive, StrToLowerTouchesOnlyAsciiCapitals)
{
    struct Case
    {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"FONT.TGA", "font.tga"}, {"Idle.WAV", "idle.wav"}, {"sphereslider#K.tga", "sphereslider#k.tga"},
        {"AZ@[`{", "az@[`{"},     {"\xC0\xA9x", "\xC0\xA9x"}, {"", ""},
    };
    for (const Case& c : cases)
    {
        char buffer[64];
        std::strcpy(buffer, c.in);
        EXPECT_EQ(StrToLower(buffer), buffer);
        EXPECT_STREQ(buffer, c.out) << c.in;
    }
}

TEST_F(RavenorArchive, FindsEntriesWhateverTheCaseOfTheRequest)
{
    Mount(ThreeEntries());
    struct Case
    {
        const char* request;
        int entry;   // -1: missing
    };
    const Case cases[] = {
        {"font.tga", 1}, {"FONT.TGA", 1}, {"Font.Tga", 1}, {"ALTO.p3d", 0}, {"stg000.lev", 2},
        {"font.tg", -1}, {"font.tga ", -1}, {"", -1}, {"stg001.lev", -1},
    };
    for (const Case& c : cases)
    {
        int opened = DataArchive::OpenFile(c.request);
        EXPECT_EQ(opened, c.entry >= 0 ? 1 : 0) << c.request;
        uint32_t want = c.entry >= 0 ? DataArchive::Directory().entries[c.entry].size : 0;
        EXPECT_EQ(DataArchive::GetFileSize(), want) << c.request;
        DataArchive::CloseFile();
    }
    ASSERT_EQ(DataArchive::OpenFile(u"FONT.tga"), 1) << "wide names too";
    EXPECT_EQ(DataArchive::GetFileSize(), 10u);
    EXPECT_EQ(DataArchive::OpenFile(u"font\u0100tga"), 0);
}

TEST_F(RavenorArchive, FirstOfTwoEqualNamesWins)
{
    Mount(Files{{"a.bin", Bytes{1}}, {"a.bin", Bytes{2, 2}}});
    ASSERT_EQ(DataArchive::OpenFile("a.bin"), 1);
    EXPECT_EQ(DataArchive::GetFileSize(), 1u);
    EXPECT_EQ(DataArchive::FindEntry("a.bin"), &DataArchive::Directory().entries[0]);
}

TEST_F(RavenorArchive, StoredUpperCaseNamesNeverMatch)
{
    Mount(Files{{"Font.tga", Bytes{1}}});
    EXPECT_EQ(DataArchive::OpenFile("Font.tga"), 0);
    EXPECT_EQ(DataArchive::OpenFile("font.tga"), 0);
    EXPECT_NE(DataArchive::FindEntry("Font.tga"), nullptr) << "FindEntry itself is byte-wise";
}

TEST_F(RavenorArchive, NamesOf56CharactersOrMoreNeverMatch)
{
    const std::string name55(55, 'n');
    const std::string name56(56, 'n');
    Mount(Files{{name55, Bytes{5}}, {name56, Bytes{6}}});
    EXPECT_EQ(DataArchive::OpenFile(name55.c_str()), 1);
    EXPECT_EQ(DataArchive::GetFileSize(), 1u);
    // The 56-byte name fills its field without a NUL: it matches nothing
    EXPECT_EQ(DataArchive::OpenFile(name56.c_str()), 0);
    EXPECT_EQ(DataArchive::FindEntry(name56.c_str()), nullptr);
    const std::string huge(5000, 'n');
    EXPECT_EQ(DataArchive::OpenFile(huge.c_str()), 0);
    EXPECT_EQ(DataArchive::OpenFile(static_cast<const char*>(nullptr)), 0);
}

TEST_F(RavenorArchive, ReadsAndSeeksStayInsideTheEntry)
{
    Mount(ThreeEntries());
    ASSERT_EQ(DataArchive::OpenFile("font.tga"), 1);

    struct Step
    {
        int32_t offset;
        int origin;     // -1: no seek, just read
        uint32_t count;
        bool ok;
        std::vector<uint8_t> want;
    };
    const Step steps[] = {
        {0, -1, 3, true, {100, 101, 102}},
        {0, -1, 2, true, {103, 104}},
        {-4, 2, 4, true, {106, 107, 108, 109}},   // the entry's last 4 bytes
        {0, 0, 1, true, {100}},                   // back to its first byte
        {2, 1, 2, true, {103, 104}},
        {-3, 1, 1, true, {102}},
        {8, 0, 4, false, {108, 109, 0, 0}},       // stops at the end, rest zeroed
        {0, -1, 1, false, {0}},                   // at the end
        {-100, 1, 1, true, {100}},                // clamped to the first byte
        {100, 0, 1, false, {0}},                  // clamped to the end
        {-10, 2, 10, true, {100, 101, 102, 103, 104, 105, 106, 107, 108, 109}},
        {5, 7, 1, false, {0}},                    // unknown origin: no move
    };
    int n = 0;
    for (const Step& s : steps)
    {
        if (s.origin >= 0)
        {
            EXPECT_EQ(DataArchive::Seek(s.offset, s.origin), 1) << "step " << n;
        }
        std::vector<uint8_t> got(s.count, 0xEE);
        EXPECT_EQ(DataArchive::Read(got.data(), 1, s.count), s.ok) << "step " << n;
        EXPECT_EQ(got, s.want) << "step " << n;
        ++n;
    }
}

TEST_F(RavenorArchive, ReadCountsElements)
{
    Mount(ThreeEntries());
    ASSERT_EQ(DataArchive::OpenFile("alto.p3d"), 1);
    uint32_t words[10] = {};
    EXPECT_TRUE(DataArchive::Read(words, 4, 10));
    EXPECT_EQ(words[0], 0x04030201u);
    EXPECT_EQ(words[9], 0x28272625u);
    EXPECT_FALSE(DataArchive::Read(words, 4, 1));
    EXPECT_FALSE(DataArchive::Read(words, SIZE_MAX / 2, 4)) << "an impossible size reads nothing";
    EXPECT_TRUE(DataArchive::Read(words, 0, 5)) << "nothing asked, nothing missing";
}

TEST_F(RavenorArchive, MissingEntryLeavesNoEntryCurrent)
{
    Mount(ThreeEntries());
    ASSERT_EQ(DataArchive::OpenFile("font.tga"), 1);
    EXPECT_EQ(DataArchive::OpenFile("absent.tga"), 0);
    uint8_t buffer[4] = {1, 2, 3, 4};
    EXPECT_FALSE(DataArchive::Read(buffer, 1, 4)) << "no read of the previous entry";
    EXPECT_EQ(std::memcmp(buffer, "\0\0\0\0", 4), 0);
    EXPECT_EQ(DataArchive::Seek(0, 0), 0);
    EXPECT_EQ(DataArchive::GetFileSize(), 0u);
    EXPECT_EQ(DataArchive::CloseFile(), 1);
    EXPECT_TRUE(g_fatal.empty()) << "a missing entry does not end the program";
}

TEST_F(RavenorArchive, CloseFileForgetsTheEntry)
{
    Mount(ThreeEntries());
    ASSERT_EQ(DataArchive::OpenFile("stg000.lev"), 1);
    EXPECT_EQ(DataArchive::CloseFile(), 1);
    uint8_t b = 9;
    EXPECT_FALSE(DataArchive::Read(&b, 1, 1));
    EXPECT_TRUE(DataArchive::IsOpened());
    ASSERT_EQ(DataArchive::OpenFile("stg000.lev"), 1);
    EXPECT_TRUE(DataArchive::Read(&b, 1, 1));
    EXPECT_EQ(b, 200);
}

TEST_F(RavenorArchive, DataInAnyOrderAndEmptyEntries)
{
    // Entries whose data lie in reverse order, and one of size 0
    Bytes image(12, 0);
    Bytes second{9, 8, 7};
    Bytes first{1, 2};
    image.insert(image.end(), second.begin(), second.end());   // at 12
    image.insert(image.end(), first.begin(), first.end());     // at 15
    const uint32_t dir = static_cast<uint32_t>(image.size());
    auto entry = [&](const char* name, uint32_t offset, uint32_t size) {
        uint8_t raw[56] = {};
        std::memcpy(raw, name, std::strlen(name));
        image.insert(image.end(), raw, raw + 56);
        ravenor_content::AppendU32(image, offset);
        ravenor_content::AppendU32(image, size);
    };
    entry("first", 15, 2);
    entry("second", 12, 3);
    entry("empty", 17, 0);
    ravenor_content::PutU32(image, 4, dir);
    ravenor_content::PutU32(image, 8, 3 * 64);
    Mount(image);
    uint8_t b[3];
    ASSERT_EQ(DataArchive::OpenFile("first"), 1);
    EXPECT_TRUE(DataArchive::Read(b, 1, 2));
    EXPECT_EQ(b[1], 2);
    EXPECT_FALSE(DataArchive::Read(b, 1, 1)) << "no running into the next bytes of the file";
    ASSERT_EQ(DataArchive::OpenFile("second"), 1);
    EXPECT_TRUE(DataArchive::Read(b, 1, 3));
    EXPECT_EQ(b[0], 9);
    ASSERT_EQ(DataArchive::OpenFile("empty"), 1);
    EXPECT_EQ(DataArchive::GetFileSize(), 0u);
    EXPECT_FALSE(DataArchive::Read(b, 1, 1));
}

TEST_F(RavenorArchive, DirectoryLimits)
{
    struct Case
    {
        int entries;
        uint32_t extraDirectoryBytes;   // added to the directory size word
        bool opens;
        int count;
    };
    const Case cases[] = {
        {0, 0, true, 0}, {3, 10, true, 3}, {3, 63, true, 3}, {200, 0, true, 200}, {201, 0, false, 0},
    };
    for (const Case& c : cases)
    {
        ravenor_content::ArchiveWriter writer;
        for (int i = 0; i < c.entries; ++i)
            writer.Add("e" + std::to_string(i), Bytes{static_cast<uint8_t>(i)});
        Bytes image = writer.Build();
        const uint32_t size = static_cast<uint32_t>(c.entries * 64) + c.extraDirectoryBytes;
        ravenor_content::PutU32(image, 8, size);
        image.resize(image.size() + c.extraDirectoryBytes, 0);
        DataArchive::Reset();
        std::string error;
        EXPECT_EQ(DataArchive::Attach(std::make_unique<MemoryStream>(image), &error), c.opens) << c.entries;
        EXPECT_EQ(DataArchive::Directory().count, c.count) << c.entries;
        if (c.opens && c.entries > 0)
        {
            std::string last = "e" + std::to_string(c.entries - 1);
            EXPECT_EQ(DataArchive::OpenFile(last.c_str()), 1) << c.entries;
        }
        if (!c.opens)
        {
            EXPECT_NE(error.find("more than 200"), std::string::npos) << error;
        }
    }
}

TEST_F(RavenorArchive, DamagedArchivesAreRefused)
{
    const Bytes good = BuildArchive(ThreeEntries());
    const uint32_t dir = static_cast<uint32_t>(good.size() - 3 * 64);
    struct Case
    {
        const char* what;
        size_t cutTo;               // 0: keep the length
        size_t patchAt;             // 0: no patch
        uint32_t patch;
    };
    const Case cases[] = {
        {"empty file", 1, 0, 0},
        {"header cut short", 11, 0, 0},
        {"directory cut short", good.size() - 1, 0, 0},
        {"directory offset past the end", 0, 4, 0xFFFFFF00u},
        {"directory size past the end", 0, 8, 4 * 64},
        {"entry offset past the end", 0, dir + 56, static_cast<uint32_t>(good.size())},
        {"entry size past the end", 0, dir + 64 + 60, 0xFFFFFFF0u},
        {"entry offset and size wrap around", 0, dir + 56, 0xFFFFFFFFu},
    };
    for (const Case& c : cases)
    {
        Bytes image = good;
        if (c.cutTo)
            image.resize(c.cutTo == 1 ? 0 : c.cutTo);
        if (c.patchAt)
            ravenor_content::PutU32(image, c.patchAt, c.patch);
        DataArchive::Reset();
        std::string error;
        EXPECT_FALSE(DataArchive::Attach(std::make_unique<MemoryStream>(image), &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_FALSE(DataArchive::IsOpened()) << c.what;
        EXPECT_EQ(DataArchive::OpenFile("font.tga"), 0) << c.what;
    }
}

// ---- the archive on the device ----

class RavenorDeviceArchive : public RavenorArchive
{
protected:
    // The program folder \Program Files\Ravenor\ inside the test's device tree
    std::filesystem::path Folder()
    {
        const char* root = std::getenv("OS_DEVICE_ROOT");
        std::filesystem::path folder = std::filesystem::path(root ? root : "/tmp") / "Program Files" / "Ravenor";
        std::filesystem::create_directories(folder);
        DataArchive::SetFolder(u"\\Program Files\\Ravenor\\");
        return folder;
    }
    void Write(const std::filesystem::path& path, const Bytes& bytes)
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
};

TEST_F(RavenorDeviceArchive, OpensOnFirstUseAndKeepsTheFile)
{
    const std::filesystem::path folder = Folder();
    Write(folder / "demo.bin", BuildArchive(ThreeEntries()));
    EXPECT_FALSE(DataArchive::IsOpened());
    ASSERT_EQ(DataArchive::OpenFile("FONT.TGA"), 1) << g_fatal;
    EXPECT_TRUE(DataArchive::IsOpened());
    DataArchive::CloseFile();
    // The archive's handle stays open: with the file gone from the folder the
    // next entry still reads, which it could not if the file were reopened
    std::filesystem::remove(folder / "demo.bin");
    ASSERT_EQ(DataArchive::OpenFile("alto.p3d"), 1);
    uint8_t b[4];
    EXPECT_TRUE(DataArchive::Read(b, 1, 4));
    EXPECT_EQ(b[3], 4);
    EXPECT_EQ(DataArchive::Seek(-4, 2), 1);
    EXPECT_TRUE(DataArchive::Read(b, 1, 4));
    EXPECT_EQ(b[0], 37);
    EXPECT_TRUE(g_fatal.empty());
}

TEST_F(RavenorDeviceArchive, MissingArchiveTakesTheFatalPath)
{
    Folder();
    EXPECT_EQ(DataArchive::OpenFile("font.tga"), 0);
    EXPECT_NE(g_fatal.find("demo.bin"), std::string::npos) << g_fatal;
    EXPECT_FALSE(DataArchive::IsOpened());
}

TEST_F(RavenorDeviceArchive, DamagedArchiveTakesTheFatalPath)
{
    const std::filesystem::path folder = Folder();
    Bytes image = BuildArchive(ThreeEntries());
    image.resize(image.size() - 5);
    Write(folder / "demo.bin", image);
    EXPECT_EQ(DataArchive::OpenFile("font.tga"), 0);
    EXPECT_FALSE(g_fatal.empty());
}

using RavenorDeviceArchiveDeathTest = RavenorDeviceArchive;

TEST_F(RavenorDeviceArchiveDeathTest, FatalFailuresEndTheProgramWithCodeZero)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::filesystem::path folder = Folder();
    DataArchive::SetFatalHandler(nullptr);
    EXPECT_EXIT(DataArchive::OpenFile("font.tga"), ::testing::ExitedWithCode(0), "cannot open the data archive");

    ravenor_content::ArchiveWriter writer;
    for (int i = 0; i < 201; ++i)
        writer.Add("e" + std::to_string(i), Bytes{1});
    Write(folder / "demo.bin", writer.Build());
    EXPECT_EXIT(DataArchive::OpenFile("e0"), ::testing::ExitedWithCode(0), "more than 200");
}

} // namespace
