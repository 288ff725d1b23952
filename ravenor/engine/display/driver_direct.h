// driver_direct.h -- drawing straight into the frame buffer the display driver names
//
// The GETGXINFO escape gives the frame buffer; the surface lies over it. With
// the DMA helper (gxdma.dll) the frame buffer is memory that the helper
// copies to the screen: Lock waits for the last copy to finish and Present
// starts one of the dirty rectangle.
#pragma once

#include <os/hw.h>

#include <memory>

#include "ravenor/engine/display/video_driver.h"

class DriverDirect : public VideoDriver
{
public:
    DriverDirect();
    bool Initialize(HWND window, DisplayParams& params, const DisplayInfo& detected) override;
    Surface* Lock() override;
    void Present(uint32_t flags) override;
    void SetDirtyRect(const RECT& rect) override;
    void WaitForScanOut() override {}

    bool HasDma() const { return copy_ != nullptr; }

    static bool Probe(DisplayInfo& info);

private:
    os::hw::DmaCopy copy_ = nullptr;
    os::hw::DmaReady ready_ = nullptr;
    std::unique_ptr<Surface> surface_;
    RECT dma_{};
};
