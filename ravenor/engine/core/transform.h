// transform.h -- placements: Transform, Orientation and the MatrixStack
//
// Matrices are three rows of three Q14 entries; row k is the image of local
// axis k, so a local point p lands at p.x * row0 + p.y * row1 + p.z * row2 + t.
// Multiply(other) makes "this := other applied in this one's local frame": a
// point is placed by other first, then by this.
//
// Rotation angles here are 2048 units per turn (the low 11 bits are used).
#pragma once

#include <cstdint>
#include <vector>

#include "ravenor/engine/core/fixed_math.h"

struct Orientation;

// A mesh placement; 24 bytes, also the record of a ".p3d" mesh.
struct Transform
{
    int16_t m[9];
    int16_t t[3];

    static void Copy(Transform& destination, const Transform& source);
    // The matrix and the low 16 bits of each translation word
    void SetFromOrientation(const Orientation& o);
    void SetIdentity();
    void Multiply(const Transform& other);
    // out[0], out[1] of the placed point (rotation and translation)
    void ApplyXY(const int16_t p[3], int32_t out[3]) const
    {
        out[0] = WrapAdd(Dot3(p[0], m[0], p[1], m[3], p[2], m[6]) >> 14, t[0]);
        out[1] = WrapAdd(Dot3(p[0], m[1], p[1], m[4], p[2], m[7]) >> 14, t[1]);
    }
    // out[2] of the placed point
    void ApplyZ(const int16_t p[3], int32_t out[3]) const
    {
        out[2] = WrapAdd(Dot3(p[0], m[2], p[1], m[5], p[2], m[8]) >> 14, t[2]);
    }
    // Rotation only
    void Rotate(const int16_t v[3], int16_t out[3]) const;
    // t += a * row0 + b * row1 + c * row2, each product shifted by 14 on its own
    void TranslateLocal(int32_t a, int32_t b, int32_t c);
    void SetRotationX(int32_t angle);
    void SetRotationY(int32_t angle);
    void RotateX(int32_t angle);
    void RotateY(int32_t angle);
};
static_assert(sizeof(Transform) == 24);

// The placement of an entity or the camera: Q14 matrix, 32-bit translation.
// Rows are reached by number (GetRow, SetRow) rather than through references
// kept inside the record, so a copied Orientation is as good as the original.
struct Orientation
{
    int16_t m[9];
    int32_t t[3] = {0, 0, 0};

    Orientation();

    void SetIdentity();
    // Matrix and translation
    static void Assign(Orientation& destination, const Orientation& source);
    // As Assign; nothing happens when both are the same record
    static void Copy(Orientation& destination, const Orientation& source);
    // t += (a * row0 + b * row1 + c * row2) >> 14, per component, 32-bit
    void TranslateLocal(int32_t a, int32_t b, int32_t c);
    void SetRotationX(int32_t angle);
    void SetRotationY(int32_t angle);
    void SetRotationZ(int32_t angle);
    // A turn about the Orientation's own axis
    void RotateX(int32_t angle);
    void RotateY(int32_t angle);
    void RotateZ(int32_t angle);
    void Multiply(const Orientation& other);
    // As Multiply, with the other's translation entering as (-x, y, z)
    void MultiplyFlipX(const Orientation& other);
    // out = v.x * row0 + v.y * row1 + v.z * row2, each component >> 14
    void RotateVector(const int32_t v[3], int32_t out[3]) const;
    void Transpose();
    void Orthonormalize();

    // Row k (0..2) as a vector (w is 0), and back
    Vector4s GetRow(int k) const;
    void SetRow(int k, const Vector4s& row);
};

// A stack of Transforms of fixed capacity; the game uses one of capacity 4.
struct MatrixStack
{
    std::vector<Transform> slots;
    Transform* top = nullptr;
    int32_t capacity = 0;
    int32_t depth = 0;

    void Init(int32_t size);
    // depth + 1; the new level starts as a copy of the one below. At full
    // capacity nothing is written and the top stays where it was.
    void Push();
    // depth - 1; the top goes back to the level below while one exists.
    void Pop();
};
