// fixed_math.cpp -- the lookup tables and the scalar and vector operations
#include "ravenor/engine/core/fixed_math.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "ravenor/engine/core/log.h"

namespace {

// The factor of the arc tangent table, given by its exact bits: slightly below
// 1 / 2pi, which makes the entry of atan(1) come out as 511 rather than 512.
double AtanFactor()
{
    const uint64_t bits = 0x3FC45F306446F9B4ull;
    double k;
    std::memcpy(&k, &bits, sizeof k);
    return k;
}

// Truncation toward zero, saturating at the 32-bit range.
int32_t TruncateToInt(double v)
{
    if (!(v == v))
        return 0;
    if (v >= 2147483647.0)
        return INT32_MAX;
    if (v <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

} // namespace

int16_t SinTable[2048];
int16_t CosTable[2048];
int32_t WaveTable[4096];
int32_t AtanTable[1025];

void BuildTrigTables()
{
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < 2048; ++i)
    {
        double a = i * 2.0 * pi / 2048.0;
        SinTable[i] = static_cast<int16_t>(TruncateToInt(std::sin(a) * 16384.0));
        CosTable[i] = static_cast<int16_t>(TruncateToInt(std::cos(a) * 16384.0));
    }
    for (int i = 0; i < 4096; ++i)
    {
        double a = i * 2.0 * pi / 4096.0;
        // Narrowed to 16 bits and kept sign-extended in the 32-bit word
        WaveTable[i] = static_cast<int16_t>(TruncateToInt(std::sin(a) * 4096.0));
    }
    const double k = AtanFactor();
    for (int i = 0; i <= 1024; ++i)
        AtanTable[i] = TruncateToInt(std::atan(i / 1024.0) * 4096.0 * k);
}

int32_t FixedSqrt(uint32_t v)
{
    if (v < 0x10000)
    {
        if (v & 0xF000)
            return SqrtTable[v >> 4] >> 8;
        return SqrtTable[v] >> 10;
    }
    if (v & 0xFF000000)
        return SqrtTable[v >> 20];
    return SqrtTable[v >> 12] >> 4;
}

int32_t FixedAtan2(int32_t y, int32_t x)
{
    // The quotients are formed in 64 bits: each branch divides the smaller
    // magnitude by the larger, so the table index stays within 0..1024 for any
    // input, where 32-bit shifts would overflow for large vectors.
    const int32_t* t = AtanTable;
    int64_t ly = y;
    int64_t lx = x;
    if (lx == 0)
        return ly > 0 ? 1024 : 3072;
    if (lx > 0)
    {
        if (ly >= 0)
        {
            if (lx < ly)
                return 1024 - t[(lx << 10) / ly];
            return t[(ly << 10) / lx];
        }
        int64_t c = -ly;
        if (lx >= c)
            return 4096 - t[(c << 10) / lx];
        return 3072 + t[(lx << 10) / c];
    }
    int64_t b = -lx;
    if (ly >= 0)
    {
        if (b >= ly)
            return 2048 - t[(ly << 10) / b];
        return 1024 + t[(b << 10) / ly];
    }
    int64_t c = -ly;
    if (b < c)
        return 3072 - t[(b << 10) / c];
    return 2048 + t[(c << 10) / b];
}

void Vector4s::Scale(int32_t factor)
{
    x = static_cast<int16_t>(WrapMul(factor, x) >> 14);
    y = static_cast<int16_t>(WrapMul(factor, y) >> 14);
    z = static_cast<int16_t>(WrapMul(factor, z) >> 14);
}

void Vector4s::Min(const Vector4s& b)
{
    if (b.x < x)
        x = b.x;
    if (b.y < y)
        y = b.y;
    if (b.z < z)
        z = b.z;
}

void Vector4s::Max(const Vector4s& b)
{
    if (b.x > x)
        x = b.x;
    if (b.y > y)
        y = b.y;
    if (b.z > z)
        z = b.z;
}

void Vector4s::Cross(const Vector4s& a, const Vector4s& b, Vector4s& out)
{
    int32_t cx = WrapSub(a.y * b.z, b.y * a.z) >> 14;
    int32_t cy = WrapSub(b.x * a.z, a.x * b.z) >> 14;
    int32_t cz = WrapSub(b.y * a.x, b.x * a.y) >> 14;
    out.x = static_cast<int16_t>(cx);
    out.y = static_cast<int16_t>(cy);
    out.z = static_cast<int16_t>(cz);
}

void Vector4s::Normalize()
{
    // Three 16-bit squares reach 3 * 2^30: summed unsigned, they cannot turn
    // negative the way a signed 32-bit sum would.
    uint32_t sum = static_cast<uint32_t>(x * x) + static_cast<uint32_t>(y * y) + static_cast<uint32_t>(z * z);
    int32_t len = FixedSqrt(sum);
    if (len == 0)
    {
        Log("Vector4s::Normalize - divide by zero\n");
        return;
    }
    x = static_cast<int16_t>((x * 16384) / len);
    y = static_cast<int16_t>((y * 16384) / len);
    z = static_cast<int16_t>((z * 16384) / len);
}
