// process.h -- the program, its command line, its module path, processes and
// the end of threads and processes
//
// A program of this project runs from its folder in the device tree. Its
// command line is the one argument text it was started with (as on the
// device, without the program name), and its module path is the device path
// of its executable in backslash form ("\Program Files\Game\Game").
#pragma once

#include <os/types.h>

// Exit code of a thread or process that is still running.
#define STILL_ACTIVE 259

// Pseudo-handles: always mean the caller's own process or thread.
#define OS_CURRENT_PROCESS_HANDLE ((HANDLE)(LONG_PTR)-1)
#define OS_CURRENT_THREAD_HANDLE ((HANDLE)(LONG_PTR)-2)

// Creation flags
#define CREATE_SUSPENDED 0x00000004
#define CREATE_NEW_CONSOLE 0x00000010

// ShowWindow commands as passed to WinMain
#ifndef SW_SHOW
#define SW_SHOW 5
#endif

struct STARTUPINFOW
{
    DWORD cb;
    LPWSTR lpReserved;
    LPWSTR lpDesktop;
    LPWSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    LPBYTE lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};
typedef STARTUPINFOW* LPSTARTUPINFOW;

struct PROCESS_INFORMATION
{
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};
typedef PROCESS_INFORMATION* LPPROCESS_INFORMATION;

// The program's entry, written by each program; os_main calls it.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR command_line, int show);

// The argument text the program was started with ("" when none).
LPWSTR GetCommandLineW();

// The device path of the program (module NULL or the program's own handle).
// Answers the length without the terminator; when the buffer is too small
// the path is truncated, terminated, the answer is `size` and the last error
// ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);

// NULL answers the program's own instance handle; a library name answers
// its handle while it is loaded.
HMODULE GetModuleHandleW(LPCWSTR name);

// Starts a program of the device tree with `command_line` as its one
// argument text. The application path is a device path; when it is NULL the
// first word of the command line names the program. Errors:
// ERROR_FILE_NOT_FOUND (no such program), ERROR_BAD_EXE_FORMAT (not a
// program). The process handle is signalled when the child ends; closing it
// does not stop the child, and an ended child never stays a zombie.
BOOL CreateProcessW(LPCWSTR application, LPWSTR command_line, LPSECURITY_ATTRIBUTES process_attributes,
                    LPSECURITY_ATTRIBUTES thread_attributes, BOOL inherit_handles, DWORD flags, LPVOID environment,
                    LPCWSTR current_directory, LPSTARTUPINFOW startup_info, LPPROCESS_INFORMATION information);

// Ends the process at once with `code` (the low 8 bits reach the host).
[[noreturn]] void ExitProcess(UINT code);

// Ends the calling thread. On the program's main thread this ends the
// process with `code` (-1 gives 255 on the host).
[[noreturn]] void ExitThread(DWORD code);

// Kills a child process started by CreateProcessW.
BOOL TerminateProcess(HANDLE process, UINT code);

BOOL GetExitCodeProcess(HANDLE process, LPDWORD code);
BOOL GetExitCodeThread(HANDLE thread, LPDWORD code);

DWORD GetCurrentProcessId();
DWORD GetCurrentThreadId();
HANDLE GetCurrentProcess();
HANDLE GetCurrentThread();
