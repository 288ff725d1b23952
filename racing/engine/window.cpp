// window.cpp -- the racing window's own message answers and blocking loop
#include "racing/engine/window.h"

#include "engine/platform/gapi_display.h"
#include "engine/platform/system_utils.h"
#include "engine/scene/core/sound_dictionary.h"
#include "racing/engine/canvas.h"

#include <os/wstring.h>

namespace racing {

namespace {

constexpr UINT kLastMouseMessage = 0x209; // WM_MBUTTONDBLCLK

bool isEditClass(HWND hwnd)
{
    WCHAR name[128] = {};
    if (!hwnd || !GetClassNameW(hwnd, name, 127))
        return false;
    return wcscmp(name, u"Edit") == 0 || wcscmp(name, u"EDIT") == 0;
}

} // namespace

Window::Window(const WCHAR* title, HWND parentHandle, bool buffered) : BufferedWindow(title, parentHandle, buffered)
{
    quitOnAnyDestroy = true;
    subclassEdit = false;
}

bool Window::handleOwnMessage(UINT message, WPARAM w, LPARAM l, LRESULT* result)
{
    if (message >= WM_MOUSEFIRST && message <= kLastMouseMessage)
    {
        handleMouse(message, w, l);
        *result = 0;
        return true;
    }
    switch (message)
    {
    case WM_HOTKEY:
        handleHotKey(w, l);
        *result = 0;
        return true;
    case WM_ACTIVATE:
        handleActivate(LOWORD(w) != 0);
        *result = 0;
        return true;
    default:
        return false;
    }
}

void Window::handleMouse(UINT message, WPARAM w, LPARAM l)
{
    if (message == WM_MOUSEMOVE && !trackMouseMoves)
        return;
    int x = LOWORD(l), y = HIWORD(l);
    onMouse(message, w, x, y, 0);
    if (mouseListener)
        mouseListener->onMouse(this, message, w, x, y);
    onMouse(message, w, x, y, 1);
}

void Window::handleHotKey(WPARAM w, LPARAM l)
{
    UINT modifiers = LOWORD(l), key = HIWORD(l);
    HWND focus = GetFocus();
    if (isEditClass(focus))
    {
        if (key == VK_RETURN)
            setFocus();
        else if (key == VK_UP)
        {
            SendMessageW(focus, WM_KEYDOWN, VK_LEFT, 0);
            SendMessageW(focus, WM_KEYDOWN, VK_DELETE, 0);
        }
        else if (key == VK_DOWN)
            SendMessageW(focus, WM_KEYDOWN, VK_DELETE, 0);
    }
    if (hotKeyListener)
        hotKeyListener->onHotKey(this, int(w), modifiers, key);
}

// GAPI is suspended when the program's top-level window loses the
// activation and resumed when it gets it back (left suspended, the device's
// screen would stay frozen after switching back).
void Window::handleActivate(bool active)
{
    bool gapiOpen = GapiDisplay::isDisplayOpen() || GapiDisplay::isInputOpen();
    if (gapiOpen && !getParentHandle())
    {
        if (active)
            GapiDisplay::resume();
        else
            GapiDisplay::suspend();
    }
    onActivate(active);
}

void Window::onActivate(bool active)
{
    for (int i = 0; i < getChildCount(); ++i)
    {
        auto* canvas = dynamic_cast<Canvas*>(getChild(i));
        if (!canvas)
            continue;
        if (active)
        {
            canvas->setFocus();
            if (canvas->suspended)
            {
                canvas->start();
                canvas->suspended = false;
            }
            if (SoundDictionary* sounds = canvas->getSoundDictionary())
                sounds->resumeAll();
        }
        else
        {
            if (canvas->isRunning())
            {
                canvas->stop();
                canvas->suspended = true;
            }
            if (SoundDictionary* sounds = canvas->getSoundDictionary())
                sounds->pauseAll();
        }
    }
}

void Window::addPresentFilter(const WCHAR* name, PresentFilter* filter)
{
    if (!filter)
        return;
    std::u16string shortName = name ? name : u"";
    if (shortName.size() > kNameLength - 1)
        shortName.resize(kNameLength - 1);
    namedFilters.push_back({shortName, filter});
    BufferedWindow::addPresentFilter(filter);
}

void Window::removePresentFilter(const WCHAR* name)
{
    for (auto it = namedFilters.begin(); it != namedFilters.end(); ++it)
    {
        if (name && it->name == name)
        {
            PresentFilter* filter = it->filter;
            namedFilters.erase(it);
            BufferedWindow::removePresentFilter(filter);
            return;
        }
    }
}

// Destroying the frame window makes the next GetMessageW fail before it
// sees the WM_QUIT that the destroy posted: the loop then answers that quit's
// code (and takes it from the queue), not the wParam of the last message it
// happened to dispatch.
int runMessageLoop(HWND window)
{
    MSG message{};
    BOOL got;
    while ((got = GetMessageW(&message, window, 0, 0)) == 1)
    {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (got == -1)
        return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? int(message.wParam) : -1;
    return int(message.wParam);
}

int checkFreeMemory(HWND parent, const WCHAR* programName, float neededMB)
{
    return checkFreeMemoryAs(parent, programName, neededMB);
}

} // namespace racing
