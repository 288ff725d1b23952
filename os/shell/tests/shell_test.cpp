// Conformance tests of the shell library: full-screen state, the input
// panel, the documents folder and configuration documents.
#include "os/host/headless.h"
#include "os/kernel/module_private.h"
#include "os/kernel/path.h"
#include "os/shell/shell_private.h"

#include <os/module.h>
#include <os/shell.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const HWND kMain = reinterpret_cast<HWND>(uintptr_t(0x100));
const HWND kOther = reinterpret_cast<HWND>(uintptr_t(0x200));
const HWND kThird = reinterpret_cast<HWND>(uintptr_t(0x300));

TEST(SHFullScreen, StateFollowsFlags)
{
    struct Step
    {
        DWORD flags;
        bool taskbar_hidden, sip_button_hidden, start_icon_hidden;
    };
    const Step steps[] = {
        {SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON, true, true, true}, // 0x2A on activation
        {SHFS_SHOWSIPBUTTON, true, false, true},                                         // an edit gets the focus
        {SHFS_HIDESIPBUTTON, true, true, true},                                          // and loses it
        {SHFS_SHOWTASKBAR | SHFS_SHOWSIPBUTTON | SHFS_SHOWSTARTICON, false, false, false}, // 0x15 on deactivation
        {SHFS_HIDESTARTICON, false, false, true},
        {0, false, false, true},
    };
    int calls = 0;
    for (const Step& s : steps)
    {
        SetLastError(0xdeadbeef);
        EXPECT_TRUE(SHFullScreen(kMain, s.flags)) << "flags " << s.flags;
        os::shell::FullScreenState state = os::shell::fullscreen_state(kMain);
        EXPECT_EQ(state.taskbar_hidden, s.taskbar_hidden) << "flags " << s.flags;
        EXPECT_EQ(state.sip_button_hidden, s.sip_button_hidden) << "flags " << s.flags;
        EXPECT_EQ(state.start_icon_hidden, s.start_icon_hidden) << "flags " << s.flags;
        EXPECT_EQ(state.last_flags, s.flags);
        EXPECT_EQ(state.calls, ++calls);
    }
    os::shell::FullScreenState other = os::shell::fullscreen_state(kOther);
    EXPECT_FALSE(other.taskbar_hidden || other.sip_button_hidden || other.start_icon_hidden)
        << "another window keeps its own state";
    EXPECT_EQ(other.calls, 0);
}

