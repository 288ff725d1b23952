// model3d_test.cpp -- meshes, normals, bounds, transforms, clones, levels
// of detail and chips
#include "engine/scene/3d/chip3d.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/core/texture.h"

#include "engine/base/math_utils.h"

#include <gtest/gtest.h>

namespace {

// A right triangle in the x-y plane at z = 0, and a second mesh beside it.
Mesh* triangleMesh(float size, Material* material)
{
    Mesh* m = new Mesh();
    m->addVertex(0, 0, 0, 0, 0);
    m->addVertex(size, 0, 0, 0, 0);
    m->addVertex(0, size, 0, 0, 0);
    m->addFace(0, 1, 2);
    m->material = material;
    return m;
}

Group3D* twoMeshGroup()
{
    Group3D* g = new Group3D();
    Material* red = new TexturedMaterial();
    red->color = 0xFF0000;
    g->addMaterial(u"red", red);
    g->addMaterial(u"blue", new ColorMaterial());
    g->addObject(u"body", triangleMesh(2.0f, red));
    g->addObject(u"wing", triangleMesh(8.0f, g->material(1)));
    return g;
}

} // namespace

TEST(Mesh, NormalsDependOnMaterial)
{
    initMathTables();
    struct Case
    {
        const char* what;
        int detail;
        int flat;
        bool expectVertexNormals;
    } cases[] = {{"textured", 2, 0, true}, {"flat", 2, 1, false}, {"colour", 1, 0, false}};
    for (const Case& c : cases)
    {
        TexturedMaterial material;
        material.detailLevel = c.detail;
        material.flat = uint8_t(c.flat);
        Mesh* m = triangleMesh(1.0f, &material);
        m->update(true);
        // (p1 - p0) x (p2 - p1) of the triangle points along +z.
        EXPECT_EQ(m->face(0)->nz, 2048) << c.what;
        EXPECT_EQ(m->vertex(0)->nz, c.expectVertexNormals ? 2048 : 0) << c.what;
        EXPECT_FLOAT_EQ(m->radius, 0.5f) << c.what;
        EXPECT_FLOAT_EQ(m->centre.x, 0.5f) << c.what;
        delete m;
    }
}

TEST(Mesh, UpdateGivesAMaterialAndManyFacesDoNotOverflowTheNormal)
{
    initMathTables();
    Mesh m;
    // 40 faces around one shared vertex with nearly the same normal: the
    // summed normal is far beyond 2^15 per component.
    m.addVertex(0, 0, 0, 0, 0);
    for (int i = 0; i < 40; ++i)
    {
        m.addVertex(1.0f + float(i) * 0.01f, 0, 0, 0, 0);
        m.addVertex(0, 1.0f, float(i) * 0.001f, 0, 0);
        m.addFace(0, 1 + 2 * i, 2 + 2 * i);
    }
    m.update(false);
    ASSERT_NE(m.material, nullptr);
    EXPECT_EQ(m.material->detailLevel, 2);
    EXPECT_NEAR(m.vertex(0)->nz, 2048, 2);
    delete m.material;
}

TEST(Mesh, TransformDropsFiveBitsAndTranslates)
{
    initMathTables();
    Mesh m;
    m.addVertex(1.0f, 0, 0, 0, 0);
    m.addVertex(0, 0.5f, 0, 0, 0);
    m.normalsValid = 1;
    const float move[12] = {1, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0};
    m.transform(move, false);
    EXPECT_EQ(m.vertex(0)->x, 4096);
    EXPECT_EQ(m.vertex(1)->y, 1024);
    EXPECT_EQ(m.normalsValid, 1);
    const float turn[12] = {0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};
    m.transform(turn, true);
    EXPECT_EQ(m.vertex(0)->y, 4096);
    EXPECT_EQ(m.vertex(1)->x, -1024);
    EXPECT_EQ(m.normalsValid, 0);
}

TEST(Group3D, NormalizeScalesEveryMeshByTheWantedOnes)
{
    initMathTables();
    Group3D* g = twoMeshGroup();
    g->normalize(2.0f, u"body", nullptr);
    // The body spans 2 units: scale 2 / 1; centre (1, 1, 0) becomes the origin.
    EXPECT_EQ(g->mesh(0)->vertex(1)->x, 2048 * 2);
    EXPECT_EQ(g->mesh(0)->vertex(0)->x, -2048 * 2);
    EXPECT_EQ(g->mesh(1)->vertex(1)->x, (8 - 1) * 2048 * 2);
    EXPECT_FLOAT_EQ(g->size.x, 4.0f);
    delete g;
}

TEST(Group3D, NamesAndFilters)
{
    Group3D* g = twoMeshGroup();
    EXPECT_EQ(g->findObject(u"wing"), g->mesh(1));
    EXPECT_EQ(g->findObject(nullptr), nullptr);
    EXPECT_EQ(g->findMaterial(u"blue"), g->material(1));
    EXPECT_TRUE(Group3D::passesFilter(u"wing", u"body,wing", nullptr));
    EXPECT_FALSE(Group3D::passesFilter(u"wing", nullptr, u"wing"));
    EXPECT_FALSE(Group3D::passesFilter(u"tail", u"body,wing", nullptr));
    Mesh* removed = g->removeObject(u"body");
    EXPECT_EQ(g->meshCount(), 1);
    delete removed;
    delete g;
}

