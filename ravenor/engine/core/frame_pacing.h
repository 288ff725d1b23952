// frame_pacing.h -- frame pacing and the speed factor
//
// The speed factor F (256..511) tells how long the last frame took: 256 for
// 50 ms or less, about 511 for 100 ms. Per-frame motion is scaled by F / 256.
#pragma once

#include <cstdint>

extern int32_t g_speedFactor;

// Sleeps until period ms have passed since the end of the previous frame,
// then sets the speed factor from the time the frame really took.
void PaceFrame(uint32_t period);

// Milliseconds the last paced frame took
uint32_t LastFrameElapsed();

// True in one frame per n x 22 ms (always for n = 0).
bool IsTickDue(uint32_t n);

// Tests: the previous frame ends now, factor 256.
void ResetFramePacing();
