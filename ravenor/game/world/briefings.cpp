// briefings.cpp -- the stage select's briefing of every stage: a title and
// four lines (the stages' levels are made to match them)
#include "ravenor/game/world/stage_tables.h"

namespace {

// What each kind of stage asks of the player, and where
#define CHECKPOINTS(where) {"PASS EVERY CHECKPOINT", "BEFORE THE CLOCK", "RUNS OUT", where}
#define DELIVERY(where) {"PICK UP THE PARCEL", "AND DELIVER IT", "BEFORE TIME RUNS OUT", where}
#define CATCH(where) {"CATCH THE CAR", "BY DRIVING INTO IT", "BEFORE IT GETS AWAY", where}
#define RACE(where) {"BEAT YOUR RIVAL", "TO THE FINISH", "", where}
#define PICKUPS(where) {"COLLECT EVERY", "QUESTION MARK", "BEFORE TIME RUNS OUT", where}

const Briefing kBriefings[kStageCount] = {
    {"DEMO", {"DRIVE ONE LAP", "OF THE RING ROAD", "THROUGH EVERY", "CHECKPOINT"}},
    {"stage 1", CHECKPOINTS("UP THE MIDDLE")},
    {"stage 2", DELIVERY("UP THE MIDDLE")},
    {"stage 3", CATCH("UP THE MIDDLE")},
    {"stage 4", RACE("UP THE MIDDLE")},
    {"stage 5", PICKUPS("WEST AND EAST SIDES")},
    {"stage 6", CHECKPOINTS("A ZIGZAG")},
    {"stage 7", PICKUPS("WEST AND EAST SIDES")},
    {"stage 8", CATCH("UP THE MIDDLE")},
    {"stage 9", RACE("A ZIGZAG")},
    {"stage 10", DELIVERY("AN S THROUGH TOWN")},
    {"stage 11", CHECKPOINTS("A TOUR OF THE CITY")},
    {"stage 12", PICKUPS("A ZIGZAG")},
    {"stage 13", CATCH("ROUND THE NORTH EAST")},
    {"stage 14", RACE("WEST AND EAST SIDES")},
    {"stage 15", DELIVERY("SOUTH THEN NORTH")},
    {"stage 16", CHECKPOINTS("ROUND THE WEST")},
    {"stage 17", PICKUPS("A TOUR OF THE CITY")},
    {"stage 18", CATCH("ROUND THE WEST HALF")},
    {"stage 19", RACE("AN S THROUGH TOWN")},
    {"stage 20", DELIVERY("A TOUR OF THE CITY")},
    {"stage 21", CHECKPOINTS("AN S THROUGH TOWN")},
    {"stage 22", PICKUPS("ROUND THE WEST")},
    {"stage 23", CATCH("ROUND THE RING ROAD")},
    {"stage 24", RACE("SOUTH THEN NORTH")},
    {"stage 25", DELIVERY("ROUND THE WEST")},
    {"stage 26", CHECKPOINTS("WEST AND EAST SIDES")},
    {"stage 27", PICKUPS("AN S THROUGH TOWN")},
    {"stage 28", CATCH("ROUND THE NORTH EAST")},
    {"stage 29", RACE("A TOUR OF THE CITY")},
    {"stage 30", DELIVERY("A ZIGZAG")},
    {"stage 31", CHECKPOINTS("SOUTH THEN NORTH")},
    {"stage 32", PICKUPS("SOUTH THEN NORTH")},
    {"stage 33", RACE("ROUND THE WEST")},
};

} // namespace

const Briefing& StageBriefing(int stage)
{
    return kBriefings[stage < 0 || stage >= kStageCount ? 0 : stage];
}
