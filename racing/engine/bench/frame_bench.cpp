// frame_bench.cpp -- one 3D frame at 240 x 320 in 16 bits: textured, lit,
// fogged rings turning in front of a fixed camera, drawn by the racing
// scene's render pass and by the engine's for the same models in the same
// run, beside a copy of one frame's bytes
#include "racing/engine/animators.h"
#include "racing/engine/base_library.h"
#include "racing/engine/loader3ds.h"
#include "racing/engine/render_target.h"
#include "racing/engine/scene3d.h"

#include "engine/scene/bench/frame_copy_reference.h"
#include "engine/scene/3d/camera.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/tests/raster_fixture.h"
#include "content/model3ds/model_writer.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kWidth = 240, kHeight = 320, kBits = 16;
const Vector3 kLight(-0.4f, -0.5f, 1.0f);
constexpr uint32_t kAmbient = 0x303030, kFogColour = 0x607080;

struct Models
{
    std::unique_ptr<Texture> texture{rastertest::makeTexture(
        64, 64, kBits, [](int x, int y) { return ((x ^ y) & 8) ? 0xD0A040u : 0x3050C0u; })};
    std::unique_ptr<Group3D> source;

    Models()
    {
        racing::initRacingMath();
        model3ds::ModelSpec spec;
        spec.materials = {{"skin"}};
        spec.meshes.push_back(model3ds::torusMesh("ring", 1.0f, 0.35f, 10, 10, "skin"));
        const std::vector<uint8_t> bytes = model3ds::writeModel(spec);
        racing::Loader3DS loader;
        source.reset(loader.parse(bytes.data(), bytes.size(), 1.0f, nullptr, u""));
        source->material(0)->texture = texture.get();
    }
    // Model i: rows of four across, three rows high, further away every twelve.
    Group3D* place(int i) const
    {
        Group3D* g = source->clone(Group3D::kCloneMeshes | Group3D::kCloneMaterials);
        g->matrix.setTranslationXYZ(float(i % 4) * 1.8f - 2.7f, float(i / 4 % 3) * 2.4f - 2.4f, float(i / 12) * 5.0f + 2.0f);
        return g;
    }
};

void turn(Group3D& g)
{
    Matrix4 step;
    step.rotY(0.05f);
    g.matrix.multiply(step);
}

// range(0): the number of models.
void racingFrame(benchmark::State& state)
{
    Models models;
    const int count = int(state.range(0));
    std::unique_ptr<Image> window(rastertest::makeSurface(kWidth, kHeight, kBits));
    racing::Scene3D scene(0, 0, kWidth, kHeight, kFogColour, nullptr);
    scene.renderer.setTarget(new racing::RenderTarget(window.get(), kWidth, kHeight, kFogColour, nullptr, true));
    std::unique_ptr<Light> light(racing::makeLight(kLight, 0xFFFFFF));
    scene.addLight(u"sun", light.get());
    scene.environment.ambient = kAmbient;
    Fog fog(8, 20, kFogColour);
    scene.environment.fog = &fog;
    scene.camera.setPosition(0.0f, 0.0f, -6.0f);
    scene.camera.setTarget(0.0f, 0.0f, 6.0f);
    for (int i = 0; i < count; ++i)
        scene.addChild(u"ring", models.place(i));
    scene.initView(1.0f, nullptr, true);
    for (auto _ : state)
    {
        for (Group3D* g : scene.children)
            turn(*g);
        scene.render(0.04f);
        benchmark::ClobberMemory();
    }
    state.SetLabel("racing");
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["faces drawn"] = scene.renderer.statistics.opaqueFaces + scene.renderer.statistics.transparentFaces;
}

// The engine's pass over the same models, camera, light and fog.
void engineFrame(benchmark::State& state)
{
    Models models;
    const int count = int(state.range(0));
    rastertest::LitView view(kWidth, kHeight, kBits, kLight);
    Fog fog(8, 20, kFogColour);
    view.environment.fog = &fog;
    Camera camera(0, 45.0f);
    camera.setViewport(kWidth, kHeight);
    camera.setPosition(0.0f, 0.0f, -6.0f);
    camera.setTarget(0.0f, 0.0f, 6.0f);
    PtrVector groups;
    for (int i = 0; i < count; ++i)
        groups.add(models.place(i));
    for (auto _ : state)
    {
        for (int i = 0; i < count; ++i)
            turn(*static_cast<Group3D*>(groups.get(i)));
        view.surface->drawRect(kFogColour, 0, 0, kWidth, kHeight, true);
        view.renderer.renderFrame(0.04f, &groups, camera, view.environment);
        benchmark::ClobberMemory();
    }
    state.SetLabel("engine");
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["faces drawn"] = view.renderer.opaqueCount + view.renderer.transparentCount;
    for (int i = 0; i < count; ++i)
        delete static_cast<Group3D*>(groups.get(i));
}

void frameCopyReference(benchmark::State& state)
{
    copyFrameBytes(state, size_t(kWidth) * kHeight * size_t(kBits / 8));
}

} // namespace

BENCHMARK(racingFrame)->Arg(24)->Arg(96)->Unit(benchmark::kMillisecond);
BENCHMARK(engineFrame)->Arg(24)->Arg(96)->Unit(benchmark::kMillisecond);
BENCHMARK(frameCopyReference)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
