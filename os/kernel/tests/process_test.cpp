// Conformance tests of the command line, the module path and processes,
// including real child processes started from the device tree.
#include "os/host/host.h"
#include "os/kernel/handle.h"
#include "os/kernel/module_private.h"
#include "os/kernel/path.h"
#include "os/kernel/process_private.h"
#include "os/testing/kernel.h"

#include <os/process.h>
#include <os/sync.h>
#include <os/wstring.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr DWORD kProcessWait = 30000;

std::u16string module_path()
{
    WCHAR buffer[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return std::u16string(buffer, n);
}

// A host file inside the device tree, with its folders.
std::string make_host_file(const std::string& relative, const std::string& content, fs::perms perms)
{
    std::string path = os::path::device_root() + "/" + relative;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
    fs::permissions(path, perms);
    return path;
}

TEST(CommandLine, RecordedFromArguments)
{
    struct Case
    {
        std::vector<std::string> argv;
        std::u16string expected;
    };
    const Case cases[] = {
        {{"prog"}, u""},
        {{"prog", "ARG:intro"}, u"ARG:intro"},
        {{"prog", "/server"}, u"/server"},
        {{"prog", "a", "b c", ""}, u"a b c "},
        {{"prog", "caf\xe9"}, u"caf\u00e9"},
    };
    for (const Case& c : cases)
    {
        std::vector<char*> argv;
        for (auto& a : c.argv)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        os::process::record_arguments(int(c.argv.size()), argv.data());
        EXPECT_EQ(std::u16string(GetCommandLineW()), c.expected) << "arguments " << c.argv.size();
    }
}

TEST(GetModuleFileNameW, DevicePathInBackslashForm)
{
    std::string host = make_host_file("Program Files/Game/Game", "x", fs::perms::owner_all);
    os::process::set_program_path(host);
    EXPECT_EQ(module_path(), u"\\Program Files\\Game\\Game");
    WCHAR buffer[MAX_PATH];
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetModuleFileNameW(os::module::program_instance(), buffer, MAX_PATH), 24u) << "own handle";
    EXPECT_EQ(GetLastError(), 0xdeadbeefu) << "success leaves the last error";
}

TEST(GetModuleFileNameW, Truncation)
{
    os::process::set_program_path(make_host_file("Program Files/Game/Game", "x", fs::perms::owner_all));
    const std::u16string full = u"\\Program Files\\Game\\Game"; // 24 characters
    struct Case
    {
        DWORD size;
        DWORD answer;
        DWORD error;
        std::u16string text;
    };
    const Case cases[] = {
        {25, 24, 0xdeadbeef, full},
        {24, 24, ERROR_INSUFFICIENT_BUFFER, full.substr(0, 23)},
        {5, 5, ERROR_INSUFFICIENT_BUFFER, full.substr(0, 4)},
        {1, 1, ERROR_INSUFFICIENT_BUFFER, u""},
    };
    for (const Case& c : cases)
    {
        WCHAR buffer[40];
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        SetLastError(0xdeadbeef);
        EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, c.size), c.answer) << "size " << c.size;
        EXPECT_EQ(GetLastError(), c.error) << "size " << c.size;
        EXPECT_EQ(std::u16string(buffer), c.text) << "size " << c.size << ": truncated and terminated";
        EXPECT_EQ(buffer[c.size], u'#') << "size " << c.size << ": nothing written past the buffer";
    }
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetModuleFileNameW(nullptr, nullptr, 0), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    WCHAR buffer[8];
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetModuleFileNameW((HMODULE)(uintptr_t)0x5000, buffer, 8), 0u) << "not a module";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

TEST(GetModuleFileNameW, LinkNameIsKept)
{
    std::string real = make_host_file("Program Files/Game/bin/Game", "x", fs::perms::owner_all);
    std::string link = os::path::device_root() + "/Program Files/Game/bin/Game-server";
    fs::create_symlink(real, link);
    struct Case
    {
        std::string cwd;
        std::string argv0;
    };
    const Case cases[] = {
        {"/", link},
        {os::path::device_root() + "/Program Files/Game/bin", "./Game-server"},
        {os::path::device_root() + "/Program Files/Game", "bin/../bin/Game-server"},
    };
    for (const Case& c : cases)
    {
        ASSERT_EQ(chdir(c.cwd.c_str()), 0);
        char* argv[] = {const_cast<char*>(c.argv0.c_str()), nullptr};
        os::process::record_arguments(1, argv);
        EXPECT_EQ(module_path(), u"\\Program Files\\Game\\bin\\Game-server") << c.argv0 << " from " << c.cwd;
    }
}

