// level.h -- level files: one block of little-endian words read into records
//
// A level file is a header of twelve byte offsets (root node, node table and
// nine sections), node records of 160 bytes, coordinate lists, texts and
// section records. Instead of turning offsets into pointers in place, the
// loader reads the block into native records: every offset is checked
// against the block and its alignment, every text must end inside the block,
// and the small values 0 to 3 (and -1 where a path may say "follow") stay
// values in every link and target word. A bad file loads nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Entity;
struct Behaviour;

constexpr int32_t kLevelEnd = 30271;

// What a node record's entity does each frame (its word 48)
enum BehaviourNumber : int32_t
{
    kBehaviourFollowPath = 0,             // the path-follow step
    kBehaviourTouchToComplete = 1,        // seen and touched by the player: done
    kBehaviourTouchToReach = 2,           // ... and the objective is reached
    kBehaviourIdle3 = 3,
    kBehaviourProgress = 4,               // counts up to its start value
    kBehaviourShowHud = 5,                // the objectives' HUD under any camera
    kBehaviourComplete = 6,               // the common step: done, then removed
    kBehaviourSlowPlayer = 7,             // near: the player slowed and locked
    kBehaviourStopAtPathEnd = 8,
    kBehaviourRam = 11,                   // hits the active list, moves
    kBehaviourRamUntilLost = 12,          // ... done when out of view too long
    kBehaviourMoveUntilLost = 13,         // moves; done when out of view too long
    kBehaviourIdle14 = 14,
    kBehaviourRemoveLinks = 15,
    kBehaviourCompleteLinks = 16,
    kBehaviourDisableLinks = 17,
    kBehaviourRemoveLinkedEntities = 18,
    kBehaviourReachRadius = 19,           // the player within the radius: done
    kBehaviourLinkWithinRadius = 20,
    kBehaviourRace = 21,
    kBehaviourTrafficLimit = 22,
    kBehaviourSlowDown = 23,
    kBehaviourSlowDownOnPath = 24,
    kBehaviourCreateLinks = 25,
    kBehaviourTouchCreatesLinks = 26,
    kBehaviourIdle27 = 27,
    kBehaviourIdle28 = 28,
    kBehaviourFollow = 29,
    kBehaviourFollowUntilLost = 30,
    kBehaviourShoveUntilLost = 31,
    kBehaviourReachObjective = 32,
    kBehaviourZone = 33,
    kBehaviourDelay = 34,
    kBehaviourMakePlayer = 35,
    kBehaviourApproach = 36,
    kBehaviourApproachAfterDelay = 37,
    kBehaviourShoveAndApproach = 38,
    kBehaviourDoneWhenLost = 39,
    kBehaviourShoveApproachAndCreate = 40,
    kBehaviourShoveApproachUntilLost = 41,
    kBehaviourIdle42 = 42,
    kBehaviourFreezeObjectives = 43,
    kBehaviourThawObjectives = 44,
    kBehaviourPlaySound = 45,
    kBehaviourStopSound = 46,
    kBehaviourClearTraffic = 47,
    kBehaviourLockPlayer = 48,
    kBehaviourWaitForKey = 49,
};

// The small values of link and target words
enum LinkValue : int32_t
{
    kLinkFollow = -1,         // word 60: the entity follows its leader
    kLinkFalse = 0,           // a condition never true; no record
    kLinkTrue = 1,            // a condition always true; the player as a link
    kLinkStageComplete = 2,   // a target that completes the stage
    kLinkStageFinish = 3,     // a target that starts the stage's finishing phase
};

// A coordinate list: (x, y, z) triples, ended by a point whose x is 30271
struct CoordList
{
    std::vector<int32_t> words;   // with the end triple (30271, 0, 0)
    bool converted = false;       // turned into world units once per load
    int32_t PointCount() const { return static_cast<int32_t>(words.size() / 3) - 1; }
    const int32_t* Point(int32_t i) const { return &words[static_cast<size_t>(i) * 3]; }
};

