// mixer.cpp -- the software mixer: voices summed into the back end's stream
//
// Every open device is a voice playing the front buffer of its queue. Voices
// are resampled to the mix rate by linear interpolation between neighbouring
// source frames (a source at the mix rate plays its samples unchanged), 8-bit
// samples are widened to 16 bits, mono goes to both channels, each channel is
// scaled by the device's volume, and the sum saturates to 16 bits.
//
// The stream is pulled by the host back end: the headless back end pulls as
// its virtual clock advances, the SDL one from its audio thread. When the back
// end has no audio device, a thread of our own pulls on the real clock and
// throws the samples away, so buffers still complete and notices still come.
#include "os/sound/sound_private.h"

#include "os/host/host.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace os::sound {
namespace {

struct Mixer
{
    std::mutex lock;
    std::vector<std::shared_ptr<Device>> voices;
    std::once_flag started;
};

Mixer& mixer()
{
    static Mixer* m = new Mixer; // never destroyed: the audio thread may outlive main
    return *m;
}

void fill(int16_t* out, int frames, void*)
{
    mix(out, frames);
}

std::atomic<bool> g_exiting{false};

// The null device: pulls 10 ms blocks on the real clock until the process
// begins to exit (so no notice is posted into a window system being torn down).
void null_device()
{
    constexpr int kBlock = kMixRate / 100;
    std::vector<int16_t> block(kBlock * kMixChannels);
    auto next = std::chrono::steady_clock::now();
    while (!g_exiting)
    {
        next += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(next);
        mix(block.data(), kBlock);
    }
}

void start_audio()
{
    if (os::host::backend().audio_start(kMixRate, fill, nullptr))
        return;
    std::atexit([] { g_exiting = true; });
    std::thread(null_device).detach();
}

// One source frame as a stereo pair of 16-bit samples.
void read_frame(const Device& d, const WAVEHDR* h, uint32_t index, int32_t* lr)
{
    const uint8_t* p = reinterpret_cast<const uint8_t*>(h->lpData) + size_t(index) * d.format.frame_bytes();
    for (int c = 0; c < d.format.channels; ++c)
    {
        if (d.format.bits == 8)
            lr[c] = (int32_t(p[c]) - 128) * 256;
        else
        {
            int16_t s;
            std::memcpy(&s, p + 2 * c, 2);
            lr[c] = s;
        }
    }
    if (d.format.channels == 1)
        lr[1] = lr[0];
}

uint32_t frame_count(const Device& d, const WAVEHDR* h)
{
    return h->dwBufferLength / uint32_t(d.format.frame_bytes());
}

// The front header ran out: loop it, or mark it done and start the next.
void end_of_header(Device& d, std::vector<Notice>& notices)
{
    WAVEHDR* h = d.queue.front();
    uint64_t length = uint64_t(frame_count(d, h)) << 32;
    if (d.loops_left > 1 && length != 0)
    {
        --d.loops_left;
        d.pos -= length;
        return;
    }
    d.queue.pop_front();
    d.pos = length == 0 ? 0 : d.pos - length;
    h->dwFlags = (h->dwFlags & ~DWORD(WHDR_INQUEUE)) | WHDR_DONE;
    notices.push_back(make_notice(d, MM_WOM_DONE, h));
    if (!d.queue.empty())
        d.loops_left = plays_of(d.queue.front());
}

// Settles every header the position has passed.
void settle(Device& d, std::vector<Notice>& notices)
{
    while (!d.queue.empty() && (d.pos >> 32) >= frame_count(d, d.queue.front()))
        end_of_header(d, notices);
}

int32_t scale(int32_t sample, WORD volume)
{
    int64_t factor = volume == 0xFFFF ? 65536 : volume;
    return int32_t((int64_t(sample) * factor) >> 16);
}

void mix_voice(Device& d, int32_t* acc, int frames, std::vector<Notice>& notices)
{
    settle(d, notices);
    for (int i = 0; i < frames && !d.queue.empty(); ++i)
    {
        const WAVEHDR* h = d.queue.front();
        uint32_t count = frame_count(d, h);
        uint32_t index = uint32_t(d.pos >> 32);
        uint32_t next = index + 1 < count ? index + 1 : (d.loops_left > 1 ? 0 : index);
        int32_t a[2], b[2];
        read_frame(d, h, index, a);
        read_frame(d, h, next, b);
        int64_t frac = int64_t((d.pos >> 16) & 0xFFFF);
        for (int c = 0; c < 2; ++c)
        {
            int32_t s = a[c] + int32_t(((b[c] - a[c]) * frac) >> 16);
            acc[2 * i + c] += scale(s, c == 0 ? LOWORD(d.volume) : HIWORD(d.volume));
        }
        d.pos += d.step;
        settle(d, notices);
    }
}

int16_t saturate(int32_t v)
{
    return int16_t(std::clamp<int32_t>(v, -32768, 32767));
}

} // namespace

DWORD plays_of(const WAVEHDR* h)
{
    DWORD both = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    if ((h->dwFlags & both) != both)
        return 1;
    return std::max<DWORD>(h->dwLoops, 1);
}

std::mutex& mixer_lock()
{
    return mixer().lock;
}

void mixer_add(const std::shared_ptr<Device>& device)
{
    Mixer& m = mixer();
    std::call_once(m.started, start_audio);
    std::lock_guard<std::mutex> guard(m.lock);
    m.voices.push_back(device);
}

void mixer_remove(const Device* device)
{
    auto& v = mixer().voices;
    v.erase(std::remove_if(v.begin(), v.end(), [&](const auto& p) { return p.get() == device; }), v.end());
}

void mix(int16_t* out, int frames)
{
    if (frames <= 0)
        return;
    // Kept per thread so the audio thread does not allocate on every pull.
    thread_local std::vector<int32_t> acc;
    thread_local std::vector<Notice> notices;
    acc.assign(size_t(frames) * kMixChannels, 0);
    notices.clear();
    {
        std::lock_guard<std::mutex> guard(mixer().lock);
        for (auto& voice : mixer().voices)
        {
            if (!voice->paused)
                mix_voice(*voice, acc.data(), frames, notices);
        }
    }
    for (size_t i = 0; i < acc.size(); ++i)
        out[i] = saturate(acc[i]);
    record_mixed(out, frames);
    if (notices.empty())
        return;
    // A callback may mix again on this thread (a function callback that sleeps).
    std::vector<Notice> due;
    due.swap(notices);
    for (const Notice& n : due)
        deliver(n);
}

} // namespace os::sound
