// media_q.cpp -- the MediaQ driver and its probe
#include "ravenor/engine/display/media_q.h"

#include <os/hw.h>
#include <os/windows.h>

#include <cstring>

#include "ravenor/engine/display/display_log.h"
#include "ravenor/engine/core/millisecond_clock.h"

namespace {

constexpr uint32_t kWindowLow = 0x42000;
constexpr uint32_t kWindowHigh = 0x7FFFF;
constexpr uint32_t kMaxFrameBytes = 0x40000;
constexpr int32_t kSlowClearMs = 13;
// How many clock readings to wait for the next millisecond at most.
constexpr int kClockWaitLimit = 1 << 20;

uint32_t NextMillisecond()
{
    const uint32_t start = MillisecondClock();
    uint32_t now = start;
    for (int i = 0; i < kClockWaitLimit && now == start; ++i)
        now = MillisecondClock();
    return now;
}

} // namespace

std::unique_ptr<Surface> FrameBufferSurface(const DisplayInfo& info)
{
    if (info.frameBuffer == 0 || info.pitch <= 0 || info.height <= 0 || info.width * 2 > info.pitch)
        return nullptr;
    const uint32_t bytes = static_cast<uint32_t>(info.pitch) * static_cast<uint32_t>(info.height);
    void* pixels = os::hw::DeviceToHost(info.frameBuffer, bytes);
    if (!pixels)
        return nullptr;
    return std::make_unique<Surface>(info.width, info.height, info.pitch, static_cast<uint16_t*>(pixels));
}

bool MediaQ::Probe(const DisplayInfo& info)
{
    const uint32_t low = info.frameBuffer & 0x7FFFF;
    if (low < kWindowLow || low > kWindowHigh)
    {
        DisplayLog("MediaQ: not a MediaQ [1]");
        return false;
    }
    const int64_t bytes = int64_t(info.pitch) * info.height;
    if (bytes <= 0 || bytes > kMaxFrameBytes)
    {
        DisplayLog("MediaQ: not a MediaQ [2]");
        return false;
    }
    // Only memory known to be the frame buffer is cleared.
    void* frame = os::hw::DeviceToHost(info.frameBuffer, static_cast<uint32_t>(bytes));
    if (!frame)
    {
        DisplayLog("MediaQ: not a MediaQ [3]");
        return false;
    }
    const uint32_t start = NextMillisecond();
    std::memset(frame, 0, static_cast<size_t>(bytes));
    const int32_t elapsed = static_cast<int32_t>(MillisecondClock() - start) - 1;
    if (elapsed <= kSlowClearMs)
    {
        DisplayLog("MediaQ: not a MediaQ [3]");
        return false;
    }
    DisplayLog("MediaQ: benchmarked %d ms", elapsed);
    DisplayLog("MediaQ: detected MQ1100 or above");
    return true;
}

bool MediaQ::Initialize(HWND window, DisplayParams&, const DisplayInfo& detected)
{
    DisplayLog("MediaQ: Initialize()");
    if (!IsWindow(window) || surface_)
        return false;
    info_ = detected;
    info_.swapEffect = kSwapScreen;
    surface_ = FrameBufferSurface(info_);
    return surface_ != nullptr;
}
