// window_proc.cpp -- keys, pen, activation and the way out
#include "ravenor/game/shell/window_proc.h"

#include <os/windows.h>

#include "ravenor/engine/display/system_bindings.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/game/base/message_pump.h"
#include "ravenor/game/base/settings.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/base/sound.h"

namespace {

constexpr DWORD kHideShell = SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON;

void Activate(HWND window)
{
    if (g_shell.active)
        return;
    if (!g_shell.paused)
    {
        if (g_settings.musicVolume > 0)
            ResumeMusic();
        ResumeAllSounds();
    }
    SetForegroundWindow(window);
    SetActiveWindow(window);
    CallSHFullScreen(window, kHideShell);
    g_shell.active = true;
}

void Deactivate()
{
    if (!g_shell.active)
        return;
    g_shell.paused = true;
    g_shell.pauseMenuState = kPauseMenuFromOutside;
    PauseMusic();
    PauseAllSounds();
    g_shell.active = false;
}

void MovePen(LPARAM lParam)
{
    g_shell.penFirst = 176 - HIWORD(lParam);
    g_shell.penSecond = LOWORD(lParam);
}

} // namespace

namespace {

// false for a message the procedure does not handle
bool Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_CREATE: g_shell.windowDc = GetDC(window); return true;
    case WM_ACTIVATE:
        if (LOWORD(wParam))
            Activate(window);
        else
            Deactivate();
        return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTINGCHANGE:
    case WM_WINDOWPOSCHANGED:
    case WM_CHAR:
    case WM_DEADCHAR: return true;
    case WM_KEYDOWN: g_shell.keys[wParam & 0xFF] = 1; return true;
    case WM_KEYUP: g_shell.keys[wParam & 0xFF] = 0; return true;
    case WM_LBUTTONDOWN:
        g_shell.penDown = true;
        MovePen(lParam);
        return true;
    case WM_MOUSEMOVE: MovePen(lParam); return true;
    case WM_LBUTTONUP: g_shell.penDown = false; return true;
    case MM_WOM_DONE: SoundDone(reinterpret_cast<HWAVEOUT>(wParam), reinterpret_cast<WAVEHDR*>(lParam)); return true;
    case WM_CLOSE:
        // The host's window can be closed: stop as a halted game does.
        HaltGame();
        return true;
    default: return false;
    }
}

} // namespace

LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!Handle(window, message, wParam, lParam))
        return DefWindowProcW(window, message, wParam, lParam);
    ReleaseHaltedDisplay();
    return 0;
}
