// module.h -- binding libraries at run time
//
// The device's libraries (gx.dll, aygshell.dll, ...) are this project's own
// stand-ins: each is a name and a table of exports. LoadLibraryW finds one by
// name (case-insensitive, with or without ".dll", any folder ignored) and
// counts references; GetProcAddress finds an export by its exact name or by
// its ordinal (a number below 0x10000 passed in place of the name).
#pragma once

#include <os/types.h>

// ERROR_MOD_NOT_FOUND when no such library exists.
HMODULE LoadLibraryW(LPCWSTR name);

// Drops one reference; the handle stops working when the last one goes.
BOOL FreeLibrary(HMODULE module);

// ERROR_PROC_NOT_FOUND for an unknown export, ERROR_INVALID_HANDLE for a
// handle that is not a loaded library. The device takes wide names.
FARPROC GetProcAddressW(HMODULE module, LPCWSTR name);
FARPROC GetProcAddressA(HMODULE module, LPCSTR name);

inline FARPROC GetProcAddress(HMODULE module, LPCWSTR name)
{
    return GetProcAddressW(module, name);
}

inline FARPROC GetProcAddress(HMODULE module, LPCSTR name)
{
    return GetProcAddressA(module, name);
}
