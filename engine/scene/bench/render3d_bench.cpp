// render3d_bench.cpp -- one whole 3D frame at 240 x 320: 24 textured, lit
// models of 200 faces each under fog
#include "engine/scene/tests/raster_fixture.h"

#include "engine/base/math_utils.h"
#include "engine/scene/3d/camera.h"
#include "engine/scene/3d/environment.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/light.h"
#include "engine/scene/3d/loader_3ds.h"
#include "engine/scene/scenes/renderer3d.h"
#include "content/model3ds/model_writer.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kWidth = 240, kHeight = 320, kModels = 24;

Group3D* ringModel(Texture* texture)
{
    model3ds::ModelSpec spec;
    spec.materials = {{"skin"}};
    spec.meshes.push_back(model3ds::torusMesh("ring", 1.0f, 0.35f, 10, 10, "skin"));
    const std::vector<uint8_t> bytes = model3ds::writeModel(spec);
    Group3D* model = Loader3DS::parse(bytes.data(), bytes.size(), nullptr, u"");
    model->normalize(1.0f, nullptr, nullptr);
    model->material(0)->texture = texture;
    return model;
}

void fullFrame(benchmark::State& state)
{
    initMathTables();
    const int bits = int(state.range(0));
    Texture* texture = rastertest::makeTexture(64, 64, bits, [](int x, int y) { return ((x ^ y) & 8) ? 0xD0A040u : 0x3050C0u; });
    rastertest::LitView view(kWidth, kHeight, bits, Vector3(-0.4f, -0.5f, 1.0f));
    Image* surface = view.surface;
    Renderer3D& renderer = view.renderer;
    Environment& environment = view.environment;
    Fog fog(8, 20, 0x607080);
    environment.fog = &fog;
    Camera camera(0, 45.0f);
    camera.setViewport(kWidth, kHeight);
    camera.setPosition(0.0f, 0.0f, -6.0f);
    camera.setTarget(0.0f, 0.0f, 6.0f);
    Group3D* source = ringModel(texture);
    PtrVector groups;
    for (int i = 0; i < kModels; ++i)
    {
        Group3D* g = source->clone(Group3D::kCloneMeshes | Group3D::kCloneMaterials);
        g->matrix.setTranslationXYZ(float(i % 4) * 1.8f - 2.7f, float(i / 4 % 3) * 2.4f - 2.4f, float(i / 12) * 5.0f + 2.0f);
        groups.add(g);
    }
    int faces = 0, drawn = 0;
    for (auto _ : state)
    {
        for (int i = 0; i < kModels; ++i)
        {
            Group3D* g = static_cast<Group3D*>(groups.get(i));
            Matrix4 turn;
            turn.rotY(0.05f);
            g->matrix.multiply(turn);
        }
        surface->drawRect(0x607080, 0, 0, kWidth, kHeight, true);
        renderer.renderFrame(0.04f, &groups, camera, environment);
        faces = renderer.opaqueCount + renderer.transparentCount;
        drawn = renderer.groupsDrawn;
        benchmark::ClobberMemory();
    }
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["faces drawn"] = faces;
    state.counters["models drawn"] = drawn;
    for (int i = 0; i < kModels; ++i)
        delete static_cast<Group3D*>(groups.get(i));
    delete source;
    delete texture;
}

} // namespace

BENCHMARK(fullFrame)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
