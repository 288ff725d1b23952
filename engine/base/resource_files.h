// resource_files.h -- files read from disk or from the mounted packs
//
// Every file the engine opens goes through openResourceFile: a real file is
// used when it exists; otherwise the path is looked up in the mounted packs,
// the last mounted first, the member is extracted into the temporary folder
// and that copy is opened. closeResourceFile deletes the copy once the last
// handle open on it is closed. All of this is program-wide state of the UI
// thread.
#pragma once

#include <os/types.h>

#include <cstdio>

// Mounts name (in folder) on folder; a pack that does not open is dropped
// without a message.
void addResourcePack(const WCHAR* name, const WCHAR* folder);
int getResourcePackCount();

// The folder extracted members go to ('\' becomes '/', a '/' is appended);
// its plain files are deleted now. The folder is made at the first
// extraction.
void setTempFolder(const WCHAR* path);
// The temporary folder, or null when none is set.
const WCHAR* getTempFolder();

// Deletes the packs (last first), forgets the open copies, empties and
// removes the temporary folder.
void closeResourcePacks();

// The file at path, else for a reading mode the member of a pack that stands
// for it; null when neither opens. The caller's path is left as it is.
FILE* openResourceFile(const WCHAR* path, const WCHAR* mode);
// fclose, and deletes the file's extracted copy when no other handle uses it.
int closeResourceFile(FILE* file);

// The pack lookup of openResourceFile alone.
FILE* openFromPacks(const WCHAR* path, const WCHAR* mode);
