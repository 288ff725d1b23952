// record.cpp -- the mixer's spy and the WAV recorder
#include "os/sound/sound_private.h"
#include "os/sound/sound_test_api.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace os::sound {
namespace {

struct Spy
{
    std::mutex lock;
    std::vector<test::DeviceRecord> devices;
    std::vector<test::WriteRecord> writes;
    uint64_t frames = 0;
    bool capturing = false;
    std::vector<int16_t> captured;
    FILE* wav = nullptr;
    uint32_t wav_bytes = 0;
};

Spy& spy()
{
    static Spy* s = new Spy;
    return *s;
}

test::DeviceRecord* find(Spy& s, HWAVEOUT handle)
{
    for (auto it = s.devices.rbegin(); it != s.devices.rend(); ++it)
    {
        if (it->handle == handle && !it->closed)
            return &*it;
    }
    return nullptr;
}

void put_le(uint8_t* p, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

// The 44-byte RIFF header of a 44100 Hz stereo 16-bit PCM file.
void write_wav_header(FILE* f, uint32_t data_bytes)
{
    uint8_t h[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    put_le(h + 4, 36 + data_bytes, 4);
    put_le(h + 16, 16, 4);
    put_le(h + 20, WAVE_FORMAT_PCM, 2);
    put_le(h + 22, kMixChannels, 2);
    put_le(h + 24, kMixRate, 4);
    put_le(h + 28, kMixRate * kMixChannels * 2, 4);
    put_le(h + 32, kMixChannels * 2, 2);
    put_le(h + 34, 16, 2);
    std::memcpy(h + 36, "data", 4);
    put_le(h + 40, data_bytes, 4);
    std::fseek(f, 0, SEEK_SET);
    std::fwrite(h, 1, sizeof h, f);
    std::fseek(f, 0, SEEK_END);
}

void close_wav(Spy& s)
{
    if (!s.wav)
        return;
    write_wav_header(s.wav, s.wav_bytes);
    std::fclose(s.wav);
    s.wav = nullptr;
}

} // namespace

void record_open(const Device& device, const WAVEFORMATEX& format, DWORD flags)
{
    std::lock_guard<std::mutex> guard(spy().lock);
    spy().devices.push_back({device.handle, format, device.callback, device.instance, flags, 0xFFFFFFFFu, false});
}

void record_close(const Device& device)
{
    std::lock_guard<std::mutex> guard(spy().lock);
    if (auto* r = find(spy(), device.handle))
        r->closed = true;
}

void record_write(const Device& device, const WAVEHDR& header)
{
    std::lock_guard<std::mutex> guard(spy().lock);
    spy().writes.push_back({device.handle, &header, header.dwBufferLength, header.dwFlags & ~DWORD(WHDR_INQUEUE),
                            header.dwLoops});
}

void record_volume(const Device& device, DWORD volume)
{
    std::lock_guard<std::mutex> guard(spy().lock);
    if (auto* r = find(spy(), device.handle))
        r->volume = volume;
}

void record_mixed(const int16_t* samples, int frames)
{
    Spy& s = spy();
    std::lock_guard<std::mutex> guard(s.lock);
    s.frames += uint64_t(frames);
    size_t count = size_t(frames) * kMixChannels;
    if (s.capturing)
        s.captured.insert(s.captured.end(), samples, samples + count);
    if (s.wav)
    {
        // The file holds little-endian samples, as the host does.
        s.wav_bytes += uint32_t(std::fwrite(samples, 2, count, s.wav) * 2);
    }
}

bool record_mix_to(const std::string& path)
{
    // A program that ends without stopping still leaves a complete file.
    static const int at_exit = std::atexit(stop_recording);
    (void)at_exit;
    Spy& s = spy();
    std::lock_guard<std::mutex> guard(s.lock);
    close_wav(s);
    s.wav = std::fopen(path.c_str(), "wb");
    if (!s.wav)
        return false;
    s.wav_bytes = 0;
    write_wav_header(s.wav, 0);
    return true;
}

void stop_recording()
{
    std::lock_guard<std::mutex> guard(spy().lock);
    close_wav(spy());
}

namespace test {

std::vector<DeviceRecord> devices()
{
    std::lock_guard<std::mutex> guard(spy().lock);
    return spy().devices;
}

int open_count()
{
    std::lock_guard<std::mutex> guard(spy().lock);
    int n = 0;
    for (const auto& d : spy().devices)
        n += d.closed ? 0 : 1;
    return n;
}

std::vector<WriteRecord> writes()
{
    std::lock_guard<std::mutex> guard(spy().lock);
    return spy().writes;
}

uint64_t frames_mixed()
{
    std::lock_guard<std::mutex> guard(spy().lock);
    return spy().frames;
}

void capture(bool on)
{
    std::lock_guard<std::mutex> guard(spy().lock);
    spy().capturing = on;
    if (on)
        spy().captured.clear();
}

std::vector<int16_t> captured()
{
    std::lock_guard<std::mutex> guard(spy().lock);
    return spy().captured;
}

void reset_spy()
{
    std::lock_guard<std::mutex> guard(spy().lock);
    Spy& s = spy();
    std::erase_if(s.devices, [](const DeviceRecord& d) { return d.closed; });
    s.writes.clear();
    s.frames = 0;
    s.captured.clear();
}

} // namespace test
} // namespace os::sound
