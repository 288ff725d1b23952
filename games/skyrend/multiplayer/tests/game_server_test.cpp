// game_server_test.cpp -- the game server on a loopback port with scripted
// clients: log-on, groups, entering, flying with controls, leaving and the
// idle expiry of empty groups
#include "games/skyrend/multiplayer/tests/server_fixture.h"

using namespace skyrend::mp;
using namespace skyrend::mp::testing;

TEST_F(ServerTest, LogOnAnswers)
{
    startServer();
    ScriptClient a(port), b(port), c(port);
    ASSERT_TRUE(a.connected && b.connected && c.connected);
    EXPECT_EQ(a.logOn(u"<alice>", u"", u"Other-Game"),
              u"Log-on Refused because the server you haved connected is not the game server for 'Other-Game'.");
    for (const char16_t* bad : {u"", u"<a{b>", u"a}", u"x,y", u"x:y", u"\x01name"})
        EXPECT_EQ(a.logOn(bad), kLogOnBadName) << "name accepted";
    EXPECT_EQ(a.logOn(std::u16string(kMaxNameLength + 1, u'n')), kLogOnBadName);
    EXPECT_EQ(a.logOn(u"<alice>", u"anything"), kLogOnAccepted); // no authentication asked
    // One name once on the server, whatever the password.
    EXPECT_EQ(b.logOn(u"<alice>", u"a1"), kLogOnDuplicate);
    // One user per connection: a second log-on is refused and the first stays.
    EXPECT_EQ(a.logOn(u"<carol>"), kLogOnDuplicate);
    EXPECT_EQ(c.logOn(u"<carol>"), kLogOnAccepted);
    EXPECT_EQ(server->getUsers().size(), 2u);
    EXPECT_EQ(listener.count(u"User from 127.0.0.1 logged on."), 2);
}

TEST_F(ServerTest, LogOnWithTheAccountList)
{
    ServerSettings settings;
    settings.authenticate = true;
    startServer(settings);
    ScriptClient a(port), b(port), c(port);
    EXPECT_EQ(a.logOn(u"<alice>", u"wrong"), kLogOnNotAuthenticated);
    EXPECT_EQ(a.logOn(u"<mallory>", u"a1"), kLogOnNotAuthenticated);
    EXPECT_EQ(a.logOn(u"<alice>", u"a1"), kLogOnAccepted);
    EXPECT_EQ(b.logOn(u"<bob>", u"b2"), kLogOnAccepted);

    // With the list unreadable nobody passes (it is not "no authentication").
    const char* root = std::getenv("OS_DEVICE_ROOT");
    std::filesystem::remove(std::string(root) + "/server/users.properties");
    EXPECT_EQ(c.logOn(u"<carol>", u""), kLogOnNotAuthenticated);
}

TEST_F(ServerTest, GroupsListCreateAndEnter)
{
    ServerSettings settings;
    settings.maxUsersPerGrp = 2;
    startServer(settings);
    ScriptClient a(port), b(port), c(port);
    ASSERT_EQ(a.logOn(u"<alice>"), kLogOnAccepted);
    ASSERT_EQ(b.logOn(u"<bob>"), kLogOnAccepted);
    ASSERT_EQ(c.logOn(u"<carol>"), kLogOnAccepted);

    EXPECT_EQ(a.groups(0), (std::vector<GroupEntry>{{u"demo Default Group", u"ZEDEdorid", 0}}));
    EXPECT_EQ(a.newGroup(u"wing", 0), kGroupAdded);
    EXPECT_EQ(b.newGroup(u"wing", 1), kGroupNotAdded); // the name is taken
    EXPECT_EQ(b.newGroup(u"far", 7), kGroupNotAdded);  // no such scene
    EXPECT_EQ(b.newGroup(u"a{b}", 0), kGroupNotAdded); // not a name
    EXPECT_EQ(b.groups(0), (std::vector<GroupEntry>{{u"demo Default Group", u"ZEDEdorid", 0}, {u"wing", u"<alice>", 0}}));
    EXPECT_EQ(b.groups(1).size(), 1u);
    EXPECT_TRUE(b.groups(5).empty());

    EXPECT_EQ(a.enter(u"nowhere", u"<alice>", 0).text, kGroupNotEntered);
    EXPECT_EQ(a.enter(u"wing", u"<alice>", 9).text, kGroupNotEntered); // no such plane
    ServerMessage first = a.enter(u"wing", u"<alice>", 1);
    ASSERT_EQ(first.text, kGroupEntered);
    EXPECT_EQ(first.members, (std::vector<MemberEntry>{{u"<alice>", 1, {-2000.0f, 250.0f, -2000.0f}}}));
    ServerMessage second = b.enter(u"wing", u"<bob>", 0);
    ASSERT_EQ(second.text, kGroupEntered);
    ASSERT_EQ(second.members.size(), 2u);
    EXPECT_EQ(second.members[0].name, u"<bob>"); // newest first
    EXPECT_EQ(second.members[1].name, u"<alice>");
    // Alice hears of Bob with his start place.
    ServerMessage notice = a.expect(CmdPlayerEntering);
    EXPECT_EQ(notice.name, u"<bob>");
    EXPECT_EQ(notice.plane, 0);
    EXPECT_EQ(notice.position.y, 250.0f);
    EXPECT_GE(notice.position.x, -800.0f);
    EXPECT_LE(notice.position.x, 800.0f);
    // The group is full at two.
    EXPECT_EQ(c.enter(u"wing", u"<carol>", 0).text, kGroupNotEntered);
    EXPECT_EQ(c.groups(0)[1].members, 2);
}

