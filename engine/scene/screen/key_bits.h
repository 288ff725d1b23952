// key_bits.h -- the key-state bits a canvas keeps for held keys
//
// Both canvases (the engine's and the racing build's) mark the same keys
// with the same bits; they differ in how the bits are kept (one key at a
// time or all held keys, when the GAPI buttons count).
#pragma once

#include <cstdint>

namespace keybits {

// The bit of a navigation key (arrows, Delete, End, Space, Return and the
// action key 134, Page Up and Down, Home, Insert); 0 for any other key.
int32_t navigation(int key);
// The bit of GAPI's A, B, C and Start buttons (0x2000, 0x4000, 0x8000,
// 0x10000) while GAPI's input is open; 0 for any other key or when closed.
int32_t gapi(int key);
// The four GAPI bits together.
constexpr int32_t kGapiBits = 0x2000 | 0x4000 | 0x8000 | 0x10000;

} // namespace keybits
