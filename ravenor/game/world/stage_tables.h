// stage_tables.h -- what the program knows of its stages: level names,
// tunes, briefings and showcase cars; and the view distance of the detail
#pragma once

#include <cstdint>

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
// The car the stage select shows for the stage
int32_t ShowcaseClass(int stage);

// The far limit and fog of the renderer from the detail setting (0..127)
void SetViewDistance(int32_t detail);
