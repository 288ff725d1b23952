// program_run.h -- tests that start a built program as a real process
#pragma once

#include <string>
#include <vector>

namespace os::testing {

// A fresh folder under /tmp, removed with its contents unless OS_KEEP_TREE is set.
struct ScratchFolder
{
    std::string path;

    explicit ScratchFolder(const std::string& tag);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
};

// The device tree the build laid out: HH_BUILD_DIR's "device" folder, or the
// one three folders above this test program when it is run by hand.
std::string built_device_root();

// The source checkout the build was made from (test scripts and data kept
// beside the tests): HH_SOURCE_DIR, or the folder above the build when it is
// not set (scripts/build makes build/ and build-san/ inside the checkout).
std::string source_root();

// Starts argv[0] (searched on PATH) with argv, after setting each "NAME=value"
// of `set` and removing each name of `unset` from the environment, and waits
// for it. Answers its exit code, or -1 when it did not exit normally.
int run_and_wait(const std::vector<std::string>& argv, const std::vector<std::string>& set,
                 const std::vector<std::string>& unset = {});

// The same without waiting, its stderr into `error_file` when one is named.
// Answers the process id, or -1 when it could not be started.
int start_program(const std::vector<std::string>& argv, const std::vector<std::string>& set,
                  const std::vector<std::string>& unset = {}, const std::string& error_file = "");

// Waits for a started program at most `limit_ms` of real time (a bound on a
// hang, never a timing check). Answers its exit code, -1 when it did not exit
// normally, or -2 when it was still running: it is then killed.
int wait_program(int pid, int limit_ms);

} // namespace os::testing
