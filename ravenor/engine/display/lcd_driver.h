// lcd_driver.h -- drawing straight into the LCD controller's frame (StrongARM, XScale)
//
// The processor's own LCD controller scans a frame in memory. Its registers
// tell the screen's size, depth and frame base; the drivers lay the surface
// over the frame and can wait until the controller's beam is between 34 and
// 20 rows from the bottom, so that a copy from the top stays behind it.
#pragma once

#include <memory>

#include "ravenor/engine/display/video_driver.h"

// What an LCD controller probe found (once per process per controller).
struct LcdRecord
{
    bool probed = false;
    bool usable = false;
    volatile uint32_t* registers = nullptr;   // kept mapped while usable
    uint32_t frameBase = 0;                    // physical, palette first
    int32_t width = 0;
    int32_t height = 0;
    int32_t bpp = 0;
    int32_t pitch = 0;
    int32_t paletteBytes = 0;
    bool colour = false;
    bool passive = false;
};

const LcdRecord& StrongArmLcd();
const LcdRecord& XScaleLcd();
void ResetLcdRecords();

class LcdDriver : public VideoDriver
{
public:
    bool Initialize(HWND window, DisplayParams& params, const DisplayInfo& detected) override;
    Surface* Lock() override { return surface_.get(); }
    void Present(uint32_t) override {}
    void SetDirtyRect(const RECT&) override {}
    void WaitForScanOut() override;

protected:
    virtual const char* Name() const = 0;
    virtual const LcdRecord& Lcd() const = 0;
    virtual void Adjust() {}   // device-specific changes to the info
    // The beam's position in the window's units, or -1 for a reading to skip.
    virtual int64_t Beam() const = 0;
    virtual void SetWindow() = 0;

    int64_t low_ = 0;
    int64_t high_ = 0;

private:
    void ChooseFrameBuffer();
    std::unique_ptr<Surface> surface_;
};

class StrongARM : public LcdDriver
{
protected:
    const char* Name() const override { return "StrongARM"; }
    const LcdRecord& Lcd() const override { return StrongArmLcd(); }
    void Adjust() override;
    int64_t Beam() const override;
    void SetWindow() override;
};

class XScale : public LcdDriver
{
protected:
    const char* Name() const override { return "XScale"; }
    const LcdRecord& Lcd() const override { return XScaleLcd(); }
    int64_t Beam() const override;
    void SetWindow() override;
};
