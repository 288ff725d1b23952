// camera.cpp -- projection, view matrix and the follow modes
#include "racing/engine/camera.h"

#include "engine/base/matrix_ops.h"
#include "engine/scene/core/fixed_point.h"

#include <algorithm>
#include <cmath>

namespace racing {

namespace {

Vector3 lerp(const Vector3& a, const Vector3& b, float t)
{
    return Vector3(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t);
}

} // namespace

Camera::Camera(int mode, float fovDegrees) : followMode(mode)
{
    setFov(fovDegrees);
}

void Camera::setFov(float degrees)
{
    fov = degrees;
    tanHalf = std::tan(degrees * 0.017453292f * 0.5f);
    updateProjection();
}

void Camera::updateProjection()
{
    // A field of view near 0 would give a focal length beyond the integers.
    projection = tanHalf != 0.0f ? saturatingInt(double(float(shorterSide) / tanHalf * 1024.0f)) : 0;
}

void Camera::setViewport(int width, int height)
{
    viewportWidth = width;
    viewportHeight = height;
    halfWidth = width >> 1;
    halfHeight = height >> 1;
    shorterSide = std::min(width, height);
    updateProjection();
}

void Camera::setPosition(float x, float y, float z)
{
    setPositionVector(Vector3(x, y, z));
}

void Camera::setPositionVector(const Vector3& v)
{
    position = v;
    dirty = 1;
}

void Camera::setTarget(float x, float y, float z)
{
    setTargetVector(Vector3(x, y, z));
}

void Camera::setTargetVector(const Vector3& v)
{
    target = v;
    dirty = 1;
}

const Vector3& Camera::setOrientationUpVector(const Vector3& v)
{
    up = v;
    dirty = 1;
    return up;
}

const Matrix4& Camera::getViewMatrix()
{
    if (dirty)
    {
        lookAtFrame(view, position, target, up);
        invertGeneral(view);
        dirty = 0;
    }
    return view;
}

// Clears the dirty flag: a flag left set by an earlier setter would rebuild
// the view from position and target and lose the rigid frame.
void Camera::setViewMatrix(const Matrix4& m)
{
    view = m;
    invertGeneral(view);
    dirty = 0;
}

void Camera::follow(int mode, const Matrix4* transform, float dist, float smooth, Vector3& off)
{
    distance = dist;
    smoothing = baseSmoothing = smooth;
    followMode = mode;
    followed = transform;
    if (mode != -1)
        off.normalize();
    offset = off;
    if (mode == 0)
        placeBehindTarget();
}

void Camera::placeBehindTarget()
{
    if (distance == 0.0f || !followed)
        return;
    Vector3 p(offset.x * -distance, offset.y * -distance, offset.z * -distance);
    followed->transformPoint(p);
    setPositionVector(p);
    setOrientationUpVector(Vector3(0.0f, 1.0f, 0.0f));
}

Vector3 Camera::objectPosition() const
{
    return Vector3(followed->m[3], followed->m[7], followed->m[11]);
}

void Camera::updateFollow(float dt)
{
    if (!followed)
        return;
    float t = 1.0f - smoothing * 0.01f;
    switch (followMode)
    {
    case -1:
    {
        Vector3 a = objectPosition();
        setTarget(a.x + offset.x, a.y + offset.y, a.z + offset.z);
        break;
    }
    case 0:
    {
        setTargetVector(objectPosition());
        Vector3 d;
        d.setDifference(target, position);
        if (d.lengthSquared() > distance * distance)
            placeBehindTarget();
        break;
    }
    case 1:
    case 2:
    case 3:
        chase(t);
        break;
    case 5:
        rigid();
        break;
    case 4:
    case 6:
        adaptive(t, dt);
        break;
    default:
        break;
    }
}

// When the offset direction degenerates the camera keeps its place (it
// would otherwise fly to the near-zero difference vector itself, near the
// world origin).
void Camera::chase(float t)
{
    Vector3 a = objectPosition();
    setTargetVector(a);
    Vector3 b = offset;
    followed->transformPoint(b);
    if (followMode == 2)
        b.x = offset.x + a.x, b.z = offset.z + a.z;
    else
        b.y = offset.y + a.y;
    Vector3 d;
    d.setDifference(b, a);
    if (d.lengthSquared() > 1e-18f)
    {
        d.normalize();
        Vector3 desired(a.x + d.x * distance, a.y + d.y * distance, a.z + d.z * distance);
        setPositionVector(lerp(position, desired, t));
    }
    setOrientationUpVector(Vector3(0.0f, 1.0f, 0.0f));
}

void Camera::rigid()
{
    Matrix4 m;
    setRotationFrom(m, *followed);
    Vector3 f(0.0f, 0.0f, 1.0f), o = offset, c(offset.x * distance, offset.y * distance, offset.z * distance);
    m.transformVector(f);
    m.transformVector(o);
    m.transformVector(c);
    Quaternion q;
    setRotationBetween(q, f, o);
    Matrix4 turn;
    turn.setFromQuaternion(q);
    turn.multiply(m);
    m = turn;
    if (std::fabs(offset.x) < 0.5f && offset.z < -0.5f)
    {
        Matrix4 halfTurn; // rotZ(pi)
        halfTurn.m[0] = -1.0f;
        halfTurn.m[5] = -1.0f;
        m.multiply(halfTurn);
    }
    Vector3 a = objectPosition();
    position.set(a.x + c.x, a.y + c.y, a.z + c.z);
    m.m[3] = position.x;
    m.m[7] = position.y;
    m.m[11] = position.z;
    setViewMatrix(m);
}

// A distance of 0 has no adaptive term (the step divides by distance squared).
void Camera::adaptive(float t, float dt)
{
    Vector3 a = objectPosition();
    setTargetVector(a);
    Vector3 desired(offset.x * distance, offset.y * distance, offset.z * distance);
    followed->transformPoint(desired);
    setPositionVector(lerp(position, desired, t));
    if (distance != 0.0f)
    {
        Vector3 d;
        d.setDifference(position, target);
        float d2 = distance * distance;
        float next = baseSmoothing - ((d.lengthSquared() - d2) / d2) * dt;
        smoothing = std::isfinite(next) ? std::clamp(next, 0.0f, 100.0f) : baseSmoothing;
    }
    if (followMode == 4)
    {
        Vector3 objectUp(0.0f, 1.0f, 0.0f);
        followed->transformVector(objectUp);
        setOrientationUpVector(lerp(up, objectUp, t));
    }
}

} // namespace racing
