// math_utils_test.cpp -- angle tables, random ranges, roots, powers of two, colours
#include "engine/base/math_utils.h"

#include <os/wstring.h>

#include <gtest/gtest.h>

#include <cmath>
#include "os/testing/kernel.h"

namespace {

int g_nextRand = 0;
int fixedRand()
{
    return g_nextRand;
}

struct RandHook
{
    RandHook() { os::set_rand_hook(fixedRand); }
    ~RandHook() { os::set_rand_hook(nullptr); }
};

} // namespace

TEST(MathTables, AngleIndexTable)
{
    const struct
    {
        float angle;
        int index;
    } cases[] = {
        {0.0f, 0},
        {float(M_PI / 2), 1024},
        {float(-M_PI / 2), 3072},
        {float(M_PI), 2048},
        {float(2 * M_PI), 0},
        {float(-300 * M_PI), 0}, // below -256 pi: no wrapping, the sum is negative
        {NAN, 0},
    };
    for (const auto& c : cases)
    {
        int index = angleIndex(c.angle);
        EXPECT_GE(index, 0);
        EXPECT_LT(index, kMathTableSize);
        if (c.angle > -256 * M_PI)
        {
            EXPECT_EQ(index, c.index) << "angle " << c.angle;
        }
    }
}

TEST(MathTables, TablesHoldSineAndCosineAndInitOnce)
{
    initMathTables();
    EXPECT_FLOAT_EQ(sineTable[0], 0.0f);
    EXPECT_NEAR(sineTable[1024], 1.0f, 1e-6f);
    EXPECT_NEAR(cosineTable[2048], -1.0f, 1e-6f);
    EXPECT_NEAR(tableSin(float(M_PI / 6)), 0.5f, 2e-3f);
    EXPECT_EQ(fixedScale(), 2048);
    EXPECT_FLOAT_EQ(inverseFixedScale(), 1.0f / 2048.0f);

    // A later call keeps a shift chosen meanwhile.
    setFixedShift(12);
    initMathTables();
    EXPECT_EQ(fixedScale(), 4096);
    setFixedShift(32);
    EXPECT_EQ(fixedScale(), 0);
    setFixedShift(11);
}

TEST(MathRandom, RandomIntReachesBothEndsAndStaysInRange)
{
    RandHook hook;
    const struct
    {
        int a, b, rand, expected;
    } cases[] = {
        {0, 1, 32767, 1}, {0, 1, 16383, 0}, {0, 1, 16384, 1}, {0, 1, 0, 0},
        {-3, 3, 0, -3},   {-3, 3, 32767, 3}, {10, 20, 32767, 20}, {5, 5, 1234, 5},
    };
    for (const auto& c : cases)
    {
        g_nextRand = c.rand;
        EXPECT_EQ(randomInt(c.a, c.b), c.expected) << c.a << ".." << c.b << " rand " << c.rand;
    }
    for (g_nextRand = 0; g_nextRand <= 32767; g_nextRand += 97)
    {
        int v = randomInt(-3, 3);
        ASSERT_GE(v, -3);
        ASSERT_LE(v, 3);
    }
    g_nextRand = 32767;
    EXPECT_FLOAT_EQ(randomFloat(2.0f, 4.0f), 4.0f);
    g_nextRand = 0;
    EXPECT_FLOAT_EQ(randomFloat(2.0f, 4.0f), 2.0f);
}

TEST(MathRoots, IntSqrtAndScaledSqrt)
{
    const struct
    {
        uint32_t n, root;
    } cases[] = {{0, 0}, {1, 1}, {15, 3}, {16, 4}, {17, 4}, {65535u * 65535u, 65535}, {0xFFFFFFFFu, 65535}};
    for (const auto& c : cases)
        EXPECT_EQ(intSqrt(c.n), c.root) << c.n;
    EXPECT_FLOAT_EQ(scaledSqrt(2.0f, 16), 1.4140625f); // floor(sqrt(2 << 16)) / 256
    EXPECT_FLOAT_EQ(scaledSqrt(9.0f, 0), 3.0f);
    EXPECT_FLOAT_EQ(scaledSqrt(-4.0f, 8), 0.0f);
    EXPECT_FLOAT_EQ(scaledSqrt(1e30f, 8), 4095.9375f); // saturates instead of wrapping
}

TEST(MathPowers, CeilAndNearestPowerOfTwo)
{
    const struct
    {
        int n, power, exponent, nearest;
    } cases[] = {
        {-5, 1, 0, 0}, {0, 1, 0, 0}, {1, 1, 0, 0}, {2, 2, 1, 1}, {3, 4, 2, 1}, {5, 8, 3, 2},
        {6, 8, 3, 2},  {7, 8, 3, 3}, {64, 64, 6, 6}, {100, 128, 7, 7},
    };
    for (const auto& c : cases)
    {
        PowerOfTwo p = ceilPowerOfTwo(c.n);
        EXPECT_EQ(p.power, c.power) << c.n;
        EXPECT_EQ(p.exponent, c.exponent) << c.n;
        EXPECT_EQ(nearestPowerOfTwoLog2(c.n), c.nearest) << c.n;
    }
    EXPECT_EQ(ceilPowerOfTwo(0x7FFFFFFF).exponent, 30);
}

TEST(MathColours, ColourArithmetic)
{
    EXPECT_EQ(packRGB(0x12, 0x34, 0x56), 0x123456u);
    EXPECT_EQ(greyLevel(0x0A141E), 20u);
    EXPECT_EQ(greyLevel(0xFFFFFF), 255u);
    EXPECT_EQ(invertRGB(0xFF123456), 0xEDCBA9u);
    const struct
    {
        uint32_t a, b, sum;
    } cases[] = {
        {0x000080, 0x000080, 0x0001FF}, // blue saturates, its carry stays in green's low bit
        {0x00FF00, 0x000100, 0x00FE00}, // green's low bits are dropped before adding
        {0xFF0000, 0xFF0000, 0xFF0000}, // red saturates and never spills past 24 bits
        {0x102030, 0x010203, 0x102233},
        {0x000000, 0x000000, 0x000000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(addColorSaturated(c.a, c.b), c.sum) << std::hex << c.a << " + " << c.b;
    EXPECT_FLOAT_EQ(clampFloat(5.0f, 0.0f, 1.0f), 1.0f);
    EXPECT_FLOAT_EQ(clampFloat(-5.0f, 0.0f, 1.0f), 0.0f);
    EXPECT_FLOAT_EQ(clampFloat(0.5f, 0.0f, 1.0f), 0.5f);
}
