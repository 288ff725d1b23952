// quaternion.cpp -- axis-angle conversions and the rotation arc
#include "engine/base/quaternion.h"

#include "engine/base/math_utils.h"

#include <cmath>

namespace {

constexpr float kTiny = 1e-10f;

} // namespace

void AxisAngle::set(const Tuple3& axis, float angle_)
{
    x = axis.x;
    y = axis.y;
    z = axis.z;
    angle = angle_;
}

void AxisAngle::setFromQuaternion(const Quaternion& q)
{
    float l = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z);
    if (l < kTiny)
    {
        x = y = z = 0.0f;
    }
    else
    {
        x = q.x / l;
        y = q.y / l;
        z = q.z / l;
    }
    angle = 2.0f * std::atan2(l, q.w);
}

void Quaternion::setFromAxisAngle(const AxisAngle& a)
{
    float l = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    if (l < kTiny)
    {
        set(0.0f, 0.0f, 0.0f, 0.0f);
        return;
    }
    float half = a.angle * 0.5f;
    float s = tableSin(half) / l;
    set(a.x * s, a.y * s, a.z * s, tableCos(half));
}

void Quaternion::setRotationArc(const Vector3& from, const Vector3& to, const Vector3* axis)
{
    float theta = from.angle(to);
    if (theta <= kTiny)
    {
        set(0.0f, 0.0f, 0.0f, 1.0f);
        return;
    }
    Vector3 turn;
    if (theta < float(M_PI) - kTiny)
        turn.cross(from, to);
    else if (axis)
        turn = *axis;
    else
        turn.set(0.0f, 1.0f, 0.0f);
    AxisAngle a;
    a.set(turn, theta);
    setFromAxisAngle(a);
}
