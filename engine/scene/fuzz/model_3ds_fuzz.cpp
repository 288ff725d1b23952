// model_3ds_fuzz.cpp -- random bytes through the 3DS reader, then the model
// through normals, clones, normalising and one frame of the render pass
#include "engine/base/math_utils.h"
#include "engine/platform/image.h"
#include "engine/scene/3d/camera.h"
#include "engine/scene/3d/environment.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/loader_3ds.h"
#include "engine/scene/scenes/renderer3d.h"

#include "os/testing/host.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void drawOnce(Group3D* model)
{
    static Image* surface = [] {
        Image* image = new Image(1, 1, false);
        image->create(32, 32, 16);
        return image;
    }();
    Renderer3D renderer(nullptr, 32, 32);
    renderer.setTarget({0, 0, 32, 32, 1.0f, surface});
    renderer.initRasterizer();
    Camera camera(0, 60.0f);
    camera.setViewport(32, 32);
    Environment environment;
    Fog fog(1, 30, 0x808080);
    environment.fog = &fog;
    PtrVector groups;
    groups.add(model);
    model->matrix.setTranslationXYZ(0.0f, 0.0f, 0.0f);
    renderer.renderFrame(0.04f, &groups, camera, environment);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = [] {
        setenv("OS_BACKEND", "headless", 1);
        initMathTables();
        return true;
    }();
    (void)ready;
    os::host::headless::clear_boxes();
    Group3D* model = Loader3DS::parse(data, size, nullptr, u"");
    if (!model)
        return 0;
    model->update(true);
    Group3D* copy = model->clone(7);
    copy->normalize(3.0f, nullptr, nullptr);
    drawOnce(copy);
    delete copy;
    delete model;
    return 0;
}
