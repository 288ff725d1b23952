// loader_3ds_test.cpp -- 3DS files made here with the writer: chunks, axes,
// colours, percentages, materials, paths, broken files and the library
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/loader_3ds.h"
#include "engine/scene/3d/model_library.h"
#include "engine/scene/core/texture_dictionary.h"

#include "engine/base/math_utils.h"
#include "engine/platform/tests/fixture_writers.h"
#include "content/model3ds/chunk_writer.h"
#include "content/model3ds/model_writer.h"

#include "os/testing/host.h"

#include <os/windows.h>

#include <gtest/gtest.h>

namespace headless = os::host::headless;
using model3ds::ChunkWriter;

namespace {

// A triangle whose bounds are (-1..1) on every axis after the axis change,
// so that normalising to radius 1 keeps every position.
model3ds::MeshSpec unitMesh(const std::string& material)
{
    model3ds::MeshSpec m;
    m.name = "tri";
    m.positions = {1, 1, 1, -1, -1, -1, 1, -1, 1};
    m.uvs = {0.5f, 0.25f, 0, 0, 1, 1};
    m.faces = {0, 1, 2};
    m.material = material;
    return m;
}

// Writes a file of the device tree, making its folders first.
::testing::AssertionResult putFile(const std::u16string& path, const std::vector<uint8_t>& bytes)
{
    for (size_t i = path.find(u'\\', 1); i != std::u16string::npos; i = path.find(u'\\', i + 1))
        CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    if (fixtures::writeDeviceFile(path.c_str(), bytes))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "cannot write the file";
}

Group3D* parse(const std::vector<uint8_t>& bytes)
{
    return Loader3DS::parse(bytes.data(), bytes.size(), nullptr, u"");
}

// The main chunk with an editor chunk around body().
template <class Body>
std::vector<uint8_t> fileWith(Body body)
{
    return model3ds::editorFile(body);
}

void materialChunk(ChunkWriter& w, const std::string& name, uint16_t property, const std::vector<uint8_t>& sub)
{
    w.open(0xAFFF);
    w.open(0xA000);
    w.name(name);
    w.close();
    w.open(property);
    w.raw(sub);
    w.close();
    w.close();
}

} // namespace

TEST(Loader3DS, AxesTextureCoordinatesAndNormalize)
{
    initMathTables();
    model3ds::ModelSpec spec;
    model3ds::MeshSpec m;
    m.name = "tri";
    m.positions = {1, 2, 3, -1, -2, -3, 0, 0, 0};
    m.uvs = {0.5f, 0.25f, 0, 0, 1, 1};
    m.faces = {0, 1, 2};
    spec.meshes.push_back(m);
    Group3D* g = parse(model3ds::writeModel(spec));
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->meshCount(), 1);
    const Vertex* v = g->mesh(0)->vertex(0);
    EXPECT_EQ(v->x, -1 * 2048);
    EXPECT_EQ(v->y, 3 * 2048);
    EXPECT_EQ(v->z, -2 * 2048);
    EXPECT_EQ(v->u, 32768);
    EXPECT_EQ(v->v, 49152);
    EXPECT_EQ(g->mesh(0)->faceCount(), 1);
    EXPECT_TRUE(sameName(g->mesh(0)->name, u"tri"));
    // Largest extent 6 on y: radius 3 keeps the positions.
    g->normalize(3.0f, nullptr, nullptr);
    EXPECT_EQ(g->mesh(0)->vertex(0)->y, 3 * 2048);
    delete g;
}

