// video_detect.cpp -- detection, the mode list, the driver factory and selection
#include "video_detect.h"

#include "display_log.h"
#include "gdi_driver.h"

namespace {

std::unique_ptr<VideoDetect> g_detect;
std::function<std::unique_ptr<VideoDriver>(int32_t)> g_factory;

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
    if (info.orientation == kOrientationAny)
        info.orientation = 0;
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
    if (id == kDriverGdi)
        return std::make_unique<GDIDriver>();
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