TEST_F(ServerTest, ControlsMoveTheAircraftInTheNextStates)
{
    startServer();
    FlyingClient a(port, u"<alice>", u"demo Default Group");
    FlyingClient b(port, u"<bob>", u"demo Default Group");
    ASSERT_TRUE(a.ok && b.ok);
    Controls rollAndFire;
    rollAndFire.keyBits = 8 | 0x80; // roll and canon
    a.setControls(rollAndFire);
    a.start();
    b.start();
    // Alice's aircraft rolls on (its right side tips up and down as it
    // turns over), so the states are watched until one shows the roll: how
    // many rounds have passed when a given state arrives depends on the
    // machine.
    ServerMessage seen;
    const bool rolled = eventually([&] {
        if (a.states <= 40 || b.states <= 40)
            return false;
        seen = b.lastStates();
        return seen.states.size() == 2u && std::fabs(seen.states[0].block.orientation[4]) > 0.1f;
    });
    EXPECT_TRUE(rolled) << "the roll did not reach the aircraft";

    // Every state names both aircraft in the group's order; Alice's has
    // rolled, Bob's, without controls, has not.
    ASSERT_EQ(seen.states.size(), 2u);
    EXPECT_EQ(seen.states[0].pilot, u"<alice>");
    EXPECT_EQ(seen.states[1].pilot, u"<bob>");
    const auto& alice = seen.states[0].block;
    const auto& bob = seen.states[1].block;
    EXPECT_LT(std::fabs(bob.orientation[4]), 0.05f);
    EXPECT_EQ(alice.state, 0);
    // The canon event reaches both members, and only for Alice's aircraft.
    EXPECT_TRUE(a.eventsSeen(u"<alice>") & 1);
    EXPECT_TRUE(b.eventsSeen(u"<alice>") & 1);
    EXPECT_FALSE(b.eventsSeen(u"<bob>") & 1);
}

namespace {

// A body-frame point carried by a row-major aircraft matrix (translation in
// elements 3, 7 and 11) into the world.
Vec3 carried(const std::array<float, 16>& m, const Vec3& p)
{
    return {m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3], m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
            m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]};
}

} // namespace

