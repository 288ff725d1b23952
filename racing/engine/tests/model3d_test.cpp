// model3d_test.cpp -- the racing build on the shared 3D model: clone modes
// and who frees what (the sanitizer build catches a double free), culling
// numbers of both builds mapped to one model, the racing chip
#include "racing/engine/base_library.h"
#include "racing/engine/model3d.h"

#include "engine/scene/3d/mesh.h"

#include <gtest/gtest.h>

namespace {

// Two meshes over two materials (mesh 0 uses material 1, mesh 1 material 0).
Group3D* twoBoxes()
{
    auto* g = new Group3D();
    Material* red = new TexturedMaterial();
    Material* blue = new TexturedMaterial();
    red->color = 0xFF0000;
    blue->color = 0x0000FF;
    g->addMaterial(u"red", red);
    g->addMaterial(u"blue", blue);
    for (int i = 0; i < 2; ++i)
    {
        auto* m = new Mesh();
        m->addVertex(-2.0f + float(i), 0, 0, 0, 0);
        m->addVertex(6.0f, 1, 0, 0, 0);
        m->addVertex(0, 0, 1, 0, 0);
        m->addFace(0, 1, 2);
        m->material = g->material(1 - i);
        g->addObject(i == 0 ? u"body" : u"fin", m);
    }
    return g;
}

} // namespace

TEST(RacingModel, CloneBitOneGivesTheCloneItsOwnCopies)
{
    racing::initRacingMath();
    struct Case
    {
        int mode;
        bool ownMeshes, ownMaterials;
    };
    // Bit 1 the meshes, bit 2 the materials, bit 4 the levels; mode 2 is 3.
    const Case cases[] = {{0, false, false}, {1, true, false}, {2, true, true}, {3, true, true}, {7, true, true}};
    for (const Case& c : cases)
    {
        Group3D* source = twoBoxes();
        Group3D* copy = source->clone(c.mode);
        EXPECT_EQ(copy->cloneFlag, 1);
        EXPECT_EQ(copy->mesh(0) != source->mesh(0), c.ownMeshes) << c.mode;
        EXPECT_EQ(copy->material(0) != source->material(0), c.ownMaterials) << c.mode;
        if (c.ownMeshes && c.ownMaterials)
        {
            EXPECT_EQ(copy->mesh(0)->material, copy->material(1)) << "rebound to the copy at the same position";
            EXPECT_EQ(copy->mesh(1)->material, copy->material(0));
        }
        // Either order of deletion frees everything once.
        if (c.mode % 2)
        {
            delete copy;
            delete source;
        }
        else
        {
            delete copy;
            EXPECT_EQ(source->material(0)->color, 0xFF0000u) << "the source's materials survive the clone";
            delete source;
        }
    }
}

TEST(RacingModel, CullingNumbersOfBothBuildsMeetInOneModel)
{
    // The racing templates say 0 (group) and 1 (per mesh); the engine's say 1 and 2.
    Group3D fromRacing, fromEngine;
    fromRacing.cullingPolicy = racing::cullingPolicyFromRacing(0);
    fromEngine.cullingPolicy = 1;
    EXPECT_EQ(fromRacing.cullingPolicy, fromEngine.cullingPolicy);
    fromRacing.cullingPolicy = racing::cullingPolicyFromRacing(1);
    fromEngine.cullingPolicy = 2;
    EXPECT_EQ(fromRacing.cullingPolicy, fromEngine.cullingPolicy);
    EXPECT_EQ(racing::racingCullingNumber(fromEngine.cullingPolicy), 1);
    EXPECT_EQ(racing::racingCullingNumber(1), 0);
    EXPECT_EQ(racing::cullingPolicyFromRacing(5), 1) << "an unknown number culls the group";
}

TEST(RacingModel, UpdateRunsOnceAndNormalizeCentres)
{
    racing::setFixedPointShift(12, 4);
    Group3D* g = twoBoxes();
    g->update(true);
    Mesh* body = g->mesh(0);
    int32_t nx = body->face(0)->nx;
    body->vertex(1)->y = 4096 * 9;
    g->update(true);
    EXPECT_EQ(body->face(0)->nx, nx) << "a prepared mesh is not worked again";
    Group3D empty;
    empty.normalize(1.0f, nullptr, nullptr);
    EXPECT_EQ(empty.meshCount(), 0);
    delete g;

    Group3D* box = twoBoxes();
    box->normalize(1.0f, nullptr, nullptr);
    Vector3 low, high;
    box->getBounds(low, high, nullptr, nullptr);
    EXPECT_NEAR(low.x, -1.0f, 1e-3f) << "x from -2 to 6 becomes -1 to 1";
    EXPECT_NEAR(high.x, 1.0f, 1e-3f);
    delete box;
}

