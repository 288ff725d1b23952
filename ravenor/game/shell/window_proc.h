// window_proc.h -- the window procedure of the class "Ravenor"
#pragma once

#include <os/types.h>

LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
