// sound_synth.h -- the demo content's sounds: engine hums, noise bursts,
// whooshes, chimes, clicks, alarms, whistles and tunes, made from a few
// oscillators, a noise source and envelopes
//
// A sound is a Signal (values in -1..1 at a sample rate) until pcm16 turns
// it into the 16-bit mono samples a wave file holds (makeWav). Every maker
// gives exactly the length asked for (rate x ms / 1000 samples), starts and
// ends quiet unless it is meant to loop, and is the same at every build.
#pragma once

#include "content/media/bytes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace media {

struct Signal
{
    uint32_t rate = 22050;
    std::vector<double> samples;
};

// The samples of a signal as 16-bit mono little-endian, `level` the share of
// full scale that 1.0 becomes; louder values are clipped.
Bytes pcm16(const Signal& signal, double level = 0.6);

// The engine of a car or a plane: a firing note at hz with its harmonics,
// throbbing a little. A whole number of cycles long, so it loops without a
// click; played faster or slower it still sounds like the same engine at
// another speed.
Signal engineHum(double hz, int ms, uint32_t rate = 22050);

// An explosion, a shot or a crash: broadband noise that starts at once and
// falls away `decay` times a second, over a low thump at `thumpHz`.
// `brightness` (0..1) keeps more of the high noise.
Signal noiseBurst(int ms, double decay, double thumpHz, double brightness, uint32_t rate = 22050);

// A launch or a rush of air: noise swelling and growing brighter, with a
// tone gliding from fromHz to toHz.
Signal whoosh(double fromHz, double toHz, int ms, uint32_t rate = 22050);

// A bell-like chime: inharmonic partials above hz, each dying away.
Signal chime(double hz, int ms, uint32_t rate = 22050);

// A button's click: a few milliseconds of tick at hz, then silence.
Signal click(double hz, int ms, uint32_t rate = 22050);

// A warning: two tones a major third apart, by turns, eight times a second.
Signal alarm(double hz, int ms, uint32_t rate = 22050);

// A referee's whistle: a bright tone with a warble and breath.
Signal whistle(double hz, int ms, uint32_t rate = 22050);

// A tone sliding from one pitch to another, with `vibrato` (radians of
// phase swing at 6 Hz) for voices.
Signal glide(double fromHz, double toHz, int ms, double vibrato = 0.0, uint32_t rate = 22050);

// A knock or a bump: noise falling away `decay` times a second, coloured by
// a tone at hz.
Signal knock(double hz, int ms, double decay, uint32_t rate = 22050);

// A crowd: noise and a hum of voices around hz, swelling (a cheer rises,
// a boo falls).
Signal crowd(double hz, int ms, bool rising, uint32_t rate = 22050);

// A tune: a plucked melody over a bass line, notes in semitones above baseHz
// (kRest: silence), each noteMs long; melody and bass repeat until ms is
// filled. A tune that fills whole bars loops cleanly.
constexpr int kRest = -99;
Signal tune(const std::vector<int>& melody, const std::vector<int>& bass, double baseHz, int noteMs, int ms,
            uint32_t rate = 22050);

// One of the kinds above by name, as the content tool makes them: "tone"
// (a plain sine), "engine", "explosion", "gun", "missile", "chime", "click",
// "alarm", "whistle", "tune" (a short melody in the key of hz); empty bytes
// for an unknown kind.
std::vector<std::string> soundKinds();
Bytes makeSound(const std::string& kind, double hz, int ms, uint32_t rate = 22050);

} // namespace media
