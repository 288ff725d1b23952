// template_fuzz.cpp -- random bytes as a racing screen template, loaded
// onto a racing canvas on the headless back end (its 3D scenes built in
// their stages) and drawn once. The pictures, models and sound the demo
// templates name are written beside it once, so that the seeds build whole
// screens; odd-sized inputs are loaded on a canvas whose template lengths
// are scaled by 1.5. Each input starts from an empty canvas and empty
// texture and sound dictionaries.
#include "engine/base/fuzz/fuzz_tree.h"
#include "racing/engine/canvas.h"
#include "racing/engine/loader3ds.h"
#include "racing/engine/tests/file_fixture.h"
#include "racing/engine/window.h"

#include "content/media/bmp_writer.h"
#include "content/media/jpeg_writer.h"
#include "content/media/wav_writer.h"
#include "engine/scene/core/sound_dictionary.h"
#include "engine/scene/core/texture_dictionary.h"

#include "os/testing/host.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

void writeFile(const std::string& name, const std::vector<uint8_t>& bytes)
{
    writeFuzzInput(name, bytes.data(), bytes.size());
}

// What the demo templates name, in the folder the input is read from.
void writeContent()
{
    auto stripes = [](uint32_t a, uint32_t b) { return [a, b](int x, int) { return (x / 4) % 2 ? a : b; }; };
    for (const char* name : {"chk_off.bmp", "chk_on.bmp", "btn.bmp", "btn_on.bmp", "btn_mask.bmp", "bar.bmp",
                             "bar_mask.bmp", "chip.bmp", "chip_a.bmp", "car.bmp", "badge.bmp"})
        writeFile(name, media::makeBmp(32, 16, stripes(0xF0F0F0, 0x202020)));
    for (const char* name : {"tex1.bmp", "tex2.bmp", "tex3.bmp"})
        writeFile(name, media::makeBmp(16, 16, stripes(0xE02020, 0x2020E0)));
    writeFile("bkg.jpg", media::makeJpeg(32, 32, stripes(0x400000, 0x000040)));
    writeFile("pic.gif", racingtest::plainGif(4, 4));
    writeFile("click.wav", media::makeTone(880, 20));
    writeFile("empty.properties", {});
    for (const char* name : {"cube.3ds", "cube_low.3ds", "car.3ds"})
        writeFile(name, racingtest::texturedBox("skin", "tex1.bmp"));
    for (const char* name : {"flag1.3ds", "flag2.3ds", "flag3.3ds"})
        writeFile(name, racingtest::texturedBox("skin", "pic.gif", 0.5f));
}

racing::Canvas& fuzzCanvas(bool scaled)
{
    static racing::Canvas* pages[2] = {};
    static bool ready = [] {
        writeContent();
        auto* frame = new racing::Window(u"frame", nullptr, false);
        if (!frame->create(0, 0, 120, 160))
            __builtin_trap();
        for (int i = 0; i < 2; ++i)
        {
            pages[i] = new racing::Canvas(i ? u"scaled" : u"page");
            pages[i]->build2DScenes = true;
            pages[i]->screenScale = i ? 1.5f : 1.0f;
            if (!frame->addChild(pages[i], 0, 0, 120, 160))
                __builtin_trap();
        }
        return true;
    }();
    (void)ready;
    return *pages[scaled ? 1 : 0];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    writeFuzzInput("in.properties", data, size);
    racing::Canvas& page = fuzzCanvas(size % 2 == 1);
    os::host::headless::clear_boxes();
    page.loadTemplate(u"\\f", u"in.properties", true);
    page.buildScenes3D(true);
    page.drawScenes();
    // What the input loaded goes with it (a replacing load of an empty
    // template leaves an empty page), so that every input starts from
    // nothing and leaves nothing behind.
    page.loadTemplate(u"\\f", u"empty.properties", true);
    page.getTextureDictionary()->reset();
    page.getSoundDictionary()->reset();
    racing::Loader3DS::releaseFolderTextures();
    os::host::headless::clear_boxes();
    return 0;
}
