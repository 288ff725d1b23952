// crashes.h -- the crash sounds of hits
#pragma once

// Sound 7 or 8 by the frame counter, at a random rate, at most once per 969 ms
void CrashSoundLight();
// A wall hit: sound 4, 5 or 6 by the frame counter, at a random rate, at
// most once per 969 ms (timed apart from the light crash)
void CrashSoundWall();
// Tests: forget the last sound times
void ResetCrashSounds();
