// window_fixture.h -- a plain top-level window on the 176 x 220 headless screen
#pragma once

#include <os/windows.h>

#include "os/testing/host.h"

inline HWND MakeGameWindow()
{
    os::host::set_default_screen(176, 220, 16);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"RavenorTest";
    RegisterClassW(&wc);
    return CreateWindowExW(0, u"RavenorTest", u"RavenorTest", WS_POPUP | WS_VISIBLE, 0, 0, 176, 220, nullptr,
                           nullptr, nullptr, nullptr);
}
