// install_test.cpp -- writing the payload, the uninstall entry, starting
// the manager, and every failure's message box
#include "installer/cabmover/tests/install_fixture.h"

#include "os/testing/desktop.h"

#include <cstring>
#include <functional>
#include <sstream>

namespace {

using namespace cabmover_test;

using InstallPayloadTest = Desktop;

TEST_F(InstallPayloadTest, WritesThePayloadRegistersAndStartsTheManager)
{
    EXPECT_GT(cabmover::InstallPayload("Game"), 31u);
    expect_installed();
    EXPECT_TRUE(boxes().empty());
}

TEST_F(InstallPayloadTest, TheManagerFileNamesComponentIconAndCabinet)
{
    std::string ini = resource(cabmover::kPayloadType, 1);
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t end; (end = ini.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(ini.substr(at, end - at));
    EXPECT_EQ(at, ini.size()) << "every line ends with CR LF";
    EXPECT_EQ(lines, (std::vector<std::string>{"[CEAppManager]", "Version = 1.0", "Component = Game", "", "[Game]",
                                               "Description = Ravenor Demo", "IconFile = icon1.ico",
                                               "CabFiles = ravenor.CAB"}));
    EXPECT_EQ(resource(cabmover::kPayloadType, 3).substr(0, 4), "MSCF");
    EXPECT_EQ(resource(cabmover::kComponentType, 2), std::string("Game", 5));
    std::string licence = resource(cabmover::kLicenceType, 5);
    EXPECT_EQ(licence.back(), '\0');
    EXPECT_EQ(licence.find('\0'), licence.size() - 1) << "the licence text ends at its only NUL";
}

TEST_F(InstallPayloadTest, ReplacesExistingFilesWithoutAsking)
{
    CreateDirectoryA(kFolder, nullptr);
    std::ofstream(host(std::string(kFolder) + "\\ravenor.ini")) << std::string(5000, 'x');
    EXPECT_GT(cabmover::InstallPayload("Game"), 31u);
    expect_installed();
}

TEST_F(InstallPayloadTest, ManagerPathWithoutItsNulStillWorks)
{
    ASSERT_EQ(set_text(kAppPaths, nullptr, os::to_u16(kManager), false), ERROR_SUCCESS);
    EXPECT_GT(cabmover::InstallPayload("Game"), 31u);
    expect_installed();
}

TEST_F(InstallPayloadTest, BlanksInTheManagerPathAreQuoted)
{
    CreateDirectoryA("\\Program Files", nullptr);
    CreateDirectoryA("\\Program Files\\Microsoft ActiveSync", nullptr);
    set_text(kAppPaths, nullptr, u"\\Program Files\\Microsoft ActiveSync\\CEAPPMGR.EXE");
    EXPECT_GT(cabmover::InstallPayload("Game"), 31u);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].program, u"\\Program Files\\Microsoft ActiveSync\\CEAPPMGR.EXE");
    EXPECT_EQ(starts[0].arguments, u"\"\\Program Files\\Microsoft ActiveSync\\Game\\ravenor.ini\"");
    EXPECT_EQ(get_text(std::u16string(kUninstall) + u"\\Game", u"UninstallString"),
              u"\"\\Program Files\\Microsoft ActiveSync\\Game\\Uninstall.exe\" Game");
}

// Each failure: what breaks, the one message box, what is left on disk
// (nothing is cleaned up) and whether the manager still starts.
struct Failure
{
    const char* what;
    std::function<void()> breakage;
    std::vector<std::string> boxes;
    std::vector<std::string> left;
    bool started;
};

std::string folder_box(UINT id)
{
    return std::string(kFolder) + ": " + text_of(id);
}

std::string plain_box(UINT id)
{
    return "Cabmover: " + text_of(id);
}

