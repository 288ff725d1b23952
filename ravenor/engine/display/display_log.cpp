// display_log.cpp -- the display layer's log sink
#include "ravenor/engine/display/display_log.h"

#include <cstdarg>
#include <cstdio>

namespace {

void (*g_sink)(const std::string&) = nullptr;

} // namespace

void DisplayLog(const char* format, ...)
{
    if (!g_sink)
        return;
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    g_sink(line);
}

void SetDisplayLogSink(void (*sink)(const std::string& line))
{
    g_sink = sink;
}
