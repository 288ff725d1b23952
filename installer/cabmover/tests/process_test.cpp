// process_test.cpp -- the installer and the stand-in application manager
// run as real programs in a desktop tree, with a headless input script and
// a screenshot of the licence page
#include "os/testing/host.h"
#include "os/testing/kernel.h"

#include <os/desktop.h>
#include <os/wstring.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

const char kManagerFolder[] = "Program Files/Microsoft ActiveSync";

class Programs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* build = std::getenv("HH_BUILD_DIR");
        ASSERT_NE(build, nullptr) << "HH_BUILD_DIR names the build";
        root_ = os::path::device_root();
        for (const char* program : {"Program Files/Cabmover/Cabmover", "Program Files/Microsoft ActiveSync/CEAPPMGR.EXE"})
        {
            fs::path from = fs::path(build) / "desktop" / program;
            ASSERT_TRUE(fs::exists(from)) << from;
            fs::create_directories((fs::path(root_) / program).parent_path());
            fs::copy_file(from, fs::path(root_) / program, fs::copy_options::overwrite_existing);
        }
        out_ = root_ + "/out";
        fs::create_directories(out_);
        ASSERT_EQ(run(std::string(kManagerFolder) + "/CEAPPMGR.EXE", "/register"), 0);
    }

    // Runs a program of the tree headless and answers its exit code.
    int run(const std::string& program, const std::string& argument, const std::string& script = "")
    {
        std::string env = "OS_BACKEND=headless OS_DEVICE_ROOT='" + root_ + "' OS_OUT='" + out_ + "' ";
        if (!script.empty())
        {
            std::ofstream(root_ + "/script.txt") << script;
            env += "OS_SCRIPT='" + root_ + "/script.txt' ";
        }
        std::string command = "env " + env + "'" + root_ + "/" + program + "' " + argument + " 2>>'" + root_ +
                              "/stderr.txt'";
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The manager's log once it has been written (it runs apart from the
    // installer that started it).
    std::string manager_log()
    {
        fs::path log = fs::path(root_) / kManagerFolder / "ceappmgr.log";
        for (int i = 0; i < 200 && !fs::exists(log); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::ifstream in(log);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    std::string root_;
    std::string out_;
};

uint32_t rgb(COLORREF c)
{
    return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}

TEST_F(Programs, InstallsByKeysAndStartsTheManager)
{
    ASSERT_EQ(run("Program Files/Cabmover/Cabmover", "",
                  "wait 200\nshot licence\nkey TAB\nkey SPACE\nwait 100\nkey RETURN\nwait 300\n"),
              0);
    std::string log = manager_log();
    EXPECT_NE(log.find("command line: \"\\Program Files\\Microsoft ActiveSync\\Game\\ravenor.ini\"\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("cab: ravenor.CAB: _setup.xml Ravenor demo.bin splash2.bmp\n"), std::string::npos) << log;
    EXPECT_NE(log.find("package: ok\n"), std::string::npos) << log;
    for (const char* name : {"ravenor.ini", "Uninstall.exe", "ravenor.CAB", "icon1.ico"})
        EXPECT_TRUE(fs::is_regular_file(fs::path(root_) / kManagerFolder / "Game" / name)) << name;

    os::host::Picture shot;
    ASSERT_TRUE(os::host::read_png(out_ + "/licence.png", shot));
    ASSERT_EQ(shot.width, 800);
    ASSERT_EQ(shot.height, 600);
    struct Spot
    {
        const char* what;
        int x, y;
        uint32_t colour;
    };
    const Spot spots[] = {
        {"white header, right of its texts", 450, 20, 0xFFFFFF},
        {"face colour left of the radio buttons", 4, 270, rgb(GetSysColor(COLOR_BTNFACE))},
        {"desktop outside the wizard", 700, 500, 0x000000},
    };
    for (const Spot& s : spots)
        EXPECT_EQ(shot.at(s.x, s.y), s.colour) << s.what;
    int dark = 0; // the title's and the licence's letters
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 400; ++x)
            dark += shot.at(x, y) < 0x404040;
    EXPECT_GT(dark, 100) << "the header shows its title";
}

// The wizard's window is gone after Finish (the manager goes on with the
// script): a shot asked for then is reported as not taken, not skipped.
TEST_F(Programs, AShotAfterTheWindowIsGoneIsReported)
{
    run("Program Files/Cabmover/Cabmover", "", "wait 200\nkey TAB\nkey SPACE\nwait 100\nkey RETURN\nwait 300\nshot after\n");
    manager_log();
    std::string errors;
    for (int i = 0; i < 100 && errors.find("after.png") == std::string::npos; ++i)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::ifstream in(root_ + "/stderr.txt");
        errors.assign((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    EXPECT_NE(errors.find("after.png: not taken, the program ended before the script reached it"), std::string::npos)
        << errors;
    EXPECT_FALSE(fs::exists(out_ + "/after.png"));
}

TEST_F(Programs, EscapeLeavesTheDesktopAlone)
{
    ASSERT_EQ(run("Program Files/Cabmover/Cabmover", "", "wait 200\nkey ESCAPE\n"), 0);
    EXPECT_FALSE(fs::exists(fs::path(root_) / kManagerFolder / "Game"));
    EXPECT_FALSE(fs::exists(fs::path(root_) / kManagerFolder / "ceappmgr.log"));
}

// A damaged registry is set aside when the installer first reads it; the
// installer says so in one box over its wizard, in device paths, and the
// manager's entry, which could be read, still finds the manager.
TEST_F(Programs, DamagedRegistryIsToldOnceInABox)
{
    std::ofstream(root_ + "/registry", std::ios::app) << "\x01\x02 not a registry line\n";
    ASSERT_EQ(
        run("Program Files/Cabmover/Cabmover", "", "wait 200\nkey TAB\nkey SPACE\nwait 100\nkey RETURN\nwait 300\n"),
        0);
    EXPECT_NE(manager_log().find("package: ok\n"), std::string::npos) << "the entries that could be read are kept";
    std::ifstream in(root_ + "/stderr.txt");
    const std::string errors((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string told = "message box \"Warning\": \\registry was damaged (some of its entries could not be read) "
                             "and has been set aside as \\registry.damaged; the entries that could be read are kept.";
    size_t at = errors.find(told);
    EXPECT_NE(at, std::string::npos) << errors;
    EXPECT_EQ(errors.find("registry was damaged", at + told.size()), std::string::npos) << "told once: " << errors;
    EXPECT_EQ(errors.find(root_ + "/registry"), std::string::npos) << "no host path: " << errors;
    EXPECT_TRUE(fs::exists(root_ + "/registry.damaged"));
}

TEST_F(Programs, ManagerRefusesABrokenPackage)
{
    fs::path folder = fs::path(root_) / "Broken";
    fs::create_directories(folder);
    std::ofstream(folder / "ravenor.ini") << "[CEAppManager]\r\nVersion = 1.0\r\nComponent = Game\r\n\r\n[Game]\r\n"
                                             "Description = Ravenor Demo\r\nIconFile = icon1.ico\r\nCabFiles = ravenor.CAB\r\n";
    std::ofstream(folder / "ravenor.CAB") << "MSCF but not a cabinet";
    EXPECT_EQ(run(std::string(kManagerFolder) + "/CEAPPMGR.EXE", "'\"\\Broken\\ravenor.ini\"'"), 1);
    std::string log = manager_log();
    EXPECT_NE(log.find("error: cabinet ravenor.CAB:"), std::string::npos) << log;
    EXPECT_NE(log.find("package: refused"), std::string::npos) << log;
}

} // namespace
