// demo_sounds.cpp -- short synthesized effects, engine loops and tunes
#include "content/ravenor/demo_sounds.h"

#include <cmath>
#include <cstdint>
#include <functional>

#include "content/media/wav_writer.h"

namespace ravenor_content {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A wave of n samples from a function of the time in seconds (-1..1)
std::vector<uint8_t> Synth(int milliseconds, const std::function<double(double, uint32_t&)>& sample)
{
    const int count = static_cast<int>(int64_t{kDemoSoundRate} * milliseconds / 1000);
    std::vector<uint8_t> data;
    data.reserve(size_t(count) * 2);
    uint32_t noise = 12345;
    for (int i = 0; i < count; ++i)
    {
        double v = sample(double(i) / kDemoSoundRate, noise);
        v = v < -1 ? -1 : v > 1 ? 1 : v;
        const int16_t s = static_cast<int16_t>(std::lround(v * 20000));
        data.push_back(static_cast<uint8_t>(s & 0xFF));
        data.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
    }
    return media::makeWav(1, kDemoSoundRate, 16, data);
}

double Noise(uint32_t& state)
{
    state = state * 1103515245u + 12345u;
    return double((state >> 16) & 0x7FFF) / 16383.5 - 1.0;
}

double Square(double phase)
{
    return std::fmod(phase, 1.0) < 0.5 ? 1.0 : -1.0;
}

// An engine loop: a buzzing square with a little rumble, a whole number of
// cycles long so that it loops without a click
std::vector<uint8_t> EngineLoop(double hz)
{
    const int cycles = static_cast<int>(hz / 2);
    const int ms = static_cast<int>(1000.0 * cycles / hz);
    return Synth(ms, [hz](double t, uint32_t&) {
        return 0.5 * Square(t * hz) + 0.3 * std::sin(2 * kPi * t * hz * 2) * Square(t * hz / 2);
    });
}

// A knock: noise falling away, coloured by a low tone
std::vector<uint8_t> Knock(int ms, double hz, double decay)
{
    return Synth(ms, [=](double t, uint32_t& n) {
        const double envelope = std::exp(-t * decay);
        return envelope * (0.7 * Noise(n) + 0.5 * std::sin(2 * kPi * hz * t));
    });
}

// A tone sliding from one pitch to another
std::vector<uint8_t> Sweep(int ms, double from, double to, double vibrato = 0)
{
    const double seconds = ms / 1000.0;
    return Synth(ms, [=](double t, uint32_t&) {
        const double hz = from + (to - from) * t / seconds;
        const double phase = 2 * kPi * (from * t + (to - from) * t * t / (2 * seconds));
        const double ramp = std::min(1.0, std::min(t, seconds - t) * 50);
        return ramp * 0.6 * std::sin(phase + vibrato * std::sin(2 * kPi * 6 * t)) * (hz > 0 ? 1 : 0);
    });
}

std::vector<uint8_t> Beep(int ms, double hz)
{
    return Sweep(ms, hz, hz);
}

// A crowd: noise with a swelling envelope and a voice-like hum
std::vector<uint8_t> Crowd(int ms, double hz, bool rising)
{
    const double seconds = ms / 1000.0;
    return Synth(ms, [=](double t, uint32_t& n) {
        const double x = t / seconds;
        const double envelope = rising ? std::sin(kPi * x) : std::sin(kPi * x) * (1 - 0.5 * x);
        const double pitch = rising ? hz * (1 + 0.2 * x) : hz * (1 - 0.3 * x);
        return envelope * (0.4 * Noise(n) + 0.4 * std::sin(2 * kPi * pitch * t + 2 * std::sin(2 * kPi * 5 * t)));
    });
}

// A tune: a bass and a melody over a loop of bars (notes as semitones above
// A 220, -99 a rest)
std::vector<uint8_t> Tune(const std::vector<int>& melody, const std::vector<int>& bass, int noteMs)
{
    const int ms = static_cast<int>(melody.size()) * noteMs;
    const double note = noteMs / 1000.0;
    return Synth(ms, [=](double t, uint32_t&) {
        const size_t i = static_cast<size_t>(t / note) % melody.size();
        const double within = std::fmod(t, note);
        const double envelope = std::exp(-within * 6) * std::min(1.0, within * 200);
        double v = 0;
        if (melody[i] != -99)
            v += 0.35 * envelope * Square(t * 220 * std::pow(2.0, melody[i] / 12.0)) * 0.6;
        const int b = bass[i % bass.size()];
        if (b != -99)
            v += 0.35 * std::sin(2 * kPi * t * 55 * std::pow(2.0, b / 12.0));
        return v;
    });
}

} // namespace

