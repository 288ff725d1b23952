// folder_utils.h -- making and emptying folders on the device's file system
#pragma once

#include <os/types.h>

// True when a folder exists at path; when nothing exists there the folder is
// made. A plain file at path answers false.
bool ensureFolder(const WCHAR* path);

// Makes every folder of path ('/'-separated) from character index start on,
// then path itself; false as soon as one cannot be made.
bool createFolders(const WCHAR* path, int start);

// Deletes every plain file directly in folder (which ends in '/' or '\').
void deleteFolderFiles(const WCHAR* folder);
