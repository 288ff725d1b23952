// renderer3d_test.cpp -- the render pass: sphere culling, near clipping,
// outcodes, levels of detail, sorting and drawing order
#include "raster_fixture.h"

#include "engine/base/math_utils.h"
#include "engine/platform/tests/pixel_check.h"
#include "engine/scene/3d/camera.h"
#include "engine/scene/3d/environment.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/light.h"
#include "engine/scene/3d/shade_table.h"
#include "engine/scene/scenes/renderer3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr int kW = 32, kH = 32;

// A camera at the origin looking along +z over a 32 x 32 surface.
struct View
{
    Image* surface = rastertest::makeSurface(kW, kH, 32);
    Renderer3D renderer{nullptr, kW, kH};
    Camera camera{0, 90.0f};
    Environment environment;
    PtrVector groups;

    View()
    {
        initMathTables();
        renderer.setTarget({0, 0, kW, kH, 1.0f, surface});
        renderer.initRasterizer();
        camera.setViewport(kW, kH);
        camera.setPosition(0.0f, 0.0f, 0.0f);
        camera.setTarget(0.0f, 0.0f, 1.0f);
    }
    ~View()
    {
        for (int i = 0; i < groups.size(); ++i)
            delete static_cast<Group3D*>(groups.get(i));
        delete surface;
    }
    void frame() { renderer.renderFrame(0.04f, &groups, camera, environment); }
};

struct Tri
{
    float p[9];
};

Mesh* meshOf(const std::vector<Tri>& tris, Material* m)
{
    Mesh* mesh = new Mesh();
    for (const Tri& t : tris)
    {
        const int base = mesh->vertexCount();
        for (int i = 0; i < 3; ++i)
            mesh->addVertex(t.p[i * 3], t.p[i * 3 + 1], t.p[i * 3 + 2], 0, 0);
        mesh->addFace(base, base + 1, base + 2);
    }
    mesh->material = m;
    return mesh;
}

// A two-sided, flat-coloured group of the given triangles, never culled whole.
Group3D* groupOf(const std::vector<Tri>& tris, uint32_t colour = 0xFFFFFF)
{
    Group3D* g = new Group3D();
    ColorMaterial* m = new ColorMaterial();
    m->color = colour;
    m->twoSided = 1;
    g->addMaterial(u"m", m);
    g->addObject(u"mesh", meshOf(tris, m));
    g->cullingPolicy = 0;
    return g;
}

// A triangle with two levels of detail, one step every 10 units of depth:
// one mesh in the whole model, two in level 0 and three in level 1, so that
// a frame shows which was drawn. The level groups stay the caller's to delete.
Group3D* levelledGroup(Group3D* (&levels)[2])
{
    Group3D* g = groupOf({{{0, 1, 0, -1, -1, 0, 1, -1, 0}}});
    for (int l = 0; l < 2; ++l)
    {
        levels[l] = groupOf({{{0, 1, 0, -1, -1, 0, 1, -1, 0}}});
        for (int k = 0; k <= l; ++k)
            levels[l]->addObject(u"extra", meshOf({{{0, 1, 0, -1, -1, 0, 1, -1, 0}}}, levels[l]->material(0)));
    }
    g->setLevels(levels, 2, 10.0f);
    return g;
}

} // namespace

