// race_canvas.h -- the motorbike race: the racing framework's race page with
// the game's bikes (the player's and two rivals in other paints), its HUD
// line, camera presets and constants, and its superbike and motocross
// tracks
#pragma once

#include "racing/moravel/bike_model.h"

#include "racing/framework/race_drawing.h"
#include "racing/framework/race_page.h"

#include <memory>
#include <string>
#include <vector>

namespace moravel {

class RacingApp;

using Billboard = racing::TrackBoard;
using racing::boardKindOf;

class RaceCanvas : public racing::RacePage
{
public:
    // Resources from the program's "..\resources\" folder unless given.
    explicit RaceCanvas(RacingApp* app, const std::u16string& resources = {});

    // Builds the race of the paint on the track of the application's mode;
    // false when the track cannot be raced (the message is shown first) or
    // the chosen names are missing.
    bool prepareRace(const std::vector<std::u16string>& paintNames, const std::vector<std::u16string>& trackNames,
                     int paintIndex, int trackIndex, const std::u16string& racerText);

    std::string hudLine() const override;
    // The HUD line "LAP:%1.1f TM:%02d:%2.1f V:%03dkm".
    static std::string hudText(float lapFigure, float raceTime, float speed);
    // Sky heading 0..1 of a turn for a view direction (x and z).
    static float skyHeading(float dx, float dz) { return racing::skyHeading(dx, dz); }

    // The player's bike and racer i (rivals first).
    DrawnBike& playerBike() const { return static_cast<DrawnBike&>(*player); }
    DrawnBike& bike(size_t i) const { return static_cast<DrawnBike&>(*racers[i]); }

protected:
    std::u16string trackFile(const std::u16string& name) const override;
    float farDistance() const override;
    std::unique_ptr<racing::Racer> makeRacer(const std::u16string& paint, const std::u16string& prefix,
                                             bool isPlayer) override;

private:
    RacingApp* game;
};

} // namespace moravel
