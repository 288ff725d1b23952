// camera.h -- the chase camera behind the player, the level cameras that
// stage records place (classes 19, 20, 23, 24), and the choice of the
// camera for each frame
#pragma once

#include <cstdint>

#include "ravenor/engine/core/transform.h"

struct Entity;

struct CameraState
{
    Orientation orientation;        // the position in t
    int32_t velocity[3] = {0, 0, 0};   // old position minus new, of the last chase step
    int32_t yaw = 0;
    int32_t yawRate = 0;
    const int32_t* params = nullptr;   // the followed type's offsets: [1] height, [2] distance
    int32_t look[3] = {0, 0, 0};
    int32_t distanceOffset = 0;
    int32_t yawDivisor = 8;
    int32_t lookHeight = 0;
    int32_t shake[3] = {0, 0, 0};
    int32_t groundHeight = -1;
    int32_t blend = 0;
    int32_t followValue = 0;
    Entity* followed = nullptr;
    int32_t pullIn = 0;    // the obstacle step's two accumulators
    int32_t growBack = 0;
};

// Where the world is seen from: a rotation from world to camera axes and a
// world position.
struct Camera
{
    Orientation orientation;
    int32_t position[3] = {0, 0, 0};
};

// A star of the night sky: a direction from the view, at a fixed distance
struct Star
{
    int16_t x, y, z;
};
constexpr int kStarCount = 200;

// The cameras: the chase camera behind the player, the level camera of
// classes 19, 20 and 24 and the one of class 23; which one is current and
// which one this frame uses; the frame's view from it and the stars seen
// round it
struct CameraRig
{
    CameraState chase;
    CameraState level;
    CameraState approach;
    CameraState* current = &chase;
    CameraState* used = &chase;
    int32_t hold = 0;              // counts up to 0 after a level camera's last step
    int32_t approachAmount = 0;    // 0..255, grown by the class-23 camera
    bool settled = true;
    int32_t followValue = 0;       // the follow value the fixed cameras set
    Camera view;
    Star stars[kStarCount] = {}; // built once at start; drawn round the view's turn only

    CameraRig() = default;
    CameraRig(const CameraRig&) = delete;   // current and used point into the rig
    CameraRig& operator=(const CameraRig&) = delete;
};
extern CameraRig g_cameras;

// The state follows the entity with its type's offsets, from behind it.
void AttachCamera(CameraState& state, Entity* entity);
// Once at the start of every stage frame
void SelectCamera();
// The chase step after the controls
void ChaseUpdate(CameraState& state);
// The frame's view (g_cameras.view of the world drawing) from the camera's look
void BuildCameraOrientation(const CameraState& state);
// Collisions shake the chase camera; each frame takes a quarter back, reversed.
void ShakeCamera(int32_t x, int32_t y, int32_t z);
// Every camera back to its start (a stage starts)
void ResetCameras();

// Turns the device's key-press clicks off at start: two provisioning
// documents, "ModeGSM" then "Mode" of the key-press sounds set to 0;
// failures are ignored.
void SilenceKeyClicks();
