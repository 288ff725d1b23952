// race_canvas.cpp -- the motorbike race on the framework's race page
#include "racing/moravel/race_canvas.h"

#include "racing/moravel/racing_app.h"

#include <cmath>
#include <cstdio>

namespace moravel {

namespace {

// Presets -1 to 7: chasing from behind at 40 and 25, ahead, at the four
// corners, high behind, and far off.
const racing::CameraPreset kBikeCameras[9] = {
    {6, 40.0f, 70.0f, 0, 0.1f, -0.9f},     {6, 25.0f, 70.0f, 0, 0.1f, -0.9f},    {6, 30.0f, 20.0f, 0, 0.1f, 0.8f},
    {1, 30.0f, 20.0f, -0.7f, 0.1f, -0.8f}, {1, 30.0f, 20.0f, 0.7f, 0.1f, -0.8f}, {1, 30.0f, 20.0f, -0.7f, 0.1f, 0.8f},
    {1, 30.0f, 20.0f, 0.7f, 0.1f, 0.8f},   {6, 30.0f, 20.0f, 0, 0.4f, -0.5f},    {0, 100.0f, 95.0f, 0, -0.1f, -0.9f}};

// The race template, steering 0.25 / 0.75 / 1.25, the bar's green, the
// camera's centre 165 down, collisions of 12, a grid 8 apart (3 in an
// exercise); a JPEG road and side walls (masked by the track's flag), fume
// of its own colour; the sky 60 over the altitude (10 more in a race);
// banners of half the half width, boards facing along the level.
// clang-format off
const racing::RaceStyle kBikeRace = {u"MVCanvas.properties", u"Set up motorcycle", {0.25f, 0.75f, 1.25f}, 0x009600,
    165.0f, 12.0f, 8, 3, kBikeCameras, false, u"_track.jpg", true, false, false, false, 60.0f, 10.0f, 0.5f, true};
// clang-format on


} // namespace

RaceCanvas::RaceCanvas(RacingApp* app_, const std::u16string& resources_)
    : RacePage(app_, kBikeRace, resources_), game(app_)
{
}

bool RaceCanvas::prepareRace(const std::vector<std::u16string>& paintNames,
                             const std::vector<std::u16string>& trackNames, int paintIndex, int trackIndex,
                             const std::u16string& racerText_)
{
    raceTrack.topSpeed = topSpeed;
    return prepare(paintNames, paintIndex, trackNames, trackIndex, racerText_);
}

std::u16string RaceCanvas::trackFile(const std::u16string& name) const
{
    return (game->mode == 1 ? u"CB_" : u"SB_") + name + u".properties";
}

float RaceCanvas::farDistance() const
{
    return game->mode == 1 ? 300.0f : 400.0f;
}

std::unique_ptr<racing::Racer> RaceCanvas::makeRacer(const std::u16string& paint, const std::u16string& prefix,
                                                     bool isPlayer)
{
    // The player's bike loads the model; the rivals copy it in their paint.
    BikeScene where;
    where.scene = mainScene;
    where.textures = getTextureDictionary();
    where.vehicleFolder = resources + u"vehicle\\";
    where.motocross = game->mode == 1;
    where.fumeColour = raceTrack.fumeColour;
    return std::make_unique<DrawnBike>(&raceTrack, isPlayer, where, paint, prefix,
                                       isPlayer || !player ? nullptr : player->model);
}

std::string RaceCanvas::hudLine() const
{
    return hudText(laps.lapFigure(), app->raceTime, player->motion.speed);
}

std::string RaceCanvas::hudText(float lapFigure, float raceTime, float speed)
{
    const int minutes = int(raceTime * (1.0f / 60.0f));
    const float seconds = raceTime - float(minutes) * 60.0f;
    const int shown = std::abs(int(speed * 1.26f));
    char text[64];
    std::snprintf(text, sizeof text, "LAP:%1.1f TM:%02d:%2.1f V:%03dkm", double(lapFigure), minutes, double(seconds),
                  shown);
    return text;
}

} // namespace moravel
