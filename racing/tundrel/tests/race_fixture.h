// race_fixture.h -- the car race page set up in this process from a scratch
// copy of the game's folder (with the storage card), its libraries, and one
// frame run as the canvas runs it
#pragma once

#include "racing/tundrel/race_canvas.h"
#include "racing/tundrel/racing_app.h"

#include "racing/framework/testing/scratch_game.h"

#include "os/testing/program_run.h"

#include <os/wstring.h>

#include <functional>
#include <memory>
#include <string>

namespace tundrel::race_test {

struct ScratchTree : racing_test::ScratchGame
{
    ScratchTree() : ScratchGame(os::testing::built_device_root(), "Vasko-Tundrel", {"Storage Card"}) {}
};

inline const ScratchTree& tree()
{
    static ScratchTree scratch;
    return scratch;
}

inline const std::u16string kResources = u"\\Program Files\\Vasko-Tundrel\\resources\\";
inline const std::u16string kBuiltIn = u"Zarar Azaruroz,\\Program Files\\Vasko-Tundrel\\resources\\vehicle";
inline const std::u16string kCard = u"Rally Pack,\\Storage Card\\Rally Pack";

struct RaceFixture
{
    std::u16string restartedWith;
    std::unique_ptr<RacingApp> app;
    RaceCanvas* page = nullptr;

    // The page is the game's, or one the test makes.
    explicit RaceFixture(bool exercise, const std::function<RaceCanvas*(RacingApp*)>& makePage = {})
    {
        tree();
        RacingApp::restartHook = [this](const std::u16string& command) { restartedWith = command; };
        app = std::make_unique<RacingApp>(u"Vasko-Tundrel race test");
        app->create(0, 0, 176, 234);
        app->exercise = exercise;
        app->noScore = true;
        page = makePage ? makePage(app.get()) : new RaceCanvas(app.get(), kResources);
        app->showRacePage(page);
    }
    ~RaceFixture() { RacingApp::restartHook = nullptr; }

    bool prepare(int vehicle = 0)
    {
        return page->prepareRace({kBuiltIn}, {u"Bighorn", u"Coupe"}, {u"Ring"}, 0, vehicle, 0, u"Ann:");
    }

    void startLights()
    {
        for (int period = 0; period < 4; ++period)
            page->onPeriod(1.0f);
    }

    void frame(float dt)
    {
        page->update(dt);
        page->afterFrame(dt);
    }
};

// The race of the headless walk: the storage card's wagon on the Ring, the
// generator seeded as the program seeds it (with its clock at its start, 0
// on the headless back end), which the rivals' choice and the road's bumps
// draw from.
constexpr unsigned kProgramSeed = 0;

inline bool prepareCardRace(RaceFixture& race)
{
    return race.page->prepareRace({kBuiltIn, kCard}, {u"Wagon"}, {u"Ring"}, 1, 0, 0, u"Player:");
}

} // namespace tundrel::race_test
