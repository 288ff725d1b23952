// changed_copy.h -- writing only the changed words of a frame
//
// For a slow frame buffer: compares the frame just drawn with the one before
// it and writes only the 32-bit words that differ. With keep set, the older
// frame is brought up to date as well (a frame that keeps its content).
#pragma once

#include <cstddef>
#include <cstdint>

void CopyChangedWords(uint32_t* screen, const uint32_t* current, uint32_t* previous, size_t first, size_t count,
                      bool keep);
