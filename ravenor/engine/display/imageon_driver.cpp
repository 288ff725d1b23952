// imageon_driver.cpp -- the Imageon driver, its probe and the library binding
#include "ravenor/engine/display/imageon_driver.h"

#include <os/windows.h>

#include <cstring>

#include "ravenor/engine/display/display_log.h"
#include "ravenor/engine/display/hardware_access.h"

namespace {

constexpr int kWaitAttempts = 32;
constexpr DWORD kWaitTimeout = 100;
constexpr size_t kOverlayRecordBytes = 24;

template <class F>
void Bind(HMODULE module, F& function, const char* name)
{
    function = module ? reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddressA(module, name))) : nullptr;
}

void Put16(uint8_t* record, size_t at, uint32_t value)
{
    const uint16_t v = static_cast<uint16_t>(value);
    std::memcpy(record + at, &v, sizeof v);
}

} // namespace

CoreLink::CoreLink() : module_(LoadLibraryW(u"CoreLinkLib.dll"))
{
    Bind(module_, processAttach, "AtiCore_ProcessAttach");
    Bind(module_, processDetach, "AtiCore_ProcessDetach");
    Bind(module_, allocateSurface, "AtiCore_AllocateSurface");
    Bind(module_, allocOverlay, "AtiCore_AllocOverlay");
    Bind(module_, setupOverlay, "AtiCore_SetupOverlay");
    Bind(module_, setOverlayPos, "AtiCore_SetOverlayPos");
    Bind(module_, setOverlayOnOff, "AtiCore_SetOverlayOnOff");
    Bind(module_, waitComplete, "AtiCore_WaitComplete");
    Bind(module_, setupMemoryTransfer, "AtiCore_SetupMemoryTransfer");
    Bind(module_, terminateMemoryTransfer, "AtiCore_TerminateMemoryTransfer");
    Bind(module_, releaseOverlay, "AtiCore_ReleaseOverlay");
    Bind(module_, destroySurface, "AtiCore_DestroySurface");
}

CoreLink::~CoreLink()
{
    if (module_)
        FreeLibrary(module_);
}

bool CoreLink::Complete() const
{
    return processAttach && processDetach && allocateSurface && allocOverlay && setupOverlay && setOverlayPos &&
           setOverlayOnOff && waitComplete && setupMemoryTransfer && terminateMemoryTransfer && releaseOverlay &&
           destroySurface;
}

bool Imageon100::Probe()
{
    const int32_t model = PlatformModel();
    if (model != kModelToshibaE740 && model != kModelToshibaE750)
    {
        DisplayLog("Imageon100: Not an Imageon100");
        return false;
    }
    CoreLink ati;
    if (!ati.Loaded() || !ati.allocateSurface || !ati.allocOverlay || !ati.Complete())
        return false;
    ati.processAttach();
    ati.processDetach();
    DisplayLog("Imageon100: Detected");
    return true;
}

bool Imageon100::Initialize(HWND window, DisplayParams&, const DisplayInfo& detected)
{
    DisplayLog("Imageon100: Initialize()");
    if (hasOverlay_ || !IsWindow(window) || !ati_.Complete())
        return false;
    info_ = detected;
    info_.pitch = info_.width * 2;
    info_.orientation = 0;
    info_.swapEffect = kSwapScreen;
    attached_ = ati_.processAttach();
    if (!attached_)
        return false;
    hasSurface_ = ati_.allocateSurface(&surfaceHandle_, &surfaceOffset_, static_cast<DWORD>(info_.width * info_.height));
    if (!hasSurface_)
        return false;
    hasOverlay_ = ati_.allocOverlay(&overlay_);
    if (!hasOverlay_)
        return false;
    uint8_t record[kOverlayRecordBytes] = {};
    std::memcpy(record, &surfaceOffset_, sizeof surfaceOffset_);
    Put16(record, 8, info_.width);
    Put16(record, 10, info_.width);
    Put16(record, 12, info_.height);
    Put16(record, 14, info_.height);
    record[20] = 8;
    ati_.setupOverlay(overlay_, record);
    ati_.setOverlayPos(overlay_, 0, 0);
    ati_.setOverlayOnOff(overlay_, TRUE);
    surface_ = std::make_unique<Surface>(info_.width, info_.height, info_.pitch, nullptr);
    return true;
}

Imageon100::~Imageon100()
{
    EndTransfer();
    if (hasOverlay_)
    {
        ati_.setOverlayOnOff(overlay_, FALSE);
        ati_.releaseOverlay(overlay_);
    }
    if (hasSurface_)
        ati_.destroySurface(surfaceHandle_);
    if (attached_)
        ati_.processDetach();
}

Surface* Imageon100::Lock()
{
    if (!hasOverlay_)
        return nullptr;
    bool done = false;
    for (int i = 0; i < kWaitAttempts && !done; ++i)
        done = ati_.waitComplete(kWaitTimeout);
    if (!done)
        return nullptr;
    void* address = nullptr;
    if (!ati_.setupMemoryTransfer(surfaceOffset_, &address) || !address)
        return nullptr;
    transferOpen_ = true;
    surface_->pixels = static_cast<uint16_t*>(address);
    return surface_.get();
}

void Imageon100::EndTransfer()
{
    if (!transferOpen_)
        return;
    ati_.terminateMemoryTransfer();
    transferOpen_ = false;
}

void Imageon100::Present(uint32_t)
{
    EndTransfer();
}

void Imageon100::Resume()
{
    if (hasOverlay_)
        ati_.setOverlayOnOff(overlay_, TRUE);
}

void Imageon100::Suspend()
{
    EndTransfer();
    if (hasOverlay_)
        ati_.setOverlayOnOff(overlay_, FALSE);
}
