// flight_constants.h -- the numbers every aircraft and every missile of a
// process share, read once from "aircraftConstant.properties" and
// "aamConstant.properties" (by the flight canvas, or the server console)
#pragma once

#include <os/types.h>

namespace skyrend {

// Pools are bounded so that "<prefix><n>" names stay short.
constexpr int kMaxPool = 99;

struct AircraftConstants
{
    int numBullet = 10;
    int numFume = 12;
    int numFlare = 4;
    int numChaff = 4;
    int maxThrust = 100;
    int minThrust = 0;
    float planeSize = 3.0f;         // touch-down height
    float dangerousAltitude = 40.0f; // low-altitude warning
    float averageV = 30.0f;          // start speed
    float fumeSize = 2.0f;
    float flareSize = 1.0f;
    float chaffSize = 1.0f;
};

struct MissileConstants
{
    int numAamFume = 10;
    float averageV = 40.0f; // base speed of the short-range kind
    float fumeAamSize = 1.0f;
};

AircraftConstants& aircraftConstants();
MissileConstants& missileConstants();

// Reads "aircraftConstant.properties" and "aamConstant.properties" from the
// folder (disk, then packs) into the shared records; a missing key keeps
// its value. False when a file cannot be read or a value is not a number.
bool loadFlightConstants(const WCHAR* folder);

} // namespace skyrend
