// objectives.h -- the invisible objective classes of a stage: the target
// counter (0), pick-up (10), time bonus (11), start countdown (13), race
// clock (14) and frame counter (17)
//
// Their entities come from node records and have no model; their count is
// the record's counter (its count value at creation). "Done" is `Complete`,
// so an objective that runs out or reaches its target evaluates the level's
// rule sections. All of them answer '8' with 0 and '1' with done and inert.
#pragma once

#include <cstdint>

struct Entity;

int32_t ObjectiveHandler(int32_t classNumber, Entity* e, int32_t message);

// The target counter's count, or -1 when none runs (tests)
int32_t TargetCount();
