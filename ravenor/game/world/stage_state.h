// stage_state.h -- the running stage's record: its progress, message lines,
// controls, level, view distance, objective flags and driver slots
#pragma once

#include <cstdint>
#include <memory>

#include "ravenor/game/world/level.h"
#include "ravenor/game/world/vehicle_state.h"

// The stage's progress: running, finishing (the end's 45 frames), over
enum StageProgress : int32_t
{
    kStageRunning = 0,
    kStageFinishing = 16,
    kStageOver = 17,
};

// The player's input flags of the frame, from the key table and the settings' keys
struct DriveInputs
{
    uint8_t accelerate = 0, brake = 0, handbrake = 0, left = 0, right = 0;
};

// What SetViewDistance gave the renderer
struct ViewDistance
{
    int32_t farLimit = 0;
    int32_t fogShift = 0;
    int32_t fogWidth = 0;
    int32_t fogStart = 0;    // already shifted left by 16
    int32_t activity = 60;   // the world's activity constant: the traffic rings' scale
};

constexpr int kDriverSlots = 6;
constexpr int kMessageLines = 3;
constexpr int kMessageChars = 40;

struct StageRecord
{
    int32_t state = kStageRunning;
    int32_t endTimer = 0;      // grows while the stage is finishing
    int32_t frames = 0;        // frames the stage has run
    bool showFrameRate = false;
    // The message lines (copied: level texts go when the level is freed)
    // and the frames they stay
    char lines[kMessageLines][kMessageChars + 1] = {};
    int32_t messageTimer = 0;
    // The frame's controls; the pause key down at the last input step; the
    // player's controls live (a countdown ran out) or dead (stage start, a
    // camera sequence)
    DriveInputs controls;
    bool pauseKey = false;
    bool controlsLive = false;
    // The loaded level, or none
    std::unique_ptr<LevelBlock> level;
    ViewDistance view;
    // The timing objectives: reached (behaviours 2 and 32), frozen (43 and
    // 44); either stops the countdown and the clock. Behaviour 5 shows
    // their HUD under any camera. A time bonus's seconds wait for the
    // running countdown.
    bool objectiveReached = false;
    bool objectiveFrozen = false;
    bool objectiveHudAlways = false;
    int32_t pendingBonus = 0;
    // The tag of the last reset of a zone's records (the player left the
    // zone): each record is reset once per pass. Always above 3, the tags
    // the level's relocation leaves.
    uint16_t zoneResetPass = 100;
    // The six driver slots of the stage's driven cars, and how many are bound
    VehicleState driverSlots[kDriverSlots];
    int32_t driverSlotCount = 0;
};

extern StageRecord g_stage;
