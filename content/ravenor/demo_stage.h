// demo_stage.h -- the first stage's files: its level, the player's car, the
// checkpoint and finish gates and the light glows
//
// The level is written from its description "levels/stg000.txt" (read from
// the source folder the build names). Models are in world units, y up, the
// front toward -z; the car's wheels are meshes named "wheel_front_left",
// "wheel_front_right", "wheel_back_left" and "wheel_back_right" placed at
// their centres.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "content/ravenor/demo_content.h"

namespace ravenor_content {

// The description of stage 0; empty when the file cannot be read
std::string StageDescription(int stage);

// "stg000.lev", "concorde.p3d", "concorde.tex", the five gates ("checkpoint",
// "checkpoint_wide", "start_wide", "finish", "finish_wide"), ...,
// "brakelight.p3d", ...;
// false with the reason when the level description is refused.
bool DemoStageEntries(std::vector<DemoEntry>& entries, std::string& error);

} // namespace ravenor_content
