// scene3d_test.cpp -- the racing 3D scene: staged build with its progress
// texts, children and lights by name, and its render pass against exact
// pixels for a fixed camera, with near-plane clipping into temporary faces
#include "racing/engine/base_library.h"
#include "racing/engine/canvas.h"
#include "racing/engine/render_target.h"
#include "racing/engine/scene3d.h"

#include "engine/platform/image.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/light.h"
#include "engine/scene/core/texture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct Stages : racing::LoadListener
{
    std::vector<std::u16string> texts;
    std::vector<int> percents;
    std::u16string name;
    void onLoad(const WCHAR* text, const WCHAR* scene, int percent) override
    {
        texts.push_back(text);
        percents.push_back(percent);
        name = scene;
    }
};

// A 2 x 2 square in the plane z = zAt, seen from -z, in one colour.
Group3D* square(Texture* texture, float zAt, float nearCorner = 0.0f)
{
    auto* g = new Group3D();
    auto* m = new Mesh();
    m->addVertex(-1, -1, zAt + nearCorner, 0, 0);
    m->addVertex(1, -1, zAt, 65536, 0);
    m->addVertex(1, 1, zAt, 65536, 65536);
    m->addVertex(-1, 1, zAt, 0, 65536);
    m->addFace(0, 1, 2);
    m->addFace(0, 2, 3);
    auto* material = new TexturedMaterial();
    material->detailLevel = 1;
    material->texture = texture;
    g->addMaterial(u"paint", material);
    m->material = material;
    g->addObject(u"square", m);
    g->radius = 2.0f;
    return g;
}

struct View
{
    std::unique_ptr<Image> window = std::make_unique<Image>(32, 32, true);
    racing::Scene3D scene{0, 0, 32, 32, 0x0000FF, nullptr};
    Texture red{8, 8, 0xFF0000, true};

    View()
    {
        racing::initRacingMath();
        scene.renderer.setTarget(new racing::RenderTarget(window.get(), 32, 32, 0x0000FF, nullptr, true));
        scene.camera.setPosition(0, 0, -10);
        scene.camera.setTarget(0, 0, 0);
    }
};

} // namespace

TEST(RacingScene3D, BuildsInAnnouncedStagesOnce)
{
    racing::initRacingMath();
    racing::Scene3D small(0, 0, 3, 0, 0xFFFFFFFFu, nullptr);
    EXPECT_EQ(small.width, 8);
    EXPECT_EQ(small.height, 8);
    View v;
    copyName(v.scene.name, u"track");
    v.scene.addChild(u"car", square(&v.red, 0));
    Stages stages;
    v.scene.initView(0.5f, &stages, true);
    EXPECT_EQ(stages.texts, (std::vector<std::u16string>{u"Building 3D Models", u"Building 3D Lights",
                                                          u"Building 3D Environment", u"Finalizing 3D Initialization"}));
    EXPECT_EQ(stages.percents, (std::vector<int>{50, 75, 95, 100}));
    EXPECT_EQ(stages.name, u"track");
    EXPECT_EQ(v.scene.camera.viewportWidth, 16) << "the zoomed size";
    EXPECT_EQ(v.scene.findChild(u"car")->mesh(0)->normalsValid, 1);
    v.scene.initView(1.0f, &stages, true);
    EXPECT_EQ(stages.texts.size(), 4u) << "built once";
}

