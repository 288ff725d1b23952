// matrix4.cpp -- affine 4x4 transforms
#include "engine/base/matrix4.h"

#include "engine/base/math_utils.h"

#include <algorithm>
#include <cmath>

void Matrix4::setIdentity()
{
    *this = Matrix4();
}

void Matrix4::copyFrom(const Matrix4& other)
{
    std::copy(other.m, other.m + 16, m);
}

void Matrix4::setToTranslationXYZ(float x, float y, float z)
{
    setIdentity();
    setTranslationXYZ(x, y, z);
}

void Matrix4::setToTranslation(const Tuple3& v)
{
    setToTranslationXYZ(v.x, v.y, v.z);
}

void Matrix4::getTranslation(Tuple3& out) const
{
    out.set(m[3], m[7], m[11]);
}

void Matrix4::setTranslationXYZ(float x, float y, float z)
{
    m[3] = x;
    m[7] = y;
    m[11] = z;
}

void Matrix4::setTranslation(const Tuple3& v)
{
    setTranslationXYZ(v.x, v.y, v.z);
}

void Matrix4::setRotationIdentity()
{
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[4 * r + c] = identity[3 * r + c];
}

void Matrix4::setRotationRows(const float rows[9])
{
    setIdentity();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[4 * r + c] = rows[3 * r + c];
}

void Matrix4::setFromQuaternion(const Quaternion& q)
{
    float x = q.x, y = q.y, z = q.z, w = q.w;
    const float rows[9] = {
        1 - 2 * y * y - 2 * z * z, 2 * (x * y - w * z),       2 * (x * z + w * y),
        2 * (x * y + w * z),       1 - 2 * x * x - 2 * z * z, 2 * (y * z - w * x),
        2 * (x * z - w * y),       2 * (y * z + w * x),       1 - 2 * x * x - 2 * y * y,
    };
    setRotationRows(rows);
}

void Matrix4::setFromAxisAngle(const AxisAngle& a)
{
    Vector3 axis(a.x, a.y, a.z);
    float l = axis.length();
    if (l < 1e-10f)
    {
        setIdentity();
        return;
    }
    axis.scale(1.0f / l);
    float x = axis.x, y = axis.y, z = axis.z;
    float s = tableSin(a.angle);
    float c = tableCos(a.angle);
    float t = 1.0f - c;
    const float rows[9] = {
        t * x * x + c,     t * x * y - s * z, t * x * z + s * y,
        t * x * y + s * z, t * y * y + c,     t * y * z - s * x,
        t * x * z - s * y, t * y * z + s * x, t * z * z + c,
    };
    setRotationRows(rows);
}

void Matrix4::rotX(float angle)
{
    float s = tableSin(angle), c = tableCos(angle);
    const float rows[9] = {1, 0, 0, 0, c, -s, 0, s, c};
    setRotationRows(rows);
}

void Matrix4::rotY(float angle)
{
    float s = tableSin(angle), c = tableCos(angle);
    const float rows[9] = {c, 0, s, 0, 1, 0, -s, 0, c};
    setRotationRows(rows);
}

void Matrix4::rotZ(float angle)
{
    float s = tableSin(angle), c = tableCos(angle);
    const float rows[9] = {c, -s, 0, s, c, 0, 0, 0, 1};
    setRotationRows(rows);
}

void Matrix4::setRotationAbout(const Tuple3& pivot, const Tuple3& axis, float angle)
{
    if (angle == 0.0f)
    {
        setIdentity();
        return;
    }
    AxisAngle a;
    a.set(axis, angle);
    Matrix4 rotation;
    rotation.setFromAxisAngle(a);
    Matrix4 back;
    back.setToTranslationXYZ(-pivot.x, -pivot.y, -pivot.z);
    setToTranslation(pivot);
    multiply(rotation);
    multiply(back);
}

void Matrix4::multiply(const Matrix4& other)
{
    setProduct(*this, other);
}

void Matrix4::setProduct(const Matrix4& a, const Matrix4& b)
{
    Matrix4 result;
    for (int r = 0; r < 3; ++r)
    {
        for (int c = 0; c < 4; ++c)
        {
            float sum = a.m[4 * r] * b.m[c] + a.m[4 * r + 1] * b.m[4 + c] + a.m[4 * r + 2] * b.m[8 + c];
            result.m[4 * r + c] = c == 3 ? sum + a.m[4 * r + 3] : sum;
        }
    }
    copyFrom(result);
}

bool Matrix4::setInverse(const Matrix4& source)
{
    const float* s = source.m;
    // Cofactors of the 3x3 part
    float c00 = s[5] * s[10] - s[6] * s[9];
    float c01 = s[6] * s[8] - s[4] * s[10];
    float c02 = s[4] * s[9] - s[5] * s[8];
    float det = s[0] * c00 + s[1] * c01 + s[2] * c02;
    if (det == 0.0f || !std::isfinite(det))
    {
        setIdentity();
        return false;
    }
    float k = 1.0f / det;
    Matrix4 inv;
    inv.m[0] = c00 * k;
    inv.m[1] = (s[2] * s[9] - s[1] * s[10]) * k;
    inv.m[2] = (s[1] * s[6] - s[2] * s[5]) * k;
    inv.m[4] = c01 * k;
    inv.m[5] = (s[0] * s[10] - s[2] * s[8]) * k;
    inv.m[6] = (s[2] * s[4] - s[0] * s[6]) * k;
    inv.m[8] = c02 * k;
    inv.m[9] = (s[1] * s[8] - s[0] * s[9]) * k;
    inv.m[10] = (s[0] * s[5] - s[1] * s[4]) * k;
    Tuple3 t(-s[3], -s[7], -s[11]);
    inv.transformVector(t);
    inv.setTranslation(t);
    copyFrom(inv);
    return true;
}

void Matrix4::transformPoint(Tuple3& p) const
{
    transformPointTo(p, p);
}

void Matrix4::transformPointTo(const Tuple3& p, Tuple3& out) const
{
    Tuple3 v;
    transformVectorTo(p, v);
    out.set(v.x + m[3], v.y + m[7], v.z + m[11]);
}

void Matrix4::transformVector(Tuple3& v) const
{
    transformVectorTo(v, v);
}

void Matrix4::transformVectorTo(const Tuple3& v, Tuple3& out) const
{
    float x = m[0] * v.x + m[1] * v.y + m[2] * v.z;
    float y = m[4] * v.x + m[5] * v.y + m[6] * v.z;
    float z = m[8] * v.x + m[9] * v.y + m[10] * v.z;
    out.set(x, y, z);
}

void Matrix4::lookAt(const Vector3& eye, const Vector3& target, const Vector3& up, bool viewMatrix)
{
    Vector3 f, r, u;
    f.setDifference(target, eye);
    f.normalize();
    r.crossNormalized(up, f);
    u.crossNormalized(f, r);
    const Vector3* axes[3] = {&r, &u, &f};
    setIdentity();
    for (int i = 0; i < 3; ++i)
    {
        const float column[3] = {axes[i]->x, axes[i]->y, axes[i]->z};
        for (int j = 0; j < 3; ++j)
        {
            if (viewMatrix)
                m[4 * i + j] = column[j];
            else
                m[4 * j + i] = column[j];
        }
    }
    if (viewMatrix)
        setTranslationXYZ(-r.dot(eye), -u.dot(eye), -f.dot(eye));
    else
        setTranslation(eye);
}
