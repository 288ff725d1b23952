// settings.cpp -- "settings.bin" and the registry value "stage"
#include "ravenor/game/base/settings.h"

#include <os/file.h>
#include <os/windows.h>

#include <cstdio>
#include <string>

#include "common/little_endian.h"
#include "ravenor/game/base/shell_state.h"

Settings g_settings;

namespace {

constexpr DWORD kAttributeNormal = 128;
constexpr DWORD kAttributeHidden = 2;
const WCHAR kProgressKey[] = u"Software\\Lumetra\\Ravenor";

void SettingsPath(WCHAR* path)
{
    wcscpy(path, g_shell.programFolder);
    wcscat(path, u"settings.bin");
}

// The file's eleven words in their order
void Words(Settings& s, uint32_t* (&words)[kSettingsWords])
{
    uint32_t* const all[kSettingsWords] = {&s.reserved0,    &s.reserved1, &s.effectsVolume, &s.musicVolume,
                                           &s.detail,       &s.keyLeft,   &s.keyRight,      &s.keyAccelerate,
                                           &s.keyBrake,     &s.keyHandbrake, &s.keyPause};
    for (int i = 0; i < kSettingsWords; ++i)
        words[i] = all[i];
}

void Decode(const uint8_t* bytes, Settings& s)
{
    uint32_t* words[kSettingsWords];
    Words(s, words);
    for (int i = 0; i < kSettingsWords; ++i)
        *words[i] = readLE32(bytes + 4 * i);
}

void Encode(Settings& s, uint8_t* bytes)
{
    uint32_t* words[kSettingsWords];
    Words(s, words);
    for (int i = 0; i < kSettingsWords; ++i)
        writeLE32(bytes + 4 * i, *words[i]);
}

void ClampValues(Settings& s)
{
    if (s.effectsVolume > kMaxVolume)
        s.effectsVolume = kMaxVolume;
    if (s.musicVolume > kMaxVolume)
        s.musicVolume = kMaxVolume;
    if (s.detail > kMaxDetail)
        s.detail = kMaxDetail;
}

// Reads the file's 44 bytes: none when there is no file, else what is wrong
// with it (nullptr when it is sound).
struct FileCheck
{
    bool missing = false;
    const char16_t* damage = nullptr;
};

FileCheck ReadSettingsFile(const WCHAR* path, uint8_t* bytes)
{
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return {true, nullptr};
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return {false, u"a folder stands in its place"};
    FILE* file = _wfopen(path, u"rb");
    if (file == nullptr)
        return {false, u"it cannot be read"};
    const bool sized =
        std::fseek(file, 0, SEEK_END) == 0 && std::ftell(file) == kSettingsBytes && std::fseek(file, 0, SEEK_SET) == 0;
    const bool read = sized && std::fread(bytes, 1, kSettingsBytes, file) == kSettingsBytes;
    std::fclose(file);
    if (!sized)
        return {false, u"it is not 44 bytes long"};
    if (!read)
        return {false, u"it cannot be read"};
    // The two reserved words are always 0 and 1: anything else is not a
    // settings file (random bytes, another file written over it).
    if (readLE32(bytes) != 0 || readLE32(bytes + 4) != 1)
        return {false, u"it holds no settings"};
    return {};
}

// The damaged file set aside beside itself and named to the user once; true
// when it was moved (the defaults may then be written in its place).
bool SetAside(const WCHAR* path, const char16_t* damage)
{
    const std::u16string asideAs = os::set_aside_damaged_file(path);
    std::u16string text = std::u16string(path) + u" was damaged (" + damage + u")";
    if (asideAs.empty())
        text += u" and could not be set aside; the defaults are used for this run.";
    else
        text += u" and has been set aside as " + asideAs + u"; the defaults are used.";
    MessageBoxW(g_shell.window, text.c_str(), u"Ravenor", MB_OK | MB_ICONEXCLAMATION);
    return !asideAs.empty();
}

} // namespace

static_assert(kSettingsWords * 4 == kSettingsBytes);

// The key map's pad steers; F2 accelerates, F9 brakes, F8 is the handbrake
// and the digit 3 pauses.
void SetDefaultKeys()
{
    g_settings.keyLeft = g_shell.keyMap.codes[KeyMap::kLeft];
    g_settings.keyRight = g_shell.keyMap.codes[KeyMap::kRight];
    g_settings.keyAccelerate = kDefaultKeyAccelerate;
    g_settings.keyBrake = kDefaultKeyBrake;
    g_settings.keyHandbrake = kDefaultKeyHandbrake;
    g_settings.keyPause = kDefaultKeyPause;
}

bool KeysAreDefault()
{
    const Settings s = g_settings;
    SetDefaultKeys();
    const bool same = s.keyLeft == g_settings.keyLeft && s.keyRight == g_settings.keyRight &&
                      s.keyAccelerate == g_settings.keyAccelerate && s.keyBrake == g_settings.keyBrake &&
                      s.keyHandbrake == g_settings.keyHandbrake && s.keyPause == g_settings.keyPause;
    g_settings = s;
    return same;
}

void LoadSettings()
{
    WCHAR path[kProgramFolderChars + 16];
    SettingsPath(path);
    SetFileAttributesW(path, kAttributeNormal);
    uint8_t bytes[kSettingsBytes];
    const FileCheck check = ReadSettingsFile(path, bytes);
    if (!check.missing && check.damage == nullptr)
    {
        Decode(bytes, g_settings);
        ClampValues(g_settings);
        SetFileAttributesW(path, kAttributeNormal);
        return;
    }
    const int32_t unlocked = g_settings.unlockedStages;
    g_settings = Settings{};
    g_settings.unlockedStages = unlocked;
    SetDefaultKeys();
    // A damaged file is never written over: moved aside first, or kept.
    if (check.missing || SetAside(path, check.damage))
        SaveSettings();
}

int SaveProgress()
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kProgressKey, 0, nullptr, 0, 0xF003F, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return 0;
    const DWORD value = static_cast<DWORD>(g_settings.unlockedStages);
    const LONG set = RegSetValueExW(key, u"stage", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
    return set == ERROR_SUCCESS ? 1 : 0;
}

void SaveSettings()
{
    SaveProgress();
    WCHAR path[kProgramFolderChars + 16];
    SettingsPath(path);
    uint8_t bytes[kSettingsBytes];
    Encode(g_settings, bytes);
    // Written whole beside the old file and renamed over it: a full disk or
    // a crash never leaves half a file.
    if (!os::write_file_atomic(std::u16string(path), bytes, kSettingsBytes))
        return;
    SetFileAttributesW(path, kAttributeHidden);
}

bool IsKeyDown(uint32_t code)
{
    return code < 256 && g_shell.keys[code] != 0;
}
