// aircraft_test.cpp -- aircraft built bare (as the server builds them) and
// flown by a host that draws nothing: controls, weapons, smoke, events,
// locks, hits, damage and the enemy behaviour
#include "logic_host.h"

#include "games/skyrend/flight/flight_constants.h"

#include "engine/base/math_utils.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace skyrend;
using flighttest::LogicHost;

namespace aircraft_cases {

constexpr float kPi = 3.14159265f;

struct AircraftTest : testing::Test
{
    void SetUp() override
    {
        initMathTables();
        aircraftConstants() = AircraftConstants();
        missileConstants() = MissileConstants();
        Aircraft::pursuitThreshold() = 200.0f;
    }
    static int activeBullets(const Aircraft& a)
    {
        int n = 0;
        for (const Bullet* b : a.bullets)
            n += b->active;
        return n;
    }
    static float offAngle(const Aircraft& from, const Aircraft& to)
    {
        Vector3 ahead, d;
        from.flight.orientation.transformVectorTo(Vector3(0.0f, 0.0f, 1.0f), ahead);
        d.setDifference(to.flight.position, from.flight.position);
        return ahead.angle(d);
    }
};

TEST_F(AircraftTest, TheServersAircraftIsBareButArmed)
{
    Aircraft a(nullptr, nullptr, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ", nullptr, false, false);
    EXPECT_EQ(a.pilotName.size(), 24u);
    EXPECT_FALSE(a.hasCanvas);
    EXPECT_EQ(a.model, nullptr);
    EXPECT_EQ(a.throttleNotch, 2);
    EXPECT_FLOAT_EQ(a.hitRadius, 12.0f);
    EXPECT_FLOAT_EQ(a.canonInterval, 0.54f);
    EXPECT_FLOAT_EQ(a.smokeInterval, 0.25f);
    EXPECT_FLOAT_EQ(a.flareInterval, 0.75f);
    EXPECT_FLOAT_EQ(a.aiInterval, 0.5f);
    EXPECT_EQ(a.bullets.size(), 10u);
    EXPECT_EQ(a.smoke.size(), 12u);
    EXPECT_EQ(a.flares.size(), 4u);
    EXPECT_EQ(a.chaff.size(), 4u);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 4; ++c)
        {
            ASSERT_NE(a.stations[r][c], nullptr);
            EXPECT_EQ(a.stations[r][c]->kind, r);
            EXPECT_EQ(os::to_latin1(a.stations[r][c]->name), r == 0 ? "VT_araam" : "VT_mraam");
            EXPECT_FALSE(a.stations[r][c]->flight.gravity);
        }
    Aircraft player(nullptr, nullptr, u"Ace", nullptr, true, false);
    EXPECT_FLOAT_EQ(player.hitRadius, 5.0f);
}

TEST_F(AircraftTest, WithoutAHostVisualStepsBecomeEvents)
{
    Aircraft a(nullptr, nullptr, u"p", nullptr, false, false);
    a.place(0.0f, 500.0f, 0.0f, 0.0f, 0.0f);
    a.emitSmoke(0.1f);
    EXPECT_TRUE(a.hasEvents(Aircraft::EventSmoke));
    a.update(0.1f);
    EXPECT_EQ(a.events, 0); // cleared by every update
    a.explode(0.1f, true);
    EXPECT_TRUE(a.hasEvents(Aircraft::EventExplode));
    EXPECT_EQ(a.state, Aircraft::Hit);
    EXPECT_EQ(a.damage, 100);

    Aircraft wet(nullptr, nullptr, u"q", nullptr, false, false);
    wet.onWater = 1;
    wet.place(0.0f, 2.0f, 0.0f, 0.0f, 0.0f); // below the touch-down height 3.0
    wet.update(0.1f);
    EXPECT_TRUE(wet.hasEvents(Aircraft::EventSplash));
    EXPECT_EQ(wet.state, Aircraft::Down);
    EXPECT_FLOAT_EQ(wet.flight.position.y, 3.0f);
    EXPECT_FLOAT_EQ(wet.flight.speed, 0.0f);
}

TEST_F(AircraftTest, ControlsSetRatesAndAreIgnoredUnlessFlying)
{
    struct Case
    {
        void (Aircraft::*control)(float);
        float FlightModel::*rate;
        float positive;
    } cases[] = {{&Aircraft::yaw, &FlightModel::yawRate, -0.25f},
                 {&Aircraft::pitch, &FlightModel::pitchRate, -0.3f},
                 {&Aircraft::roll, &FlightModel::rollRate, -1.2f}};
    for (const Case& c : cases)
    {
        Aircraft a(nullptr, nullptr, u"p", nullptr, true, false);
        (a.*c.control)(0.2f);
        EXPECT_FLOAT_EQ(a.flight.*c.rate, c.positive);
        (a.*c.control)(0.0f); // leaves the rate
        EXPECT_FLOAT_EQ(a.flight.*c.rate, c.positive);
        (a.*c.control)(-0.2f);
        EXPECT_FLOAT_EQ(a.flight.*c.rate, -c.positive);
        a.state = Aircraft::Hit;
        (a.*c.control)(0.2f);
        EXPECT_FLOAT_EQ(a.flight.*c.rate, -c.positive);
    }
}

TEST_F(AircraftTest, OneBulletPerCanonIntervalWhileTheTriggerIsHeld)
{
    LogicHost host;
    Aircraft* a = host.add(true, 0.0f, 500.0f, 0.0f, 0.0f);
    for (int i = 0; i < 12; ++i)
        a->fireCanon(0.1f);
    EXPECT_EQ(activeBullets(*a), 2);
    EXPECT_EQ(host.count(host.sounds, "canon"), 12); // the gun sounds every call
    a->state = Aircraft::Hit;
    for (int i = 0; i < 12; ++i)
        a->fireCanon(0.1f);
    EXPECT_EQ(activeBullets(*a), 2);
}

TEST_F(AircraftTest, ADamagedAircraftSmokesForAShareOfEachCycle)
{
    for (int damage : {100, 70, 40})
    {
        Aircraft a(nullptr, nullptr, u"p", nullptr, false, false);
        a.place(0.0f, 800.0f, 0.0f, 0.0f, 0.0f);
        a.damage = int16_t(damage);
        int smoking = 0;
        for (int i = 0; i < 360; ++i) // one turn of the spin angle, 1 degree a step
        {
            a.update(0.01f);
            smoking += a.hasEvents(Aircraft::EventSmoke) != 0;
        }
        EXPECT_NEAR(smoking, std::max(0, damage - 40), 2) << damage;
    }
}

TEST_F(AircraftTest, LocksByConeAndRange)
{
    struct Case
    {
        float distance, offDegrees;
        int row; // -1: no lock
    } cases[] = {
        {300.0f, 0.0f, 0},  {300.0f, 24.0f, 0},   {300.0f, 27.0f, -1}, // cos 0.9 is 25.8 degrees
        {55.0f, 0.0f, -1},  {60.0f, 0.0f, 0},     {1150.0f, 0.0f, 0},  // short range 57.6 .. 1152
        {1155.0f, 0.0f, 1}, {2300.0f, 0.0f, 1},   {2310.0f, 0.0f, -1}, // medium 1036.6 .. 2304
        {1000.0f, 0.0f, 0},
    };
    for (const Case& c : cases)
    {
        LogicHost host;
        Aircraft* player = host.add(true, 0.0f, 500.0f, 0.0f, 0.0f);
        const float a = c.offDegrees * kPi / 180.0f;
        Aircraft* enemy = host.add(false, c.distance * std::sin(a), 500.0f, c.distance * std::cos(a), 0.0f);
        player->scanTargets();
        int lockedRow = -1, locks = 0;
        for (int r = 0; r < 2; ++r)
            for (Missile* m : player->stations[r])
                if (m->state == Missile::Locked)
                {
                    lockedRow = lockedRow < 0 ? r : lockedRow;
                    ++locks;
                    EXPECT_EQ(m->target, &enemy->flight);
                }
        EXPECT_EQ(lockedRow, c.row) << c.distance << " at " << c.offDegrees;
        EXPECT_EQ(locks, c.row < 0 ? 0 : 1);
        EXPECT_EQ(enemy->lockedOn, c.row >= 0);
    }
}

TEST_F(AircraftTest, TwoEnemiesGetTwoMissilesAndAScanStartsOver)
{
    LogicHost host;
    Aircraft* player = host.add(true, 0.0f, 500.0f, 0.0f, 0.0f);
    Aircraft* a = host.add(false, 20.0f, 500.0f, 400.0f, 0.0f);
    Aircraft* b = host.add(false, -20.0f, 500.0f, 500.0f, 0.0f);
    for (int scan = 0; scan < 3; ++scan)
    {
        player->scanTargets();
        // Last aircraft first: b takes station 0, a station 1.
        EXPECT_EQ(player->stations[0][0]->target, &b->flight);
        EXPECT_EQ(player->stations[0][1]->target, &a->flight);
        EXPECT_EQ(player->stations[0][2]->state, Missile::Idle);
    }
    // A dead aircraft is not locked, and a launched missile keeps its target.
    player->launchMissile(player->stations[0][0]);
    b->state = Aircraft::Hit;
    player->scanTargets();
    EXPECT_EQ(player->stations[0][0]->state, Missile::Flying);
    EXPECT_EQ(player->stations[0][1]->target, &a->flight);
    EXPECT_EQ(player->stations[0][2]->state, Missile::Idle);
    EXPECT_FALSE(b->lockedOn);
}

TEST_F(AircraftTest, AMissileLaunchedAtATargetAheadHitsIt)
{
    LogicHost host;
    Aircraft* player = host.add(true, 0.0f, 500.0f, 0.0f, 0.0f);
    Aircraft* enemy = host.add(false, 30.0f, 500.0f, 400.0f, 0.0f);
    enemy->aiEnabled = 0;
    player->scanTargets();
    Missile* m = player->stations[0][0];
    ASSERT_EQ(m->state, Missile::Locked);
    player->launchMissile(m);
    EXPECT_EQ(host.count(host.sounds, "launchAAM"), 1);
    for (int i = 0; i < 300 && enemy->damage == 0; ++i)
        host.step(0.1f);
    EXPECT_GE(enemy->damage, 50); // an enemy hit by a missile takes at least half
    EXPECT_EQ(player->score, enemy->damage);
    EXPECT_EQ(m->state, Missile::Exploding);
    EXPECT_GE(host.count(host.sounds, "smallexplosion"), 1);
}

TEST_F(AircraftTest, AMissileLaunchedAwayRunsOut)
{
    LogicHost host;
    Aircraft* player = host.add(true, 0.0f, 900.0f, 0.0f, 0.0f);
    Aircraft* enemy = host.add(false, 0.0f, 900.0f, -400.0f, kPi); // behind, flying away
    enemy->aiEnabled = 0;
    player->scanTargets();
    Missile* m = player->stations[0][0];
    EXPECT_EQ(m->state, Missile::Idle);
    player->launchMissile(m);
    for (int i = 0; i < 220; ++i)
        host.step(0.1f);
    EXPECT_EQ(m->state, Missile::Spent);
    EXPECT_EQ(enemy->damage, 0);
}

TEST_F(AircraftTest, MissileDamageCountsTheDistanceAtMostAsTheKillRadius)
{
    LogicHost host;
    Aircraft* player = host.add(true, 0.0f, 500.0f, 0.0f, 0.0f);
    Aircraft* enemy = host.add(false, 0.0f, 500.0f, 400.0f, 0.0f);
    const Missile* m = player->stations[0][0];
    struct Case
    {
        const Aircraft* victim;
        float d;
        int damage;
    } cases[] = {{enemy, 0.0f, 100}, {enemy, 4.0f, 100}, {enemy, 6.0f, 75},  {enemy, 8.0f, 50},
                 {enemy, 9.5f, 50},  {player, 0.0f, 100}, {player, 4.0f, 50}, {player, 5.9f, 26}};
    for (const Case& c : cases)
        EXPECT_EQ(c.victim->missileDamage(m, c.d), c.damage) << c.d;
}

TEST_F(AircraftTest, DecoysAndWarningsAtTheHitTest)
{
    LogicHost host;
    Aircraft* player = host.add(true, 0.0f, 500.0f, 0.0f, 0.0f);
    Aircraft* enemy = host.add(false, 0.0f, 500.0f, 400.0f, 0.0f);
    auto flyAt = [](Missile* m, Aircraft* victim, float dx) {
        m->state = Missile::Flying;
        m->target = &victim->flight;
        m->flight.position = victim->flight.position;
        m->flight.position.x += dx;
    };
    // Two flares: a short-range missile cannot hit; a medium one still can.
    enemy->flaresInAir = 2;
    flyAt(player->stations[0][0], enemy, 3.0f);
    EXPECT_EQ(enemy->checkHits(0.6f), 0);
    EXPECT_EQ(player->stations[0][0]->state, Missile::Flying);
    player->stations[0][0]->state = Missile::Spent;
    flyAt(player->stations[1][0], enemy, 3.0f);
    EXPECT_EQ(enemy->checkHits(0.6f), 100); // rough distance 1: 50 + 87, at most 100
    EXPECT_EQ(player->stations[1][0]->state, Missile::Exploding);

    // The player's own: an enemy missile between killRadius - 2 and
    // killRadius misses and warns; an enemy's chaff-free medium missile too.
    flyAt(enemy->stations[0][0], player, 21.0f); // rough distance 7
    EXPECT_EQ(player->checkHits(0.6f), 0);
    EXPECT_TRUE(host.heatWarning);
    EXPECT_FALSE(host.radarWarning);
    enemy->stations[0][0]->state = Missile::Spent;
    flyAt(enemy->stations[1][0], player, 150.0f); // rough distance 50
    EXPECT_EQ(player->checkHits(0.6f), 0);
    EXPECT_FALSE(host.heatWarning);
    EXPECT_TRUE(host.radarWarning);
    flyAt(enemy->stations[1][1], player, 15.0f); // rough distance 5
    EXPECT_EQ(player->checkHits(0.6f), 37);     // int(3 x 100 / 8)
    // Between checks only bullets count.
    EXPECT_EQ(player->checkHits(0.1f), 0);
}

TEST_F(AircraftTest, AnEnemyNearAMissileReleasesTheRightDecoy)
{
    LogicHost host;
    Aircraft* player = host.add(true, 0.0f, 500.0f, 0.0f, 0.0f);
    Aircraft* enemy = host.add(false, 0.0f, 500.0f, 400.0f, 0.0f);
    Missile* m = player->stations[1][0];
    m->state = Missile::Flying;
    m->target = &enemy->flight;
    m->flight.position = enemy->flight.position;
    m->flight.position.x += 29.5f * 3.0f; // rough distance 29.5: int 29, 29 mod 10 = 9
    EXPECT_EQ(enemy->checkHits(0.8f), 0);
    int chaff = 0;
    for (Flare* f : enemy->chaff)
        chaff += f->active;
    EXPECT_EQ(chaff, 1);
    host.exercise = true;
    EXPECT_EQ(enemy->checkHits(0.8f), 0);
    chaff = 0;
    for (Flare* f : enemy->chaff)
        chaff += f->active;
    EXPECT_EQ(chaff, 1); // no decoys in an exercise
}

TEST_F(AircraftTest, AnEnemyBehindThePlayerTurnsTowardsIt)
{
    LogicHost host;
    Aircraft* player = host.add(true, 0.0f, 800.0f, 0.0f, 0.0f);
    Aircraft* enemy = host.add(false, 300.0f, 800.0f, -700.0f, 0.0f);
    const float before = offAngle(*enemy, *player);
    for (int i = 0; i < 50; ++i)
        host.step(0.1f);
    EXPECT_GT(before, 0.3f);
    EXPECT_LT(offAngle(*enemy, *player), 0.2f); // it aims ahead of the player
    EXPECT_FALSE(enemy->evading);
    EXPECT_EQ(enemy->flight.level, 80);
}

TEST_F(AircraftTest, AnEnemyTooCloseBreaksAwayUntilItIsFarAgain)
{
    LogicHost host;
    Aircraft* player = host.add(true, 0.0f, 800.0f, 0.0f, 0.0f);
    Aircraft* enemy = host.add(false, 0.0f, 800.0f, -150.0f, 0.0f);
    host.step(0.5f);
    EXPECT_TRUE(enemy->evading);
    EXPECT_FLOAT_EQ(Aircraft::pursuitThreshold(), 600.0f);
    EXPECT_EQ(enemy->flight.level, 140); // throttle step 6
    // It flies off sideways and turns back only beyond 600.
    float farthest = 0.0f;
    bool resumed = false;
    for (int i = 0; i < 600 && !resumed; ++i)
    {
        host.step(0.1f);
        Vector3 d;
        d.setDifference(player->flight.position, enemy->flight.position);
        farthest = std::max(farthest, d.length());
        resumed = !enemy->evading;
    }
    EXPECT_TRUE(resumed);
    EXPECT_GE(farthest, 600.0f);
    EXPECT_FLOAT_EQ(Aircraft::pursuitThreshold(), 200.0f);
}

TEST_F(AircraftTest, AnEnemyInFiringPositionFiresUnlessExercise)
{
    for (bool exercise : {false, true})
    {
        Aircraft::pursuitThreshold() = 200.0f;
        LogicHost host;
        host.exercise = exercise;
        Aircraft* player = host.add(true, 0.0f, 800.0f, 0.0f, 0.0f);
        Aircraft* enemy = host.add(false, 0.0f, 800.0f, -300.0f, 0.0f);
        player->flight.setLevel(-16); // slow: the lead stays on the nose
        int fired = 0;
        for (int i = 0; i < 30; ++i)
        {
            host.step(0.1f);
            fired += activeBullets(*enemy);
        }
        EXPECT_TRUE(enemy->aiFire) << exercise;
        EXPECT_EQ(fired > 0, !exercise);
        EXPECT_EQ(host.count(host.alerts, "Enemy firing canon at you!") > 0, !exercise);
    }
}

TEST_F(AircraftTest, AnEnemyLaunchesItsLockedMissileOnItsMissileClock)
{
    LogicHost host;
    Aircraft* player = host.add(true, 0.0f, 800.0f, 0.0f, 0.0f);
    Aircraft* enemy = host.add(false, 0.0f, 800.0f, -900.0f, 0.0f);
    (void)player;
    enemy->scanTargets();
    ASSERT_EQ(enemy->stations[0][0]->state, Missile::Locked);
    enemy->missileTimer = 24.95f;
    host.step(0.1f);
    EXPECT_EQ(enemy->stations[0][0]->state, Missile::Flying);
    EXPECT_EQ(host.count(host.alerts, "Enemy launched AAM to you!"), 1);
}

TEST_F(AircraftTest, ABulletStreamAddsDamageUntilTheTargetExplodes)
{
    LogicHost host;
    Aircraft* player = host.add(true, 0.0f, 900.0f, 0.0f, 0.0f);
    Aircraft* enemy = host.add(false, 0.0f, 900.0f, 45.0f, 0.0f);
    enemy->aiEnabled = 0;
    int fired = 0, lastDamage = 0;
    bool rising = true;
    for (int i = 0; i < 1200 && enemy->state == Aircraft::Flying; ++i)
    {
        const int before = activeBullets(*player);
        player->fireCanon(0.1f);
        fired += activeBullets(*player) > before;
        host.step(0.1f);
        rising = rising && enemy->damage >= lastDamage;
        lastDamage = enemy->damage;
    }
    EXPECT_TRUE(rising);
    EXPECT_EQ(enemy->state, Aircraft::Hit);
    EXPECT_EQ(enemy->damage, 100);
    EXPECT_TRUE(enemy->falling);
    EXPECT_EQ(player->score, 100);
    // Each bullet scores once.
    EXPECT_GE(fired, 100);
    EXPECT_EQ(host.kills, 1);
    EXPECT_EQ(host.count(host.sounds, "explosion"), 1);
    int exploding = 0;
    for (auto* e : host.explosions)
        exploding += e->active;
    EXPECT_EQ(exploding, 1);
    // Bullets that meet the falling wreck neither score nor blow it up a
    // second time.
    for (int i = 0; i < 20; ++i)
    {
        player->fireCanon(0.1f);
        host.step(0.1f);
    }
    EXPECT_EQ(player->score, 100);
    EXPECT_EQ(host.count(host.sounds, "explosion"), 1);
    // It falls to the ground and stays there.
    for (int i = 0; i < 3000 && enemy->state != Aircraft::Down; ++i)
        host.step(0.1f);
    EXPECT_EQ(enemy->state, Aircraft::Down);
    EXPECT_EQ(host.kills, 1);
    const Vector3 wreck = enemy->flight.position;
    for (int i = 0; i < 50; ++i)
        host.step(0.1f);
    EXPECT_FLOAT_EQ(enemy->flight.position.x, wreck.x);
    EXPECT_FLOAT_EQ(enemy->flight.position.y, wreck.y);
    EXPECT_FLOAT_EQ(enemy->flight.position.z, wreck.z);
}

TEST_F(AircraftTest, ThePlayersCrashStopsEveryoneAndCountsALoss)
{
    LogicHost host;
    Aircraft* player = host.add(true, 0.0f, 30.0f, 0.0f, 0.0f);
    Aircraft* enemy = host.add(false, 0.0f, 800.0f, 2000.0f, 0.0f);
    player->flight.orientation.rotX(0.5f);
    player->flight.orientation.setTranslation(player->flight.position);
    for (int i = 0; i < 100 && player->state != Aircraft::Down; ++i)
        player->update(0.1f);
    EXPECT_EQ(player->state, Aircraft::Down);
    EXPECT_EQ(host.losses, 1);
    EXPECT_FLOAT_EQ(enemy->flight.speed, 0.0f);
    EXPECT_GE(host.count(host.alerts, "You fly too low, pitch up!"), 1);
}

} // namespace aircraft_cases
