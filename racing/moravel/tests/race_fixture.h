// race_fixture.h -- a race page set up in this process from a scratch copy
// of the game's folder (the tests may change its settings and tracks), and
// one frame run as the canvas runs it
#pragma once

#include "racing/moravel/race_canvas.h"
#include "racing/moravel/racing_app.h"

#include "engine/base/resource_files.h"
#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"
#include "engine/scene/3d/group3d.h"
#include "os/testing/program_run.h"
#include "racing/framework/testing/scratch_game.h"

#include <os/wstring.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace moravel::race_test {

namespace fs = std::filesystem;

// A copy of the game's folder in a device tree of this test's own.
struct ScratchTree : racing_test::ScratchGame
{
    ScratchTree() : ScratchGame(os::testing::built_device_root(), "Vasko-Moravel") {}
};

inline const ScratchTree& tree()
{
    static ScratchTree scratch;
    return scratch;
}

struct RaceFixture
{
    std::u16string restartedWith;
    std::unique_ptr<RacingApp> app;
    RaceCanvas* page = nullptr;

    explicit RaceFixture(bool exercise, int mode = 0)
    {
        tree();
        RacingApp::restartHook = [this](const std::u16string& command) { restartedWith = command; };
        app = std::make_unique<RacingApp>(u"Vasko-Moravel race test");
        app->create(0, 0, 176, 234);
        app->mode = mode;
        app->exercise = exercise;
        topSpeed = mode == 1 ? 55.0f : 110.0f;
        page = new RaceCanvas(app.get(), u"\\Program Files\\Vasko-Moravel\\resources\\");
        app->showRacePage(page);
    }
    ~RaceFixture() { RacingApp::restartHook = nullptr; }

    bool prepare(const char16_t* trackName = u"Oval", int paintIndex = 1)
    {
        return page->prepareRace({u"SBPaint_Blue", u"SBPaint_Red", u"SBPaint_Yellow"}, {trackName}, paintIndex, 0,
                                 u"Bob:");
    }

    // The motocross race of the headless walk: the dunes with the second
    // paint, the generator seeded as the program seeds it (with its clock,
    // 0 on the headless back end), which draws the rivals' paints.
    bool prepareCross()
    {
        os_srand(0);
        return page->prepareRace({u"CBPaint_Green", u"CBPaint_Orange"}, {u"Dunes"}, 1, 0, u"Ann_Lee1:");
    }

    // One frame as the canvas runs it, without drawing.
    void frame(float dt)
    {
        page->update(dt);
        page->afterFrame(dt);
    }

    // The four periods of the start lights: the race runs after them.
    void startLights()
    {
        for (int period = 0; period < 4; ++period)
            page->onPeriod(1.0f);
    }

    Image* screen() const { return page->getBackBuffer() ? page->getBackBuffer()->getImage() : nullptr; }
};

} // namespace moravel::race_test
