// lcd_driver.cpp -- the LCD controller probes and drivers
#include "ravenor/engine/display/lcd_driver.h"

#include <os/hw.h>
#include <os/windows.h>

#include <cstring>

#include "ravenor/engine/display/display_log.h"
#include "ravenor/engine/display/hardware_access.h"
#include "ravenor/engine/display/media_q.h"

namespace {

constexpr uint32_t kStrongArmRegisters = 0xB0100000;
constexpr uint32_t kStrongArmRegisterBytes = 44;
constexpr uint32_t kXScaleRegisters = 0x44000000;
constexpr uint32_t kXScaleRegisterBytes = 544;
constexpr uint32_t kIpaqFrameBuffer = 0xAC050020;
constexpr uint32_t kUncachedAlias = 0x20000000;
constexpr uint32_t kEnable = 1u << 0;
constexpr uint32_t kColour = 1u << 1;
constexpr uint32_t kActive = 1u << 7;
constexpr uint32_t kDoublePixel = 1u << 9;
// How many register readings a wait for the beam takes at most.
constexpr int kBeamWaitLimit = 100000;

LcdRecord g_strongArm;
LcdRecord g_xscale;

uint32_t Register(const LcdRecord& lcd, uint32_t offset)
{
    return os::hw::Read32(lcd.registers + offset / 4);
}

int32_t RoundUp(int32_t value, int32_t to)
{
    return (value + to - 1) / to * to;
}

// Keeps the mapping only for a usable controller.
void Finish(LcdRecord& lcd, const char* name)
{
    if (lcd.usable)
    {
        DisplayLog("%s: found LCD", name);
        return;
    }
    DisplayLog("%s: no LCD detected", name);
    UnmapPhysicalRange(const_cast<uint32_t*>(lcd.registers));
    lcd.registers = nullptr;
}

void ProbeStrongArm(LcdRecord& lcd)
{
    lcd.registers = static_cast<volatile uint32_t*>(MapPhysicalRange(kStrongArmRegisters, kStrongArmRegisterBytes));
    if (!lcd.registers)
        return;
    const uint32_t control = Register(lcd, 0);
    if (control & kEnable)
    {
        lcd.frameBase = Register(lcd, 16);
        lcd.width = static_cast<int32_t>(Register(lcd, 32) & 0x3FF) + 16;
        lcd.height = static_cast<int32_t>(Register(lcd, 36) & 0x3FF) + 1;
        lcd.colour = control & kColour;
        lcd.passive = !(control & kActive);
        if (auto* palette = static_cast<const uint16_t*>(MapPhysicalRange(lcd.frameBase, 2)))
        {
            static constexpr int32_t kBpp[4] = {4, 8, 16, 0};
            static constexpr int32_t kPalette[4] = {32, 512, 32, 0};
            const int kind = (*palette >> 12) & 3;
            lcd.bpp = kBpp[kind];
            lcd.paletteBytes = kPalette[kind];
            UnmapPhysicalRange(const_cast<uint16_t*>(palette));
        }
        lcd.pitch = lcd.bpp * RoundUp(lcd.width, 16) / 8;
        lcd.usable = lcd.bpp == 16 && !lcd.passive;
    }
    Finish(lcd, "StrongARM");
}

void ProbeXScale(LcdRecord& lcd)
{
    lcd.registers = static_cast<volatile uint32_t*>(MapPhysicalRange(kXScaleRegisters, kXScaleRegisterBytes));
    if (!lcd.registers)
        return;
    const uint32_t control = Register(lcd, 0);
    if (control & kEnable)
    {
        lcd.width = static_cast<int32_t>(Register(lcd, 4) & 0x3FF) + 1;
        lcd.height = static_cast<int32_t>(Register(lcd, 8) & 0x3FF) + 1;
        lcd.colour = control & kColour;
        lcd.passive = !(control & kActive);
        static constexpr int32_t kBpp[8] = {1, 2, 4, 8, 16, 0, 0, 0};
        static constexpr int32_t kPalette[8] = {8, 8, 32, 512, 0, 0, 0, 0};
        const uint32_t depth = (Register(lcd, 12) >> 24) & 7;
        lcd.bpp = kBpp[depth];
        lcd.paletteBytes = kPalette[depth];
        const bool wide = ((control & kColour) && (control & kDoublePixel)) ||
                          (!lcd.passive && (lcd.bpp == 8 || lcd.bpp == 16));
        lcd.pitch = lcd.bpp * RoundUp(lcd.width, wide ? 8 : 4) / 8;
        lcd.usable = lcd.bpp == 16;
    }
    Finish(lcd, "XScale");
}

} // namespace

