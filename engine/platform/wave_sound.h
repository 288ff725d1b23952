// wave_sound.h -- one ".wav" file in memory, played through its own wave-out device
//
// There is no mixer here: each playing sound opens a device of its own, and
// the device's completion notice (MM_WOM_DONE) reaches the window given to
// play, whose procedure ends the sound. One program-wide switch turns sound
// effects off; devices without wave output never play.
#pragma once

#include <os/mmsystem.h>
#include <os/types.h>

#include <cstddef>
#include <cstdint>

// The wave-out capabilities, read once per process.
struct WaveDeviceCaps
{
    bool hasFormats = false;
    bool isStereo = false;
    WAVEOUTCAPSW caps{};

    static WaveDeviceCaps& get();
};

// Where a wave file keeps its format and samples.
struct WaveLayout
{
    WAVEFORMATEX format{};
    size_t dataOffset = 0;
    size_t dataSize = 0;
};

// The canonical 44-byte header (format fields at offsets 20 to 34, samples
// from 44 to the end), or, when byte 36 does not start the "data" chunk, the
// "fmt " and "data" chunks found by walking the RIFF chunks. False for files
// shorter than 44 bytes or without a usable layout.
bool parseWaveFile(const uint8_t* bytes, size_t length, WaveLayout& out);

class WaveSound
{
public:
    enum State
    {
        Stopped = 0,
        Paused = 1,
        Playing = 2,
    };

    WAVEHDR header{};
    WAVEFORMATEX format{};
    HWAVEOUT device = nullptr;
    uint8_t* data = nullptr;
    int32_t size = 0;
    int state = Stopped;

    // Loads the file; a file that does not open (or is no wave file) gives
    // the box "Unable to open wave file: "<path>"." and an empty sound.
    explicit WaveSound(const WCHAR* path);
    // Closes a device still open; a completion notice not yet handled is dropped.
    ~WaveSound();
    WaveSound(const WaveSound&) = delete;
    WaveSound& operator=(const WaveSound&) = delete;

    void play(HWND window);
    // loops 1 plays once; -1 plays until stopped.
    void playLooped(HWND window, int loops);
    void stop();
    void pause();
    void resume();
    // Opens the first free device and writes the samples; non-zero when
    // nothing plays.
    MMRESULT start(HWND window, int loops);

    static void setEnabled(bool on);
    static bool isEnabled();
    // The window procedure's MM_WOM_DONE: ends the sound whatever the switch.
    static void complete(WaveSound* sound);

private:
    bool gatedOff() const;
    void closeDevice();
    void dropPendingNotices();

    HWND window = nullptr;
};
