// fuzz_tree.cpp -- headless back end and a temporary device tree
#include "fuzz_tree.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

std::string makeTree()
{
    char pattern[] = "/tmp/hh-fuzz-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir)
        std::abort();
    setenv("OS_DEVICE_ROOT", dir, 1);
    setenv("OS_BACKEND", "headless", 1);
    std::filesystem::create_directories(std::string(dir) + "/f");
    return dir;
}

} // namespace

void writeFuzzInput(const std::string& name, const uint8_t* data, size_t size)
{
    static const std::string root = makeTree();
    if (FILE* file = std::fopen((root + "/f/" + name).c_str(), "wb"))
    {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
}
