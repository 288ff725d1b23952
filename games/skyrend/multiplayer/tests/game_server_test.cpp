// game_server_test.cpp -- the game server on a loopback port with scripted
// clients: log-on, groups, entering, flying with controls, leaving and the
// idle expiry of empty groups
#include "games/skyrend/multiplayer/tests/server_fixture.h"

#include "engine/base/math_utils.h"

#include <cmath>
#include <limits>

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
    // A password's length is no reason to refuse, up to what a string carries.
    for (size_t length : {65u, 1024u})
    {
        ScriptClient d(port);
        const std::u16string name = u"<long" + std::u16string(1, char16_t(u'0' + length % 10)) + u">";
        EXPECT_EQ(d.logOn(name, std::u16string(length, u'p')), kLogOnAccepted) << length;
    }
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

    // Long passwords are checked against the list like any other.
    const char* root = std::getenv("OS_DEVICE_ROOT");
    const std::string longPassword(65, 'k');
    std::ofstream(std::string(root) + "/server/users.properties", std::ios::app)
        << "<dave>=password:" << longPassword << "\n";
    ScriptClient d(port), e(port);
    EXPECT_EQ(d.logOn(u"<dave>", std::u16string(65, u'x')), kLogOnNotAuthenticated);
    EXPECT_EQ(d.logOn(u"<dave>", std::u16string(64, u'k')), kLogOnNotAuthenticated);
    EXPECT_EQ(d.logOn(u"<dave>", std::u16string(65, u'k')), kLogOnAccepted);
    EXPECT_EQ(e.logOn(u"<erin>", std::u16string(65, u'k')), kLogOnNotAuthenticated); // no entry

    // The list is read again when it changes; a damaged one (a runaway line)
    // keeps its readable accounts.
    std::ofstream(std::string(root) + "/server/users.properties")
        << "<frank>=password:f6\n<runaway>=" << std::string(5u << 20, 'r') << "\n<erin>=password:e5\n";
    ScriptClient f(port);
    EXPECT_EQ(f.logOn(u"<frank>", u"f6"), kLogOnAccepted);
    EXPECT_EQ(e.logOn(u"<erin>", u"e5"), kLogOnAccepted);

    // With the list unreadable nobody passes (it is not "no authentication").
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
    EXPECT_TRUE(eventually([&] { return listener.count(u"Client from 127.0.0.1 Disconnected.") == 1; }));
    EXPECT_TRUE(eventually([&] { return listener.count(u"User from 127.0.0.1 logged off.") == 1; }));
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
        const std::vector<int32_t> words = t.group->pendingEventsOf(member);
        ASSERT_EQ(words.size(), 2u);
        EXPECT_EQ(words[1] & skyrend::Aircraft::EventDamage, skyrend::Aircraft::EventDamage);
        EXPECT_EQ(words[0] & skyrend::Aircraft::EventDamage, 0);
    }
    // A member's states message takes its words (into a list that held
    // another round's) and they start again from 0; the other member's wait.
    const std::vector<int32_t> wordsOfA = t.group->pendingEventsOf(t.a);
    std::vector<int32_t> taken{-1, -1, -1};
    t.group->takeEvents(t.a, &taken);
    EXPECT_EQ(taken, wordsOfA);
    EXPECT_EQ(t.group->pendingEventsOf(t.a), (std::vector<int32_t>{0, 0}));
    EXPECT_NE(t.group->pendingEventsOf(t.b)[1] & skyrend::Aircraft::EventDamage, 0);
    t.group->takeEvents(t.b, nullptr);
    EXPECT_EQ(t.group->pendingEventsOf(t.b), (std::vector<int32_t>{0, 0}));
    skyrend::mp::GameUser outside;
    t.group->takeEvents(&outside, &taken);
    EXPECT_TRUE(taken.empty()) << "one not in the group has no words";
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
    EXPECT_EQ(t.group->pendingEventsOf(t.a).size(), 1u);
    EXPECT_EQ(t.group->eventsOf(t.b), nullptr) << "the one who left keeps no list in the group";
    EXPECT_EQ(t.group->pendingEvents->size(), 1);
    EXPECT_EQ(m->target, nullptr);
    EXPECT_EQ(m->state, skyrend::Missile::Idle);
    EXPECT_EQ(t.b->aircraft, nullptr);
}

