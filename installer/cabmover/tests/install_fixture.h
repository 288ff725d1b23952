// install_fixture.h -- a desktop for the installer's tests: the application
// manager's App Paths entry, the Uninstall key, a recorded program start and
// recorded message boxes
#pragma once

#include "installer/cabmover/cabmover.h"
#include "os/testing/host.h"
#include "os/testing/kernel.h"

#include <os/wstring.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace cabmover_test {

const char16_t kAppPaths[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";
const char16_t kUninstall[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kManager[] = "\\Desktop\\AppMgr\\CEAPPMGR.EXE";
const char kFolder[] = "\\Desktop\\AppMgr\\Game";

struct Start
{
    std::u16string program;
    std::u16string arguments;
};

inline std::string host(const std::string& device_path)
{
    return os::path::to_host(os::to_u16(device_path));
}

inline bool exists(const std::string& device_path)
{
    return std::filesystem::exists(host(device_path));
}

inline std::string read(const std::string& device_path)
{
    std::ifstream in(host(device_path), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::string resource(int type, int id)
{
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(type));
    if (!found)
        return "";
    return std::string((const char*)LockResource(LoadResource(nullptr, found)), SizeofResource(nullptr, found));
}

inline LONG set_text(const char16_t* key_name, const char16_t* value_name, const std::u16string& value,
                     bool with_nul = true)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = RegSetValueExW(key, value_name, 0, REG_SZ, (const BYTE*)value.c_str(),
                        DWORD((value.size() + (with_nul ? 1 : 0)) * sizeof(WCHAR)));
    RegCloseKey(key);
    return rc;
}

inline std::u16string get_text(const std::u16string& key_name, const char16_t* value_name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_name.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return u"<no key>";
    WCHAR value[600] = {};
    DWORD size = sizeof(value) - sizeof(WCHAR);
    DWORD type = 0;
    LONG rc = RegQueryValueExW(key, value_name, nullptr, &type, (LPBYTE)value, &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_SZ ? std::u16string(value) : u"<no value>";
}

inline void delete_key(const char16_t* name)
{
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, name);
}

inline std::string text_of(UINT id)
{
    char text[cabmover::kTextSize];
    cabmover::LoadText(text, id);
    return text;
}

class Desktop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        os::device::use_desktop_screen();
        CreateDirectoryA("\\Desktop", nullptr);
        CreateDirectoryA("\\Desktop\\AppMgr", nullptr);
        ASSERT_EQ(set_text(kAppPaths, nullptr, os::to_u16(kManager)), ERROR_SUCCESS);
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstall, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        os::process::set_create_process_hook([this](const std::u16string& program, const std::u16string& arguments) {
            starts.push_back({program, arguments});
            return TRUE;
        });
        os::host::headless::clear_boxes();
    }

    void TearDown() override { os::process::set_create_process_hook({}); }

    // The boxes shown so far, as "caption: text".
    std::vector<std::string> boxes() const
    {
        std::vector<std::string> out;
        for (const auto& b : os::host::headless::boxes())
            out.push_back(os::to_latin1(b.caption) + ": " + os::to_latin1(b.text));
        return out;
    }

    std::vector<std::string> written() const
    {
        std::vector<std::string> out;
        for (const char* name : {"ravenor.ini", "Uninstall.exe", "ravenor.CAB", "icon1.ico"})
            if (std::filesystem::is_regular_file(host(std::string(kFolder) + "\\" + name)))
                out.push_back(name);
        return out;
    }

    void expect_installed() const
    {
        EXPECT_EQ(written(), (std::vector<std::string>{"ravenor.ini", "Uninstall.exe", "ravenor.CAB", "icon1.ico"}));
        for (int id = 1; id <= 4; ++id)
        {
            std::string name = resource(cabmover::kNameType, id);
            name.resize(name.find('\0'));
            EXPECT_EQ(read(std::string(kFolder) + "\\" + name), resource(cabmover::kPayloadType, id)) << name;
        }
        ASSERT_EQ(starts.size(), 1u);
        EXPECT_EQ(starts[0].program, os::to_u16(kManager));
        EXPECT_EQ(starts[0].arguments, u"\"\\Desktop\\AppMgr\\Game\\ravenor.ini\"");
        std::u16string entry = std::u16string(kUninstall) + u"\\Game";
        EXPECT_EQ(get_text(entry, u"DisplayName"), u"Game");
        EXPECT_EQ(get_text(entry, u"UninstallString"), u"\"\\Desktop\\AppMgr\\Game\\Uninstall.exe\" Game");
    }

    void expect_nothing_installed() const
    {
        EXPECT_TRUE(starts.empty()) << "the manager was started";
        EXPECT_FALSE(exists(kFolder)) << "the install folder was made";
        EXPECT_EQ(get_text(std::u16string(kUninstall) + u"\\Game", u"DisplayName"), u"<no key>");
    }

    std::vector<Start> starts;
};

} // namespace cabmover_test
