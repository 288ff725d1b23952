// ansi_test.cpp -- the ANSI wrappers: strings, wsprintfA, registry, files,
// windows, fonts, message boxes and WinExec
#include "os/host/headless.h"
#include "os/kernel/path.h"
#include "os/kernel/process_private.h"

#include <os/desktop.h>
#include <os/sync.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

TEST(AnsiStrings, CopyCountAndJoin)
{
    struct Case
    {
        const char* src;
        int size;
        const char* expected;
    };
    const Case cases[] = {
        {"Game", 10, "Game"}, {"Game", 5, "Game"}, {"Game", 4, "Gam"}, {"Game", 1, ""}, {"", 3, ""},
    };
    for (const Case& c : cases)
    {
        char buffer[16];
        std::memset(buffer, 'Z', sizeof(buffer));
        EXPECT_EQ(lstrcpynA(buffer, c.src, c.size), buffer);
        EXPECT_STREQ(buffer, c.expected) << c.src << " into " << c.size;
    }
    char buffer[16] = "x";
    EXPECT_EQ(lstrcpynA(buffer, "abc", 0), nullptr) << "a size of 0 copies nothing";
    EXPECT_STREQ(lstrcatA(lstrcpyA(buffer, "C:\\"), "Game"), "C:\\Game");
    EXPECT_EQ(lstrlenA(buffer), 7);
    EXPECT_EQ(lstrlenA(nullptr), 0);
}

TEST(AnsiStrings, Wsprintf)
{
    char buffer[1100];
    auto check = [&](int n, const char* expected) {
        EXPECT_STREQ(buffer, expected);
        EXPECT_EQ(n, int(std::strlen(expected)));
    };
    check(wsprintfA(buffer, "%s\\Uninstall.exe %s", "C:\\AppMgr\\Game", "Game"), "C:\\AppMgr\\Game\\Uninstall.exe Game");
    check(wsprintfA(buffer, "[%5d|%-4s|%04x|%X|%u]", -42, "ab", 0xbe, 0xCAFEu, 7u), "[  -42|ab  |00be|CAFE|7]");
    check(wsprintfA(buffer, "%lu%% %ld %c", 99ul, -5l, 'q'), "99% -5 q");
    check(wsprintfA(buffer, "%q %", 1), "%q %");
    check(wsprintfA(buffer, "%s", (const char*)nullptr), "(null)");
    std::string big(2000, 'x');
    int n = wsprintfA(buffer, "%s", big.c_str());
    EXPECT_EQ(n, 1023) << "the output stops at 1024 bytes with the NUL";
    EXPECT_EQ(std::strlen(buffer), 1023u);
}

TEST(AnsiRegistry, TextValuesRoundTripWithAnsiSizes)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Test", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, DWORD(REG_CREATED_NEW_KEY));
    const char text[] = "C:\\Caf\xe9\\CEAPPMGR.EXE";
    ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, (const BYTE*)text, sizeof(text)), ERROR_SUCCESS);
    DWORD dword = 0x12345678;
    ASSERT_EQ(RegSetValueExA(key, "Count", 0, REG_DWORD, (const BYTE*)&dword, 4), ERROR_SUCCESS);
    RegCloseKey(key);

    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\TEST", 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, DWORD(sizeof(text)));
    EXPECT_EQ(type, DWORD(REG_SZ));
    char small[8];
    size = sizeof(small);
    EXPECT_EQ(RegQueryValueExA(key, "", nullptr, &type, (LPBYTE)small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, DWORD(sizeof(text)));
    char value[64] = {};
    size = sizeof(value);
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, (LPBYTE)value, &size), ERROR_SUCCESS);
    EXPECT_STREQ(value, text);
    DWORD got = 0;
    size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "count", nullptr, &type, (LPBYTE)&got, &size), ERROR_SUCCESS);
    EXPECT_EQ(got, dword);
    EXPECT_EQ(type, DWORD(REG_DWORD));
    EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, &type, (LPBYTE)value, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);

    // The wide side sees the same text.
    WCHAR wide[64] = {};
    size = sizeof(wide);
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Test", 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, &type, (LPBYTE)wide, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(wide), u"C:\\Caf\u00e9\\CEAPPMGR.EXE");
    RegCloseKey(key);
}

