// Tests of the fixed-point tables, scalar functions, vectors and placements
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/engine/core/transform.h"

namespace {

class RavenorFixedMath : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        BuildTrigTables();
    }
};

void ExpectMatrix(const int16_t* m, std::initializer_list<int> want, const char* what)
{
    int i = 0;
    for (int v : want)
    {
        EXPECT_EQ(m[i], v) << what << " entry " << i;
        ++i;
    }
}

TEST_F(RavenorFixedMath, TableEntries)
{
    struct Case
    {
        const char* table;
        int index;
        int32_t want;
    };
    const Case cases[] = {
        {"sqrt", 0, 0},       {"sqrt", 1, 1024},     {"sqrt", 2, 1448},    {"sqrt", 4, 2048},
        {"sqrt", 1024, 32768}, {"sqrt", 4095, 65528},
        {"sin", 0, 0},        {"sin", 512, 16384},   {"sin", 1024, 0},     {"sin", 1536, -16384},
        {"sin", 256, 11585},  {"sin", 1792, -11585}, {"sin", 1, 50},
        {"cos", 0, 16384},    {"cos", 512, 0},       {"cos", 1024, -16384}, {"cos", 256, 11585},
        {"wave", 0, 0},       {"wave", 1024, 4096},  {"wave", 2048, 0},    {"wave", 3072, -4096},
        {"wave", 512, 2896},  {"wave", 3584, -2896},
        {"atan", 0, 0},       {"atan", 1024, 511},   {"atan", 512, 302},
    };
    for (const Case& c : cases)
    {
        int32_t got = 0;
        if (!std::strcmp(c.table, "sqrt"))
            got = SqrtTable[c.index];
        else if (!std::strcmp(c.table, "sin"))
            got = SinTable[c.index];
        else if (!std::strcmp(c.table, "cos"))
            got = CosTable[c.index];
        else if (!std::strcmp(c.table, "wave"))
            got = WaveTable[c.index];
        else
            got = AtanTable[c.index];
        EXPECT_EQ(got, c.want) << c.table << "[" << c.index << "]";
    }
}

TEST_F(RavenorFixedMath, TablesTruncateTowardZero)
{
    // Double precision, truncated, never rounded
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < 2048; ++i)
    {
        ASSERT_EQ(SinTable[i], static_cast<int>(std::sin(i * 2.0 * pi / 2048.0) * 16384.0)) << i;
        ASSERT_EQ(CosTable[i], static_cast<int>(std::cos(i * 2.0 * pi / 2048.0) * 16384.0)) << i;
    }
    for (int i = 0; i < 4096; ++i)
        ASSERT_EQ(WaveTable[i], static_cast<int>(std::sin(i * 2.0 * pi / 4096.0) * 4096.0)) << i;
    for (int i = 1; i <= 1024; ++i)
        ASSERT_GE(AtanTable[i], AtanTable[i - 1]) << i;
    for (int i = 0; i < 4096; ++i)
    {
        double exact = std::sqrt(static_cast<double>(i)) * 1024.0;
        ASSERT_LE(std::fabs(SqrtTable[i] - exact), 0.5) << i;
    }
}

TEST_F(RavenorFixedMath, FixedSqrtValues)
{
    struct Case
    {
        uint32_t v;
        int32_t want;
    };
    const Case cases[] = {
        {0, 0},           {1, 1},          {15, 3},          {16, 4},     {4095, 63},
        {4096, 64},       {65535, 255},    {65536, 256},     {1000000, 999},
        {0x00FFFFFF, 4095}, {0x01000000, 4096}, {1u << 30, 32768}, {0x7FFFFFFF, 46330},
        // beyond 2^31: three 16-bit squares of a full-size vector
        {3u << 30, 56756},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FixedSqrt(c.v), c.want) << "FixedSqrt(" << c.v << ")";
}

TEST_F(RavenorFixedMath, FixedSqrtStaysNearTheRootOnEveryBranch)
{
    // Within table precision: each branch drops low bits of v first, and the
    // last two branches keep 6 or 4 fraction bits of the table entry
    for (uint64_t v = 1; v < (uint64_t{1} << 32); v = v * 5 / 4 + 1)
    {
        double root = std::sqrt(static_cast<double>(v));
        double got = FixedSqrt(static_cast<uint32_t>(v));
        EXPECT_LE(got, root + 1.0) << v;
        EXPECT_GE(got, root * 0.97 - 1.0) << v;
    }
}

