// restart_test.cpp -- the restart protocol across real processes
//
// The demo program (tests/restart) is placed in this test's device tree and
// started for real; its instances find each other's windows.
#include "os/testing/host.h"
#include "os/testing/kernel.h"

#include <gtest/gtest.h>

#include <os/windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr DWORD kLong = 30000;
const WCHAR kProgram[] = u"\\Program Files\\Restart Demo\\RestartDemo";

std::string demoBinary()
{
    std::string build = os::host::env("HH_BUILD_DIR");
    if (build.empty())
        build = fs::read_symlink("/proc/self/exe").parent_path().parent_path().parent_path().string();
    return build + "/engine/platform/tests/restart/engine_restart_demo";
}

// Waits (real time, bounded) until condition holds.
template <typename F>
bool eventually(F condition)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition())
    {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

class Restart : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!fs::exists(demoBinary()))
            GTEST_SKIP() << "demo program not built: " << demoBinary();
        std::string dir = os::path::device_root() + "/Program Files/Restart Demo";
        fs::create_directories(dir);
        fs::copy_file(demoBinary(), dir + "/RestartDemo", fs::copy_options::overwrite_existing);
        fs::permissions(dir + "/RestartDemo", fs::perms::owner_all);
    }

    HANDLE start(const std::u16string& line)
    {
        std::u16string text = line;
        PROCESS_INFORMATION info{};
        EXPECT_TRUE(CreateProcessW(kProgram, text.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &info))
            << "error " << GetLastError();
        if (info.hThread)
            CloseHandle(info.hThread);
        return info.hProcess;
    }

    DWORD finish(HANDLE process)
    {
        DWORD code = DWORD(-1);
        EXPECT_EQ(WaitForSingleObject(process, kLong), WAIT_OBJECT_0);
        GetExitCodeProcess(process, &code);
        CloseHandle(process);
        return code;
    }

    static std::string reportText() { return os::testing::get("report.txt"); }
    static HWND demoWindow() { return FindWindowW(u"VaskoFC_WINDOW", u"Restart Demo"); }
};

} // namespace

TEST_F(Restart, SecondInstanceStandsBackWhileTheFirstRuns)
{
    HANDLE first = start(u"ARG:hold");
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(eventually([] { return demoWindow() != nullptr; })) << "the first window never opened";
    ::testing::internal::CaptureStderr(); // the second instance's stderr is this one's
    HANDLE second = start(u"ARG:probe");
    DWORD code = second ? finish(second) : DWORD(-1);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, 2u);
    EXPECT_NE(said.find("Restart Demo is already running on this device"), std::string::npos)
        << "the copy that stands back says so: " << said;
    EXPECT_NE(demoWindow(), nullptr) << "the first instance keeps running";
    os::testing::put("stop", "");
    EXPECT_EQ(finish(first), 0u);
    EXPECT_EQ(reportText(), "ARG:hold created\nARG:probe stood back\n");
    EXPECT_TRUE(eventually([] { return demoWindow() == nullptr; }));
}

TEST_F(Restart, RestartedInstanceOpensAfterTheOldWindowIsGone)
{
    HANDLE first = start(u"ARG:restart");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(finish(first), 0u) << "the old instance ends on its WM_QUIT";
    ASSERT_TRUE(eventually([] { return reportText().find("ARG:second") != std::string::npos; }));
    EXPECT_EQ(reportText(), "ARG:restart created\nARG:second created\n");
    EXPECT_TRUE(eventually([] { return demoWindow() == nullptr; })) << "the new instance ends too";
}
