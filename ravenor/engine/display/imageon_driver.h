// imageon_driver.h -- the Imageon 100 graphics chip through CoreLinkLib.dll
//
// The game's frame is a surface in the chip's memory shown by an overlay;
// Lock opens a memory transfer to it (after the chip finished its work) and
// Present closes it again.
#pragma once

#include <os/hw.h>

#include <memory>

#include "ravenor/engine/display/video_driver.h"

// One binding of CoreLinkLib.dll; each binding loads its own reference.
class CoreLink
{
public:
    CoreLink();
    ~CoreLink();
    CoreLink(const CoreLink&) = delete;
    CoreLink& operator=(const CoreLink&) = delete;

    bool Loaded() const { return module_ != nullptr; }
    // Every entry point the driver calls is there.
    bool Complete() const;

    os::hw::AtiCall processAttach = nullptr;
    os::hw::AtiCall processDetach = nullptr;
    os::hw::AtiAllocateSurface allocateSurface = nullptr;
    os::hw::AtiAllocOverlay allocOverlay = nullptr;
    os::hw::AtiSetupOverlay setupOverlay = nullptr;
    os::hw::AtiSetOverlayPos setOverlayPos = nullptr;
    os::hw::AtiSetOverlayOnOff setOverlayOnOff = nullptr;
    os::hw::AtiWaitComplete waitComplete = nullptr;
    os::hw::AtiSetupMemoryTransfer setupMemoryTransfer = nullptr;
    os::hw::AtiCall terminateMemoryTransfer = nullptr;
    os::hw::AtiRelease releaseOverlay = nullptr;
    os::hw::AtiRelease destroySurface = nullptr;

private:
    HMODULE module_ = nullptr;
};

class Imageon100 : public VideoDriver
{
public:
    ~Imageon100() override;
    void Resume() override;
    void Suspend() override;
    bool Initialize(HWND window, DisplayParams& params, const DisplayInfo& detected) override;
    Surface* Lock() override;
    void Present(uint32_t flags) override;
    void SetDirtyRect(const RECT&) override {}
    void WaitForScanOut() override {}

    static bool Probe();

private:
    void EndTransfer();

    CoreLink ati_;
    bool attached_ = false;
    bool hasSurface_ = false;
    bool hasOverlay_ = false;
    WORD surfaceHandle_ = 0;
    WORD overlay_ = 0;
    DWORD surfaceOffset_ = 0;
    bool transferOpen_ = false;
    std::unique_ptr<Surface> surface_;
};
