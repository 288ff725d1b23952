// libraries.cpp -- the stand-in "gxdma.dll" and "CoreLinkLib.dll"
#include "os/hw/libraries.h"

#include "os/kernel/module_private.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace os::hw {

namespace {

struct Record
{
    std::vector<std::string> calls;
    GxdmaConfig gxdma;
    CoreLinkConfig corelink;
    int dmaBusyLeft = 0;
    int waitBusyLeft = 0;
    std::vector<uint8_t> overlay;
};

Record& record()
{
    static auto* r = new Record;
    return *r;
}

template <class... Args>
void Note(const char* name, Args... args)
{
    std::string line = std::string(name) + "(";
    bool first = true;
    ((line += (first ? "" : ", ") + std::to_string(args), first = false), ...);
    record().calls.push_back(line + ")");
}

// gxdma.dll
BOOL DmaDRAMtoVRAM(DWORD x, DWORD y, DWORD w, DWORD h)
{
    Note("DmaDRAMtoVRAM", x, y, w, h);
    return TRUE;
}

BOOL DmaVRAMtoDRAM(DWORD x, DWORD y, DWORD w, DWORD h)
{
    Note("DmaVRAMtoDRAM", x, y, w, h);
    return TRUE;
}

BOOL IsDMAReady()
{
    Note("IsDMAReady");
    if (record().dmaBusyLeft > 0)
    {
        --record().dmaBusyLeft;
        return FALSE;
    }
    return TRUE;
}

// CoreLinkLib.dll
BOOL ProcessAttach()
{
    Note("AtiCore_ProcessAttach");
    return TRUE;
}

BOOL ProcessDetach()
{
    Note("AtiCore_ProcessDetach");
    return TRUE;
}

BOOL AllocateSurface(WORD* handle, DWORD* offset, DWORD pixels)
{
    Note("AtiCore_AllocateSurface", pixels);
    const CoreLinkConfig& c = record().corelink;
    if (!DeviceToHost(c.memory + c.surfaceOffset, pixels * 2) && !add_device_memory(c.memory + c.surfaceOffset, pixels * 2))
        return FALSE;
    *handle = 5;
    *offset = c.surfaceOffset;
    return TRUE;
}

BOOL AllocOverlay(WORD* overlay)
{
    Note("AtiCore_AllocOverlay");
    *overlay = 3;
    return TRUE;
}

BOOL SetupOverlay(WORD overlay, const void* data)
{
    Note("AtiCore_SetupOverlay", overlay);
    const auto* bytes = static_cast<const uint8_t*>(data);
    record().overlay.assign(bytes, bytes + 24);
    return TRUE;
}

BOOL SetOverlayPos(WORD overlay, WORD x, WORD y)
{
    Note("AtiCore_SetOverlayPos", overlay, x, y);
    return TRUE;
}

BOOL SetOverlayOnOff(WORD overlay, BOOL on)
{
    Note("AtiCore_SetOverlayOnOff", overlay, on);
    return TRUE;
}

BOOL WaitComplete(DWORD timeout)
{
    Note("AtiCore_WaitComplete", timeout);
    if (record().waitBusyLeft > 0)
    {
        --record().waitBusyLeft;
        return FALSE;
    }
    return TRUE;
}

BOOL SetupMemoryTransfer(DWORD offset, void** address)
{
    Note("AtiCore_SetupMemoryTransfer", offset);
    const CoreLinkConfig& c = record().corelink;
    switch (c.transfer)
    {
    case CoreLinkConfig::Transfer::Fails: return FALSE;
    case CoreLinkConfig::Transfer::NoAddress: *address = nullptr; return TRUE;
    default: *address = DeviceToHost(c.memory + offset, 2); return TRUE;
    }
}

BOOL TerminateMemoryTransfer()
{
    Note("AtiCore_TerminateMemoryTransfer");
    return TRUE;
}

BOOL ReleaseOverlay(WORD overlay)
{
    Note("AtiCore_ReleaseOverlay", overlay);
    return TRUE;
}

BOOL DestroySurface(WORD handle)
{
    Note("AtiCore_DestroySurface", handle);
    return TRUE;
}

// Entries the programs bind but never call.
template <int N>
BOOL NeverCalled()
{
    Note("unexpected call", N);
    return FALSE;
}

std::vector<module::Export> Without(std::vector<module::Export> exports, const std::vector<std::string>& missing)
{
    exports.erase(std::remove_if(exports.begin(), exports.end(),
                                 [&](const module::Export& e) {
                                     return std::find(missing.begin(), missing.end(), e.name) != missing.end();
                                 }),
                  exports.end());
    return exports;
}

} // namespace