// A link word of a node record: a small value (0..3, or -1) or a record
struct Link
{
    int32_t value = 0;
    Behaviour* node = nullptr;
    bool IsNode() const { return node != nullptr; }
};

// A node record (160 bytes in the file) and what the stage keeps with it
struct Behaviour
{
    uint32_t offset = 0;           // in the file
    // Run time
    Entity* entity = nullptr;      // byte 0
    uint8_t active = 0, done = 0, secondDone = 0;
    uint16_t tag = 0;
    uint8_t disabled = 0, stopped = 0;
    int32_t counter = 0;
    int32_t accumulator = 0;       // byte 88 at run time: the timing objectives' milliseconds
    // What the behaviour runner keeps besides (not in the file)
    int32_t timer = 0;             // delays and out-of-view time, 3 x F / 256 a frame
    int32_t progress = 0;          // behaviour 4
    int32_t startPhase = 0;        // 0 start delay, 1 second delay, 2 running
    int32_t stamp = 0;             // the frame a rule last acted on it
    uint8_t armed = 0;             // behaviour 20: the leader came within twice the radius
    uint8_t made = 0;              // behaviours 33, 40 and class 14: their record created once; the path's child
    uint8_t childMade = 0;
    int32_t lastIndex = 0;         // the path point it last headed for
    // From the file
    int32_t startDelay = 0;                    // 24
    const char* startLines[3] = {};            // 28, 32, 36
    int32_t secondDelay = 0;                   // 40
    int32_t classNumber = 0;                   // 44
    int32_t behaviourNumber = 0;               // 48
    int32_t word52 = 0;                        // 52
    int32_t startValue = 0;                    // 56
    CoordList* path = nullptr;                 // 60; none with followLeader
    bool followLeader = false;                 // 60 = -1
    CoordList* secondPath = nullptr;           // 64 as a list
    Link leader;                               // 64 when following
    int32_t mode = 0;                          // 68
    int32_t count = 0;                         // 72
    int32_t word76 = 0;                        // 76
    Link companion;                            // 80
    int32_t value = 0;                         // 84
    int32_t speed = 0;                         // 88
    int32_t word92 = 0;                        // 92
    int32_t endDelays[3] = {};                 // 96, 112, 128
    const char* endLines[2][3] = {};           // 100..108, 116..124
    Link next;                                 // 132
    Link child;                                // 136
    Link links[5];                             // 140..156
};

struct ObjectEntry   // section 0: 11 words
{
    CoordList* list = nullptr;
    int32_t words[11] = {};
    int32_t OwnClass() const { return words[3]; }
};

struct RuleRecord   // sections 1 to 4: condition, target, frame stamp
{
    Behaviour* condition = nullptr;
    Behaviour* target = nullptr;
    int32_t stamp = 0;
};

struct TriggerRecord   // sections 5 and 6: five groups of five conditions, target, fired flag
{
    Link conditions[25];
    Link target;
    int32_t fired = 0;
};

struct Section7Record
{
    Link words[3];
    int32_t stamp = 0;
};

struct Section8Record
{
    Link pairs[10];
    uint16_t fired = 0;
};

struct LevelBlock
{
    std::vector<uint8_t> bytes;    // the file as read (texts point into it)
    Behaviour* root = nullptr;
    std::vector<Behaviour*> nodeTable;
    std::vector<std::unique_ptr<Behaviour>> nodes;
    std::vector<std::unique_ptr<CoordList>> lists;
    std::vector<ObjectEntry> objects;
    std::vector<RuleRecord> rules[4];
    std::vector<TriggerRecord> triggers[2];
    std::vector<Section7Record> section7;
    std::vector<Section8Record> section8;

    Behaviour* NodeAt(uint32_t offset) const;
};

// Reads a whole level file; none with the reason when anything is out of
// the block, misaligned, unterminated or of the wrong kind.
std::unique_ptr<LevelBlock> ReadLevel(std::vector<uint8_t> bytes, std::string& error);

// Level units to world units, once per loaded list:
// (x, y, z) -> (x << 3, -(z << 3), y << 3)
void ScaleObjectCoords(CoordList& list);