TEST_F(RavenorFixedMath, FixedAtan2Values)
{
    struct Case
    {
        int32_t y, x, want;
    };
    const Case cases[] = {
        {1, 0, 1024},    {0, 0, 3072},    {-1, 0, 3072},   {0, 5, 0},       {0, -5, 2048},
        {5, 5, 511},     {-5, 5, 3585},   {5, -5, 1537},   {-5, -5, 2559},  {-1, 2000, 4096},
        {10, 1, 960},    {1, 10, 64},     {10, -1, 1088},  {-1, -10, 2112},
        {-10, 1, 3136},  {-10, -1, 3008}, {-10, -10, 2559},
        // large inputs: quotients formed without 32-bit overflow
        {2000000000, 2000000000, 511}, {-2147483647 - 1, 1, 3072}, {1, -2147483647 - 1, 2048},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FixedAtan2(c.y, c.x), c.want) << "FixedAtan2(" << c.y << ", " << c.x << ")";
}

TEST_F(RavenorFixedMath, FixedAtan2StaysInRangeAndFollowsTheTurn)
{
    for (int a = 0; a < 4096; a += 7)
    {
        double angle = a * 2.0 * 3.14159265358979323846 / 4096.0;
        int32_t x = static_cast<int32_t>(std::lround(std::cos(angle) * 100000.0));
        int32_t y = static_cast<int32_t>(std::lround(std::sin(angle) * 100000.0));
        int32_t got = FixedAtan2(y, x);
        ASSERT_GE(got, 0);
        ASSERT_LE(got, 4096);
        int32_t diff = ((got - a) % 4096 + 4096 + 2048) % 4096 - 2048;
        EXPECT_LE(std::abs(diff), 3) << "angle " << a << " gave " << got;
    }
}

TEST_F(RavenorFixedMath, VectorOperations)
{
    Vector4s v{3, 4, 0, 77};
    v.Normalize();
    EXPECT_EQ(v.x, 9830);
    EXPECT_EQ(v.y, 13107);
    EXPECT_EQ(v.z, 0);
    EXPECT_EQ(v.w, 77) << "the owner's word stays";

    Vector4s zero{0, 0, 0, 5};
    zero.Normalize();
    EXPECT_EQ(zero.x, 0);
    EXPECT_EQ(zero.y, 0);
    EXPECT_EQ(zero.z, 0);

    // A full-size vector: its squares sum past 2^31
    Vector4s big{-32768, -32768, -32768, 0};
    big.Normalize();
    EXPECT_NEAR(big.x, -9459, 8);
    EXPECT_EQ(big.x, big.y);
    EXPECT_EQ(big.y, big.z);

    Vector4s s{16384, -8192, 100, 9};
    s.Scale(8192);
    EXPECT_EQ(s.x, 8192);
    EXPECT_EQ(s.y, -4096);
    EXPECT_EQ(s.z, 50);
    EXPECT_EQ(s.w, 9);
    Vector4s n{-1, 1, 3, 0};
    n.Scale(8192);
    EXPECT_EQ(n.x, -1) << "arithmetic shift rounds toward minus infinity";
    EXPECT_EQ(n.y, 0);
    EXPECT_EQ(n.z, 1);

    Vector4s a{5, -5, 7, 1};
    Vector4s b{3, -2, 9, 2};
    Vector4s lo = a;
    lo.Min(b);
    Vector4s hi = a;
    hi.Max(b);
    EXPECT_EQ(lo.x, 3);
    EXPECT_EQ(lo.y, -5);
    EXPECT_EQ(lo.z, 7);
    EXPECT_EQ(lo.w, 1);
    EXPECT_EQ(hi.x, 5);
    EXPECT_EQ(hi.y, -2);
    EXPECT_EQ(hi.z, 9);
}

TEST_F(RavenorFixedMath, CrossProducts)
{
    struct Case
    {
        Vector4s a, b;
        int16_t x, y, z;
    };
    const Case cases[] = {
        {{16384, 0, 0, 0}, {0, 16384, 0, 0}, 0, 0, 16384},
        {{0, 16384, 0, 0}, {0, 0, 16384, 0}, 16384, 0, 0},
        {{0, 0, 16384, 0}, {16384, 0, 0, 0}, 0, 16384, 0},
        {{0, 16384, 0, 0}, {16384, 0, 0, 0}, 0, 0, -16384},
        {{100, 200, 300, 0}, {400, 500, 600, 0}, -2, 3, -2},
    };
    for (const Case& c : cases)
    {
        Vector4s out{};
        Vector4s::Cross(c.a, c.b, out);
        EXPECT_EQ(out.x, c.x);
        EXPECT_EQ(out.y, c.y);
        EXPECT_EQ(out.z, c.z);
    }
    Vector4s a{16384, 0, 0, 0};
    Vector4s b{0, 16384, 0, 0};
    Vector4s::Cross(a, b, a);
    EXPECT_EQ(a.z, 16384) << "out may be an input";
    EXPECT_EQ(a.x, 0);
}

