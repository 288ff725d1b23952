// video_detect.cpp -- detection, the mode list, the driver factory and selection
#include "ravenor/engine/display/video_detect.h"

#include "ravenor/engine/display/display_log.h"
#include "ravenor/engine/display/driver_direct.h"
#include "ravenor/engine/display/gapi_driver.h"
#include "ravenor/engine/display/gdi_driver.h"
#include "ravenor/engine/display/hardware_access.h"
#include "ravenor/engine/display/imageon_driver.h"
#include "ravenor/engine/display/lcd_driver.h"
#include "ravenor/engine/display/media_q.h"
#include "ravenor/engine/display/slow_fb.h"
#include "ravenor/engine/display/system_bindings.h"

namespace {

std::unique_ptr<VideoDetect> g_detect;
std::function<std::unique_ptr<VideoDriver>(int32_t)> g_factory;
HWND g_detectionWindow = nullptr;

// The LCD controller of the processor, when it can be drawn on.
int32_t LcdCandidate()
{
    switch (ProcessorKind())
    {
    case kProcessorStrongArm: return StrongArmLcd().usable ? kDriverStrongArm : 0;
    case kProcessorXScale: return XScaleLcd().usable ? kDriverXScale : 0;
    default: return 0;
    }
}

std::unique_ptr<VideoDriver> TryDriver(int32_t id, HWND window, DisplayParams& params, const DisplayInfo& info)
{
    std::unique_ptr<VideoDriver> driver = CreateDriver(id);
    if (!driver)
        return nullptr;
    DisplayLog("Initializing video driver...");
    if (driver->Initialize(window, params, info))
    {
        DisplayLog("Driver initialized!");
        return driver;
    }
    DisplayLog(" Failed to initialize driver");
    return nullptr;
}

} // namespace

VideoDetect& VideoDetect::Instance()
{
    if (!g_detect)
    {
        g_detect = std::make_unique<VideoDetect>();
        g_detect->DetectDrivers();
        g_detect->BuildModes();
    }
    return *g_detect;
}

void VideoDetect::Reset()
{
    g_detect.reset();
    ResetHardwareRecords();
    ResetLcdRecords();
}

void SetDetectionWindow(HWND window)
{
    g_detectionWindow = window;
}

void VideoDetect::AddDriver(int32_t id)
{
    if (driverCount < kMaxDrivers)
        drivers[driverCount++] = id;
}

void VideoDetect::DetectDrivers()
{
    if (GDIDriver::Probe(info))
        AddDriver(kDriverGdi);
    if (info.bpp == 16)
        DetectDirectDrivers();
    if (info.orientation == kOrientationAny)
        info.orientation = 0;
}

void VideoDetect::DetectDirectDrivers()
{
    if (GAPI::Probe(info, g_detectionWindow))
        AddDriver(kDriverGapi);
    else if (!GxLoaded() && DriverDirect::Probe(info))
        AddDriver(kDriverDirect);
    if (const int32_t lcd = LcdCandidate())
    {
        AddDriver(lcd);
        return;
    }
    if (Imageon100::Probe())
        AddDriver(kDriverImageon);
    else if (MediaQ::Probe(info))
        AddDriver(kDriverMediaQ);
}

void VideoDetect::BuildModes()
{
    const DisplayInfo& i = info;
    modes[0] = DisplayMode{i.width, i.height, i.orientation};
    modeCount = 1;
    if (i.width % 16 == 0 && i.height % 16 == 0)
    {
        for (int32_t turn = 1; turn < 4; ++turn)
        {
            const bool odd = turn & 1;
            modes[modeCount++] = DisplayMode{odd ? i.height : i.width, odd ? i.width : i.height,
                                             (i.orientation + turn) & 3};
        }
    }
    else if (i.orientation != 0)
    {
        const bool odd = i.orientation & 1;
        modes[modeCount++] = DisplayMode{odd ? i.height : i.width, odd ? i.width : i.height, 0};
    }
}

bool VideoDetect::GetMode(int32_t index, DisplayMode& mode) const
{
    if (index < 0 || index >= modeCount)
        return false;
    mode = modes[index];
    return true;
}

bool VideoDetect::HasOrientation(int32_t orientation) const
{
    for (int32_t m = 0; m < modeCount; ++m)
    {
        if (modes[m].orientation == orientation)
            return true;
    }
    return false;
}

std::unique_ptr<VideoDriver> CreateDriver(int32_t id)
{
    DisplayLog("CreateDriver( %08X )", static_cast<unsigned>(id));
    switch (id)
    {
    case kDriverGdi: return std::make_unique<GDIDriver>();
    case kDriverDirect: return std::make_unique<DriverDirect>();
    case kDriverGapi: return std::make_unique<GAPI>();
    case kDriverStrongArm: return std::make_unique<StrongARM>();
    case kDriverXScale: return std::make_unique<XScale>();
    case kDriverImageon: return std::make_unique<Imageon100>();
    case kDriverMediaQ: return std::make_unique<SlowFB>(std::make_unique<MediaQ>());
    default: break;
    }
    if (g_factory)
        return g_factory(id);
    return nullptr;
}

std::unique_ptr<VideoDriver> SelectDriver(VideoDetect& detect, HWND window, DisplayParams& params)
{
    if (detect.driverCount == 0)
        return nullptr;
    if (params.orientation != kOrientationAny && !detect.HasOrientation(params.orientation))
        return nullptr;
    if (detect.forcedDriver)
    {
        DisplayLog("!!! Specific driver selected...");
        return TryDriver(detect.forcedDriver, window, params, detect.info);
    }
    for (int32_t i = detect.driverCount - 1; i >= 0; --i)
    {
        if (std::unique_ptr<VideoDriver> driver = TryDriver(detect.drivers[i], window, params, detect.info))
            return driver;
    }
    return nullptr;
}

void SetDriverFactory(std::function<std::unique_ptr<VideoDriver>(int32_t id)> factory)
{
    g_factory = std::move(factory);
}
