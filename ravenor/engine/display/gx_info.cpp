// gx_info.cpp -- the GETGXINFO escape
#include "ravenor/engine/display/gx_info.h"

#include <os/windows.h>

#include <cstring>

namespace {

constexpr int32_t kGxInfoVersion = 100;

} // namespace

uint32_t GxInfo::Field(int index) const
{
    uint32_t value = 0;
    std::memcpy(&value, record + index * 4, sizeof value);
    return value;
}

int32_t GxInfo::Width() const
{
    return static_cast<int32_t>((Format() & kLandscape) ? Field(4) : Field(3));
}

int32_t GxInfo::Height() const
{
    return static_cast<int32_t>((Format() & kLandscape) ? Field(3) : Field(4));
}

uint16_t GxInfo::KeyCode(int key, int column) const
{
    uint16_t code = 0;
    std::memcpy(&code, record + kKeysOffset + key * kKeyBytes + column * 2, sizeof code);
    return code;
}

bool QueryGxInfo(GxInfo& info)
{
    HDC screen = GetDC(nullptr);
    if (!screen)
        return false;
    const int escape = kGetGxInfoEscape;
    std::memset(info.record, 0, sizeof info.record);
    std::memcpy(info.record, &kGxInfoVersion, sizeof kGxInfoVersion);
    const bool answered =
        ExtEscape(screen, QUERYESCSUPPORT, sizeof escape, reinterpret_cast<LPCSTR>(&escape), 0, nullptr) > 0 &&
        ExtEscape(screen, kGetGxInfoEscape, 0, nullptr, GxInfo::kBytes, reinterpret_cast<LPSTR>(info.record)) > 0;
    ReleaseDC(nullptr, screen);
    return answered;
}
