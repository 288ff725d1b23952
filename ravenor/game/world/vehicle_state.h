// vehicle_state.h -- a driven car's state: its controls, springs and slide,
// and what its last step met
//
// A driven car keeps its state in a VehicleState, which is also its driver
// slot (the stage has six). The car's step writes it; the car's sound,
// effects and camera, the world drawing (the player's wheels) and the
// collisions read it.
#pragma once

#include <climits>
#include <cstdint>

#include "ravenor/game/world/entity.h"

struct CameraFollow
{
    int32_t value = 0;   // eased toward the type's cameraFollowTarget
};

constexpr int32_t kNoContactValue = INT32_MIN;

// Where a driven car stood when its step looked at its skid (on the ground,
// before it drove): what the streaks and the smoke are laid from
struct SkidSample
{
    const Entity* car = nullptr;   // none: the step did not look (the car was in the air)
    Orientation orientation;       // rotation and position
    int32_t velocity[3] = {0, 0, 0};
    int32_t speed = 0;
    int32_t slide = 0;
    int32_t travelHeading = 0;
    GroundProbe probe;
};
// The car as it stands now
SkidSample SampleOf(const Entity* car);

// The box points the wall probe tests
constexpr int kWallProbePoints = 7;

// What one step of a driven car met, in the order of the step: the step
// writes it, and the car's sound, effects and camera read it afterwards
// (PlayVehicleFrame).
struct VehicleFrame
{
    // 2. the engine sound's inputs: the player's speed and throttle before the step
    bool engine = false;
    int32_t engineSpeed = 0;
    bool engineThrottle = false;
    // 6a. on the ground: the skid looked at
    SkidSample skid;
    // 6c. reversing: the reverse lights wanted
    bool reverseLights = false;
    // 7. box points that hit a wall above speed 100 (sparks and a crash each)
    int32_t wallHits = 0;
    int32_t wallPoints[kWallProbePoints][3] = {};
    // ... and the player's camera shaken by the hit
    bool shaken = false;
    int32_t shake[3] = {0, 0, 0};
    // 7. no wheel touched (the landing sound stops), or touched down again
    // after flying (the landing sound at the vertical speed)
    bool inAir = false;
    bool touchedDown = false;
    int32_t landingLevel = 0;
};

struct VehicleState
{
    CameraFollow* camera = nullptr;
    int32_t driveForce = 0;
    int32_t lateralLoad = 0;
    int32_t lightsOn = 0;
    int32_t engineLoad = 0;
    int32_t locked = 0;        // 1: the player's controls are ignored this frame
    int32_t inAir = 0;
    int32_t sideLoad = 0;
    int32_t lateralAbs = 0;
    int32_t traction = 0;
    int32_t skid = 0;
    int32_t slide = 0;
    int32_t reverseMode = 0;
    int32_t wheelTurn = 0;
    int32_t compression[4] = {0, 0, 0, 0};   // front left, front right, back left, back right
    int32_t springSpeed[4] = {0, 0, 0, 0};
    uint16_t stalled = 0;
    int32_t yawSlide = 0;
    uint8_t accelerate = 0, brake = 0, handbrake = 0, extraControl = 0, left = 0, right = 0;

    // What the last suspension step found: contact heights (kNoContact when
    // a wheel did not touch) and the lowest wheel point
    int32_t contact[4] = {kNoContactValue, kNoContactValue, kNoContactValue, kNoContactValue};
    int32_t lastContact[4] = {kNoContactValue, kNoContactValue, kNoContactValue, kNoContactValue};
    int32_t lowestWheel = -999999;
    int32_t contacts = 0;

    // The driver slot's side: the behaviour it is bound to and the data
    // pointer handed to PlaceVehicle
    const Behaviour* boundBehaviour = nullptr;
    const void* data = nullptr;

    // What the last step met
    VehicleFrame frame;
};
