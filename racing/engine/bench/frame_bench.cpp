// frame_bench.cpp -- one 3D frame in 16 bits drawn by the racing scene's
// render pass and by the engine's for the same models in the same run,
// beside a copy of one frame's bytes: textured, lit, fogged rings turning
// in front of a fixed camera (240 x 320), and the smoke screen's 3D scene
// (240 x 180: the turning cube, the flag and the chip reaching into the
// fog, under the screen's camera)
#include "racing/engine/animators.h"
#include "racing/engine/base_library.h"
#include "racing/engine/loader3ds.h"
#include "racing/engine/model3d.h"
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

// What a frame shows besides its models: size, background, light, fog and
// the camera's place.
struct Setting
{
    int width, height;
    uint32_t background;
    Vector3 light;
    uint32_t ambient;
    int fogFront, fogBack;
    uint32_t fogColour;
    Vector3 eye, look;
};

// The racing scene's pass over the models (the scene takes them), the
// first `turning` of them turning every frame.
void runRacing(benchmark::State& state, const Setting& s, const std::vector<Group3D*>& models, size_t turning,
               const char* label)
{
    std::unique_ptr<Image> window(rastertest::makeSurface(s.width, s.height, kBits));
    racing::Scene3D scene(0, 0, s.width, s.height, s.background, nullptr);
    scene.renderer.setTarget(new racing::RenderTarget(window.get(), s.width, s.height, s.background, nullptr, true));
    std::unique_ptr<Light> light(racing::makeLight(s.light, 0xFFFFFF));
    scene.addLight(u"sun", light.get());
    scene.environment.ambient = s.ambient;
    Fog fog(s.fogFront, s.fogBack, s.fogColour);
    scene.environment.fog = &fog;
    scene.camera.setPosition(s.eye.x, s.eye.y, s.eye.z);
    scene.camera.setTarget(s.look.x, s.look.y, s.look.z);
    for (Group3D* g : models)
        scene.addChild(u"model", g);
    scene.initView(1.0f, nullptr, true);
    for (auto _ : state)
    {
        for (size_t i = 0; i < turning; ++i)
            turn(*scene.children[i]);
        scene.render(0.04f);
        benchmark::ClobberMemory();
    }
    scene.environment.fog = nullptr;
    state.SetLabel(label);
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["faces drawn"] = scene.renderer.statistics.opaqueFaces + scene.renderer.statistics.transparentFaces;
}

// The engine's pass over the same setting (the models are deleted after).
void runEngine(benchmark::State& state, const Setting& s, const std::vector<Group3D*>& models, size_t turning,
               const char* label)
{
    rastertest::LitView view(s.width, s.height, kBits, s.light);
    view.renderer.updateShadeTable(&view.lights, s.ambient);
    Fog fog(s.fogFront, s.fogBack, s.fogColour);
    view.environment.fog = &fog;
    Camera camera(0, 45.0f);
    camera.setViewport(s.width, s.height);
    camera.setPosition(s.eye.x, s.eye.y, s.eye.z);
    camera.setTarget(s.look.x, s.look.y, s.look.z);
    PtrVector groups;
    for (Group3D* g : models)
        groups.add(g);
    for (auto _ : state)
    {
        for (size_t i = 0; i < turning; ++i)
            turn(*models[i]);
        view.surface->drawRect(s.background, 0, 0, s.width, s.height, true);
        view.renderer.renderFrame(0.04f, &groups, camera, view.environment);
        benchmark::ClobberMemory();
    }
    state.SetLabel(label);
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["faces drawn"] = view.renderer.opaqueCount + view.renderer.transparentCount;
    for (Group3D* g : models)
        delete g;
}

const Setting kRings = {kWidth, kHeight, kFogColour, kLight, kAmbient, 8, 20, kFogColour,
                        Vector3(0.0f, 0.0f, -6.0f), Vector3(0.0f, 0.0f, 6.0f)};

std::vector<Group3D*> rings(const Models& models, int count)
{
    std::vector<Group3D*> out;
    for (int i = 0; i < count; ++i)
        out.push_back(models.place(i));
    return out;
}

