// vector.h -- two-, three- and four-component float tuples
//
// Plain values: no heap, no virtual operations. Every operation that writes
// this object from other tuples works on local copies, so the output may be
// one of the inputs.
#pragma once

#include <os/types.h>

struct Tuple2
{
    float x = 0.0f;
    float y = 0.0f;

    Tuple2() = default;
    Tuple2(float x_, float y_) : x(x_), y(y_) {}
    void set(float x_, float y_);
    void setDifference(const Tuple2& a, const Tuple2& b);
    void scale(float s);
};

struct Vector2 : Tuple2
{
    using Tuple2::Tuple2;
};

struct Tuple3
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Tuple3() = default;
    Tuple3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    void set(float x_, float y_, float z_);
    void copyFrom(const Tuple3& t);
    // Integers in the engine's fixed point (times the inverse fixed scale)
    void setFromFixed(int ix, int iy, int iz);
    void setSum(const Tuple3& a, const Tuple3& b);
    void add(const Tuple3& t);
    void setDifference(const Tuple3& a, const Tuple3& b);
    void subtract(const Tuple3& t);
    void setScaled(float s, const Tuple3& t);
    void scale(float s);
};

struct Vector3 : Tuple3
{
    using Tuple3::Tuple3;

    float length() const;
    float lengthSquared() const;
    float dot(const Tuple3& v) const;
    void cross(const Tuple3& a, const Tuple3& b);
    // Unchanged when the length is 0
    void normalize();
    // Angle to v in radians; the cosine is clamped to [-1, 1]
    float angle(const Vector3& v) const;
    // this += (target - this) * t
    void interpolate(const Tuple3& target, float t);
    void crossNormalized(const Tuple3& a, const Tuple3& b);
    // normalize((p1 - p0) x (p2 - p1))
    void setTriangleNormal(const Tuple3& p0, const Tuple3& p1, const Tuple3& p2);
    // Normalizes this and v in place, then answers their dot product
    float dotNormalized(Vector3& v);
};

struct Tuple4
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    Tuple4() = default;
    Tuple4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    void set(float x_, float y_, float z_, float w_);
};

// Reads a text "(x;y;z)": blanks, tabs and brackets at both ends are
// ignored, the pieces split at each ';' and read as decimal numbers. Missing
// pieces read as 0; answers true when all three were present.
bool parseVector3(const WCHAR* text, Vector3& out);
