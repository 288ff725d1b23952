// camera.cpp -- projection factor, lazy view matrix and follow modes
#include "engine/scene/3d/camera.h"

#include "engine/scene/core/fixed_point.h"

#include <cmath>

Camera::Camera(int mode, float fovDegrees) : followMode(mode)
{
    setFov(fovDegrees);
}

void Camera::setFov(float degrees)
{
    fov = degrees;
    projection = saturatingInt(std::tan(double(degrees) * 0.017453292 * 0.5) * 1024.0);
}

const Matrix4& Camera::getViewMatrix()
{
    if (viewDirty)
    {
        viewMatrix.lookAt(position, target, up, true);
        viewDirty = 0;
    }
    return viewMatrix;
}

void Camera::setPosition(float x, float y, float z)
{
    position.set(x, y, z);
    viewDirty = 1;
}

void Camera::setTarget(float x, float y, float z)
{
    target.set(x, y, z);
    viewDirty = 1;
}

void Camera::setOrientationUp(float x, float y, float z)
{
    up.set(x, y, z);
    viewDirty = 1;
}

void Camera::setViewport(int width, int height)
{
    viewportWidth = width;
    viewportHeight = height;
    centreX = width >> 1;
    centreY = height >> 1;
    minViewport = width < height ? width : height;
}

void Camera::follow(int mode, const Matrix4* targetMatrix, float distance_, float smoothing_, Vector3& offset_)
{
    followMode = mode;
    if (mode == kFollowOff)
    {
        followTarget = nullptr;
        return;
    }
    distance = distance_;
    smoothing = smoothing_;
    baseSmoothing = smoothing_;
    followTarget = targetMatrix;
    if (mode != -1)
        offset_.normalize();
    offset = offset_;
    if (mode == 0)
        placeBehindTarget();
}

void Camera::placeBehindTarget()
{
    if (distance == 0.0f || !followTarget)
        return;
    Tuple3 p;
    p.setScaled(-distance, offset);
    followTarget->transformPoint(p);
    position.copyFrom(p);
    up.set(0.0f, 1.0f, 0.0f);
    viewDirty = 1;
}

void Camera::followFromAbove(const Tuple3& p)
{
    target.copyFrom(p);
    Vector3 w;
    followTarget->transformVectorTo(offset, w);
    if (followMode == 2)
    {
        w.x = 0.0f;
        w.z = -0.001f;
    }
    else
    {
        w.y = offset.y;
    }
    if (w.lengthSquared() > 1e-18f)
    {
        w.normalize();
        position.setScaled(distance, w);
        position.add(p);
    }
    else
    {
        position.copyFrom(p);
    }
    up.set(0.0f, 1.0f, 0.0f);
}

void Camera::followAttached()
{
    Tuple3 w;
    w.setScaled(distance, offset);
    followTarget->transformPoint(w);
    position.copyFrom(w);
    float k = (std::fabs(w.x) + std::fabs(w.y) + std::fabs(w.z)) * 0.33333f;
    if (k < 10.0f)
        k = 10.0f;
    w.setScaled(k, offset);
    followTarget->transformPoint(w);
    position.copyFrom(w);
    Tuple3 worldUp(0.0f, 1.0f, 0.0f);
    followTarget->transformVectorTo(worldUp, up);
}

void Camera::followSmoothed(const Tuple3& p, float dt)
{
    float s = 1.0f - smoothing * 0.01f;
    float smoothingDt = dt;
    if (smoothingStep > 0.0f)
    {
        s = 1.0f - std::pow(smoothing * 0.01f, dt / smoothingStep);
        smoothingDt = smoothingStep;
    }
    target.copyFrom(p);
    Vector3 w;
    w.setScaled(distance, offset);
    if (followMode == 7)
        w.add(target);
    else
        followTarget->transformPoint(w);
    Vector3 step;
    step.setDifference(w, position);
    step.scale(s);
    position.add(step);
    Vector3 d;
    d.setDifference(position, target);
    const float d2 = distance * distance;
    float next = baseSmoothing - ((d.lengthSquared() - d2) / d2) * smoothingDt;
    smoothing = next < 0.0f ? 0.0f : (next > 100.0f ? 100.0f : next);
    if (followMode == 6)
    {
        Vector3 turned;
        followTarget->transformVectorTo(Tuple3(0.0f, 1.0f, 0.0f), turned);
        turned.subtract(up);
        turned.scale(s);
        up.add(turned);
    }
    else
    {
        up.set(0.0f, 1.0f, 0.0f);
    }
}

void Camera::updateFollow(float dt)
{
    if (followMode == kFollowOff || !followTarget)
        return;
    Tuple3 p;
    followTarget->getTranslation(p);
    switch (followMode)
    {
    case -1:
        target.setSum(p, offset);
        break;
    case 0: {
        target.copyFrom(p);
        Vector3 d;
        d.setDifference(p, position);
        if (d.lengthSquared() > distance * distance)
            placeBehindTarget();
        break;
    }
    case 1:
    case 2:
    case 3:
        followFromAbove(p);
        break;
    case 4:
        followAttached();
        break;
    case 5:
    case 6:
    case 7:
        followSmoothed(p, dt);
        break;
    default:
        return;
    }
    viewDirty = 1;
}
