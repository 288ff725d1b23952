// matrix4.h -- 4x4 affine transform of the 3D scenes
//
// Row-major: element (row r, column c) is m[4r + c]. Points are column
// vectors (p' = M p); the upper-left 3x3 rotates and scales, m[3], m[7] and
// m[11] translate, and the bottom row stays 0, 0, 0, 1. Products are affine:
// the other matrix's bottom row is never read. Every operation may be given
// the same object as input and output.
#pragma once

#include "engine/base/quaternion.h"
#include "engine/base/vector.h"

struct Matrix4
{
    float m[16] = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};

    void setIdentity();
    void copyFrom(const Matrix4& other);
    void setToTranslationXYZ(float x, float y, float z);
    void setToTranslation(const Tuple3& v);
    void getTranslation(Tuple3& out) const;
    void setTranslationXYZ(float x, float y, float z);
    void setTranslation(const Tuple3& v);
    // Upper-left 3x3 := identity; translation and bottom row untouched
    void setRotationIdentity();

    void setFromQuaternion(const Quaternion& q);
    // Rodrigues' rotation with table sine and cosine; a zero axis gives the identity
    void setFromAxisAngle(const AxisAngle& a);
    void rotX(float angle);
    void rotY(float angle);
    void rotZ(float angle);
    // T(pivot) R(axis, angle) T(-pivot)
    void setRotationAbout(const Tuple3& pivot, const Tuple3& axis, float angle);

    // this := this * other
    void multiply(const Matrix4& other);
    // this := a * b
    void setProduct(const Matrix4& a, const Matrix4& b);
    // this := the inverse of the affine map m; false (and the identity) when
    // its 3x3 part is singular
    bool setInverse(const Matrix4& source);

    void transformPoint(Tuple3& p) const;
    void transformPointTo(const Tuple3& p, Tuple3& out) const;
    void transformVector(Tuple3& v) const;
    void transformVectorTo(const Tuple3& v, Tuple3& out) const;

    // viewMatrix: rows r, u, f and translation (-r.eye, -u.eye, -f.eye);
    // otherwise columns r, u, f and translation eye.
    void lookAt(const Vector3& eye, const Vector3& target, const Vector3& up, bool viewMatrix);

private:
    void setRotationRows(const float rows[9]);
};
