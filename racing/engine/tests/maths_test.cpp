// maths_test.cpp -- the racing maths and colour operations beside the
// engine's own: general inverse, rotation between directions, slerp, blends
#include "engine/base/math_utils.h"
#include "engine/base/matrix_ops.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

float quaternionLength(const Quaternion& q)
{
    return std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
}

} // namespace

TEST(RacingMaths, GeneralInverseMatchesTheAffineInverseAndStaysFiniteWhenSingular)
{
    initMathTables();
    Matrix4 m;
    m.rotY(0.7f);
    m.setTranslationXYZ(3.0f, -2.0f, 5.0f);
    Matrix4 affine;
    ASSERT_TRUE(affine.setInverse(m));
    Matrix4 general = m;
    invertGeneral(general);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(general.m[i], affine.m[i], 1e-5f) << i;

    Matrix4 singular;
    singular.m[0] = singular.m[5] = singular.m[10] = 0.0f;
    invertGeneral(singular);
    for (float v : singular.m)
        EXPECT_TRUE(std::isfinite(v));
    EXPECT_EQ(singular.m[15], 1.0f);
}

TEST(RacingMaths, RotationBetweenOppositeDirectionsHasNoAxis)
{
    initMathTables();
    Vector3 ahead(0, 0, 1), back(0, 0, -1), right(1, 0, 0);
    Quaternion racingTurn;
    setRotationBetween(racingTurn, ahead, back);
    EXPECT_EQ(quaternionLength(racingTurn), 0.0f) << "the racing build gives the zero quaternion";
    Matrix4 m;
    m.setFromQuaternion(racingTurn);
    Vector3 p(1, 2, 3);
    m.transformVector(p);
    EXPECT_FLOAT_EQ(p.z, 3.0f) << "whose matrix is the identity";
    Quaternion engineTurn;
    engineTurn.setRotationArc(ahead, back);
    EXPECT_NEAR(quaternionLength(engineTurn), 1.0f, 1e-5f) << "the engine turns half round a chosen axis";

    setRotationBetween(racingTurn, ahead, right);
    m.setFromQuaternion(racingTurn);
    Vector3 q = ahead;
    m.transformVector(q);
    EXPECT_NEAR(q.x, 1.0f, 2e-3f);
    EXPECT_NEAR(q.z, 0.0f, 2e-3f);
}

TEST(RacingMaths, SlerpTakesTheShortArcAndStaysUnitForTinyAngles)
{
    initMathTables();
    Quaternion q(0.0f, std::sin(0.3f), 0.0f, std::cos(0.3f));
    for (float t : {0.0f, 0.3f, 1.0f})
    {
        Quaternion a = q, b(-q.x, -q.y, -q.z, -q.w);
        slerpShortest(a, b, t);
        EXPECT_NEAR(a.y, q.y, 1e-5f) << t;
        EXPECT_NEAR(a.w, q.w, 1e-5f) << t;
    }
    // Half an angle of 0.001 rad apart: below two table steps.
    Quaternion a(0.0f, 0.0f, 0.0f, 1.0f), b(0.0f, std::sin(0.0005f), 0.0f, std::cos(0.0005f));
    slerpShortest(a, b, 0.5f);
    EXPECT_TRUE(std::isfinite(a.w));
    EXPECT_NEAR(quaternionLength(a), 1.0f, 1e-4f);
    // A wide angle follows the sines.
    Quaternion from(0, 0, 0, 1), to(0, std::sin(0.8f), 0, std::cos(0.8f));
    slerpShortest(from, to, 0.5f);
    EXPECT_NEAR(from.y, std::sin(0.4f), 3e-3f);
    EXPECT_NEAR(quaternionLength(from), 1.0f, 3e-3f);
}

TEST(RacingMaths, PackedColourArithmetic)
{
    struct Add
    {
        uint32_t a, b, sum;
    };
    const Add adds[] = {{0x7f0000, 0x020000, 0x800000}, {0x0000ff, 0x000001, 0x0001ff}, {0x010101, 0x010101, 0x000002}};
    for (const Add& c : adds)
        EXPECT_EQ(addRGBSaturated(c.a, c.b), c.sum) << std::hex << c.a << " + " << c.b;
    EXPECT_EQ(blendRGB(0xffffff, 0x000000, 128), 0x7f7f7fu);
    EXPECT_EQ(blendRGB(0x123456, 0x654321, 255), 0x123456u);
    EXPECT_EQ(blendRGB(0x123456, 0x654321, 0), 0x654321u);
    EXPECT_EQ(blendRGB(0x123456, 0x654321, -4), 0x654321u);
    EXPECT_EQ(packRGB(0x12, 0x34, 0x56), 0x123456u);
    Matrix3 m;
    setScale2D(m, 2.0f);
    setTranslation2D(m, 5.0f, -1.0f);
    EXPECT_EQ(m.m[0], 2.0f);
    EXPECT_EQ(m.m[4], 2.0f);
    EXPECT_EQ(m.m[2], 5.0f);
    EXPECT_EQ(m.m[5], -1.0f);
    Quaternion q(1, 2, 2, 4);
    invert(q);
    EXPECT_FLOAT_EQ(q.x, -1.0f / 25.0f);
    EXPECT_FLOAT_EQ(q.w, 4.0f / 25.0f);
}
