// loader3ds_test.cpp -- the racing 3DS loader beside the engine's: the same
// file given to both where they differ (materials named before they are
// defined, percentages as fractions, boxes), and the racing loader's own
// answers (axes, local axes, paths, broken files)
#include "racing/engine/base_library.h"
#include "racing/engine/loader3ds.h"

#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/loader_3ds.h"
#include "engine/scene/core/texture_dictionary.h"
#include "engine/platform/tests/fixture_writers.h"
#include "content/model3ds/chunk_writer.h"
#include "content/model3ds/model_writer.h"

#include "os/testing/host.h"

#include <os/windows.h>

#include <gtest/gtest.h>

#include <memory>

namespace headless = os::host::headless;
using model3ds::ChunkWriter;

namespace {

template <class Body>
std::vector<uint8_t> fileWith(Body body)
{
    return model3ds::editorFile(body);
}

// A mesh "tri" of vertices (1, 1, 1), (-1, -1, -1), (1, -1, 1) in file axes
// (bounds -1..1, so normalising to radius 1 keeps them) using material.
void triangle(ChunkWriter& w, const std::string& material)
{
    w.open(0x4000);
    w.name("tri");
    w.open(0x4100);
    w.open(0x4110);
    w.u16(3);
    for (float f : {1.f, 1.f, 1.f, -1.f, -1.f, -1.f, 1.f, -1.f, 1.f})
        w.f32(f);
    w.close();
    w.open(0x4120);
    w.u16(1);
    for (uint16_t i : {0, 1, 2, 0})
        w.u16(i);
    w.close();
    w.open(0x4130);
    w.name(material);
    w.u16(1);
    w.u16(0);
    w.close();
    w.close();
    w.close();
}

void material(ChunkWriter& w, const std::string& name, uint32_t colour)
{
    w.open(0xAFFF);
    w.open(0xA000);
    w.name(name);
    w.close();
    w.open(0xA020);
    w.colourBytes(uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour));
    w.close();
    w.close();
}

std::unique_ptr<Group3D> racingParse(const std::vector<uint8_t>& bytes, racing::Loader3DS* loader = nullptr)
{
    racing::Loader3DS own;
    return std::unique_ptr<Group3D>((loader ? loader : &own)->parse(bytes.data(), bytes.size(), 1.0f, nullptr, u""));
}

std::unique_ptr<Group3D> engineParse(const std::vector<uint8_t>& bytes)
{
    return std::unique_ptr<Group3D>(::Loader3DS::parse(bytes.data(), bytes.size(), nullptr, u""));
}

class RacingLoader3DS : public ::testing::Test
{
protected:
    void SetUp() override
    {
        racing::initRacingMath();
        headless::clear_boxes();
    }
};

} // namespace

TEST_F(RacingLoader3DS, AMaterialDefinedAfterItsMeshIsBoundAtTheEnd)
{
    const auto bytes = fileWith([](ChunkWriter& w) {
        triangle(w, "late");
        material(w, "late", 0x10A020);
    });
    auto racingModel = racingParse(bytes);
    ASSERT_NE(racingModel, nullptr);
    ASSERT_NE(racingModel->mesh(0)->material, nullptr);
    EXPECT_EQ(racingModel->mesh(0)->material, racingModel->findMaterial(u"late"));
    EXPECT_EQ(racingModel->mesh(0)->material->color, 0x10A020u);
    // The engine's loader binds while reading: the name is not known yet.
    auto engineModel = engineParse(bytes);
    ASSERT_NE(engineModel, nullptr);
    EXPECT_EQ(engineModel->mesh(0)->material, nullptr);

    // A name no material carries leaves the mesh without one.
    auto none = racingParse(fileWith([](ChunkWriter& w) { triangle(w, "absent"); }));
    EXPECT_EQ(none->mesh(0)->material, nullptr);
}

