// quaternion.h -- rotations as quaternion and as axis with angle
#pragma once

#include "engine/base/vector.h"

struct Quaternion;

// A rotation by `angle` radians about (x, y, z); default: none about z.
struct AxisAngle
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 1.0f;
    float angle = 0.0f;

    void set(const Tuple3& axis, float angle_);
    // Axis (0, 0, 0) when the quaternion's vector part is shorter than 1e-10
    void setFromQuaternion(const Quaternion& q);
};

struct Quaternion : Tuple4
{
    Quaternion() : Tuple4(0.0f, 0.0f, 0.0f, 1.0f) {}
    Quaternion(float x_, float y_, float z_, float w_) : Tuple4(x_, y_, z_, w_) {}

    // Sine and cosine from the tables; a zero axis gives (0, 0, 0, 0)
    void setFromAxisAngle(const AxisAngle& a);
    // The rotation that turns direction `from` onto `to`; opposite directions
    // turn about `axis`, or about (0, 1, 0) when none is given.
    void setRotationArc(const Vector3& from, const Vector3& to, const Vector3* axis = nullptr);
};
