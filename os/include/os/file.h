// file.h -- files, folders and wide stdio on the device's file system
//
// Paths are device paths (see os/kernel/path.h for how they reach the host):
// backslashes or slashes, "..", any case for names that already exist.
// File handles are kernel handles and are closed with CloseHandle.
// Attributes: a file is FILE_ATTRIBUTE_NORMAL, or FILE_ATTRIBUTE_READONLY when
// the host file has no owner write permission; a folder is
// FILE_ATTRIBUTE_DIRECTORY.
#pragma once

#include <os/types.h>

#include <cstdio>
#include <string>

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u

#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_SYSTEM 0x00000004u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100u
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu

#define FILE_FLAG_WRITE_THROUGH 0x80000000u
#define FILE_FLAG_RANDOM_ACCESS 0x10000000u
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000u

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu
#define INVALID_FILE_SIZE 0xFFFFFFFFu

struct OVERLAPPED; // asynchronous I/O is not offered: pass nullptr

struct WIN32_FIND_DATAW
{
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    WCHAR cFileName[MAX_PATH];
    WCHAR cAlternateFileName[14];
};
typedef WIN32_FIND_DATAW* LPWIN32_FIND_DATAW;
typedef WIN32_FIND_DATAW* PWIN32_FIND_DATAW;

// ---- files ----
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                   DWORD flags, HANDLE template_file);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, OVERLAPPED* overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, OVERLAPPED* overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distance_high, DWORD method);
DWORD GetFileSize(HANDLE file, LPDWORD size_high);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);

// ---- names and folders ----
BOOL DeleteFileW(LPCWSTR path);
BOOL MoveFileW(LPCWSTR from, LPCWSTR to);
BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL fail_if_exists);
BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES security);
BOOL RemoveDirectoryW(LPCWSTR path);
DWORD GetFileAttributesW(LPCWSTR path);
BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes);

// ---- listing ----
// Patterns use '*' and '?' without regard to case; "*.*" also matches names
// without a dot. "." and ".." are never listed. Entries come sorted by name.
HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data);
BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data);
BOOL FindClose(HANDLE find);

// ---- wide stdio ----
// Paths go through the device mapping; modes are those of fopen. Text is
// one byte per character (Latin-1). fgetws reads LF and CRLF line ends alike
// and never leaves a '\r' in the line; fputws and fwprintf write the text as
// given.
FILE* _wfopen(const WCHAR* path, const WCHAR* mode);
int _wremove(const WCHAR* path);
int _wrename(const WCHAR* from, const WCHAR* to);
WCHAR* fgetws(WCHAR* buf, int count, FILE* file);
int fputws(const WCHAR* text, FILE* file);
int fwprintf(FILE* file, const WCHAR* fmt, ...);

namespace os {

// Replace a host file in one step: write a temporary file beside it, flush it
// to the disk, then rename it over the old one. A crash or a full disk leaves
// the old file whole. False (and the old file untouched) on failure.
bool write_file_atomic(const std::string& host_path, const void* data, size_t size);

// The same for a file named by its device path.
bool write_file_atomic(const std::u16string& device_path, const void* data, size_t size);

// A file made whole or not at all from data that comes in pieces: the bytes
// go to a temporary file beside the final name ("<name>.tmp-PID-N", as
// write_file_atomic writes), and commit() flushes it and renames it over the
// final name. A writer that goes without committing removes its temporary; a
// killed one leaves it for remove_stale_temporaries.
class AtomicFileWriter
{
public:
    explicit AtomicFileWriter(const std::u16string& device_path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // False when the temporary could not be made (no folder, no room).
    bool is_open() const { return fd_ >= 0; }
    bool write(const void* data, size_t size);
    // Flushes, closes and renames; false (the final name untouched, the
    // temporary gone) when any step failed or a write did.
    bool commit();

private:
    struct HostPath
    {
        std::string path;
    };
    explicit AtomicFileWriter(HostPath host);
    void discard();
    friend bool write_file_atomic(const std::string& host_path, const void* data, size_t size);

    std::string final_;
    std::string temp_;
    int fd_ = -1;
    bool failed_ = false;
};

// Removes the temporaries of atomic writers that were killed mid-write
// ("<name>.tmp-PID-N" whose process no longer runs) from a host folder and
// its folders `depth` levels down (0: the folder's own files). Answers how
// many went. Programs do this for their folders when they start.
int remove_stale_temporaries(const std::string& host_folder, int depth);

// Move a damaged file out of the way so that the program can go on with its
// defaults without losing what was there: "name" becomes "name.damaged" (or
// "name.damaged-2", "-3", ... when that is taken). Answers the device path it
// was moved to, or an empty string when there was nothing to move or the move
// failed (the file is then left as it was). The caller tells the user once.
std::u16string set_aside_damaged_file(const std::u16string& device_path);

} // namespace os
