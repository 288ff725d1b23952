// program_run.cpp -- scratch folders and child programs for tests
#include "os/testing/program_run.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace os::testing {

ScratchFolder::ScratchFolder(const std::string& tag)
{
    std::string pattern = "/tmp/hh-" + tag + "-XXXXXX";
    if (mkdtemp(pattern.data()))
    {
        path = pattern;
    }
}

ScratchFolder::~ScratchFolder()
{
    if (!path.empty() && !getenv("OS_KEEP_TREE"))
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
}

std::string built_device_root()
{
    namespace fs = std::filesystem;
    const char* build = std::getenv("HH_BUILD_DIR");
    fs::path dir = build ? fs::path(build) : fs::read_symlink("/proc/self/exe").parent_path().parent_path().parent_path();
    return (dir / "device").string();
}

std::string source_root()
{
    if (const char* source = std::getenv("HH_SOURCE_DIR"))
        return source;
    return std::filesystem::path(built_device_root()).parent_path().parent_path().string();
}

int start_program(const std::vector<std::string>& argv, const std::vector<std::string>& set,
                  const std::vector<std::string>& unset, const std::string& error_file)
{
    pid_t pid = fork();
    if (pid == 0)
    {
        for (const std::string& name : unset)
        {
            unsetenv(name.c_str());
        }
        for (const std::string& pair : set)
        {
            putenv(const_cast<char*>(pair.c_str()));
        }
        if (!error_file.empty())
        {
            int fd = open(error_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0)
            {
                dup2(fd, 2);
                close(fd);
            }
        }
        std::vector<char*> args;
        for (const std::string& a : argv)
        {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid < 0 ? -1 : int(pid);
}

int wait_program(int pid, int limit_ms)
{
    int status = 0;
    for (int waited = 0;; waited += 10)
    {
        pid_t done = waitpid(pid_t(pid), &status, WNOHANG);
        if (done == pid_t(pid))
        {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (done < 0)
        {
            return -1;
        }
        if (waited >= limit_ms)
        {
            kill(pid_t(pid), SIGKILL);
            waitpid(pid_t(pid), &status, 0);
            return -2;
        }
        usleep(10000);
    }
}

int run_and_wait(const std::vector<std::string>& argv, const std::vector<std::string>& set,
                 const std::vector<std::string>& unset)
{
    int pid = start_program(argv, set, unset);
    if (pid < 0)
    {
        return -1;
    }
    int status = 0;
    waitpid(pid_t(pid), &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace os::testing
