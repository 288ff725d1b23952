// particles_test.cpp -- the ballistic particle and the fading chip with a
// life and a share of the launching speed of its own
#include "engine/scene/3d/particles.h"

#include "engine/base/math_utils.h"
#include "engine/scene/3d/chip3d.h"
#include "engine/scene/core/material.h"

#include <gtest/gtest.h>

namespace {

struct Particles : testing::Test
{
    void SetUp() override { initMathTables(); }
};

// Launched along +x from (0, 10, 0) at 4 units a second with gravity 9.8:
// after 0.5 s 2 units along x and the drop of the steps (9.8 x (1 + 2 + 3 +
// 4 + 5) x 0.1 x 0.1).
TEST_F(Particles, ABallisticParticleFliesFallsAndIsFollowed)
{
    Group3D follower;
    BallisticParticle p;
    Matrix4 from;
    from.rotY(3.14159265f / 2.0f);
    from.setTranslationXYZ(0.0f, 10.0f, 0.0f);
    p.launch(&follower, 4.0f, from);
    for (int i = 0; i < 5; ++i)
        p.update(0.1f);
    EXPECT_NEAR(p.position.x, 2.0f, 0.01f);
    EXPECT_NEAR(p.position.y, 10.0f - 9.8f * 15.0f * 0.01f, 1e-4f);
    EXPECT_FLOAT_EQ(p.start.y, 10.0f);
    EXPECT_FLOAT_EQ(follower.matrix.m[7], p.position.y);
}

// A puff of 0.5 s keeping 0.3 of the launcher's speed, rising with gravity
// -2.5 and fading to 200: a quarter of the way its transparency is a quarter
// of 200; it ends on the step that reaches its life (steps exact in binary).
TEST_F(Particles, AFadingChipOfItsOwnLifeAndShare)
{
    Chip3D chip(1.0f, 1.0f, 1.0f, 2, nullptr, nullptr, false);
    chip.visible = 0;
    FadingParticle puff(-2.5f, 200, 0.5f, 0.3f);
    puff.setChip(&chip);
    Matrix4 from;
    from.setToTranslationXYZ(0.0f, 1.0f, 0.0f);
    puff.launch(100.0f, from);
    EXPECT_TRUE(chip.visible);
    EXPECT_FLOAT_EQ(puff.base.speed, 30.0f);
    EXPECT_FLOAT_EQ(puff.base.gravity, -2.5f);
    puff.update(0.125f);
    EXPECT_GT(puff.base.position.y, 1.0f);
    EXPECT_EQ(chip.getMaterial()->transparency, 50);
    puff.update(0.125f);
    puff.update(0.125f);
    EXPECT_TRUE(puff.active);
    puff.update(0.125f); // 0.5 s
    EXPECT_FALSE(puff.active);
    EXPECT_FALSE(chip.visible);
    EXPECT_FLOAT_EQ(puff.age, 0.0f);
}

} // namespace
