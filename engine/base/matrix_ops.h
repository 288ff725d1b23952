// matrix_ops.h -- general inverse, rotation between two directions, spherical
// interpolation and colour blending in the form the racing build uses them
//
// These sit beside the Matrix4 / Quaternion members under their own names:
// where an operation of the members already does the same (the camera frame
// is Matrix4::lookAt with viewMatrix false, addRGBSaturated is
// addColorSaturated) the racing code calls the member.
#pragma once

#include "engine/base/matrix3.h"
#include "engine/base/matrix4.h"
#include "engine/base/quaternion.h"
#include "engine/base/vector.h"

#include <cstdint>

// In place, through cofactors: the factor is 1 / det, or +-1e30 when |det| is
// under 1e-10 (a singular matrix gives large but finite entries). The bottom
// row becomes 0, 0, 0, 1.
void invertGeneral(Matrix4& m);
// The upper-left 3 x 3 of source, no translation.
void setRotationFrom(Matrix4& out, const Matrix4& source);
// The camera-to-world frame: columns right, up, forward and translation eye.
void lookAtFrame(Matrix4& out, const Vector3& eye, const Vector3& target, const Vector3& up);

void setScale2D(Matrix3& m, float s);
void setTranslation2D(Matrix3& m, float x, float y);
void negate(Vector3& v);

void setIdentity(Quaternion& q);
// (-x/n, -y/n, -z/n, w/n) with n the squared length; a zero quaternion stays.
void invert(Quaternion& q);
// q := the turn taking direction `from` onto `to` (identity for one
// direction); opposite directions have no axis and give the zero quaternion,
// whose matrix is the identity.
void setRotationBetween(Quaternion& q, const Vector3& from, const Vector3& to);
// q := spherical interpolation from q towards other (negated in place when
// that is the shorter arc). Angles under two sine-table steps interpolate
// linearly: the table's sine of such an angle is 0 or one step off, and
// dividing by it would give NaN or a quaternion far from unit length.
void slerpShortest(Quaternion& q, Quaternion& other, float t);

// The racing build's name of addColorSaturated.
uint32_t addRGBSaturated(uint32_t a, uint32_t b);
// Per channel b + ((a - b) x alpha >> 8); alpha 255 gives a, alpha <= 0 gives b.
uint32_t blendRGB(uint32_t a, uint32_t b, int alpha);
