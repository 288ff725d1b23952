// startup.h -- the program's start: folder, memory, window, splash, display, data
#pragma once

#include <os/types.h>

// The module path cut after its last backslash.
void SetProgramFolder();

// Ends the program when less than 4,500,000 bytes of physical memory are free.
void CheckMemory();

// Another instance's window is brought to the front: true when one runs
// (this copy says so on standard error).
bool RaiseRunningInstance();

// "demo.bin" missing or damaged: said on standard error and in a message
// box, and the program ends with status 1 (the data archive's fatal handler).
[[noreturn]] void EndOnUnusableData(const char* reason);

// Registers the class (unless a previous instance did) and opens the
// 176 x 220 window; false when either fails.
bool CreateGameWindow(HINSTANCE instance, HINSTANCE previous);

// "splash2.bmp" of the program folder at (0, 80) of the window; nothing when
// the picture is missing.
void ShowSplash(HWND window);

// Shows the window full screen, creates the display and reads the key map;
// false when no display can be made.
bool PrepareScreen(int showCommand);

// The polygon renderer on the shell's matrix stack, upright (mode 7) and
// unlit (mode 2)
void SetUpRenderer();

// Everything that lives for the whole run; 1, or 0 when something the game
// cannot do without failed to load: the scenery (".p3d" and ".tex") or its
// cells.
int StartupLoad();