TEST(AnsiFiles, CreateFolderAndFile)
{
    SetLastError(0xdeadbeef);
    ASSERT_TRUE(CreateDirectoryA("\\Install", nullptr));
    EXPECT_FALSE(CreateDirectoryA("\\Install", nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(CreateDirectoryA("\\Missing\\Install", nullptr));

    for (const char* content : {"a longer first text", "short"})
    {
        HANDLE f = CreateFileA("\\Install\\Caf\xe9.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(f, content, DWORD(std::strlen(content)), &written, nullptr));
        CloseHandle(f);
    }
    std::ifstream in(os::path::to_host(u"\\Install\\Caf\u00e9.txt"), std::ios::binary);
    std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(got, "short") << "CREATE_ALWAYS replaces an existing file";
}

TEST(AnsiWindows, TextsAreLatin1)
{
    HWND hwnd = CreateWindowExA(0, "STATIC", "Caf\xe9", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    WCHAR wide[16] = {};
    GetWindowTextW(hwnd, wide, 16);
    EXPECT_EQ(std::u16string(wide), u"Caf\u00e9");
    EXPECT_TRUE(SetWindowTextA(hwnd, "Game"));
    char text[16];
    EXPECT_EQ(GetWindowTextA(hwnd, text, sizeof(text)), 4);
    EXPECT_STREQ(text, "Game");
    EXPECT_EQ(GetWindowTextA(hwnd, text, 3), 2);
    EXPECT_STREQ(text, "Ga");
    EXPECT_EQ(SendMessageA(hwnd, WM_SETTEXT, 0, (LPARAM) "Wizard"), TRUE);
    EXPECT_EQ(SendMessageA(hwnd, WM_GETTEXT, sizeof(text), (LPARAM)text), 6);
    EXPECT_STREQ(text, "Wizard");
    DestroyWindow(hwnd);
    EXPECT_EQ(GetWindowTextA(hwnd, text, sizeof(text)), 0);
}

TEST(AnsiFonts, LogfontRoundTrip)
{
    LOGFONTA lf{};
    lf.lfHeight = -11;
    lf.lfWeight = 600;
    lstrcpyA(lf.lfFaceName, "MS Sans Serif");
    HFONT font = CreateFontIndirectA(&lf);
    ASSERT_NE(font, nullptr);
    LOGFONTA back{};
    EXPECT_EQ(GetObjectA(font, sizeof(back), &back), int(sizeof(LOGFONTA)));
    EXPECT_EQ(back.lfHeight, -11);
    EXPECT_EQ(back.lfWeight, 600);
    EXPECT_STREQ(back.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(GetObjectA(font, 0, nullptr), int(sizeof(LOGFONTA)));
    DeleteObject(font);
    EXPECT_EQ(CreateFontIndirectA(nullptr), nullptr);
}

TEST(AnsiMessageBox, IsRecordedWide)
{
    os::host::headless::clear_boxes();
    EXPECT_EQ(MessageBoxA(nullptr, "Could not write uninstall information.", "Cabmover", MB_OK | MB_ICONERROR), IDOK);
    ASSERT_EQ(os::host::headless::boxes().size(), 1u);
    EXPECT_EQ(os::host::headless::boxes()[0].text, u"Could not write uninstall information.");
    EXPECT_EQ(os::host::headless::boxes()[0].caption, u"Cabmover");
    EXPECT_EQ(os::host::headless::boxes()[0].flags, UINT(MB_OK | MB_ICONERROR));
}

TEST(AnsiWinExec, SplitsTheProgramFromItsArguments)
{
    struct Case
    {
        const char* command;
        std::u16string program;
        std::u16string arguments;
    };
    const Case cases[] = {
        {"\\AppMgr\\CEAPPMGR.EXE \"\\AppMgr\\Game\\ravenor.ini\"", u"\\AppMgr\\CEAPPMGR.EXE",
         u"\"\\AppMgr\\Game\\ravenor.ini\""},
        {"\"\\Program Files\\Mgr\\CEAPPMGR.EXE\" \"\\Program Files\\Mgr\\Game\\ravenor.ini\"",
         u"\\Program Files\\Mgr\\CEAPPMGR.EXE", u"\"\\Program Files\\Mgr\\Game\\ravenor.ini\""},
        {"\\Tool", u"\\Tool", u""},
    };
    for (const Case& c : cases)
    {
        std::u16string program, arguments;
        os::process::set_create_process_hook([&](const std::u16string& a, const std::u16string& l) {
            program = a;
            arguments = l;
            return TRUE;
        });
        EXPECT_GT(WinExec(c.command, SW_SHOW), 31u) << c.command;
        EXPECT_EQ(program, c.program) << c.command;
        EXPECT_EQ(arguments, c.arguments) << c.command;
    }
    os::process::set_create_process_hook({});
    EXPECT_EQ(WinExec("\\No\\Such\\Program \"x\"", SW_SHOW), UINT(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(WinExec(nullptr, SW_SHOW), 0u);
}

} // namespace
