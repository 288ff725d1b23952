// sound_synth.cpp -- oscillators, noise, envelopes and the sounds made of them
#include "content/media/sound_synth.h"

#include "content/media/wav_writer.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

namespace media {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

double secondsOf(int ms)
{
    return std::max(ms, 1) / 1000.0;
}

size_t sampleCount(int ms, uint32_t rate)
{
    return size_t(std::max(ms, 0)) * rate / 1000;
}

// A signal of the given length from a function of the time in seconds.
Signal render(int ms, uint32_t rate, const std::function<double(double)>& at)
{
    Signal s;
    s.rate = rate;
    s.samples.resize(sampleCount(ms, rate));
    for (size_t i = 0; i < s.samples.size(); ++i)
        s.samples[i] = at(double(i) / double(rate));
    return s;
}

// White noise from a fixed seed: the same sound at every build.
class Noise
{
public:
    explicit Noise(uint32_t seed = 12345) : state_(seed) {}
    double next()
    {
        state_ = state_ * 1103515245u + 12345u;
        return double((state_ >> 9) & 0x7FFF) / 16383.5 - 1.0;
    }

private:
    uint32_t state_;
};

// A one-pole low-pass filter; its corner may move from sample to sample.
class LowPass
{
public:
    double run(double x, double cornerHz, uint32_t rate)
    {
        const double a = 1.0 - std::exp(-kTwoPi * cornerHz / double(rate));
        y_ += a * (x - y_);
        return y_;
    }

private:
    double y_ = 0.0;
};

// Rises over `in` and falls over `out` seconds at the ends, so that a sound
// neither starts nor stops with a click.
void fadeEnds(Signal& s, double in, double out)
{
    const size_t n = s.samples.size();
    const size_t rise = std::min(n / 2, size_t(in * s.rate));
    const size_t fall = std::min(n / 2, size_t(out * s.rate));
    for (size_t i = 0; i < rise; ++i)
        s.samples[i] *= double(i) / double(rise);
    for (size_t i = 0; i < fall; ++i)
        s.samples[n - 1 - i] *= double(i) / double(fall);
}

// The loudest sample at 1.0.
Signal normalized(Signal s)
{
    double peak = 0.0;
    for (double v : s.samples)
        peak = std::max(peak, std::abs(v));
    if (peak > 0.0)
        for (double& v : s.samples)
            v /= peak;
    return s;
}

// Faded at both ends and normalized: how a sound that does not loop ends.
Signal finished(Signal s, double in, double out)
{
    fadeEnds(s, in, out);
    return normalized(std::move(s));
}

double semitones(double hz, int steps)
{
    return hz * std::pow(2.0, steps / 12.0);
}

} // namespace

Bytes pcm16(const Signal& signal, double level)
{
    Bytes b;
    b.reserve(2 * signal.samples.size());
    for (double v : signal.samples)
    {
        const double scaled = std::clamp(v * level, -1.0, 1.0) * 32767.0;
        put16(b, uint32_t(uint16_t(int16_t(std::lround(scaled)))));
    }
    return b;
}

Signal engineHum(double hz, int ms, uint32_t rate)
{
    // A whole number of firing cycles fills the length exactly (the pitch
    // bends a little to make it so), and so does a whole number of throbs
    // of about 12 a second: the end meets the start.
    const size_t n = sampleCount(ms, rate);
    if (n == 0)
        return Signal{rate, {}};
    const double seconds = double(n) / double(rate);
    const double f = std::max(1.0, std::round(hz * seconds)) / seconds;
    const double throb = std::max(1.0, std::round(12.0 * seconds)) / seconds;
    static const double level[] = {1.0, 0.75, 0.55, 0.4, 0.28, 0.18, 0.1};
    static const double phase[] = {0.0, 1.3, 2.1, 0.7, 2.9, 1.7, 0.4};
    return normalized(render(ms, rate, [=](double t) {
        double v = 0.0;
        for (int k = 0; k < 7; ++k)
            v += level[k] * std::sin(kTwoPi * f * (k + 1) * t + phase[k]);
        const double x = kTwoPi * throb * t;
        return v * (1.0 + 0.25 * std::sin(x) + 0.1 * std::sin(2.0 * x + 1.0));
    }));
}

