// spinning_model_test.cpp -- a lit, textured, fogged 3DS model spinning in
// front of a follow camera, drawn headless and written out from three angles
#include "raster_fixture.h"

#include "engine/base/math_utils.h"
#include "engine/platform/tests/fixture_writers.h"
#include "engine/platform/tests/pixel_check.h"
#include "engine/scene/3d/camera.h"
#include "engine/scene/3d/environment.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/light.h"
#include "engine/scene/3d/model_library.h"
#include "engine/scene/scenes/renderer3d.h"
#include "engine/scene/core/texture_dictionary.h"
#include "content/model3ds/model_writer.h"

#include "os/testing/host.h"

#include <os/windows.h>

#include <gtest/gtest.h>

#include <set>

namespace {

constexpr int kWidth = 240, kHeight = 320;
constexpr uint32_t kFog = 0x405060;

// A checker-textured box and a ring around it, as one 3DS file.
void writeModelFiles()
{
    CreateDirectoryW(u"\\models", nullptr);
    ASSERT_TRUE(fixtures::writeDeviceFile(
        u"\\models\\checker.bmp",
        fixtures::makeBmp(64, 64, [](int x, int y) { return ((x / 16 + y / 16) & 1) ? 0xE0C020u : 0x2060E0u; })));
    model3ds::ModelSpec spec;
    model3ds::MaterialSpec paint{"paint"};
    paint.textureMap = "checker.bmp";
    model3ds::MaterialSpec ring{"ring", 0xD04030};
    spec.materials = {paint, ring};
    spec.meshes.push_back(model3ds::boxMesh("box", 1.0f, 0.6f, 0.8f, "paint"));
    spec.meshes.push_back(model3ds::torusMesh("ring", 1.6f, 0.25f, 12, 8, "ring"));
    ASSERT_TRUE(fixtures::writeDeviceFile(u"\\models\\toy.3ds", model3ds::writeModel(spec)));
}

uint32_t pixelOf(const Image& image, int x, int y)
{
    return image.colorAt(x, y);
}

} // namespace

TEST(SpinningModel, LitTexturedAndFoggedFromThreeAngles)
{
    initMathTables();
    writeModelFiles();
    TextureDictionary textures;
    ModelLibrary library;
    Group3D* model = library.load(u"\\models", u"toy.3ds", 2.0f, &textures, nullptr, nullptr, nullptr);
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->meshCount(), 2);

    rastertest::LitView view(kWidth, kHeight, 16, Vector3(-0.5f, -0.6f, 1.0f));
    Image* surface = view.surface;
    Renderer3D& renderer = view.renderer;
    Environment& environment = view.environment;
    Fog fog(6, 11, kFog);
    environment.fog = &fog;
    renderer.updateEnvironment(environment);

    Camera camera(0, 45.0f);
    camera.setViewport(kWidth, kHeight);
    Vector3 offset(0.0f, 0.35f, -1.0f);
    camera.follow(7, &model->matrix, 7.0f, 0.0f, offset);
    PtrVector groups;
    groups.add(model);

    std::set<uint64_t> pictures;
    const char* names[3] = {"spinning_model_0", "spinning_model_1", "spinning_model_2"};
    for (int shot = 0; shot < 3; ++shot)
    {
        // One third of a turn between shots, in 20 frames.
        for (int frame = 0; frame < 20; ++frame)
        {
            Matrix4 turn;
            turn.rotY(6.2831853f / 60.0f);
            model->matrix.multiply(turn);
            model->matrix.setTranslationXYZ(0.0f, 0.0f, 0.0f);
            camera.updateFollow(0.04f);
            surface->drawRect(kFog, 0, 0, kWidth, kHeight, true);
            renderer.renderFrame(0.04f, &groups, camera, environment);
        }
        std::string path = pixelcheck::outputPath(names[shot]);
        EXPECT_TRUE(os::host::write_png(path, kWidth, kHeight, surface->bits, surface->stride, surface->pixels));
        uint64_t hash = 1469598103934665603ull;
        int drawn = 0;
        std::set<uint32_t> colours;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
            {
                const uint32_t c = pixelOf(*surface, x, y);
                hash = (hash ^ c) * 1099511628211ull;
                if (c != pixelcheck::stored(kFog, 16))
                {
                    ++drawn;
                    colours.insert(c);
                }
            }
        pictures.insert(hash);
        EXPECT_GT(drawn, 4000) << names[shot];
        EXPECT_GT(colours.size(), 20u) << names[shot]; // lit, textured, fogged shades
        // The nearest surface at the centre of the screen is in front of
        // the model's centre: back faces were culled, front faces drawn.
        const uint32_t centreDepth = renderer.depthBuffer[(kHeight / 2) * kWidth + kWidth / 2];
        EXPECT_LT(centreDepth >> 16, 7u) << names[shot];
        EXPECT_GT(renderer.opaqueCount, 60) << names[shot]; // about half of 204 faces face the eye
    }
    EXPECT_EQ(pictures.size(), 3u);
    delete model;
}
