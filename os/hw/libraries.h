// libraries.h -- the stand-in graphics libraries, for tests
//
// Each register_* call makes the library loadable with the behaviour asked
// for; every call into it is recorded as "Name(arguments)".
#pragma once

#include <os/hw.h>

#include <string>
#include <vector>

namespace os::hw {

std::vector<std::string> library_calls();
void clear_library_calls();

struct GxdmaConfig
{
    int busyAnswers = 0;         // IsDMAReady answers FALSE this many times first
    bool withIsDmaReady = true;  // false: the export is missing
};
void register_gxdma(const GxdmaConfig& config);

struct CoreLinkConfig
{
    std::vector<std::string> missing;   // exports left out
    int busyWaits = 0;                   // AtiCore_WaitComplete answers FALSE this many times first
    enum class Transfer
    {
        Works,
        Fails,
        NoAddress,
    } transfer = Transfer::Works;
    uint32_t memory = 0x0A000000;        // device address of the chip's memory
    DWORD surfaceOffset = 0x1000;        // where AtiCore_AllocateSurface places a surface
};
void register_corelink(const CoreLinkConfig& config);
// The last record given to AtiCore_SetupOverlay.
std::vector<uint8_t> overlay_record();

} // namespace os::hw
