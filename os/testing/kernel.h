// kernel.h -- the kernel's test seams: device paths, the stand-in library
// table, process and system-fact hooks, the random generator, and files in
// the test's device tree
#pragma once

#include "os/kernel/module_private.h"
#include "os/kernel/path.h"
#include "os/kernel/process_private.h"
#include "os/kernel/sysinfo_private.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace os {

// Replaces the generator behind os_rand (nullptr restores it).
void set_rand_hook(int (*hook)());

} // namespace os

namespace os::testing {

// The host path of a name below the device root ("a/b.txt").
inline std::string host(const std::string& relative)
{
    return os::path::device_root() + "/" + relative;
}

// Write a file below the device root, making its folders.
inline void put(const std::string& relative, const std::string& content)
{
    std::filesystem::create_directories(std::filesystem::path(host(relative)).parent_path());
    std::ofstream(host(relative), std::ios::binary) << content;
}

// The contents of a file below the device root ("" when missing).
inline std::string get(const std::string& relative)
{
    std::ifstream in(host(relative), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace os::testing
