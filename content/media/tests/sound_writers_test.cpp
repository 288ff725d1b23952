// sound_writers_test.cpp -- wave files written here and read back by the
// engine's wave reader; the tones they carry
#include "content/media/wav_writer.h"

#include "engine/platform/wave_sound.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

int16_t sampleAt(const media::Bytes& samples, size_t i)
{
    return int16_t(samples[2 * i] | samples[2 * i + 1] << 8);
}

} // namespace

TEST(SoundWriters, WaveHeaderReadBackByTheWaveReader)
{
    const struct
    {
        uint16_t channels;
        uint32_t rate;
        uint16_t bits;
        size_t bytes;
    } cases[] = {
        {1, 22050, 16, 4410}, {2, 44100, 16, 400}, {1, 11025, 8, 1}, {2, 8000, 8, 2},
    };
    for (const auto& c : cases)
    {
        media::Bytes wav = media::makeWav(c.channels, c.rate, c.bits, media::Bytes(c.bytes, 0x80));
        ASSERT_EQ(wav.size(), 44 + c.bytes);
        WaveLayout layout;
        ASSERT_TRUE(parseWaveFile(wav.data(), wav.size(), layout)) << c.rate;
        EXPECT_EQ(layout.format.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(layout.format.nChannels, c.channels);
        EXPECT_EQ(layout.format.nSamplesPerSec, c.rate);
        EXPECT_EQ(layout.format.wBitsPerSample, c.bits);
        EXPECT_EQ(layout.format.nBlockAlign, c.channels * c.bits / 8);
        EXPECT_EQ(layout.format.nAvgBytesPerSec, c.rate * c.channels * c.bits / 8);
        EXPECT_EQ(layout.dataOffset, 44u);
        EXPECT_EQ(layout.dataSize, c.bytes);
    }
}

TEST(SoundWriters, ToneLengthLevelAndQuietEnds)
{
    const struct
    {
        double hz;
        int ms;
        uint32_t rate;
        size_t count;
    } cases[] = {
        {1760, 100, 22050, 2205}, {440, 1000, 8000, 8000}, {1000, 1, 22050, 22}, {440, 0, 22050, 0},
        {440, -5, 22050, 0},
    };
    for (const auto& c : cases)
    {
        media::Bytes tone = media::makeTone(c.hz, c.ms, c.rate);
        ASSERT_EQ(tone.size(), 2 * c.count) << c.ms;
        if (c.count == 0)
            continue;
        int peak = 0;
        for (size_t i = 0; i < c.count; ++i)
            peak = std::max(peak, std::abs(int(sampleAt(tone, i))));
        EXPECT_LE(peak, 16384) << c.ms;
        EXPECT_EQ(sampleAt(tone, 0), 0) << c.ms;
        EXPECT_EQ(sampleAt(tone, c.count - 1), 0) << c.ms;
        if (c.count > 1000)
        {
            EXPECT_GT(peak, 16000) << c.ms;
        }
    }
}
