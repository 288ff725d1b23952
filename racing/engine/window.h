// window.h -- the racing build's window: the engine window in its older form
//
// A racing window is the engine's Window with the older generation's answers
// to a few messages: every window (a child too) ends the message loop when it
// is destroyed; pen messages carry unsigned coordinates, double clicks
// included, and moves can be switched off; hardware keys taken as hot keys
// arrive as WM_HOTKEY, edit an EDIT control that has the focus and reach a
// fourth listener; activation starts and stops the CANVAS children. Present
// filters are kept by name and the whole back buffer is shown 1:1. Frames
// come from the canvas's window timer inside the blocking loop below.
#pragma once

#include "engine/platform/back_buffer.h"
#include "engine/platform/buffered_window.h"
#include "engine/platform/image.h"

#include <string>
#include <vector>

class PresentFilter;

namespace racing {

class Window;

class HotKeyListener
{
public:
    virtual ~HotKeyListener() = default;
    virtual void onHotKey(Window* sender, int id, UINT modifiers, UINT key) = 0;
};

class Window : public BufferedWindow
{
public:
    static constexpr int kNameLength = 64;

    Window(const WCHAR* title, HWND parentHandle, bool buffered);

    // Starts or stops the CANVAS children and pauses or resumes their sounds.
    void onActivate(bool active) override;

    // The filter works on the back buffer's picture under the name (at most
    // 64 characters); removing takes the first filter of that name.
    void addPresentFilter(const WCHAR* name, PresentFilter* filter);
    void removePresentFilter(const WCHAR* name);
    // The whole back buffer, 1:1, after the filters.
    using BufferedWindow::present;
    void present() { BufferedWindow::present(nullptr, 256); }

    void hide() { show(false); }
    void setVisible(bool visible) { show(visible); }
    void setBackgroundBrush(HBRUSH brush) { windowClass.hbrBackground = brush; }
    void setNullBackground() { setBackgroundBrush(static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))); }
    // The back buffer's memory DC (null for a window without one).
    HDC backBufferDC() const { return getBackBuffer() ? getBackBuffer()->getImage()->dc : nullptr; }

    HotKeyListener* hotKeyListener = nullptr;
    // WM_MOUSEMOVE reaches onMouse and the mouse listener only while set.
    bool trackMouseMoves = true;
    // Set by a deactivation that stopped this running canvas.
    bool suspended = false;

protected:
    bool handleOwnMessage(UINT message, WPARAM w, LPARAM l, LRESULT* result) override;

private:
    void handleHotKey(WPARAM w, LPARAM l);
    void handleMouse(UINT message, WPARAM w, LPARAM l);
    void handleActivate(bool active);

    struct NamedFilter
    {
        std::u16string name;
        PresentFilter* filter;
    };
    std::vector<NamedFilter> namedFilters;
};

// A program's top-level window: no parent, no back buffer, visible.
class AppWindow : public Window
{
public:
    explicit AppWindow(const WCHAR* title) : Window(title, nullptr, false) { style = WS_VISIBLE; }
};

// GetMessageW on the window (its descendants' messages included) until
// WM_QUIT or an error; answers the quit code (-1 for an error without one).
// The blocking loop of this build: frames come from the canvas's timer.
int runMessageLoop(HWND window);

// IDYES when the free memory reaches neededMB; otherwise the "Memory
// Warning" Yes/No box naming the program and its answer.
int checkFreeMemory(HWND parent, const WCHAR* programName, float neededMB);

} // namespace racing