TEST(GetModuleHandleW, ProgramInstance)
{
    HMODULE own = GetModuleHandleW(nullptr);
    EXPECT_NE(own, nullptr);
    EXPECT_EQ(own, os::module::program_instance());
}

TEST(CurrentProcess, IdsAndPseudoHandle)
{
    EXPECT_EQ(GetCurrentProcessId(), DWORD(getpid()));
    EXPECT_EQ(GetCurrentProcess(), GetCurrentProcess());
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(GetCurrentProcess(), &code));
    EXPECT_EQ(code, (DWORD)STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(GetCurrentProcess(), 0), (DWORD)WAIT_TIMEOUT);
}

TEST(ExitProcess, EndsWithCode)
{
    for (UINT code : {0u, 1u, 42u, 0xFFFFFFFFu})
        EXPECT_EXIT(ExitProcess(code), ::testing::ExitedWithCode(int(code & 0xFF)), "") << code;
}

// ---- CreateProcessW with the hook ----

struct Recorded
{
    std::u16string application;
    std::u16string command_line;
    int calls = 0;
};

class CreateProcessHooked : public ::testing::Test
{
protected:
    void SetUp() override
    {
        os::process::set_create_process_hook([this](const std::u16string& app, const std::u16string& line) {
            recorded.application = app;
            recorded.command_line = line;
            ++recorded.calls;
            return TRUE;
        });
    }
    void TearDown() override { os::process::set_create_process_hook(nullptr); }

    Recorded recorded;
};

TEST_F(CreateProcessHooked, RecordsInsteadOfStarting)
{
    std::u16string line = u"ARG:menu";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(u"\\Program Files\\Game\\Game", line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &info));
    EXPECT_EQ(recorded.calls, 1);
    EXPECT_EQ(recorded.application, u"\\Program Files\\Game\\Game");
    EXPECT_EQ(recorded.command_line, u"ARG:menu");
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), WAIT_OBJECT_0) << "stands for an ended process";
    EXPECT_EQ(WaitForSingleObject(info.hThread, 0), WAIT_OBJECT_0);
    DWORD code = 1;
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(CloseHandle(info.hThread));
    EXPECT_TRUE(CloseHandle(info.hProcess));
}

