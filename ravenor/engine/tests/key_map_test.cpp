// key_map_test.cpp -- the hardware key table from gx.dll, the registry and the defaults
#include <gtest/gtest.h>

#include <os/windows.h>

#include <string>
#include <vector>

#include "ravenor/engine/display/key_map.h"
#include "ravenor/engine/display/system_bindings.h"
#include "os/testing/gx.h"

namespace {

std::vector<uint16_t> Codes(const KeyMap& map)
{
    return std::vector<uint16_t>(map.codes, map.codes + KeyMap::kCount);
}

void AddHardwareKeys(const std::vector<std::u16string>& names)
{
    for (const std::u16string& name : names)
    {
        const std::u16string path = u"SOFTWARE\\Microsoft\\Shell\\Keys\\" + name;
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        RegCloseKey(key);
    }
}

std::vector<uint16_t> Detect(int32_t orientation)
{
    ResetSystemBindings();
    KeyMap map;
    KeyMap::Detect(map, orientation);
    return Codes(map);
}

} // namespace

// Without gx.dll or the escape: arrows, Return, Space, Control, Shift, turned
// with the orientation (anything but 0..3 counts as 0).
TEST(KeyMapDefaults, TurnedByOrientation)
{
    struct Case
    {
        int32_t orientation;
        std::vector<uint16_t> pad;
    };
    const Case cases[] = {
        {0, {38, 40, 37, 39}}, {1, {37, 39, 40, 38}}, {2, {40, 38, 39, 37}},
        {3, {39, 37, 38, 40}}, {7, {38, 40, 37, 39}}, {-1, {38, 40, 37, 39}},
    };
    for (const Case& c : cases)
    {
        std::vector<uint16_t> expected = c.pad;
        for (uint16_t code : {13, 32, 17, 16, 0, 0, 0, 0, 0, 0, 0, 0})
            expected.push_back(code);
        EXPECT_EQ(expected, Detect(c.orientation)) << "orientation " << c.orientation;
    }
}

// Registry subkeys are hexadecimal codes whose low byte counts; the further
// keys come from the end of the set, without the button codes, duplicates or 0.
// The registry lists subkeys by name: 0D, 100, 40C1, 40C2, 72, C1 gives the
// set 0D C1 C2 72; taking out Return (0D) moves 72 to the front.
TEST(KeyMapRegistry, FurtherKeysFromTheShellKeys)
{
    AddHardwareKeys({u"40C1", u"40C2", u"C1", u"100", u"0D", u"72"});
    const std::vector<uint16_t> codes = Detect(0);
    const std::vector<uint16_t> expected = {38, 40, 37, 39, 13, 32, 17, 16, 0xC2, 0xC1, 0x72, 0, 0, 0, 0, 0};
    EXPECT_EQ(expected, codes);
}

TEST(KeyMapRegistry, AtMostEightFurtherKeys)
{
    std::vector<std::u16string> names;
    for (int code = 0xC1; code < 0xC1 + 20; ++code)
    {
        WCHAR name[8];
        swprintf(name, 8, u"%X", code);
        names.push_back(name);
    }
    AddHardwareKeys(names);
    const std::vector<uint16_t> codes = Detect(0);
    // The set holds the first 16 codes; the last of them come first.
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(0xC1 + 15 - i, codes[KeyMap::kFirstFurther + i]) << i;
}

// With gx.dll: the pad from the portrait list, the buttons Start, A, B, C;
// the buttons' codes never count as further keys.
TEST(KeyMapGx, PadAndButtonsFromTheGameApi)
{
    os::gx::register_library();
    AddHardwareKeys({u"40C1", u"40C5"});
    const std::vector<uint16_t> codes = Detect(0);
    const GXKeyList keys = GXGetDefaultKeys(GX_NORMALKEYS);
    const std::vector<uint16_t> pad = {uint16_t(keys.vkUp),    uint16_t(keys.vkDown), uint16_t(keys.vkLeft),
                                       uint16_t(keys.vkRight), uint16_t(keys.vkStart), uint16_t(keys.vkA),
                                       uint16_t(keys.vkB),     uint16_t(keys.vkC)};
    EXPECT_EQ(pad, std::vector<uint16_t>(codes.begin(), codes.begin() + 8));
    EXPECT_EQ(0xC5, codes[KeyMap::kFirstFurther]);
    EXPECT_EQ(0, codes[KeyMap::kFirstFurther + 1]);
}