std::vector<std::string> library_calls()
{
    return record().calls;
}

void clear_library_calls()
{
    record().calls.clear();
}

void register_gxdma(const GxdmaConfig& config)
{
    using module::proc;
    record().gxdma = config;
    record().dmaBusyLeft = config.busyAnswers;
    std::vector<module::Export> exports{
        {"DmaVRAMtoDRAM", 0, proc(DmaVRAMtoDRAM)},
        {"DmaDRAMtoVRAM", 0, proc(DmaDRAMtoVRAM)},
        {"IsDMAReady", 0, proc(IsDMAReady)},
    };
    module::register_library(u"gxdma.dll", Without(exports, config.withIsDmaReady ? std::vector<std::string>{}
                                                                                   : std::vector<std::string>{"IsDMAReady"}));
    module::set_library_absent(u"gxdma.dll", false);
}

void register_corelink(const CoreLinkConfig& config)
{
    using module::proc;
    record().corelink = config;
    record().waitBusyLeft = config.busyWaits;
    std::vector<module::Export> exports{
        {"AtiCore_ProcessAttach", 0, proc(ProcessAttach)},
        {"AtiCore_ProcessDetach", 0, proc(ProcessDetach)},
        {"AtiCore_AllocateSurface", 0, proc(AllocateSurface)},
        {"AtiCore_AllocOverlay", 0, proc(AllocOverlay)},
        {"AtiCore_SetupOverlay", 0, proc(SetupOverlay)},
        {"AtiCore_SetOverlayPos", 0, proc(SetOverlayPos)},
        {"AtiCore_SetOverlayOnOff", 0, proc(SetOverlayOnOff)},
        {"AtiCore_WaitComplete", 0, proc(WaitComplete)},
        {"AtiCore_SetupMemoryTransfer", 0, proc(SetupMemoryTransfer)},
        {"AtiCore_TerminateMemoryTransfer", 0, proc(TerminateMemoryTransfer)},
        {"AtiCore_ReleaseOverlay", 0, proc(ReleaseOverlay)},
        {"AtiCore_DestroySurface", 0, proc(DestroySurface)},
        {"AtiCore_SetupGraphicWindow", 0, proc(NeverCalled<1>)},
        {"AtiCore_GetFrontBufferPitchOffset", 0, proc(NeverCalled<2>)},
        {"AtiCore_SetupOverlayExtended", 0, proc(NeverCalled<3>)},
        {"AtiCore_BitBlt", 0, proc(NeverCalled<4>)},
        {"AtiCore_BitBltFilpRotate", 0, proc(NeverCalled<5>)},
        {"AtiCore_DrawPixel", 0, proc(NeverCalled<6>)},
        {"AtiCore_ReadMem", 0, proc(NeverCalled<7>)},
        {"AtiCore_ReadReg", 0, proc(NeverCalled<8>)},
        {"AtiCore_SetFrontBuffer", 0, proc(NeverCalled<9>)},
        {"AtiCore_SetSrcPitchOffset", 0, proc(NeverCalled<10>)},
        {"AtiCore_SetDstPitchOffset", 0, proc(NeverCalled<11>)},
        {"AtiCore_SetRopOperation", 0, proc(NeverCalled<12>)},
        {"AtiCore_SetSrcType", 0, proc(NeverCalled<13>)},
        {"AtiCore_SetDstType", 0, proc(NeverCalled<14>)},
    };
    module::register_library(u"CoreLinkLib.dll", Without(exports, config.missing));
    module::set_library_absent(u"CoreLinkLib.dll", false);
}

std::vector<uint8_t> overlay_record()
{
    return record().overlay;
}

} // namespace os::hw
