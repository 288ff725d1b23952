// settings_test.cpp -- "settings.bin" round trip, damaged files, clamping and progress
#include <gtest/gtest.h>

#include <os/windows.h>
#include <os/wstring.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "os/testing/host.h"
#include "ravenor/game/base/settings.h"
#include "ravenor/game/base/shell_state.h"

namespace {

namespace headless = os::host::headless;

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
        g_shell.keyMap.codes[KeyMap::kUp] = 38;
        g_shell.keyMap.codes[KeyMap::kDown] = 40;
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

// The key map's left (37) and right (39) steer, F2 (113) accelerates, F9
// (120) brakes, F8 (119) is the handbrake and the digit 3 (51) pauses.
const std::vector<uint32_t> kDefaults = {0, 1, 58, 58, 58, 37, 39, 113, 120, 119, 51};

} // namespace

// A missing file gives the defaults, written at once, without a word.
// A damaged one (cut short, too long, empty, random bytes, a folder in its
// place) is set aside as "settings.bin.damaged" as it was, the user is told
// once, and the defaults are used and written in its place.
TEST_F(SettingsTest, MissingOrDamagedFileGivesTheDefaultsRewritten)
{
    std::vector<uint8_t> random(44);
    uint32_t seed = 12345;
    for (uint8_t& b : random)
        b = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
    struct Case
    {
        const char* what;
        int size;   // of a file of sevens; -1 none
        const std::vector<uint8_t>* bytes;
        bool folder;
    };
    const Case cases[] = {
        {"missing", -1, nullptr, false}, {"empty", 0, nullptr, false},       {"cut short", 43, nullptr, false},
        {"too long", 45, nullptr, false}, {"random bytes", -1, &random, false}, {"a folder", -1, nullptr, true},
    };
    const std::string aside = HostPath() + ".damaged";
    for (const Case& c : cases)
    {
        std::filesystem::remove_all(HostPath());
        std::filesystem::remove_all(aside);
        headless::clear_boxes();
        std::vector<uint8_t> written;
        if (c.size >= 0)
        {
            std::vector<uint32_t> words(11, 7);
            WriteWords(std::vector<uint32_t>(words.begin(), words.begin() + c.size / 4), c.size % 4);
            written = FileBytes();
        }
        if (c.bytes != nullptr)
        {
            written = *c.bytes;
            std::ofstream(HostPath(), std::ios::binary).write(reinterpret_cast<const char*>(written.data()), 44);
        }
        if (c.folder)
            std::filesystem::create_directories(HostPath() + "/inside");
        g_settings.detail = 3;
        LoadSettings();
        EXPECT_EQ(58u, g_settings.detail) << c.what;
        EXPECT_TRUE(KeysAreDefault()) << c.what;
        EXPECT_EQ(kDefaults, FileWords()) << c.what;
        EXPECT_EQ(44u, FileBytes().size()) << c.what;
        const bool damaged = c.size >= 0 || c.bytes != nullptr || c.folder;
        ASSERT_EQ(damaged ? 1u : 0u, headless::boxes().size()) << c.what;
        if (!damaged)
            continue;
        const std::string text = os::to_latin1(headless::boxes()[0].text);
        EXPECT_NE(std::string::npos, text.find("settings.bin was damaged")) << text;
        EXPECT_NE(std::string::npos, text.find("settings.bin.damaged; the defaults are used.")) << text;
        if (c.folder)
        {
            EXPECT_TRUE(std::filesystem::is_directory(aside + "/inside")) << c.what;
        }
        else
        {
            std::ifstream in(aside, std::ios::binary);
            EXPECT_EQ(written, std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {})) << c.what << ": kept";
        }
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

// A file saved by an earlier build, whose defaults were the pad's up and
// down, the space bar and Escape, is a sound file: those are the player's
// keys, kept as they are, without a word and without rewriting the file.
TEST_F(SettingsTest, AnEarlierBuildsPadKeysStayThePlayersKeys)
{
    const std::vector<uint32_t> earlier = {0, 1, 58, 58, 58, 37, 39, 38, 40, 32, 27};
    WriteWords(earlier);
    headless::clear_boxes();
    LoadSettings();
    EXPECT_TRUE(headless::boxes().empty());
    EXPECT_FALSE(std::filesystem::exists(HostPath() + ".damaged"));
    EXPECT_EQ(earlier, FileWords());
    EXPECT_EQ(38u, g_settings.keyAccelerate);
    EXPECT_EQ(40u, g_settings.keyBrake);
    EXPECT_EQ(32u, g_settings.keyHandbrake);
    EXPECT_EQ(27u, g_settings.keyPause);
    EXPECT_FALSE(KeysAreDefault());
    SaveSettings();
    EXPECT_EQ(earlier, FileWords());
}

// Each of the six keys alone makes the set other than the defaults.
TEST_F(SettingsTest, KeysAreDefaultOnlyWithAllSixDefaults)
{
    SetDefaultKeys();
    EXPECT_TRUE(KeysAreDefault());
    uint32_t Settings::*const keys[] = {&Settings::keyLeft,  &Settings::keyRight,     &Settings::keyAccelerate,
                                        &Settings::keyBrake, &Settings::keyHandbrake, &Settings::keyPause};
    for (uint32_t Settings::*key : keys)
    {
        SetDefaultKeys();
        g_settings.*key = 'Q';
        EXPECT_FALSE(KeysAreDefault());
    }
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
