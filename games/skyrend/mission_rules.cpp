// mission_rules.cpp -- start places, revival, outcome, indicator, engine pause
#include "games/skyrend/mission_rules.h"

#include "games/skyrend/console_panel.h"
#include "games/skyrend/flight/aircraft.h"
#include "games/skyrend/flight/flight_constants.h"

#include "engine/base/math_utils.h"
#include "engine/scene/3d/group3d.h"

#include <cstdlib>

namespace skyrend {

namespace {

constexpr float kDegree = 0.017453292f;

} // namespace

bool placeMission(int playerPlane, int planeCount, bool exercise, MissionStart& out)
{
    if (planeCount < 1 || playerPlane < 0 || playerPlane >= planeCount)
        return false;
    out.enemyPlane = planeCount > 1 ? (playerPlane + randomInt(1, planeCount - 1)) % planeCount : playerPlane;
    out.leftSide = randomInt(0, 100) < 51;
    out.player.set(out.leftSide ? -300.0f : 300.0f, randomFloat(300.0f, 400.0f), exercise ? -800.0f : -1300.0f);
    const float depth = exercise ? 300.0f : 800.0f;
    for (int i = 0; i < kEnemies; ++i)
    {
        const float x = float(i - 1) * 600.0f + (out.leftSide ? 300.0f : -300.0f);
        const float y = randomFloat(300.0f, 400.0f);
        out.enemies[i].set(x, y, float(std::abs(1 - i)) * depth + 800.0f);
        out.enemyTurns[i] = randomFloat(135.0f, 180.0f) * kDegree;
    }
    return true;
}

Outcome missionOutcome(const Aircraft& player, const std::vector<Aircraft*>& enemies, bool replaceDowned)
{
    if (player.state == Aircraft::Down)
        return Outcome::Lost;
    if (replaceDowned || enemies.empty())
        return Outcome::Flying;
    for (const Aircraft* e : enemies)
        if (e->state != Aircraft::Down)
            return Outcome::Flying;
    return Outcome::Won;
}

void reviveEnemy(Aircraft& enemy)
{
    const float x = randomFloat(-1200.0f, 1200.0f), z = randomFloat(-1200.0f, 1200.0f);
    enemy.flight.init(enemy.model, aircraftConstants().averageV, x, 250.0f, z, enemy.flight.ceiling);
    enemy.flight.climbSine = enemy.flight.bankSine = 0.0f;
    enemy.state = Aircraft::Flying;
    enemy.damage = 0;
    enemy.score = 0;
    enemy.falling = 0;
    enemy.evading = 0;
    if (enemy.model)
    {
        enemy.model->visible = 1;
        enemy.model->matrix.copyFrom(enemy.flight.orientation);
    }
    for (auto& row : enemy.stations)
        for (Missile* m : row)
            if (m && (m->model ? !m->model->visible : m->state == Missile::Spent))
                m->reset();
}

void reloadPlayer(Aircraft& player, ConsolePanel* panel)
{
    if (!player.hasStations())
        return;
    for (auto& row : player.stations)
        for (Missile* m : row)
            if (m->model ? !m->model->visible : m->state == Missile::Spent)
            {
                m->reset();
                break;
            }
    if (panel)
        panel->nextStation();
}

Aircraft* nearestEnemy(const Aircraft& player, const std::vector<Aircraft*>& enemies)
{
    Aircraft* best = nullptr;
    float bestDistance = 0.0f;
    for (Aircraft* e : enemies)
    {
        if (!e || e->state != Aircraft::Flying)
            continue;
        Vector3 d;
        d.setDifference(e->flight.position, player.flight.position);
        const float distance = d.lengthSquared();
        if (!best || distance < bestDistance)
        {
            best = e;
            bestDistance = distance;
        }
    }
    return best;
}

void EnginePause::pause(float seconds, float clock)
{
    on = true;
    start = clock;
    length = seconds;
}

bool EnginePause::resume(float clock, bool playerFlying)
{
    if (!on || !playerFlying || clock - start < length)
        return false;
    on = false;
    return true;
}

} // namespace skyrend
