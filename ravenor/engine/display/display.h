// display.h -- the display layer: one full-screen 16-bit surface per frame
//
// Per frame: BeginScene, GetBuffer, draw, Swap. The layer picks a video
// driver (video_detect.h), adds its own back buffer when the driver draws
// straight onto the screen or cannot keep the picture the game asked to keep,
// and follows the window's activation and paint messages by itself.
#pragma once

#include <os/types.h>

#include <cstdint>
#include <memory>

#include "ravenor/engine/display/surface.h"
#include "ravenor/engine/display/video_driver.h"

// The display object behind a Display handle.
class DisplayImpl
{
public:
    explicit DisplayImpl(HWND window);
    virtual void Resume();
    virtual void Suspend();
    virtual void Invalidate();
    virtual ~DisplayImpl();
    virtual bool Initialize(DisplayParams& params);
    virtual std::unique_ptr<VideoDriver> CreateVideoDriver(DisplayParams& params) = 0;

    bool BeginScene();
    Surface* GetBuffer() const;
    void SetDirtyRect(const RECT* rect);
    bool Swap(uint32_t flags);

    HWND window = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t orientation = 0;
    int32_t swapEffect = kSwapDiscard;
    std::unique_ptr<VideoDriver> driver;
    std::unique_ptr<Surface> backBuffer;
    Surface* locked = nullptr;
    RECT dirtyRect{0, 0, 0, 0};
    bool fullRows = false;
    bool active = true;
};

class Display
{
public:
    // A display for the window, or nullptr; params are written back with the
    // width, height, orientation and swap effect in force.
    static std::unique_ptr<Display> Create(HWND window, DisplayParams& params);

    explicit Display(std::unique_ptr<DisplayImpl> impl);
    ~Display();

    bool BeginScene();
    // The surface to draw into; nullptr while no scene has begun.
    Surface* GetBuffer();
    // The region Swap presents; nullptr: the whole surface.
    void SetDirtyRect(const RECT* rect);
    // Presents the frame and ends the scene; false when nothing was locked or
    // the display is inactive.
    bool Swap(uint32_t flags);

    DisplayImpl& Impl()
    {
        return *impl_;
    }

private:
    std::unique_ptr<DisplayImpl> impl_;
};