// range(0): the number of rings.
void racingFrame(benchmark::State& state)
{
    Models models;
    const int count = int(state.range(0));
    runRacing(state, kRings, rings(models, count), size_t(count), "racing");
}

void engineFrame(benchmark::State& state)
{
    Models models;
    const int count = int(state.range(0));
    runEngine(state, kRings, rings(models, count), size_t(count), "engine");
}

// The smoke screen's 3D scene: its models, light, fog and camera.
constexpr int kSmokeWidth = 240, kSmokeHeight = 180;
const Vector3 kSmokeLight(0.0f, -1.0f, 1.0f);
constexpr uint32_t kSmokeAmbient = 0x404040, kSmokeFog = 0xA0C8F0;

struct SmokeModels
{
    std::unique_ptr<Texture> stripes{rastertest::makeTexture(
        64, 64, kBits, [](int x, int) { return x < 32 ? 0xE02020u : 0xF0F0F0u; })};
    std::unique_ptr<Texture> chipPicture{rastertest::makeTexture(
        64, 64, kBits, [](int x, int) { return (x / 16) % 2 ? 0x404040u : 0xE0E0E0u; })};
    std::unique_ptr<Texture> chipAlpha{rastertest::makeTexture(
        64, 64, kBits, [](int x, int) { return x / 16 == 2 ? 0u : 0xFFFFFFu; })};

    SmokeModels()
    {
        racing::initRacingMath();
        for (Texture* t : {stripes.get(), chipPicture.get(), chipAlpha.get()})
            t->widthLog2 = t->heightLog2 = 6;
    }
    Group3D* box(const char* name, float hx, float hy, float hz, float radius, uint32_t colour, Texture* texture) const
    {
        model3ds::ModelSpec spec;
        spec.materials = {{"skin", colour}};
        spec.meshes.push_back(model3ds::boxMesh(name, hx, hy, hz, "skin"));
        const std::vector<uint8_t> bytes = model3ds::writeModel(spec);
        Group3D* g = racing::Loader3DS().parse(bytes.data(), bytes.size(), radius, nullptr, u"");
        g->material(0)->texture = texture;
        g->material(0)->detailLevel = 1;
        return g;
    }
    // The cube, the flag and the chip where the smoke page puts them.
    std::vector<Group3D*> make() const
    {
        Group3D* cube = box("cube", 1, 1, 1, 2.0f, 0xFFFFFF, stripes.get());
        cube->matrix.setTranslationXYZ(-2.4f, 0.0f, 0.0f);
        Group3D* flag = box("flag", 1, 0.05f, 0.7f, 1.5f, 0xF0C000, nullptr);
        flag->matrix.setTranslationXYZ(3.2f, 0.5f, 0.0f);
        auto* chip = new racing::Chip3D(10.0f, 1.0f, 2.0f, 1, chipPicture.get(), chipAlpha.get());
        chip->getMaterial()->detailLevel = 1;
        chip->matrix.setTranslationXYZ(0.0f, -2.5f, 40.0f);
        return {cube, flag, chip};
    }
};

const Setting kSmoke = {kSmokeWidth, kSmokeHeight, 0, kSmokeLight, kSmokeAmbient, 30, 70, kSmokeFog,
                        Vector3(0.0f, 4.0f, -24.0f), Vector3(0.0f, 0.0f, 0.0f)};

// The cube turns.
void racingSmokeFrame(benchmark::State& state)
{
    SmokeModels models;
    runRacing(state, kSmoke, models.make(), 1, "racing smoke scene");
}

void engineSmokeFrame(benchmark::State& state)
{
    SmokeModels models;
    runEngine(state, kSmoke, models.make(), 1, "engine smoke scene");
}

void frameCopyReference(benchmark::State& state)
{
    copyFrameBytes(state, size_t(kWidth) * kHeight * size_t(kBits / 8));
}

} // namespace

BENCHMARK(racingFrame)->Arg(24)->Arg(96)->Unit(benchmark::kMillisecond);
BENCHMARK(engineFrame)->Arg(24)->Arg(96)->Unit(benchmark::kMillisecond);
BENCHMARK(racingSmokeFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(engineSmokeFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(frameCopyReference)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
