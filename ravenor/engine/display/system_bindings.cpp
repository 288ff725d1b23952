// system_bindings.cpp -- run-time binding of coredll, aygshell and gx entry points
#include "ravenor/engine/display/system_bindings.h"

#include <os/windows.h>

#include <cstring>

namespace {

// A library loaded on first use; module stays null when it is not there.
struct Library
{
    const char16_t* name;
    bool tried = false;
    HMODULE module = nullptr;

    bool Load()
    {
        if (!tried)
        {
            tried = true;
            module = LoadLibraryW(name);
        }
        return module != nullptr;
    }

    FARPROC Find(const char* entry)
    {
        return Load() ? GetProcAddressA(module, entry) : nullptr;
    }
};

Library g_coredll{u"coredll.dll"};
Library g_aygshell{u"aygshell.dll"};
Library g_gx{u"gx.dll"};
Library g_gxdma{u"gxdma.dll"};
BOOL g_allKeysValue = FALSE;
BOOL g_kernelMode = FALSE;
int32_t g_nativeRotation = -1;

// The device's DEVMODE is 192 bytes; only the size, the field mask and the
// display orientation are used.
constexpr size_t kDevModeBytes = 192;
constexpr size_t kDevModeSizeOffset = 68;
constexpr size_t kDevModeFieldsOffset = 72;
constexpr size_t kDevModeOrientationOffset = 184;
constexpr DWORD kDmDisplayOrientation = 0x00800000;
constexpr DWORD kCdsTest = 2;
enum : DWORD
{
    kDmdo0 = 0,
    kDmdo90 = 1,
    kDmdo180 = 2,
    kDmdo270 = 4,
};

template <class F>
F Entry(Library& library, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(library.Find(name)));
}

int32_t RotationOf(DWORD orientation)
{
    switch (orientation)
    {
    case kDmdo90: return 3;
    case kDmdo180: return 2;
    case kDmdo270: return 1;
    default: return 0;
    }
}

} // namespace

BOOL CallAllKeys(BOOL all)
{
    auto allKeys = Entry<BOOL (*)(BOOL)>(g_coredll, "AllKeys");
    if (allKeys)
        return allKeys(all);
    const BOOL previous = g_allKeysValue;
    g_allKeysValue = all;
    return previous;
}

BOOL CallSetKMode(BOOL on)
{
    auto setKMode = Entry<BOOL (*)(BOOL)>(g_coredll, "SetKMode");
    if (setKMode)
        return setKMode(on);
    const BOOL previous = g_kernelMode;
    g_kernelMode = on;
    return previous;
}

BOOL CallSHFullScreen(HWND window, DWORD flags)
{
    auto fullScreen = Entry<BOOL (*)(HWND, DWORD)>(g_aygshell, "SHFullScreen");
    return fullScreen ? fullScreen(window, flags) : TRUE;
}

int32_t NativeScreenRotation()
{
    if (g_nativeRotation >= 0)
        return g_nativeRotation;
    g_nativeRotation = 0;
    using ChangeSettings = LONG (*)(LPCWSTR, void*, HWND, DWORD, void*);
    auto change = Entry<ChangeSettings>(g_coredll, "ChangeDisplaySettingsEx");
    if (!change)
        return g_nativeRotation;
    alignas(4) uint8_t mode[kDevModeBytes] = {};
    const WORD size = kDevModeBytes;
    std::memcpy(mode + kDevModeSizeOffset, &size, sizeof size);
    std::memcpy(mode + kDevModeFieldsOffset, &kDmDisplayOrientation, sizeof kDmDisplayOrientation);
    if (change(nullptr, mode, nullptr, kCdsTest, nullptr) == 0)
    {
        DWORD orientation = kDmdo0;
        std::memcpy(&orientation, mode + kDevModeOrientationOffset, sizeof orientation);
        g_nativeRotation = RotationOf(orientation);
    }
    return g_nativeRotation;
}

bool GxLoaded()
{
    return g_gx.Load();
}

bool GxDefaultKeys(int options, GXKeyList& keys)
{
    auto getKeys = Entry<GXKeyList (*)(int)>(g_gx, "?GXGetDefaultKeys@@YA?AUGXKeyList@@H@Z");
    if (!getKeys)
        return false;
    keys = getKeys(options);
    return true;
}

FARPROC GxEntry(const char* name)
{
    return g_gx.Find(name);
}

FARPROC GxdmaEntry(const char* name)
{
    return g_gxdma.Find(name);
}

bool GxdmaLoaded()
{
    return g_gxdma.Load();
}

void ResetSystemBindings()
{
    for (Library* library : {&g_coredll, &g_aygshell, &g_gx, &g_gxdma})
    {
        if (library->module)
            FreeLibrary(library->module);
        library->tried = false;
        library->module = nullptr;
    }
    g_allKeysValue = FALSE;
    g_kernelMode = FALSE;
    g_nativeRotation = -1;
}
