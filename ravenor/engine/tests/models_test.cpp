// Tests of ".p3d" models and the scenery: references, placement, random
// shade offsets, bounds and refusals of bad files
#include <gtest/gtest.h>

#include <os/wstring.h>

#include "archive_fixture.h"
#include "ravenor/engine/data/models.h"
#include "content/ravenor/image_writer.h"
#include "content/ravenor/le_bytes.h"
#include "content/ravenor/mesh_writer.h"
#include "os/testing/kernel.h"

using namespace archive_fixture;
using ravenor_content::Mesh;
using ravenor_content::MeshFace;
using ravenor_content::MeshVertex;
using ravenor_content::Texture;
using ravenor_content::WriteP3d;
using ravenor_content::WriteTex;

namespace {

int g_randCalls;

int CountingRand()
{
    return 0x7C00 + (g_randCalls++ & 0x3FF);   // the low ten bits count the calls
}

class RavenorModels : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetModels();
        g_randCalls = 0;
        os::set_rand_hook(CountingRand);
    }
    void TearDown() override
    {
        os::set_rand_hook(nullptr);
        ResetModels();
        DataArchive::Reset();
    }
};

Texture Plain(uint16_t colour)
{
    Texture t;
    t.width = 2;
    t.height = 2;
    t.frames.emplace_back(4, colour);
    return t;
}

std::vector<uint8_t> Textures(int n)
{
    std::vector<Texture> list;
    for (int i = 0; i < n; ++i)
        list.push_back(Plain(static_cast<uint16_t>(0x100 + i)));
    return WriteTex(list);
}

MeshFace MeshFaceOf(uint32_t a, uint32_t b, uint32_t c, uint32_t texture)
{
    MeshFace f;
    f.corners[0].vertex = a;
    f.corners[1].vertex = b;
    f.corners[2].vertex = c;
    f.corners[0].u = 16;
    f.corners[1].u = 32;
    f.corners[2].v = -48;
    f.texture = texture;
    f.cell = 0xFFFFFFFFu;
    f.extra = 77;
    return f;
}

// A quad of two faces around a mesh translated by (10, 20, 30)
Mesh Quad(const std::string& name, uint32_t texture = 0)
{
    Mesh m;
    m.name = name;
    m.translation[0] = 10;
    m.translation[1] = 20;
    m.translation[2] = 30;
    m.vertices = {{110, 20, 30, 5}, {10, 120, 30, 6}, {10, 20, -70, 7}, {-90, -80, 130, 8}};
    m.faces = {MeshFaceOf(0, 1, 2, texture), MeshFaceOf(2, 1, 3, texture)};
    return m;
}

TEST_F(RavenorModels, LoadModelPlacesVerticesAndResolvesReferences)
{
    Mount(Files{{"base.tex", Textures(10)},
                {"alto.p3d", WriteP3d({Quad("body", 0), Quad("wheel_front_left", 2)})},
                {"alto.tex", Textures(3)}});
    ASSERT_EQ(LoadTextures("base.tex"), 1);
    P3dModel* model = LoadModel("alto.p3d", "ALTO.TEX");
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->meshes.size(), 2u);
    EXPECT_EQ(g_textures.count, 13);

    const P3dMesh& body = model->meshes[0];
    EXPECT_STREQ(body.name, "body");
    EXPECT_EQ(body.flag, 1);
    EXPECT_EQ(body.scenery, 0);
    EXPECT_EQ(body.transform.m[0], 0x4000);
    EXPECT_EQ(body.transform.t[2], 30);
    ASSERT_EQ(body.vertices.size(), 4u);
    // Positions relative to the mesh's own origin
    const int16_t want[4][3] = {{100, 0, 0}, {0, 100, 0}, {0, 0, -100}, {-100, -100, 100}};
    for (int v = 0; v < 4; ++v)
    {
        EXPECT_EQ(body.vertices[v].position.x, want[v][0]) << v;
        EXPECT_EQ(body.vertices[v].position.y, want[v][1]) << v;
        EXPECT_EQ(body.vertices[v].position.z, want[v][2]) << v;
        EXPECT_EQ(body.vertices[v].normal[2], 0x4000) << v;
    }
    ASSERT_EQ(body.faces.size(), 2u);
    const P3dFace& f = body.faces[1];
    EXPECT_EQ(f.corners[0].vertex, &body.vertices[2]);
    EXPECT_EQ(f.corners[1].vertex, &body.vertices[1]);
    EXPECT_EQ(f.corners[2].vertex, &body.vertices[3]);
    EXPECT_EQ(f.corners[0].u, 16);
    EXPECT_EQ(f.corners[1].u, 32);
    EXPECT_EQ(f.corners[2].v, -48);
    EXPECT_EQ(f.extra, 77u);
    EXPECT_EQ(f.texture, &g_textures.images[10]);
    // Texture index 2 with 10 textures in use before the call: entry 12
    EXPECT_EQ(model->meshes[1].faces[0].texture, &g_textures.images[12]);
    EXPECT_EQ(model->meshes[1].faces[0].texture->pixels[0], 0x102);
}

