// game_step.h -- one frame of a running stage, its message lines and HUD
#pragma once

#include <cstdint>

#include "ravenor/engine/core/transform.h"

// Three lines shown for 132 standard frames; three empty lines change nothing.
void ShowMessage(const char* line1, const char* line2, const char* line3);
void DrawMessages();
// No message lines (a stage's last lines stay behind in its stage)
void ClearMessages();
// Message lines, timers and the camera back to their start
void ResetGameStep();
// The player's input flags from the key table and the settings' keys
void ReadControls();
// The world as the camera sees it (positions in render units)
Transform WorldTransform();
// One frame: messages, input, the entity sweep, the camera, the city and the
// entities; sets the shell's stage-over flag when the stage has ended.
void GameStep();
// While paused: the pause menu, left when it answers (1); else the pause key
// pauses the game, the music and the sounds (0).
int CheckPause();
// The race clock at the top left: seconds ":" hundredths, large
void DrawRaceClock(int32_t ms);
// The large digit of the countdown, only for 1 to 5 whole seconds
void DrawCountdown(int32_t ms);
