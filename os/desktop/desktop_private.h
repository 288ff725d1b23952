// desktop_private.h -- what the files of the desktop library share
#pragma once

#include <os/desktop.h>

#include <string>

namespace os::desktop {

// Latin-1 widening of an ANSI text; nullptr stays nullptr (as an empty
// optional pointer: `wide(p).ptr()`).
struct Wide
{
    std::u16string text;
    bool null = true;
    LPCWSTR ptr() const { return null ? nullptr : text.c_str(); }
};
Wide wide(LPCSTR text);

// A resource name or type as the key of the table: "#123" for a number,
// the upper-cased name otherwise ("" for nullptr).
std::string resource_key(LPCSTR name);

} // namespace os::desktop
