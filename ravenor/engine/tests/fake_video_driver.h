// fake_video_driver.h -- a video driver over a surface in memory, for the display's tests
//
// Its info (size, orientation, swap effect) is chosen by the test; it records
// every call. Install() makes detection offer it as the only candidate.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ravenor/engine/display/video_detect.h"

struct FakeDriverConfig
{
    DisplayInfo info{176, 220, 16, 352, 0, kSwapCopy, 0};
    bool initializes = true;
    bool locks = true;
};

struct FakeDriverLog
{
    std::vector<std::string> calls;
    std::vector<RECT> dirtyRects;
    Surface* surface = nullptr;   // the last driver's surface
};

class FakeVideoDriver : public VideoDriver
{
public:
    FakeVideoDriver(const FakeDriverConfig& config, FakeDriverLog& log) : config_(config), log_(log) {}
    ~FakeVideoDriver() override
    {
        if (log_.surface == surface_.get())
            log_.surface = nullptr;
    }
    void Resume() override { log_.calls.push_back("Resume"); }
    void Suspend() override { log_.calls.push_back("Suspend"); }
    void Invalidate() override { log_.calls.push_back("Invalidate"); }
    bool Initialize(HWND, DisplayParams&, const DisplayInfo&) override
    {
        log_.calls.push_back("Initialize");
        if (!config_.initializes)
            return false;
        info_ = config_.info;
        surface_ = Surface::Make(info_.width, info_.height);
        info_.pitch = surface_->pitch;
        log_.surface = surface_.get();
        return true;
    }
    Surface* Lock() override
    {
        log_.calls.push_back("Lock");
        return config_.locks ? surface_.get() : nullptr;
    }
    void Present(uint32_t flags) override { log_.calls.push_back("Present " + std::to_string(flags)); }
    void SetDirtyRect(const RECT& rect) override { log_.dirtyRects.push_back(rect); }
    void WaitForScanOut() override { log_.calls.push_back("WaitForScanOut"); }

private:
    FakeDriverConfig config_;
    FakeDriverLog& log_;
    std::unique_ptr<Surface> surface_;
};

constexpr int32_t kFakeDriverId = 100;

// Detection offers only the fake driver (forced), built from config into log.
inline void InstallFakeDriver(const FakeDriverConfig& config, FakeDriverLog& log)
{
    SetDriverFactory([config, &log](int32_t id) -> std::unique_ptr<VideoDriver> {
        if (id != kFakeDriverId)
            return nullptr;
        return std::make_unique<FakeVideoDriver>(config, log);
    });
    VideoDetect::Reset();
    VideoDetect::Instance().forcedDriver = kFakeDriverId;
}
