// mission_rules_test.cpp -- start places, outcome, revival and reload, the
// nearest enemy and the engine loop's pauses
#include "games/skyrend/mission_rules.h"

#include "games/skyrend/console_panel.h"
#include "games/skyrend/flight/aircraft.h"
#include "games/skyrend/flight/flight_constants.h"

#include "engine/base/math_utils.h"

#include "os/testing/kernel.h"

#include <gtest/gtest.h>

#include <memory>

using namespace skyrend;

namespace mission_cases {

struct RulesTest : testing::Test
{
    std::vector<std::unique_ptr<Aircraft>> owned;
    void SetUp() override
    {
        initMathTables();
        aircraftConstants() = AircraftConstants();
    }
    void TearDown() override { os::set_rand_hook(nullptr); }
    Aircraft* make(float x, float z, int state = Aircraft::Flying)
    {
        owned.push_back(std::make_unique<Aircraft>(nullptr, nullptr, u"p", nullptr, false, false));
        owned.back()->place(x, 500.0f, z, 0.0f, 0.0f);
        owned.back()->state = int16_t(state);
        return owned.back().get();
    }
};

TEST_F(RulesTest, StartPlacesOfExerciseAndMission)
{
    os::set_rand_hook([] { return 0; }); // every random number at its low end: the left side
    struct Case
    {
        bool exercise;
        float playerZ, nearZ, farZ;
    } cases[] = {{true, -800.0f, 800.0f, 1100.0f}, {false, -1300.0f, 800.0f, 1600.0f}};
    for (const Case& c : cases)
    {
        MissionStart start;
        ASSERT_TRUE(placeMission(1, 3, c.exercise, start));
        EXPECT_TRUE(start.leftSide);
        EXPECT_FLOAT_EQ(start.player.x, -300.0f);
        EXPECT_FLOAT_EQ(start.player.y, 300.0f);
        EXPECT_FLOAT_EQ(start.player.z, c.playerZ);
        const float xs[3] = {-300.0f, 300.0f, 900.0f}, zs[3] = {c.farZ, c.nearZ, c.farZ};
        for (int i = 0; i < 3; ++i)
        {
            EXPECT_FLOAT_EQ(start.enemies[i].x, xs[i]) << i;
            EXPECT_FLOAT_EQ(start.enemies[i].z, zs[i]) << i;
            EXPECT_NEAR(start.enemyTurns[i], 135.0f * 0.017453292f, 1e-5f);
        }
        EXPECT_EQ(start.enemyPlane, 2); // (1 + 1) mod 3
    }
}

TEST_F(RulesTest, EnemiesFlyAnotherPlaneAndNoPlanesNoFlight)
{
    os_srand(11);
    MissionStart start;
    for (int i = 0; i < 200; ++i)
    {
        ASSERT_TRUE(placeMission(i % 2, 2, true, start));
        EXPECT_NE(start.enemyPlane, i % 2);
        ASSERT_TRUE(placeMission(i % 5, 5, false, start));
        EXPECT_NE(start.enemyPlane, i % 5);
        EXPECT_GE(start.enemyTurns[0], 135.0f * 0.017453292f);
        EXPECT_LE(start.enemyTurns[0], 180.0f * 0.017453292f);
    }
    ASSERT_TRUE(placeMission(0, 1, true, start));
    EXPECT_EQ(start.enemyPlane, 0);
    EXPECT_FALSE(placeMission(0, 0, true, start));
    EXPECT_FALSE(placeMission(3, 3, true, start));
}

TEST_F(RulesTest, WonAndLost)
{
    Aircraft* player = make(0, 0);
    std::vector<Aircraft*> enemies = {make(0, 100, Aircraft::Down), make(0, 200, Aircraft::Down),
                                      make(0, 300, Aircraft::Hit)};
    EXPECT_EQ(missionOutcome(*player, enemies, false), Outcome::Flying); // one still falling
    enemies[2]->state = Aircraft::Down;
    EXPECT_EQ(missionOutcome(*player, enemies, false), Outcome::Won);
    EXPECT_EQ(missionOutcome(*player, enemies, true), Outcome::Flying); // they come back
    player->state = Aircraft::Down;
    EXPECT_EQ(missionOutcome(*player, enemies, false), Outcome::Lost);
}

TEST_F(RulesTest, ADownedEnemyReturnsArmedAndThePlayerReloads)
{
    Aircraft* enemy = make(0, 100, Aircraft::Down);
    enemy->damage = 100;
    enemy->score = 7;
    enemy->stations[0][1]->state = Missile::Spent;
    enemy->stations[1][2]->state = Missile::Spent;
    reviveEnemy(*enemy);
    EXPECT_EQ(enemy->state, Aircraft::Flying);
    EXPECT_EQ(enemy->damage, 0);
    EXPECT_EQ(enemy->score, 0);
    EXPECT_FLOAT_EQ(enemy->flight.position.y, 250.0f);
    EXPECT_FLOAT_EQ(enemy->flight.speed, 30.0f);
    EXPECT_EQ(enemy->stations[0][1]->state, Missile::Idle);
    EXPECT_EQ(enemy->stations[1][2]->state, Missile::Idle);

    Aircraft* player = make(0, 0);
    ConsolePanel panel(nullptr, RECT{}, RECT{}, RECT{});
    panel.setPlayer(player);
    for (auto& row : player->stations)
        for (Missile* m : row)
            m->state = Missile::Spent;
    reloadPlayer(*player, &panel);
    int ready = 0;
    for (auto& row : player->stations)
        ready += row[0]->state == Missile::Idle;
    EXPECT_EQ(ready, 2); // the first of each row
    EXPECT_EQ(panel.selectedMissile()->state, Missile::Idle);
}

TEST_F(RulesTest, TheNearestFlyingEnemy)
{
    Aircraft* player = make(0, 0);
    Aircraft* down = make(0, 50, Aircraft::Down);
    Aircraft* a = make(0, 300);
    Aircraft* b = make(0, -300);
    Aircraft* far = make(0, 900);
    EXPECT_EQ(nearestEnemy(*player, {down, far, a, b}), a); // the first of equals
    EXPECT_EQ(nearestEnemy(*player, {down}), nullptr);
}

TEST_F(RulesTest, TheEngineLoopResumesAfterTheLastPause)
{
    EnginePause engine;
    EXPECT_FALSE(engine.resume(0.0f, true));
    engine.pause(1.61f, 10.0f);
    engine.pause(0.71f, 10.5f); // replaces the first
    EXPECT_FALSE(engine.resume(11.0f, true));
    EXPECT_FALSE(engine.resume(11.3f, false)); // not while the player is down
    EXPECT_TRUE(engine.resume(11.3f, true));
    EXPECT_FALSE(engine.resume(11.4f, true)); // once
}

} // namespace mission_cases
