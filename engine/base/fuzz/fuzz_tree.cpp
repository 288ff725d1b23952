// fuzz_tree.cpp -- headless back end and a temporary device tree
//
// The tree lives in memory (/dev/shm) where the host has it: the pack and
// properties targets write and read files at every input, and a disk-backed
// folder makes them several times slower. It is removed when the run ends
// normally; after a crash it stays for the post-mortem.
#include "fuzz_tree.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

std::string treeRoot;

void removeTree()
{
    std::error_code ignored;
    std::filesystem::remove_all(treeRoot, ignored);
}

std::string makeTree()
{
    std::error_code error;
    std::string base = std::filesystem::is_directory("/dev/shm", error) ? "/dev/shm" : "/tmp";
    std::string pattern = base + "/hh-fuzz-XXXXXX";
    const char* dir = mkdtemp(pattern.data());
    if (!dir)
        std::abort();
    setenv("OS_DEVICE_ROOT", dir, 1);
    setenv("OS_BACKEND", "headless", 1);
    std::filesystem::create_directories(std::string(dir) + "/f");
    treeRoot = dir;
    std::atexit(removeTree);
    return dir;
}

} // namespace

std::string fuzzHostPath(const std::string& relative)
{
    static const std::string root = makeTree();
    return root + "/" + relative;
}

bool writeFuzzFile(const std::string& relative, const void* data, size_t size)
{
    const std::string path = fuzzHostPath(relative);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
    {
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
        file = std::fopen(path.c_str(), "wb");
    }
    if (!file)
        return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

void writeFuzzInput(const std::string& name, const uint8_t* data, size_t size)
{
    writeFuzzFile("f/" + name, data, size);
}