TEST(Loader3DS, ColoursAndPercentages)
{
    struct Case
    {
        const char* what;
        uint16_t property;
        std::vector<uint8_t> sub;
        int32_t Material::*field;
        uint32_t expected;
    };
    auto colourFloats = [] {
        ChunkWriter s;
        s.colourFloats(0.4f, 0.6f, 254.6f);
        return s.data();
    }();
    auto colourBytes = [] {
        ChunkWriter s;
        s.colourBytes(1, 2, 3);
        return s.data();
    }();
    auto percentInt = [] {
        ChunkWriter s;
        s.percentInt(50);
        return s.data();
    }();
    auto percentFloat = [] {
        ChunkWriter s;
        s.percentFloat(0.5f);
        return s.data();
    }();
    auto unknownColour = [] {
        ChunkWriter s;
        s.open(0x0012);
        s.u8(9);
        s.close();
        return s.data();
    }();
    const Case cases[] = {
        {"float colour", 0xA020, colourFloats, nullptr, 0x0001FF},
        {"byte colour", 0xA080, colourBytes, nullptr, 0x010203},
        {"int percent", 0xA050, percentInt, &Material::transparency, 127},
        {"float percent", 0xA041, percentFloat, &Material::shininessStrength, 127},
        {"unknown colour id", 0xA020, unknownColour, nullptr, 0},
    };
    for (const Case& c : cases)
    {
        Group3D* g = parse(fileWith([&](ChunkWriter& w) { materialChunk(w, "m", c.property, c.sub); }));
        ASSERT_NE(g, nullptr) << c.what;
        Material* m = g->findMaterial(u"m");
        ASSERT_NE(m, nullptr) << c.what;
        uint32_t got = c.field ? uint32_t(m->*c.field) : (c.property == 0xA080 ? m->color2 : m->color);
        EXPECT_EQ(got, c.expected) << c.what;
        delete g;
    }
}

TEST(Loader3DS, LastFaceMaterialGroupWinsAndUnknownChunksAreSkipped)
{
    model3ds::ModelSpec spec;
    spec.materials = {{"first"}, {"second"}};
    spec.meshes.push_back(unitMesh("first"));
    std::vector<uint8_t> bytes = model3ds::writeModel(spec);
    // Append, inside the editor chunk's stream, an unknown chunk and a
    // second face-material group: the reader walks chunks flat.
    ChunkWriter tail;
    tail.open(0x7777);
    tail.raw({1, 2, 3, 4, 5});
    tail.close();
    tail.open(0x4130);
    tail.name("second");
    tail.u16(0);
    tail.close();
    bytes.insert(bytes.end(), tail.data().begin(), tail.data().end());
    Group3D* g = parse(bytes);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->mesh(0)->material, g->findMaterial(u"second"));
    EXPECT_EQ(g->materialCount(), 2);
    delete g;
}

TEST(Loader3DS, BadCountsAndIndicesAreRefusedSafely)
{
    struct Case
    {
        const char* what;
        std::function<void(ChunkWriter&)> body;
        int meshes, vertices, faces;
    };
    const Case cases[] = {
        {"geometry before any mesh",
         [](ChunkWriter& w) {
             w.open(0x4110);
             w.u16(1);
             w.f32(1);
             w.f32(2);
             w.f32(3);
             w.close();
             w.open(0x4120);
             w.u16(1);
             for (int i = 0; i < 4; ++i)
                 w.u16(0);
             w.close();
         },
         0, 0, 0},
        {"face index beyond the vertices",
         [](ChunkWriter& w) {
             w.open(0x4000);
             w.name("m");
             w.open(0x4100);
             w.open(0x4110);
             w.u16(3);
             for (int i = 0; i < 9; ++i)
                 w.f32(float(i));
             w.close();
             w.open(0x4120);
             w.u16(2);
             for (uint16_t i : {0, 1, 2, 0, 0, 1, 900, 0})
                 w.u16(i);
             w.close();
             w.open(0x4140);
             w.u16(50); // more coordinates than vertices
             for (int i = 0; i < 100; ++i)
                 w.f32(0.5f);
             w.close();
             w.close();
             w.close();
         },
         1, 3, 1},
        {"count beyond the end of the file",
         [](ChunkWriter& w) {
             w.open(0x4100);
             w.open(0x4110);
             w.u16(60000);
             w.f32(1);
             w.close();
             w.close();
         },
         1, 0, 0},
        {"chunk length shorter than its header",
         [](ChunkWriter& w) {
             w.u16(0x1234);
             w.u32(2);
             w.u16(0x4100);
             w.u32(6);
         },
         0, 0, 0},
        {"material data without a material block",
         [](ChunkWriter& w) {
             w.open(0xA020);
             w.colourBytes(1, 2, 3);
             w.close();
             w.open(0xA000);
             w.name("orphan");
             w.close();
             w.empty(0xAFFF);
             w.empty(0xAFFF);
         },
         0, 0, 0},
    };
    for (const Case& c : cases)
    {
        Group3D* g = parse(fileWith(c.body));
        ASSERT_NE(g, nullptr) << c.what;
        EXPECT_EQ(g->meshCount(), c.meshes) << c.what;
        if (c.meshes > 0)
        {
            EXPECT_EQ(g->mesh(0)->vertexCount(), c.vertices) << c.what;
            EXPECT_EQ(g->mesh(0)->faceCount(), c.faces) << c.what;
        }
        g->update(true);
        delete g;
    }
}

