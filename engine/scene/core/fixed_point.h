// fixed_point.h -- integer conversions of the 3D code that never overflow
#pragma once

#include <cstdint>

// Float to integer with truncation toward zero, saturating at the 32-bit
// range; NaN gives 0.
inline int32_t saturatingInt(double value)
{
    if (value >= 2147483647.0)
        return INT32_MAX;
    if (value <= -2147483648.0)
        return INT32_MIN;
    return value == value ? int32_t(value) : 0;
}

// A 64-bit intermediate brought back into 32 bits, saturating.
inline int32_t clamp32(int64_t v)
{
    return v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : int32_t(v));
}

// The largest k with 2^k <= n (0 for n <= 1).
inline int floorLog2(int n)
{
    int k = 0;
    while (n > 1)
    {
        n >>= 1;
        ++k;
    }
    return k;
}
