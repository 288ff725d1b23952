// race_track.h -- what a racer reads of its race page (the track, the ground,
// the visible window, the settings) and the one flag it writes back
#pragma once

#include "racing/framework/race_rules.h"
#include "racing/framework/track_ground.h"
#include "racing/framework/track_model.h"

#include "racing/engine/collision_grid.h"

#include "engine/base/matrix4.h"
#include "engine/base/quaternion.h"

#include <cstdint>

namespace racing {

struct RaceTrack
{
    const TrackModel* model = nullptr;
    GroundQuery* ground = nullptr;
    const VisibleWindow* window = nullptr;
    float topSpeed = 110.0f;         // the race's speed scale
    float steerSensitivity = 0.75f;  // 0.25, 0.75 or 1.25 (the car: 0.5, 1.0 or 2.0)
    bool running = false;            // after the start lights
    bool wrongWay = false;           // written by the player's vehicle
    bool hasFume = false;            // the track's racers puff from their exhausts
    uint32_t fumeColour = 0;
    float cruiseSpeed = 80.0f;       // the car game's cruise setting (50, 80 or 5000 km/h shown)
};

struct MotionBody;

// The segment a racer at `position` is on: the next one when it is nearer
// than the current, else (only when it may step back) the previous one.
int nextSegment(const RaceTrack& race, const Vector3& position, int segment, bool mayStepBack);
// Whether a rival on the segment is drawn (always without a window).
bool inVisibleWindow(const RaceTrack& race, int segment);

enum class EdgeResult
{
    OnTrack,
    Outside,    // beyond the half width, moving back in (or along)
    TurnedBack, // moving outwards at a shallow angle: turned towards the next point, slowed, put back
    Stopped     // moving outwards steeply: stopped where it was
};

// The track edge for a racer driven by keys: the heading and the track's
// direction written, the player's wrong-way flag set, and a racer leaving
// the half width outwards stopped or turned back.
EdgeResult keepOnTrack(RaceTrack& race, MotionBody& motion, const Vector3& point, const Vector3& nextPoint,
                       bool isPlayer, Vector3& heading, Vector3& trackDirection);

// The ground under a racer: its height and upward normal; false (the racer
// then put on the track point) when nothing is below.
bool groundUnder(RaceTrack& race, MotionBody& motion, const Vector3& point, float& height, Vector3& normal);
// The body turned so that its up leans by `side` along its own x and settles
// halfway onto the ground's normal.
void leanOnGround(MotionBody& motion, float side, const Vector3& normal);

// The autopilot's turn towards the next point (3 x dt of the way); returns
// the turn's y component, by which the racer brakes, accelerates or steers.
float turnTowards(MotionBody& motion, const Vector3& nextPoint, float dt);

// On the segment's point (moved across the track by lateralOffset, and
// twice as far along it), facing along the track.
void placeOnTrack(const TrackModel& track, MotionBody& motion, int segment, float lateralOffset, float speed);

// Two racers nearer than 0.6 x the product of their lengths collide: the one
// behind (judged along b's segment) takes the other's speed less s, the one
// ahead gains s, and both are turned by a random kick in opposite senses.
bool collide(MotionBody& a, MotionBody& b, float lengthA, float lengthB, const TrackModel& track, int segmentB,
             float s);

// m := rotation(q) x m on the rotation part; the translation stays.
void turnInFront(Matrix4& m, const Quaternion& q);
// The identity turned a fraction t of the way towards the turn taking
// direction `from` onto `to`, of unit length.
void partialTurn(Quaternion& out, const Vector3& from, const Vector3& to, float t);

} // namespace racing
