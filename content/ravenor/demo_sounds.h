// demo_sounds.h -- the demo's waves: one for every sound slot of the game
// and the four tunes, synthesized (11025 Hz, 16-bit mono)
#pragma once

#include <vector>

#include "content/ravenor/demo_content.h"

namespace ravenor_content {

constexpr uint32_t kDemoSoundRate = 11025;

// Appends the 24 slot waves ("volume.wav" ... "mmm.wav", names in lower case
// as the archive keeps them) and the tunes
// "music1.wav", "music2.wav", "music3.wav" and "title.wav".
void DemoSoundEntries(std::vector<DemoEntry>& entries);

} // namespace ravenor_content
