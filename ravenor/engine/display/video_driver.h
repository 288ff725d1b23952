// video_driver.h -- what every video driver offers the display layer
//
// A driver reaches the screen one way (GDI, the Game API, a frame-buffer
// escape, an LCD controller, a graphics chip). The display layer locks its
// surface once a frame, draws (or copies its own back buffer) into it, and
// asks it to present. Swap effects: 0 the surface is the visible screen,
// 1 its content is undefined after Present, 2 it keeps its content.
#pragma once

#include <os/types.h>

#include <cstdint>

#include "ravenor/engine/display/surface.h"

enum : int32_t
{
    kSwapScreen = 0,   // as a driver's effect: draws on the visible screen;
                       // as a request: no preference
    kSwapDiscard = 1,
    kSwapCopy = 2,
};

// Swap flags
enum : uint32_t
{
    kSwapWaitScanOut = 1,
    kSwapFullUpdate = 2,
};

enum : int32_t
{
    kOrientationAny = 4,   // accept the hardware's own orientation
};

// What detection found out about the screen; each driver keeps a copy.
struct DisplayInfo
{
    int32_t width = 0;
    int32_t height = 0;
    int32_t bpp = 0;
    int32_t pitch = 0;
    int32_t orientation = kOrientationAny;
    int32_t swapEffect = 0;
    uint32_t frameBuffer = 0;   // device address of the first pixel, 0 when unknown
};

// Asked for by the game and written back with what is in force.
struct DisplayParams
{
    int32_t width = 0;
    int32_t height = 0;
    int32_t orientation = 0;
    int32_t swapEffect = 0;
};

class VideoDriver
{
public:
    virtual void Resume() {}
    virtual void Suspend() {}
    virtual void Invalidate() {}
    virtual ~VideoDriver() = default;
    virtual bool Initialize(HWND window, DisplayParams& params, const DisplayInfo& detected) = 0;
    // The surface for this frame, nullptr when the screen cannot be reached now
    virtual Surface* Lock() = 0;
    virtual void Present(uint32_t flags) = 0;
    virtual void SetDirtyRect(const RECT& rect) = 0;
    virtual void WaitForScanOut() = 0;

    const DisplayInfo& Info() const
    {
        return info_;
    }

protected:
    DisplayInfo info_;
};
