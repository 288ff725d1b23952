// logic_host.h -- a flight host that draws nothing: it holds the aircraft,
// the effect pools, and records sounds, alerts and the pilot's record
#pragma once

#include "games/skyrend/flight/aircraft.h"
#include "games/skyrend/flight/flight_host.h"

#include <os/wstring.h>

#include <string>
#include <vector>

namespace flighttest {

struct LogicHost : skyrend::FlightHost
{
    std::vector<skyrend::Aircraft*> aircraft; // owned
    bool exercise = false;
    bool water = false;
    std::vector<std::string> sounds, alerts;
    int kills = 0, losses = 0;

    // With bare pools, or empty ones that a drawing host fills.
    explicit LogicHost(bool barePools = true)
    {
        if (!barePools)
            return;
        for (int i = 0; i < 4; ++i)
            explosions.push_back(new skyrend::ExplosionEffect());
        splashes.push_back(new skyrend::SplashEffect());
    }
    ~LogicHost() override
    {
        for (auto* a : aircraft)
            delete a;
        for (auto* e : explosions)
            delete e;
        for (auto* s : splashes)
            delete s;
    }
    // The player first; enemies fly by the enemy behaviour at the player.
    skyrend::Aircraft* add(bool player, float x, float y, float z, float heading)
    {
        auto* a = new skyrend::Aircraft(nullptr, nullptr, player ? u"Ace" : u"Bandit", this, player, false);
        a->place(x, y, z, heading, 0.0f);
        if (!player && !aircraft.empty())
        {
            a->target = aircraft.front();
            a->aiEnabled = 1;
        }
        aircraft.push_back(a);
        return a;
    }
    void step(float dt)
    {
        for (auto* a : aircraft)
            a->update(dt);
        for (auto* e : explosions)
            if (e->active)
                e->update(dt);
        for (auto* e : splashes)
            if (e->active)
                e->update(dt);
    }

    int aircraftCount() const override { return int(aircraft.size()); }
    skyrend::Aircraft* aircraftAt(int i) const override { return aircraft[size_t(i)]; }
    skyrend::Aircraft* playerAircraft() const override { return aircraft.empty() ? nullptr : aircraft.front(); }
    bool isExercise() const override { return exercise; }
    bool basisIsWater() const override { return water; }
    void playSound(const WCHAR* key) override { sounds.push_back(os::to_latin1(key)); }
    void showAlert(const WCHAR* text) override { alerts.push_back(os::to_latin1(text)); }
    void countDown(bool playerShotDown) override { (playerShotDown ? losses : kills)++; }
    int count(const std::vector<std::string>& list, const std::string& what) const
    {
        int n = 0;
        for (const auto& s : list)
            n += s == what;
        return n;
    }
};

} // namespace flighttest
