// camera.h -- eye, view matrix, viewport and follow modes of a 3D scene
#pragma once

#include "engine/base/matrix4.h"
#include "engine/base/vector.h"

#include <cstdint>

class Camera
{
public:
    // Follow modes: -2 off, -1 look at with offset, 0 chase beyond distance,
    // 1 and 3 fixed height, 2 above, 4 attached and scaled, 5 to 7 smoothed
    // (6 also smooths up, 7 keeps the offset unturned).
    static constexpr int kFollowOff = -2;

    float fov = 0.0f;
    Vector3 position{0.0f, 0.0f, -10.0f};
    Vector3 target;
    Vector3 up{0.0f, 1.0f, 0.0f};
    int32_t viewportWidth = 0, viewportHeight = 0, centreX = 0, centreY = 0;
    float distance = 10.0f;
    float smoothing = 0.0f;
    Vector3 offset;
    float baseSmoothing = 0.0f;
    int32_t minViewport = 0;
    int32_t projection = 0;
    int32_t viewDirty = 1;
    Matrix4 viewMatrix;
    int32_t followMode;
    const Matrix4* followTarget = nullptr;
    // The frame length the smoothing of modes 5 to 7 was made for, in
    // seconds. 0 (the default): the eye closes its share of the gap once
    // a frame, whatever the frame's length, so how far it trails a moving
    // object depends on the frame rate. Above 0: a frame closes the share
    // a frame of this length would, scaled to its own length, so the eye
    // trails alike at any frame rate (a frame of exactly this length moves
    // it as the default does).
    float smoothingStep = 0.0f;

    Camera(int mode, float fovDegrees);

    void setFov(float degrees);
    const Matrix4& getViewMatrix();
    void setPosition(float x, float y, float z);
    void setPositionVector(const Tuple3& v) { setPosition(v.x, v.y, v.z); }
    void setTarget(float x, float y, float z);
    void setTargetVector(const Tuple3& v) { setTarget(v.x, v.y, v.z); }
    void setOrientationUp(float x, float y, float z);
    void setOrientationUpVector(const Tuple3& v) { setOrientationUp(v.x, v.y, v.z); }
    void setViewport(int width, int height);

    void follow(int mode, const Matrix4* targetMatrix, float distance, float smoothing, Vector3& offset);
    int getFollowMode() const { return followMode; }
    void placeBehindTarget();
    void updateFollow(float dt);

private:
    void followFromAbove(const Tuple3& p);
    void followAttached();
    void followSmoothed(const Tuple3& p, float dt);
};