TEST(Renderer3D, SphereTests)
{
    View v;
    v.camera.setFov(45.0f); // projection 424
    v.frame();
    v.renderer.nearFixed = 2048;
    v.renderer.farFixed = 1000 * 2048;
    struct Case
    {
        float x, y, z, r;
        bool outside;
    } cases[] = {
        {6, 0, 10, 1, true}, {4, 0, 10, 1, false}, {0, 6, 10, 1, true}, {0, 0, -5, 1, true},
        {0, 0, 0.5f, 1, false}, {0, 0, 1002, 1, true}, {0, 0, 1000.5f, 1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(v.renderer.isSphereOutside(Tuple3(c.x, c.y, c.z), c.r), c.outside) << c.x << " " << c.y << " " << c.z;
}

TEST(Renderer3D, SortByDepthIsDescending)
{
    const std::vector<std::vector<int32_t>> cases = {
        {1, 2, 3}, {5, 5, 5, 1}, {2147483000, -2147483000, 0, 2147483000}, {9, 1, 8, 2, 7, 3, 6, 4, 5}, {4}};
    for (const auto& keys : cases)
    {
        std::vector<Face> faces;
        for (int32_t k : keys)
        {
            faces.emplace_back(0, 0, 0, nullptr, 0);
            faces.back().depthKey = k;
        }
        std::vector<void*> list;
        for (Face& f : faces)
            list.push_back(&f);
        Renderer3D::sortByDepth(list.data(), 0, int(list.size()) - 1);
        for (size_t i = 1; i < list.size(); ++i)
            EXPECT_GE(static_cast<Face*>(list[i - 1])->depthKey, static_cast<Face*>(list[i])->depthKey);
    }
}

TEST(Renderer3D, ClassifyAndClipAgainstTheNearPlane)
{
    struct Case
    {
        const char* what;
        Tri tri;
        int faces, temps;
    } cases[] = {
        {"in front", {{0, 1, 2, -1, -1, 2, 1, -1, 2}}, 1, 0},
        {"one behind", {{0, 1, 0, -1, -1, 2, 1, -1, 2}}, 2, 2},
        {"two behind", {{0, 1, 0, -1, -1, 0, 1, -1, 2}}, 1, 2},
        {"edge nearly parallel to the near plane", {{0, 1, 0.99f, -1, -1, 1.02f, 1, -1, 1.02f}}, 0, 0},
        {"all left of the screen", {{-100, 0, 5, -100, 1, 5, -101, 0, 5}}, 0, 0},
        {"one behind, two left", {{-100, 0, 0.5f, -100, 1, 5, -101, 0, 5}}, 2, 2},
        {"all beyond far", {{0, 1, 2000, -1, -1, 2000, 1, -1, 2000}}, 0, 0},
        {"one beyond far", {{0, 1, 2000, -1, -1, 2, 1, -1, 2}}, 1, 0},
        {"all behind", {{0, 1, -2, -1, -1, -2, 1, -1, -2}}, 0, 0},
    };
    for (const Case& c : cases)
    {
        View v;
        v.groups.add(groupOf({c.tri}));
        v.frame();
        EXPECT_EQ(v.renderer.opaqueCount, c.faces) << c.what;
        EXPECT_EQ(v.renderer.tempCount, c.temps) << c.what;
        EXPECT_EQ(v.renderer.tempVertices.size(), 0) << c.what;
    }
}

TEST(Renderer3D, NearClippedFaceIsDroppedWhenTheMeshSaysSo)
{
    View v;
    Group3D* g = groupOf({{{0, 1, 0, -1, -1, 2, 1, -1, 2}}});
    g->mesh(0)->noNearClip = 1;
    v.groups.add(g);
    v.frame();
    EXPECT_EQ(v.renderer.opaqueCount, 0);
}

TEST(Renderer3D, LevelOfDetailByDistance)
{
    struct Case
    {
        float z;
        int meshes;
    } cases[] = {{5, 1}, {9.5f, 1}, {12, 2}, {19, 2}, {25, 3}, {15000, 3}};
    for (const Case& c : cases)
    {
        View v;
        v.environment.backClip = 100000.0f;
        Group3D* levels[2];
        Group3D* g = levelledGroup(levels);
        g->matrix.setTranslationXYZ(0.0f, 0.0f, c.z);
        v.groups.add(g);
        v.frame();
        EXPECT_EQ(v.renderer.meshesDrawn, c.meshes) << c.z;
        delete levels[0];
        delete levels[1];
    }
}

TEST(Renderer3D, ZeroViewportDrawsNothing)
{
    View v;
    v.groups.add(groupOf({{{-50, 50, 5, 50, 50, 5, 0, -50, 5}}}));
    v.camera.setViewport(0, kH);
    v.frame();
    EXPECT_EQ(v.surface->colorAt(16, 16), 0u);
    EXPECT_EQ(v.renderer.depthBuffer[16 * kW + 16], 0xFFFFFFFFu);
    v.camera.setViewport(kW, kH);
    v.frame();
    EXPECT_EQ(v.surface->colorAt(16, 16), 0xFFFFFFu);
}

TEST(Renderer3D, UnsortedOpaqueFacesAreDrawnLastCollectedFirst)
{
    // Two meshes at equal depth: the second mesh's face is collected last,
    // drawn first, and keeps its pixels.
    View v;
    Group3D* g = groupOf({{{-50, 50, 5, 50, 50, 5, 0, -50, 5}}}, 0xFF0000);
    ColorMaterial* green = new ColorMaterial();
    green->color = 0x00FF00;
    green->twoSided = 1;
    g->addMaterial(u"green", green);
    g->addObject(u"second", meshOf({{{-50, 50, 5, 50, 50, 5, 0, -50, 5}}}, green));
    v.groups.add(g);
    v.frame();
    EXPECT_EQ(v.surface->colorAt(16, 16), 0x00FF00u);
}

TEST(Renderer3D, BackFacesAreCulledUnlessTwoSided)
{
    for (int twoSided : {0, 1})
    {
        // The same triangle wound both ways: one of them faces the eye.
        View v;
        Group3D* g = groupOf({{{-1, 1, 5, 1, 1, 5, 0, -1, 5}}, {{-1, 1, 6, 0, -1, 6, 1, 1, 6}}});
        g->material(0)->twoSided = twoSided;
        v.groups.add(g);
        v.frame();
        EXPECT_EQ(v.renderer.opaqueCount, twoSided ? 2 : 1);
    }
}

TEST(Renderer3D, DepthComesFromAProviderOfTheSameSize)
{
    View first, second;
    first.groups.add(groupOf({{{-50, 50, 5, 50, 50, 5, 0, -50, 5}}}));
    first.frame();
    second.renderer.depthProvider = &first.renderer;
    second.groups.add(groupOf({{{-50, 50, 9, 50, 50, 9, 0, -50, 9}}}));
    second.frame();
    // The farther triangle is hidden by the provider's depth.
    EXPECT_EQ(second.surface->colorAt(16, 16), 0u);
    Renderer3D small(nullptr, 4, 4);
    second.renderer.depthProvider = &small;
    second.frame();
    EXPECT_EQ(second.surface->colorAt(16, 16), 0xFFFFFFu);
}

namespace {

// Two walls that cross in the middle of the view: the red one nears the eye
// to the left, the green one to the right, so each hides the other on one
// side. Both reach past every edge of the 32 x 32 surface.
Group3D* leftNearWall()
{
    return groupOf({{{-60, 60, 4, 60, 60, 12, -60, -60, 4}}, {{60, 60, 12, 60, -60, 12, -60, -60, 4}}}, 0xFF0000);
}

Group3D* rightNearWall()
{
    return groupOf({{{-60, 60, 12, 60, 60, 4, -60, -60, 12}}, {{60, 60, 4, 60, -60, 4, -60, -60, 12}}}, 0x00FF00);
}

// A renderer of a scene of the given size shown on a 32 x 32 display.
struct ShownScene
{
    Renderer3D renderer;
    ShownScene(int width, int height, Image* surface) : renderer(nullptr, width, height)
    {
        renderer.setTarget({0, 0, kW, kH, 1.0f, surface});
        renderer.initRasterizer();
    }
};

} // namespace

TEST(Renderer3D, ALentDepthGivesThePictureOfBothScenesDrawnInOne)
{
    // The lending scene draws the red wall, the taking scene the green one
    // over it with the lent depth: the picture and the depth must be those
    // of one scene drawing both. Scenes larger than their display lend the
    // rows their rasteriser wrote, which are as wide as the display.
    struct Case
    {
        int lenderWidth, lenderHeight, takerWidth, takerHeight;
    } cases[] = {
        {32, 32, 32, 32}, {33, 33, 32, 32},     {33, 33, 33, 33},         {64, 64, 32, 32},
        {64, 64, 64, 64}, {4096, 2048, 40, 33}, {4096, 2048, 4096, 2048},
    };
    Group3D* red = leftNearWall();
    Group3D* green = rightNearWall();
    PtrVector redOnly, greenOnly, both;
    redOnly.add(red);
    greenOnly.add(green);
    // In one scene the red wall is drawn first as well (collected last).
    both.add(green);
    both.add(red);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "lender " << c.lenderWidth << " x " << c.lenderHeight << ", taker "
                                        << c.takerWidth << " x " << c.takerHeight);
        View one;
        one.renderer.renderFrame(0.04f, &both, one.camera, one.environment);
        // Both walls show, and so does where they cross.
        ASSERT_EQ(one.surface->colorAt(4, 16), 0xFF0000u);
        ASSERT_EQ(one.surface->colorAt(27, 16), 0x00FF00u);

        View shown;
        ShownScene lender(c.lenderWidth, c.lenderHeight, shown.surface);
        ShownScene taker(c.takerWidth, c.takerHeight, shown.surface);
        taker.renderer.depthProvider = &lender.renderer;
        for (int frame = 0; frame < 2; ++frame)
        {
            shown.surface->drawRect(0, 0, 0, kW, kH, true);
            lender.renderer.renderFrame(0.04f, &redOnly, shown.camera, shown.environment);
            taker.renderer.renderFrame(0.04f, &greenOnly, shown.camera, shown.environment);
            EXPECT_TRUE(pixelcheck::matches(
                *shown.surface, [&](int x, int y) { return one.surface->colorAt(x, y); }, "lent_depth"))
                << "frame " << frame;
            int wrongDepths = 0;
            for (int i = 0; i < kW * kH; ++i)
                wrongDepths += taker.renderer.depthBuffer[i] != one.renderer.depthBuffer[i];
            EXPECT_EQ(wrongDepths, 0) << "frame " << frame;
        }
        // However large the taking scene says it is, it holds a depth only
        // where its display reaches.
        EXPECT_EQ(taker.renderer.preparedDepthWords(), size_t(kW * kH));
    }
    delete red;
    delete green;
}

