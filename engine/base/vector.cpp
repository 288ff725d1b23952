// vector.cpp -- tuple arithmetic and the "(x;y;z)" reader
#include "engine/base/vector.h"

#include "engine/base/math_utils.h"

#include <os/wstring.h>

#include <cmath>
#include <string>

void Tuple2::set(float x_, float y_)
{
    x = x_;
    y = y_;
}

void Tuple2::setDifference(const Tuple2& a, const Tuple2& b)
{
    set(a.x - b.x, a.y - b.y);
}

void Tuple2::scale(float s)
{
    x *= s;
    y *= s;
}

void Tuple3::set(float x_, float y_, float z_)
{
    x = x_;
    y = y_;
    z = z_;
}

void Tuple3::copyFrom(const Tuple3& t)
{
    set(t.x, t.y, t.z);
}

void Tuple3::setFromFixed(int ix, int iy, int iz)
{
    float s = inverseFixedScale();
    set(float(ix) * s, float(iy) * s, float(iz) * s);
}

void Tuple3::setSum(const Tuple3& a, const Tuple3& b)
{
    set(a.x + b.x, a.y + b.y, a.z + b.z);
}

void Tuple3::add(const Tuple3& t)
{
    setSum(*this, t);
}

void Tuple3::setDifference(const Tuple3& a, const Tuple3& b)
{
    set(a.x - b.x, a.y - b.y, a.z - b.z);
}

void Tuple3::subtract(const Tuple3& t)
{
    setDifference(*this, t);
}

void Tuple3::setScaled(float s, const Tuple3& t)
{
    set(s * t.x, s * t.y, s * t.z);
}

void Tuple3::scale(float s)
{
    setScaled(s, *this);
}

float Vector3::length() const
{
    return std::sqrt(lengthSquared());
}

float Vector3::lengthSquared() const
{
    return x * x + y * y + z * z;
}

float Vector3::dot(const Tuple3& v) const
{
    return x * v.x + y * v.y + z * v.z;
}

void Vector3::cross(const Tuple3& a, const Tuple3& b)
{
    set(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

void Vector3::normalize()
{
    float l = length();
    if (l > 0.0f)
        scale(1.0f / l);
}

float Vector3::angle(const Vector3& v) const
{
    float lengths = length() * v.length();
    float c = lengths > 0.0f ? dot(v) / lengths : 1.0f;
    return std::acos(clampFloat(c, -1.0f, 1.0f));
}

void Vector3::interpolate(const Tuple3& target, float t)
{
    Tuple3 step;
    step.setDifference(target, *this);
    step.scale(t);
    add(step);
}

void Vector3::crossNormalized(const Tuple3& a, const Tuple3& b)
{
    cross(a, b);
    normalize();
}

void Vector3::setTriangleNormal(const Tuple3& p0, const Tuple3& p1, const Tuple3& p2)
{
    Tuple3 e0, e1;
    e0.setDifference(p1, p0);
    e1.setDifference(p2, p1);
    crossNormalized(e0, e1);
}

float Vector3::dotNormalized(Vector3& v)
{
    normalize();
    v.normalize();
    return dot(v);
}

void Tuple4::set(float x_, float y_, float z_, float w_)
{
    x = x_;
    y = y_;
    z = z_;
    w = w_;
}

namespace {

bool isVectorPadding(WCHAR c)
{
    return c == u' ' || c == u'\t' || c == u'(' || c == u')';
}

} // namespace

bool parseVector3(const WCHAR* text, Vector3& out)
{
    std::u16string s = text ? text : u"";
    size_t first = 0;
    size_t last = s.size();
    while (first < last && isVectorPadding(s[first]))
        ++first;
    while (last > first && isVectorPadding(s[last - 1]))
        --last;
    s = s.substr(first, last - first);

    float values[3] = {0.0f, 0.0f, 0.0f};
    int count = 0;
    size_t start = 0;
    while (count < 3 && start <= s.size())
    {
        size_t end = s.find(u';', start);
        std::u16string piece = s.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
        values[count++] = float(wcstod(piece.c_str(), nullptr));
        if (end == std::u16string::npos)
            break;
        start = end + 1;
    }
    out.set(values[0], values[1], values[2]);
    return count == 3;
}
