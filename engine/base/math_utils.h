// math_utils.h -- the engine's process-wide numeric services
//
// Sine and cosine tables (4096 steps per turn) behind every table-driven
// rotation, the fixed-point scale where floats meet the integer renderer,
// random numbers from the 15-bit os_rand, integer square roots, power-of-two
// helpers for texture sizes and arithmetic on 0xRRGGBB colours.
#pragma once

#include <cstdint>

constexpr int kMathTableSize = 4096;

extern float sineTable[kMathTableSize];
extern float cosineTable[kMathTableSize];

// Once per process (later calls do nothing): seeds os_rand with the tick
// count, fills the tables and sets the fixed shift to 11 unless one is set.
void initMathTables();

// Table index of an angle in radians (wraps every 2 pi above -256 pi).
int angleIndex(float angle);
float tableSin(float angle);
float tableCos(float angle);

// Fixed-point scale 2^shift (0 for shifts of 32 and more).
void setFixedShift(int shift);
int fixedShift();
int fixedScale(); // -1 until a shift is set
float inverseFixedScale();
constexpr int kFixed16Scale = 65536;
constexpr float kFixed16Inverse = 1.0f / 65536.0f;

float clampFloat(float x, float lo, float hi);

// a + rand / 32767 * (b - a); randomInt rounds half away from zero, so both
// ends are reachable.
int randomInt(int a, int b);
float randomFloat(float a, float b);

// Floor of the square root, bit by bit.
uint32_t intSqrt(uint32_t n);
// Square root of x taken with `bits` fractional bits of precision.
float scaledSqrt(float x, int bits);

struct PowerOfTwo
{
    int power;
    int exponent;
};
// Smallest power of two >= n ((1, 0) below 2; at most 2^30).
PowerOfTwo ceilPowerOfTwo(int n);
// Exponent of the power of two nearest to n (a tie takes the smaller).
int nearestPowerOfTwoLog2(int n);

uint32_t packRGB(uint32_t r, uint32_t g, uint32_t b);
uint32_t greyLevel(uint32_t colour);
uint32_t invertRGB(uint32_t colour);
// Channel-wise add that saturates at 255; the low bit of red and green is
// dropped first so that the carry of the channel below can land there.
uint32_t addColorSaturated(uint32_t a, uint32_t b);
