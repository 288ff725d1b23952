// transform_test.cpp -- vectors, quaternions and matrices compose, invert and apply
#include "engine/base/math_utils.h"
#include "engine/base/matrix3.h"
#include "engine/base/matrix4.h"
#include "engine/base/quaternion.h"
#include "engine/base/vector.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// One table step of 2 pi / 4096
constexpr float kStep = float(2 * M_PI / 4096);

class Transforms : public ::testing::Test
{
protected:
    void SetUp() override { initMathTables(); }
};

void expectNear(const Tuple3& v, float x, float y, float z, float tolerance = 2 * kStep)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

void expectSameMatrix(const Matrix4& a, const Matrix4& b, float tolerance = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], b.m[i], tolerance) << "element " << i;
}

Matrix4 sampleMatrix()
{
    Matrix4 m;
    AxisAngle a;
    a.set(Tuple3(1, 2, 3), 0.7f);
    m.setFromAxisAngle(a);
    m.setTranslationXYZ(4, -5, 6);
    m.m[0] *= 2.0f; // some scale as well
    return m;
}

} // namespace

TEST_F(Transforms, VectorOperations)
{
    Vector3 zero;
    zero.normalize();
    expectNear(zero, 0, 0, 0, 0);

    Vector3 a(1, 0, 0), b(1, 1e-8f, 0);
    EXPECT_EQ(a.angle(b), 0.0f); // cosine rounded above 1 is clamped, not NaN
    EXPECT_NEAR(a.angle(Vector3(0, 1, 0)), float(M_PI / 2), 1e-6f);
    EXPECT_NEAR(a.angle(Vector3(-2, 0, 0)), float(M_PI), 1e-6f);

    Vector3 c;
    c.cross(Vector3(1, 0, 0), Vector3(0, 1, 0));
    expectNear(c, 0, 0, 1, 0);
    c.cross(c, Vector3(1, 0, 0)); // output aliases an input
    expectNear(c, 0, 1, 0, 0);

    Vector3 n;
    n.setTriangleNormal(Tuple3(0, 0, 0), Tuple3(2, 0, 0), Tuple3(2, 3, 0));
    expectNear(n, 0, 0, 1, 1e-6f);

    Vector3 p(0, 0, 0);
    p.interpolate(Tuple3(10, -10, 4), 0.25f);
    expectNear(p, 2.5f, -2.5f, 1, 1e-6f);

    Vector3 u(3, 0, 0), v(0, 0, 5);
    EXPECT_FLOAT_EQ(u.dotNormalized(v), 0.0f);
    EXPECT_FLOAT_EQ(u.length(), 1.0f);
    EXPECT_FLOAT_EQ(v.length(), 1.0f);

    Tuple3 f;
    f.setFromFixed(2048, -1024, 4096);
    expectNear(f, 1.0f, -0.5f, 2.0f, 0);
}

TEST_F(Transforms, ParseVector3Table)
{
    const struct
    {
        const char16_t* text;
        float x, y, z;
        bool complete;
    } cases[] = {
        {u"(1;2;3)", 1, 2, 3, true},
        {u" \t( -1.5 ; 2e1;0.25 )\t ", -1.5f, 20, 0.25f, true},
        {u"4;5;6", 4, 5, 6, true},
        {u"(7;8)", 7, 8, 0, false},
        {u"", 0, 0, 0, false},
        {nullptr, 0, 0, 0, false},
    };
    for (const auto& c : cases)
    {
        Vector3 out(9, 9, 9);
        EXPECT_EQ(parseVector3(c.text, out), c.complete);
        expectNear(out, c.x, c.y, c.z, 1e-6f);
    }
}

TEST_F(Transforms, QuaternionAndAxisAngle)
{
    Quaternion q;
    AxisAngle zeroAxis;
    zeroAxis.set(Tuple3(0, 0, 0), 1.0f);
    q.setFromAxisAngle(zeroAxis);
    EXPECT_EQ(q.x + q.y + q.z + q.w, 0.0f); // all four zero, not the identity
    Matrix4 m;
    m.m[1] = 9.0f;
    m.setFromAxisAngle(zeroAxis);
    expectSameMatrix(m, Matrix4(), 0);

    q.setRotationArc(Vector3(0, 0, 1), Vector3(0, 0, 2));
    EXPECT_EQ(q.w, 1.0f);
    EXPECT_EQ(q.x, 0.0f);

    // Opposite directions without an axis: a half turn about y.
    q.setRotationArc(Vector3(1, 0, 0), Vector3(-1, 0, 0));
    AxisAngle back;
    back.setFromQuaternion(q);
    EXPECT_NEAR(back.angle, float(M_PI), 2 * kStep);
    EXPECT_NEAR(back.y, 1.0f, 1e-5f);

    Vector3 axis(0, 0, 1);
    q.setRotationArc(Vector3(1, 0, 0), Vector3(-1, 0, 0), &axis);
    back.setFromQuaternion(q);
    EXPECT_NEAR(back.z, 1.0f, 1e-5f);

    // A quarter arc, applied through the matrix, turns from onto to.
    q.setRotationArc(Vector3(1, 0, 0), Vector3(0, 0, 3));
    m.setFromQuaternion(q);
    Tuple3 p(1, 0, 0);
    m.transformPoint(p);
    expectNear(p, 0, 0, 1);

    back.setFromQuaternion(Quaternion());
    EXPECT_EQ(back.x + back.y + back.z, 0.0f);
    EXPECT_EQ(back.angle, 0.0f);
}