TEST(SHFullScreen, Errors)
{
    SHFullScreen(kThird, SHFS_HIDETASKBAR);
    struct Case
    {
        const char* name;
        HWND window;
        DWORD flags;
        DWORD error;
    };
    const Case cases[] = {
        {"no window", nullptr, SHFS_HIDETASKBAR, ERROR_INVALID_WINDOW_HANDLE},
        {"show and hide the task bar", kThird, SHFS_SHOWTASKBAR | SHFS_HIDETASKBAR, ERROR_INVALID_PARAMETER},
        {"show and hide the start icon", kThird, SHFS_SHOWSTARTICON | SHFS_HIDESTARTICON | SHFS_HIDESIPBUTTON,
         ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases)
    {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(SHFullScreen(c.window, c.flags)) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
    os::shell::FullScreenState state = os::shell::fullscreen_state(kThird);
    EXPECT_TRUE(state.taskbar_hidden);
    EXPECT_FALSE(state.sip_button_hidden) << "a refused call changes nothing";
    EXPECT_EQ(state.calls, 1);
}

TEST(SHSipPreference, DrivesHostTextInput)
{
    EXPECT_EQ(os::shell::sip_state(), SIP_UNCHANGED);
    struct Step
    {
        SIPSTATE state;
        int host_input; // headless: 1 on, 0 off, -1 never asked
    };
    const Step steps[] = {
        {SIP_UNCHANGED, -1}, {SIP_UP, 1}, {SIP_UNCHANGED, 1}, {SIP_DOWN, 0}, {SIP_INPUTDIALOG, 1}, {SIP_FORCEDOWN, 0},
    };
    for (const Step& s : steps)
    {
        EXPECT_TRUE(SHSipPreference(kMain, s.state)) << "state " << s.state;
        EXPECT_EQ(os::shell::sip_state(), s.state);
        EXPECT_EQ(os::host::headless::text_input_state(), s.host_input) << "state " << s.state;
    }
    for (int bad : {-1, 5, 99})
    {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(SHSipPreference(kMain, SIPSTATE(bad))) << bad;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    }
    EXPECT_EQ(os::shell::sip_state(), SIP_FORCEDOWN) << "refused calls change nothing";
}

TEST(SHGetSpecialFolderPath, DocumentsFolder)
{
    std::string host_docs = os::path::device_root() + "/My Documents";
    std::filesystem::remove_all(host_docs);
    WCHAR path[MAX_PATH] = {};
    SetLastError(0xdeadbeef);
    ASSERT_TRUE(SHGetSpecialFolderPath(nullptr, path, CSIDL_PERSONAL, TRUE));
    EXPECT_EQ(std::u16string(path), u"\\My Documents");
    EXPECT_TRUE(std::filesystem::is_directory(host_docs)) << "created when missing";
}

TEST(SHGetSpecialFolderPath, DocumentsFromEnvironment)
{
    setenv("OS_DOCUMENTS", "\\Data\\Player 2", 1);
    WCHAR path[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_PERSONAL, TRUE));
    EXPECT_EQ(std::u16string(path), u"\\Data\\Player 2");
    EXPECT_TRUE(std::filesystem::is_directory(os::path::device_root() + "/Data/Player 2"));
    unsetenv("OS_DOCUMENTS");
}

TEST(SHGetSpecialFolderPath, OtherFoldersFail)
{
    for (int folder : {0, 0x26, 0x1a, -1})
    {
        WCHAR path[MAX_PATH] = {u'#', 0};
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(SHGetSpecialFolderPath(nullptr, path, folder, TRUE)) << "folder " << folder;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
        EXPECT_EQ(path[0], u'#') << "nothing written";
    }
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SHGetSpecialFolderPath(nullptr, nullptr, CSIDL_PERSONAL, TRUE));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

TEST(DMProcessConfigXML, RecordsAndEchoes)
{
    const std::u16string documents[] = {
        u"<wap-provisioningdoc><characteristic type=\"Sounds\"><parm name=\"ModeGSM\" value=\"0\"/>"
        u"</characteristic></wap-provisioningdoc>",
        u"<wap-provisioningdoc/>",
    };
    for (const auto& d : documents)
    {
        LPWSTR out = nullptr;
        EXPECT_EQ(DMProcessConfigXML(d.c_str(), CFGFLAG_PROCESS, &out), S_OK);
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(std::u16string(out), d);
        delete[] out; // as the caller frees it on the device
    }
    auto recorded = os::shell::config_documents();
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0], documents[0]);
    EXPECT_EQ(recorded[1], documents[1]);
    LPWSTR out = nullptr;
    EXPECT_EQ(DMProcessConfigXML(nullptr, CFGFLAG_PROCESS, &out), E_INVALIDARG);
    EXPECT_EQ(DMProcessConfigXML(u"<x/>", CFGFLAG_PROCESS, nullptr), E_INVALIDARG);
    EXPECT_EQ(DMProcessConfigXML(u"<x/>", 0, &out), E_INVALIDARG);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(os::shell::config_documents().size(), 2u) << "refused documents are not recorded";
}

TEST(Aygshell, BoundByOrdinalAndName)
{
    os::shell::register_library();
    HMODULE shell = LoadLibraryW(u"aygshell.dll");
    ASSERT_NE(shell, nullptr);
    struct Case
    {
        WORD ordinal;
        const char* name;
        FARPROC direct;
    };
    const Case cases[] = {
        {65, "SHFullScreen", os::module::proc(SHFullScreen)},
        {21, "SHSipPreference", os::module::proc(SHSipPreference)},
        {295, "SHGetSpecialFolderPath", os::module::proc(SHGetSpecialFolderPathW)},
        {0, "DMProcessConfigXML", os::module::proc(DMProcessConfigXML)},
    };
    for (const Case& c : cases)
    {
        if (c.ordinal)
        {
            EXPECT_EQ(GetProcAddress(shell, (LPCWSTR)(uintptr_t)c.ordinal), c.direct) << "ordinal " << c.ordinal;
        }
        EXPECT_EQ(GetProcAddress(shell, c.name), c.direct) << c.name;
    }
    using FullScreen = BOOL (*)(HWND, DWORD);
    auto bound = reinterpret_cast<FullScreen>(reinterpret_cast<void (*)()>(GetProcAddress(shell, (LPCSTR)65)));
    EXPECT_TRUE(bound(kOther, 0x2A));
    EXPECT_TRUE(os::shell::fullscreen_state(kOther).taskbar_hidden);
    FreeLibrary(shell);
}

} // namespace
