// story_stages.h -- the story stages 1 to 33 written as level descriptions
//
// Each stage is one of five kinds, laid on a course along the demo city's
// streets (level units: the streets run along x and y = -2500, 0, 2500,
// 500 wide, inside -4000..4000):
//   checkpoints  a chain of gates to a finish against the race clock
//   pick-ups     question marks counted by a target counter, against the clock
//   catch        a traffic car on a loop to be touched before the clock runs out
//   race         a driven rival along the same course to the finish
//   delivery     a parcel to pick up and drop off, through traffic and people
// The player is a driven car made the player by its companion; a countdown
// of three seconds makes the controls live and starts what runs against the
// clock. Traffic, standing crowds, walkers and props fill the streets as the
// stage's difficulty grows. From stage 5 on each stage also has the set
// pieces of its kind: level cameras, false starts, a bonus line, slow
// lorries, zones that bring out crowds, parked and runaway cars, a police
// chase; between them the stages use every behaviour number, objective
// class and level camera of the game.
#pragma once

#include <string>
#include <vector>

#include "content/ravenor/demo_content.h"

namespace ravenor_content {

constexpr int kStoryStages = 33;

enum class StageKind
{
    kCheckpoints,
    kPickUps,
    kCatch,
    kRace,
    kDelivery,
};

// The kind of story stage 1..33
StageKind StoryStageKind(int stage);

// The level description of story stage 1..33 (see level_writer.h)
std::string StoryStageDescription(int stage);

// "stg001.lev" .. "stg033.lev"; false with the reason when the level
// writer refuses one
bool StoryStageEntries(std::vector<DemoEntry>& entries, std::string& error);

} // namespace ravenor_content