TEST_F(Transforms, RotationsMapAxes)
{
    const struct
    {
        void (Matrix4::*rotate)(float);
        Tuple3 in;
        Tuple3 out;
    } cases[] = {
        {&Matrix4::rotZ, {1, 0, 0}, {0, 1, 0}},
        {&Matrix4::rotX, {0, 1, 0}, {0, 0, 1}},
        {&Matrix4::rotY, {0, 0, 1}, {1, 0, 0}},
    };
    for (const auto& c : cases)
    {
        Matrix4 m;
        m.setTranslationXYZ(7, 7, 7); // replaced: the whole matrix becomes the rotation
        (m.*c.rotate)(float(M_PI / 2));
        Tuple3 p = c.in;
        m.transformPoint(p);
        expectNear(p, c.out.x, c.out.y, c.out.z);
    }

    Matrix4 about;
    about.setRotationAbout(Tuple3(1, 1, 0), Tuple3(0, 0, 1), float(M_PI));
    Tuple3 p(2, 1, 0);
    about.transformPoint(p);
    expectNear(p, 0, 1, 0);
    about.setRotationAbout(Tuple3(1, 1, 0), Tuple3(0, 0, 1), 0.0f);
    expectSameMatrix(about, Matrix4(), 0);
}

TEST_F(Transforms, ProductsAliasAndInvert)
{
    Matrix4 a = sampleMatrix();
    Matrix4 b;
    b.rotY(0.3f);
    b.setTranslationXYZ(-1, 2, 0.5f);
    b.m[12] = 5.0f; // the bottom row of the other matrix is never read

    Matrix4 separate;
    separate.setProduct(a, b);
    Matrix4 intoA = a;
    intoA.setProduct(intoA, b);
    expectSameMatrix(intoA, separate);
    Matrix4 intoB = b;
    intoB.setProduct(a, intoB);
    expectSameMatrix(intoB, separate);
    EXPECT_EQ(separate.m[12], 0.0f);
    EXPECT_EQ(separate.m[15], 1.0f);

    Tuple3 p(0.5f, -2, 3), viaProduct, viaSteps;
    separate.transformPointTo(p, viaProduct);
    b.transformPointTo(p, viaSteps);
    a.transformPoint(viaSteps);
    expectNear(viaProduct, viaSteps.x, viaSteps.y, viaSteps.z, 1e-4f);

    Tuple3 same = p;
    a.transformPointTo(same, same);
    Tuple3 apart;
    a.transformPointTo(p, apart);
    expectNear(same, apart.x, apart.y, apart.z, 0);

    Matrix4 inverse;
    ASSERT_TRUE(inverse.setInverse(a));
    Matrix4 identity;
    identity.setProduct(a, inverse);
    expectSameMatrix(identity, Matrix4(), 1e-5f);
    inverse.setInverse(inverse); // aliasing
    expectSameMatrix(inverse, a, 1e-4f);

    Matrix4 flat;
    flat.m[10] = 0.0f;
    EXPECT_FALSE(inverse.setInverse(flat));
    expectSameMatrix(inverse, Matrix4(), 0);
}

TEST_F(Transforms, TranslationAndVectors)
{
    Matrix4 m;
    m.rotZ(float(M_PI / 2));
    m.setTranslationXYZ(10, 20, 30);
    Tuple3 t;
    m.getTranslation(t);
    expectNear(t, 10, 20, 30, 0);

    Tuple3 v(1, 0, 0);
    m.transformVector(v); // rotation only
    expectNear(v, 0, 1, 0);

    m.setRotationIdentity();
    Tuple3 p(1, 2, 3);
    m.transformPoint(p);
    expectNear(p, 11, 22, 33, 0);

    m.setToTranslation(Tuple3(-1, -2, -3));
    EXPECT_EQ(m.m[0], 1.0f);
    EXPECT_EQ(m.m[11], -3.0f);

    Matrix3 m3;
    m3.m[2] = 5.0f;
    Matrix3 copy;
    copy.copyFrom(m3);
    EXPECT_EQ(copy.m[2], 5.0f);
    EXPECT_EQ(copy.m[8], 1.0f);
}

TEST_F(Transforms, LookAtViewAndPlacement)
{
    Vector3 eye(1, 2, 3), target(1, 2, 10), up(0, 1, 0);
    Matrix4 view;
    view.lookAt(eye, target, up, true);
    Tuple3 p = eye;
    view.transformPoint(p);
    expectNear(p, 0, 0, 0, 1e-5f);
    p = target;
    view.transformPoint(p);
    expectNear(p, 0, 0, 7, 1e-5f);

    Matrix4 place;
    place.lookAt(eye, target, up, false);
    Tuple3 forward(0, 0, 1);
    place.transformPoint(forward);
    expectNear(forward, 1, 2, 4, 1e-5f);

    // The placement is the inverse of the view.
    Matrix4 product;
    product.setProduct(view, place);
    expectSameMatrix(product, Matrix4(), 1e-5f);
}
