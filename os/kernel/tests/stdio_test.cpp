// Tests of the wide stdio calls and the atomic save helper.
#include <os/file.h>
#include <os/wstring.h>

#include "os/testing/kernel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

using os::testing::get;
using os::testing::host;
using os::testing::put;

std::vector<std::string> read_lines(const WCHAR* path, int count)
{
    std::vector<std::string> lines;
    FILE* f = _wfopen(path, u"r");
    EXPECT_NE(f, nullptr) << os::to_latin1(path);
    if (!f)
        return lines;
    WCHAR buf[64];
    while (fgetws(buf, count, f))
        lines.push_back(os::to_latin1(buf));
    fclose(f);
    return lines;
}

TEST(Wfopen, PathsAndModes)
{
    put("Program Files/Game/Settings.properties", "a=1\n");
    FILE* f = _wfopen(u"\\program files\\GAME\\settings.PROPERTIES", u"rb");
    ASSERT_NE(f, nullptr) << "existing names are found without regard to case";
    fclose(f);

    f = _wfopen(u"\\Program Files\\Game\\new.txt", u"wt");
    ASSERT_NE(f, nullptr);
    fclose(f);
    EXPECT_TRUE(fs::exists(host("Program Files/Game/new.txt")));

    struct Case
    {
        const WCHAR* path;
        const WCHAR* mode;
    };
    const Case failures[] = {
        {u"\\Program Files\\Game\\missing.txt", u"r"},
        {u"\\No Folder\\save.txt", u"w"}, // a write into a missing folder fails: the caller tries the packs
        {nullptr, u"r"},
        {u"\\x.txt", nullptr},
        {u"", u"r"},
    };
    for (const Case& c : failures)
        EXPECT_EQ(_wfopen(c.path, c.mode), nullptr) << os::to_latin1(c.path) << " mode " << os::to_latin1(c.mode);
    EXPECT_FALSE(fs::exists(host("No Folder")));

    put("ro.txt", "x");
    SetFileAttributesW(u"\\ro.txt", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(_wfopen(u"\\ro.txt", u"w"), nullptr) << "a read-only file cannot be opened for writing";
    EXPECT_EQ(get("ro.txt"), "x");
}

TEST(Fgetws, LineEnds)
{
    put("lines.txt", "one\r\ntwo\nthree\r\n\r\nlast\r");
    std::vector<std::string> expected = {"one\n", "two\n", "three\n", "\n", "last"};
    EXPECT_EQ(read_lines(u"\\lines.txt", 64), expected) << "CRLF reads as LF and no '\\r' is left";

    put("mid.txt", "a\rb\n");
    EXPECT_EQ(read_lines(u"\\mid.txt", 64), std::vector<std::string>{"a\rb\n"}) << "a lone CR inside a line stays";

    put("latin.txt", "caf\xE9\n");
    FILE* f = _wfopen(u"\\latin.txt", u"r");
    ASSERT_NE(f, nullptr);
    WCHAR buf[16];
    ASSERT_NE(fgetws(buf, 16, f), nullptr);
    EXPECT_EQ(std::u16string(buf), u"caf\u00E9\n") << "bytes widen as Latin-1";
    EXPECT_EQ(fgetws(buf, 16, f), nullptr) << "end of file";
    fclose(f);
}

TEST(Fgetws, ShortBuffers)
{
    put("long.txt", "abcdef\r\nxy\n");
    // count 4 holds 3 characters: the line comes in pieces, the CR still vanishes
    std::vector<std::string> expected = {"abc", "def", "\n", "xy\n"};
    EXPECT_EQ(read_lines(u"\\long.txt", 4), expected);
    expected = {"abcdef\n", "xy\n"};
    EXPECT_EQ(read_lines(u"\\long.txt", 8), expected) << "CR LF at the edge of the buffer";

    FILE* f = _wfopen(u"\\long.txt", u"r");
    ASSERT_NE(f, nullptr);
    WCHAR buf[4] = {u'#', u'#', u'#', u'#'};
    EXPECT_EQ(fgetws(buf, 1, f), buf);
    EXPECT_EQ(buf[0], 0) << "count 1 leaves only the terminator";
    EXPECT_EQ(fgetws(buf, 0, f), nullptr);
    EXPECT_EQ(fgetws(static_cast<WCHAR*>(nullptr), 4, f), nullptr);
    fclose(f);
}

TEST(Fputws, WritesLatin1)
{
    FILE* f = _wfopen(u"\\out.txt", u"w");
    ASSERT_NE(f, nullptr);
    EXPECT_GE(fputws(u"name=caf\u00E9\n", f), 0);
    EXPECT_GE(fputws(u"euro=\u20AC\n", f), 0);
    EXPECT_EQ(fwprintf(f, u"%s=%d %hs\n", u"lives", 3, "ok"), 11);
    fclose(f);
    EXPECT_EQ(get("out.txt"), "name=caf\xE9\neuro=?\nlives=3 ok\n");
    EXPECT_EQ(fputws(static_cast<const WCHAR*>(nullptr), stdout), EOF);
}

TEST(Wremove, RemoveAndRename)
{
    put("r/a.txt", "A");
    put("r/b.txt", "B");
    EXPECT_EQ(_wrename(u"\\R\\A.TXT", u"\\r\\b.txt"), -1) << "an existing target is never replaced";
    EXPECT_EQ(get("r/b.txt"), "B");
    EXPECT_EQ(_wrename(u"\\r\\a.txt", u"\\r\\c.txt"), 0);
    EXPECT_EQ(get("r/c.txt"), "A");
    EXPECT_EQ(_wremove(u"\\R\\C.txt"), 0);
    EXPECT_FALSE(fs::exists(host("r/c.txt")));
    EXPECT_EQ(_wremove(u"\\r\\c.txt"), -1);
    EXPECT_EQ(_wremove(nullptr), -1);
}

TEST(AtomicSave, ReplacesWhole)
{
    put("save/score.dat", "old contents");
    std::string path = host("save/score.dat");
    EXPECT_TRUE(os::write_file_atomic(path, "new", 3));
    EXPECT_EQ(get("save/score.dat"), "new");
    EXPECT_TRUE(os::write_file_atomic(path, nullptr, 0));
    EXPECT_EQ(get("save/score.dat"), "");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(host("save")))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"score.dat"}) << "no temporary file is left behind";

    EXPECT_FALSE(os::write_file_atomic(host("no/such/folder/x.dat"), "x", 1));
    EXPECT_FALSE(fs::exists(host("no")));
}