TEST_F(CreateProcessHooked, ProgramFromCommandLine)
{
    struct Case
    {
        std::u16string line;
        std::u16string application;
        std::u16string rest;
    };
    const Case cases[] = {
        {u"\\Windows\\prog.exe", u"\\Windows\\prog.exe", u""},
        {u"\\Windows\\prog.exe ARG:x", u"\\Windows\\prog.exe", u"ARG:x"},
        {u"\"\\Program Files\\Game\\Game\" ARG:a b", u"\\Program Files\\Game\\Game", u"ARG:a b"},
        {u"  prog   two", u"prog", u"two"},
    };
    for (const Case& c : cases)
    {
        std::u16string line = c.line;
        EXPECT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr,
                                   nullptr));
        EXPECT_EQ(recorded.application, c.application) << os::to_latin1(c.line);
        EXPECT_EQ(recorded.command_line, c.rest) << os::to_latin1(c.line);
    }
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(CreateProcessW(nullptr, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

TEST(CreateProcessW, HookRefusal)
{
    os::process::set_create_process_hook([](const std::u16string&, const std::u16string&) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    });
    PROCESS_INFORMATION info{};
    size_t handles = os::handle_count();
    EXPECT_FALSE(CreateProcessW(u"\\x", nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &info));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(os::handle_count(), handles) << "no handles for a failed start";
    os::process::set_create_process_hook(nullptr);
}

// ---- real children ----

// The child program of the build: from HH_BUILD_DIR, or beside this test
// program when the variable is not passed on.
std::string child_binary()
{
    std::string build = os::host::env("HH_BUILD_DIR");
    if (!build.empty())
        return build + "/os/kernel/tests/child/os_kernel_child";
    return fs::read_symlink("/proc/self/exe").parent_path().string() + "/tests/child/os_kernel_child";
}

class Child : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!fs::exists(child_binary()))
            GTEST_SKIP() << "child program not built: " << child_binary();
        std::string dir = os::path::device_root() + "/Program Files/Child";
        fs::create_directories(dir);
        fs::copy_file(child_binary(), dir + "/Child", fs::copy_options::overwrite_existing);
        fs::permissions(dir + "/Child", fs::perms::owner_all);
        fs::remove(dir + "/Child-server");
        fs::create_symlink(dir + "/Child", dir + "/Child-server");
    }

    // Starts a child and waits for it; answers its exit code.
    DWORD run(const std::u16string& application, const std::u16string& line)
    {
        std::u16string text = line;
        PROCESS_INFORMATION info{};
        EXPECT_TRUE(CreateProcessW(application.c_str(), text.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   nullptr, &info))
            << "error " << GetLastError();
        if (!info.hProcess)
            return DWORD(-1);
        EXPECT_NE(info.dwProcessId, 0u);
        EXPECT_EQ(WaitForSingleObject(info.hProcess, kProcessWait), WAIT_OBJECT_0);
        EXPECT_EQ(WaitForSingleObject(info.hThread, 0), WAIT_OBJECT_0) << "the thread handle ends with the child";
        DWORD code = 0, thread_code = 0;
        EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
        EXPECT_TRUE(GetExitCodeThread(info.hThread, &thread_code));
        EXPECT_EQ(thread_code, code);
        errno = 0;
        EXPECT_EQ(waitpid(pid_t(info.dwProcessId), nullptr, WNOHANG), -1) << "the child must be reaped";
        EXPECT_EQ(errno, ECHILD);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        return code;
    }

    std::map<std::string, std::string> report(const std::string& host_file)
    {
        std::map<std::string, std::string> values;
        std::ifstream in(host_file);
        std::string line;
        while (std::getline(in, line))
        {
            size_t eq = line.find('=');
            if (eq != std::string::npos)
                values[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return values;
    }
};

TEST_F(Child, SeesCommandLineModulePathAndEnvironment)
{
    setenv("HH_CHILD_MARK", "inherited", 1);
    int open_fd = open("/dev/null", O_RDONLY); // not close-on-exec: still not for the child
    ASSERT_GE(open_fd, 3);
    setenv("HH_PARENT_FD", std::to_string(open_fd).c_str(), 1);
    auto extra = os::host::child_environment();
    struct Case
    {
        std::u16string application;
        std::string module;
    };
    const Case cases[] = {
        {u"\\Program Files\\Child\\Child", "\\Program Files\\Child\\Child"},
        {u"\\program files\\CHILD\\child", "\\Program Files\\Child\\Child"},
        {u"/Program Files//Child/Child-server", "\\Program Files\\Child\\Child-server"},
    };
    for (const Case& c : cases)
    {
        fs::remove(os::path::device_root() + "/report.txt");
        EXPECT_EQ(run(c.application, u"report \\report.txt"), 42u) << os::to_latin1(c.application);
        auto values = report(os::path::device_root() + "/report.txt");
        EXPECT_EQ(values["cmd"], "report \\report.txt");
        EXPECT_EQ(values["module"], c.module);
        EXPECT_EQ(values["instance"], "set");
        EXPECT_EQ(values["HH_CHILD_MARK"], "inherited");
        EXPECT_EQ(values["parent_fd"], "closed") << "descriptors are not inherited";
        EXPECT_EQ(values["sigpipe"], "ignored") << "the entry ignores SIGPIPE";
        EXPECT_EQ(values["gx.dll"], "loaded") << "the entry registers GAPI";
        EXPECT_EQ(values["aygshell.dll"], "loaded") << "the entry registers the shell library";
        EXPECT_EQ(values["OS_DEVICE_ROOT"], os::path::device_root());
        for (auto& [name, value] : extra)
            EXPECT_EQ(values[name], value) << "variable " << name << " for the child";
    }
    close(open_fd);
}

// A save killed mid-write leaves its temporary; the next program to start
// removes those of ended writers from its own folder, "My Documents" and the
// root, and nothing elsewhere.
TEST_F(Child, StartRemovesTemporariesThatKilledSavesLeft)
{
    pid_t pid = fork();
    if (pid == 0)
        _exit(0);
    waitpid(pid, nullptr, 0);
    const std::string stale = ".tmp-" + std::to_string(pid) + "-0";
    const std::string root = os::path::device_root();
    const std::string gone[] = {"/Program Files/Child/resources/GUI/gsetting.properties" + stale,
                                "/My Documents/pilots.properties" + stale, "/registry" + stale};
    const std::string kept[] = {"/Program Files/Other/settings.bin" + stale, "/Storage Card/x.dat" + stale,
                                "/Program Files/Child/resources/GUI/gsetting.properties"};
    for (const auto& name : gone)
        os::testing::put(name.substr(1), "half");
    for (const auto& name : kept)
        os::testing::put(name.substr(1), "half");
    EXPECT_EQ(run(u"\\Program Files\\Child\\Child", u"return 0"), 0u);
    for (const auto& name : gone)
        EXPECT_FALSE(fs::exists(root + name)) << name;
    for (const auto& name : kept)
        EXPECT_TRUE(fs::exists(root + name)) << name;
}

TEST_F(Child, ExitThreadOnMainThreadGivesCode)
{
    EXPECT_EQ(run(u"\\Program Files\\Child\\Child", u"exit 7"), 7u);
    EXPECT_EQ(run(u"\\Program Files\\Child\\Child", u"exit -1"), 255u);
    EXPECT_EQ(run(u"\\Program Files\\Child\\Child", u"return 5"), 5u) << "WinMain's result";
    EXPECT_EQ(run(u"\\Program Files\\Child\\Child", u""), 0u) << "WinMain gets an instance handle";
}

TEST_F(Child, NoZombieWhenNobodyWaits)
{
    std::u16string line = u"exit 3";
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(u"\\Program Files\\Child\\Child", line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, nullptr, &info));
    pid_t pid = pid_t(info.dwProcessId);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    // Poll (bounded) until the host no longer knows the child.
    bool gone = false;
    for (int i = 0; i < 3000 && !gone; ++i)
    {
        errno = 0;
        gone = waitpid(pid, nullptr, WNOHANG) == -1 && errno == ECHILD;
        if (!gone)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(gone) << "child " << pid << " left behind";
}

TEST_F(Child, AWindowedProgramEndsAfterTheProgramItRestartedInto)
{
    // A program with a window (SDL back end) that restarts itself ends only
    // after its successor: a launcher such as xvfb-run, which ends the
    // display with the process it started, must not pull it from under the
    // successor. (The headless back end ends at once, as the device does.)
    fs::remove(os::path::device_root() + "/restarted.txt");
    setenv("OS_BACKEND", "sdl", 1);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const DWORD code = run(u"\\Program Files\\Child\\Child", u"restart \\restarted.txt");
    unsetenv("OS_BACKEND");
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("SDL_AUDIODRIVER");
    EXPECT_EQ(code, 0u);
    auto values = report(os::path::device_root() + "/restarted.txt");
    EXPECT_EQ(values["cmd"], "report \\restarted.txt") << "the successor had ended and written its report";
}

TEST_F(Child, TerminateProcess)
{
    std::u16string line = u"hang";
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(u"\\Program Files\\Child\\Child", line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, nullptr, &info));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(code, (DWORD)STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), (DWORD)WAIT_TIMEOUT);
    EXPECT_TRUE(TerminateProcess(info.hProcess, 9));
    EXPECT_EQ(WaitForSingleObject(info.hProcess, kProcessWait), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(code, 9u);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(TerminateProcess(info.hProcess, 1)) << "already ended";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

TEST(CreateProcessW, Errors)
{
    make_host_file("Program Files/Data/readme.txt", "text", fs::perms::owner_read | fs::perms::owner_write);
    make_host_file("Program Files/Data/garbage", std::string("\x01\x02\x03\x04 not a program"),
                   fs::perms::owner_all);
    fs::create_directories(os::path::device_root() + "/Program Files/Folder");
    struct Case
    {
        const char16_t* application;
        DWORD error;
    };
    const Case cases[] = {
        {u"\\Program Files\\Missing\\Game", ERROR_FILE_NOT_FOUND},
        {u"\\Program Files\\Data\\nothing", ERROR_FILE_NOT_FOUND},
        {u"\\Program Files\\Data\\readme.txt", ERROR_BAD_EXE_FORMAT},
        {u"\\Program Files\\Folder", ERROR_BAD_EXE_FORMAT},
        {u"\\Program Files\\Data\\garbage", ERROR_BAD_EXE_FORMAT},
    };
    size_t handles = os::handle_count();
    for (const Case& c : cases)
    {
        PROCESS_INFORMATION info{};
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(CreateProcessW(c.application, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr,
                                    &info))
            << os::to_latin1(c.application);
        EXPECT_EQ(GetLastError(), c.error) << os::to_latin1(c.application);
        EXPECT_EQ(info.hProcess, nullptr);
    }
    EXPECT_EQ(os::handle_count(), handles);
}

TEST(ProcessHandles, BadHandlesAreRefused)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    for (HANDLE bad : {(HANDLE) nullptr, event, (HANDLE)(uintptr_t)0x4444})
    {
        DWORD code = 0;
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(GetExitCodeProcess(bad, &code)) << bad;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(TerminateProcess(bad, 1)) << bad;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    }
    CloseHandle(event);
}

} // namespace
