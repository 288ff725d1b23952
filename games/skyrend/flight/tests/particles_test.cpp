// particles_test.cpp -- bullets, decoys, smoke puffs, explosions and splashes
#include "games/skyrend/flight/particles.h"

#include "engine/base/math_utils.h"
#include "engine/scene/3d/chip3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace skyrend;

namespace particles_cases {

struct ParticlesTest : testing::Test
{
    void SetUp() override { initMathTables(); }
};

TEST_F(ParticlesTest, BulletDropsAndExpires)
{
    Group3D component;
    component.visible = 0;
    Bullet b;
    b.component = &component;
    Matrix4 level;
    level.setToTranslationXYZ(0.0f, 100.0f, 0.0f);
    b.launch(level);
    EXPECT_TRUE(b.active);
    EXPECT_TRUE(component.visible);
    for (int i = 0; i < 100; ++i)
        b.update(0.01f);
    // 70 units forward, about 0.75 down (1.5 x 1^2 / 2, a little more in steps).
    EXPECT_NEAR(b.base.position.z, 70.0f, 1e-3f);
    EXPECT_NEAR(100.0f - b.base.position.y, 0.7575f, 1e-3f);
    EXPECT_FLOAT_EQ(component.matrix.m[11], b.base.position.z);
    for (int i = 0; i < 500 && b.active; ++i)
        b.update(0.01f);
    EXPECT_FALSE(b.active);
    EXPECT_FALSE(component.visible);
    EXPECT_FLOAT_EQ(b.age, 0.0f);
}

TEST_F(ParticlesTest, ABareParticleStillMoves)
{
    Bullet b; // the server's: no component
    Matrix4 m;
    m.rotY(3.14159265f / 2.0f);
    b.launch(m);
    b.update(0.5f);
    EXPECT_NEAR(b.base.position.x, 35.0f, 0.05f);
    EXPECT_NEAR(b.base.position.z, 0.0f, 0.05f);
}

TEST_F(ParticlesTest, DecoysAndSmokeRiseAndFade)
{
    struct Case
    {
        const char* what;
        FadingParticle* p;
        int fade;
    };
    Flare flare(Flare::kFlare), chaff(Flare::kChaff);
    SmokePuff puff;
    Case cases[] = {{"flare", &flare, 160}, {"chaff", &chaff, 160}, {"smoke", &puff, 220}};
    for (Case& c : cases)
    {
        auto* chip = new Chip3D(1.0f, 1.0f, 1.0f, 2, nullptr, nullptr, false);
        chip->visible = 0;
        c.p->setChip(chip);
        Matrix4 m;
        m.setToTranslationXYZ(0.0f, 50.0f, 0.0f);
        c.p->launch(30.0f, m);
        EXPECT_TRUE(chip->visible) << c.what;
        EXPECT_FLOAT_EQ(c.p->base.speed, 6.0f) << c.what; // a fifth of the launcher's
        for (int i = 0; i < 12; ++i)
            c.p->update(0.125f); // steps exact in binary

        EXPECT_GT(c.p->base.position.y, 50.0f) << c.what; // negative gravity
        EXPECT_EQ(chip->getMaterial()->transparency, int(float(c.fade) / 3.0f * 1.5f)) << c.what;
        for (int i = 0; i < 11; ++i)
            c.p->update(0.125f);
        EXPECT_TRUE(c.p->active) << c.what;
        EXPECT_EQ(chip->getMaterial()->transparency, int(float(c.fade) / 3.0f * 2.875f)) << c.what;
        c.p->update(0.125f); // 3.0 s
        EXPECT_FALSE(c.p->active) << c.what;
        EXPECT_FALSE(chip->visible) << c.what;
        delete chip;
    }
}

TEST_F(ParticlesTest, ExplosionAndSplashFramesAndEnd)
{
    struct Case
    {
        std::unique_ptr<ChipAnimation> effect;
        float duration, lastFrameAt; // times exact in binary
    };
    Case cases[] = {{std::make_unique<ExplosionEffect>(), 2.5f, 2.25f},
                    {std::make_unique<SplashEffect>(), 2.0f, 1.875f}};
    for (Case& c : cases)
    {
        Chip3D chip(1.0f, 1.0f, 1.0f, 2, nullptr, nullptr, false);
        chip.visible = 0;
        c.effect->chip = &chip;
        Matrix4 followed;
        followed.setToTranslationXYZ(1.0f, 2.0f, 3.0f);
        c.effect->start(&followed);
        EXPECT_TRUE(chip.visible);
        EXPECT_EQ(c.effect->frame(), 0);
        followed.setTranslationXYZ(5.0f, 6.0f, 7.0f);
        c.effect->update(c.lastFrameAt);
        EXPECT_TRUE(c.effect->active);
        EXPECT_EQ(c.effect->frame(), 9) << c.duration;
        EXPECT_FLOAT_EQ(chip.matrix.m[3], 5.0f); // follows the matrix
        c.effect->update(c.duration - c.lastFrameAt);
        EXPECT_FALSE(c.effect->active) << c.duration;
        EXPECT_FALSE(chip.visible);
        c.effect->chip = nullptr;
    }
}

} // namespace particles_cases
