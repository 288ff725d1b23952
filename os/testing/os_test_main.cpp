// os_test_main.cpp -- the entry of every test program
//
// Each test runs in its own process (CTest runs one case per process). Before
// any test starts, the process gets a fresh device tree in a temporary folder,
// the headless back end and a window-lookup prefix of its own, so that tests
// running side by side never see each other's files, registry or windows.
// The folder is removed at exit unless OS_KEEP_TREE is set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string g_tree;

void remove_tree()
{
    if (!g_tree.empty() && !getenv("OS_KEEP_TREE"))
    {
        std::error_code ec;
        std::filesystem::remove_all(g_tree, ec);
    }
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!getenv("OS_DEVICE_ROOT"))
    {
        char pattern[] = "/tmp/hh-device-XXXXXX";
        if (char* dir = mkdtemp(pattern))
        {
            g_tree = dir;
            setenv("OS_DEVICE_ROOT", dir, 1);
            std::filesystem::create_directories(g_tree + "/My Documents");
            atexit(remove_tree);
        }
    }
    setenv("OS_BACKEND", "headless", 0);
    std::string instance = "hhtest-" + std::to_string(getpid());
    setenv("OS_INSTANCE", instance.c_str(), 0);
    return RUN_ALL_TESTS();
}