TEST_F(InstallPayloadTest, EachFailureEndsWithItsMessage)
{
    std::string long_folder = "\\" + std::string(250, 'd');
    const std::vector<std::string> all = {"ravenor.ini", "Uninstall.exe", "ravenor.CAB", "icon1.ico"};
    const Failure failures[] = {
        {"no App Paths entry", [] { delete_key(kAppPaths); }, {plain_box(cabmover::kNoManager)}, {}, false},
        {"path without a backslash", [] { set_text(kAppPaths, nullptr, u"CEAPPMGR.EXE"); },
         {plain_box(cabmover::kNoManager)}, {}, false},
        {"path that is not a text",
         [] {
             HKEY key = nullptr;
             RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAppPaths, 0, KEY_ALL_ACCESS, &key);
             DWORD one = 1;
             RegSetValueExW(key, nullptr, 0, REG_DWORD, (const BYTE*)&one, 4);
             RegCloseKey(key);
         },
         {plain_box(cabmover::kNoManager)}, {}, false},
        {"manager folder missing", [] { set_text(kAppPaths, nullptr, u"\\Nowhere\\AppMgr\\CEAPPMGR.EXE"); },
         {"\\Nowhere\\AppMgr\\Game: " + text_of(cabmover::kNoFolder)}, {}, false},
        {"manager path longer than a path",
         [&] { set_text(kAppPaths, nullptr, os::to_u16(long_folder + "\\CEAPPMGR.EXE")); },
         {plain_box(cabmover::kNoManager)}, {}, false},
        {"install folder is a file", [] { std::ofstream(host(kFolder)) << "x"; },
         {folder_box(cabmover::kWriteFailed)}, {}, false},
        {"cabinet cannot be created",
         [] {
             CreateDirectoryA(kFolder, nullptr);
             CreateDirectoryA((std::string(kFolder) + "\\ravenor.CAB").c_str(), nullptr);
         },
         {folder_box(cabmover::kWriteFailed)}, {"ravenor.ini", "Uninstall.exe"}, false},
        {"name of payload 2 missing", [] { os::desktop::remove_resource(cabmover::kNameType, 2); },
         {folder_box(cabmover::kWriteFailed)}, {"ravenor.ini"}, false},
        {"gap at payload 3", [] { os::desktop::remove_resource(cabmover::kPayloadType, 3); }, {},
         {"ravenor.ini", "Uninstall.exe"}, true},
        {"Uninstall key missing", [] {
             delete_key((std::u16string(kUninstall) + u"\\Game").c_str());
             delete_key(kUninstall);
         }, {plain_box(cabmover::kNoUninstall)}, all, true},
    };
    for (const Failure& f : failures)
    {
        SCOPED_TRACE(f.what);
        // Each case starts from a whole desktop again.
        std::filesystem::remove_all(host(kFolder));
        std::string names[5], payloads[5];
        for (int id = 1; id <= 4; ++id)
            names[id] = resource(cabmover::kNameType, id), payloads[id] = resource(cabmover::kPayloadType, id);
        starts.clear();
        os::host::headless::clear_boxes();

        f.breakage();
        UINT result = cabmover::InstallPayload("Game");
        EXPECT_EQ(boxes(), f.boxes);
        EXPECT_EQ(written(), f.left);
        EXPECT_EQ(!starts.empty(), f.started);
        EXPECT_EQ(result > 31, f.started);

        // Mend what the case broke.
        for (int id = 1; id <= 4; ++id)
        {
            os::desktop::add_resource(cabmover::kNameType, id, std::vector<uint8_t>(names[id].begin(), names[id].end()));
            os::desktop::add_resource(cabmover::kPayloadType, id,
                                      std::vector<uint8_t>(payloads[id].begin(), payloads[id].end()));
        }
        set_text(kAppPaths, nullptr, os::to_u16(kManager));
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstall, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        RegCloseKey(key);
        std::filesystem::remove_all(host(kFolder));
    }
}

TEST_F(InstallPayloadTest, FolderLongerThanAPathIsRefused)
{
    std::string dir = "\\" + std::string(200, 'd');
    CreateDirectoryA(dir.c_str(), nullptr);
    set_text(kAppPaths, nullptr, os::to_u16(dir + "\\CEAPPMGR.EXE"));
    std::string component(80, 'c');
    EXPECT_EQ(cabmover::InstallPayload(component.c_str()), 0u);
    EXPECT_EQ(boxes(), std::vector<std::string>{dir + "\\CEAPPMGR.EXE: " + text_of(cabmover::kNoFolder)});
    EXPECT_TRUE(starts.empty());
}

TEST_F(InstallPayloadTest, PayloadFileReportsMissingAndFailedApart)
{
    CreateDirectoryA(kFolder, nullptr);
    bool error = true;
    EXPECT_EQ(cabmover::WritePayloadFile(9, kFolder, &error), 0);
    EXPECT_FALSE(error) << "no payload 9: the normal end of the list";
    EXPECT_EQ(cabmover::WritePayloadFile(1, kFolder, &error), 1);
    EXPECT_FALSE(error);
    os::desktop::remove_resource(cabmover::kNameType, 4);
    EXPECT_EQ(cabmover::WritePayloadFile(4, kFolder, &error), 0);
    EXPECT_TRUE(error) << "a payload without its name";
    EXPECT_EQ(cabmover::WritePayloadFile(2, "\\No\\Such\\Folder", &error), 0);
    EXPECT_TRUE(error) << "a file that cannot be created";
}

TEST_F(InstallPayloadTest, ResourceTextsStopAtTheirNulOrFail)
{
    os::desktop::add_resource(150, 1, std::vector<uint8_t>{'a', 'b', 0, 'c'});
    os::desktop::add_resource(150, 2, std::vector<uint8_t>{'a', 'b', 'c'});
    struct Case
    {
        int id;
        int length;
        bool ok;
        const char* text;
    };
    const Case cases[] = {
        {1, 10, true, "ab"}, {1, 3, true, "ab"}, {1, 2, false, ""}, {2, 10, false, ""}, {3, 10, false, ""},
    };
    for (const Case& c : cases)
    {
        char buffer[16];
        std::memset(buffer, 'Z', sizeof(buffer));
        EXPECT_EQ(cabmover::LoadResourceText(150, c.id, buffer, c.length), c.ok) << c.id << "/" << c.length;
        EXPECT_STREQ(buffer, c.text) << c.id << "/" << c.length;
    }
}

TEST_F(InstallPayloadTest, MissingComponentNameStopsBeforeTheWizard)
{
    os::desktop::remove_resource(cabmover::kComponentType, cabmover::kComponentId);
    os::desktop::testing::ModalDriver driver({os::desktop::testing::call([](HWND) { ADD_FAILURE() << "wizard shown"; })});
    cabmover::InstallerMain();
    EXPECT_EQ(boxes(), std::vector<std::string>{plain_box(cabmover::kMissingInfo)});
    expect_nothing_installed();
}

} // namespace