Signal noiseBurst(int ms, double decay, double thumpHz, double brightness, uint32_t rate)
{
    Noise noise;
    LowPass body;
    const double corner = 500.0 + 7000.0 * std::clamp(brightness, 0.0, 1.0);
    Signal s = render(ms, rate, [&](double t) {
        const double white = noise.next();
        const double coloured = body.run(white, corner, rate) * 1.5 + 0.25 * brightness * white;
        const double attack = std::min(1.0, t * 500.0);
        const double thump = std::sin(kTwoPi * thumpHz * t * (1.0 - 0.5 * std::min(t, 1.0))) *
                             std::exp(-t * decay * 1.5);
        return attack * (std::exp(-t * decay) * coloured + 0.8 * thump);
    });
    return finished(std::move(s), 0.0, 0.01);
}

Signal whoosh(double fromHz, double toHz, int ms, uint32_t rate)
{
    Noise noise(777);
    LowPass air;
    const double seconds = secondsOf(ms);
    Signal s = render(ms, rate, [&](double t) {
        const double x = t / seconds;
        const double swell = std::min(1.0, x * 5.0) * (1.0 - 0.6 * x);
        const double phase = kTwoPi * (fromHz * t + (toHz - fromHz) * t * t / (2.0 * seconds));
        return swell * (air.run(noise.next(), 300.0 + 5000.0 * x, rate) * 2.0 + 0.35 * std::sin(phase));
    });
    return finished(std::move(s), 0.005, 0.02);
}

Signal chime(double hz, int ms, uint32_t rate)
{
    // Bell partials; each dies away sooner the higher it is, all of them
    // within the length.
    static const double ratio[] = {1.0, 2.0, 2.76, 5.4, 8.93};
    static const double level[] = {1.0, 0.6, 0.45, 0.3, 0.15};
    const double seconds = secondsOf(ms);
    Signal s = render(ms, rate, [=](double t) {
        double v = 0.0;
        for (int k = 0; k < 5; ++k)
            v += level[k] * std::exp(-t * (2.5 + 1.5 * k) / seconds) * std::sin(kTwoPi * hz * ratio[k] * t);
        return v;
    });
    return finished(std::move(s), 0.002, 0.01);
}

Signal click(double hz, int ms, uint32_t rate)
{
    Noise noise(99);
    Signal s = render(ms, rate, [&](double t) {
        const double tick = t < 0.02 ? std::exp(-t * 350.0) : 0.0;
        return tick * (0.6 * std::sin(kTwoPi * hz * t) + 0.4 * noise.next());
    });
    return finished(std::move(s), 0.0005, 0.002);
}

Signal alarm(double hz, int ms, uint32_t rate)
{
    // The phase runs on through the changes of pitch, and each tone of an
    // eighth of a second swells and fades a little: no click between them.
    double phase = 0.0;
    Signal s = render(ms, rate, [&, hz](double t) {
        const double slot = std::fmod(t, 0.125);
        const double f = std::fmod(t, 0.25) < 0.125 ? hz : hz * 1.26;
        phase += kTwoPi * f / double(rate);
        const double shape = std::min({1.0, slot * 200.0, (0.125 - slot) * 200.0});
        return shape * (std::sin(phase) + 0.3 * std::sin(3.0 * phase) + 0.15 * std::sin(5.0 * phase));
    });
    return finished(std::move(s), 0.003, 0.005);
}

Signal whistle(double hz, int ms, uint32_t rate)
{
    Noise noise(31);
    LowPass breath;
    double phase = 0.0;
    Signal s = render(ms, rate, [&, hz](double t) {
        const double trill = std::sin(kTwoPi * 28.0 * t);
        phase += kTwoPi * hz * (1.0 + 0.025 * trill) / double(rate);
        const double white = noise.next();
        return (0.75 + 0.25 * trill) * std::sin(phase) + 0.12 * (white - breath.run(white, 2000.0, rate));
    });
    return finished(std::move(s), 0.01, 0.03);
}

Signal glide(double fromHz, double toHz, int ms, double vibrato, uint32_t rate)
{
    const double seconds = secondsOf(ms);
    Signal s = render(ms, rate, [=](double t) {
        const double phase = kTwoPi * (fromHz * t + (toHz - fromHz) * t * t / (2.0 * seconds));
        const double swing = vibrato * std::sin(kTwoPi * 6.0 * t);
        return std::sin(phase + swing) + 0.25 * std::sin(2.0 * (phase + swing));
    });
    return finished(std::move(s), 0.02, 0.02);
}

