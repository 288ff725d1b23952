// race_canvas.cpp -- the car race on the framework's race page
#include "racing/tundrel/race_canvas.h"

#include "racing/tundrel/racing_app.h"
#include "racing/tundrel/vehicle_libraries.h"

#include "racing/engine/base_library.h"

#include "engine/scene/3d/mesh.h"
#include "engine/scene/3d/vertex_face.h"

#include <cmath>
#include <cstdio>

namespace tundrel {

namespace {

// Presets -1 to 7: chasing from behind at 40 and 25, ahead, at the four
// corners, high behind, and far off.
const racing::CameraPreset kCarCameras[9] = {
    {6, 40.0f, 70.0f, 0, 0.1f, -0.9f},     {6, 25.0f, 75.0f, 0, 0.1f, -0.9f},    {6, 30.0f, 20.0f, 0, 0.1f, 0.9f},
    {6, 30.0f, 20.0f, -0.5f, 0.1f, -0.9f}, {6, 30.0f, 20.0f, 0.5f, 0.1f, -0.9f}, {6, 30.0f, 20.0f, -0.5f, 0.1f, 0.9f},
    {6, 30.0f, 20.0f, 0.5f, 0.1f, 0.9f},   {6, 40.0f, 20.0f, 0, 0.5f, -0.5f},    {0, 100.0f, 95.0f, 0, -0.1f, -0.9f}};

// The race template, steering 0.5 / 1 / 2, the bar's green, the camera's
// centre 160 down, collisions of 20, a grid 8 apart (4 in an exercise);
// checkpoints only driving forward; a bitmap road masked by the track's
// flag, no walls, the car strip, fume in the ambient colour; the sky 50
// over the altitude; banners of 0.65 of the half width, boards facing along
// the road, its slope included.
// clang-format off
const racing::RaceStyle kCarRace = {u"TDCanvas.properties", u"Set up vehicle", {0.5f, 1.0f, 2.0f}, 0x146E28, 160.0f,
    20.0f, 8, 4, kCarCameras, true, u"_track.bmp", false, true, true, true, 50.0f, 0.0f, 0.65f, false};
// clang-format on


} // namespace

RaceCanvas::RaceCanvas(RacingApp* app_, const std::u16string& resources_) : RacePage(app_, kCarRace, resources_) {}

bool RaceCanvas::prepareRace(const std::vector<std::u16string>& libraryNames,
                             const std::vector<std::u16string>& vehicleNames,
                             const std::vector<std::u16string>& trackNames, int libraryIndex, int vehicleIndex,
                             int trackIndex, const std::u16string& racerText_)
{
    if (libraryIndex < 0 || libraryIndex >= int(libraryNames.size()))
        return false;
    vehicleFolder = libraryFolder(libraryNames[size_t(libraryIndex)]);
    return prepare(vehicleNames, vehicleIndex, trackNames, trackIndex, racerText_);
}

void RaceCanvas::readSettings(Properties& settings)
{
    // A cruise speed outside the three choices (or missing) is the middle one.
    static const float kCruise[3] = {50.0f, 80.0f, 5000.0f};
    const int cruise = racing::getFieldInt(settings, u"cruiseSpeed", u"selected");
    raceTrack.cruiseSpeed = kCruise[cruise >= 0 && cruise <= 2 ? cruise : 1];
}

std::unique_ptr<racing::Racer> RaceCanvas::makeRacer(const std::u16string& name, const std::u16string& prefix,
                                                     bool isPlayer)
{
    auto vehicle = std::make_unique<Vehicle>(&raceTrack, isPlayer);
    if (!vehicle->load(*this, mainScene, vehicleFolder, name, prefix))
        return nullptr;
    return vehicle;
}

void RaceCanvas::placeBoard(int kind, int side, int t, Vector3& at, Vector3& facing) const
{
    // A side-along board 8 % in from the side's centre vertex, facing along
    // the road; the others 20 % in from the side's road edge, turned half
    // toward the road.
    const Vector3& centre = track.points[size_t(t)];
    const int vertex = kind == 1 ? (side == 1 ? 3 : 4) : (side == 1 ? 2 : 5);
    const float share = kind == 1 ? 0.08f : 0.2f;
    const Vertex* v = trackMesh->vertex(8 * t + vertex);
    at.setFromFixed(v->x, v->y, v->z);
    at.x += (centre.x - at.x) * share;
    at.y += (centre.y - at.y) * share;
    at.z += (centre.z - at.z) * share;
    if (kind == 1)
        facing.set(1.0f, 0.0f, 0.0f);
    else
        facing.set(side == 1 ? -0.4f : 0.4f, 0.0f, 0.4f);
}

std::string RaceCanvas::hudLine() const
{
    return hudText(laps.lapFigure(), app->raceTime, player->motion.speed, playerVehicle().overSpeed != 0);
}

std::string RaceCanvas::hudText(float lapFigure, float raceTime, float speed, bool cruise)
{
    const int minutes = int(raceTime * (1.0f / 60.0f));
    const int seconds = int(raceTime - float(minutes) * 60.0f);
    const int shown = std::abs(int(speed * kSpeedToKmh));
    char text[80];
    std::snprintf(text, sizeof text, "LAP:%1.1f TM:%02d:%02d V:%03dkm (%s)", double(lapFigure), minutes, seconds, shown,
                  cruise ? "cruise" : " ");
    return text;
}

} // namespace tundrel