TEST_F(RavenorModels, ShadeOffsetsAreDrawnPerCornerAndTheLastDrawWins)
{
    Mount(Files{{"m.p3d", WriteP3d({Quad("a"), Quad("b")})}, {"m.tex", Textures(1)}});
    P3dModel* model = LoadModel("m.p3d", "m.tex");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(g_randCalls, 12) << "one draw per face corner";
    // Faces (0,1,2) and (2,1,3): draws 0..5 in mesh a, 6..11 in mesh b
    const int16_t wantA[4] = {0, 4, 3, 5};
    const int16_t wantB[4] = {6, 10, 9, 11};
    for (int v = 0; v < 4; ++v)
    {
        EXPECT_EQ(model->meshes[0].vertices[v].position.w, wantA[v]) << v;
        EXPECT_EQ(model->meshes[1].vertices[v].position.w, wantB[v]) << v;
    }
}

TEST_F(RavenorModels, ShadeOffsetsStayWithin0To1023)
{
    os::set_rand_hook(nullptr);
    os_srand(12345);
    Mesh big = Quad("big");
    for (int i = 0; i < 200; ++i)
        big.faces.push_back(MeshFaceOf(i % 4, (i + 1) % 4, (i + 2) % 4, 0));
    Mount(Files{{"r.p3d", WriteP3d({big})}, {"r.tex", Textures(1)}});
    P3dModel* model = LoadModel("r.p3d", "r.tex");
    ASSERT_NE(model, nullptr);
    for (const P3dVertex& v : model->meshes[0].vertices)
    {
        EXPECT_GE(v.position.w, 0);
        EXPECT_LE(v.position.w, 1023);
    }
}

TEST_F(RavenorModels, SceneryKeepsFilePositionsAndShadeOffsets)
{
    Mount(Files{{"first.tex", Textures(4)}, {"scenery.p3d", WriteP3d({Quad("Object01", 1), Quad("Road", 0)})},
                {"scenery.tex", Textures(2)}});
    ASSERT_EQ(LoadTextures("first.tex"), 1);
    ASSERT_EQ(LoadScenery("scenery.p3d"), 1);
    ASSERT_EQ(LoadTextures("scenery.tex"), 1);
    EXPECT_EQ(g_randCalls, 0);
    ASSERT_EQ(g_scenery.count, 2);
    const P3dMesh& city = g_scenery.meshes[0];
    EXPECT_STREQ(city.name, "Object01");
    EXPECT_STREQ(g_scenery.meshes[1].name, "Road");
    EXPECT_EQ(city.vertices[0].position.x, 110);
    EXPECT_EQ(city.vertices[3].position.z, 130);
    EXPECT_EQ(city.vertices[1].position.w, 6) << "the file's shade offset";
    EXPECT_EQ(city.faces[0].texture, &g_textures.images[5]);
    EXPECT_EQ(city.faces[0].texture->pixels[0], 0x101);
    EXPECT_EQ(city.faces[1].corners[2].vertex, &city.vertices[3]);
    EXPECT_EQ(g_scenery.meshes[1].faces[0].texture, &g_textures.images[4]);
}

