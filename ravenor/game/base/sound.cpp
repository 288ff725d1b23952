// sound.cpp -- wave slots played on their own wave-out devices
#include "ravenor/game/base/sound.h"

#include <cstring>

#include "common/little_endian.h"
#include "ravenor/engine/core/log.h"
#include "ravenor/engine/data/data_archive.h"
#include "ravenor/game/base/settings.h"

SoundState g_sound;

namespace {

constexpr uint32_t kWaveHeaderBytes = 44;
constexpr uint32_t kHeaderSize = 32;   // what the calls are told a WAVEHDR takes
constexpr uint32_t kGearSwitchMs = 2904;

struct FixedWave
{
    int slot;
    const char* name;
    int32_t baseVolume;
};

const FixedWave kFixedWaves[] = {
    {1, "volume.wav", 63},      {3, "idle.WAV", 40},        {23, "maxspeed.WAV", 50},  {21, "2ndgear.WAV", 50},
    {22, "3rdgear.WAV", 50},    {24, "decel.WAV", 50},      {25, "skid.wav", 35},      {4, "wall1.wav", 50},
    {5, "wall2.wav", 60},       {6, "wall3.wav", 90},       {7, "collision1.wav", 40}, {8, "collision2.wav", 40},
    {10, "lamppost.wav", 45},   {11, "click.wav", 55},      {13, "cheer.wav", 40},     {14, "boo.wav", 63},
    {18, "land.wav", 120},      {12, "countdown.wav", 63},  {9, "cone.wav", 80},       {15, "zing.wav", 50},
    {16, "noway.wav", 63},      {17, "hello.wav", 80},      {19, "AHHH.wav", 63},      {20, "mmm.wav", 63},
};


void LoadSlot(SoundSlot& slot, const char* name)
{
    slot.name = name;
    slot.data.clear();
    // A missing wave was said by the archive: the slot stays silent.
    if (!DataArchive::OpenFile(name))
        return;
    const uint32_t size = DataArchive::GetFileSize();
    std::vector<uint8_t> bytes(size);
    const bool read = size > 0 && DataArchive::Read(bytes.data(), 1, size);
    DataArchive::CloseFile();
    if (!read)
        return;
    slot.data = std::move(bytes);
    if (slot.data.size() >= 36)
    {
        const uint8_t* f = slot.data.data() + 20;
        slot.format.wFormatTag = readLE16(f);
        slot.format.nChannels = readLE16(f + 2);
        slot.format.nSamplesPerSec = readLE32(f + 4);
        slot.format.nAvgBytesPerSec = readLE32(f + 8);
        slot.format.nBlockAlign = readLE16(f + 12);
        slot.format.wBitsPerSample = readLE16(f + 14);
        slot.format.cbSize = 0;
    }
}

// The slot's last play stopped and given up: nothing refers to its device
// or header afterwards, so a late completion notice finds no slot.
void ReleasePlay(SoundSlot& slot)
{
    if (slot.device != nullptr)
    {
        waveOutReset(slot.device);
        if (slot.header != nullptr)
            waveOutUnprepareHeader(slot.device, slot.header, kHeaderSize);
        waveOutClose(slot.device);
    }
    delete slot.header;
    slot.device = nullptr;
    slot.header = nullptr;
}

// A slot without data or shorter than its wave header is never played.
void Play(SoundSlot& slot, bool loop, int32_t volume, uint32_t rate)
{
    if (slot.data.size() <= kWaveHeaderBytes)
        return;
    if (rate != 0)
    {
        slot.format.nSamplesPerSec = rate;
        slot.format.nAvgBytesPerSec = rate * slot.format.nBlockAlign;
    }
    // A slot played again stops its earlier play.
    ReleasePlay(slot);
    HWAVEOUT device = nullptr;
    const DWORD callback = g_sound.window != nullptr ? CALLBACK_WINDOW : CALLBACK_NULL;
    if (waveOutOpen(&device, WAVE_MAPPER, &slot.format, reinterpret_cast<DWORD_PTR>(g_sound.window), 0, callback) !=
        MMSYSERR_NOERROR)
    {
        LogFormat("filename = %s", slot.name.c_str());
        return;
    }
    waveOutReset(device);
    auto* header = new WAVEHDR{};
    header->lpData = reinterpret_cast<LPSTR>(slot.data.data() + kWaveHeaderBytes);
    header->dwBufferLength = static_cast<DWORD>(slot.data.size() - kWaveHeaderBytes);
    header->dwUser = loop ? 1 : 0;
    if (loop)
    {
        header->dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
        header->dwLoops = 0x7FFFFFFF;
    }
    slot.device = device;
    slot.header = header;
    if (waveOutPrepareHeader(device, header, kHeaderSize) != MMSYSERR_NOERROR)
        return;
    if (volume < 0)
        volume = 0;
    if (volume > 0xFFFF)
        volume = 0xFFFF;
    slot.volume = volume;
    waveOutSetVolume(device, static_cast<DWORD>(volume) * 0x10001u);
    waveOutWrite(device, header, kHeaderSize);
}

SoundSlot* Slot(int slot)
{
    return slot >= 0 && slot < kSoundSlots ? &g_sound.slots[slot] : nullptr;
}

uint32_t RandomRate()
{
    return 10000 + (os_rand() & 0xFFF);
}

void SwitchEngine(int target)
{
    if (g_sound.engineSlot >= 0)
        ReleasePlay(g_sound.slots[g_sound.engineSlot]);
    SoundSlot& slot = g_sound.slots[target];
    Play(slot, true, slot.baseVolume * g_sound.master, 0);
    g_sound.engineSlot = target;
}

} // namespace

