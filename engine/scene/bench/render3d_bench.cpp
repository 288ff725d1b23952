// render3d_bench.cpp -- one whole 3D frame at 240 x 320: 24, 48 or 96
// textured, lit models of 200 faces each under fog, beside a copy of one
// frame's bytes, so cost against size and the ratio are read from one run
#include "engine/scene/bench/frame_copy_reference.h"
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

#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 240, kHeight = 320;

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

// range(0): bits per pixel; range(1): the number of models (rows of four
// across, three rows high, then further away every twelve).
void fullFrame(benchmark::State& state)
{
    initMathTables();
    const int bits = int(state.range(0)), models = int(state.range(1));
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
    for (int i = 0; i < models; ++i)
    {
        Group3D* g = source->clone(Group3D::kCloneMeshes | Group3D::kCloneMaterials);
        g->matrix.setTranslationXYZ(float(i % 4) * 1.8f - 2.7f, float(i / 4 % 3) * 2.4f - 2.4f, float(i / 12) * 5.0f + 2.0f);
        groups.add(g);
    }
    int faces = 0, drawn = 0;
    for (auto _ : state)
    {
        for (int i = 0; i < models; ++i)
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
    for (int i = 0; i < models; ++i)
        delete static_cast<Group3D*>(groups.get(i));
    delete source;
    delete texture;
}

// The reference: one frame of the surface's bytes copied.
void frameCopyReference(benchmark::State& state)
{
    copyFrameBytes(state, size_t(kWidth) * kHeight * size_t(state.range(0) / 8));
}

} // namespace

BENCHMARK(fullFrame)->ArgsProduct({{16, 32}, {24, 48, 96}})->Unit(benchmark::kMillisecond);
BENCHMARK(frameCopyReference)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
