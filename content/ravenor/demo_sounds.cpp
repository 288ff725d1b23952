// demo_sounds.cpp -- short synthesized effects, engine loops and tunes
#include "content/ravenor/demo_sounds.h"

#include <cstdint>

#include "content/media/sound_synth.h"
#include "content/media/wav_writer.h"

namespace ravenor_content {

namespace {

std::vector<uint8_t> Wave(const media::Signal& signal)
{
    return media::makeWav(1, kDemoSoundRate, 16, media::pcm16(signal, 0.6));
}

// An engine loop of about half a second: a whole number of cycles, so that
// it loops without a click at every playback rate the gears give it
std::vector<uint8_t> EngineLoop(double hz)
{
    return Wave(media::engineHum(hz, 500, kDemoSoundRate));
}

std::vector<uint8_t> Knock(int ms, double hz, double decay)
{
    return Wave(media::knock(hz, ms, decay, kDemoSoundRate));
}

std::vector<uint8_t> Sweep(int ms, double from, double to, double vibrato = 0)
{
    return Wave(media::glide(from, to, ms, vibrato, kDemoSoundRate));
}

std::vector<uint8_t> Beep(int ms, double hz)
{
    return Wave(media::chime(hz, ms, kDemoSoundRate));
}

std::vector<uint8_t> Crowd(int ms, double hz, bool rising)
{
    return Wave(media::crowd(hz, ms, rising, kDemoSoundRate));
}

// A tune: a bass and a melody over a loop of bars (notes as semitones above
// A 220)
std::vector<uint8_t> Tune(const std::vector<int>& melody, const std::vector<int>& bass, int noteMs)
{
    const int ms = static_cast<int>(melody.size()) * noteMs;
    return Wave(media::tune(melody, bass, 220.0, noteMs, ms, kDemoSoundRate));
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
    entries.push_back({"skid.wav", Wave(media::whistle(1400, 500, kDemoSoundRate))});
    entries.push_back({"wall1.wav", Knock(250, 90, 14)});
    entries.push_back({"wall2.wav", Knock(350, 70, 10)});
    entries.push_back({"wall3.wav", Knock(500, 50, 7)});
    entries.push_back({"collision1.wav", Knock(300, 140, 12)});
    entries.push_back({"collision2.wav", Knock(400, 110, 9)});
    entries.push_back({"lamppost.wav", Wave(media::chime(520, 600, kDemoSoundRate))});
    entries.push_back({"click.wav", Wave(media::click(1200, 40, kDemoSoundRate))});
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
    entries.push_back({"music1.wav", Tune({0, 4, 7, 12, 7, 4, 0, media::kRest, 2, 5, 9, 14, 9, 5, 2, media::kRest},
                                          {0, 0, 0, 0, 5, 5, 5, 5}, 250)});
    entries.push_back(
        {"music2.wav", Tune({12, 10, 7, 5, 7, media::kRest, 3, 5, 12, 10, 7, 10, 12, media::kRest, 15, 12},
                            {0, 0, 3, 3, 5, 5, 3, 3}, 220)});
    entries.push_back({"music3.wav", Tune({0, 0, 3, 0, 5, 0, 7, 5, 0, 0, 3, 0, 10, 7, 5, 3},
                                          {0, 0, 0, 0, -2, -2, -2, -2}, 200)});
    entries.push_back(
        {"title.wav", Tune({7, media::kRest, 7, 9, 7, 4, 2, 0, 2, 4, 7, 4, 2, media::kRest, 0, media::kRest},
                           {0, 0, 7, 7, 5, 5, 7, 7}, 300)});
}

} // namespace ravenor_content
