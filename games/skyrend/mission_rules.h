// mission_rules.h -- the single-player rules of a flight that need no
// drawing: where the player and the three enemies start, which plane the
// enemies fly, bringing a downed enemy back with the player's missiles
// reloaded, won and lost, the nearest enemy for the indicator arrow, and
// the engine loop's pauses around effect sounds
#pragma once

#include "engine/base/vector.h"

#include <vector>

namespace skyrend {

class Aircraft;
class ConsolePanel;

constexpr int kEnemies = 3;

struct MissionStart
{
    int enemyPlane = 0;
    bool leftSide = false;
    Vector3 player;
    Vector3 enemies[kEnemies];
    float enemyTurns[kEnemies] = {}; // radians about the vertical axis
};

// The start of a flight from the plane tables: false (and nothing drawn
// from the random numbers) when there is no plane to fly. The enemies fly
// another plane than the player's whenever there are two or more.
bool placeMission(int playerPlane, int planeCount, bool exercise, MissionStart& out);

enum class Outcome
{
    Flying,
    Won,
    Lost,
};

// Lost when the player is down; won when downed enemies are not replaced
// and every enemy is down.
Outcome missionOutcome(const Aircraft& player, const std::vector<Aircraft*>& enemies, bool replaceDowned);

// A downed enemy flies again from a new place at 250 units with its speed,
// attitude, damage and score reset and its spent missiles re-armed; the
// player gets the first spent missile of each station row back.
void reviveEnemy(Aircraft& enemy);
void reloadPlayer(Aircraft& player, ConsolePanel* panel);

// The nearest flying enemy (first of equals), or null.
Aircraft* nearestEnemy(const Aircraft& player, const std::vector<Aircraft*>& enemies);

// The engine's loop stops while an effect sound plays (no sound mixer) and
// starts again once the pause's length has passed on the flight clock; a
// new pause replaces the one running.
class EnginePause
{
public:
    void pause(float seconds, float clock);
    // True once when the loop should play again.
    bool resume(float clock, bool playerFlying);
    bool paused() const { return on; }

private:
    bool on = false;
    float start = 0.0f, length = 0.0f;
};

} // namespace skyrend
