// settings_test.cpp -- "settings.bin" round trip, damaged files, clamping and progress
#include <gtest/gtest.h>

#include <os/windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "ravenor/game/base/settings.h"
#include "ravenor/game/base/shell_state.h"

namespace {

constexpr char kFolder[] = "Program Files/RavenorSettings";

std::string HostPath()
{
    return std::string(getenv("OS_DEVICE_ROOT")) + "/" + kFolder + "/settings.bin";
}

class SettingsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(std::filesystem::path(HostPath()).parent_path());
        std::filesystem::remove(HostPath());
        wcscpy(g_shell.programFolder, u"\\Program Files\\RavenorSettings\\");
        g_shell.keyMap.codes[KeyMap::kLeft] = 37;
        g_shell.keyMap.codes[KeyMap::kRight] = 39;
        g_settings = Settings{};
        g_settings.unlockedStages = 1;
    }

    static std::vector<uint8_t> FileBytes()
    {
        std::ifstream in(HostPath(), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    static void WriteWords(const std::vector<uint32_t>& words, size_t extraBytes = 0)
    {
        std::vector<uint8_t> bytes;
        for (uint32_t w : words)
            for (int b = 0; b < 4; ++b)
                bytes.push_back(static_cast<uint8_t>(w >> (8 * b)));
        bytes.resize(bytes.size() + extraBytes, 0);
        std::ofstream(HostPath(), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }

    static std::vector<uint32_t> FileWords()
    {
        const std::vector<uint8_t> bytes = FileBytes();
        std::vector<uint32_t> words;
        for (size_t i = 0; i + 3 < bytes.size(); i += 4)
            words.push_back(bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 | uint32_t{bytes[i + 3]} << 24);
        return words;
    }
};

const std::vector<uint32_t> kDefaults = {0, 1, 58, 58, 58, 37, 39, 113, 120, 119, 51};

} // namespace

TEST_F(SettingsTest, MissingOrWrongSizedFileGivesTheDefaultsRewritten)
{
    for (int size : {-1, 0, 43, 45})
    {
        std::filesystem::remove(HostPath());
        if (size >= 0)
        {
            std::vector<uint32_t> words(11, 7);
            WriteWords(std::vector<uint32_t>(words.begin(), words.begin() + size / 4), size % 4);
        }
        g_settings.detail = 3;
        LoadSettings();
        EXPECT_EQ(58u, g_settings.detail) << size;
        EXPECT_TRUE(KeysAreDefault()) << size;
        EXPECT_EQ(kDefaults, FileWords()) << size;
        EXPECT_EQ(44u, FileBytes().size()) << size;
    }
}

TEST_F(SettingsTest, RoundTripAndValuesKeptInRange)
{
    g_settings = Settings{0, 1, 10, 0, 100, 65, 66, 67, 68, 69, 70};
    SaveSettings();
    g_settings = Settings{};
    LoadSettings();
    EXPECT_EQ((std::vector<uint32_t>{0, 1, 10, 0, 100, 65, 66, 67, 68, 69, 70}), FileWords());
    EXPECT_EQ(10u, g_settings.effectsVolume);
    EXPECT_EQ(100u, g_settings.detail);
    EXPECT_EQ(70u, g_settings.keyPause);
    EXPECT_FALSE(KeysAreDefault());
    // Damaged values are clamped; key codes beyond the key table are never down.
    WriteWords({0, 1, 5000, 117, 0xFFFFFFFF, 37, 39, 0x171, 120, 119, 51});
    LoadSettings();
    EXPECT_EQ(116u, g_settings.effectsVolume);
    EXPECT_EQ(116u, g_settings.musicVolume);
    EXPECT_EQ(127u, g_settings.detail);
    g_shell.keys[0x71] = 1;
    EXPECT_FALSE(IsKeyDown(g_settings.keyAccelerate));
    EXPECT_TRUE(IsKeyDown(0x71));
    g_shell.keys[0x71] = 0;
}

TEST_F(SettingsTest, ProgressGoesToTheRegistry)
{
    g_settings.unlockedStages = 5;
    SaveSettings();
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Lumetra\\Ravenor", 0, 0, &key));
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof value;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"stage", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size));
    RegCloseKey(key);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(5u, value);
}