TEST_F(RavenorFixedMath, RotationMatrices)
{
    Orientation o;
    o.SetRotationY(512);
    ExpectMatrix(o.m, {0, 0, -16384, 0, 16384, 0, 16384, 0, 0}, "RotY 512");
    o.SetRotationX(512);
    ExpectMatrix(o.m, {16384, 0, 0, 0, 0, 16384, 0, -16384, 0}, "RotX 512");
    o.SetRotationZ(512);
    ExpectMatrix(o.m, {0, 16384, 0, -16384, 0, 0, 0, 0, 16384}, "RotZ 512");

    // The tables repeat every 2048 units
    for (int32_t angle : {0, 77, 512, 1500})
    {
        Orientation p, q;
        p.SetRotationX(angle);
        q.SetRotationX(angle + 2048);
        EXPECT_EQ(std::memcmp(p.m, q.m, sizeof p.m), 0) << angle;
        Transform s, t;
        s.SetRotationY(angle);
        t.SetRotationY(angle - 2048);
        EXPECT_EQ(std::memcmp(s.m, t.m, sizeof s.m), 0) << angle;
    }
    Orientation zero;
    zero.SetRotationZ(2048);
    ExpectMatrix(zero.m, {16384, 0, 0, 0, 16384, 0, 0, 0, 16384}, "RotZ 2048");
}

TEST_F(RavenorFixedMath, RotateTurnsAboutTheOwnAxis)
{
    struct Case
    {
        char axis;
        int32_t angle;
    };
    const Case cases[] = {{'x', 512}, {'y', 512}, {'z', 512}, {'x', 300}, {'y', 1000}, {'z', 1999}};
    for (const Case& c : cases)
    {
        Orientation turned;
        turned.t[0] = 5;
        Orientation set;
        switch (c.axis)
        {
        case 'x':
            turned.RotateX(c.angle);
            set.SetRotationX(c.angle);
            break;
        case 'y':
            turned.RotateY(c.angle);
            set.SetRotationY(c.angle);
            break;
        default:
            turned.RotateZ(c.angle);
            set.SetRotationZ(c.angle);
            break;
        }
        EXPECT_EQ(std::memcmp(turned.m, set.m, sizeof set.m), 0) << c.axis << " " << c.angle;
        EXPECT_EQ(turned.t[0], 5) << "the temporary turn has no translation";
    }

    // Turning twice by a quarter about Y gives the half turn
    Orientation twice;
    twice.RotateY(512);
    twice.RotateY(512);
    ExpectMatrix(twice.m, {-16384, 0, 0, 0, 16384, 0, 0, 0, -16384}, "two quarter turns");

    Transform t;
    t.SetIdentity();
    t.t[1] = 3;
    t.RotateY(512);
    ExpectMatrix(t.m, {0, 0, -16384, 0, 16384, 0, 16384, 0, 0}, "Transform RotY");
    EXPECT_EQ(t.t[1], 3);
    t.SetIdentity();
    t.RotateX(512);
    ExpectMatrix(t.m, {16384, 0, 0, 0, 0, 16384, 0, -16384, 0}, "Transform RotX");
}

