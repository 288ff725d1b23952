// file_private.h -- what the file, listing and stdio sources share
#pragma once

#include <os/file.h>

#include <string>
#include <sys/stat.h>

namespace os::file {

// Set the last error for a failed host call on `host_path` from errno.
// A missing name is ERROR_FILE_NOT_FOUND when its folder exists, else
// ERROR_PATH_NOT_FOUND.
void set_error_from_errno(int error, const std::string& host_path);

// The device attributes of a host file.
DWORD attributes_of(const struct stat& st);

// A host time as a FILETIME (100 ns ticks since 1601-01-01).
FILETIME filetime_of(const struct timespec& time);

// The host path of a device path, or "" with ERROR_INVALID_PARAMETER
// (nullptr) or ERROR_PATH_NOT_FOUND (an empty name).
std::string host_path_of(LPCWSTR path);

// Read or write a whole buffer, retrying short transfers; *done counts the
// bytes moved. read_all stops early only at the end of the file.
bool read_all(int fd, char* buffer, size_t size, size_t* done);
bool write_all(int fd, const char* buffer, size_t size, size_t* done);

// At a program's start: the temporaries that killed writers left in the
// program's install folder (the folder of "\Program Files" that holds it,
// else its own folder) and below, in "My Documents" and below, and among the
// device root's own files (the registry). Nothing outside the device root is
// looked at.
void remove_program_temporaries();

} // namespace os::file