TEST(Renderer3D, ALenderThatHasNotDrawnLendsFarDepth)
{
    // The taking scene is drawn before the lending one has drawn a frame
    // (or when it has no display): its own triangle shows.
    View taking;
    Renderer3D idle(nullptr, 64, 64);
    taking.renderer.depthProvider = &idle;
    taking.groups.add(groupOf({{{-50, 50, 9, 50, 50, 9, 0, -50, 9}}}));
    taking.frame();
    EXPECT_EQ(taking.surface->colorAt(16, 16), 0xFFFFFFu);
    idle.renderFrame(0.04f, &taking.groups, taking.camera, taking.environment); // no display: draws nothing
    taking.surface->drawRect(0, 0, 0, kW, kH, true);
    taking.frame();
    EXPECT_EQ(taking.surface->colorAt(16, 16), 0xFFFFFFu);
}

TEST(Renderer3D, LightTablesFollowTheSurfaceFormat)
{
    initMathTables();
    Image* surface = rastertest::makeSurface(kW, kH, 32);
    Renderer3D renderer(nullptr, kW, kH);
    PtrVector none;
    renderer.updateShadeTable(&none, 0x808080); // before the surface is known
    renderer.setTarget({0, 0, kW, kH, 1.0f, surface});
    renderer.initRasterizer();
    Camera camera(0, 90.0f);
    camera.setViewport(kW, kH);
    camera.setPosition(0.0f, 0.0f, 0.0f);
    camera.setTarget(0.0f, 0.0f, 1.0f);
    Environment environment;
    PtrVector groups;
    Group3D* g = groupOf({{{-50, 50, 5, 50, 50, 5, 0, -50, 5}}});
    g->setDetailLevel(2);
    groups.add(g);
    renderer.renderFrame(0.04f, &groups, camera, environment);
    EXPECT_EQ(surface->colorAt(16, 16), 0x7F7F7Fu);
    delete g;
    delete surface;
}