TEST_F(RavenorFixedMath, MultiplyPlacesByTheOtherFirst)
{
    // A: quarter turn about Y, placed at (100, 0, 0); B: no turn, placed at b.
    // The new translation is A.t + B.t carried through A's rows.
    struct Case
    {
        const char* kind;   // "transform", "orientation" or "flip"
        int32_t b[3];
        int32_t want[3];
    };
    const Case cases[] = {
        {"transform", {16, 0, 0}, {100, 0, -16}},
        {"transform", {0, 5, 32}, {132, 5, 0}},
        {"orientation", {16, 2, 0}, {100, 2, -16}},
        {"orientation", {-8, 0, 4}, {104, 0, 8}},
        {"flip", {16, 2, 0}, {100, 2, 16}},
        {"flip", {-8, 0, 4}, {104, 0, -8}},
    };
    for (const Case& c : cases)
    {
        int32_t got[3];
        int16_t matrix[9];
        if (!std::strcmp(c.kind, "transform"))
        {
            Transform a;
            a.SetIdentity();
            a.SetRotationY(512);
            a.t[0] = 100;
            Transform b;
            b.SetIdentity();
            for (int k = 0; k < 3; ++k)
                b.t[k] = static_cast<int16_t>(c.b[k]);
            a.Multiply(b);
            for (int k = 0; k < 3; ++k)
                got[k] = a.t[k];
            std::memcpy(matrix, a.m, sizeof matrix);
        }
        else
        {
            Orientation a;
            a.SetRotationY(512);
            a.t[0] = 100;
            Orientation b;
            for (int k = 0; k < 3; ++k)
                b.t[k] = c.b[k];
            if (!std::strcmp(c.kind, "flip"))
                a.MultiplyFlipX(b);
            else
                a.Multiply(b);
            std::memcpy(got, a.t, sizeof got);
            std::memcpy(matrix, a.m, sizeof matrix);
        }
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(got[k], c.want[k]) << c.kind << " (" << c.b[0] << "," << c.b[1] << "," << c.b[2] << ") axis " << k;
        ExpectMatrix(matrix, {0, 0, -16384, 0, 16384, 0, 16384, 0, 0}, c.kind);
    }

    // A point placed by (A * B) equals B's point placed by A
    Transform ta;
    ta.SetIdentity();
    ta.SetRotationX(300);
    ta.t[0] = 7;
    ta.t[1] = -40;
    ta.t[2] = 12;
    Transform tb;
    tb.SetIdentity();
    tb.SetRotationY(700);
    tb.t[0] = 50;
    tb.t[1] = 5;
    tb.t[2] = -9;
    Transform ab = ta;
    ab.Multiply(tb);
    const int16_t p[3] = {1000, -200, 300};
    int32_t viaB[3];
    tb.ApplyXY(p, viaB);
    tb.ApplyZ(p, viaB);
    const int16_t q[3] = {static_cast<int16_t>(viaB[0]), static_cast<int16_t>(viaB[1]), static_cast<int16_t>(viaB[2])};
    int32_t twoSteps[3];
    ta.ApplyXY(q, twoSteps);
    ta.ApplyZ(q, twoSteps);
    int32_t oneStep[3];
    ab.ApplyXY(p, oneStep);
    ab.ApplyZ(p, oneStep);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(oneStep[k], twoSteps[k], 2) << k;
}

TEST_F(RavenorFixedMath, ApplyRotateAndTranslate)
{
    Transform t;
    t.SetIdentity();
    t.SetRotationY(512);
    t.t[0] = 10;
    t.t[1] = 20;
    t.t[2] = 30;
    const int16_t p[3] = {1, 2, 3};
    int32_t out[3] = {-1, -1, -1};
    t.ApplyXY(p, out);
    EXPECT_EQ(out[0], 13);
    EXPECT_EQ(out[1], 22);
    EXPECT_EQ(out[2], -1) << "ApplyXY leaves z alone";
    t.ApplyZ(p, out);
    EXPECT_EQ(out[2], 29);
    int16_t r[3];
    t.Rotate(p, r);
    EXPECT_EQ(r[0], 3);
    EXPECT_EQ(r[1], 2);
    EXPECT_EQ(r[2], -1);

    // Each product is shifted on its own: three halves of 1 lose 3 / 2
    Transform half;
    half.SetIdentity();
    for (int16_t& m : half.m)
        m = 0x2000;
    half.TranslateLocal(1, 1, 1);
    EXPECT_EQ(half.t[0], 0);
    half.TranslateLocal(-1, -1, -1);
    EXPECT_EQ(half.t[0], -3);

    Orientation o;
    for (int16_t& m : o.m)
        m = 0x2000;
    o.TranslateLocal(1, 1, 1);
    EXPECT_EQ(o.t[0], 1) << "the sum is shifted once";
    Orientation world;
    world.SetRotationY(512);
    // World-sized moves: each product and the sum stay 32-bit
    world.TranslateLocal(100000, 0, 120000);
    EXPECT_EQ(world.t[0], 120000);
    EXPECT_EQ(world.t[2], -100000);
    Orientation wrap;
    wrap.TranslateLocal(200000, 0, 0);
    EXPECT_EQ(wrap.t[0], static_cast<int32_t>(200000u * 16384u) >> 14) << "wraps like the device's registers";

    const int32_t v[3] = {100000, 7, 0};
    int32_t rv[3];
    world.RotateVector(v, rv);
    EXPECT_EQ(rv[0], 0);
    EXPECT_EQ(rv[1], 7);
    EXPECT_EQ(rv[2], -100000);

    Transform from;
    from.SetFromOrientation(world);
    EXPECT_EQ(from.t[0], static_cast<int16_t>(120000 & 0xFFFF)) << "low 16 bits of the translation";
    EXPECT_EQ(from.t[2], static_cast<int16_t>(-100000 & 0xFFFF));
    EXPECT_EQ(std::memcmp(from.m, world.m, sizeof from.m), 0);

    Transform copy;
    Transform::Copy(copy, from);
    EXPECT_EQ(std::memcmp(&copy, &from, sizeof copy), 0);
}

