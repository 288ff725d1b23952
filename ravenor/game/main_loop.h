// main_loop.h -- the endless loop of the program
#pragma once

#include <os/types.h>

// Serves messages and draws paced frames for as long as the program lives;
// WM_QUIT ends the process. A stage number of 0 or more is entered first.
[[noreturn]] void RunMainLoop(int stage);

// "stage N" enters stage N (0..33); -1 for anything else (said on standard
// error unless the command is empty)
int StageOfCommand(const WCHAR* command);

// The stage's end: its sounds stopped, its last frame shown and faded out,
// then its world cleared and its level released
void CloseStage();

// One message taken and dispatched: true when there was one (WM_QUIT ends
// the process)
bool ServeMessage();

// The blended faces waiting in the renderer's depth queue are drawn.
void FlushDepthQueue();
