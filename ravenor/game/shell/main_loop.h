// main_loop.h -- the endless loop of the program
#pragma once

#include <os/types.h>

// Serves messages and draws paced frames for as long as the program lives;
// WM_QUIT ends the process. A stage number of 0 or more is entered first.
[[noreturn]] void RunMainLoop(int stage);

// "stage N" enters stage N (0..33); -1 for anything else (said on standard
// error unless the command is empty)
int StageOfCommand(const WCHAR* command);

