// fuzz_instance.cpp -- linked into every fuzz target: a window-lookup prefix
// of the process's own
//
// A target that opens windows would otherwise meet the windows of another
// copy of itself (a second checkout fuzzing at the same time, or the jobs of
// one run) and stand back in its favour on every input.
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const bool g_own_instance = [] {
    const std::string instance = "hhfuzz-" + std::to_string(getpid());
    setenv("OS_INSTANCE", instance.c_str(), 1);
    return true;
}();

} // namespace
