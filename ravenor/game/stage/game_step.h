// game_step.h -- one frame of a running stage
#pragma once

// Message lines, timers and the cameras back to their start
void ResetGameStep();
// One frame: messages, input, the entity sweep, the camera, the city and the
// entities; sets the shell's stage-over flag when the stage has ended.
void GameStep();
// While paused: the pause menu, left when it answers (1); else the pause key
// pauses the game, the music and the sounds (0).
int CheckPause();
