// media_q.h -- the MediaQ graphics chip's frame buffer
//
// The chip's frame buffer is slow to write, so detection recognises it by
// timing a clear of the whole frame, and the driver is always used through
// SlowFB, which writes only what changed.
#pragma once

#include <memory>

#include "ravenor/engine/display/video_driver.h"

class MediaQ : public VideoDriver
{
public:
    bool Initialize(HWND window, DisplayParams& params, const DisplayInfo& detected) override;
    Surface* Lock() override { return surface_.get(); }
    void Present(uint32_t) override {}
    void SetDirtyRect(const RECT&) override {}
    void WaitForScanOut() override {}

    // True when the detected frame buffer is a MediaQ chip's.
    static bool Probe(const DisplayInfo& info);

private:
    std::unique_ptr<Surface> surface_;
};

// A surface over the device frame buffer of the info (pitch x height bytes),
// nullptr when that memory cannot be reached.
std::unique_ptr<Surface> FrameBufferSurface(const DisplayInfo& info);
