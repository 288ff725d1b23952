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

#include <algorithm>
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

// The box of a mesh's projected vertices.
struct ScreenBox
{
    int left = 99, right = -99, top = 99, bottom = -99;
    explicit ScreenBox(const Mesh& m)
    {
        for (int i = 0; i < m.vertexCount(); ++i)
        {
            left = std::min(left, m.vertex(i)->screenX);
            right = std::max(right, m.vertex(i)->screenX);
            top = std::min(top, m.vertex(i)->screenY);
            bottom = std::max(bottom, m.vertex(i)->screenY);
        }
    }
};

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
    const ScreenBox box(*v.scene.findChild(u"square")->mesh(0));
    const int left = box.left, right = box.right, top = box.top, bottom = box.bottom;
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

TEST(RacingScene3D, TheGroupsOwnEnvironmentFlagDecidesItsCulling)
{
    struct Case
    {
        const char* what;
        uint8_t groupFlag, meshFlag;
        int groups;
    };
    // The square lies beyond the far clip (1000): only a group whose own
    // flag is set is tested against the clip range, whatever its meshes say.
    const Case cases[] = {
        {"group on, mesh off", 1, 0, 0},
        {"group off, mesh on", 0, 1, 1},
    };
    for (const Case& c : cases)
    {
        View v;
        Group3D* g = square(&v.red, 0);
        g->matrix.setTranslationXYZ(0, 0, 2000.0f);
        g->environmentEnabled = c.groupFlag;
        g->mesh(0)->environmentEnabled = c.meshFlag;
        v.scene.addChild(u"square", g);
        v.scene.initView(1.0f, nullptr, true);
        v.scene.render(0.04f);
        EXPECT_EQ(v.scene.renderer.statistics.groups, c.groups) << c.what;
    }
    // The template key sets the group's flag with its meshes', and a copy
    // keeps it.
    Group3D g;
    g.addObject(u"m", new Mesh());
    g.setEnvironmentEnabled(0);
    EXPECT_EQ(g.environmentEnabled, 0);
    EXPECT_EQ(g.mesh(0)->environmentEnabled, 0);
    std::unique_ptr<Group3D> copy(g.clone(7));
    EXPECT_EQ(copy->environmentEnabled, 0);
}

TEST(RacingScene3D, ASingleNormalMeshIsLitAndFacedByItsFirstFace)
{
    for (const bool single : {false, true})
    {
        View v;
        Group3D* g = square(&v.red, 0);
        Mesh* m = g->mesh(0);
        // The second face turned away from the camera.
        std::swap(m->face(1)->b, m->face(1)->c);
        m->material->detailLevel = 2;
        m->material->flat = 1;
        m->singleNormal = uint8_t(single);
        // Turned a little about the up axis: the first face's normal has an x.
        Matrix4 turn;
        turn.rotY(0.5f);
        g->matrix = turn;
        v.scene.addChild(u"square", g);
        v.scene.initView(1.0f, nullptr, true);
        v.scene.render(0.04f);
        const Face& first = *m->face(0);
        const Face& turned = *m->face(1);
        if (!single)
        {
            EXPECT_EQ(v.scene.renderer.statistics.opaqueFaces, 1) << "the turned face is dropped";
            continue;
        }
        EXPECT_EQ(v.scene.renderer.statistics.opaqueFaces, 2) << "every face of the mesh faces the camera";
        EXPECT_NE(first.shadeU, 0);
        EXPECT_EQ(turned.shadeU, first.shadeU);
        EXPECT_EQ(turned.shadeV, first.shadeV);
        std::unique_ptr<Mesh> copy(m->clone());
        EXPECT_EQ(copy->singleNormal, 1);
    }
}