// Message 11's places are where the sender's model puts its missiles: they
// become the stations of its aircraft, so in every later round each riding
// missile is at that place on the aircraft, wherever it has flown.
TEST_F(ServerTest, MissilePlacesRideWithTheAircraftInLaterRounds)
{
    startServer();
    FlyingClient a(port, u"<alice>", u"demo Default Group");
    ASSERT_TRUE(a.ok);
    a.start();
    ASSERT_TRUE(eventually([&] { return a.states > 3; }));
    const std::array<float, 16> at = a.lastStates().states[0].block.orientation;
    std::array<Vec3, kStations> offsets{}, places{};
    for (int i = 0; i < kStations; ++i)
    {
        offsets[size_t(i)] = {i % 2 ? 6.0f : -6.0f, -1.0f, float(i) - 3.5f};
        places[size_t(i)] = carried(at, offsets[size_t(i)]);
    }
    PacketWriter w;
    writeMissilePositions(w, u"<alice>", places);
    ASSERT_TRUE(a.client.send(w));

    // The first state that shows the places: the stations they became, in
    // the aircraft's own frame, keep the shape that was sent (the server may
    // have taken them a few rounds after they were made: compare within one
    // station and the next).
    std::array<Vec3, kStations> stations{};
    ASSERT_TRUE(eventually([&] {
        const AircraftState s = a.lastStates().states[0];
        const auto& o = s.block.orientation;
        for (int i = 0; i < kStations; ++i)
        {
            const auto& m = s.block.missiles[size_t(i)];
            const Vec3 d{m[3] - o[3], m[7] - o[7], m[11] - o[11]};
            stations[size_t(i)] = {o[0] * d.x + o[4] * d.y + o[8] * d.z, o[1] * d.x + o[5] * d.y + o[9] * d.z,
                                   o[2] * d.x + o[6] * d.y + o[10] * d.z};
        }
        for (int i = 1; i < kStations; ++i)
        {
            const Vec3 got{stations[size_t(i)].x - stations[0].x, stations[size_t(i)].y - stations[0].y,
                           stations[size_t(i)].z - stations[0].z};
            const Vec3 sent{offsets[size_t(i)].x - offsets[0].x, offsets[size_t(i)].y - offsets[0].y,
                            offsets[size_t(i)].z - offsets[0].z};
            if (std::fabs(got.x - sent.x) + std::fabs(got.y - sent.y) + std::fabs(got.z - sent.z) > 0.5f)
                return false;
        }
        return true;
    })) << "the places sent never show as the aircraft's stations";

    // Two seconds of flight later (50 rounds), the aircraft is elsewhere and
    // its missiles are still at those stations on it.
    const int later = a.states + 50;
    ASSERT_TRUE(eventually([&] { return a.states > later; }));
    const AircraftState now = a.lastStates().states[0];
    const Vec3 moved = carried(now.block.orientation, {});
    EXPECT_GT(std::fabs(moved.x - at[3]) + std::fabs(moved.y - at[7]) + std::fabs(moved.z - at[11]), 20.0f);
    for (int i = 0; i < kStations; ++i)
    {
        const auto& m = now.block.missiles[size_t(i)];
        const Vec3 expected = carried(now.block.orientation, stations[size_t(i)]);
        // One round's flight is the most the missile may trail its aircraft.
        EXPECT_NEAR(m[3], expected.x, 3.0f) << "station " << i;
        EXPECT_NEAR(m[7], expected.y, 3.0f) << "station " << i;
        EXPECT_NEAR(m[11], expected.z, 3.0f) << "station " << i;
    }
}

TEST_F(ServerTest, ThrottleKeyActsOnceForOneControlsMessage)
{
    startServer();
    FlyingClient a(port, u"<alice>", u"demo Default Group");
    ASSERT_TRUE(a.ok);
    server->lockServer();
    skyrend::Aircraft* plane = server->findUser(u"<alice>")->aircraft;
    const int notch = plane->throttleNotch;
    server->unlockServer();
    // One message with the key, then none: rounds in between repeat only the key bits.
    PacketWriter w;
    writeMissilePositions(w, u"<alice>", {});
    writeControls(w, Controls{0, 107, 0, 0, 0});
    ASSERT_TRUE(a.client.send(w));
    for (int i = 0; i < 5; ++i)
    {
        a.client.expect(CmdStates);
        PacketWriter answer;
        writeControls(answer, Controls{});
        ASSERT_TRUE(a.client.send(answer));
    }
    server->lockServer();
    EXPECT_EQ(plane->throttleNotch, notch - 1);
    server->unlockServer();
}

TEST_F(ServerTest, LeavingAndIdleGroups)
{
    ServerSettings settings;
    settings.maxIdleTime = 1;
    startServer(settings);
    ScriptClient a(port), b(port);
    ASSERT_EQ(a.logOn(u"<alice>"), kLogOnAccepted);
    ASSERT_EQ(b.logOn(u"<bob>"), kLogOnAccepted);
    ASSERT_EQ(a.newGroup(u"wing", 0), kGroupAdded);
    ASSERT_EQ(a.enter(u"wing", u"<alice>", 0).text, kGroupEntered);
    ASSERT_EQ(b.enter(u"wing", u"<bob>", 0).text, kGroupEntered);

    // Log-off: answered, and the other member hears who left.
    PacketWriter off;
    writeLogOff(off);
    a.send(off);
    a.expect(CmdLogOffAnswer);
    ServerMessage left = b.expect(CmdPlayerLeaving);
    EXPECT_EQ(left.name, u"<alice>");
    EXPECT_EQ(membersOf(u"wing"), std::vector<std::u16string>{u"<bob>"});
    // After logging off the name is free again.
    EXPECT_EQ(a.logOn(u"<alice>"), kLogOnAccepted);

    // Bob goes without a word; the group empties and, not being a default
    // group, goes after more than a minute without members.
    b.socket.close();
    ASSERT_TRUE(eventually([&] { return membersOf(u"wing").empty(); }));
    ASSERT_TRUE(eventually([&] { return !hasGroup(u"wing"); }));
    EXPECT_TRUE(hasGroup(u"demo Default Group"));
    EXPECT_EQ(listener.count(u"Client from 127.0.0.1 Disconnected."), 1);
    EXPECT_EQ(listener.count(u"User from 127.0.0.1 logged off."), 1);
}

