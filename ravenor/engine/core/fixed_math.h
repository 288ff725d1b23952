// fixed_math.h -- integer numbers of the city engine: tables, square root, arc tangent, Vector4s
//
// Number formats:
//   Q14    signed 16-bit, 0x4000 (16384) is 1.0; a product of two Q14 values is
//          formed in 32 bits and shifted right (arithmetically) by 14.
//   angles the game turns in 4096 units per turn (FixedAtan2 answers in them);
//          the rotation operations of Orientation and Transform take 2048 units
//          per turn (the low 11 bits), so callers halve game angles first.
//
// All arithmetic is 32-bit and wraps like the device's ARM registers; the few
// places where an intermediate really can leave 32 bits say so.
#pragma once

#include <array>
#include <cstdint>

// ---- wrap-around helpers: 32-bit two's complement, defined for every input ----
inline int32_t WrapMul(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

inline int32_t WrapAdd(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

inline int32_t WrapSub(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// a0*b0 + a1*b1 + a2*b2 as one 32-bit sum
inline int32_t Dot3(int32_t a0, int32_t b0, int32_t a1, int32_t b1, int32_t a2, int32_t b2)
{
    return WrapAdd(WrapAdd(WrapMul(a0, b0), WrapMul(a1, b1)), WrapMul(a2, b2));
}

// ---- tables ----

namespace fixed_math_detail {

// Floor of the square root of n in integers only, so that the table below is
// exact on every host and is built by the compiler.
constexpr uint64_t IntegerSqrt(uint64_t n)
{
    uint64_t r = 0;
    uint64_t bit = uint64_t{1} << 62;
    while (bit > n)
        bit >>= 2;
    while (bit != 0)
    {
        if (n >= r + bit)
        {
            n -= r + bit;
            r = (r >> 1) + bit;
        }
        else
        {
            r >>= 1;
        }
        bit >>= 2;
    }
    return r;
}

// Nearest integer to sqrt(i) * 1024 = sqrt(i * 2^20). With r the floor, the
// exact root lies above r + 0.5 exactly when n > r * r + r (n is an integer,
// so there are no ties).
constexpr std::array<uint16_t, 4096> MakeSqrtTable()
{
    std::array<uint16_t, 4096> table{};
    for (uint64_t i = 0; i < 4096; ++i)
    {
        uint64_t n = i << 20;
        uint64_t r = IntegerSqrt(n);
        if (n > r * r + r)
            ++r;
        table[i] = static_cast<uint16_t>(r);
    }
    return table;
}

} // namespace fixed_math_detail

// Nearest integer to sqrt(i) * 1024, stored with the program.
inline constexpr std::array<uint16_t, 4096> SqrtTable = fixed_math_detail::MakeSqrtTable();
static_assert(SqrtTable[1] == 1024 && SqrtTable[4095] == 65528);

// Filled by BuildTrigTables (called once by PolyRenderer::Init).
extern int16_t SinTable[2048];   // (int)(sin(i * 2pi / 2048) * 16384)
extern int16_t CosTable[2048];   // (int)(cos(i * 2pi / 2048) * 16384)
extern int32_t WaveTable[4096];  // (int)(sin(i * 2pi / 4096) * 4096); cosine at (a + 1024) & 0xfff
extern int32_t AtanTable[1025];  // (int)(atan(i / 1024) * 4096 * K), K just below 1 / 2pi

void BuildTrigTables();

// Integer square root within table precision. The table covers every 32-bit
// unsigned value, so sums of three 16-bit squares (up to 3 * 2^30) are safe.
int32_t FixedSqrt(uint32_t v);

// Angle of the vector (x, y) in 4096 units per turn: 0..4095, and 4096 for a
// negative y that is tiny against a positive x (mask with 0xfff before indexing
// a 4096-entry table). Any 32-bit inputs are accepted.
int32_t FixedAtan2(int32_t y, int32_t x);

// ---- Vector4s ----

// x, y, z and a fourth word that belongs to the owner (mesh vertices keep their
// shade offset there). As a direction it is Q14: length 16384.
struct Vector4s
{
    int16_t x;
    int16_t y;
    int16_t z;
    int16_t w;

    // x, y, z := (factor * component) >> 14
    void Scale(int32_t factor);
    // Each of x, y, z takes the smaller (Min) or larger (Max) of its value and b's
    void Min(const Vector4s& b);
    void Max(const Vector4s& b);
    // out := (a x b) >> 14 per component; out may be a or b
    static void Cross(const Vector4s& a, const Vector4s& b, Vector4s& out);
    // Scales x, y, z to length 16384; a zero vector stays as it is
    void Normalize();
};
static_assert(sizeof(Vector4s) == 8);