TEST_F(RacingLoader3DS, PercentagesAreFractions)
{
    struct Case
    {
        const char* what;
        uint16_t property;
        bool asFloat;
        float value;
        int transparency, shininess;
    };
    const Case cases[] = {
        {"transparency 50 %", 0xA050, false, 50, 127, 255},
        {"transparency 0.25", 0xA050, true, 0.25f, 63, 255},
        {"shininess strength 33 %", 0xA041, false, 33, 0, 84},
        {"shininess strength 1.0", 0xA041, true, 1.0f, 0, 255},
    };
    for (const Case& c : cases)
    {
        const auto bytes = fileWith([&](ChunkWriter& w) {
            w.open(0xAFFF);
            w.open(0xA000);
            w.name("m");
            w.close();
            w.open(c.property);
            if (c.asFloat)
                w.percentFloat(c.value);
            else
                w.percentInt(uint16_t(c.value));
            w.close();
            w.close();
        });
        auto g = racingParse(bytes);
        ASSERT_NE(g, nullptr) << c.what;
        const Material* m = g->findMaterial(u"m");
        ASSERT_NE(m, nullptr) << c.what;
        EXPECT_EQ(m->transparency, c.transparency) << c.what;
        EXPECT_EQ(m->shininessStrength, c.shininess) << c.what;
    }
}

TEST_F(RacingLoader3DS, MapAmountsAreKeptAsFloats)
{
    const auto bytes = fileWith([](ChunkWriter& w) {
        w.open(0xAFFF);
        w.open(0xA000);
        w.name("m");
        w.close();
        const struct
        {
            uint16_t id;
            uint16_t percent;
        } maps[] = {{0xA200, 40}, {0xA210, 75}, {0xA220, 10}};
        for (const auto& map : maps)
        {
            w.open(map.id);
            w.percentInt(map.percent);
            w.open(0xA300);
            w.name("none.bmp");
            w.close();
            w.close();
        }
        w.close();
    });
    auto g = racingParse(bytes);
    const Material* m = g->findMaterial(u"m");
    ASSERT_NE(m, nullptr);
    EXPECT_FLOAT_EQ(m->textureAmount, 0.40f);
    EXPECT_FLOAT_EQ(m->maskAmount, 0.75f);
    EXPECT_FLOAT_EQ(m->reflectionAmount, 0.10f);
    EXPECT_EQ(m->texturePercent, 101) << "40 x 0.01 in single precision is just under 0.4";
    // The engine's reader keeps its integer percentages and leaves the
    // fractions at 1.
    auto e = engineParse(bytes);
    EXPECT_FLOAT_EQ(e->findMaterial(u"m")->textureAmount, 1.0f);
    EXPECT_EQ(e->findMaterial(u"m")->texturePercent, 40 * 255 / 100);
}