TEST_F(ServerTest, StopEndsEveryConnection)
{
    startServer();
    ScriptClient a(port);
    ASSERT_EQ(a.logOn(u"<alice>"), kLogOnAccepted);
    stopServer();
    EXPECT_TRUE(a.closedByServer());
    EXPECT_EQ(listener.count(u"Game server termintaed"), 1);
    EXPECT_EQ(listener.count(u"Game server started at:  "), 1);
}

namespace {

// Two users of one group, built without connections.
struct TwoInAGroup
{
    GameServer server{ServerSettings{0}, nullptr, INADDR_LOOPBACK};
    GameClientHandler* ha = nullptr;
    GameClientHandler* hb = nullptr;
    GameUser* a = nullptr;
    GameUser* b = nullptr;
    GameGroup* group = nullptr;

    TwoInAGroup()
    {
        server.setScenes({u"demo"}, {false});
        ha = new GameClientHandler(&server, new Socket());
        hb = new GameClientHandler(&server, new Socket());
        server.lockServer();
        a = server.addUser(u"<a>", u"", ha);
        b = server.addUser(u"<b>", u"", hb);
        server.createGroup(u"g", u"ZEDEdorid", 0, true);
        group = server.findGroup(u"g");
        server.enterGroup(group, a, 0);
        server.enterGroup(group, b, 0);
    }
    ~TwoInAGroup()
    {
        server.dropUser(ha);
        server.dropUser(hb);
        server.unlockServer();
        delete ha;
        delete hb;
    }
};

} // namespace

TEST_F(ServerTest, MidAirCollisionDownsBothAndScoresNothing)
{
    TwoInAGroup t;
    t.b->aircraft->place(t.a->aircraft->position().x + 1.0f, 250.0f, t.a->aircraft->position().z, 0.0f, 800.0f);
    t.server.collide(t.group);
    EXPECT_EQ(t.a->aircraft->state, skyrend::Aircraft::Hit);
    EXPECT_EQ(t.b->aircraft->state, skyrend::Aircraft::Hit);
    EXPECT_EQ(t.a->score, 0);
    EXPECT_EQ(t.b->score, 0);
    EXPECT_TRUE(t.a->aircraft->hasEvents(skyrend::Aircraft::EventExplode));
    // A downed aircraft is never a partner again.
    t.server.collide(t.group);
    EXPECT_EQ(t.a->score + t.b->score, 0);
}

TEST_F(ServerTest, ABulletScoresOnceAndEventsReachEveryMember)
{
    TwoInAGroup t;
    skyrend::Aircraft* target = t.b->aircraft;
    skyrend::Aircraft* shooter = t.a->aircraft;
    ASSERT_EQ(t.group->aircraft, (std::vector<skyrend::Aircraft*>{shooter, target}));
    ASSERT_FALSE(shooter->bullets.empty());
    skyrend::Bullet* bullet = shooter->bullets[0];
    bullet->active = 1;
    bullet->base.position = target->position();
    // Two rounds: the bullet hits in the first one's collision test, and
    // having hit it scores no more.
    t.server.update(0.04f);
    t.server.update(0.04f);
    EXPECT_EQ(t.a->score, 1);
    EXPECT_EQ(target->damage, 1);
    // The round gathered the target's damage event into both members'
    // slots for the target, and into no slot for the shooter.
    for (skyrend::mp::GameUser* member : {t.a, t.b})
    {
        ASSERT_EQ(member->pendingEvents.size(), 2u);
        EXPECT_EQ(member->pendingEvents[1] & skyrend::Aircraft::EventDamage, skyrend::Aircraft::EventDamage);
        EXPECT_EQ(member->pendingEvents[0] & skyrend::Aircraft::EventDamage, 0);
    }
}

TEST_F(ServerTest, LeavingTakesTheAircraftAndItsSlotsAndTargets)
{
    TwoInAGroup t;
    skyrend::Aircraft* b = t.b->aircraft;
    skyrend::Missile* m = t.a->aircraft->stations[0][0];
    ASSERT_NE(m, nullptr);
    m->target = &b->flight;
    m->state = skyrend::Missile::Locked;
    t.server.leaveGroup(t.b);
    EXPECT_EQ(t.group->aircraft.size(), 1u);
    EXPECT_EQ(t.a->pendingEvents.size(), 1u);
    EXPECT_EQ(m->target, nullptr);
    EXPECT_EQ(m->state, skyrend::Missile::Idle);
    EXPECT_EQ(t.b->aircraft, nullptr);
}
