// model_3ds_fuzz.cpp -- random bytes through the racing 3DS loader, then the
// model through normals, an independent clone and a collision grid query
#include "racing/engine/base_library.h"
#include "racing/engine/collision_grid.h"
#include "racing/engine/loader3ds.h"

#include "engine/scene/3d/group3d.h"

#include "os/testing/host.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = [] {
        setenv("OS_BACKEND", "headless", 1);
        racing::initRacingMath();
        return true;
    }();
    (void)ready;
    os::host::headless::clear_boxes();
    racing::Loader3DS loader;
    Group3D* model = loader.parse(data, size, 3.0f, nullptr, u"");
    if (!model)
        return 0;
    model->update(true);
    Group3D* copy = model->clone(7);
    {
        racing::CollisionGrid grid(*copy, 0.25f, nullptr, nullptr, nullptr, 4, 1, 4);
        Vector3 p, n;
        p.set(0.1f, 0.0f, 0.2f);
        grid.findGround(p, n);
    }
    delete copy;
    delete model;
    return 0;
}
