// settings.h -- the options that survive a run ("settings.bin") and the
// stage progress in the registry
#pragma once

#include <cstdint>

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
    uint32_t keyAccelerate = 38;
    uint32_t keyBrake = 40;
    uint32_t keyHandbrake = 32;    // the space bar
    uint32_t keyPause = 27;        // Escape
    // Not in the file: the stages open to the player (1 at start), written
    // to the registry value "stage"
    int32_t unlockedStages = 1;
};
constexpr int kSettingsBytes = 44;
constexpr int kSettingsWords = 11;
constexpr uint32_t kMaxVolume = 116;
constexpr uint32_t kMaxDetail = 127;
constexpr uint32_t kKeySpace = 32;
constexpr uint32_t kKeyEscape = 27;

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
// The key map's pad for steering, accelerating and braking, the space bar
// for the handbrake, Escape for the pause
void SetDefaultKeys();
bool KeysAreDefault();
// 1 while the key is down; codes outside the key table are never down
bool IsKeyDown(uint32_t code);
