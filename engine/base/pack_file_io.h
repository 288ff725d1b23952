// pack_file_io.h -- the zip library's file access over the device's files
//
// The zip library opens archives by host file name; the engine names them by
// device path. These functions let it read and write through _wfopen, so the
// device mapping (separators, case) applies to archives too.
#pragma once

#include <os/types.h>

#include <minizip/ioapi.h>

// Fills funcs so that the library opens `path` (a device path that must
// outlive the open call) whatever file name it is given.
void fillPackFileFunctions(zlib_filefunc_def* funcs, const WCHAR* path);
