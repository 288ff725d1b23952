// game_page.h -- the car program's menu page on the shared menu page
// (racing/framework/menu_page): the main menu where a vehicle library, a
// vehicle of it and a track are chosen (the vehicle's model turning in its
// preview, the track's challenge bar), the playing menu's race command and
// the scoreboard's vehicle column
#pragma once

#include "racing/framework/menu_page.h"
#include "racing/tundrel/vehicle_libraries.h"

#include <string>

class Group3D;
class Properties;

namespace tundrel {

class RacingApp;

class GamePage : public racing::MenuPage
{
public:
    GamePage(RacingApp* app, const std::u16string& argument, bool present);

    void selectLibrary(int index);
    void selectTrack(int index);
    void loadVehiclePreview(int library, int vehicle);
    int vehicleCount(int library) const;

    void onTemplateLoaded() override;
    void update(float dt) override;
    void onPeriod(float dt) override;

    LibraryScan scan; // filled at start-up, before the page is shown
    int libraryIndex = 0, vehicleIndex = 0, trackIndex = 0;
    Group3D* preview = nullptr; // the vehicle turning in "sceneVehicle" (the scene's)

protected:
    void startRaceFrom(const racing::RaceChoice& race, bool exercise) override;
    // Tracks, libraries, vehicles and their letters, the race command, the
    // way into the main menu.
    bool pressedOwn(const std::u16string& name) override;
    // "sceneSelected", "vlibSelected" and "vehicleSelected".
    void storeChoices(Properties& templ) override;
    void forgetScenes() override;
    void fillScoreRow(int row, const racing::ScoreRecord& record) override;
    // The vehicles of the chosen library are listed from its folder.
    std::u16string choiceFolder(bool vehicles) const override;

private:
    void mainMenuLoaded();

    RacingApp* game;
};

} // namespace tundrel