const LcdRecord& StrongArmLcd()
{
    if (!g_strongArm.probed)
    {
        g_strongArm.probed = true;
        ProbeStrongArm(g_strongArm);
    }
    return g_strongArm;
}

const LcdRecord& XScaleLcd()
{
    if (!g_xscale.probed)
    {
        g_xscale.probed = true;
        ProbeXScale(g_xscale);
    }
    return g_xscale;
}

void ResetLcdRecords()
{
    for (LcdRecord* lcd : {&g_strongArm, &g_xscale})
    {
        if (lcd->registers)
            UnmapPhysicalRange(const_cast<uint32_t*>(lcd->registers));
        *lcd = LcdRecord{};
    }
}

bool LcdDriver::Initialize(HWND window, DisplayParams&, const DisplayInfo& detected)
{
    DisplayLog("%s: Initialize()", Name());
    if (surface_ || !IsWindow(window) || detected.frameBuffer == 0 || !Lcd().usable)
        return false;
    info_ = detected;
    info_.swapEffect = kSwapScreen;
    Adjust();
    ChooseFrameBuffer();
    surface_ = FrameBufferSurface(info_);
    SetWindow();
    return surface_ != nullptr;
}

// The frame may be named through its uncached alias; the plain address is
// used when both show the same picture.
void LcdDriver::ChooseFrameBuffer()
{
    if (!(info_.frameBuffer & kUncachedAlias))
        return;
    DisplayLog("%s: detecting framebuffer", Name());
    const uint32_t bytes = static_cast<uint32_t>(info_.pitch) * static_cast<uint32_t>(info_.height);
    const uint32_t plain = info_.frameBuffer & ~kUncachedAlias;
    const void* alias = os::hw::DeviceToHost(info_.frameBuffer, bytes);
    const void* cleared = os::hw::DeviceToHost(plain, bytes);
    if (alias && cleared && std::memcmp(alias, cleared, bytes) == 0)
        info_.frameBuffer = plain;
    DisplayLog("%s: found framebuffer", Name());
}

void LcdDriver::WaitForScanOut()
{
    Sleep(0);
    for (int i = 0; i < kBeamWaitLimit; ++i)
    {
        const int64_t beam = Beam();
        if (beam >= low_ && beam <= high_)
            return;
    }
}

void StrongARM::Adjust()
{
    if (PlatformModel() != kModelIpaqH3800)
        return;
    info_.orientation = 3;
    info_.frameBuffer = kIpaqFrameBuffer;
}

void StrongARM::SetWindow()
{
    const int64_t base = int64_t(Lcd().frameBase) + Lcd().paletteBytes;
    low_ = base + int64_t(info_.pitch) * (info_.height - 34);
    high_ = base + int64_t(info_.pitch) * (info_.height - 20);
}

int64_t StrongARM::Beam() const
{
    return Register(Lcd(), 20);
}

void XScale::SetWindow()
{
    low_ = int64_t(info_.pitch) * 20;
    high_ = int64_t(info_.pitch) * 34;
}

int64_t XScale::Beam() const
{
    const uint32_t value = Register(Lcd(), 0x20C);
    if (value & (1u << 26))
        return -1;
    return value & 0x1FFFFF;
}
