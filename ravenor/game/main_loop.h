// main_loop.h -- the endless loop of the program
#pragma once

// Serves messages and draws paced frames for as long as the program lives;
// WM_QUIT ends the process.
[[noreturn]] void RunMainLoop();

// The blended faces waiting in the renderer's depth queue are drawn.
void FlushDepthQueue();
