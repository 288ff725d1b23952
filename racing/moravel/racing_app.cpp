// racing_app.cpp -- the motorbike program's start and race set-up
#include "racing/moravel/racing_app.h"

#include "racing/moravel/game_page.h"
#include "racing/moravel/race_canvas.h"

namespace moravel {

float topSpeed = 110.0f;

RacingApp::RacingApp(const WCHAR* title) : racing::RacingApp(title, u"ARG:intro", 1.26f) {}

bool RacingApp::startRace(int mode_, int paintIndex, int trackIndex, const racing::RaceChoice& choice,
                          bool exercise_, const std::vector<std::u16string>& paints,
                          const std::vector<std::u16string>& tracks)
{
    exercise = exercise_;
    mode = mode_;
    topSpeed = mode == 1 ? 55.0f : 110.0f;
    auto* page = new RaceCanvas(this);
    std::u16string racerText = choice.racer + u":" + (choice.secondName == u"N/A" ? u"" : choice.secondName);
    return runRacePage(page, [&] { return page->prepareRace(paints, tracks, paintIndex, trackIndex, racerText); });
}

racing::RaceResult RacingApp::raceResult() const
{
    const auto* page = static_cast<const RaceCanvas*>(racePage);
    return racing::raceResultOf(*page, page->vehicleName);
}

int runProgram(const WCHAR* commandLine)
{
    racing::ProgramParts parts;
    parts.title = u"Vasko-Moravel";
    parts.makeApp = [] { return std::make_unique<RacingApp>(u"Vasko-Moravel"); };
    parts.makeMenuPage = [](racing::RacingApp& app, const std::u16string& argument, bool present) {
        return new GamePage(static_cast<RacingApp*>(&app), argument, present);
    };
    return racing::runProgram(commandLine, parts);
}

} // namespace moravel
