// stage.h -- starting a stage: its tables, the level file, the objects,
// the six driver slots and the view distance
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "ravenor/game/level.h"
#include "ravenor/game/stage_state.h"
#include "ravenor/game/vehicle.h"

constexpr int kLevelCount = 39;      // "stg000.lev" .. "stg038.lev"
constexpr int kStageCount = 34;      // stages offered: 0 (demo) .. 33

extern const char* const kLevelNames[kLevelCount];
const char* StageTune(int stage);
// Title and four lines
struct Briefing
{
    const char* title;
    const char* lines[4];
};
const Briefing& StageBriefing(int stage);
int32_t ShowcaseClass(int stage);

void SetViewDistance(int32_t detail);

// Resets the stage, loads the level and creates its objects; false when
// the level is missing or refused (nothing is read through a missing entry).
bool StartStage(int stage);
// The same with the level that load gives (tests start stages of their own)
bool StartLevel(const std::function<std::unique_ptr<LevelBlock>()>& load);
// The level of a stage from the archive; none with a line on standard error
std::unique_ptr<LevelBlock> LoadLevel(int stage);
void CreateLevelObjects();
void DropObjectsToGround(CoordList& list);
// Binds the entity to a driver slot and places it; false when every slot is
// taken (the stage then ends with a message line).
bool PlaceVehicle(Entity* entity, int32_t x, int32_t y, int32_t z, int32_t heading, const void* data);
VehicleState* GetDriverSlot(Entity* entity);
// Ends the running stage with one message line (a fault of the stage's data)
void EndStageWithMessage(const char* line);
// The stage is over: entities reset, level released
void EndStage();