// Message 11's places are written into the sender's missiles, and the next
// round's step puts every riding missile back on its station before anything
// is launched: the missiles stay on their stations round after round, and a
// missile launched later starts from its station where the aircraft is then.
TEST_F(ServerTest, MissilePlacesLeaveTheStationsAndLaunchesAsTheyWere)
{
    TwoInAGroup t;
    skyrend::Aircraft* plane = t.a->aircraft;
    ASSERT_TRUE(plane->hasStations());
    t.server.update(0.04f);
    auto missile = [&](int i) { return plane->stations[i / 4][i % 4]; };
    auto onStation = [&](int i) {
        Vector3 offset, at;
        missile(i)->station.getTranslation(offset);
        plane->flight.orientation.transformPointTo(offset, at);
        return at;
    };
    auto apart = [](const Vector3& p, const Vector3& q) {
        Vector3 d;
        d.setDifference(p, q);
        return d.length();
    };

    // Places 8 units above each station: near enough that a server taking
    // them for new stations would keep them.
    ClientMessage places;
    places.command = CmdMissilePositions;
    places.pilot = u"<a>";
    for (int i = 0; i < kStations; ++i)
    {
        const Vector3 at = onStation(i);
        places.missilePositions[size_t(i)] = {at.x, at.y + 8.0f, at.z};
    }
    ASSERT_TRUE(t.ha->handle(places));
    for (int i = 0; i < kStations; ++i)
    {
        Vector3 written;
        missile(i)->flight.orientation.getTranslation(written);
        const Vec3& sent = places.missilePositions[size_t(i)];
        EXPECT_LT(apart(written, Vector3(sent.x, sent.y, sent.z)), 1e-3f) << "station " << i;
    }
    EXPECT_TRUE(t.a->flying);

    // A place that is not a number is not taken: it would stay on a missile
    // that has gone and reach every member's states.
    ClientMessage broken = places;
    broken.missilePositions[0] = {std::nanf(""), 0.0f, std::numeric_limits<float>::infinity()};
    ASSERT_TRUE(t.ha->handle(broken));
    for (int i = 0; i < kStations; ++i)
    {
        Vector3 written;
        missile(i)->flight.orientation.getTranslation(written);
        EXPECT_TRUE(std::isfinite(written.x) && std::isfinite(written.y) && std::isfinite(written.z))
            << "station " << i;
    }

    // Fifty rounds (two seconds of flight): after each, every missile is on
    // its station of the aircraft, wherever that has gone.
    const Vector3 start = plane->position();
    for (int round = 0; round < 50; ++round)
    {
        t.server.update(0.04f);
        for (int i = 0; i < kStations; ++i)
            ASSERT_LT(apart(missile(i)->position(), onStation(i)), 1e-3f) << "round " << round << " station " << i;
    }
    EXPECT_GT(apart(start, plane->position()), 20.0f) << "the aircraft did not fly";

    // A launch from station 0 (row 0, column 3) in the next round starts at
    // that station where the aircraft is after the round's step.
    ClientMessage launch;
    launch.command = CmdControls;
    launch.controls.keyCode = 36;
    launch.controls.station = 0;
    ASSERT_TRUE(t.ha->handle(launch));
    t.server.update(0.04f);
    skyrend::Missile* launched = plane->stations[0][3];
    EXPECT_EQ(launched->state, skyrend::Missile::Flying);
    EXPECT_LT(apart(launched->position(), onStation(3)), 1e-3f);
}

TEST(ServerGroup, ADeletedGroupTakesItsMembersEventLists)
{
    // A group deleted with members still in it (the server going down with
    // players flying): the lists of their event words go with it, the
    // members themselves stay (leak checkers see a list left behind).
    initMathTables();
    GameGroup* group = new GameGroup(nullptr, u"g", u"ZEDEdorid", 0, true, false);
    GameUser a, b;
    a.name = u"<a>";
    b.name = u"<b>";
    for (GameUser* member : {&a, &b})
    {
        group->addEventList(member);
        group->members.push_back(member);
        member->group = group;
        group->createAircraft(member, 0.0f, 250.0f, 0.0f, 800.0f);
    }
    EXPECT_EQ(group->pendingEvents->size(), 2);
    EXPECT_EQ(group->pendingEventsOf(&a), (std::vector<int32_t>{0, 0}));
    EXPECT_EQ(group->pendingEventsOf(&b), (std::vector<int32_t>{0, 0}));
    delete group;
    EXPECT_EQ(a.aircraft, nullptr);
    EXPECT_EQ(b.aircraft, nullptr);
}
