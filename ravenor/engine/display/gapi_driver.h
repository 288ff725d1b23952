// gapi_driver.h -- the video driver over the Game API (gx.dll)
//
// The display is opened full screen; every frame is bracketed by
// GXBeginDraw and GXEndDraw, and the surface lies over the address GXBeginDraw
// gives, moved to the screen's lowest pixel. Devices whose frame buffer is
// fixed (see IsDirectModel) keep the surface over it for good and draw
// without the calls.
#pragma once

#include <os/gx.h>

#include <memory>

#include "ravenor/engine/display/video_driver.h"

// gx.dll's entry points; usable only when every required one is there.
struct GapiFunctions
{
    int (*openDisplay)(HWND, DWORD) = nullptr;
    int (*closeDisplay)() = nullptr;
    void* (*beginDraw)() = nullptr;
    int (*endDraw)() = nullptr;
    GXDisplayProperties (*properties)() = nullptr;
    int (*suspend)() = nullptr;
    int (*resume)() = nullptr;
    int (*setViewport)(DWORD, DWORD, DWORD, DWORD) = nullptr;
    BOOL (*isDramBuffer)() = nullptr;   // optional

    // false when gx.dll is missing or lacks a required entry point
    bool Bind();
};

// What the display properties say about the screen (orientation, sizes, pitch).
struct GapiGeometry
{
    int32_t orientation = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
    int32_t frameOffset = 0;   // bytes from GXBeginDraw's address to the lowest pixel
};
GapiGeometry GapiGeometryOf(const GXDisplayProperties& p);

class GAPI : public VideoDriver
{
public:
    ~GAPI() override;
    void Resume() override;
    void Suspend() override;
    bool Initialize(HWND window, DisplayParams& params, const DisplayInfo& detected) override;
    Surface* Lock() override;
    void Present(uint32_t flags) override;
    void SetDirtyRect(const RECT& rect) override;
    void WaitForScanOut() override {}

    // Detection: fills the info from the display properties.
    static bool Probe(DisplayInfo& info, HWND window);

private:
    GapiFunctions gx_;
    bool open_ = false;
    bool direct_ = false;
    bool drawing_ = false;
    int32_t frameOffset_ = 0;
    std::unique_ptr<Surface> surface_;
};
