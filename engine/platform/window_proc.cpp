// window_proc.cpp -- how a Window answers its window messages
#include "engine/platform/window.h"

namespace {

void (*g_waveDoneHandler)(WaveSound*) = nullptr;

// The paint record of the UI thread, shared by every window as on the device.
PAINTSTRUCT g_paint;

// Full-screen states of the shell: hide (or show) the task bar, the
// input-panel button and the start icon.
constexpr DWORD kFullScreenOn = SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON;
constexpr DWORD kFullScreenOff = SHFS_SHOWTASKBAR | SHFS_SHOWSIPBUTTON | SHFS_SHOWSTARTICON;

bool isMouseMessage(UINT message)
{
    switch (message)
    {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        return true;
    default:
        return false;
    }
}

bool isControlColourMessage(UINT message)
{
    switch (message)
    {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}

} // namespace

Window* Window::fromHandle(HWND hwnd)
{
    return reinterpret_cast<Window*>(GetWindowLongW(hwnd, GWL_USERDATA));
}

void Window::setWaveDoneHandler(void (*handler)(WaveSound*))
{
    g_waveDoneHandler = handler;
}

LRESULT CALLBACK Window::windowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l)
{
    if (message == WM_CREATE)
    {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
        if (Window* self = create ? static_cast<Window*>(create->lpCreateParams) : nullptr)
            return self->handleCreate(hwnd);
    }
    Window* self = fromHandle(hwnd);
    if (!self)
        return DefWindowProcW(hwnd, message, w, l);
    return self->handleMessage(message, w, l);
}

LRESULT Window::handleCreate(HWND hwnd)
{
    SetWindowLongW(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
    handle = hwnd;
    acquireDC();
    onCreate();
    afterCreate();
    return 0;
}

LRESULT Window::handleMessage(UINT message, WPARAM w, LPARAM l)
{
    if (LRESULT own = 0; handleOwnMessage(message, w, l, &own))
        return own;
    if (isMouseMessage(message))
    {
        handleMouse(message, w, l);
        return 0;
    }
    if (isControlColourMessage(message))
        return handleControlColour(reinterpret_cast<HDC>(w));
    HWND hwnd = handle;
    switch (message)
    {
    case WM_DESTROY:
        handleDestroy();
        return 0;
    case WM_SIZE:
        handleSize(w);
        break;
    case WM_ACTIVATE:
        handleActivate(LOWORD(w) != 0);
        return 0;
    case WM_SETFOCUS:
        onSetFocus();
        break;
    case WM_KILLFOCUS:
        onKillFocus();
        break;
    case WM_PAINT:
        handlePaint();
        return 0;
    case WM_CLOSE:
        if (!onClose())
            return 0;
        break;
    case WM_ERASEBKGND:
        onEraseBackground();
        break;
    case WM_SHOWWINDOW:
        onShow(w == 1, l);
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
        onKey(message, int(w));
        if (keyListener)
            keyListener->onKey(this, message, int(w));
        return 0;
    case WM_COMMAND:
        handleCommand(w, l);
        return 0;
    case WM_TIMER:
        if (w == kTimerId)
            onTimer();
        return 0;
    case MM_WOM_DONE:
        if (g_waveDoneHandler && l)
            g_waveDoneHandler(reinterpret_cast<WaveSound*>(reinterpret_cast<WAVEHDR*>(l)->dwUser));
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, w, l);
}

void Window::handleDestroy()
{
    releaseWindowDC();
    stopTimer();
    onDestroy();
    afterDestroy();
    if (!parent || quitOnAnyDestroy)
        PostQuitMessage(0);
    // Messages after this one no longer reach the object.
    SetWindowLongW(handle, GWL_USERDATA, 0);
    handle = nullptr;
}

void Window::handleSize(WPARAM type)
{
    if (!timerRunning)
        return;
    if (type == SIZE_RESTORED)
        SetTimer(handle, kTimerId, timerInterval, nullptr);
    else if (type == SIZE_MINIMIZED)
        KillTimer(handle, kTimerId); // still counted as running: restoring sets it again
}

void Window::handleActivate(bool active)
{
    for (int i = 0; i < children.size(); ++i)
        getChild(i)->onActivate(active);
    if (!parentHandle)
        SHFullScreen(GetForegroundWindow(), active ? kFullScreenOn : kFullScreenOff);
    onActivate(active);
    onActivated(active);
}

void Window::handlePaint()
{
    BeginPaint(handle, &g_paint);
    onPaint(&g_paint);
    present(nullptr, -1);
    EndPaint(handle, &g_paint);
}

void Window::handleCommand(WPARAM w, LPARAM l)
{
    int notification = HIWORD(w);
    int id = LOWORD(w);
    if (notification == EN_SETFOCUS)
    {
        SHFullScreen(handle, SHFS_SHOWSIPBUTTON);
        SHSipPreference(handle, SIP_UP);
    }
    else if (notification == EN_KILLFOCUS)
    {
        SHFullScreen(handle, SHFS_HIDESIPBUTTON);
        SHSipPreference(handle, SIP_DOWN);
    }
    if (commandListener)
        commandListener->onCommand(this, notification, id, reinterpret_cast<HWND>(l));
}

LRESULT Window::handleControlColour(HDC dc)
{
    SetTextColor(dc, textColour);
    SetBkColor(dc, backgroundColour);
    return reinterpret_cast<LRESULT>(backgroundBrush);
}

// Both coordinates are sign-extended: a captured pen left of or above the
// window gives negative values.
void Window::handleMouse(UINT message, WPARAM w, LPARAM l)
{
    int x = GET_X_LPARAM(l);
    int y = GET_Y_LPARAM(l);
    onMouse(message, w, x, y, 0);
    if (mouseListener)
        mouseListener->onMouse(this, message, w, x, y);
    onMouse(message, w, x, y, 1);
}

LRESULT CALLBACK Window::editProc(HWND hwnd, UINT message, WPARAM w, LPARAM l)
{
    Window* self = fromHandle(hwnd);
    if (!self || !self->savedEditProc)
        return DefWindowProcW(hwnd, message, w, l);
    if (message == WM_KEYUP && w == VK_RETURN)
    {
        if (self->parentHandle)
            SetFocus(self->parentHandle);
        return 0;
    }
    return CallWindowProcW(self->savedEditProc, hwnd, message, w, l);
}
