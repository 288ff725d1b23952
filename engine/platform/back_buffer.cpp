// back_buffer.cpp -- presenting through GAPI or GDI
#include "engine/platform/back_buffer.h"

#include "engine/platform/gapi_display.h"
#include "engine/platform/image.h"
#include "engine/platform/window.h"

#include <algorithm>
#include <cstring>

BackBuffer::BackBuffer(Window* window_) : window(window_)
{
    RECT client{};
    GetClientRect(window->getHandle(), &client);
    POINT origin{client.left, client.top};
    ClientToScreen(window->getHandle(), &origin);
    originX = origin.x;
    originY = origin.y;
    // The raw client size: the window's own getters already swap in landscape.
    int width = client.right - client.left;
    int height = client.bottom - client.top;
    if (window->orientation == 0)
    {
        image = new Image(width, height, true);
        return;
    }
    image = new Image(height, width, true);
    rotatedImage = new Image(width, height, true);
}

BackBuffer::~BackBuffer()
{
    delete image;
    delete rotatedImage;
    delete zoomImage;
    delete filterImage;
}

void BackBuffer::present(const RECT* rect, int zoom256, const Image* picture)
{
    zoom256 = std::clamp(zoom256, 1, 256);
    if (!picture)
        picture = image;
    if (GapiDisplay::isDisplayOpen() && GapiDisplay::framePointer())
    {
        GapiDisplay::present(*picture, originX, originY, rect, zoom256, window->orientation);
        return;
    }
    presentWithGdi(*picture, rect, zoom256);
}

Image* BackBuffer::filterFrame()
{
    if (!filterImage)
        filterImage = new Image(image->width, image->height, true);
    if (image->pixels && filterImage->pixels && filterImage->stride == image->stride)
        std::memcpy(filterImage->pixels, image->pixels, size_t(image->stride) * size_t(image->height));
    return filterImage;
}

const Image& BackBuffer::zoomed(const Image& picture, int zoom256)
{
    if (zoom256 == 256)
        return picture;
    if (!zoomImage)
        zoomImage = new Image(picture.width, picture.height, true);
    int w = (picture.width * zoom256) >> 8, h = (picture.height * zoom256) >> 8;
    zoomImage->drawScaled(picture, 0, 0, picture.width, picture.height, 0, 0, std::max(w, 1), std::max(h, 1));
    return *zoomImage;
}

void BackBuffer::presentWithGdi(const Image& picture, const RECT* rect, int zoom256)
{
    const Image* source = &zoomed(picture, zoom256);
    int orientation = window->orientation;
    if (orientation != 0 && rotatedImage)
    {
        rotatedImage->copyRotated(*source, orientation == 2);
        source = rotatedImage;
    }
    HDC target = window->getWindowDC();
    if (!rect)
    {
        source->bitBltTo(target, 0, 0, SRCCOPY);
        return;
    }
    int left = std::max<int>(rect->left, 0), top = std::max<int>(rect->top, 0);
    int right = std::min<int>(rect->right, image->width), bottom = std::min<int>(rect->bottom, image->height);
    if (right <= left || bottom <= top)
        return;
    int x = left, y = top, w = right - left, h = bottom - top;
    if (orientation == 1)
    {
        x = top;
        y = source->height - right;
        w = bottom - top;
        h = right - left;
    }
    else if (orientation == 2)
    {
        x = source->width - bottom;
        y = left;
        w = bottom - top;
        h = right - left;
    }
    source->stretchBltTo(target, x, y, w, h, SRCCOPY, x, y, w, h);
}
