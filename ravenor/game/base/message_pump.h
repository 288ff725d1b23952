// message_pump.h -- what every loop of the program does between its frames
#pragma once

// One message taken and dispatched: true when there was one. WM_QUIT
// unloads the sounds and ends the process.
bool ServeMessage();

// Once the game is halted: the display released once and the quit posted
void ReleaseHaltedDisplay();

// The blended faces waiting in the renderer's depth queue are drawn.
void FlushDepthQueue();
