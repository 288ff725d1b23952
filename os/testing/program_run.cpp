// program_run.cpp -- scratch folders and child programs for tests
#include "os/testing/program_run.h"

#include <cstdlib>
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

int run_and_wait(const std::vector<std::string>& argv, const std::vector<std::string>& set,
                 const std::vector<std::string>& unset)
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
        std::vector<char*> args;
        for (const std::string& a : argv)
        {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    if (pid < 0)
    {
        return -1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace os::testing