TEST_F(RavenorModels, MeshCountLimits)
{
    struct Case
    {
        int meshes;
        bool loads;
    };
    const Case cases[] = {{1, true}, {64, true}, {65, false}};
    for (const Case& c : cases)
    {
        std::vector<Mesh> meshes;
        for (int i = 0; i < c.meshes; ++i)
            meshes.push_back(Quad("m" + std::to_string(i)));
        Mount(Files{{"n.p3d", WriteP3d(meshes)}, {"n.tex", Textures(1)}});
        P3dModel* model = LoadModel("n.p3d", "n.tex");
        EXPECT_EQ(model != nullptr, c.loads) << c.meshes;
        if (model)
        {
            EXPECT_EQ(model->meshes.size(), static_cast<size_t>(c.meshes));
        }
        const int32_t before = g_scenery.count;
        EXPECT_EQ(LoadScenery("n.p3d"), c.loads ? 1 : 0) << c.meshes;
        EXPECT_EQ(g_scenery.count, c.loads ? c.meshes : before);
    }
}

TEST_F(RavenorModels, BadFilesAreRefused)
{
    const std::vector<uint8_t> good = WriteP3d({Quad("a"), Quad("b")});
    // Mesh record: 56 bytes of header, 4 vertices of 32, 2 faces of 36 = 256
    const size_t second = 256;
    const size_t firstFaces = 56 + 4 * 32;
    struct Case
    {
        const char* what;
        size_t cutTo;     // 0: keep (the count word is written again at the end)
        size_t patchAt;   // 0: none
        uint32_t patch;
    };
    const Case cases[] = {
        {"no mesh count", 3, 0, 0},
        {"mesh count 0", 0, good.size() - 4, 0},
        {"mesh count 3 of 2", 0, good.size() - 4, 3},
        {"huge mesh count", 0, good.size() - 4, 0xFFFFFFFFu},
        {"second record cut short", second + 40, 0, 0},
        {"faces cut short", second + 255, 0, 0},
        {"vertex count past the end", 0, 48, 1000},
        {"face count past the end", 0, second + 52, 3},
        {"huge counts", 0, 48, 0x80000000u},
        {"corner 0 names vertex 4 of 4", 0, firstFaces, 4},
        {"corner 2 names a huge vertex", 0, firstFaces + 36 + 16, 0xFFFFFFFFu},
        {"texture index past the table", 0, firstFaces + 24, 600},
        {"texture index past the model's textures", 0, firstFaces + 24, 1},
    };
    for (const Case& c : cases)
    {
        std::vector<uint8_t> bytes = good;
        if (c.cutTo)
        {
            bytes.resize(c.cutTo);
            ravenor_content::AppendU32(bytes, 2);
            if (c.cutTo < 4)
                bytes.resize(c.cutTo);
        }
        if (c.patchAt)
            ravenor_content::PutU32(bytes, c.patchAt, c.patch);
        ResetModels();
        Mount(Files{{"bad.p3d", bytes}, {"bad.tex", Textures(1)}});
        EXPECT_EQ(LoadModel("bad.p3d", "bad.tex"), nullptr) << c.what;
    }
    EXPECT_EQ(LoadModel("absent.p3d", "bad.tex"), nullptr);
    Mount(Files{{"good.p3d", good}});
    EXPECT_EQ(LoadModel("good.p3d", "absent.tex"), nullptr) << "missing textures";
}

