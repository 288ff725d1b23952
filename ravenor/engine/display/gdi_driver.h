// gdi_driver.h -- the video driver that goes through GDI
//
// The frame is drawn into a top-down 16-bit DIB section (RGB565 bit fields)
// selected into a memory DC; Present copies the dirty rectangle to the same
// place in the window with BitBlt. Works wherever GDI does.
#pragma once

#include <os/windows.h>

#include <memory>

#include "ravenor/engine/display/video_driver.h"

class GDIDriver : public VideoDriver
{
public:
    ~GDIDriver() override;
    bool Initialize(HWND window, DisplayParams& params, const DisplayInfo& detected) override;
    Surface* Lock() override;
    void Present(uint32_t flags) override;
    void SetDirtyRect(const RECT& rect) override;
    void WaitForScanOut() override {}

    // The probe of detection: the screen's size and depth, or false when the
    // screen's DC cannot be had.
    static bool Probe(DisplayInfo& info);

private:
    bool MakeDib();

    HWND window_ = nullptr;
    HDC windowDc_ = nullptr;
    HDC memoryDc_ = nullptr;
    HBITMAP dib_ = nullptr;
    HGDIOBJ previousBitmap_ = nullptr;
    std::unique_ptr<Surface> surface_;
    int32_t dirtyX_ = 0;
    int32_t dirtyY_ = 0;
    int32_t dirtyWidth_ = 0;
    int32_t dirtyHeight_ = 0;
};