TEST(Renderer3D, LevelsByDepthTakeAnyNumberAndNone)
{
    Group3D* levels[2];
    Group3D* g = levelledGroup(levels);
    const float huge = std::numeric_limits<float>::infinity();
    struct Case
    {
        float depth;
        int level; // -1: the whole model
    } cases[] = {{0.0f, -1},  {9.99f, -1}, {10.0f, 0},  {-15.0f, 0}, {20.0f, 1},
                 {3e9f, 1},   {1e30f, 1},  {huge, 1},   {-huge, 1},  {std::nanf(""), -1}};
    for (const Case& c : cases)
    {
        const PtrVector* want = c.level < 0 ? g->objects : g->levels[c.level];
        EXPECT_EQ(g->objectsAtDepth(c.depth), want) << c.depth;
    }
    // A frame draws the meshes of the level its depth chooses, also where
    // the depth is past int's range or no number.
    View v;
    v.environment.backClip = 1e30f;
    g->cullingPolicy = 0;
    v.groups.add(g);
    const struct
    {
        float depth;
        int meshes;
    } frames[] = {{5.0f, 1}, {15.0f, 2}, {3e10f, 3}, {std::nanf(""), 1}};
    for (const auto& f : frames)
    {
        g->matrix.setTranslationXYZ(0.0f, 0.0f, f.depth);
        v.frame();
        EXPECT_EQ(v.renderer.groupsDrawn, 1) << f.depth;
        EXPECT_EQ(v.renderer.meshesDrawn, f.meshes) << f.depth;
        EXPECT_EQ(v.renderer.verticesProjected, 3 * f.meshes) << f.depth;
    }
    delete levels[0];
    delete levels[1];
}

