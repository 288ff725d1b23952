// settings.h -- the options that survive a run ("settings.bin") and the
// stage progress in the registry
#pragma once

#include <cstdint>

// The default game keys beside the key map's left and right
constexpr uint32_t kDefaultKeyAccelerate = 113; // F2
constexpr uint32_t kDefaultKeyBrake = 120;      // F9
constexpr uint32_t kDefaultKeyHandbrake = 119;  // F8
constexpr uint32_t kDefaultKeyPause = 51;       // the digit 3

// The exact content of "settings.bin": eleven little-endian words
struct Settings
{
    uint32_t reserved0 = 0;
    uint32_t reserved1 = 1;
    uint32_t effectsVolume = 58;   // 0..116
    uint32_t musicVolume = 58;     // 0..116 (0 keeps the music paused)
    uint32_t detail = 58;          // 0..127
    uint32_t keyLeft = 37;         // virtual-key codes (SetDefaultKeys: the key map's pad)
    uint32_t keyRight = 39;
    uint32_t keyAccelerate = kDefaultKeyAccelerate;
    uint32_t keyBrake = kDefaultKeyBrake;
    uint32_t keyHandbrake = kDefaultKeyHandbrake;
    uint32_t keyPause = kDefaultKeyPause;
    // Not in the file: the stages open to the player (1 at start), written
    // to the registry value "stage"
    int32_t unlockedStages = 1;
};
constexpr int kSettingsBytes = 44;
constexpr int kSettingsWords = 11;
constexpr uint32_t kMaxVolume = 116;
constexpr uint32_t kMaxDetail = 127;

extern Settings g_settings;

// Reads "settings.bin" of the program folder. No file gives the defaults,
// written at once. A damaged file (not 44 bytes, not settings, a folder,
// unreadable) is set aside as "settings.bin.damaged", the user is told in
// a message box, and the defaults are used and written. Volumes and detail
// are kept within their ranges.
void LoadSettings();
// The progress first, then the file (hidden once written)
void SaveSettings();
// "stage" under HKEY_CURRENT_USER\Software\Lumetra\Ravenor; 1 when written
int SaveProgress();
// The key map's left and right for steering, F2 to accelerate, F9 to
// brake, F8 for the handbrake, the digit 3 to pause
void SetDefaultKeys();
bool KeysAreDefault();
// 1 while the key is down; codes outside the key table are never down
bool IsKeyDown(uint32_t code);
