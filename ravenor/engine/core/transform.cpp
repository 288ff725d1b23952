// transform.cpp -- Transform, Orientation and MatrixStack
#include "ravenor/engine/core/transform.h"

#include <cstring>

namespace {

const int16_t kIdentity[9] = {0x4000, 0, 0, 0, 0x4000, 0, 0, 0, 0x4000};

void RotationX(int16_t m[9], int32_t angle)
{
    int16_t s = SinTable[angle & 0x7FF];
    int16_t c = CosTable[angle & 0x7FF];
    const int16_t r[9] = {0x4000, 0, 0, 0, c, s, 0, static_cast<int16_t>(-s), c};
    std::memcpy(m, r, sizeof r);
}

void RotationY(int16_t m[9], int32_t angle)
{
    int16_t s = SinTable[angle & 0x7FF];
    int16_t c = CosTable[angle & 0x7FF];
    const int16_t r[9] = {c, 0, static_cast<int16_t>(-s), 0, 0x4000, 0, s, 0, c};
    std::memcpy(m, r, sizeof r);
}

void RotationZ(int16_t m[9], int32_t angle)
{
    int16_t s = SinTable[angle & 0x7FF];
    int16_t c = CosTable[angle & 0x7FF];
    const int16_t r[9] = {c, s, 0, static_cast<int16_t>(-s), c, 0, 0, 0, 0x4000};
    std::memcpy(m, r, sizeof r);
}

// a := b applied in a's frame: new row i = sum over j of b(i, j) * row j of a
void MultiplyRows(int16_t a[9], const int16_t b[9])
{
    int16_t r[9];
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k)
            r[3 * i + k] = static_cast<int16_t>(Dot3(b[3 * i], a[k], b[3 * i + 1], a[3 + k], b[3 * i + 2], a[6 + k]) >> 14);
    std::memcpy(a, r, sizeof r);
}

// Component k of v.x * row0 + v.y * row1 + v.z * row2, shifted by 14
int32_t RowSum(const int16_t m[9], int k, int32_t vx, int32_t vy, int32_t vz)
{
    return Dot3(vx, m[k], vy, m[3 + k], vz, m[6 + k]) >> 14;
}

} // namespace

// ---- Transform ----

void Transform::Copy(Transform& destination, const Transform& source)
{
    destination = source;
}

void Transform::SetFromOrientation(const Orientation& o)
{
    std::memcpy(m, o.m, sizeof m);
    for (int k = 0; k < 3; ++k)
        t[k] = static_cast<int16_t>(o.t[k]);
}

void Transform::SetIdentity()
{
    std::memcpy(m, kIdentity, sizeof m);
    t[0] = t[1] = t[2] = 0;
}

void Transform::Multiply(const Transform& other)
{
    int32_t move[3];
    for (int k = 0; k < 3; ++k)
        move[k] = RowSum(m, k, other.t[0], other.t[1], other.t[2]);
    for (int k = 0; k < 3; ++k)
        t[k] = static_cast<int16_t>(t[k] + move[k]);
    MultiplyRows(m, other.m);
}

void Transform::Rotate(const int16_t v[3], int16_t out[3]) const
{
    int16_t r[3];
    for (int k = 0; k < 3; ++k)
        r[k] = static_cast<int16_t>(RowSum(m, k, v[0], v[1], v[2]));
    std::memcpy(out, r, sizeof r);
}

void Transform::TranslateLocal(int32_t a, int32_t b, int32_t c)
{
    for (int k = 0; k < 3; ++k)
    {
        int32_t move = WrapAdd(WrapAdd(WrapMul(a, m[k]) >> 14, WrapMul(b, m[3 + k]) >> 14), WrapMul(c, m[6 + k]) >> 14);
        t[k] = static_cast<int16_t>(t[k] + move);
    }
}

void Transform::SetRotationX(int32_t angle)
{
    RotationX(m, angle);
}

void Transform::SetRotationY(int32_t angle)
{
    RotationY(m, angle);
}

void Transform::RotateX(int32_t angle)
{
    Transform turn;
    turn.SetIdentity();
    turn.SetRotationX(angle);
    Multiply(turn);
}

void Transform::RotateY(int32_t angle)
{
    Transform turn;
    turn.SetIdentity();
    turn.SetRotationY(angle);
    Multiply(turn);
}

