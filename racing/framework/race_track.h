// race_track.h -- what a racer reads of its race page (the track, the ground,
// the visible window, the settings) and the one flag it writes back
#pragma once

#include "racing/framework/race_rules.h"
#include "racing/framework/track_ground.h"
#include "racing/framework/track_model.h"

#include "racing/engine/collision_grid.h"

#include "engine/base/matrix4.h"
#include "engine/base/quaternion.h"

namespace racing {

struct RaceTrack
{
    const TrackModel* model = nullptr;
    GroundQuery* ground = nullptr;
    const VisibleWindow* window = nullptr;
    float topSpeed = 110.0f;         // the race's speed scale
    float steerSensitivity = 0.75f;  // 0.25, 0.75 or 1.25
    bool running = false;            // after the start lights
    bool wrongWay = false;           // written by the player's vehicle
};

// m := rotation(q) x m on the rotation part; the translation stays.
void turnInFront(Matrix4& m, const Quaternion& q);
// The identity turned a fraction t of the way towards the turn taking
// direction `from` onto `to`, of unit length.
void partialTurn(Quaternion& out, const Vector3& from, const Vector3& to, float t);

} // namespace racing