TEST(Loader3DS, NotA3dsFileAndAMissingFileShowTheirBoxes)
{
    headless::clear_boxes();
    const std::vector<uint8_t> wrong = {0x4C, 0x4D, 6, 0, 0, 0};
    EXPECT_EQ(parse(wrong), nullptr);
    EXPECT_EQ(parse({}), nullptr);
    Loader3DS loader;
    EXPECT_EQ(loader.load(u"data", u"\\models\\none.3ds", 1.0f, nullptr, nullptr, nullptr, nullptr), nullptr);
    const auto& boxes = headless::boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, u"Error: this is not a valid 3DS file.");
    EXPECT_EQ(boxes[0].caption, u"Error");
    EXPECT_EQ(boxes[0].flags, 48u);
    EXPECT_EQ(boxes[2].text, u"Error: can not find the 3DS file 'data\\models\\none.3ds'");
}

TEST(Loader3DS, FolderOfTheFileAndItsTextures)
{
    initMathTables();
    ASSERT_TRUE(putFile(u"\\data\\models\\skin.bmp", fixtures::makeBmp(8, 8, [](int, int) { return 0x336699u; })));
    model3ds::ModelSpec spec;
    model3ds::MaterialSpec skin{"skin"};
    skin.textureMap = "skin.bmp";
    spec.materials = {skin};
    spec.meshes.push_back(unitMesh("skin"));
    ASSERT_TRUE(putFile(u"\\data\\models\\jet.3ds", model3ds::writeModel(spec)));
    TextureDictionary textures;
    Loader3DS loader;
    Group3D* g = loader.load(u"\\data", u"\\models\\jet.3ds", 1.0f, &textures, nullptr, nullptr, nullptr);
    ASSERT_NE(g, nullptr);
    Material* m = g->findMaterial(u"skin");
    ASSERT_NE(m, nullptr);
    ASSERT_NE(m->texture, nullptr);
    EXPECT_EQ(m->texture->width, 8);
    EXPECT_EQ(g->mesh(0)->material, m);
    delete g;
}

TEST(ModelLibrary, LoadsOnceAndHandsOutOwnedClones)
{
    initMathTables();
    model3ds::ModelSpec spec;
    spec.materials = {{"paint"}};
    spec.meshes.push_back(unitMesh("paint"));
    ASSERT_TRUE(putFile(u"\\lib\\Box.3ds", model3ds::writeModel(spec)));
    headless::clear_boxes();
    ModelLibrary* library = new ModelLibrary();
    Group3D* first = library->load(u"\\lib", u"Box.3ds", 1.0f, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(library->lastFromCache, 0);
    Group3D* second = library->load(u"\\lib", u"BOX.3DS", 2.0f, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(library->lastFromCache, 1);
    EXPECT_EQ(library->size(), 1);
    EXPECT_NE(first, second);
    EXPECT_NE(first->mesh(0), second->mesh(0));
    EXPECT_EQ(second->mesh(0)->material, second->findMaterial(u"paint"));
    // The clone is normalised to its own radius; the first keeps its size.
    EXPECT_EQ(first->mesh(0)->vertex(0)->x, -2048);
    EXPECT_EQ(second->mesh(0)->vertex(0)->x, -4096);
    EXPECT_FLOAT_EQ(second->radius, 2.0f);
    // A missing file is not remembered; null names give null.
    EXPECT_EQ(library->load(u"\\lib", u"gone.3ds", 1.0f, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(library->load(u"\\lib", nullptr, 1.0f, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(library->size(), 1);
    // The handed-out models outlive a reset and the library (AddressSanitizer).
    library->reset();
    EXPECT_EQ(library->size(), 0);
    delete library;
    EXPECT_EQ(first->mesh(0)->vertexCount(), 3);
    delete first;
    delete second;
}
