// sysinfo.h -- time, system and memory facts, error texts and memory blocks
#pragma once

#include <os/types.h>

#include <cstdarg>

// ---- time ----

// Milliseconds since start-up on the back end's clock, truncated to 32 bits
// (it wraps after 49.7 days; subtract as unsigned).
DWORD GetTickCount();

struct SYSTEMTIME
{
    WORD wYear;
    WORD wMonth; // 1..12
    WORD wDayOfWeek; // 0 = Sunday
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};
typedef SYSTEMTIME* LPSYSTEMTIME;

// The wall clock of the host (UTC, and the host's local time zone).
void GetSystemTime(LPSYSTEMTIME time);
void GetLocalTime(LPSYSTEMTIME time);

union LARGE_INTEGER
{
    struct
    {
        DWORD LowPart;
        LONG HighPart;
    };
    LONGLONG QuadPart;
};

// A microsecond counter on the back end's clock (virtual in headless).
BOOL QueryPerformanceCounter(LARGE_INTEGER* counter);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);

// ---- memory status and system facts ----

struct MEMORYSTATUS
{
    DWORD dwLength;
    DWORD dwMemoryLoad;
    DWORD dwTotalPhys;
    DWORD dwAvailPhys; // clamped to 0xFFFFFFFF; OS_MEM_AVAIL overrides it
    DWORD dwTotalPageFile;
    DWORD dwAvailPageFile;
    DWORD dwTotalVirtual;
    DWORD dwAvailVirtual;
};
typedef MEMORYSTATUS* LPMEMORYSTATUS;

void GlobalMemoryStatus(LPMEMORYSTATUS status);

#define PROCESSOR_ARCHITECTURE_ARM 5
#define PROCESSOR_STRONGARM 2577

struct SYSTEM_INFO
{
    union
    {
        DWORD dwOemId;
        struct
        {
            WORD wProcessorArchitecture;
            WORD wReserved;
        };
    };
    DWORD dwPageSize;
    LPVOID lpMinimumApplicationAddress;
    LPVOID lpMaximumApplicationAddress;
    DWORD_PTR dwActiveProcessorMask;
    DWORD dwNumberOfProcessors;
    DWORD dwProcessorType;
    DWORD dwAllocationGranularity;
    WORD wProcessorLevel;
    WORD wProcessorRevision;
};
typedef SYSTEM_INFO* LPSYSTEM_INFO;

// The device's processor (ARM), the host's page size and processor count.
void GetSystemInfo(LPSYSTEM_INFO info);

#define VER_PLATFORM_WIN32_CE 3

struct OSVERSIONINFOW
{
    DWORD dwOSVersionInfoSize; // set by the caller to sizeof(OSVERSIONINFOW)
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
};
typedef OSVERSIONINFOW* LPOSVERSIONINFOW;

// Windows CE 4.20; fails with ERROR_INSUFFICIENT_BUFFER when the size field
// is smaller than the record.
BOOL GetVersionExW(LPOSVERSIONINFOW info);

// ---- error texts ----

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

#define LANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))

#ifndef ERROR_MR_MID_NOT_FOUND
#define ERROR_MR_MID_NOT_FOUND 317L
#endif

// FROM_SYSTEM only: the system text of an error code, ending in "\r\n" as
// the device's texts do. With ALLOCATE_BUFFER, `buffer` is really an LPWSTR*
// that receives a LocalAlloc'ed text (free it with LocalFree); `size` is then
// the least number of characters to allocate. Answers the length without the
// terminator, or 0 (ERROR_MR_MID_NOT_FOUND for an unknown code,
// ERROR_INSUFFICIENT_BUFFER for a small buffer, ERROR_INVALID_PARAMETER for
// other sources). Inserts are never expanded.
DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD message_id, DWORD language_id, LPWSTR buffer, DWORD size,
                     va_list* arguments);

// ---- memory blocks (one heap; local and global blocks are the same) ----

#define LMEM_FIXED 0x0000
#define LMEM_MOVEABLE 0x0002
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)
#define LHND (LMEM_MOVEABLE | LMEM_ZEROINIT)
#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)

// A block's handle is its address (moveable blocks never move here). Freeing
// answers NULL, or the handle itself when it is not a live block
// (ERROR_INVALID_HANDLE).
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
HLOCAL LocalFree(HLOCAL block);
SIZE_T LocalSize(HLOCAL block);
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL GlobalFree(HGLOBAL block);
LPVOID GlobalLock(HGLOBAL block);
// TRUE while the block stays locked; FALSE with NO_ERROR once unlocked.
BOOL GlobalUnlock(HGLOBAL block);
SIZE_T GlobalSize(HGLOBAL block);

// ---- address space ----

#define MEM_COMMIT 0x00001000
#define MEM_RESERVE 0x00002000
#define MEM_DECOMMIT 0x00004000
#define MEM_RELEASE 0x00008000
#define PAGE_NOACCESS 0x01
#define PAGE_READONLY 0x02
#define PAGE_READWRITE 0x04
#define PAGE_NOCACHE 0x200
#define PAGE_PHYSICAL 0x400

// Reserves and commits pages of the process (host mmap).
LPVOID VirtualAlloc(LPVOID address, SIZE_T bytes, DWORD type, DWORD protect);
BOOL VirtualFree(LPVOID address, SIZE_T bytes, DWORD type);
// Maps physical memory on the device; the host has none to give:
// always FALSE with ERROR_NOT_SUPPORTED.
BOOL VirtualCopy(LPVOID destination, LPVOID source, DWORD bytes, DWORD protect);
