// slow_fb.h -- a wrapper for frame buffers that are slow to write
//
// Keeps two frames in memory; the game draws into one, and Present writes
// only the 32-bit words that differ from the frame before into the screen.
// A frame whose size is not a multiple of 64 bytes is passed straight to the
// wrapped driver. After Resume, Suspend, Invalidate and at the start the
// whole frame is written once.
#pragma once

#include <memory>
#include <vector>

#include "ravenor/engine/display/video_driver.h"

class SlowFB : public VideoDriver
{
public:
    explicit SlowFB(std::unique_ptr<VideoDriver> inner);

    void Resume() override { forceFull_ = true; }
    void Suspend() override { forceFull_ = true; }
    void Invalidate() override { forceFull_ = true; }
    bool Initialize(HWND window, DisplayParams& params, const DisplayInfo& detected) override;
    Surface* Lock() override;
    void Present(uint32_t flags) override;
    void SetDirtyRect(const RECT& rect) override;
    void WaitForScanOut() override { inner_->WaitForScanOut(); }

    bool Shadowed() const { return shadow_; }
    // The changed-data range of the next Present: its first byte and length
    // (whole 64-byte blocks from the first byte, cut at the end of the frame).
    size_t StartOffset() const { return startOffset_; }
    size_t CopyBytes() const { return copyBytes_; }

private:
    struct Frame
    {
        std::vector<uint32_t> words;
        std::unique_ptr<Surface> surface;
    };
    bool MakeFrame(Frame& frame);
    size_t FrameBytes() const;

    std::unique_ptr<VideoDriver> inner_;
    bool shadow_ = false;
    bool forceFull_ = true;
    Frame frames_[2];
    int current_ = 0;
    size_t startOffset_ = 0;
    size_t copyBytes_ = 0;
};