// ---- Orientation ----

Orientation::Orientation()
{
    SetIdentity();
}

void Orientation::SetIdentity()
{
    std::memcpy(m, kIdentity, sizeof m);
}

void Orientation::Assign(Orientation& destination, const Orientation& source)
{
    std::memmove(destination.m, source.m, sizeof destination.m);
    std::memmove(destination.t, source.t, sizeof destination.t);
}

void Orientation::Copy(Orientation& destination, const Orientation& source)
{
    if (&destination == &source)
        return;
    Assign(destination, source);
}

void Orientation::TranslateLocal(int32_t a, int32_t b, int32_t c)
{
    for (int k = 0; k < 3; ++k)
        t[k] = WrapAdd(t[k], RowSum(m, k, a, b, c));
}

void Orientation::SetRotationX(int32_t angle)
{
    RotationX(m, angle);
}

void Orientation::SetRotationY(int32_t angle)
{
    RotationY(m, angle);
}

void Orientation::SetRotationZ(int32_t angle)
{
    RotationZ(m, angle);
}

void Orientation::RotateX(int32_t angle)
{
    Orientation turn;
    turn.SetRotationX(angle);
    Multiply(turn);
}

void Orientation::RotateY(int32_t angle)
{
    Orientation turn;
    turn.SetRotationY(angle);
    Multiply(turn);
}

void Orientation::RotateZ(int32_t angle)
{
    Orientation turn;
    turn.SetRotationZ(angle);
    Multiply(turn);
}

void Orientation::Multiply(const Orientation& other)
{
    int32_t move[3];
    for (int k = 0; k < 3; ++k)
        move[k] = RowSum(m, k, other.t[0], other.t[1], other.t[2]);
    for (int k = 0; k < 3; ++k)
        t[k] = WrapAdd(t[k], move[k]);
    MultiplyRows(m, other.m);
}

void Orientation::MultiplyFlipX(const Orientation& other)
{
    int32_t move[3];
    for (int k = 0; k < 3; ++k)
        move[k] = RowSum(m, k, WrapSub(0, other.t[0]), other.t[1], other.t[2]);
    for (int k = 0; k < 3; ++k)
        t[k] = WrapAdd(t[k], move[k]);
    MultiplyRows(m, other.m);
}

void Orientation::RotateVector(const int32_t v[3], int32_t out[3]) const
{
    int32_t r[3];
    for (int k = 0; k < 3; ++k)
        r[k] = RowSum(m, k, v[0], v[1], v[2]);
    std::memcpy(out, r, sizeof r);
}

void Orientation::Transpose()
{
    int16_t a = m[1];
    m[1] = m[3];
    m[3] = a;
    a = m[2];
    m[2] = m[6];
    m[6] = a;
    a = m[5];
    m[5] = m[7];
    m[7] = a;
}

void Orientation::Orthonormalize()
{
    Vector4s row0 = GetRow(0);
    Vector4s row1 = GetRow(1);
    Vector4s row2;
    row0.Normalize();
    Vector4s::Cross(row0, row1, row2);
    row2.Normalize();
    Vector4s::Cross(row2, row0, row1);
    SetRow(0, row0);
    SetRow(1, row1);
    SetRow(2, row2);
}

Vector4s Orientation::GetRow(int k) const
{
    return Vector4s{m[3 * k], m[3 * k + 1], m[3 * k + 2], 0};
}

void Orientation::SetRow(int k, const Vector4s& row)
{
    m[3 * k] = row.x;
    m[3 * k + 1] = row.y;
    m[3 * k + 2] = row.z;
}

// ---- MatrixStack ----

void MatrixStack::Init(int32_t size)
{
    capacity = size > 0 ? size : 1;
    slots.assign(static_cast<size_t>(capacity), Transform{});
    depth = 0;
    slots[0].SetIdentity();
    top = &slots[0];
}

void MatrixStack::Push()
{
    ++depth;
    // A level outside the slots (past the capacity, or still below 0 after
    // extra pops) is counted but never written or read.
    if (depth > 0 && depth < capacity)
    {
        slots[depth] = slots[depth - 1];
        top = &slots[depth];
    }
}

void MatrixStack::Pop()
{
    --depth;
    if (depth >= 0 && depth < capacity)
        top = &slots[depth];
}