TEST_F(RavenorModels, BadSceneryLeavesTheTableAsItWas)
{
    Mount(Files{{"scenery.p3d", WriteP3d({Quad("Object01")})}});
    ASSERT_EQ(LoadScenery("scenery.p3d"), 1);
    std::vector<uint8_t> bad = WriteP3d({Quad("Object01"), Quad("Road")});
    ravenor_content::PutU32(bad, 56 + 4 * 32, 9);   // a face names vertex 9
    Mount(Files{{"scenery.p3d", bad}});
    EXPECT_EQ(LoadScenery("scenery.p3d"), 0);
    EXPECT_EQ(g_scenery.count, 1);
    EXPECT_STREQ(g_scenery.meshes[0].name, "Object01");
}

TEST_F(RavenorModels, ZeroCountsAndLongNames)
{
    Mesh empty;
    empty.name = std::string(24, 'x');   // fills the field: no NUL in the file
    Mesh quad = Quad("q");
    Mount(Files{{"e.p3d", WriteP3d({empty, quad})}, {"e.tex", Textures(1)}});
    P3dModel* model = LoadModel("e.p3d", "e.tex");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(std::string(model->meshes[0].name), std::string(24, 'x'));
    EXPECT_TRUE(model->meshes[0].vertices.empty());
    EXPECT_EQ(model->meshes[1].faces.size(), 2u);
}

TEST_F(RavenorModels, BoundsAndMeshSizes)
{
    Mount(Files{{"b.p3d", WriteP3d({Quad("a")})}, {"b.tex", Textures(1)}});
    P3dModel* model = LoadModel("b.p3d", "b.tex");
    ASSERT_NE(model, nullptr);
    P3dMesh& mesh = model->meshes[0];
    // Relative positions span x -100..100, y -100..100, z -100..100; the
    // translation (10, 20, 30) moves the box back
    mesh.ComputeBounds();
    const int16_t corners[8][3] = {{-90, -80, -70}, {110, -80, -70}, {-90, -80, 130}, {110, -80, 130},
                                   {-90, 120, -70}, {110, 120, -70}, {-90, 120, 130}, {110, 120, 130}};
    for (int i = 0; i < 8; ++i)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(mesh.bounds.corners[i][k], corners[i][k]) << "corner " << i << " axis " << k;
    EXPECT_EQ(mesh.bounds.centre[0], 10);
    EXPECT_EQ(mesh.bounds.centre[1], 20);
    EXPECT_EQ(mesh.bounds.centre[2], 30);

    // Unequal extents: x 300, y 40, z 101
    mesh.vertices[0].position = {-150, 0, 0, 0};
    mesh.vertices[1].position = {150, 40, 0, 0};
    mesh.vertices[2].position = {0, 10, -1, 0};
    mesh.vertices[3].position = {0, 0, 100, 0};
    MeshSize size{};
    mesh.GetBounds(size);
    EXPECT_EQ(size.radius, 150);
    EXPECT_EQ(size.minX, -140);
    EXPECT_EQ(size.maxX, 160);
    EXPECT_EQ(size.minZ, 29);
    EXPECT_EQ(size.maxZ, 130);
    EXPECT_EQ(size.minY, -60) << "negated largest y";
    EXPECT_EQ(size.maxY, -20) << "negated smallest y";

    BoundingBox box;
    box.Set(Vector4s{-3, -5, -7, 0}, Vector4s{4, 6, 8, 0});
    EXPECT_EQ(box.centre[0], 0);
    EXPECT_EQ(box.centre[1], 0);
    EXPECT_EQ(box.centre[2], 0);
    box.Set(Vector4s{-3, -4, 1, 0}, Vector4s{0, -1, 2, 0});
    EXPECT_EQ(box.centre[0], -2) << "(min + max) >> 1 rounds down";
    EXPECT_EQ(box.centre[1], -3);
    EXPECT_EQ(box.centre[2], 1);
}

} // namespace
