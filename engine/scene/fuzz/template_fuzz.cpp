// template_fuzz.cpp -- random bytes as a screen template, loaded onto a
// canvas on the headless back end and drawn once; a second, non-replacing
// load of the same file adds to what the first built
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
        auto* app = new Window(u"app", nullptr, false);
        if (!app->create(0, 0, 240, 320))
            __builtin_trap();
        auto* c = new Canvas(u"canvas", true);
        if (!app->addChild(c, 0, 0, 240, 320))
            __builtin_trap();
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
    // The boxes' record goes with the input that made it (memory an input
    // leaves behind sends the fuzzer looking for a leak).
    os::host::headless::clear_boxes();
    return 0;
}
