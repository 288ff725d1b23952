// child.cpp -- the program the process tests start
//
// Command lines:
//   report DEVICE-FILE   writes what it was started with into the file
//                        (command line, module path, the libraries it can
//                        load, whether the descriptor
//                        named by HH_PARENT_FD is open, whether SIGPIPE is
//                        ignored, OS_* and HH_* variables, one per line) and
//                        ends with code 42
//   hang                 waits until it is killed
//   exit N               ends its main thread with ExitThread(N)
//   return N             returns N from WinMain
//   restart DEVICE-FILE  makes its back end (OS_BACKEND), starts itself with
//                        "report DEVICE-FILE" and returns 0 at once
#include "os/host/host.h"
#include "os/kernel/path.h"

#include <os/windows.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <fcntl.h>
#include <unistd.h>

extern char** environ;

namespace {

int report(const std::u16string& device_file, const std::u16string& command_line)
{
    FILE* out = std::fopen(os::path::to_host(device_file).c_str(), "w");
    if (!out)
        return 3;
    WCHAR module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::fprintf(out, "cmd=%s\n", os::to_latin1(command_line).c_str());
    std::fprintf(out, "module=%s\n", os::to_latin1(module).c_str());
    std::fprintf(out, "instance=%s\n", GetModuleHandleW(nullptr) ? "set" : "null");
    if (const char* fd = std::getenv("HH_PARENT_FD"))
        std::fprintf(out, "parent_fd=%s\n", fcntl(std::atoi(fd), F_GETFD) == -1 ? "closed" : "open");
    for (const char16_t* library : {u"gx.dll", u"aygshell.dll"})
        std::fprintf(out, "%s=%s\n", os::to_latin1(library).c_str(), LoadLibraryW(library) ? "loaded" : "absent");
    struct sigaction pipe_action
    {
    };
    sigaction(SIGPIPE, nullptr, &pipe_action);
    std::fprintf(out, "sigpipe=%s\n", pipe_action.sa_handler == SIG_IGN ? "ignored" : "default");
    for (char** entry = environ; *entry; ++entry)
    {
        std::string variable = *entry;
        if (variable.rfind("OS_", 0) == 0 || variable.rfind("HH_", 0) == 0)
            std::fprintf(out, "%s\n", variable.c_str());
    }
    std::fclose(out);
    return 42;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPWSTR command_line, int)
{
    std::u16string line = command_line;
    if (line.rfind(u"report ", 0) == 0)
        return report(line.substr(7), line);
    if (line == u"hang")
    {
        for (;;)
            pause();
    }
    if (line.rfind(u"exit ", 0) == 0)
        ExitThread(DWORD(_wtol(line.c_str() + 5)));
    if (line.rfind(u"restart ", 0) == 0)
    {
        os::host::backend();
        WCHAR module[MAX_PATH];
        GetModuleFileNameW(nullptr, module, MAX_PATH);
        std::u16string next = u"report " + line.substr(8);
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(module, next.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &info))
            return 4;
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        return 0;
    }
    if (line.rfind(u"return ", 0) == 0)
        return _wtol(line.c_str() + 7);
    return instance ? 0 : 1;
}
