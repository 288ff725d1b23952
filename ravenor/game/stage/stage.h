// stage.h -- starting a stage: the level file, its objects and records; and
// its end
#pragma once

#include <functional>
#include <memory>

#include "ravenor/game/world/level.h"

// Resets the stage, loads the level and creates its objects, then plays the
// stage's tune, starts the engine's idle sound and works out the key flags;
// false when the level is missing or refused (nothing is read through a
// missing entry).
bool StartStage(int stage);
// The same with the level that load gives (tests start stages of their own)
bool StartLevel(const std::function<std::unique_ptr<LevelBlock>()>& load);
// The level of a stage from the archive; none with a line on standard error
std::unique_ptr<LevelBlock> LoadLevel(int stage);
void CreateLevelObjects();
// The stage is over: entities reset, level released
void EndStage();
// The stage's end: its sounds stopped, its last frame shown and faded out,
// then its world cleared and its level released
void CloseStage();
