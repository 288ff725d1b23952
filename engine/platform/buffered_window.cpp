// buffered_window.cpp -- the back buffer's life inside a window
#include "engine/platform/buffered_window.h"

#include "engine/platform/image.h"
#include "engine/platform/present_filter.h"

BufferedWindow::BufferedWindow(const WCHAR* title, HWND parentHandle) : Window(title, parentHandle, true) {}

BufferedWindow::BufferedWindow(const WCHAR* title, HWND parentHandle, bool buffered)
    : Window(title, parentHandle, buffered)
{
}

BufferedWindow::~BufferedWindow()
{
    delete backBuffer;
    backBuffer = nullptr;
    drawDC = windowDC; // the buffer's DC is gone
}

HDC BufferedWindow::rebuildBackBuffer()
{
    delete backBuffer;
    backBuffer = new BackBuffer(this);
    Image* image = backBuffer->getImage();
    for (int i = 0; i < presentFilters.size(); ++i)
        static_cast<PresentFilter*>(presentFilters.get(i))->setImage(image);
    return image->dc;
}

Image* BufferedWindow::getBackBufferImage()
{
    return backBuffer ? backBuffer->getImage() : nullptr;
}

void BufferedWindow::presentBackBuffer(const RECT* rect, int zoom256)
{
    if (backBuffer)
        backBuffer->present(rect, zoom256);
}

void BufferedWindow::present(const RECT* rect, int zoom256)
{
    if (!backBuffer)
        return;
    if (zoom256 < 0)
        zoom256 = int(zoom * 256 + 0.5f);
    Image* picture = nullptr;
    if (presentFilters.size() > 0)
    {
        picture = backBuffer->filterFrame();
        for (int i = 0; i < presentFilters.size(); ++i)
        {
            auto* filter = static_cast<PresentFilter*>(presentFilters.get(i));
            filter->setImage(picture);
            filter->apply(zoom256);
        }
    }
    backBuffer->present(rect, zoom256, picture);
}
