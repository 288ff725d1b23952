// template_builders_test.cpp -- the racing template entries of a 3D scene:
// camera, light, fog and the two animators from their fields, the container
// boxes, and frame-name patterns taken safely
#include "racing/engine/animators.h"
#include "racing/engine/base_library.h"
#include "racing/engine/scene3d.h"
#include "racing/engine/template_builders.h"

#include "engine/base/property_map.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/light.h"
#include "engine/scene/core/texture.h"
#include "engine/scene/core/texture_dictionary.h"
#include "content/media/bmp_writer.h"
#include "content/media/file_output.h"
#include "content/model3ds/model_writer.h"

#include "os/testing/host.h"

#include <os/windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace headless = os::host::headless;

namespace {

PropertyMap fields(const char16_t* text)
{
    return PropertyMap(text, u',', u':');
}

class RacingTemplateBuilders : public ::testing::Test
{
protected:
    void SetUp() override
    {
        racing::initRacingMath();
        headless::clear_boxes();
    }
    racing::Scene3D scene{0, 0, 64, 64, 0, nullptr};
};

} // namespace

TEST_F(RacingTemplateBuilders, CameraLightAndFog)
{
    ASSERT_TRUE(racing::buildCamera(fields(u"pos:(0;5;-10), lookAt:(0;0;0), fov:60"), &scene));
    EXPECT_FLOAT_EQ(scene.camera.position.y, 5.0f);
    EXPECT_FLOAT_EQ(scene.camera.position.z, -10.0f);
    EXPECT_FLOAT_EQ(scene.camera.target.z, 0.0f);
    EXPECT_FLOAT_EQ(scene.camera.fov, 60.0f);

    Light* sun = racing::buildLight(fields(u"dir:(0;0;2)"), u"sun", &scene);
    ASSERT_NE(sun, nullptr);
    ASSERT_EQ(scene.lights.size(), 1u);
    EXPECT_EQ(scene.lights[0], sun);
    EXPECT_TRUE(sameName(sun->name, u"sun"));
    EXPECT_FLOAT_EQ(sun->direction.z, 1.0f);
    EXPECT_EQ(sun->color, 0xFFFFFFu);
    EXPECT_EQ(sun->intensity, 320);

    ASSERT_TRUE(racing::buildFog(fields(u"front:10, back:40, color:(16;32;48)"), &scene));
    ASSERT_NE(scene.environment.fog, nullptr);
    EXPECT_EQ(scene.environment.fog->back, 40);
    EXPECT_EQ(scene.environment.fog->color, 0x102030u);
    // A second fog replaces the first (the sanitizer build sees a leak).
    racing::buildFog(fields(u"front:1, back:2, color:(0;0;0)"), &scene);
    EXPECT_EQ(scene.environment.fog->back, 2);
    EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(RacingTemplateBuilders, AnEntryWithoutItsContainerShowsItsBoxAndBuildsNothing)
{
    TextureDictionary textures;
    EXPECT_FALSE(racing::buildCamera(fields(u"fov:60"), nullptr));
    EXPECT_EQ(racing::buildLight(fields(u"dir:(0;1;0)"), u"l", nullptr), nullptr);
    EXPECT_FALSE(racing::buildFog(fields(u"front:1, back:2, color:(0;0;0)"), nullptr));
    EXPECT_EQ(racing::buildTextureAnimator(fields(u"i0:1, i1:2"), nullptr, textures, u"\\"), nullptr);
    EXPECT_EQ(racing::buildModelAnimator(fields(u"i0:1, i1:2"), nullptr, nullptr, u"\\"), nullptr);
    const char16_t* expected[] = {u"Camera", u"Light", u"Fog", u"TextureAnimator", u"ModelAnimator"};
    const auto& boxes = headless::boxes();
    ASSERT_EQ(boxes.size(), 5u);
    for (size_t i = 0; i < 5; ++i)
    {
        EXPECT_EQ(boxes[i].text, u"The container of " + std::u16string(expected[i]) + u" is absent.");
        EXPECT_EQ(boxes[i].caption, u"Error");
        EXPECT_EQ(boxes[i].flags, 16u);
    }
}

TEST(RacingTemplateNames, FramePatternsTakeOneNumberAndNothingElse)
{
    struct Case
    {
        const char16_t* pattern;
        bool ok;
        const char16_t* name;
    };
    const Case cases[] = {
        {u"wave%d.bmp", true, u"wave12.bmp"},    {u"100%%_%d", true, u"100%_12"},
        {u"wave.bmp", false, u""},                {u"a%s.bmp", false, u""},
        {u"%d_%d.bmp", false, u""},               {u"%x%d", false, u""},
        {u"trailing%", false, u""},
    };
    for (const Case& c : cases)
    {
        std::u16string out = u"";
        EXPECT_EQ(racing::formatFrameName(c.pattern, 12, out), c.ok) << std::string(c.pattern, c.pattern + 3);
        EXPECT_EQ(out, c.name);
    }
}

TEST_F(RacingTemplateBuilders, TextureAnimatorLoadsItsFrames)
{
    CreateDirectoryW(u"\\tmpl", nullptr);
    for (int i = 1; i <= 3; ++i)
    {
        const std::u16string path = u"\\tmpl\\wave" + std::u16string(1, char16_t(u'0' + i)) + u".bmp";
        ASSERT_TRUE(media::writeDeviceFile(path.c_str(), media::makeBmp(8, 8, [i](int, int) { return 0x100000u * uint32_t(i); })));
    }
    Group3D group;
    Material* flag = new TexturedMaterial();
    group.addMaterial(u"flagMtl", flag);
    TextureDictionary textures;
    std::unique_ptr<racing::TextureAnimator> animator(racing::buildTextureAnimator(
        fields(u"material:flagMtl, texture:wave%d.bmp, i0:1, i1:3"), &group, textures, u"\\tmpl"));
    ASSERT_NE(animator, nullptr);
    EXPECT_EQ(animator->count, 3);
    ASSERT_EQ(animator->textures.size(), 3u);
    EXPECT_TRUE(animator->opacityMaps.empty()) << "no \"opamap\"";
    EXPECT_EQ(animator->textures[2]->width, 8);
    animator->step();
    EXPECT_EQ(flag->texture, animator->textures[1]);
    // No range, no such material: nothing built, no box.
    EXPECT_EQ(racing::buildTextureAnimator(fields(u"material:flagMtl, texture:wave%d.bmp, i0:3, i1:1"), &group, textures, u"\\tmpl"), nullptr);
    EXPECT_EQ(racing::buildTextureAnimator(fields(u"material:none, texture:wave%d.bmp, i0:1, i1:3"), &group, textures, u"\\tmpl"), nullptr);
    EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(RacingTemplateBuilders, ModelAnimatorLoadsItsModelsIntoTheScene)
{
    CreateDirectoryW(u"\\tmpl", nullptr);
    for (int i = 1; i <= 2; ++i)
    {
        model3ds::ModelSpec spec;
        spec.meshes.push_back(model3ds::boxMesh("cloth", 1.0f, 0.5f + 0.2f * float(i), 0.1f, ""));
        const std::u16string path = u"\\tmpl\\flag" + std::u16string(1, char16_t(u'0' + i)) + u".3ds";
        ASSERT_TRUE(media::writeDeviceFile(path.c_str(), model3ds::writeModel(spec)));
    }
    Group3D* base = new Group3D();
    scene.addChild(u"flag", base);
    std::unique_ptr<racing::ModelAnimator> animator(
        racing::buildModelAnimator(fields(u"model:flag%d.3ds, i0:1, i1:2, radius:2"), &scene, base, u"\\tmpl"));
    ASSERT_NE(animator, nullptr);
    EXPECT_EQ(animator->count, 3);
    ASSERT_NE(scene.findChild(u"flag[ani:1]"), nullptr);
    ASSERT_NE(scene.findChild(u"flag[ani:2]"), nullptr);
    EXPECT_FLOAT_EQ(scene.findChild(u"flag[ani:2]")->radius, 2.0f);
    EXPECT_EQ(scene.findChild(u"flag[ani:1]")->visible, 0);
    EXPECT_EQ(racing::buildModelAnimator(fields(u"model:flag%d.3ds, i0:1, i1:2"), &scene, nullptr, u"\\tmpl"), nullptr)
        << "no base group";
}
