// math_utils.cpp -- tables, fixed-point scale, random numbers, colour arithmetic
#include "engine/base/math_utils.h"

#include <os/sysinfo.h>
#include <os/wstring.h>

#include <cmath>

float sineTable[kMathTableSize];
float cosineTable[kMathTableSize];

namespace {

bool g_tablesReady = false;
int g_fixedShift = 0;
int g_fixedScale = -1;
float g_inverseFixedScale = 0.0f;

// 256 pi keeps the sum positive for every angle above -256 pi; 2048 / pi is
// 4096 steps per turn. Both are taken as floats, as the index rule expects.
constexpr float kAngleOffset = float(256.0 * M_PI);
constexpr float kStepsPerRadian = float(2048.0 / M_PI);

} // namespace

void initMathTables()
{
    if (g_tablesReady)
        return;
    g_tablesReady = true;
    os_srand(GetTickCount());
    for (int i = 0; i < kMathTableSize; ++i)
    {
        double angle = i / double(kStepsPerRadian);
        sineTable[i] = float(std::sin(angle));
        cosineTable[i] = float(std::cos(angle));
    }
    if (g_fixedScale == -1)
        setFixedShift(11);
}

int angleIndex(float angle)
{
    float steps = (angle + kAngleOffset) * kStepsPerRadian;
    // Through a wide signed integer: a negative float never converts to unsigned.
    int64_t whole = std::isfinite(steps) ? int64_t(std::fmax(std::fmin(steps, 1e18f), -1e18f)) : 0;
    return int(uint64_t(whole) & 0xFFF);
}

float tableSin(float angle)
{
    return sineTable[angleIndex(angle)];
}

float tableCos(float angle)
{
    return cosineTable[angleIndex(angle)];
}

void setFixedShift(int shift)
{
    g_fixedShift = shift;
    g_fixedScale = (shift >= 0 && shift < 32) ? int(1u << shift) : 0;
    g_inverseFixedScale = 1.0f / float(g_fixedScale);
}

int fixedShift()
{
    return g_fixedShift;
}

int fixedScale()
{
    return g_fixedScale;
}

float inverseFixedScale()
{
    return g_inverseFixedScale;
}

float clampFloat(float x, float lo, float hi)
{
    if (x < lo)
        return lo;
    if (x > hi)
        return hi;
    return x;
}

float randomFloat(float a, float b)
{
    return a + float(os_rand()) * (1.0f / 32767.0f) * (b - a);
}

int randomInt(int a, int b)
{
    float value = randomFloat(float(a), float(b));
    return value > 0.0f ? int(value + 0.5f) : int(value - 0.5f);
}

uint32_t intSqrt(uint32_t n)
{
    uint32_t root = 0;
    for (uint32_t place = 1u << 30; place != 0; place >>= 2)
    {
        if (n >= root + place)
        {
            n -= root + place;
            root = (root >> 1) + place;
        }
        else
        {
            root >>= 1;
        }
    }
    return root;
}

float scaledSqrt(float x, int bits)
{
    int k = bits / 2;
    double scaled = double(x) * std::ldexp(1.0, 2 * k);
    uint32_t whole = 0;
    if (scaled >= 4294967295.0)
        whole = 0xFFFFFFFFu;
    else if (scaled > 0.0)
        whole = uint32_t(scaled);
    return float(std::ldexp(double(intSqrt(whole)), -k));
}

PowerOfTwo ceilPowerOfTwo(int n)
{
    PowerOfTwo result{1, 0};
    while (result.power < n && result.exponent < 30)
    {
        result.power <<= 1;
        ++result.exponent;
    }
    return result;
}

int nearestPowerOfTwoLog2(int n)
{
    if (n <= 1)
        return 0;
    PowerOfTwo upper = ceilPowerOfTwo(n);
    int64_t above = int64_t(upper.power) - n;
    int64_t below = n - int64_t(upper.power / 2);
    return above < below ? upper.exponent : upper.exponent - 1;
}

uint32_t packRGB(uint32_t r, uint32_t g, uint32_t b)
{
    return r << 16 | g << 8 | b;
}

uint32_t greyLevel(uint32_t colour)
{
    return (((colour >> 16) & 0xFF) + ((colour >> 8) & 0xFF) + (colour & 0xFF)) / 3;
}

uint32_t invertRGB(uint32_t colour)
{
    return ~colour & 0xFFFFFF;
}

uint32_t addColorSaturated(uint32_t a, uint32_t b)
{
    uint32_t sum = (a & 0xFEFEFF) + (b & 0xFEFEFF);
    uint32_t carries = sum & 0x1010100;
    // Red's carry would land in bit 24, outside the colour.
    return (sum | (carries - (carries >> 8))) & 0xFFFFFF;
}