Signal knock(double hz, int ms, double decay, uint32_t rate)
{
    Noise noise;
    Signal s = render(ms, rate, [&](double t) {
        return std::exp(-t * decay) * (0.7 * noise.next() + 0.5 * std::sin(kTwoPi * hz * t));
    });
    return finished(std::move(s), 0.0005, 0.01);
}

Signal crowd(double hz, int ms, bool rising, uint32_t rate)
{
    Noise noise(4242);
    LowPass voices;
    const double seconds = secondsOf(ms);
    Signal s = render(ms, rate, [&](double t) {
        const double x = t / seconds;
        const double swell = rising ? std::sin(std::numbers::pi * x) : std::sin(std::numbers::pi * x) * (1.0 - 0.5 * x);
        const double pitch = rising ? hz * (1.0 + 0.2 * x) : hz * (1.0 - 0.3 * x);
        const double hum = std::sin(kTwoPi * pitch * t + 2.0 * std::sin(kTwoPi * 5.0 * t));
        return swell * (0.6 * voices.run(noise.next(), 1500.0, rate) * 2.0 + 0.4 * hum);
    });
    return normalized(std::move(s));
}

Signal tune(const std::vector<int>& melody, const std::vector<int>& bass, double baseHz, int noteMs, int ms,
            uint32_t rate)
{
    if (melody.empty() || noteMs <= 0)
        return Signal{rate, std::vector<double>(sampleCount(ms, rate), 0.0)};
    const double note = noteMs / 1000.0;
    Signal s = render(ms, rate, [&](double t) {
        const size_t index = size_t(t / note);
        const double within = t - double(index) * note;
        // Every note swells in and out over a few milliseconds.
        const double edges = std::min({1.0, within * 300.0, (note - within) * 300.0});
        double v = 0.0;
        if (const int m = melody[index % melody.size()]; m != kRest)
        {
            // A plucked voice: bright at the start, mellowing as it fades.
            const double x = kTwoPi * semitones(baseHz, m) * within;
            const double fade = std::exp(-within * 4.0 / note);
            v += 0.6 * fade * (std::sin(x) + 0.5 * fade * std::sin(2.0 * x) + 0.25 * fade * std::sin(3.0 * x));
        }
        if (!bass.empty())
            if (const int b = bass[index % bass.size()]; b != kRest)
            {
                const double x = kTwoPi * semitones(baseHz / 4.0, b) * within;
                v += 0.45 * (1.0 - 0.5 * within / note) * (std::sin(x) + 0.3 * std::sin(2.0 * x));
            }
        return edges * v;
    });
    return normalized(std::move(s));
}

std::vector<std::string> soundKinds()
{
    return {"tone", "engine", "explosion", "gun", "missile", "chime", "click", "alarm", "whistle", "tune"};
}

Bytes makeSound(const std::string& kind, double hz, int ms, uint32_t rate)
{
    const double seconds = secondsOf(ms);
    if (kind == "tone")
        return makeTone(hz, ms, rate);
    if (kind == "engine")
        return pcm16(engineHum(hz, ms, rate));
    if (kind == "explosion")
        return pcm16(noiseBurst(ms, 3.5 / seconds, hz, 0.45, rate), 0.8);
    if (kind == "gun")
        return pcm16(noiseBurst(ms, 5.0 / seconds, hz, 0.9, rate), 0.7);
    if (kind == "missile")
        return pcm16(whoosh(hz, hz * 3.0, ms, rate));
    if (kind == "chime")
        return pcm16(chime(hz, ms, rate));
    if (kind == "click")
        return pcm16(click(hz, ms, rate));
    if (kind == "alarm")
        return pcm16(alarm(hz, ms, rate), 0.5);
    if (kind == "whistle")
        return pcm16(whistle(hz, ms, rate), 0.5);
    if (kind == "tune")
        return pcm16(tune({0, 4, 7, 12, 7, 4, 2, kRest, 5, 9, 12, 9, 7, 4, 0, kRest}, {0, 0, 5, 5, 7, 7, 0, 0}, hz, 150,
                          ms, rate));
    return {};
}

} // namespace media