TEST(RacingScene3D, TextureCoordinatesTurnAboutTheTexturesCentre)
{
    // An 8 x 8 picture in four coloured quarters.
    auto* picture = new Image(8, 8, true);
    const uint32_t quarters[4] = {0xFF0000, 0x00FF00, 0xFFFFFF, 0x000000}; // TL, TR, BR, BL
    picture->drawRect(quarters[0], 0, 0, 4, 4, true);
    picture->drawRect(quarters[1], 4, 0, 4, 4, true);
    picture->drawRect(quarters[2], 4, 4, 4, 4, true);
    picture->drawRect(quarters[3], 0, 4, 4, 4, true);
    Texture texture(u"quarters", &picture, 1, true, false);
    // The colours at the middles of the square's four screen quarters, in
    // turning order.
    auto screenQuarters = [&](float cosine, float sine, bool rotated) {
        View v;
        Group3D* g = square(&texture, 0);
        Material* m = g->mesh(0)->material;
        m->textureRotated = uint8_t(rotated);
        m->rotationCos = cosine;
        m->rotationSin = sine;
        v.scene.addChild(u"square", g);
        v.scene.initView(1.0f, nullptr, true);
        v.scene.render(0.04f);
        const ScreenBox box(*g->mesh(0));
        const int x1 = box.left + (box.right - box.left) / 4, x2 = box.right - (box.right - box.left) / 4;
        const int y1 = box.top + (box.bottom - box.top) / 4, y2 = box.bottom - (box.bottom - box.top) / 4;
        return std::vector<uint32_t>{v.window->colorAt(x1, y1), v.window->colorAt(x2, y1), v.window->colorAt(x2, y2),
                                     v.window->colorAt(x1, y2)};
    };
    const std::vector<uint32_t> plain = screenQuarters(0.0f, 1.0f, false);
    // Four different colours: each screen quarter shows one picture quarter.
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j)
            ASSERT_NE(plain[size_t(i)], plain[size_t(j)]);
    auto shifted = [&](int by) {
        std::vector<uint32_t> out(4);
        for (int i = 0; i < 4; ++i)
            out[size_t(i)] = plain[size_t((i + by) % 4)];
        return out;
    };
    EXPECT_EQ(screenQuarters(1.0f, 0.0f, true), plain) << "no turn";
    EXPECT_EQ(screenQuarters(-1.0f, 0.0f, true), shifted(2)) << "a half turn";
    const std::vector<uint32_t> quarter = screenQuarters(0.0f, 1.0f, true);
    EXPECT_TRUE(quarter == shifted(1) || quarter == shifted(3)) << "a quarter turn";
    EXPECT_NE(screenQuarters(0.0f, -1.0f, true), quarter) << "the other way round";
}

TEST(RacingScene3D, TheDepthBufferHasTheScenesSize)
{
    View v;
    // A target at half the scene's size (a zoomed canvas).
    v.scene.renderer.setTarget(new racing::RenderTarget(v.window.get(), 16, 16, 0x0000FF, nullptr, true));
    EXPECT_EQ(v.scene.renderer.depthBufferWords(), 32u * 32u);
    v.scene.renderer.getTarget()->resize(32, 32);
    v.scene.addChild(u"square", square(&v.red, 0));
    v.scene.initView(1.0f, nullptr, true);
    v.scene.render(0.04f);
    EXPECT_EQ(v.scene.renderer.depthBufferWords(), 32u * 32u);
    EXPECT_EQ(v.window->colorAt(16, 16), 0xFF0000u);
}

