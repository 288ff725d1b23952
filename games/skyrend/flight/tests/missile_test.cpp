// missile_test.cpp -- ranges, names, guidance, flight time and the ground
#include "games/skyrend/flight/flight_constants.h"
#include "games/skyrend/flight/missile.h"

#include "engine/base/math_utils.h"

#include <os/wstring.h>

#include <gtest/gtest.h>

#include <cmath>

using namespace skyrend;

namespace missile_cases {

struct MissileTest : testing::Test
{
    FlightModel carrier;
    FlightModel target;
    void SetUp() override
    {
        initMathTables();
        missileConstants() = MissileConstants();
        carrier.init(nullptr, 30.0f, 0.0f, 500.0f, 0.0f, 0.0f);
    }
    Missile* make(int kind, const WCHAR* name = u"AIM9")
    {
        auto* m = new Missile(nullptr, name, nullptr, kind, 0, u"", &carrier, false);
        m->flight.init(nullptr, Missile::baseSpeed(kind), 0.0f, 0.0f, 0.0f, 0.0f);
        m->flight.gravity = 0;
        m->update(0.0f); // rides on its station
        return m;
    }
    static Vector3 ahead(const Missile& m)
    {
        Vector3 v;
        m.flight.orientation.transformVectorTo(Vector3(0.0f, 0.0f, 1.0f), v);
        return v;
    }
};

TEST_F(MissileTest, RangesFlightTimesAndSpeedsByKind)
{
    // s = (40 + 32) x 0.8 = 57.6
    struct Case
    {
        int kind;
        float flightTime, maxRange, minRange, base;
    } cases[] = {{0, 20.0f, 1152.0f, 57.6f, 40.0f}, {1, 40.0f, 2304.0f, 1036.6f, 48.0f},
                 {2, 60.0f, 3456.0f, 2188.6f, 48.0f}};
    for (const Case& c : cases)
    {
        Missile* m = make(c.kind);
        EXPECT_FLOAT_EQ(m->flightTime, c.flightTime) << c.kind;
        EXPECT_NEAR(m->maxRange, c.maxRange, 0.01f) << c.kind;
        EXPECT_NEAR(m->minRange, c.minRange, 0.01f) << c.kind;
        EXPECT_FLOAT_EQ(Missile::baseSpeed(c.kind), c.base) << c.kind;
        EXPECT_FLOAT_EQ(m->killRadius, 8.0f);
        delete m;
    }
}

TEST_F(MissileTest, NamesAreCasedAndBounded)
{
    Missile* m = make(0, u"aim9_Block2");
    EXPECT_EQ(os::to_latin1(m->name), "AIM9_block2");
    WCHAR made[64];
    m->makeName(made, 64, 3);
    EXPECT_EQ(os::to_latin1(made), "SRAAM3"); // no owner: the server's missiles
    delete m;
    EXPECT_TRUE(Missile::nameFits(u"AIM9"));
    EXPECT_FALSE(Missile::nameFits(u""));
    EXPECT_FALSE(Missile::nameFits(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234")); // 31 characters
    EXPECT_TRUE(Missile::ownerNameFits(u"AceJet"));
    EXPECT_FALSE(Missile::ownerNameFits(std::u16string(52, u'x').c_str()));
}

TEST_F(MissileTest, LaunchedAtATargetAheadItHomesAfterTwoSeconds)
{
    Missile* m = make(0);
    target.init(nullptr, 30.0f, 300.0f, 500.0f, 600.0f, 0.0f);
    m->target = &target;
    m->state = Missile::Locked;
    m->launch();
    EXPECT_EQ(m->state, Missile::Flying);
    EXPECT_FLOAT_EQ(m->flight.targetSpeed, 72.0f);
    // Straight on for the first 2.0 s.
    for (int i = 0; i < 20; ++i)
    {
        m->update(0.1f);
        target.tick(0.1f, false);
    }
    EXPECT_NEAR(m->position().x, 0.0f, 1e-3f);
    float closest = 1e9f;
    for (int i = 0; i < 200 && m->state == Missile::Flying; ++i)
    {
        m->update(0.1f);
        target.tick(0.1f, false);
        Vector3 d;
        d.setDifference(target.position, m->position());
        closest = std::min(closest, d.length());
    }
    EXPECT_LT(closest, 20.0f);
    delete m;
}

TEST_F(MissileTest, ATargetBehindAtADecisionIsDroppedForGood)
{
    Missile* m = make(0);
    target.init(nullptr, 0.0f, 0.0f, 500.0f, -300.0f, 0.0f);
    m->target = &target;
    m->launch();
    for (int i = 0; i < 25; ++i)
        m->update(0.1f);
    EXPECT_EQ(m->target, nullptr);
    EXPECT_NEAR(ahead(*m).z, 1.0f, 1e-4f); // flies on unguided
    delete m;
}

TEST_F(MissileTest, RunsOutAtItsFlightTimeAndStaysPutAway)
{
    for (int kind = 0; kind < 3; ++kind)
    {
        Missile* m = make(kind);
        m->launch();
        float t = 0.0f;
        while (m->state == Missile::Flying && t < 100.0f)
        {
            m->update(0.25f);
            t += 0.25f;
        }
        EXPECT_EQ(m->state, Missile::Spent) << kind;
        EXPECT_NEAR(t, m->flightTime, 0.26f) << kind;
        delete m;
    }
    // Put away just above the ground and sinking below it in the same step:
    // the ground test does not explode a spent missile.
    Missile* low = make(0);
    carrier.orientation.rotX(0.05f); // nose slightly down
    carrier.orientation.setTranslationXYZ(0.0f, 0.6f, 0.0f);
    low->update(0.0f);
    low->launch();
    low->flightTimer = low->flightTime - 0.05f;
    low->update(0.1f);
    EXPECT_EQ(low->state, Missile::Spent);
    delete low;
}

TEST_F(MissileTest, TheGroundExplodesItAndFourSecondsLaterItIsSpent)
{
    Missile* m = make(1);
    carrier.orientation.rotX(1.0f); // steep dive
    carrier.orientation.setTranslationXYZ(0.0f, 20.0f, 0.0f);
    m->update(0.0f);
    m->launch();
    int steps = 0;
    while (m->state == Missile::Flying && steps++ < 100)
        m->update(0.1f);
    EXPECT_EQ(m->state, Missile::Exploding);
    EXPECT_FLOAT_EQ(m->flight.speed, 0.0f);
    for (int i = 0; i < 40; ++i)
        m->update(0.1f);
    EXPECT_EQ(m->state, Missile::Exploding);
    m->update(0.1f);
    EXPECT_EQ(m->state, Missile::Spent);
    m->reset();
    EXPECT_EQ(m->state, Missile::Idle);
    delete m;
}

} // namespace missile_cases