void LoadSounds()
{
    for (const FixedWave& wave : kFixedWaves)
    {
        SoundSlot& slot = g_sound.slots[wave.slot];
        // A play of the old wave must not outlive its data.
        ReleasePlay(slot);
        LoadSlot(slot, wave.name);
        slot.baseVolume = wave.baseVolume;
    }
}

void PlaySound(int slot)
{
    if (SoundSlot* s = Slot(slot))
        Play(*s, false, s->baseVolume * g_sound.master, 0);
}

void PlaySoundRandomRate(int slot)
{
    if (SoundSlot* s = Slot(slot))
        Play(*s, false, s->baseVolume * g_sound.master, RandomRate());
}

void PlaySoundScaled(int slot, int32_t percent)
{
    SoundSlot* s = Slot(slot);
    if (s == nullptr)
        return;
    int32_t volume = s->baseVolume * g_sound.master * percent / 100;
    Play(*s, false, volume < 0 ? 0 : volume, RandomRate());
}

void StartEngineIdle()
{
    SwitchEngine(kSoundIdle);
}

void UpdateEngineSound(int32_t speed, bool throttle)
{
    if (throttle)
    {
        const int32_t d = speed - g_sound.lastSpeed;
        const int target = d >= 4 ? kSound2ndGear : d >= 2 ? kSound3rdGear : kSoundMaxSpeed;
        const uint32_t now = GetTickCount();
        if (g_sound.engineSlot != target && now - g_sound.lastSwitch > kGearSwitchMs)
        {
            g_sound.lastSwitch = now;
            SwitchEngine(target);
        }
    }
    else
    {
        const int target = speed < 30 ? kSoundIdle : kSoundDecel;
        if (g_sound.engineSlot != target)
            SwitchEngine(target);
    }
    g_sound.lastSpeed = speed;
}

void StartSkid()
{
    if (g_sound.skidding)
        return;
    SoundSlot& slot = g_sound.slots[kSoundSkid];
    Play(slot, true, slot.baseVolume * g_sound.master, 0);
    g_sound.skidding = true;
}

void StopSkid()
{
    if (!g_sound.skidding)
        return;
    ReleasePlay(g_sound.slots[kSoundSkid]);
    g_sound.skidding = false;
}

void StopSound(int slot)
{
    if (SoundSlot* s = Slot(slot))
        ReleasePlay(*s);
}

void StopAllSounds()
{
    for (SoundSlot& slot : g_sound.slots)
        ReleasePlay(slot);
    g_sound.engineSlot = -1;
    g_sound.skidding = false;
}

void PauseAllSounds()
{
    for (SoundSlot& slot : g_sound.slots)
        if (slot.device != nullptr)
            waveOutPause(slot.device);
}

void ResumeAllSounds()
{
    for (SoundSlot& slot : g_sound.slots)
        if (slot.device != nullptr)
            waveOutRestart(slot.device);
}

void SetMusicVolume(int32_t setting, int32_t maximum)
{
    g_sound.musicVolume = maximum > 0 ? setting * 0xFFFF / maximum : 0;
    if (g_sound.music.device != nullptr)
        waveOutSetVolume(g_sound.music.device, static_cast<DWORD>(g_sound.musicVolume) * 0x10001u);
}

void SetEffectsVolume(int32_t setting, int32_t maximum)
{
    g_sound.master = maximum > 0 ? setting * 1023 / maximum : 0;
}

void PlayTune(const char* name)
{
    LogFormat("new_tune %s", name);
    UnloadSlot(g_sound.music);
    g_sound.music = SoundSlot{};
    LoadSlot(g_sound.music, name);
    Play(g_sound.music, true, g_sound.musicVolume, 0);
    if (g_settings.musicVolume == 0)
        PauseMusic();
}

void PauseMusic()
{
    if (g_sound.music.device != nullptr)
        waveOutPause(g_sound.music.device);
}

void ResumeMusic()
{
    if (g_sound.music.device != nullptr)
        waveOutRestart(g_sound.music.device);
}

void SoundDone(HWAVEOUT device, WAVEHDR* header)
{
    auto done = [&](SoundSlot& slot) {
        if (slot.device == device && slot.header == header && device != nullptr)
            ReleasePlay(slot);
    };
    for (SoundSlot& slot : g_sound.slots)
        done(slot);
    done(g_sound.music);
}

void UnloadSlot(SoundSlot& slot)
{
    if (slot.header != nullptr)
        slot.header->dwUser = 0;
    ReleasePlay(slot);
    slot.data.clear();
    slot.data.shrink_to_fit();
}

void UnloadSounds()
{
    for (int i = kSoundSlots - 1; i >= 0; --i)
        UnloadSlot(g_sound.slots[i]);
    UnloadSlot(g_sound.music);
    g_sound.engineSlot = -1;
    g_sound.skidding = false;
}

int32_t EffectsMaster()
{
    return g_sound.master;
}

int32_t EngineSoundSlot()
{
    return g_sound.engineSlot;
}

void ResetSoundState()
{
    UnloadSounds();
    for (SoundSlot& slot : g_sound.slots)
        slot = SoundSlot{};
    g_sound.music = SoundSlot{};
    g_sound.master = 1023 * 58 / 116;
    g_sound.musicVolume = 0xFFFF * 58 / 116;
    g_sound.lastSpeed = 0;
    g_sound.lastSwitch = 0;
}
