// sound.h -- the game's sounds: 26 fixed slots of waves from "demo.bin" and
// one music slot, each play on its own wave-out device
#pragma once

#include <os/windows.h>
#include <os/mmsystem.h>

#include <cstdint>
#include <string>
#include <vector>

struct Entity;

constexpr int kSoundSlots = 26;

struct SoundSlot
{
    std::vector<uint8_t> data;   // the whole wave file, header included
    std::string name;
    WAVEFORMATEX format{};
    int32_t baseVolume = 63;
    int32_t volume = 0;          // of the last play, 0..0xFFFF
    // The device and header of the last play; the slot owns both and gives
    // them up when the play is done, stopped or the slot unloaded.
    HWAVEOUT device = nullptr;
    WAVEHDR* header = nullptr;
};

// Slot numbers the callers use
enum SoundNumber : int
{
    kSoundVolume = 1,
    kSoundIdle = 3,
    kSoundWall1 = 4,
    kSoundWall2 = 5,
    kSoundWall3 = 6,
    kSoundCollision1 = 7,
    kSoundCollision2 = 8,
    kSoundCone = 9,
    kSoundLamppost = 10,
    kSoundClick = 11,
    kSoundCountdown = 12,
    kSoundCheer = 13,
    kSoundBoo = 14,
    kSoundZing = 15,
    kSoundNoWay = 16,
    kSoundHello = 17,
    kSoundLand = 18,
    kSoundAhhh = 19,
    kSoundMmm = 20,
    kSound2ndGear = 21,
    kSound3rdGear = 22,
    kSoundMaxSpeed = 23,
    kSoundDecel = 24,
    kSoundSkid = 25,
};

// The sound layer: the fixed slots and the music, the window that hears
// their completion, the two volumes and the engine and skid loops
struct SoundState
{
    SoundSlot slots[kSoundSlots];
    SoundSlot music;
    HWND window = nullptr;           // hears MM_WOM_DONE (none: no completion notices)
    int32_t master = 1023 * 58 / 116;      // the effects factor, 0..1023
    int32_t musicVolume = 0xFFFF * 58 / 116;
    int engineSlot = -1;             // the slot sounding as engine
    int32_t lastSpeed = 0;           // the speed of the engine's last update
    uint32_t lastSwitch = 0;         // when the gear sound last changed
    bool skidding = false;
};
extern SoundState g_sound;

// The 24 fixed waves from the archive (slots 0 and 2 stay empty)
void LoadSounds();
void PlaySound(int slot);
void PlaySoundRandomRate(int slot);
void PlaySoundScaled(int slot, int32_t percent);
void StartEngineIdle();
// Once a frame for the player's car, from its speed and throttle before its
// step: the engine's gear sound
void UpdateEngineSound(int32_t speed, bool throttle);
void StartSkid();
void StopSkid();
// The slot's play stopped (nothing when it is not playing)
void StopSound(int slot);
void StopAllSounds();
void PauseAllSounds();
void ResumeAllSounds();
void SetMusicVolume(int32_t setting, int32_t maximum);
void SetEffectsVolume(int32_t setting, int32_t maximum);
// Replaces the music with the named wave, looped
void PlayTune(const char* name);
void PauseMusic();
void ResumeMusic();
// MM_WOM_DONE of a device: the slot that played it lets it go
void SoundDone(HWAVEOUT device, WAVEHDR* header);
// Every slot, 25 down to 0, then the music
void UnloadSounds();
// The slot's data and play given up (safe to repeat)
void UnloadSlot(SoundSlot& slot);
// Tests: the master factor, music volume and engine and skid state
int32_t EffectsMaster();
int32_t EngineSoundSlot();
void ResetSoundState();
