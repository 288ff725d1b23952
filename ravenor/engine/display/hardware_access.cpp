// hardware_access.cpp -- platform model, processor kind and physical mappings
#include "ravenor/engine/display/hardware_access.h"

#include <os/hw.h>
#include <os/windows.h>

#include <iterator>

#include "ravenor/engine/display/system_bindings.h"

namespace {

constexpr int32_t kUnknown = -1;
int32_t g_model = kUnknown;
int32_t g_processor = kUnknown;

constexpr const char16_t* kModelPrefixes[] = {
    u"Compaq iPAQ H3800", u"Compale P6C", u"Typhoon", u"Toshiba e310",
    u"Toshiba e330", u"Toshiba e740", u"Toshiba e750",
};

bool StartsWith(const char16_t* text, const char16_t* prefix)
{
    for (; *prefix; ++prefix, ++text)
    {
        if (*text != *prefix)
            return false;
    }
    return true;
}

} // namespace

int32_t PlatformModel()
{
    if (g_model != kUnknown)
        return g_model;
    g_model = kModelNone;
    char16_t oem[261] = {};   // 260 characters and a terminator that stays
    if (!SystemParametersInfoW(SPI_GETOEMINFO, 260 * sizeof(char16_t), oem, 0))
        return g_model;
    for (int32_t i = 0; i < static_cast<int32_t>(std::size(kModelPrefixes)); ++i)
    {
        if (StartsWith(oem, kModelPrefixes[i]))
            return g_model = i + 1;
    }
    return g_model;
}

int32_t ProcessorKind()
{
    if (g_processor != kUnknown)
        return g_processor;
    const BOOL previous = CallSetKMode(TRUE);
    const uint32_t id = os::hw::ReadProcessorId();
    CallSetKMode(previous);
    if ((id >> 12) == 0x69052)
        g_processor = kProcessorXScale;
    else if ((id >> 16) == 0x6901)
        g_processor = kProcessorStrongArm;
    else
        g_processor = kProcessorOther;
    return g_processor;
}

void* MapPhysicalRange(uint32_t physical, uint32_t bytes)
{
    const BOOL previous = CallSetKMode(TRUE);
    void* mapping = os::hw::MapPhysical(physical, bytes);
    CallSetKMode(previous);
    return mapping;
}

void UnmapPhysicalRange(void* mapping)
{
    os::hw::UnmapPhysical(mapping);
}

void ResetHardwareRecords()
{
    g_model = kUnknown;
    g_processor = kUnknown;
}
