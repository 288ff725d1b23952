// template_fuzz.cpp -- random bytes as a screen template, loaded onto a
// canvas on the headless back end and drawn once; a second, non-replacing
// load of the same file adds to what the first built. Each input starts from
// an empty canvas and leaves it empty.
#include "engine/base/fuzz/fuzz_tree.h"
#include "engine/base/math_utils.h"
#include "engine/platform/message_loop.h"
#include "engine/scene/screen/canvas.h"

#include "os/testing/host.h"

#include <cstddef>
#include <cstdint>

namespace {

Canvas& fuzzCanvas()
{
    static Canvas* canvas = [] {
        initMathTables();
        // A quarter of the device screen: what an input places outside is
        // clipped as it would be there, and a full-screen scene's buffers
        // cost a quarter of what they would.
        auto* app = new Window(u"app", nullptr, false);
        if (!app->create(0, 0, 120, 160))
            __builtin_trap();
        auto* c = new Canvas(u"canvas", true);
        if (!app->addChild(c, 0, 0, 120, 160))
            __builtin_trap();
        writeFuzzInput("empty.properties", nullptr, 0);
        return c;
    }();
    return *canvas;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    writeFuzzInput("in.properties", data, size);
    Canvas& canvas = fuzzCanvas();
    if (!canvas.loadTemplate(u"\\f\\", u"in.properties", true))
        __builtin_trap(); // the file is there
    canvas.renderScenes();
    canvas.loadTemplate(u"\\f\\", u"in.properties", false);
    canvas.renderScenes();
    // What the input built goes with it: a replacing load of an empty
    // template drops the scenes, models, textures and sounds, and the boxes'
    // record is cleared. Memory an input leaves behind makes the fuzzer run
    // the input again and then search the whole heap for a leak.
    canvas.loadTemplate(u"\\f\\", u"empty.properties", true);
    os::host::headless::clear_boxes();
    return 0;
}
