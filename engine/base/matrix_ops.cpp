// matrix_ops.cpp -- general inverse, rotation between directions, slerp, blends
#include "engine/base/matrix_ops.h"

#include "engine/base/math_utils.h"

#include <cmath>

void invertGeneral(Matrix4& m)
{
    const float* a = m.m;
    // Cofactors of the upper 3 x 3 and the determinant; the matrix is affine.
    float c00 = a[5] * a[10] - a[6] * a[9];
    float c01 = a[6] * a[8] - a[4] * a[10];
    float c02 = a[4] * a[9] - a[5] * a[8];
    float det = a[0] * c00 + a[1] * c01 + a[2] * c02;
    float f;
    if (std::fabs(det) < 1e-10f)
        f = det > 0.0f ? 1e30f : -1e30f;
    else
        f = 1.0f / det;
    float r[12];
    r[0] = c00 * f;
    r[1] = (a[2] * a[9] - a[1] * a[10]) * f;
    r[2] = (a[1] * a[6] - a[2] * a[5]) * f;
    r[4] = c01 * f;
    r[5] = (a[0] * a[10] - a[2] * a[8]) * f;
    r[6] = (a[2] * a[4] - a[0] * a[6]) * f;
    r[8] = c02 * f;
    r[9] = (a[1] * a[8] - a[0] * a[9]) * f;
    r[10] = (a[0] * a[5] - a[1] * a[4]) * f;
    for (int row = 0; row < 3; ++row)
        r[4 * row + 3] = -(r[4 * row] * a[3] + r[4 * row + 1] * a[7] + r[4 * row + 2] * a[11]);
    for (int i = 0; i < 12; ++i)
        m.m[i] = r[i];
    m.m[12] = m.m[13] = m.m[14] = 0.0f;
    m.m[15] = 1.0f;
}

void setRotationFrom(Matrix4& out, const Matrix4& source)
{
    Matrix4 r;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            r.m[4 * row + col] = source.m[4 * row + col];
    out = r;
}

void lookAtFrame(Matrix4& out, const Vector3& eye, const Vector3& target, const Vector3& up)
{
    out.lookAt(eye, target, up, false);
}

void setScale2D(Matrix3& m, float s)
{
    m.m[0] = s;
    m.m[4] = s;
}

void setTranslation2D(Matrix3& m, float x, float y)
{
    m.m[2] = x;
    m.m[5] = y;
}

void negate(Vector3& v)
{
    v.set(-v.x, -v.y, -v.z);
}

void setIdentity(Quaternion& q)
{
    q.set(0.0f, 0.0f, 0.0f, 1.0f);
}

void invert(Quaternion& q)
{
    float n = q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w;
    if (n == 0.0f)
        return;
    q.set(-q.x / n, -q.y / n, -q.z / n, q.w / n);
}

void setRotationBetween(Quaternion& q, const Vector3& from, const Vector3& to)
{
    setIdentity(q);
    float lengths = from.length() * to.length();
    if (lengths == 0.0f)
        return;
    float c = std::fmax(-1.0f, std::fmin(1.0f, from.dot(to) / lengths));
    float angle = std::acos(c);
    if (angle < 1e-10f)
        return;
    Vector3 axis;
    axis.cross(from, to);
    float axisLength = axis.length();
    if (axisLength < 1e-10f)
    {
        q.set(0.0f, 0.0f, 0.0f, 0.0f);
        return;
    }
    axis.scale(1.0f / axisLength);
    float s = tableSin(angle * 0.5f);
    q.set(axis.x * s, axis.y * s, axis.z * s, tableCos(angle * 0.5f));
}

void slerpShortest(Quaternion& q, Quaternion& other, float t)
{
    float c = q.x * other.x + q.y * other.y + q.z * other.z + q.w * other.w;
    if (c < 0.0f)
    {
        other.set(-other.x, -other.y, -other.z, -other.w);
        c = -c;
    }
    constexpr float kTwoTableSteps = 2.0f * 6.2831853f / float(kMathTableSize);
    float w0 = 1.0f - t, w1 = t;
    float angle = c < 1.0f ? std::acos(c) : 0.0f;
    if (angle >= kTwoTableSteps)
    {
        float s = tableSin(angle);
        w0 = tableSin((1.0f - t) * angle) / s;
        w1 = tableSin(t * angle) / s;
    }
    q.set(w0 * q.x + w1 * other.x, w0 * q.y + w1 * other.y, w0 * q.z + w1 * other.z, w0 * q.w + w1 * other.w);
}

uint32_t addRGBSaturated(uint32_t a, uint32_t b)
{
    return addColorSaturated(a, b);
}

uint32_t blendRGB(uint32_t a, uint32_t b, int alpha)
{
    if (alpha >= 255)
        return a;
    if (alpha <= 0)
        return b;
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8)
    {
        int ca = int((a >> shift) & 0xFF), cb = int((b >> shift) & 0xFF);
        out |= uint32_t((cb + (((ca - cb) * alpha) >> 8)) & 0xFF) << shift;
    }
    return out;
}
