// flight_model.h -- how one aircraft or missile moves: a speed easing toward
// the throttle's target, speed gained in dives and lost in climbs, nose and
// wing self-levelling, a soft ceiling, three decaying turn rates and the
// stall tumble. The game and the game server step it alike.
#pragma once

#include "engine/base/matrix4.h"
#include "engine/base/vector.h"

#include <cstdint>

class Group3D;

namespace skyrend {

class FlightModel
{
public:
    Group3D* object = nullptr; // receives the orientation after each step (null on the server)
    float speed = 0.0f;
    float targetSpeed = 0.0f;
    float easedSpeed = 0.0f;
    float responseTime = 2.0f;
    int32_t level = 80; // throttle in percent, for display
    float ceiling = 0.0f;
    float baseSpeed = 0.0f;
    float speedPerStep = 4.0f;
    float bank = 0.0f;       // computed when asked
    float pitchAngle = 0.0f; // computed when asked
    float heading = 0.0f;    // 0..2 pi, computed when asked
    float climbSine = 0.0f;  // forward.y of the previous step
    float bankSine = 0.0f;   // right.y of the previous step
    float rollRate = 0.0f, pitchRate = 0.0f, yawRate = 0.0f;
    Vector3 forward;
    Vector3 position;
    Vector3 previous;
    Matrix4 orientation;
    uint8_t gravity = 1;
    uint8_t turbulence = 1;

    FlightModel() = default;

    void init(Group3D* model, float startSpeed, float x, float y, float z, float ceilingHeight);
    // Throttle step: level (step < 1 ? 5 : 10) x step + 80, target speed
    // speedPerStep x step + baseSpeed.
    void setLevel(int step);
    void stop();
    void setRollRate(float r) { rollRate = r; }
    void setPitchRate(float r) { pitchRate = r; }
    void setYawRate(float r) { yawRate = r; }
    void tick(float dt, bool computeAngles);

    // Turns the orientation by the arc that carries the world direction
    // `from` onto `to`, scaled by `share`; the arc's axis is taken into the
    // body's own frame, so the turn can be appended to the orientation.
    static void bodyArc(const Matrix4& orientation, const Vector3& from, const Vector3& to, float share,
                        Matrix4& out, float* fullAngle = nullptr);

private:
    void computeAngles();
};

} // namespace skyrend