TEST(RacingScene3D, TheSphereTestReachesEachEdgeOfThePicture)
{
    // A wide strip: the picture reaches much further along x than along y.
    racing::initRacingMath();
    auto window = std::make_unique<Image>(64, 16, true);
    racing::Scene3D scene(0, 0, 64, 16, 0x0000FF, nullptr);
    scene.renderer.setTarget(new racing::RenderTarget(window.get(), 64, 16, 0x0000FF, nullptr, true));
    scene.camera.setPosition(0, 0, -10);
    scene.camera.setTarget(0, 0, 0);
    Texture red(8, 8, 0xFF0000, true);
    struct Case
    {
        const char* what;
        float x;
        int groups;
    };
    // Focal length 38 pixels: a square at x = +-7 (10 ahead) reaches 26
    // pixels from the middle, inside the picture's 32; at 20 it is far out.
    const Case cases[] = {{"near the right edge", 7.0f, 1}, {"near the left edge", -7.0f, 1}, {"far out", 20.0f, 0}};
    for (const Case& c : cases)
    {
        Group3D* g = square(&red, 0);
        g->radius = 1.5f;
        g->matrix.setTranslationXYZ(c.x, 0, 0);
        scene.addChild(u"square", g);
        scene.initView(1.0f, nullptr, true);
        scene.render(0.04f);
        EXPECT_EQ(scene.renderer.statistics.groups, c.groups) << c.what;
        delete scene.removeChild(u"square");
    }

    // A portrait picture whose projection centre sits low (a race view): the
    // picture reaches far above the centre, and a small square near its top
    // edge is in view.
    auto tall = std::make_unique<Image>(240, 320, true);
    racing::Scene3D portrait(0, 0, 240, 320, 0x0000FF, nullptr);
    portrait.renderer.setTarget(new racing::RenderTarget(tall.get(), 240, 320, 0x0000FF, nullptr, true));
    portrait.camera.setPosition(0, 0, -10);
    portrait.camera.setTarget(0, 0, 0);
    Group3D* g = square(&red, 0);
    g->matrix.m[0] = g->matrix.m[5] = g->matrix.m[10] = 0.1f;
    g->matrix.setTranslationXYZ(0, 4.5f, 0);
    g->radius = 0.15f;
    portrait.addChild(u"square", g);
    portrait.initView(1.0f, nullptr, true);
    portrait.camera.halfHeight = 288;
    portrait.render(0.04f);
    EXPECT_EQ(portrait.renderer.statistics.groups, 1) << "near the top of a portrait picture";
    EXPECT_LT(ScreenBox(*g->mesh(0)).bottom, 40);
    EXPECT_GT(ScreenBox(*g->mesh(0)).top, 0);
}

TEST(RacingScene3D, PointsProjectWhereTheRenderPassDrawsThem)
{
    for (const uint8_t orientation : {0, 1, 2})
    {
        View v;
        v.scene.renderer.getTarget()->orientation = orientation;
        int x = 7, y = 7, depth = 7;
        float scale = 0.0f;
        EXPECT_EQ(v.scene.project(0, 0, 0, x, y, depth, scale), 0) << "no view yet";
        EXPECT_EQ(x + y + depth, 21);
        Group3D* g = square(&v.red, 0);
        g->matrix.setTranslationXYZ(1.5f, -0.5f, 2.0f);
        v.scene.addChild(u"square", g);
        v.scene.initView(1.0f, nullptr, true);
        v.scene.render(0.04f);
        const Mesh* m = g->mesh(0);
        const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
        for (int i = 0; i < 4; ++i)
        {
            const int answer = v.scene.project(corners[i][0] + 1.5f, corners[i][1] - 0.5f, 2.0f, x, y, depth, scale);
            EXPECT_EQ(answer, 12);
            EXPECT_EQ(depth, 12);
            EXPECT_NEAR(x, m->vertex(i)->screenX, 1) << int(orientation) << " corner " << i;
            EXPECT_NEAR(y, m->vertex(i)->screenY, 1) << int(orientation) << " corner " << i;
            EXPECT_NEAR(scale, float(v.scene.camera.projection >> 10) / 12.0f, 1e-4f);
        }
        EXPECT_EQ(v.scene.projectObject(*g, x, y, depth, scale), 12);
        EXPECT_NEAR(scale * 12.0f, float(v.scene.camera.projection >> 10), 1e-3f);
        // Behind the front clip: only the depth, -10000.
        x = y = 7;
        EXPECT_EQ(v.scene.project(0, 0, -9.5f, x, y, depth, scale), 0);
        EXPECT_EQ(depth, -10000);
        EXPECT_EQ(x + y, 14);
        // Far to the side: held at the edge of the coordinate range.
        v.scene.project(1e9f, 1e9f, 0, x, y, depth, scale);
        EXPECT_TRUE(x == 4095 || x == -4096) << x;
        EXPECT_TRUE(y == 4095 || y == -4096) << y;
    }
}
