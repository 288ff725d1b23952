// Conformance tests of the file, folder and listing functions.
#include <os/file.h>
#include <os/sync.h>
#include <os/wstring.h>

#include "os/kernel/handle.h"
#include "os/testing/kernel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;

using os::testing::get;
using os::testing::host;
using os::testing::put;

std::u16string dev(const std::string& relative)
{
    return os::to_u16("\\" + relative);
}

TEST(CreateFile, Dispositions)
{
    struct Case
    {
        DWORD disposition;
        bool exists;
        bool opens;
        DWORD error;
        const char* content; // afterwards; nullptr = no file
    };
    const Case cases[] = {
        {CREATE_NEW, false, true, NO_ERROR, ""},
        {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
        {CREATE_ALWAYS, false, true, NO_ERROR, ""},
        {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
        {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {OPEN_EXISTING, true, true, NO_ERROR, "old"},
        {OPEN_ALWAYS, false, true, NO_ERROR, ""},
        {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
        {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {TRUNCATE_EXISTING, true, true, NO_ERROR, ""},
    };
    int n = 0;
    for (const Case& c : cases)
    {
        std::string name = "case" + std::to_string(n++) + ".bin";
        if (c.exists)
            put(name, "old");
        SetLastError(0xdeadbeef);
        HANDLE h = CreateFileW(dev(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, c.disposition,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD error = GetLastError();
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens) << "disposition " << c.disposition << " exists " << c.exists;
        EXPECT_EQ(error, c.error) << "disposition " << c.disposition << " exists " << c.exists;
        if (h != INVALID_HANDLE_VALUE)
        {
            EXPECT_TRUE(CloseHandle(h));
        }
        EXPECT_EQ(fs::exists(host(name)), c.content != nullptr) << "disposition " << c.disposition;
        if (c.content)
        {
            EXPECT_EQ(get(name), c.content) << "disposition " << c.disposition << " exists " << c.exists;
        }
    }
}

TEST(CreateFile, Errors)
{
    put("ro.txt", "r");
    ASSERT_TRUE(SetFileAttributesW(u"\\ro.txt", FILE_ATTRIBUTE_READONLY));
    fs::create_directories(host("folder"));
    struct Case
    {
        const WCHAR* path;
        DWORD access;
        DWORD disposition;
        DWORD error;
    };
    const Case cases[] = {
        {u"\\missing\\x.txt", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {u"\\missing\\x.txt", GENERIC_WRITE, CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {u"\\ro.txt\\x.txt", GENERIC_WRITE, CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {u"\\folder", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {u"\\ro.txt", GENERIC_WRITE, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {u"\\ro.txt", GENERIC_READ, TRUNCATE_EXISTING, ERROR_ACCESS_DENIED},
        {u"\\ro.txt", GENERIC_WRITE, CREATE_ALWAYS, ERROR_ACCESS_DENIED},
        {u"\\x.txt", GENERIC_READ, 0, ERROR_INVALID_PARAMETER},
        {u"\\x.txt", GENERIC_READ, 6, ERROR_INVALID_PARAMETER},
        {nullptr, GENERIC_READ, OPEN_EXISTING, ERROR_INVALID_PARAMETER},
        {u"", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases)
    {
        SetLastError(0xdeadbeef);
        HANDLE h = CreateFileW(c.path, c.access, 0, nullptr, c.disposition, 0, nullptr);
        EXPECT_EQ(h, INVALID_HANDLE_VALUE) << os::to_latin1(c.path) << " disposition " << c.disposition;
        EXPECT_EQ(GetLastError(), c.error) << os::to_latin1(c.path) << " disposition " << c.disposition;
    }
    HANDLE h = CreateFileW(u"\\ro.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << "a read-only file opens for reading";
    CloseHandle(h);
}

TEST(CreateFile, FolderMatchedWithoutCase)
{
    fs::create_directories(host("Saves/Slot"));
    HANDLE h = CreateFileW(u"\\SAVES\\slot\\Game1.SAV", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_TRUE(fs::exists(host("Saves/Slot/Game1.SAV"))) << "the new name keeps its case in the existing folder";
}

TEST(FileIo, ReadWriteSeekAndSize)
{
    HANDLE h = CreateFileW(u"\\io.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD done = 99;
    SetLastError(0xdeadbeef);
    EXPECT_TRUE(WriteFile(h, "0123456789", 10, &done, nullptr));
    EXPECT_EQ(done, 10u);
    EXPECT_EQ(GetLastError(), 0xdeadbeefu) << "success leaves the last error alone";

    DWORD high = 99;
    EXPECT_EQ(GetFileSize(h, &high), 10u);
    EXPECT_EQ(high, 0u);

    struct Seek
    {
        LONG distance;
        DWORD method;
        DWORD position;
    };
    const Seek seeks[] = {
        {0, FILE_CURRENT, 10}, {2, FILE_BEGIN, 2}, {3, FILE_CURRENT, 5}, {-1, FILE_END, 9}, {20, FILE_BEGIN, 20},
    };
    for (const Seek& s : seeks)
        EXPECT_EQ(SetFilePointer(h, s.distance, nullptr, s.method), s.position)
            << "distance " << s.distance << " method " << s.method;

    SetLastError(0xdeadbeef);
    EXPECT_EQ(SetFilePointer(h, -30, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NEGATIVE_SEEK));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, 7), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

    LONG distance_high = 0;
    EXPECT_EQ(SetFilePointer(h, 4, &distance_high, FILE_BEGIN), 4u);
    EXPECT_EQ(distance_high, 0);
    char buf[16] = {};
    EXPECT_TRUE(ReadFile(h, buf, 4, &done, nullptr));
    EXPECT_EQ(done, 4u);
    EXPECT_EQ(std::string(buf, 4), "4567");
    EXPECT_TRUE(ReadFile(h, buf, 16, &done, nullptr));
    EXPECT_EQ(done, 2u) << "a read stops at the end of the file";
    EXPECT_TRUE(ReadFile(h, buf, 16, &done, nullptr));
    EXPECT_EQ(done, 0u) << "reading at the end succeeds with 0 bytes";

    SetFilePointer(h, 6, nullptr, FILE_BEGIN);
    EXPECT_TRUE(SetEndOfFile(h));
    EXPECT_EQ(GetFileSize(h, nullptr), 6u);
    EXPECT_TRUE(FlushFileBuffers(h));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(get("io.bin"), "012345");
}

TEST(FileIo, AccessRightsAndBadHandles)
{
    put("r.txt", "abc");
    HANDLE r = CreateFileW(u"\\r.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE w = CreateFileW(u"\\w.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(r, INVALID_HANDLE_VALUE);
    ASSERT_NE(w, INVALID_HANDLE_VALUE);
    char buf[4];
    DWORD done = 7;
    auto run = [&](const char* what, auto call, DWORD error) {
        SetLastError(0xdeadbeef);
        BOOL ok = call();
        EXPECT_FALSE(ok) << what;
        EXPECT_EQ(GetLastError(), error) << what;
    };
    run("WriteFile on a read handle", [&] { return WriteFile(r, "x", 1, &done, nullptr); }, ERROR_ACCESS_DENIED);
    EXPECT_EQ(done, 0u);
    run("ReadFile on a write handle", [&] { return ReadFile(w, buf, 1, &done, nullptr); }, ERROR_ACCESS_DENIED);
    run("SetEndOfFile on a read handle", [&] { return SetEndOfFile(r); }, ERROR_ACCESS_DENIED);
    run("FlushFileBuffers on a read handle", [&] { return FlushFileBuffers(r); }, ERROR_ACCESS_DENIED);
    run("ReadFile into nullptr", [&] { return ReadFile(r, nullptr, 1, &done, nullptr); }, ERROR_INVALID_PARAMETER);
    run("ReadFile on nullptr", [&] { return ReadFile(nullptr, buf, 1, &done, nullptr); }, ERROR_INVALID_HANDLE);
    run("WriteFile on INVALID_HANDLE_VALUE", [&] { return WriteFile(INVALID_HANDLE_VALUE, "x", 1, &done, nullptr); },
        ERROR_INVALID_HANDLE);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(u"\\*", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    run("ReadFile on a find handle", [&] { return ReadFile(find, buf, 1, &done, nullptr); }, ERROR_INVALID_HANDLE);
    FindClose(find);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetFileSize(nullptr, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(CloseHandle(r));
    EXPECT_TRUE(CloseHandle(w));
    run("ReadFile on a closed handle", [&] { return ReadFile(r, buf, 1, &done, nullptr); }, ERROR_INVALID_HANDLE);
}

TEST(FileIo, NoHandleLeaks)
{
    size_t before = os::handle_count();
    for (int i = 0; i < 50; i++)
    {
        HANDLE h = CreateFileW(u"\\leak.txt", GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(CloseHandle(h));
    }
    EXPECT_EQ(os::handle_count(), before);
}

TEST(Names, DeleteFile)
{
    put("del/a.txt", "a");
    put("del/ro.txt", "r");
    SetFileAttributesW(u"\\del\\ro.txt", FILE_ATTRIBUTE_READONLY);
    struct Case
    {
        const WCHAR* path;
        BOOL result;
        DWORD error;
    };
    const Case cases[] = {
        {u"\\DEL\\A.TXT", TRUE, 0xdeadbeef},
        {u"\\del\\a.txt", FALSE, ERROR_FILE_NOT_FOUND},
        {u"\\nowhere\\a.txt", FALSE, ERROR_PATH_NOT_FOUND},
        {u"\\del", FALSE, ERROR_ACCESS_DENIED},
        {u"\\del\\ro.txt", FALSE, ERROR_ACCESS_DENIED},
        {nullptr, FALSE, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases)
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(DeleteFileW(c.path), c.result) << os::to_latin1(c.path);
        EXPECT_EQ(GetLastError(), c.error) << os::to_latin1(c.path);
    }
    EXPECT_FALSE(fs::exists(host("del/a.txt")));
    EXPECT_TRUE(fs::exists(host("del/ro.txt")));
}

TEST(Names, MoveFile)
{
    put("mv/a.txt", "A");
    put("mv/b.txt", "B");
    fs::create_directories(host("mv/dir"));
    struct Case
    {
        const WCHAR* from;
        const WCHAR* to;
        BOOL result;
        DWORD error;
    };
    const Case cases[] = {
        {u"\\mv\\a.txt", u"\\mv\\b.txt", FALSE, ERROR_ALREADY_EXISTS},
        {u"\\mv\\none.txt", u"\\mv\\c.txt", FALSE, ERROR_FILE_NOT_FOUND},
        {u"\\mv\\a.txt", u"\\nowhere\\c.txt", FALSE, ERROR_PATH_NOT_FOUND},
        {u"\\MV\\A.txt", u"\\mv\\dir\\moved.txt", TRUE, 0xdeadbeef},
        {u"\\mv\\dir", u"\\mv\\dir2", TRUE, 0xdeadbeef}, // folders move too
    };
    for (const Case& c : cases)
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(MoveFileW(c.from, c.to), c.result) << os::to_latin1(c.from) << " -> " << os::to_latin1(c.to);
        EXPECT_EQ(GetLastError(), c.error) << os::to_latin1(c.from) << " -> " << os::to_latin1(c.to);
    }
    EXPECT_EQ(get("mv/dir2/moved.txt"), "A");
    EXPECT_EQ(get("mv/b.txt"), "B");
}

TEST(Names, CopyFile)
{
    put("cp/a.txt", "alpha");
    put("cp/b.txt", "beta");
    put("cp/ro.txt", "ro");
    SetFileAttributesW(u"\\cp\\ro.txt", FILE_ATTRIBUTE_READONLY);
    struct Case
    {
        const WCHAR* from;
        const WCHAR* to;
        BOOL fail_if_exists;
        BOOL result;
        DWORD error;
    };
    const Case cases[] = {
        {u"\\cp\\a.txt", u"\\cp\\new.txt", TRUE, TRUE, 0xdeadbeef},
        {u"\\cp\\a.txt", u"\\cp\\b.txt", TRUE, FALSE, ERROR_FILE_EXISTS},
        {u"\\cp\\a.txt", u"\\cp\\b.txt", FALSE, TRUE, 0xdeadbeef},
        {u"\\cp\\a.txt", u"\\cp\\ro.txt", FALSE, FALSE, ERROR_ACCESS_DENIED},
        {u"\\cp\\none.txt", u"\\cp\\c.txt", FALSE, FALSE, ERROR_FILE_NOT_FOUND},
        {u"\\cp\\a.txt", u"\\nowhere\\c.txt", FALSE, FALSE, ERROR_PATH_NOT_FOUND},
        {u"\\cp", u"\\cp2", FALSE, FALSE, ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases)
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(CopyFileW(c.from, c.to, c.fail_if_exists), c.result)
            << os::to_latin1(c.from) << " -> " << os::to_latin1(c.to) << " fail_if_exists " << c.fail_if_exists;
        EXPECT_EQ(GetLastError(), c.error) << os::to_latin1(c.from) << " -> " << os::to_latin1(c.to);
    }
    EXPECT_EQ(get("cp/new.txt"), "alpha");
    EXPECT_EQ(get("cp/b.txt"), "alpha");
    EXPECT_EQ(get("cp/a.txt"), "alpha");
    EXPECT_EQ(get("cp/ro.txt"), "ro");
}

TEST(Folders, CreateAndRemove)
{
    put("full/x.txt", "x");
    put("plain.txt", "p");
    struct Case
    {
        const char* what;
        BOOL (*call)(const WCHAR*);
        const WCHAR* path;
        BOOL result;
        DWORD error;
    };
    auto create = [](const WCHAR* p) { return CreateDirectoryW(p, nullptr); };
    const Case cases[] = {
        {"create", create, u"\\New", TRUE, 0xdeadbeef},
        {"create again", create, u"\\NEW", FALSE, ERROR_ALREADY_EXISTS},
        {"create over a file", create, u"\\plain.txt", FALSE, ERROR_ALREADY_EXISTS},
        {"create nested", create, u"\\a\\b\\c", FALSE, ERROR_PATH_NOT_FOUND},
        {"create inside", create, u"\\new\\Inner", TRUE, 0xdeadbeef},
        {"remove non-empty", RemoveDirectoryW, u"\\new", FALSE, ERROR_DIR_NOT_EMPTY},
        {"remove inner, trailing separator", RemoveDirectoryW, u"\\new\\inner\\", TRUE, 0xdeadbeef},
        {"remove", RemoveDirectoryW, u"\\new", TRUE, 0xdeadbeef},
        {"remove missing", RemoveDirectoryW, u"\\new", FALSE, ERROR_FILE_NOT_FOUND},
        {"remove missing parent", RemoveDirectoryW, u"\\none\\x", FALSE, ERROR_PATH_NOT_FOUND},
        {"remove a file", RemoveDirectoryW, u"\\plain.txt", FALSE, ERROR_DIRECTORY},
        {"remove the root", RemoveDirectoryW, u"\\", FALSE, ERROR_ACCESS_DENIED},
        {"create nullptr", create, nullptr, FALSE, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases)
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(c.call(c.path), c.result) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
    EXPECT_TRUE(fs::is_directory(host("full")));
    EXPECT_FALSE(fs::exists(host("New")));
}

TEST(Attributes, GetAndSet)
{
    put("attr/f.txt", "f");
    struct Case
    {
        const WCHAR* path;
        DWORD attributes;
        DWORD error;
    };
    const Case cases[] = {
        {u"\\attr", FILE_ATTRIBUTE_DIRECTORY, 0xdeadbeef},
        {u"\\ATTR\\", FILE_ATTRIBUTE_DIRECTORY, 0xdeadbeef},
        {u"\\attr\\F.TXT", FILE_ATTRIBUTE_NORMAL, 0xdeadbeef},
        {u"\\", FILE_ATTRIBUTE_DIRECTORY, 0xdeadbeef},
        {u"\\attr\\none.txt", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {u"\\none\\none.txt", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {u"\\attr\\f.txt\\x", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {nullptr, INVALID_FILE_ATTRIBUTES, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases)
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(GetFileAttributesW(c.path), c.attributes) << os::to_latin1(c.path);
        EXPECT_EQ(GetLastError(), c.error) << os::to_latin1(c.path);
    }

    EXPECT_TRUE(SetFileAttributesW(u"\\attr\\f.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesW(u"\\attr\\f.txt"), DWORD(FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(SetFileAttributesW(u"\\attr\\f.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesW(u"\\attr\\f.txt"), DWORD(FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFileW(u"\\attr\\f.txt")) << "clearing read-only allows deleting again";
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetFileAttributesW(u"\\attr\\f.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

std::set<std::string> list(const WCHAR* pattern, DWORD* error)
{
    std::set<std::string> names;
    WIN32_FIND_DATAW data;
    SetLastError(0xdeadbeef);
    HANDLE h = FindFirstFileW(pattern, &data);
    if (h == INVALID_HANDLE_VALUE)
    {
        *error = GetLastError();
        return names;
    }
    do
        names.insert(os::to_latin1(data.cFileName));
    while (FindNextFileW(h, &data));
    *error = GetLastError();
    EXPECT_TRUE(FindClose(h));
    return names;
}

TEST(Find, Patterns)
{
    for (const char* name : {"a.txt", "B.TXT", "c.dat", "README", "ab.txt.bak", "x1.txt", "x22.txt"})
        put(std::string("find/") + name, name);
    fs::create_directories(host("find/Sub"));
    struct Case
    {
        const WCHAR* pattern;
        std::set<std::string> names;
        DWORD error;
    };
    const Case cases[] = {
        {u"\\find\\*", {"a.txt", "B.TXT", "c.dat", "README", "ab.txt.bak", "x1.txt", "x22.txt", "Sub"},
         ERROR_NO_MORE_FILES},
        {u"\\find\\*.*", {"a.txt", "B.TXT", "c.dat", "README", "ab.txt.bak", "x1.txt", "x22.txt", "Sub"},
         ERROR_NO_MORE_FILES},
        {u"\\find\\*.txt", {"a.txt", "B.TXT", "x1.txt", "x22.txt"}, ERROR_NO_MORE_FILES},
        {u"\\find\\x?.txt", {"x1.txt"}, ERROR_NO_MORE_FILES},
        {u"\\find\\readme", {"README"}, ERROR_NO_MORE_FILES},
        {u"\\FIND\\*.DAT", {"c.dat"}, ERROR_NO_MORE_FILES},
        {u"/find//*.bak", {"ab.txt.bak"}, ERROR_NO_MORE_FILES},
        {u"\\find/\\c.*", {"c.dat"}, ERROR_NO_MORE_FILES},
        {u"\\find\\*.png", {}, ERROR_FILE_NOT_FOUND},
        {u"\\nowhere\\*.*", {}, ERROR_PATH_NOT_FOUND},
        {u"\\find\\sub\\*", {}, ERROR_FILE_NOT_FOUND}, // "." and ".." are not listed
    };
    for (const Case& c : cases)
    {
        DWORD error = 0;
        EXPECT_EQ(list(c.pattern, &error), c.names) << os::to_latin1(c.pattern);
        EXPECT_EQ(error, c.error) << os::to_latin1(c.pattern);
    }
}

TEST(Find, DataAndHandles)
{
    put("fd/five.bin", "12345");
    fs::create_directories(host("fd/Dir"));
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW(u"\\fd\\*", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(os::to_latin1(data.cFileName), "Dir") << "entries come sorted by name";
    EXPECT_EQ(data.dwFileAttributes, DWORD(FILE_ATTRIBUTE_DIRECTORY));
    ASSERT_TRUE(FindNextFileW(h, &data));
    EXPECT_EQ(os::to_latin1(data.cFileName), "five.bin");
    EXPECT_EQ(data.dwFileAttributes, DWORD(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_EQ(data.cAlternateFileName[0], 0);
    EXPECT_GT(data.ftLastWriteTime.dwHighDateTime, 0x01D00000u) << "times count from 1601";
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(FindNextFileW(h, &data));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(h));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(FindClose(h));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));

    HANDLE file = CreateFileW(u"\\fd\\five.bin", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(FindNextFileW(file, &data)) << "a file handle is not a find handle";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(FindClose(file));
    EXPECT_TRUE(CloseHandle(file));

    SetLastError(0xdeadbeef);
    EXPECT_EQ(FindFirstFileW(nullptr, &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(Find, DeleteEveryListedFile)
{
    // The resource loader empties its temporary folder this way, with a
    // pattern built from a folder that ends in '/'.
    for (int i = 0; i < 5; i++)
        put("Kalmir.tmp/part" + std::to_string(i) + ".tmp", "x");
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW(u"\\Kalmir.tmp/\\*.*", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    int deleted = 0;
    do
    {
        std::u16string path = u"\\Kalmir.tmp/\\" + std::u16string(data.cFileName);
        deleted += DeleteFileW(path.c_str()) ? 1 : 0;
    } while (FindNextFileW(h, &data));
    FindClose(h);
    EXPECT_EQ(deleted, 5);
    EXPECT_TRUE(RemoveDirectoryW(u"\\Kalmir.tmp\\"));
}

} // namespace
