// race_canvas.h -- the car race: the racing framework's race page with the
// game's vehicles (the player's and two rivals of the same library), its
// cruise setting, HUD line, camera presets and constants, its boards beside
// the road, and its car tracks
#pragma once

#include "racing/tundrel/vehicle.h"

#include "racing/framework/race_page.h"

#include <memory>
#include <string>
#include <vector>

namespace tundrel {

class RacingApp;

class RaceCanvas : public racing::RacePage
{
public:
    // Resources from the program's "..\resources\" folder unless given.
    explicit RaceCanvas(RacingApp* app, const std::u16string& resources = {});

    // Builds the race of the vehicle of the library on the track; false when
    // the track or the vehicle cannot be raced (the message is shown first)
    // or an index names nothing.
    bool prepareRace(const std::vector<std::u16string>& libraryNames, const std::vector<std::u16string>& vehicleNames,
                     const std::vector<std::u16string>& trackNames, int libraryIndex, int vehicleIndex,
                     int trackIndex, const std::u16string& racerText);

    std::string hudLine() const override;
    // "LAP:%1.1f TM:%02d:%02d V:%03dkm (%s)".
    static std::string hudText(float lapFigure, float raceTime, float speed, bool cruise);

    // The player's vehicle and racer i (rivals first).
    Vehicle& playerVehicle() const { return static_cast<Vehicle&>(*player); }
    Vehicle& vehicle(size_t i) const { return static_cast<Vehicle&>(*racers[i]); }

protected:
    void readSettings(Properties& settings) override;
    std::u16string trackFile(const std::u16string& name) const override { return name + u".properties"; }
    float farDistance() const override { return 500.0f; }
    std::unique_ptr<racing::Racer> makeRacer(const std::u16string& vehicle, const std::u16string& prefix,
                                             bool isPlayer) override;
    void placeBoard(int kind, int side, int t, Vector3& at, Vector3& facing) const override;

private:
    std::u16string vehicleFolder; // the chosen library's
};

} // namespace tundrel