TEST_F(RavenorFixedMath, OrientationCopyTransposeOrthonormalize)
{
    Orientation a;
    a.SetRotationZ(333);
    a.t[0] = 1;
    a.t[1] = 2;
    a.t[2] = 3;
    Orientation b;
    Orientation::Copy(b, a);
    EXPECT_EQ(std::memcmp(b.m, a.m, sizeof a.m), 0);
    EXPECT_EQ(b.t[2], 3);
    Orientation::Copy(a, a);
    EXPECT_EQ(a.t[1], 2);

    Orientation t;
    for (int i = 0; i < 9; ++i)
        t.m[i] = static_cast<int16_t>(i + 1);
    t.Transpose();
    ExpectMatrix(t.m, {1, 4, 7, 2, 5, 8, 3, 6, 9}, "transposed");

    // A skewed, stretched frame comes back to unit, perpendicular rows
    Orientation o;
    const int16_t skewed[9] = {20000, 3000, 0, 2000, 15000, 500, 0, 0, 10};
    std::memcpy(o.m, skewed, sizeof skewed);
    o.Orthonormalize();
    Vector4s r0 = o.GetRow(0);
    Vector4s r1 = o.GetRow(1);
    Vector4s r2 = o.GetRow(2);
    auto dot = [](Vector4s a, Vector4s b) { return (a.x * b.x + a.y * b.y + a.z * b.z) >> 14; };
    // Lengths within the square root table's precision (about 0.5 %)
    EXPECT_NEAR(dot(r0, r0), 16384, 80);
    EXPECT_NEAR(dot(r2, r2), 16384, 80);
    EXPECT_NEAR(dot(r1, r1), 16384, 80);
    EXPECT_NEAR(dot(r0, r1), 0, 40);
    EXPECT_NEAR(dot(r0, r2), 0, 40);
    EXPECT_NEAR(dot(r1, r2), 0, 40);
    EXPECT_GT(r2.z, 16000) << "row 2 = row 0 x row 1";

    Orientation id;
    id.Orthonormalize();
    ExpectMatrix(id.m, {16384, 0, 0, 0, 16384, 0, 0, 0, 16384}, "identity stays");
}

TEST_F(RavenorFixedMath, MatrixStackPushesCopiesAndPops)
{
    MatrixStack stack;
    stack.Init(4);
    EXPECT_EQ(stack.depth, 0);
    EXPECT_EQ(stack.top, &stack.slots[0]);
    ExpectMatrix(stack.top->m, {16384, 0, 0, 0, 16384, 0, 0, 0, 16384}, "slot 0");

    for (int level = 1; level <= 3; ++level)
    {
        stack.top->t[0] = static_cast<int16_t>(level * 10);
        stack.Push();
        EXPECT_EQ(stack.depth, level);
        EXPECT_EQ(stack.top, &stack.slots[level]);
        EXPECT_EQ(std::memcmp(&stack.slots[level], &stack.slots[level - 1], sizeof(Transform)), 0);
    }
    // Full: the fourth push writes nothing and the top stays
    stack.top->t[1] = 99;
    stack.Push();
    EXPECT_EQ(stack.depth, 4);
    EXPECT_EQ(stack.top, &stack.slots[3]);
    stack.Push();
    EXPECT_EQ(stack.top, &stack.slots[3]);
    stack.Pop();
    stack.Pop();
    EXPECT_EQ(stack.top, &stack.slots[3]);
    for (int level = 2; level >= 0; --level)
    {
        stack.Pop();
        EXPECT_EQ(stack.depth, level);
        EXPECT_EQ(stack.top, &stack.slots[level]);
    }
    EXPECT_EQ(stack.slots[0].t[0], 10);

    // Extra pops are counted; the next push reads no slot below 0
    stack.Pop();
    EXPECT_EQ(stack.top, &stack.slots[0]);
    stack.Push();
    EXPECT_EQ(stack.depth, 0);
    EXPECT_EQ(stack.top, &stack.slots[0]);
    EXPECT_EQ(stack.slots[0].t[0], 10);
    stack.Push();
    EXPECT_EQ(stack.top, &stack.slots[1]);
}

} // namespace
