// animators_test.cpp -- texture and model animators stepping through their
// frames, the model frames filed in a scene under their names, the racing
// light
#include "racing/engine/animators.h"
#include "racing/engine/base_library.h"

#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/light.h"
#include "engine/scene/core/texture.h"
#include "racing/engine/scene3d.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

Group3D* namedGroup(const char16_t* name)
{
    auto* g = new Group3D();
    copyName(g->name, name);
    return g;
}

} // namespace

TEST(RacingAnimators, TextureFramesCycleThroughTheMaterialsMaps)
{
    std::vector<std::unique_ptr<Texture>> owned;
    auto make = [&](int n) {
        std::vector<Texture*> frames;
        for (int i = 0; i < n; ++i)
        {
            owned.push_back(std::make_unique<Texture>(8, 8, 0x000000u + uint32_t(i), true));
            frames.push_back(owned.back().get());
        }
        return frames;
    };
    TexturedMaterial material;
    const std::vector<Texture*> textures = make(3), envMaps = make(3);
    // No "opamap": no opacity-map array, the material's own mask stays.
    Texture* ownMask = make(1)[0];
    material.mask = ownMask;
    racing::TextureAnimator animator(&material, 3, textures, {}, envMaps);
    EXPECT_EQ(animator.frame, 0);
    EXPECT_TRUE(animator.opacityMaps.empty());
    EXPECT_EQ(animator.textures.size(), 3u);
    const int expected[] = {1, 2, 0, 1};
    for (int f : expected)
    {
        animator.step();
        EXPECT_EQ(animator.frame, f);
        EXPECT_EQ(material.texture, textures[size_t(f)]);
        EXPECT_EQ(material.reflectionMap, envMaps[size_t(f)]);
        EXPECT_EQ(material.mask, ownMask);
    }
    animator.showFrame(-1);
    EXPECT_EQ(animator.frame, 2) << "frame numbers wrap both ways";

    racing::TextureAnimator empty(nullptr, 0, {}, {}, {});
    empty.step(); // no material, no frames: nothing to do
    EXPECT_EQ(empty.frame, 0);
}

TEST(RacingAnimators, ModelFramesFollowTheBaseGroupAndShowOneAtATime)
{
    racing::initRacingMath();
    racing::Scene3D scene(0, 0, 64, 64, 0, nullptr);
    Group3D* flag = namedGroup(u"flag");
    flag->matrix.setTranslationXYZ(1.0f, 2.0f, 3.0f);
    scene.addChild(u"flag", flag);
    auto animator = std::make_unique<racing::ModelAnimator>(
        flag, std::vector<Group3D*>{new Group3D(), new Group3D(), new Group3D()});
    ASSERT_EQ(animator->count, 4) << "models 1 to 3 and the base";
    for (int i = 1; i < 4; ++i)
    {
        EXPECT_EQ(animator->frames[size_t(i)]->visible, 0);
        EXPECT_FLOAT_EQ(animator->frames[size_t(i)]->matrix.m[3], 1.0f) << "the base group's transform";
        EXPECT_FLOAT_EQ(animator->frames[size_t(i)]->matrix.m[11], 3.0f);
    }
    animator->addToScene(scene);
    for (int i = 1; i < 4; ++i)
    {
        const std::u16string name = u"flag[ani:" + std::u16string(1, char16_t(u'0' + i)) + u"]";
        EXPECT_EQ(scene.findChild(name.c_str()), animator->frames[size_t(i)]) << i;
    }
    // The base group moves; the shown frame goes with it.
    flag->matrix.setTranslationXYZ(5.0f, 0.0f, 0.0f);
    for (int step = 1; step <= 5; ++step)
    {
        animator->step();
        const int shown = step % 4;
        EXPECT_EQ(animator->frame, shown);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(animator->frames[size_t(i)]->visible, i == shown ? 1 : 0) << step << " " << i;
        EXPECT_FLOAT_EQ(animator->frames[size_t(shown)]->matrix.m[3], 5.0f);
    }
    // The scene owns the frames now: deleting the animator leaves them.
    animator.reset();
    EXPECT_NE(scene.findChild(u"flag[ani:2]"), nullptr);
}

TEST(RacingAnimators, ModelFramesNotInASceneAreTheAnimatorsToFree)
{
    Group3D base;
    racing::ModelAnimator animator(&base, {new Group3D(), nullptr});
    EXPECT_EQ(animator.count, 2) << "a model that did not load is no frame";
    // The sanitizer build sees a frame left behind.
}

TEST(RacingAnimators, RacingLight)
{
    Vector3 dir;
    dir.set(0, 0, 2);
    std::unique_ptr<Light> light(racing::makeLight(dir, 0x336699));
    EXPECT_FLOAT_EQ(light->direction.z, 1.0f);
    EXPECT_EQ(light->color, 0x336699u);
    EXPECT_EQ(light->highlightColor, 0x336699u);
    EXPECT_EQ(light->intensity, 320);
    EXPECT_EQ(light->exponent, 120);
}
