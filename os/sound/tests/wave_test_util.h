// Buffers and formats shared by the sound tests.
#pragma once

#include <os/mmsystem.h>

#include <cstring>
#include <vector>

namespace wave_test {

inline WAVEFORMATEX pcm(DWORD rate, WORD channels, WORD bits)
{
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = WORD(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

// A buffer with its header; the bytes are little-endian PCM.
struct Buffer
{
    std::vector<uint8_t> bytes;
    WAVEHDR header{};

    void attach()
    {
        header.lpData = reinterpret_cast<LPSTR>(bytes.data());
        header.dwBufferLength = DWORD(bytes.size());
    }
};

inline Buffer samples16(const std::vector<int16_t>& s)
{
    Buffer b;
    b.bytes.resize(s.size() * 2);
    std::memcpy(b.bytes.data(), s.data(), b.bytes.size());
    b.attach();
    return b;
}

inline Buffer constant16(size_t count, int16_t value)
{
    return samples16(std::vector<int16_t>(count, value));
}

inline Buffer bytes8(const std::vector<uint8_t>& s)
{
    Buffer b;
    b.bytes = s;
    b.attach();
    return b;
}

} // namespace wave_test