TEST(AtomicSave, FailureKeepsTheOldFile)
{
    // A folder standing where the file should go: the rename fails and the
    // temporary file is cleaned away.
    fs::create_directories(host("blocked/target/inside"));
    EXPECT_FALSE(os::write_file_atomic(host("blocked/target"), "x", 1));
    EXPECT_TRUE(fs::is_directory(host("blocked/target/inside")));
    size_t count = 0;
    for (const auto& entry : fs::directory_iterator(host("blocked")))
        count += entry.path().filename() == "target" ? 0 : 1;
    EXPECT_EQ(count, 0u);
}

TEST(AtomicSave, PiecewiseWriterCommitsWholeOrLeavesNothing)
{
    put("save/track.bin", "old");
    {
        os::AtomicFileWriter writer(u"\\SAVE\\track.bin");
        ASSERT_TRUE(writer.is_open());
        EXPECT_TRUE(writer.write("new ", 4));
        EXPECT_EQ(get("save/track.bin"), "old") << "nothing shows before the commit";
        EXPECT_TRUE(writer.write("bytes", 5));
        EXPECT_TRUE(writer.commit());
    }
    EXPECT_EQ(get("save/track.bin"), "new bytes");
    {
        os::AtomicFileWriter writer(u"\\save\\track.bin");
        EXPECT_TRUE(writer.write("half", 4));
    } // gone without a commit
    EXPECT_EQ(get("save/track.bin"), "new bytes");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(host("save")))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"track.bin"}) << "the uncommitted temporary is removed";

    os::AtomicFileWriter nowhere(u"\\no such folder\\x.bin");
    EXPECT_FALSE(nowhere.is_open());
    EXPECT_FALSE(nowhere.write("x", 1));
    EXPECT_FALSE(nowhere.commit());
}

