// wav_writer.cpp -- wave files and tones
#include "content/media/wav_writer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace media {

Bytes makeWav(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& samples, uint16_t tag)
{
    uint16_t align = uint16_t(channels * bits / 8);
    Bytes b = {'R', 'I', 'F', 'F'};
    put32(b, uint32_t(36 + samples.size()));
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(b, 16);
    put16(b, tag);
    put16(b, channels);
    put32(b, rate);
    put32(b, rate * align);
    put16(b, align);
    put16(b, bits);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put32(b, uint32_t(samples.size()));
    b.insert(b.end(), samples.begin(), samples.end());
    return b;
}

Bytes makeTone(double hz, int milliseconds, uint32_t rate)
{
    size_t count = size_t(std::max(milliseconds, 0)) * rate / 1000;
    size_t ramp = std::max<size_t>(1, std::min<size_t>(rate / 200, count / 2));
    Bytes b;
    b.reserve(2 * count);
    for (size_t i = 0; i < count; ++i)
    {
        double gain = std::min({1.0, double(i) / double(ramp), double(count - 1 - i) / double(ramp)});
        double v = 0.5 * gain * std::sin(2 * std::numbers::pi * hz * double(i) / double(rate));
        put16(b, uint32_t(uint16_t(int16_t(std::lround(v * 32767)))));
    }
    return b;
}

} // namespace media
