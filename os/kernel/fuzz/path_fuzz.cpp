// Fuzz target: mapping device paths to the host.
#include "os/kernel/path.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string g_root;

void remove_root()
{
    std::error_code ec;
    std::filesystem::remove_all(g_root, ec);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char pattern[] = "/tmp/hh-path-fuzz-XXXXXX";
    if (char* dir = mkdtemp(pattern))
    {
        g_root = dir;
        setenv("OS_DEVICE_ROOT", dir, 1);
        std::filesystem::create_directories(g_root + "/Program Files/Game");
        atexit(remove_root);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::u16string path;
    for (size_t i = 0; i + 1 < size; i += 2)
        path += char16_t(data[i] | data[i + 1] << 8);
    std::string host = os::path::to_host(path);
    // Always inside the root, never climbing out of it, never doubled '/'.
    if (host.compare(0, g_root.size(), g_root) != 0 || host.find("//") != std::string::npos ||
        host.find("/../") != std::string::npos || host.find("/./") != std::string::npos ||
        (host.size() >= 3 && host.compare(host.size() - 3, 3, "/..") == 0))
        std::abort();
    // Back to a device path and out again gives the same host path.
    if (os::path::to_host(os::path::to_device(host)) != host)
        std::abort();
    return 0;
}