TEST(RacingModel, ChipCornersFacesAndSize)
{
    racing::setFixedPointShift(12, 4);
    struct Case
    {
        int orientation;
        float corner0[3];
    };
    // Width 4, height 2, scale 1: corners at half the sides, then normalised
    // so that the largest half extent is max(width, height) x scale = 4.
    const Case cases[] = {{0, {0, 2, 4}}, {2, {4, 2, 0}}, {1, {4, 0, 2}}, {9, {4, 0, 2}}};
    for (const Case& c : cases)
    {
        racing::Chip3D chip(1.0f, 4.0f, 2.0f, c.orientation, nullptr, nullptr);
        ASSERT_EQ(chip.meshCount(), 1);
        Mesh* m = chip.findObject(u"chip");
        ASSERT_NE(m, nullptr);
        ASSERT_EQ(m->faceCount(), 2);
        EXPECT_EQ(m->face(1)->a, 0);
        EXPECT_EQ(m->face(1)->b, 2);
        EXPECT_EQ(m->face(1)->c, 3);
        Vector3 p;
        p.setFromFixed(m->vertex(0)->x, m->vertex(0)->y, m->vertex(0)->z);
        EXPECT_NEAR(p.x, c.corner0[0], 1e-3f) << c.orientation;
        EXPECT_NEAR(p.y, c.corner0[1], 1e-3f) << c.orientation;
        EXPECT_NEAR(p.z, c.corner0[2], 1e-3f) << c.orientation;
        EXPECT_EQ(chip.radius, 1.0f);
        ASSERT_NE(chip.getMaterial(), nullptr);
        EXPECT_EQ(chip.getMaterial(), chip.findMaterial(u"chipMtl"));
        EXPECT_EQ(chip.getMaterial()->flat, 1);
        EXPECT_EQ(chip.getMaterial()->twoSided, 1);
    }
}

TEST(RacingModel, GroupWideSettingsReachEveryMaterialAndCopiesKeepEveryField)
{
    Group3D* g = twoBoxes();
    racing::setColor(*g, 0x123456);
    racing::setLuminous(*g, 0x010203);
    racing::setTransparency(*g, 77);
    racing::setReflectivity(*g, 99);
    racing::setFlat(*g, true);
    racing::setWireframe(*g, true);
    racing::setDoubleSided(*g, true);
    racing::setNearPlaneCulling(*g, true);
    for (int i = 0; i < g->materialCount(); ++i)
    {
        const Material* m = g->material(i);
        EXPECT_EQ(m->color, 0x123456u);
        EXPECT_EQ(m->color2, 0x010203u);
        EXPECT_EQ(m->transparency, 77);
        EXPECT_EQ(m->shininessStrength, 99);
        EXPECT_EQ(m->flat, 1);
        EXPECT_EQ(m->wireframe, 1);
        EXPECT_EQ(m->twoSided, 1);
    }
    EXPECT_EQ(g->mesh(1)->noNearClip, 1);
    // The reflection map and amount the racing loader writes and the
    // rasteriser reads live in the one material record, and copies keep them.
    Texture* map = reinterpret_cast<Texture*>(uintptr_t(0x1000));
    g->material(0)->reflectionMap = map;
    g->material(0)->reflectionPercent = 128;
    g->mesh(0)->face(0)->shadeU = 12;
    g->mesh(0)->face(0)->shadeV = 34;
    Group3D* copy = g->clone(7);
    EXPECT_EQ(copy->material(0)->reflectionMap, map);
    EXPECT_EQ(copy->material(0)->reflectionPercent, 128);
    EXPECT_EQ(copy->material(0)->transparency, 77);
    g->material(0)->reflectionMap = nullptr; // textures belong to the dictionary; nothing frees it
    copy->material(0)->reflectionMap = nullptr;
    delete copy;
    delete g;
}
