// sound_test_api.h -- what tests and tools can see of the mixer
//
// A spy on every device opened, every buffer written and every sample mixed,
// a notifier that stands in for PostMessageW, and a recorder that writes the
// mixed stream to a WAV file (44100 Hz, stereo, 16-bit) to check or listen to.
#pragma once

#include <os/mmsystem.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace os::sound {

// Writes everything mixed from now on to a WAV file; false when the file
// cannot be created. A second call ends the first recording.
bool record_mix_to(const std::string& path);
// Ends the recording and completes the file's header.
void stop_recording();

namespace test {

struct DeviceRecord
{
    HWAVEOUT handle = nullptr;
    WAVEFORMATEX format{};
    DWORD_PTR callback = 0;
    DWORD_PTR instance = 0;
    DWORD flags = 0;
    DWORD volume = 0xFFFFFFFFu;
    bool closed = false;
};

struct WriteRecord
{
    HWAVEOUT device = nullptr;
    const WAVEHDR* header = nullptr;
    DWORD length = 0;
    DWORD flags = 0; // as given to waveOutWrite
    DWORD loops = 0;
};

struct NoticeRecord
{
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
};

// Every device opened since start (or the last reset_spy), in order.
std::vector<DeviceRecord> devices();
// Devices open now.
int open_count();
// Every buffer written, in order.
std::vector<WriteRecord> writes();
// Frames mixed since start.
uint64_t frames_mixed();

// Keep a copy of the mixed stream (interleaved left, right) while on.
void capture(bool on);
std::vector<int16_t> captured();

// Replace PostMessageW for window notices; an empty function restores it.
void set_notifier(std::function<void(const NoticeRecord&)> notifier);

// Forget the records above; devices still open stay listed.
void reset_spy();

} // namespace test
} // namespace os::sound
