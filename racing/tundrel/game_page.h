// game_page.h -- the car program's menu page: the shared menu page host on
// the page templates, where a vehicle library, a vehicle of it and a track
// are chosen, the race command is written, and the score table is shown
#pragma once

#include "racing/framework/menu_page.h"
#include "racing/tundrel/vehicle_libraries.h"

#include <string>

class Group3D;

namespace racing {
class Sprite;
}

namespace tundrel {

class RacingApp;

class GamePage : public racing::MenuPage
{
public:
    GamePage(RacingApp* app, const std::u16string& argument, bool present);

    void selectLibrary(int index);
    void selectTrack(int index);
    void loadVehiclePreview(int library, int vehicle);

    void onMouse(UINT message, WPARAM keys, int x, int y, int phase) override;
    void onTemplateLoaded() override;
    void update(float dt) override;
    void onPeriod(float dt) override;
    void onBeforeTemplateLoad(const WCHAR* folder, const WCHAR* name) override;
    void renderScenes() override;

    // A pressed component by name, as the pen's release reports it.
    void runCommand(const std::u16string& name);
    int vehicleCount(int library) const;

    LibraryScan scan; // filled at start-up, before the page is shown
    std::u16string guiFolder; // the page templates' folder
    int libraryIndex = 0, vehicleIndex = 0, trackIndex = 0;
    bool vehicleMissing = false, trackMissing = false;
    std::u16string playerName = u"Player";
    Group3D* preview = nullptr; // the vehicle turning in "sceneVehicle" (the scene's)
    float clockA = 0.0f;        // the main menu's animation clock

protected:
    void startRaceFrom(const racing::RaceChoice& race, bool exercise) override;
    void openPage(const std::u16string& name) override;

private:
    void load(const std::u16string& page);
    void setText(const char16_t* sprite, const std::u16string& text);
    bool isPage(const char16_t* name) const;

    RacingApp* game;
    std::u16string nextPage; // the page being loaded (pageName is still the one it replaces)
};

} // namespace tundrel
