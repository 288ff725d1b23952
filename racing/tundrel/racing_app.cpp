// racing_app.cpp -- the car program's start and race set-up
#include "racing/tundrel/racing_app.h"

#include "racing/tundrel/game_page.h"
#include "racing/tundrel/race_canvas.h"
#include "racing/tundrel/vehicle_libraries.h"

#include "engine/platform/system_utils.h"

namespace tundrel {

RacingApp::RacingApp(const WCHAR* title) : racing::RacingApp(title, u"ARG:MainMenu", 1.44f) {}

bool RacingApp::startRace(int libraryIndex, int vehicleIndex, int trackIndex, const std::u16string& racerText,
                          bool exercise_, const LibraryScan& scan)
{
    exercise = exercise_;
    auto* page = new RaceCanvas(this);
    return runRacePage(page, [&] {
        return page->prepareRace(scan.libraryEntries, scan.vehicleNames[size_t(libraryIndex)], scan.trackNames,
                                 libraryIndex, vehicleIndex, trackIndex, racerText);
    });
}

racing::RaceResult RacingApp::raceResult() const
{
    const auto* page = static_cast<const RaceCanvas*>(racePage);
    return racing::raceResultOf(*page, page->vehicleName);
}

int runProgram(const WCHAR* commandLine)
{
    racing::ProgramParts parts;
    parts.title = u"Vasko-Tundrel";
    parts.makeApp = [] { return std::make_unique<RacingApp>(u"Vasko-Tundrel"); };
    parts.makeMenuPage = [](racing::RacingApp& app, const std::u16string& argument, bool present) {
        auto* page = new GamePage(static_cast<RacingApp*>(&app), argument, present);
        WCHAR folder[MAX_PATH] = {};
        getProgramFolder(folder);
        page->scan = scanVehicleLibraries(folder, app.getHandle(), present);
        return page;
    };
    return racing::runProgram(commandLine, parts);
}

} // namespace tundrel
