// full_screen_display.cpp -- the full-screen display and its window subclass
#include "ravenor/engine/display/full_screen_display.h"

#include <os/windows.h>

#include "ravenor/engine/display/system_bindings.h"
#include "ravenor/engine/display/video_detect.h"

namespace {

constexpr DWORD kHideShell = SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON;   // 0x2A
constexpr DWORD kShowShell = SHFS_SHOWTASKBAR | SHFS_SHOWSIPBUTTON | SHFS_SHOWSTARTICON;   // 0x15
constexpr int kMaxSubclasses = 16;

struct Subclass
{
    HWND window;
    WNDPROC previous;
    DisplayImpl* display;
};

Subclass g_subclasses[kMaxSubclasses];
int g_subclassCount = 0;

int FindSubclass(HWND window)
{
    for (int i = 0; i < g_subclassCount; ++i)
    {
        if (g_subclasses[i].window == window)
            return i;
    }
    return -1;
}

int FindDisplay(const DisplayImpl* display)
{
    for (int i = 0; i < g_subclassCount; ++i)
    {
        if (g_subclasses[i].display == display)
            return i;
    }
    return -1;
}

// Restores the window's procedure; the last entry moves into the freed place.
void RemoveSubclass(int index)
{
    const Subclass entry = g_subclasses[index];
    SetWindowLongPtrW(entry.window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(entry.previous));
    g_subclasses[index] = g_subclasses[--g_subclassCount];
}

LRESULT SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const int index = FindSubclass(window);
    if (index < 0)
        return DefWindowProcW(window, message, wParam, lParam);
    const Subclass entry = g_subclasses[index];
    switch (message)
    {
    case WM_DESTROY: RemoveSubclass(index); break;
    case WM_ACTIVATE:
        if (LOWORD(wParam))
            entry.display->Resume();
        else
            entry.display->Suspend();
        break;
    case WM_PAINT: entry.display->Invalidate(); break;
    default: break;
    }
    return CallWindowProcW(entry.previous, window, message, wParam, lParam);
}

bool AddSubclass(HWND window, DisplayImpl* display)
{
    if (g_subclassCount >= kMaxSubclasses)
        return false;
    const LONG_PTR previous = SetWindowLongPtrW(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc));
    g_subclasses[g_subclassCount++] = Subclass{window, reinterpret_cast<WNDPROC>(previous), display};
    return true;
}

} // namespace

FullScreenDisplay::FullScreenDisplay(HWND window) : DisplayImpl(window) {}

void FullScreenDisplay::Resume()
{
    CallSHFullScreen(window, kHideShell);
    DisplayImpl::Resume();
}

void FullScreenDisplay::Suspend()
{
    CallSHFullScreen(window, kShowShell);
    DisplayImpl::Suspend();
}

FullScreenDisplay::~FullScreenDisplay()
{
    CallAllKeys(FALSE);
    const int index = FindDisplay(this);
    if (index >= 0 && IsWindow(window))
        RemoveSubclass(index);
    else if (index >= 0)
        g_subclasses[index] = g_subclasses[--g_subclassCount];
}

bool FullScreenDisplay::Initialize(DisplayParams& params)
{
    if (!IsWindow(window) || !AddSubclass(window, this))
        return false;
    if (!DisplayImpl::Initialize(params))
        return false;
    CallAllKeys(TRUE);
    CallSHFullScreen(window, kHideShell);
    return true;
}

std::unique_ptr<VideoDriver> FullScreenDisplay::CreateVideoDriver(DisplayParams& params)
{
    SetDetectionWindow(window);
    return SelectDriver(VideoDetect::Instance(), window, params);
}

int SubclassedWindowCount()
{
    return g_subclassCount;
}
