// window.h -- the engine's window class
//
// Every frame, canvas and native control of the engine is a Window or derives
// from one. A Window registers its class once, maps window messages to
// virtual operations and three one-slot listeners, owns its child windows,
// and keeps a single running instance of a top-level window (a second one
// brings the first to the front instead).
//
// A buffered window draws into a back buffer that a derived class keeps: it
// overrides rebuildBackBuffer, getBackBufferImage and presentBackBuffer.
// present() runs the present filters over that image and then shows it.
#pragma once

#include "engine/base/ptr_vector.h"

#include <os/windows.h>

#include <string>

class Image;
class PresentFilter;
class Window;
class WaveSound;

class CommandListener
{
public:
    virtual ~CommandListener() = default;
    virtual void onCommand(Window* sender, int notification, int controlId, HWND control) = 0;
};

class MouseListener
{
public:
    virtual ~MouseListener() = default;
    // x and y are client coordinates, negative left of and above the window.
    virtual void onMouse(Window* sender, UINT message, WPARAM keys, int x, int y) = 0;
};

class KeyListener
{
public:
    virtual ~KeyListener() = default;
    virtual void onKey(Window* sender, UINT message, int key) = 0;
};

class Window
{
public:
    static constexpr UINT_PTR kTimerId = 65535;
    static constexpr DWORD kDefaultStyle = WS_POPUP | WS_VISIBLE;

    // The title is copied.
    Window(const WCHAR* title, HWND parentHandle, bool buffered);
    // Deletes the children; a platform window still open is closed without
    // reaching this object again.
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // ---- the virtual operations, in slot order ----
    virtual void onCreate() {}
    virtual void onDestroy() {}
    virtual void onShow(bool visible, LPARAM status) {}
    // True lets the window be destroyed.
    virtual bool onClose() { return true; }
    virtual void onPaint(PAINTSTRUCT* paint) {}
    virtual void onSetFocus() {}
    virtual void onKillFocus() {}
    virtual void onActivated(bool active) {}
    virtual void onEraseBackground() {}
    virtual void onTimer() {}
    // zoom256 < 0 takes the window's zoom.
    virtual void present(const RECT* rect, int zoom256);
    // phase 0 before the mouse listener, 1 after it.
    virtual void onMouse(UINT message, WPARAM keys, int x, int y, int phase) {}
    virtual void onKey(UINT message, int key) {}
    virtual void onActivate(bool active) {}
    virtual void afterCreate() {}
    virtual void afterDestroy() {}
    virtual void onAddChild(Window* child, int x, int y, int width, int height) {}
    virtual void onRemoveChild(Window* child) {}

    // ---- life ----
    bool create(int x, int y, int width, int height);
    bool destroy();
    // False (and nothing made) when the child is already listed.
    bool addChild(Window* child, int x, int y, int width, int height);
    // Destroys the child's window; the object stays the caller's.
    void removeChild(Window* child);

    // ---- appearance ----
    void show(bool visible);
    void invalidate(bool erase, const RECT* rect);
    void repaint(bool erase, const RECT* rect);
    void move(int x, int y, int width, int height);
    void acquireDC();
    void setFont(HFONT font);
    void setTitle(const WCHAR* text);
    const WCHAR* getTitle() const { return title.c_str(); }
    WCHAR* getText(WCHAR* buffer, int capacity);
    int getClientWidth() const;
    int getClientHeight() const;
    void setTextColor(int r, int g, int b);
    void setBackgroundColor(int r, int g, int b);
    COLORREF getTextColor() const { return textColour; }
    COLORREF getBackgroundColor() const { return backgroundColour; }
    HBRUSH getBackgroundBrush() const { return backgroundBrush; }

    // ---- tree and focus ----
    Window* findChild(UINT id) const;
    Window* getParent() const { return parent; }
    int getChildCount() const { return children.size(); }
    Window* getChild(int i) const { return static_cast<Window*>(children.get(i)); }
    void setFocus();

    // ---- the window timer (identifier kTimerId) ----
    void startTimer(UINT ms);
    void stopTimer();
    bool isTimerRunning() const { return timerRunning; }

