// level_cameras.h -- the level cameras' class handler (classes 19, 20, 23, 24)
//
// A level camera placed by a stage record takes the view while it runs: a
// fixed one (24, and 23, whose approach amount grows) keeps it 11 frames
// after its last step, a moving one (19, and 20, which settles) follows its
// targets and ends once it has arrived. Its creation makes the player's
// controls dead until a countdown makes them live again.
#pragma once

#include <cstdint>

struct Entity;

int32_t LevelCameraHandler(int32_t classNumber, Entity* e, int32_t message);
