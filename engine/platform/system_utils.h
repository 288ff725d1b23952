// system_utils.h -- start-up and restart helpers of the engine programs
//
// The free-memory check, the program's folder and file name, special
// folders, starting a program and restarting this one, the screen rectangle
// (portrait screens only), the last-error box and the device's OEM text.
#pragma once

#include <os/windows.h>

// Free physical memory in bytes.
DWORD getFreeMemory();
// IDYES when at least neededMB megabytes are free, else the answer of the
// "Memory Warning" Yes/No question on parent.
int checkFreeMemory(HWND parent, float neededMB);
// The same with the name shown as given (the racing programs pass theirs).
int checkFreeMemoryAs(HWND parent, const WCHAR* shownName, float neededMB);

// The program's device path cut just after its last backslash (MAX_PATH).
void getProgramFolder(WCHAR* buffer);
// The program's file name without its folder (MAX_PATH).
void getProgramFileName(WCHAR* buffer);
// The shell's special folder (made when missing) into buffer (MAX_PATH).
bool getSpecialFolder(int folder, WCHAR* buffer);

// Starts program with arguments as its whole command line.
bool startProgram(const WCHAR* program, const WCHAR* arguments);
// Destroys window, then starts this program again with arguments.
bool restartProgram(HWND window, const WCHAR* arguments);

// Shows the system's text for GetLastError in an "Error" box.
void showLastError();

// The whole screen. A landscape screen (width > height) shows why the
// program cannot run and ends the calling thread with -1.
void getScreenRect(int* x, int* y, int* width, int* height);

// The device's OEM text (40 characters).
void getOemInfo(WCHAR* buffer);
[[noreturn]] void exitCurrentThread(DWORD code);
