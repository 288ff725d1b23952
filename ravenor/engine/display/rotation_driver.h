// rotation_driver.h -- a driver that turns the picture for a turned screen
//
// Wraps (and owns) the driver of the screen. The game draws upright into the
// wrapper's own surface; Present copies the dirty part, turned, into the
// screen driver's surface and lets that driver present.
#pragma once

#include <memory>

#include "ravenor/engine/display/rotation_copy.h"
#include "ravenor/engine/display/video_driver.h"

class RotationDriver : public VideoDriver
{
public:
    explicit RotationDriver(std::unique_ptr<VideoDriver> inner);

    void Resume() override { inner_->Resume(); }
    void Suspend() override { inner_->Suspend(); }
    void Invalidate() override { inner_->Invalidate(); }
    bool Initialize(HWND window, DisplayParams& params, const DisplayInfo& innerInfo) override;
    Surface* Lock() override;
    void Present(uint32_t flags) override;
    void SetDirtyRect(const RECT& rect) override;
    void WaitForScanOut() override {}

    int32_t Turn() const { return turn_; }
    // The rectangle of the screen that the next Present copies.
    const RECT& CopyRectangle() const { return dirty_; }

private:
    RECT ToInner(const RECT& rect) const;

    std::unique_ptr<VideoDriver> inner_;
    std::unique_ptr<Surface> own_;
    Surface* innerLocked_ = nullptr;
    int32_t turn_ = 0;
    BlockOrder partialOrder_ = BlockOrder::Rows;
    BlockBuild build_ = BlockBuild::General;
    RECT dirty_{};
};