TEST(RacingScene3D, ChildrenAndLightsByName)
{
    racing::initRacingMath();
    racing::Scene3D scene(0, 0, 16, 16, 0, nullptr);
    Group3D* a = new Group3D();
    scene.addChild(u"a", a);
    scene.addChild(u"b", new Group3D());
    EXPECT_EQ(scene.findChild(u"a"), a);
    EXPECT_EQ(scene.findChild(u"A"), nullptr) << "names match exactly";
    EXPECT_EQ(scene.removeChild(u"a"), a);
    EXPECT_EQ(scene.findChild(u"a"), nullptr);
    EXPECT_EQ(scene.removeChild(u"none"), nullptr);
    delete a;
    Light sun(Vector3(0, -1, 0), 0xFFFFFF, 0xFFFFFF, 320, 120);
    scene.addLight(u"sun", &sun);
    scene.removeLight(u"moon");
    EXPECT_EQ(scene.lights.size(), 1u);
    scene.removeLight(u"sun");
    EXPECT_TRUE(scene.lights.empty()) << "the light itself stays its owner's";
}

TEST(RacingScene3D, RenderPassDrawsExactlyTheProjectedSquare)
{
    View v;
    v.scene.addChild(u"square", square(&v.red, 0));
    // Not built yet: only the background.
    v.scene.render(0.04f);
    EXPECT_EQ(v.window->colorAt(16, 16), 0x0000FFu);
    v.scene.initView(1.0f, nullptr, true);
    v.scene.render(0.04f);
    EXPECT_EQ(v.scene.renderer.statistics.groups, 1);
    EXPECT_EQ(v.scene.renderer.statistics.vertices, 4);
    EXPECT_EQ(v.scene.renderer.statistics.opaqueFaces, 2);
    // The corners as projected; every pixel inside their box is the
    // square's, every pixel outside the background.
    const Mesh* m = v.scene.findChild(u"square")->mesh(0);
    int left = 99, right = -99, top = 99, bottom = -99;
    for (int i = 0; i < 4; ++i)
    {
        left = std::min(left, m->vertex(i)->screenX);
        right = std::max(right, m->vertex(i)->screenX);
        top = std::min(top, m->vertex(i)->screenY);
        bottom = std::max(bottom, m->vertex(i)->screenY);
    }
    // Centred and square: the camera looks at the middle of the square.
    EXPECT_EQ(left + right, 32);
    EXPECT_EQ(top + bottom, 32);
    EXPECT_EQ(right - left, bottom - top);
    EXPECT_GT(right - left, 4);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
        {
            const bool inside = x >= left && x < right && y >= top && y < bottom;
            ASSERT_EQ(v.window->colorAt(x, y), inside ? 0xFF0000u : 0x0000FFu) << x << "," << y;
        }
}

TEST(RacingScene3D, FacesBehindTheEyeAreClippedIntoTemporaryFaces)
{
    struct Case
    {
        const char* what;
        float nearCorner; // how far corner 0 comes towards the camera
        int clipVertices, faces;
    };
    // Corner 0 at z = -9.5 (in front of the near plane at 1 from the eye),
    // then behind it: its two faces become three (one behind: two each...).
    const Case cases[] = {
        {"all in front", -0.5f, 0, 2},
        // Corner 0 behind the near plane: each of its two faces has one
        // vertex behind and becomes two temporary faces.
        {"one corner behind", -9.5f, 4, 4},
    };
    for (const Case& c : cases)
    {
        View v;
        v.scene.addChild(u"square", square(&v.red, 0, c.nearCorner));
        v.scene.findChild(u"square")->mesh(0)->material->twoSided = 1;
        v.scene.findChild(u"square")->cullingPolicy = 0; // no sphere test
        v.scene.initView(1.0f, nullptr, true);
        v.scene.render(0.04f);
        EXPECT_EQ(v.scene.renderer.statistics.clipVertices, c.clipVertices) << c.what;
        EXPECT_EQ(v.scene.renderer.statistics.opaqueFaces, c.faces) << c.what;
        // The sanitizer build sees a temporary face or vertex left behind.
        EXPECT_EQ(v.window->colorAt(20, 20), 0xFF0000u) << c.what;
    }
    EXPECT_EQ(racing::Renderer3D(nullptr).sortTransparent, 1);
    EXPECT_EQ(racing::Renderer3D(nullptr).sortOpaque, 0);
}