TEST(Renderer3D, ALightWithoutAUsableDirectionLightsNothing)
{
    // Directions a template can give that no unit vector comes from: the
    // tables hold the ambient light alone, and the lights beside them count.
    const float huge = std::numeric_limits<float>::infinity();
    const Vector3 directions[] = {
        {0.0f, -huge, 1.0f}, {huge, huge, huge}, {0.0f, 0.0f, std::nanf("")}, {0.0f, 0.0f, 0.0f}};
    PtrVector ambientOnly;
    ShadeTable reference(&ambientOnly, 0x404040, 32);
    for (const Vector3& direction : directions)
    {
        Light odd(direction, 0xFFFFFF, 0xFFFFFF, 255, 4096);
        PtrVector lights;
        lights.add(&odd);
        ShadeTable table(&lights, 0x404040, 32);
        for (int i = 0; i < ShadeTable::kEntries; ++i)
        {
            ASSERT_EQ(table.diffuse[i], reference.diffuse[i]) << "entry " << i;
            ASSERT_EQ(table.specular[i], 0u) << "entry " << i;
        }
        Light sun(Vector3(0.0f, 0.0f, 1.0f), 0xFFFFFF, 0, 0, 4096);
        lights.add(&sun);
        ShadeTable withSun(&lights, 0x404040, 32);
        EXPECT_EQ(withSun.diffuse[ShadeTable::kCentre], 0xFFFFFFu);
    }
}

namespace {

// Splits every face down to the given depth.
class SplitTo : public FaceSubdivider
{
public:
    explicit SplitTo(int levels) : depth(levels) {}
    bool shouldSplit(const Face&, int current) override { return current < depth; }

private:
    int depth;
};

} // namespace

TEST(Renderer3D, SubdividedFacesAreSplitIntoFour)
{
    struct Case
    {
        int levels;
        int faces, temps;
    } cases[] = {{0, 1, 0}, {1, 4, 3}, {2, 16, 15}};
    for (const Case& c : cases)
    {
        View v;
        SplitTo rule(c.levels);
        Group3D* g = groupOf({{{-50, 50, 5, 50, 50, 5, 0, -50, 5}}});
        g->mesh(0)->subdivider = &rule;
        v.renderer.showSubdivision = 1;
        v.groups.add(g);
        v.frame();
        EXPECT_EQ(v.renderer.opaqueCount, c.faces) << c.levels;
        EXPECT_EQ(v.renderer.tempCount, c.temps) << c.levels;
        EXPECT_EQ(v.surface->colorAt(16, 16), 0xFFFFFFu) << c.levels;
    }
}

TEST(Renderer3D, WireFramesDrawOnlyTheEdges)
{
    View v;
    Group3D* g = groupOf({{{-1, 1, 4, 1, 1, 4, 0, -1, 4}}}, 0x00FF00);
    g->material(0)->wireframe = 1;
    v.groups.add(g);
    v.frame();
    // The top edge runs along one row; the inside stays empty.
    int edgePixels = 0;
    for (int x = 0; x < kW; ++x)
        edgePixels += v.surface->colorAt(x, 8) == 0x00FF00u;
    EXPECT_GT(edgePixels, 10);
    EXPECT_EQ(v.surface->colorAt(16, 12), 0u);
}
