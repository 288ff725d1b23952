// buffered_window.h -- a Window that draws into a BackBuffer and presents it
#pragma once

#include "engine/platform/back_buffer.h"
#include "engine/platform/window.h"

class BufferedWindow : public Window
{
public:
    BufferedWindow(const WCHAR* title, HWND parentHandle);
    // buffered false: a plain window of a class that may be buffered.
    BufferedWindow(const WCHAR* title, HWND parentHandle, bool buffered);
    ~BufferedWindow() override;

    BackBuffer* getBackBuffer() const { return backBuffer; }
    // Shows the back buffer. The present filters work on a copy of it, so
    // each frame is filtered once however often it is shown.
    void present(const RECT* rect, int zoom256) override;

protected:
    // A new buffer for the current client size; the present filters follow it.
    HDC rebuildBackBuffer() override;
    Image* getBackBufferImage() override;
    void presentBackBuffer(const RECT* rect, int zoom256) override;

private:
    BackBuffer* backBuffer = nullptr;
};
