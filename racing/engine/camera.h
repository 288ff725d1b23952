// camera.h -- the racing build's follow camera
//
// Position, target and up with a lazily rebuilt view matrix (the inverse of
// the camera-to-world frame), a projection factor that is the focal length in
// pixels times 1024, and a follow step per frame in one of these modes:
//   -1  stays where it is and aims at the object plus the offset (world axes)
//    0  aims at the object and jumps behind it when left beyond the distance
//  1-3  smoothed chase along the object's turned offset (1 and 3 keep the
//       offset's height above the object, 2 its ground position)
//    4  adaptive smoothing, the up vector following the object's
//    5  bolted to the object, looking along the offset direction
//    6  adaptive smoothing with a fixed up vector
// Any other mode leaves the camera alone.
#pragma once

#include "engine/base/matrix4.h"
#include "engine/base/vector.h"

#include <cstdint>

namespace racing {

class Camera
{
public:
    Camera(int followMode, float fov);

    void setFov(float degrees);
    void setViewport(int width, int height);
    void setPosition(float x, float y, float z);
    void setPositionVector(const Vector3& v);
    void setTarget(float x, float y, float z);
    void setTargetVector(const Vector3& v);
    const Vector3& setOrientationUpVector(const Vector3& v);

    const Matrix4& getViewMatrix();
    // The view becomes the inverse of m (a rigid camera frame) and stays so
    // until a setter moves the camera.
    void setViewMatrix(const Matrix4& m);

    // offset is normalised in place for every mode but -1; mode 0 places the
    // camera at once. transform is the followed object's (not owned).
    void follow(int mode, const Matrix4* transform, float distance, float smoothing, Vector3& offset);
    void placeBehindTarget();
    void updateFollow(float dt);
    int getFollowMode() const { return followMode; }

    int32_t projection = 0; // focal length in pixels x 1024
    float fov = 45.0f;
    float tanHalf = 0.0f;
    Vector3 position{0.0f, 0.0f, -10.0f};
    Vector3 target{0.0f, 0.0f, 0.0f};
    Vector3 up{0.0f, 1.0f, 0.0f};
    int viewportWidth = 0, viewportHeight = 0;
    int halfWidth = 0, halfHeight = 0, shorterSide = 0;
    int followMode = 0;
    float distance = 10.0f;
    float smoothing = 0.0f;
    float baseSmoothing = 0.0f;
    Vector3 offset;
    const Matrix4* followed = nullptr;
    Matrix4 view;
    uint8_t dirty = 1;

private:
    void updateProjection();
    void chase(float t);
    void rigid();
    void adaptive(float t, float dt);
    Vector3 objectPosition() const;
};

} // namespace racing
