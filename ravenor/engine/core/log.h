// log.h -- the engine's log and debug output
//
// Log is the engine's log hook: it takes printf-style lines and writes
// nothing in this build. DebugPrint is the debugger's output: it goes to
// standard error so that a content author sees which file was refused.
#pragma once

#include <cstdarg>
#include <cstdio>

inline void Log(const char* format, ...)
{
    (void)format;
}

inline void DebugPrint(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}
