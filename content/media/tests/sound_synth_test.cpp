// sound_synth_test.cpp -- the synthesized sounds are what their names say:
// measured by their spectrum and their loudness over time
#include "content/media/sound_synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRate = 22050;

std::vector<double> samplesOf(const media::Bytes& pcm)
{
    std::vector<double> out(pcm.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = double(int16_t(pcm[2 * i] | pcm[2 * i + 1] << 8)) / 32768.0;
    return out;
}

// The strength of one frequency over samples [from, to) (Goertzel), as an
// amplitude.
double strengthAt(const std::vector<double>& s, double hz, size_t from = 0, size_t to = SIZE_MAX)
{
    to = std::min(to, s.size());
    const double w = 2.0 * std::numbers::pi * hz / kRate;
    double a = 0.0, b = 0.0;
    for (size_t i = from; i < to; ++i)
    {
        const double next = s[i] + 2.0 * std::cos(w) * a - b;
        b = a;
        a = next;
    }
    const double power = a * a + b * b - 2.0 * std::cos(w) * a * b;
    return 2.0 * std::sqrt(std::max(power, 0.0)) / double(to - from);
}

double rms(const std::vector<double>& s, size_t from, size_t to)
{
    double sum = 0.0;
    for (size_t i = from; i < to; ++i)
        sum += s[i] * s[i];
    return std::sqrt(sum / double(std::max<size_t>(1, to - from)));
}

// The share of the energy below 10 kHz that lies in [low, high) Hz, from
// bins 50 Hz apart.
double bandShare(const std::vector<double>& s, double low, double high)
{
    double band = 0.0, all = 0.0;
    for (double hz = 50.0; hz < 10000.0; hz += 50.0)
    {
        const double e = std::pow(strengthAt(s, hz), 2.0);
        all += e;
        if (hz >= low && hz < high)
            band += e;
    }
    return band / all;
}

// The strongest of the frequencies given over samples [from, to).
double strongestOf(const std::vector<double>& s, const std::vector<double>& candidates, size_t from, size_t to)
{
    double best = candidates.front(), bestStrength = -1.0;
    for (double hz : candidates)
        if (double v = strengthAt(s, hz, from, to); v > bestStrength)
            best = hz, bestStrength = v;
    return best;
}

TEST(SoundSynth, EveryKindHasItsLengthLevelAndQuietStart)
{
    for (const std::string& kind : media::soundKinds())
    {
        const media::Bytes pcm = media::makeSound(kind, 220.0, 800);
        ASSERT_EQ(pcm.size(), 2u * 17640u) << kind;
        const std::vector<double> s = samplesOf(pcm);
        double peak = 0.0;
        for (double v : s)
            peak = std::max(peak, std::abs(v));
        EXPECT_GT(peak, 0.3) << kind << " is heard";
        EXPECT_LT(peak, 0.95) << kind << " is not clipped";
        if (kind != "engine")
        {
            EXPECT_LT(std::abs(s.front()), 0.01) << kind << " starts without a click";
        }
        EXPECT_EQ(media::makeSound(kind, 220.0, 800), pcm) << kind << " is the same at every build";
    }
    EXPECT_TRUE(media::makeSound("harp", 220.0, 800).empty());
    EXPECT_TRUE(media::makeSound("engine", 220.0, 0).empty());
}

TEST(SoundSynth, EngineHumHasHarmonicsAndLoopsWithoutAJump)
{
    // 110 Hz over 900 ms is a whole number of cycles: the pitch stays.
    const std::vector<double> s = samplesOf(media::makeSound("engine", 110.0, 900));
    const double fundamental = strengthAt(s, 110.0);
    for (int k = 2; k <= 5; ++k)
        EXPECT_GT(strengthAt(s, 110.0 * k), 0.15 * fundamental) << "harmonic " << k;
    EXPECT_LT(strengthAt(s, 110.0 * 1.37), 0.1 * fundamental) << "between the harmonics";
    // Played as a loop, the last sample runs into the first as smoothly
    // as any two neighbours do.
    double steepest = 0.0;
    for (size_t i = 1; i < s.size(); ++i)
        steepest = std::max(steepest, std::abs(s[i] - s[i - 1]));
    EXPECT_LE(std::abs(s.front() - s.back()), steepest);
}

TEST(SoundSynth, BurstsAreBroadbandAndDieAway)
{
    for (const char* kind : {"explosion", "gun"})
    {
        const std::vector<double> s = samplesOf(media::makeSound(kind, 90.0, 700));
        for (auto [low, high] : {std::pair{100.0, 1000.0}, {1000.0, 4000.0}, {4000.0, 10000.0}})
            EXPECT_GT(bandShare(s, low, high), 0.05) << kind << " between " << low << " and " << high << " Hz";
        const size_t quarter = s.size() / 4;
        EXPECT_LT(rms(s, 3 * quarter, s.size()), 0.25 * rms(s, 0, quarter)) << kind;
    }
    // A tone is not: nearly all of it lies at its pitch.
    EXPECT_LT(bandShare(samplesOf(media::makeSound("tone", 440.0, 700)), 1000.0, 10000.0), 0.01);
}

TEST(SoundSynth, TuneChangesPitchFromNoteToNote)
{
    // The melody's first notes: 0, 4, 7 and 12 semitones above 220 Hz, each
    // 150 ms.
    const std::vector<double> s = samplesOf(media::makeSound("tune", 220.0, 1200));
    const std::vector<double> notes = {220.0, 277.18, 329.63, 440.0};
    const size_t note = kRate * 150 / 1000;
    for (size_t i = 0; i < notes.size(); ++i)
        EXPECT_EQ(strongestOf(s, notes, i * note + note / 10, (i + 1) * note), notes[i]) << "note " << i;

    const std::vector<int> melody = {0, media::kRest};
    const media::Signal rested = media::tune(melody, {}, 440.0, 100, 200);
    EXPECT_LT(rms(rested.samples, rested.samples.size() / 2, rested.samples.size()), 1e-9) << "a rest is silent";
}

TEST(SoundSynth, ClickChimeAndAlarm)
{
    // A click is over in a few milliseconds.
    const std::vector<double> click = samplesOf(media::makeSound("click", 1760.0, 100));
    const size_t tick = kRate * 20 / 1000;
    EXPECT_GT(rms(click, 0, tick), 0.02);
    EXPECT_EQ(rms(click, tick, click.size()), 0.0);

    // A chime rings at its pitch and fades.
    const std::vector<double> chime = samplesOf(media::makeSound("chime", 520.0, 400));
    EXPECT_GT(strengthAt(chime, 520.0), 4.0 * strengthAt(chime, 700.0));
    EXPECT_LT(rms(chime, chime.size() * 3 / 4, chime.size()), 0.2 * rms(chime, 0, chime.size() / 4));

    // An alarm goes back and forth between two pitches.
    const std::vector<double> alarm = samplesOf(media::makeSound("alarm", 880.0, 500));
    const size_t slot = kRate / 8;
    const std::vector<double> pitches = {880.0, 880.0 * 1.26};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(strongestOf(alarm, pitches, i * slot + slot / 8, (i + 1) * slot - slot / 8), pitches[i % 2])
            << "tone " << i;
}

} // namespace
