// hud.h -- what a stage shows over the world: its message lines, the
// countdown digit and the race clock; and the frame's controls
#pragma once

#include <cstdint>

// Sizes of the HUD's text: each texel of a glyph drawn as a block of so
// many pixels across and down (the counters small, the countdown, "GO" and
// the race clock large)
constexpr int32_t kSmallText = 1;
constexpr int32_t kLargeText = 2;

// Three lines shown for 132 standard frames; three empty lines change nothing.
void ShowMessage(const char* line1, const char* line2, const char* line3);
// The lines from (10, 70); a line beginning "<y>" or "<x,y>" is placed there.
void DrawMessages();
// No message lines (a stage's last lines stay behind in its stage)
void ClearMessages();
// Ends the running stage with one message line (a fault of the stage's data)
void EndStageWithMessage(const char* line);
// The race clock at the top left: seconds ":" hundredths, large
void DrawRaceClock(int32_t ms);
// The large digit of the countdown, only for 1 to 5 whole seconds
void DrawCountdown(int32_t ms);
// The player's input flags from the key table and the settings' keys
void ReadControls();
