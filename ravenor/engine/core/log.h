// log.h -- the engine's log and debug output
//
// Log and LogFormat are the engine's log hooks: they take printf-style lines
// and write nothing in this build; ProfileBegin and ProfileEnd mark a named
// phase of a frame ("FlushScreen", "waitframe", "control", ...) and do
// nothing either. DebugPrint is the debugger's output: it goes to
// standard error so that a content author sees which file was refused.
#pragma once

#include <cstdarg>
#include <cstdio>

inline void Log(const char* format, ...)
{
    (void)format;
}

inline void LogFormat(const char* format, ...)
{
    (void)format;
}

inline void ProfileBegin(const char* phase)
{
    (void)phase;
}

inline void ProfileEnd(const char* phase)
{
    (void)phase;
}

inline void DebugPrint(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}
