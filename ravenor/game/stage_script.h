// stage_script.h -- the stage's node records brought to life
//
// A small runner of the records the first stage uses, standing in until the
// behaviours are built: starters create their five links, driven cars are
// placed on their path and one of them is made the player by its companion,
// the countdown makes the controls live when it completes, the clock runs,
// gates complete when the player comes within their radius, their end
// sequences show their lines and start the next record (or end the stage),
// and the trigger sections end the stage.
#pragma once

#include "ravenor/game/level.h"

// Lists of every reachable record converted (and dropped when the class
// asks), class models loaded; then the root record starts.
void PrepareRecords(LevelBlock& level);
// Creates the record's entity (once) and its companion
void StartRecord(Behaviour* node);
// The record is done: the triggers, then its end sequence (lines and next
// record after their delays)
void CompleteRecord(Behaviour* node);
// Sections 5 and 6
void EvaluateTriggers();
