// system_bindings.h -- optional system entry points bound by name at run time
//
// Each library is loaded on first use and kept until the process ends; a
// missing library or entry point falls back to a substitute:
//   "AllKeys" (coredll.dll)                 remembers the value, returns the previous one
//   "ChangeDisplaySettingsEx" (coredll.dll) reports success without filling anything
//   "SHFullScreen" (aygshell.dll)           reports success
//   "SetKMode" (coredll.dll)                remembers the mode, returns the previous one
#pragma once

#include <os/types.h>

#include <cstdint>

struct GXKeyList;

BOOL CallAllKeys(BOOL all);
// Kernel mode on or off; the previous mode. Missing: remembers the mode.
BOOL CallSetKMode(BOOL on);
BOOL CallSHFullScreen(HWND window, DWORD flags);

// The screen's own rotation in quarter turns (0..3), asked once per process.
int32_t NativeScreenRotation();

// gx.dll's default key lists; false when gx.dll is not there.
bool GxLoaded();
bool GxDefaultKeys(int options, GXKeyList& keys);
// An entry point of gx.dll or gxdma.dll by name, nullptr when missing.
FARPROC GxEntry(const char* name);
FARPROC GxdmaEntry(const char* name);
bool GxdmaLoaded();

// Tests: forget every binding and the native rotation.
void ResetSystemBindings();
