// sound_private.h -- the software mixer behind waveOut
//
// Each open device is a voice. Its state is guarded by one mixer lock, taken
// both by the waveOut calls and by the mixing pass that the back end's audio
// stream drives (the SDL audio thread, or the headless virtual clock).
// Notices (MM_WOM_*) are gathered under the lock and delivered after it is
// released, so a window procedure that answers a notice with waveOut calls
// never deadlocks.
#pragma once

#include <os/mmsystem.h>

#include "os/kernel/handle.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace os::sound {

// The mixer's output: the back end's stream format.
constexpr int kMixRate = 44100;
constexpr int kMixChannels = 2;

struct Format
{
    DWORD rate = 0;
    int channels = 0;
    int bits = 0;
    int frame_bytes() const { return channels * bits / 8; }
};

class Device : public os::KernelObject
{
public:
    ObjectType type() const override { return ObjectType::Other; }

    HWAVEOUT handle = nullptr;
    Format format;
    uint64_t step = 0; // source frames per mixed frame, 32.32 fixed point
    DWORD_PTR callback = 0;
    DWORD_PTR instance = 0;
    DWORD callback_type = CALLBACK_NULL;

    // Guarded by mixer_lock()
    std::deque<WAVEHDR*> queue; // front is playing
    uint64_t pos = 0;           // 32.32 source frame within the front header
    DWORD loops_left = 0;       // plays left of the front header, this one included
    bool paused = false;
    bool closed = false;
    DWORD volume = 0xFFFFFFFFu; // low word left, high word right
};

// A notice for a device's callback, delivered outside the mixer lock.
struct Notice
{
    HWAVEOUT device = nullptr;
    DWORD callback_type = CALLBACK_NULL;
    DWORD_PTR callback = 0;
    DWORD_PTR instance = 0;
    UINT message = 0;
    WAVEHDR* header = nullptr;
};

std::mutex& mixer_lock();

// Voices: add starts the back end's stream on first use.
void mixer_add(const std::shared_ptr<Device>& device);
void mixer_remove(const Device* device); // caller holds mixer_lock()

// Mixes `frames` stereo frames into `out` (the back end's pull).
void mix(int16_t* out, int frames);

// Delivers a notice: posted to the window, called on the function, or handed
// to a test's notifier when one is installed.
void deliver(const Notice& notice);
Notice make_notice(const Device& device, UINT message, WAVEHDR* header);

// Loops count from the flags given at write: both loop flags on one header
// play it dwLoops times (at least once); anything else plays once.
DWORD plays_of(const WAVEHDR* header);

// The highest source rate accepted.
constexpr DWORD kMaxRate = 192000;

// The primitives behind the waveOut calls (device.cpp). Each checks the
// handle and answers the call's result.
std::shared_ptr<Device> device_get(HWAVEOUT handle);
MMRESULT check_format(const WAVEFORMATEX* format);
MMRESULT device_open(HWAVEOUT* out, const WAVEFORMATEX& format, DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
MMRESULT device_close(HWAVEOUT handle);
MMRESULT header_prepare(HWAVEOUT handle, WAVEHDR* header, bool prepare);
MMRESULT device_write(HWAVEOUT handle, WAVEHDR* header);
MMRESULT device_pause(HWAVEOUT handle, bool pause);
MMRESULT device_reset(HWAVEOUT handle);
MMRESULT device_volume(HWAVEOUT handle, DWORD* volume, bool set);

// Spy hooks (record.cpp). They take the spy's own lock, which may be taken
// inside the mixer lock but never the other way round.
void record_open(const Device& device, const WAVEFORMATEX& format, DWORD flags);
void record_close(const Device& device);
void record_write(const Device& device, const WAVEHDR& header);
void record_volume(const Device& device, DWORD volume);
void record_mixed(const int16_t* samples, int frames);

} // namespace os::sound