// The id of a process that has ended (and been reaped).
pid_t ended_process()
{
    pid_t pid = fork();
    if (pid == 0)
        _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

TEST(StaleTemporaries, OnlyThoseOfEndedWritersGo)
{
    const std::string dead = std::to_string(ended_process());
    const std::string live = std::to_string(getppid());
    const struct
    {
        std::string name;
        bool stale;
    } files[] = {
        {"settings.properties.tmp-" + dead + "-0", true},
        {"deep/a/b/pilots.dat.tmp-" + dead + "-12", true},
        {"settings.properties.tmp-" + live + "-0", false}, // its writer still runs
        {"settings.properties.tmp-" + std::to_string(getpid()) + "-3", false},
        {"settings.properties", false},
        {"notes.tmp-" + dead, false}, // no serial: not one of ours
        {"notes.tmp-x" + dead + "-1", false},
        {".tmp-" + dead + "-1", false},                 // no file name before it
        {"deep/a/b/c/d/far.tmp-" + dead + "-0", false}, // below the depth looked at
    };
    for (const auto& file : files)
        put("tree/" + file.name, "x");
    fs::create_directories(host("tree/folder.tmp-" + dead + "-0"));

    EXPECT_EQ(os::remove_stale_temporaries(host("tree"), 3), 2);
    for (const auto& file : files)
        EXPECT_EQ(fs::exists(host("tree/" + file.name)), !file.stale) << file.name;
    EXPECT_TRUE(fs::is_directory(host("tree/folder.tmp-" + dead + "-0"))) << "folders are never removed";
    EXPECT_EQ(os::remove_stale_temporaries(host("no such folder"), 3), 0);
}

// A run killed with the packs open leaves its per-process folder of
// extracted copies ("Kalmir.tmp\PID\"), empty or not; the next start
// removes those of ended processes and no other folder.
TEST(StaleTemporaries, PerProcessFoldersOfEndedRunsGo)
{
    const std::string dead = std::to_string(ended_process());
    const std::string live = std::to_string(getppid());
    const std::string own = std::to_string(getpid());
    const std::string dead2 = std::to_string(ended_process());
    const struct
    {
        std::string folder;
        std::string file; // put in it, or none
        bool stale;
    } folders[] = {
        {"docs/Kalmir.tmp/" + dead, "", true},                  // emptied at its close, then killed
        {"docs/Kalmir.tmp/" + dead2, "", true},                 // another ended run
        {"docs/Game.TMP/" + dead, "dir_a.png", true},           // killed with a copy open
        {"docs/Kalmir.tmp/" + live, "sky.jpg", false},          // a game still running
        {"docs/Kalmir.tmp/" + own, "", false},
        {"docs/Photos/" + dead, "", false},                     // not in a temporary folder
        {"docs/Kalmir.tmp/x" + dead, "", false},                // not a process id
        {"docs/Kalmir.tmp/0" + dead, "", false},
        {"docs/tmp/" + dead, "", false},
    };
    for (const auto& f : folders)
    {
        fs::create_directories(host(f.folder));
        if (!f.file.empty())
            put(f.folder + "/" + f.file, "x");
    }
    // A folder in one stays with the folder that holds it.
    put("docs/Kalmir.tmp/" + dead + "1/kept/note.txt", "x");

    os::remove_stale_temporaries(host("docs"), 4);
    for (const auto& f : folders)
        EXPECT_EQ(fs::exists(host(f.folder)), !f.stale) << f.folder;
    EXPECT_EQ(get("docs/Kalmir.tmp/" + live + "/sky.jpg"), "x");
    EXPECT_EQ(get("docs/Kalmir.tmp/" + dead + "1/kept/note.txt"), "x");
}

} // namespace

namespace {

TEST(SetAside, DamagedFileMovesBesideAndNeverOverwrites)
{
    put("save/pilots.dat", "garbage 1");
    EXPECT_EQ(os::set_aside_damaged_file(u"\\save\\pilots.dat"), u"\\save\\pilots.dat.damaged");
    EXPECT_FALSE(fs::exists(host("save/pilots.dat")));
    EXPECT_EQ(get("save/pilots.dat.damaged"), "garbage 1");

    put("save/pilots.dat", "garbage 2");
    EXPECT_EQ(os::set_aside_damaged_file(u"\\save\\pilots.dat"), u"\\save\\pilots.dat.damaged-2");
    EXPECT_EQ(get("save/pilots.dat.damaged"), "garbage 1") << "an earlier damaged copy is kept";
    EXPECT_EQ(get("save/pilots.dat.damaged-2"), "garbage 2");

    EXPECT_EQ(os::set_aside_damaged_file(u"\\save\\no such file"), u"");
}

} // namespace
