// message_loop.h -- the UI thread's message loop and its idle handler
//
// Frames run on the UI thread whenever the message queue is empty: the loop
// never blocks, and calls the one registered idle handler (the running
// canvas) on every empty poll, or sleeps 1 ms when there is none.
#pragma once

#include <os/windows.h>

class IdleHandler
{
public:
    virtual ~IdleHandler() = default;
    // message holds the last message taken (it is not cleared between polls).
    virtual void onIdle(MSG* message, HWND window) = 0;
};

// Runs until a WM_QUIT is taken; answers its code.
int runMessageLoop(HWND window);

// One program-wide handler (null: none).
void setIdleHandler(IdleHandler* handler);
IdleHandler* getIdleHandler();
