// wav_writer.h -- wave files with the canonical 44-byte header, and tones
#pragma once

#include "content/media/bytes.h"

#include <cstdint>

namespace media {

// "RIFF", "WAVE", a 16-byte "fmt " chunk and the "data" chunk.
Bytes makeWav(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& samples, uint16_t tag = 1);

// Samples of a sine tone, 16-bit mono little-endian at `rate`, at half of
// full scale, with short ramps at both ends so that it does not click.
Bytes makeTone(double hz, int milliseconds, uint32_t rate = 22050);

} // namespace media