void DemoSoundEntries(std::vector<DemoEntry>& entries)
{
    entries.push_back({"volume.wav", Beep(150, 660)});
    entries.push_back({"idle.wav", EngineLoop(48)});
    entries.push_back({"maxspeed.wav", EngineLoop(150)});
    entries.push_back({"2ndgear.wav", EngineLoop(90)});
    entries.push_back({"3rdgear.wav", EngineLoop(120)});
    entries.push_back({"decel.wav", EngineLoop(70)});
    entries.push_back({"skid.wav", Synth(500, [](double t, uint32_t& n) {
                           return 0.3 * Noise(n) + 0.4 * std::sin(2 * kPi * 1400 * t + 3 * std::sin(2 * kPi * 8 * t));
                       })});
    entries.push_back({"wall1.wav", Knock(250, 90, 14)});
    entries.push_back({"wall2.wav", Knock(350, 70, 10)});
    entries.push_back({"wall3.wav", Knock(500, 50, 7)});
    entries.push_back({"collision1.wav", Knock(300, 140, 12)});
    entries.push_back({"collision2.wav", Knock(400, 110, 9)});
    entries.push_back({"lamppost.wav", Synth(600, [](double t, uint32_t&) {
                           return std::exp(-t * 6) * (0.5 * std::sin(2 * kPi * 520 * t) +
                                                      0.3 * std::sin(2 * kPi * 1310 * t));
                       })});
    entries.push_back({"click.wav", Knock(40, 1200, 60)});
    entries.push_back({"cheer.wav", Crowd(1200, 330, true)});
    entries.push_back({"boo.wav", Crowd(1000, 140, false)});
    entries.push_back({"land.wav", Knock(300, 60, 12)});
    entries.push_back({"countdown.wav", Beep(200, 880)});
    entries.push_back({"cone.wav", Knock(150, 400, 25)});
    entries.push_back({"zing.wav", Sweep(300, 800, 2400)});
    entries.push_back({"noway.wav", Sweep(500, 300, 180, 1.5)});
    entries.push_back({"hello.wav", Sweep(400, 250, 380, 1.0)});
    entries.push_back({"ahhh.wav", Sweep(700, 500, 300, 2.0)});
    entries.push_back({"mmm.wav", Sweep(500, 200, 220, 0.5)});
    entries.push_back({"music1.wav", Tune({0, 4, 7, 12, 7, 4, 0, -99, 2, 5, 9, 14, 9, 5, 2, -99},
                                          {0, 0, 0, 0, 5, 5, 5, 5}, 250)});
    entries.push_back({"music2.wav", Tune({12, 10, 7, 5, 7, -99, 3, 5, 12, 10, 7, 10, 12, -99, 15, 12},
                                          {0, 0, 3, 3, 5, 5, 3, 3}, 220)});
    entries.push_back({"music3.wav", Tune({0, 0, 3, 0, 5, 0, 7, 5, 0, 0, 3, 0, 10, 7, 5, 3},
                                          {0, 0, 0, 0, -2, -2, -2, -2}, 200)});
    entries.push_back({"title.wav", Tune({7, -99, 7, 9, 7, 4, 2, 0, 2, 4, 7, 4, 2, -99, 0, -99},
                                         {0, 0, 7, 7, 5, 5, 7, 7}, 300)});
}

} // namespace ravenor_content
