// sound.cpp -- a short generated tone through waveOut
#include "os/demo/demo_private.h"

#include <cmath>

namespace demo {

namespace {

constexpr int kRate = 22050;
constexpr int kSamples = kRate / 4; // a quarter of a second

std::vector<int16_t> g_tone;
WAVEHDR g_header = {};

void make_tone()
{
    g_tone.resize(kSamples);
    for (int i = 0; i < kSamples; i++)
    {
        double fade = 1.0 - double(i) / kSamples;
        g_tone[size_t(i)] = int16_t(8000.0 * fade * std::sin(2.0 * M_PI * 440.0 * i / kRate));
    }
}

} // namespace

void play_tone(HWND window)
{
    make_tone();
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = kRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = kRate * 2;
    HWAVEOUT device = nullptr;
    if (waveOutOpen(&device, WAVE_MAPPER, &format, DWORD_PTR(window), 0, CALLBACK_WINDOW) != MMSYSERR_NOERROR)
    {
        return;
    }
    g_header.lpData = reinterpret_cast<LPSTR>(g_tone.data());
    g_header.dwBufferLength = DWORD(g_tone.size() * sizeof(int16_t));
    if (waveOutPrepareHeader(device, &g_header, sizeof g_header) != MMSYSERR_NOERROR ||
        waveOutWrite(device, &g_header, sizeof g_header) != MMSYSERR_NOERROR)
    {
        waveOutClose(device);
    }
}

void sound_finished(HWAVEOUT device, WAVEHDR* header)
{
    state().sound_done = true;
    waveOutUnprepareHeader(device, header, sizeof *header);
    waveOutClose(device);
}

} // namespace demo
