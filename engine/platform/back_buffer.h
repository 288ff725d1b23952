// back_buffer.h -- the off-screen picture of a buffered window, and how it is shown
//
// Everything is drawn into `image`; present shows it either straight in the
// GAPI frame buffer (when GAPI's display is open) or through GDI in the
// window's DC, applying the zoom, the window's orientation (0 portrait, 1
// turned counter-clockwise, 2 clockwise) and an optional dirty rectangle.
#pragma once

#include <os/types.h>

class Image;
class Window;

class BackBuffer
{
public:
    // Portrait: image of the client size. Landscape: image of the client
    // size turned, plus rotatedImage of the client size. Both black.
    explicit BackBuffer(Window* window);
    ~BackBuffer();
    BackBuffer(const BackBuffer&) = delete;
    BackBuffer& operator=(const BackBuffer&) = delete;

    Image* getImage() const { return image; }
    // rect: left, top, right, bottom in image coordinates, or null for all;
    // zoom256: 256 shows 1:1, 128 the top-left quarter enlarged (at most 256).
    // picture: what to show instead of the drawing (a filtered frame), or null.
    void present(const RECT* rect, int zoom256, const Image* picture = nullptr);
    // A copy of the drawing for the present filters to work on: the drawing
    // stays as drawn, so a repeated present (another WM_PAINT) filters the
    // frame once and not again over its own result.
    Image* filterFrame();

    int originX = 0;
    int originY = 0;
    Window* window;
    Image* image = nullptr;
    Image* rotatedImage = nullptr;

private:
    const Image& zoomed(const Image& picture, int zoom256);
    void presentWithGdi(const Image& picture, const RECT* rect, int zoom256);

    // The zoomed picture is made here, so the drawing stays as drawn and a
    // repeated present never zooms twice.
    Image* zoomImage = nullptr;
    Image* filterImage = nullptr;
};