TEST_F(RacingLoader3DS, AxesTextureCoordinatesAndLocalAxes)
{
    const auto bytes = fileWith([](ChunkWriter& w) {
        w.open(0x4000);
        w.name("tri");
        w.open(0x4100);
        w.open(0x4110);
        w.u16(3);
        for (float f : {1.f, 2.f, 3.f, -1.f, -2.f, -3.f, 0.f, 0.f, 0.f})
            w.f32(f);
        w.close();
        w.open(0x4140);
        w.u16(1);
        w.f32(0.5f);
        w.f32(0.25f);
        w.close();
        w.open(0x4160);
        for (int i = 1; i <= 12; ++i)
            w.f32(float(i));
        w.close();
        w.close();
        w.close();
    });
    racing::Loader3DS loader;
    Group3D* raw = loader.parse(bytes.data(), bytes.size(), 3.0f, nullptr, u"");
    std::unique_ptr<Group3D> g(raw);
    ASSERT_NE(g, nullptr);
    // Largest extent 6 on y: radius 3 keeps the positions (unit 1024).
    const Vertex* v = g->mesh(0)->vertex(0);
    EXPECT_EQ(v->x, -1 * 1024);
    EXPECT_EQ(v->y, 3 * 1024);
    EXPECT_EQ(v->z, -2 * 1024);
    EXPECT_EQ(v->u, 32768);
    EXPECT_EQ(v->v, 49152);
    // X axis (1, 2, 3) into 0, 4, 8; ...; origin (10, 11, 12) into 3, 7, 11.
    const float expected[16] = {1, 4, 7, 10, 2, 5, 8, 11, 3, 6, 9, 12, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(loader.getLocalAxes().m[i], expected[i]) << i;
}

TEST_F(RacingLoader3DS, BrokenFilesAreReadSafely)
{
    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
        int faces;
    };
    const Case cases[] = {
        {"a face naming a vertex that is not there",
         fileWith([](ChunkWriter& w) {
             w.open(0x4100);
             w.open(0x4110);
             w.u16(3);
             for (int i = 0; i < 9; ++i)
                 w.f32(float(i % 4));
             w.close();
             w.open(0x4120);
             w.u16(2);
             for (uint16_t i : {0, 1, 2, 0, 0, 1, 7, 0})
                 w.u16(i);
             w.close();
             w.close();
         }),
         1},
        {"more texture coordinates than vertices",
         fileWith([](ChunkWriter& w) {
             w.open(0x4100);
             w.open(0x4110);
             w.u16(1);
             w.f32(1);
             w.f32(1);
             w.f32(1);
             w.close();
             w.open(0x4140);
             w.u16(500);
             for (int i = 0; i < 1000; ++i)
                 w.f32(0.5f);
             w.close();
             w.close();
         }),
         0},
        {"a count beyond the end of the file",
         fileWith([](ChunkWriter& w) {
             w.open(0x4100);
             w.open(0x4110);
             w.u16(60000);
             w.f32(1);
             w.close();
             w.close();
         }),
         0},
        {"a chunk shorter than its header",
         fileWith([](ChunkWriter& w) {
             w.u16(0x1234);
             w.u32(3);
             triangle(w, "m");
         }),
         -1},
        {"a name without its zero byte", {0x4D, 0x4D, 40, 0, 0, 0, 0x00, 0x40, 40, 0, 0, 0, 'a', 'b', 'c'}, -1},
    };
    for (const Case& c : cases)
    {
        auto g = racingParse(c.bytes);
        ASSERT_NE(g, nullptr) << c.what;
        if (c.faces < 0)
            EXPECT_EQ(g->meshCount(), 0) << c.what << ": parsing stops there";
        else
            EXPECT_EQ(g->meshCount() ? g->mesh(0)->faceCount() : 0, c.faces) << c.what;
        g->update(true);
    }
}

TEST_F(RacingLoader3DS, BoxesAreTitledException)
{
    const std::vector<uint8_t> wrong = {0x4C, 0x4D, 6, 0, 0, 0};
    EXPECT_EQ(racingParse(wrong), nullptr);
    racing::Loader3DS loader;
    EXPECT_EQ(loader.load(u"data", u"\\models\\none.3ds", 1.0f, nullptr), nullptr);
    const auto& boxes = headless::boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, u"Error: this is not a valid 3DS file.");
    EXPECT_EQ(boxes[0].caption, u"Exception");
    EXPECT_EQ(boxes[0].flags, 48u);
    EXPECT_EQ(boxes[1].text, u"Error: can not find the 3DS file 'data\\models\\none.3ds'");
    EXPECT_EQ(boxes[1].caption, u"Exception");
}

