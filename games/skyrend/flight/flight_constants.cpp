// flight_constants.cpp -- the shared aircraft and missile numbers
#include "games/skyrend/flight/flight_constants.h"

#include "engine/base/properties.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <string>

namespace skyrend {

AircraftConstants& aircraftConstants()
{
    static AircraftConstants constants;
    return constants;
}

MissileConstants& missileConstants()
{
    static MissileConstants constants;
    return constants;
}

namespace {

// The value as narrow text; null when the key is missing.
bool narrowValue(Properties& file, const WCHAR* key, std::string& out)
{
    const WCHAR* value = file.get(key);
    if (!value)
        return false;
    out.clear();
    for (; *value; ++value)
        out += *value < 128 ? char(*value) : '?';
    return true;
}

bool readFloat(Properties& file, const WCHAR* key, float& out, bool& ok)
{
    std::string text;
    if (!narrowValue(file, key, text))
        return false;
    char* end = nullptr;
    const float v = std::strtof(text.c_str(), &end);
    if (end == text.c_str() || !(v == v))
    {
        ok = false;
        return false;
    }
    out = v;
    return true;
}

struct Entry
{
    const WCHAR* key;
    int* count;    // a pool size, kept within 0..kMaxPool
    int* integer;
    float* real;
};

// Reads the entries of one file; false when it cannot be read or a value
// is not a number.
bool readFile(const WCHAR* folder, const WCHAR* name, std::initializer_list<Entry> entries)
{
    Properties file(u'=', u',', u':');
    if (!file.load(folder, name))
        return false;
    bool ok = true;
    for (const Entry& e : entries)
    {
        float v = e.real ? *e.real : float(e.count ? *e.count : *e.integer);
        if (!readFloat(file, e.key, v, ok))
            continue;
        if (e.real)
            *e.real = v;
        else if (e.count)
            *e.count = std::clamp(int(v), 0, kMaxPool);
        else
            *e.integer = int(v);
    }
    return ok;
}

} // namespace

bool loadFlightConstants(const WCHAR* folder)
{
    AircraftConstants& a = aircraftConstants();
    MissileConstants& m = missileConstants();
    const bool aircraft = readFile(folder, u"aircraftConstant.properties",
                                   {{u"NUM_BULLET", &a.numBullet, nullptr, nullptr},
                                    {u"NUM_FUME", &a.numFume, nullptr, nullptr},
                                    {u"NUM_FLARE", &a.numFlare, nullptr, nullptr},
                                    {u"NUM_CHAFF", &a.numChaff, nullptr, nullptr},
                                    {u"MAX_THRUST", nullptr, &a.maxThrust, nullptr},
                                    {u"MIN_THRUST", nullptr, &a.minThrust, nullptr},
                                    {u"PLANE_SIZE", nullptr, nullptr, &a.planeSize},
                                    {u"DENGEROUS_ALTITUDE", nullptr, nullptr, &a.dangerousAltitude},
                                    {u"AVERAGE_V", nullptr, nullptr, &a.averageV},
                                    {u"FUME_SIZE", nullptr, nullptr, &a.fumeSize},
                                    {u"FLARE_SIZE", nullptr, nullptr, &a.flareSize},
                                    {u"CHAFF_SIZE", nullptr, nullptr, &a.chaffSize}});
    const bool missile = readFile(folder, u"aamConstant.properties",
                                  {{u"NUM_AAM_FUME", &m.numAamFume, nullptr, nullptr},
                                   {u"AVERAGE_V", nullptr, nullptr, &m.averageV},
                                   {u"FUME_AAM_SIZE", nullptr, nullptr, &m.fumeAamSize}});
    return aircraft && missile;
}

} // namespace skyrend