    // ---- present filters (not owned) ----
    void addPresentFilter(PresentFilter* filter);
    void removePresentFilter(PresentFilter* filter);

    // ---- listeners (not owned) and user data ----
    void setCommandListener(CommandListener* l) { commandListener = l; }
    CommandListener* getCommandListener() const { return commandListener; }
    void setMouseListener(MouseListener* l) { mouseListener = l; }
    MouseListener* getMouseListener() const { return mouseListener; }
    void setKeyListener(KeyListener* l) { keyListener = l; }
    KeyListener* getKeyListener() const { return keyListener; }
    void setUserData(void* data) { userData = data; }
    void* getUserData() const { return userData; }

    // ---- native control operations (one SendMessageW each) ----
    void setTextLimit(int n);
    void setReadOnly(bool flag);
    int getLineCount();
    // The row's item data is the text pointer: the text must outlive the row.
    int addListItem(const WCHAR* text);
    void deleteListItem(int row);
    void clearList();
    void setListSelection(int row);
    int getListSelection();
    WCHAR* getListItemText(int row, WCHAR* buffer);
    int findListItem(const WCHAR* prefix);
    int getListCount();

    HWND getHandle() const { return handle; }
    HWND getParentHandle() const { return parentHandle; }
    HDC getWindowDC() const { return windowDC; }
    HDC getDrawDC() const { return drawDC; }
    UINT getControlId() const { return controlId; }
    bool isBuffered() const { return buffered; }

    // The Window a platform window belongs to, or null.
    static Window* fromHandle(HWND hwnd);
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);
    static LRESULT CALLBACK editProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);

    // Characters that getText drops from EDIT controls (blanks become '_');
    // null for none. The set is not copied.
    static void setRefusedChars(const WCHAR* set);
    // Called for MM_WOM_DONE with the sound whose buffer ended.
    static void setWaveDoneHandler(void (*handler)(WaveSound* sound));

    // Fields that derived classes set before create.
    WNDCLASSW windowClass;
    DWORD style = kDefaultStyle;
    DWORD exStyle = 0;
    bool allowMultipleInstances = false;
    UINT controlId = 0;
    float zoom = 1.0f;
    int orientation = 0; // 1 and 2 swap the client width and height
    // The older (racing) generation of windows: every window, a child too,
    // ends the message loop on WM_DESTROY, and EDIT controls keep their own
    // Enter handling.
    bool quitOnAnyDestroy = false;
    bool subclassEdit = true;

protected:
    // A window generation that answers a message its own way: true, with the
    // answer in *result, when it did (nothing else then runs for it).
    virtual bool handleOwnMessage(UINT message, WPARAM w, LPARAM l, LRESULT* result) { return false; }
    // Back-buffer hooks of buffered windows: make the buffer again for the
    // current size and answer its DC; its image; show it.
    virtual HDC rebuildBackBuffer() { return nullptr; }
    virtual Image* getBackBufferImage() { return nullptr; }
    virtual void presentBackBuffer(const RECT* rect, int zoom256) {}

    HWND handle = nullptr;
    HWND parentHandle;
    HDC windowDC = nullptr;
    HDC drawDC = nullptr;
    PtrVector presentFilters{0};
    bool buffered;
    bool timerRunning = false;
    UINT timerInterval = 0;
    std::u16string title;
    CommandListener* commandListener = nullptr;
    MouseListener* mouseListener = nullptr;
    KeyListener* keyListener = nullptr;
    HBRUSH backgroundBrush = nullptr;
    COLORREF textColour;
    COLORREF backgroundColour;
    PtrVector children{0};
    void* userData = nullptr;
    Window* parent = nullptr;
    WNDPROC savedEditProc = nullptr;

private:
    LRESULT handleMessage(UINT message, WPARAM w, LPARAM l);
    LRESULT handleCreate(HWND hwnd);
    void handleDestroy();
    void handleSize(WPARAM type);
    void handleActivate(bool active);
    void handlePaint();
    void handleCommand(WPARAM w, LPARAM l);
    LRESULT handleControlColour(HDC dc);
    void handleMouse(UINT message, WPARAM w, LPARAM l);
    bool isEditControl() const;
    void releaseWindowDC();
    void detachFromPlatformWindow();
};
