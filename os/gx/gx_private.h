// gx_private.h -- GAPI's state for tests, and its registration as gx.dll
#pragma once

#include <os/gx.h>

namespace os::gx {

// Makes "gx.dll" loadable with every GAPI entry under its plain name and its
// decorated name (as the device's library exports them).
void register_library();

struct State
{
    bool display_open = false;
    HWND window = nullptr;
    DWORD open_flags = 0;
    bool input_open = false;
    bool suspended = false;
    int begin_draws = 0;
    int end_draws = 0;
    DWORD viewport[4] = {0, 0, 0, 0}; // the last GXSetViewport arguments
};

State state();

} // namespace os::gx
