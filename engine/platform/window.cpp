// window.cpp -- class registration, creation, the message table and controls
#include "engine/platform/window.h"

#include "engine/base/wstring_utils.h"
#include "engine/platform/present_filter.h"
#include "engine/platform/system_utils.h"

#include <os/wstring.h>

#include <cstdio>

namespace {

const WCHAR kDefaultClassName[] = u"VaskoFC_WINDOW";
const WCHAR* g_refusedChars = nullptr;

COLORREF packColour(int r, int g, int b)
{
    return COLORREF((r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16);
}

// The device brings the running copy to the front and says nothing; on a
// desktop that copy may sit in another window or on another screen, so the
// copy that ends says why.
void sayStandingBack(const std::u16string& title)
{
    char name[256] = {};
    WideCharToMultiByte(CP_UTF8, 0, title.c_str(), -1, name, int(sizeof name), nullptr, nullptr);
    std::fprintf(stderr, "%s is already running on this device; this copy ends and brings that one to the front.\n",
                 name);
}

} // namespace

Window::Window(const WCHAR* titleText, HWND parentHandle, bool buffered)
    : windowClass{}, parentHandle(parentHandle), buffered(buffered), title(titleText ? titleText : u"")
{
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_GLOBALCLASS;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(uintptr_t(0x40000000 | (COLOR_WINDOW + 1)));
    windowClass.lpszClassName = kDefaultClassName;
    textColour = GetSysColor(COLOR_WINDOWTEXT);
    backgroundColour = GetSysColor(COLOR_WINDOW);
    backgroundBrush = CreateSolidBrush(backgroundColour);
}

Window::~Window()
{
    for (int i = 0; i < children.size(); ++i)
        delete getChild(i);
    detachFromPlatformWindow();
    releaseWindowDC();
    if (backgroundBrush)
        DeleteObject(backgroundBrush);
}

// A platform window that outlives this object must never reach it again.
void Window::detachFromPlatformWindow()
{
    if (!handle || !IsWindow(handle))
        return;
    if (fromHandle(handle) == this)
        SetWindowLongW(handle, GWL_USERDATA, 0);
    if (savedEditProc)
        SetWindowLongW(handle, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(savedEditProc));
    DestroyWindow(handle);
    handle = nullptr;
}

void Window::releaseWindowDC()
{
    if (windowDC)
        ReleaseDC(handle, windowDC);
    windowDC = nullptr;
    drawDC = nullptr;
}

// ---- life ----

bool Window::create(int x, int y, int width, int height)
{
    if (!parentHandle && !allowMultipleInstances)
    {
        if (HWND running = FindWindowW(windowClass.lpszClassName, title.c_str()))
        {
            SetForegroundWindow(running);
            sayStandingBack(title);
            return false;
        }
    }
    WNDCLASSW known;
    if (!GetClassInfoW(nullptr, windowClass.lpszClassName, &known) && !RegisterClassW(&windowClass))
    {
        showLastError();
        return false;
    }
    HMENU id = (style & WS_CHILD) ? reinterpret_cast<HMENU>(uintptr_t(controlId)) : nullptr;
    HWND created = CreateWindowExW(exStyle, windowClass.lpszClassName, title.c_str(), style, x, y, width, height,
                                   parentHandle, id, windowClass.hInstance, this);
    if (!created)
    {
        showLastError();
        return false;
    }
    handle = created;
    if (subclassEdit && isEditControl())
    {
        SetWindowLongW(handle, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
        savedEditProc = reinterpret_cast<WNDPROC>(
            SetWindowLongW(handle, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::editProc)));
    }
    return true;
}

bool Window::destroy()
{
    if (parent)
        parent->children.remove(this);
    if (savedEditProc && handle)
    {
        SetWindowLongW(handle, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(savedEditProc));
        savedEditProc = nullptr;
    }
    return handle && DestroyWindow(handle);
}

bool Window::addChild(Window* child, int x, int y, int width, int height)
{
    if (!child || children.contains(child))
        return false;
    onAddChild(child, x, y, width, height);
    children.add(child);
    child->parent = this;
    child->parentHandle = handle;
    return child->create(x, y, width, height);
}

void Window::removeChild(Window* child)
{
    onRemoveChild(child);
    children.remove(child);
    child->destroy();
}

// ---- appearance ----

void Window::show(bool visible)
{
    ShowWindow(handle, visible ? SW_SHOW : SW_HIDE);
    UpdateWindow(handle);
}

void Window::invalidate(bool erase, const RECT* rect)
{
    InvalidateRect(handle, rect, erase);
    PostMessageW(handle, WM_PAINT, 0, 0);
}

void Window::repaint(bool erase, const RECT* rect)
{
    InvalidateRect(handle, rect, erase);
    UpdateWindow(handle);
}

void Window::move(int x, int y, int width, int height)
{
    if (!MoveWindow(handle, x, y, width, height, TRUE))
        showLastError();
    acquireDC();
}

void Window::acquireDC()
{
    releaseWindowDC();
    windowDC = drawDC = GetDC(handle);
    if (buffered)
    {
        if (HDC bufferDC = rebuildBackBuffer())
            drawDC = bufferDC;
    }
}

void Window::setFont(HFONT font)
{
    if (font)
        SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void Window::setTitle(const WCHAR* text)
{
    title = text ? text : u"";
    SetWindowTextW(handle, title.c_str());
}

bool Window::isEditControl() const
{
    return _wcsicmp(windowClass.lpszClassName, u"EDIT") == 0;
}

WCHAR* Window::getText(WCHAR* buffer, int capacity)
{
    SendMessageW(handle, WM_GETTEXT, WPARAM(capacity), reinterpret_cast<LPARAM>(buffer));
    if (g_refusedChars && isEditControl())
    {
        replaceChar(buffer, u' ', u'_');
        removeChars(buffer, g_refusedChars);
    }
    return buffer;
}

int Window::getClientWidth() const
{
    RECT r{};
    GetClientRect(handle, &r);
    return orientation ? r.bottom - r.top : r.right - r.left;
}

int Window::getClientHeight() const
{
    RECT r{};
    GetClientRect(handle, &r);
    return orientation ? r.right - r.left : r.bottom - r.top;
}

void Window::setTextColor(int r, int g, int b)
{
    textColour = packColour(r, g, b);
}

void Window::setBackgroundColor(int r, int g, int b)
{
    backgroundColour = packColour(r, g, b);
    if (backgroundBrush)
        DeleteObject(backgroundBrush);
    backgroundBrush = CreateSolidBrush(backgroundColour);
}

// ---- tree, focus, timer ----

Window* Window::findChild(UINT id) const
{
    for (int i = 0; i < children.size(); ++i)
    {
        if (getChild(i)->controlId == id)
            return getChild(i);
    }
    return nullptr;
}

void Window::setFocus()
{
    SetFocus(handle);
}

void Window::startTimer(UINT ms)
{
    SetTimer(handle, kTimerId, ms, nullptr);
    timerInterval = ms;
    timerRunning = true;
}

void Window::stopTimer()
{
    if (!timerRunning)
        return;
    KillTimer(handle, kTimerId);
    timerRunning = false;
}

// ---- presenting ----

void Window::present(const RECT* rect, int zoom256)
{
    if (!buffered)
        return;
    if (zoom256 < 0)
        zoom256 = int(zoom * 256 + 0.5f);
    for (int i = 0; i < presentFilters.size(); ++i)
        static_cast<PresentFilter*>(presentFilters.get(i))->apply(zoom256);
    presentBackBuffer(rect, zoom256);
}

void Window::addPresentFilter(PresentFilter* filter)
{
    filter->setImage(getBackBufferImage());
    presentFilters.add(filter);
    filter->onAttach();
}

void Window::removePresentFilter(PresentFilter* filter)
{
    if (!presentFilters.contains(filter))
        return;
    filter->onDetach();
    presentFilters.remove(filter);
}

// ---- statics ----

void Window::setRefusedChars(const WCHAR* set)
{
    g_refusedChars = set;
}

// ---- native control operations ----

void Window::setTextLimit(int n)
{
    SendMessageW(handle, EM_LIMITTEXT, WPARAM(n), 0);
}

void Window::setReadOnly(bool flag)
{
    SendMessageW(handle, EM_SETREADONLY, flag, 0);
}

int Window::getLineCount()
{
    return int(SendMessageW(handle, EM_GETLINECOUNT, 0, 0));
}

int Window::addListItem(const WCHAR* text)
{
    int row = int(SendMessageW(handle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    if (row < 0)
        return -1;
    SendMessageW(handle, LB_SETITEMDATA, WPARAM(row), reinterpret_cast<LPARAM>(text));
    return row;
}

void Window::deleteListItem(int row)
{
    SendMessageW(handle, LB_DELETESTRING, WPARAM(row), 0);
}

void Window::clearList()
{
    SendMessageW(handle, LB_RESETCONTENT, 0, 0);
}

void Window::setListSelection(int row)
{
    SendMessageW(handle, LB_SETCURSEL, WPARAM(row), 0);
}

int Window::getListSelection()
{
    return int(SendMessageW(handle, LB_GETCURSEL, 0, 0));
}

WCHAR* Window::getListItemText(int row, WCHAR* buffer)
{
    LRESULT r = SendMessageW(handle, LB_GETTEXT, WPARAM(row), reinterpret_cast<LPARAM>(buffer));
    return r == LB_ERR ? nullptr : buffer;
}

int Window::findListItem(const WCHAR* prefix)
{
    return int(SendMessageW(handle, LB_FINDSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(prefix)));
}

int Window::getListCount()
{
    return int(SendMessageW(handle, LB_GETCOUNT, 0, 0));
}