TEST_F(RacingLoader3DS, TheModelsFolderHoldsItsTextures)
{
    const std::u16string folder = u"\\racing_loader\\models\\cars";
    for (const std::u16string& dir : {std::u16string(u"\\racing_loader"), std::u16string(u"\\racing_loader\\models"), folder})
        CreateDirectoryW(dir.c_str(), nullptr);
    ASSERT_TRUE(fixtures::writeDeviceFile((folder + u"\\paint.bmp").c_str(),
                                          fixtures::makeBmp(8, 4, [](int, int) { return 0x336699u; })));
    model3ds::ModelSpec spec;
    model3ds::MaterialSpec paint{"paint"};
    paint.textureMap = "paint.bmp";
    spec.materials = {paint};
    model3ds::MeshSpec m = model3ds::boxMesh("body", 1, 1, 1, "paint");
    spec.meshes.push_back(m);
    ASSERT_TRUE(fixtures::writeDeviceFile((folder + u"\\bike.3ds").c_str(), model3ds::writeModel(spec)));
    TextureDictionary textures;
    racing::Loader3DS loader;
    std::unique_ptr<Group3D> g(loader.load(u"\\racing_loader\\models", u"\\cars\\bike.3ds", 2.0f, &textures));
    ASSERT_NE(g, nullptr);
    const Material* mat = g->findMaterial(u"paint");
    ASSERT_NE(mat, nullptr);
    ASSERT_NE(mat->texture, nullptr);
    EXPECT_EQ(mat->texture->width, 8);
    EXPECT_EQ(mat->useColorKey, 0) << "no colour key in the racing build";
    EXPECT_EQ(g->mesh(0)->material, mat);
    EXPECT_FLOAT_EQ(g->radius, 2.0f);
    EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(RacingLoader3DS, WithoutADictionaryTheMapsAreLoadedOncePerFileOfTheirFolder)
{
    for (const char16_t* dir : {u"\\loose", u"\\loose\\a", u"\\loose\\b"})
        CreateDirectoryW(dir, nullptr);
    ASSERT_TRUE(
        fixtures::writeDeviceFile(u"\\loose\\a\\paint.bmp", fixtures::makeBmp(8, 4, [](int, int) { return 0xFFu; })));
    ASSERT_TRUE(
        fixtures::writeDeviceFile(u"\\loose\\b\\paint.bmp", fixtures::makeBmp(16, 4, [](int, int) { return 0xFFu; })));
    model3ds::ModelSpec spec;
    model3ds::MaterialSpec paint{"paint"};
    paint.textureMap = "paint.bmp";
    model3ds::MaterialSpec gif{"gif"};
    gif.textureMap = "paint.gif";
    spec.materials = {paint, gif};
    spec.meshes.push_back(model3ds::boxMesh("body", 1, 1, 1, "paint"));
    spec.meshes.push_back(model3ds::boxMesh("glass", 1, 1, 1, "gif"));
    for (const char16_t* file : {u"\\loose\\a\\car.3ds", u"\\loose\\b\\car.3ds"})
        ASSERT_TRUE(fixtures::writeDeviceFile(file, model3ds::writeModel(spec)));
    racing::Loader3DS loader;
    std::unique_ptr<Group3D> first(loader.load(u"\\loose", u"a\\car.3ds", 1.0f, nullptr));
    std::unique_ptr<Group3D> second(loader.load(u"\\loose\\a", u"car.3ds", 1.0f, nullptr));
    std::unique_ptr<Group3D> other(loader.load(u"\\loose\\b", u"car.3ds", 1.0f, nullptr));
    ASSERT_TRUE(first && second && other);
    const Texture* a = first->findMaterial(u"paint")->texture;
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->width, 8);
    EXPECT_EQ(a->widthLog2, 3) << "fitted for the rasteriser";
    EXPECT_EQ(second->findMaterial(u"paint")->texture, a) << "one texture per file";
    ASSERT_NE(other->findMaterial(u"paint")->texture, nullptr);
    EXPECT_EQ(other->findMaterial(u"paint")->texture->width, 16) << "the same name in another folder is another file";
    const Texture* glass = first->findMaterial(u"gif")->texture;
    ASSERT_NE(glass, nullptr);
    EXPECT_TRUE(glass->image->isEmpty());
    EXPECT_TRUE(headless::boxes().empty()) << "a GIF is not read, and not reported";
    // The textures outlive the models that used them.
    first.reset();
    EXPECT_EQ(second->findMaterial(u"paint")->texture->width, 8);
}
