// warn.cpp -- one line on stderr per distinct unsupported call or flag
#include "os/base/warn.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>

namespace os {

namespace {

std::mutex g_lock;
std::set<std::string> g_given;

} // namespace

bool warn_once(const char* module, const char* what)
{
    std::string line = std::string("os/") + module + ": " + what;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        if (!g_given.insert(line).second)
            return false;
    }
    const char* quiet = getenv("OS_QUIET");
    if (!quiet || !*quiet || *quiet == '0')
        fprintf(stderr, "%s\n", line.c_str());
    return true;
}

int warnings_given()
{
    std::lock_guard<std::mutex> hold(g_lock);
    return int(g_given.size());
}

} // namespace os