TEST(Group3D, EveryCloneModeFreesOnlyWhatItCopied)
{
    initMathTables();
    for (int mode : {0, 1, 2, 3, 4, 5, 6, 7})
    {
        Group3D* source = twoMeshGroup();
        Group3D* lod = twoMeshGroup();
        source->setLevels(&lod, 1, 10.0f);
        Group3D* copy = source->clone(mode);
        const int effective = mode == 2 ? 3 : mode;
        EXPECT_EQ(copy->cloneMode, effective);
        EXPECT_EQ(copy->objects != source->objects, (effective & 1) != 0) << mode;
        EXPECT_EQ(copy->materials != source->materials, (effective & 2) != 0) << mode;
        EXPECT_EQ(copy->levels != source->levels, (effective & 4) != 0) << mode;
        if ((effective & 3) == 3)
        {
            // Meshes point at the copied materials of the same index.
            EXPECT_EQ(copy->mesh(1)->material, copy->material(1)) << mode;
            EXPECT_NE(copy->mesh(1)->material, source->material(1)) << mode;
        }
        // Freeing the clone and then its source (and the emptied level
        // group) must neither leak nor free twice (AddressSanitizer).
        delete copy;
        EXPECT_EQ(source->mesh(0)->vertexCount(), 3) << mode;
        delete source;
        delete lod;
    }
}

TEST(Group3D, LevelsTakeOverTheirMeshesAndMaterials)
{
    Group3D* g = twoMeshGroup();
    Group3D* far = twoMeshGroup();
    Mesh* wing = far->mesh(1);
    g->setLevels(&far, 1, 5.0f);
    EXPECT_EQ(g->levelCount, 1);
    EXPECT_EQ(g->findLevelObject(0, u"wing"), wing);
    EXPECT_EQ(far->meshCount(), 0);
    EXPECT_EQ(far->materialCount(), 0);
    EXPECT_EQ(g->materialCount(), 4);
    // A second call and bad arguments change nothing.
    g->setLevels(&far, 1, 5.0f);
    Group3D* none = new Group3D();
    none->setLevels(&far, 1, 0.0f);
    EXPECT_EQ(none->levelCount, 0);
    delete none;
    delete far;
    delete g;
}

TEST(Chip3D, CornersOfEachOrientation)
{
    initMathTables();
    struct Case
    {
        int orientation;
        bool mirror;
        int32_t x0, y0, z0;
        int32_t u0, u2;
    } cases[] = {
        {0, false, 0, 1024, 1024, 0, 65536},
        {1, false, 1024, 0, 1024, 0, 65536},
        {2, true, 1024, 1024, 0, 65536, 0},
    };
    for (const Case& c : cases)
    {
        // Scale 0.5 on a 1 x 1 quad: the radius 0.5 keeps the corners at 0.5.
        Chip3D chip(0.5f, 1.0f, 1.0f, c.orientation, nullptr, nullptr, c.mirror);
        const Mesh* m = chip.findObject(u"chip");
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(chip.getMaterial(), chip.findMaterial(u"chipMtl"));
        EXPECT_EQ(chip.getMaterial()->flat, 1);
        EXPECT_EQ(m->vertex(0)->x, c.x0) << c.orientation;
        EXPECT_EQ(m->vertex(0)->y, c.y0) << c.orientation;
        EXPECT_EQ(m->vertex(0)->z, c.z0) << c.orientation;
        EXPECT_EQ(m->vertex(0)->u, c.u0) << c.orientation;
        EXPECT_EQ(m->vertex(2)->u, c.u2) << c.orientation;
        EXPECT_EQ(m->vertex(1)->v, 65536);
        EXPECT_FLOAT_EQ(chip.chipWidth, 1.0f);
    }
}

TEST(ChipFrames, SwitchesOnlyTheArraysItHas)
{
    TexturedMaterial m;
    Texture* frames[2] = {reinterpret_cast<Texture*>(0x10), reinterpret_cast<Texture*>(0x20)};
    Texture* keep = reinterpret_cast<Texture*>(0x30);
    m.mask = keep;
    ChipFrames anim(&m, 2, frames, nullptr);
    anim.setFrame(1);
    EXPECT_EQ(m.texture, frames[1]);
    EXPECT_EQ(m.mask, keep);
    anim.setFrame(5);
    EXPECT_EQ(m.texture, frames[1]);
}

TEST(Material, ColourKeyOfTheTextureTurnsItIntoItsOwnMask)
{
    Image* keyed = new Image(1, 1, false);
    keyed->create(4, 4, 32);
    keyed->hasColorKey = 1;
    keyed->colorKey = 0x00FF00;
    Image* frames[1] = {keyed};
    Texture texture(u"k.gif", frames, 1, false, false);
    TexturedMaterial m;
    m.useTextureColorKey();
    EXPECT_EQ(m.mask, nullptr);
    m.texture = &texture;
    m.useTextureColorKey();
    EXPECT_EQ(m.mask, &texture);
    EXPECT_EQ(m.useColorKey, 1);
    EXPECT_EQ(m.colorKey, 0x00FF00u);
    Material* copy = m.clone();
    EXPECT_EQ(copy->mask, &texture);
    EXPECT_EQ(copy->detailLevel, 2);
    delete copy;
}
