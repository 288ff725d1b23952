// key_map.cpp -- the hardware key table
#include "ravenor/engine/display/key_map.h"

#include <os/windows.h>

#include <cstring>

#include "ravenor/engine/display/gx_info.h"
#include "ravenor/engine/display/system_bindings.h"

namespace {

constexpr int kMaxHardwareKeys = 16;

// Distinct codes in the order added.
class HardwareKeySet
{
public:
    void Add(uint16_t code)
    {
        if (code == 0 || count_ >= kMaxHardwareKeys || Find(code) >= 0)
            return;
        codes_[count_++] = code;
    }
    void Remove(uint16_t code)
    {
        const int i = Find(code);
        if (i >= 0)
            codes_[i] = codes_[--count_];
    }
    // Takes the last code, 0 when empty
    uint16_t TakeLast()
    {
        return count_ > 0 ? codes_[--count_] : 0;
    }

private:
    int Find(uint16_t code) const
    {
        for (int i = 0; i < count_; ++i)
        {
            if (codes_[i] == code)
                return i;
        }
        return -1;
    }
    uint16_t codes_[kMaxHardwareKeys] = {};
    int count_ = 0;
};

// Pad and buttons of one key list: up, down, left, right, start, A, B, C
struct PadKeys
{
    uint16_t up, down, left, right, start, a, b, c;
};

void ReadRegistryKeys(HardwareKeySet& set)
{
    HKEY keys = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Shell\\Keys", 0, KEY_READ, &keys) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index)
    {
        WCHAR name[64];
        DWORD length = 64;
        if (RegEnumKeyExW(keys, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        const uint32_t value = static_cast<uint32_t>(wcstol(name, nullptr, 16));
        set.Add(static_cast<uint16_t>(value & 0xFF));
    }
    RegCloseKey(keys);
}

PadKeys FromGxList(const GXKeyList& k)
{
    auto vk = [](short code) { return static_cast<uint16_t>(code); };
    return PadKeys{vk(k.vkUp), vk(k.vkDown), vk(k.vkLeft), vk(k.vkRight),
                   vk(k.vkStart), vk(k.vkA), vk(k.vkB), vk(k.vkC)};
}

bool KeysFromGx(PadKeys& portrait, PadKeys& landscape)
{
    GXKeyList normal{};
    GXKeyList turned{};
    if (!GxLoaded() || !GxDefaultKeys(GX_NORMALKEYS, normal) || !GxDefaultKeys(GX_LANDSCAPEKEYS, turned))
        return false;
    portrait = FromGxList(normal);
    landscape = FromGxList(turned);
    return true;
}

// The escape's key table: Up, Down, Left, Right, A, B, C, Start, each with a
// portrait and a landscape code.
bool KeysFromEscape(PadKeys& portrait, PadKeys& landscape)
{
    GxInfo info;
    if (!QueryGxInfo(info))
        return false;
    uint16_t codes[2][8];
    for (int key = 0; key < 8; ++key)
    {
        for (int column = 0; column < 2; ++column)
            codes[column][key] = info.KeyCode(key, column);
    }
    for (int column = 0; column < 2; ++column)
    {
        const uint16_t* c = codes[column];
        (column == 0 ? portrait : landscape) = PadKeys{c[0], c[1], c[2], c[3], c[7], c[4], c[5], c[6]};
    }
    return true;
}

// Turns the pad by d quarter turns
void TurnPad(uint16_t* codes, int d)
{
    const uint16_t up = codes[KeyMap::kUp];
    const uint16_t down = codes[KeyMap::kDown];
    const uint16_t left = codes[KeyMap::kLeft];
    const uint16_t right = codes[KeyMap::kRight];
    const uint16_t turned[4][4] = {
        {up, down, left, right},
        {left, right, down, up},
        {down, up, right, left},
        {right, left, up, down},
    };
    for (int i = 0; i < 4; ++i)
        codes[KeyMap::kUp + i] = turned[d][i];
}

} // namespace

void KeyMap::Detect(KeyMap& keyMap, int32_t orientation)
{
    keyMap = KeyMap{};
    HardwareKeySet set;
    ReadRegistryKeys(set);
    const int32_t o = (orientation >= 0 && orientation <= 3) ? orientation : 0;

    PadKeys portrait{38, 40, 37, 39, 13, 32, 17, 16};
    PadKeys landscape = portrait;
    if (KeysFromGx(portrait, landscape) || KeysFromEscape(portrait, landscape))
    {
        for (const PadKeys* list : {&portrait, &landscape})
        {
            for (uint16_t code : {list->start, list->a, list->b, list->c})
                set.Add(code);
        }
    }
    const PadKeys& buttons = (o == 1 || o == 3) ? landscape : portrait;
    const uint16_t pad[8] = {portrait.up, portrait.down, portrait.left, portrait.right,
                             buttons.start, buttons.a, buttons.b, buttons.c};
    std::memcpy(keyMap.codes, pad, sizeof pad);
    TurnPad(keyMap.codes, (o - NativeScreenRotation()) & 3);
    for (int b = kButton1; b <= kButton4; ++b)
        set.Remove(keyMap.codes[b]);
    for (int i = kFirstFurther; i < kCount; ++i)
        keyMap.codes[i] = set.TakeLast();
}
