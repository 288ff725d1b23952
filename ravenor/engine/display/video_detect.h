// video_detect.h -- finding out how the screen can be reached, and choosing a driver
//
// VideoDetect probes the device once per process and lists the candidate
// drivers in the order found; selection tries them from the last found back
// to the first, so a more direct way to the screen wins over GDI.
//
// Driver ids: 1 GDIDriver, 3 DriverDirect, 4 GAPI, 5 StrongARM, 6 XScale,
// 7 Imageon100, 8 SlowFB over MediaQ. GDI is always probed; the direct ways
// only on a 16-bit screen: GAPI (else the frame-buffer escape when gx.dll is
// missing), then the processor's LCD controller, else one of the two chips.
#pragma once

#include <os/types.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "ravenor/engine/display/video_driver.h"

enum : int32_t
{
    kDriverGdi = 1,
    kDriverDirect = 3,
    kDriverGapi = 4,
    kDriverStrongArm = 5,
    kDriverXScale = 6,
    kDriverImageon = 7,
    kDriverMediaQ = 8,
};

struct DisplayMode
{
    int32_t width = 0;
    int32_t height = 0;
    int32_t orientation = 0;
};

class VideoDetect
{
public:
    static constexpr int kMaxModes = 4;
    static constexpr int kMaxDrivers = 8;

    // The process's record, probed on first use.
    static VideoDetect& Instance();
    // Tests: forget the record (and the hardware answers) so that the next
    // use probes again.
    static void Reset();

    void DetectDrivers();
    void DetectDirectDrivers();
    void BuildModes();
    void AddDriver(int32_t id);

    int32_t ModeCount() const
    {
        return modeCount;
    }
    bool GetMode(int32_t index, DisplayMode& mode) const;
    bool HasOrientation(int32_t orientation) const;

    DisplayInfo info;
    DisplayMode modes[kMaxModes];
    int32_t modeCount = 0;
    int32_t drivers[kMaxDrivers] = {};
    int32_t driverCount = 0;
    int32_t forcedDriver = 0;   // 0: none; the game never forces one
};

// The window the probes may open the display with (the display records it
// before its first detection).
void SetDetectionWindow(HWND window);

// A new driver object of the id, nullptr for an id with no driver.
std::unique_ptr<VideoDriver> CreateDriver(int32_t id);

// The first candidate (last found first) that initialises, or nullptr.
std::unique_ptr<VideoDriver> SelectDriver(VideoDetect& detect, HWND window, DisplayParams& params);

// Tests: ids CreateDriver does not know are asked of this factory.
void SetDriverFactory(std::function<std::unique_ptr<VideoDriver>(int32_t id)> factory);
