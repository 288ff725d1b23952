// gapi_display.h -- direct display memory and hardware buttons through GAPI
//
// One display per process. While the display is open, every back-buffer
// present writes the picture straight into the frame buffer (turned, zoomed
// and clipped) instead of going through GDI; while input is open, the
// buttons A, B, C and Start report the virtual keys 193 to 196.
#pragma once

#include <os/gx.h>
#include <os/types.h>

#include <cstdint>

class Image;

namespace GapiDisplay {

// The frame buffer as presents address it: pitches are signed byte steps.
struct FrameBuffer
{
    int32_t width = 0;
    int32_t height = 0;
    int32_t xPitch = 0;
    int32_t yPitch = 0;
    int32_t bitsPerPixel = 0;
    uint32_t format = 0;
};

// How open found the device's display memory.
enum class Layout
{
    None,
    BeginDraw, // the pointer of GXBeginDraw, held until close
    RawVga,    // the raw 480 x 640 frame buffer; every pixel drawn as 2 x 2
    Ipaq,      // an iPAQ other than the H38xx (see gapi_display.cpp)
};

void open(HWND window, bool display, bool input);
void close();
void suspend();
void resume();
void beginDraw();
void endDraw();

bool isDisplayOpen();
bool isInputOpen();
Layout layout();
const FrameBuffer& frameBuffer();
void* framePointer();

int getKeyA();
int getKeyB();
int getKeyC();
int keyStart();

// Writes the image (16 or 32 bits, the frame buffer's depth) at the window's
// screen origin: rect (left, top, right, bottom in image coordinates) or the
// whole picture, zoom256 in 256ths (at most 256), orientation 0 portrait,
// 1 turned counter-clockwise, 2 turned clockwise. Nothing without a frame
// pointer.
void present(const Image& image, int originX, int originY, const RECT* rect, int zoom256, int orientation);

// Tools and tests: present into other memory with another layout.
void useFrameBuffer(const FrameBuffer& layout, void* pointer, bool rawVga);

} // namespace GapiDisplay
