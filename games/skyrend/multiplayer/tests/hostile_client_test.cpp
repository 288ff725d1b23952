// hostile_client_test.cpp -- clients the server did not write: random
// bytes, truncated and unknown messages, half messages and silent
// connections, commands before log-on, forged names, huge strings, a client
// that never reads and abrupt disconnects, while two well-behaved clients
// keep flying and receiving their states
#include "games/skyrend/multiplayer/tests/server_fixture.h"

#include "engine/base/math_utils.h"

#include "os/host/headless.h"

using namespace skyrend::mp;
using namespace skyrend::mp::testing;

TEST_F(ServerTest, CommandsBeforeLogOnAreRefused)
{
    startServer();
    ScriptClient x(port);
    EXPECT_TRUE(x.groups(0).empty());
    EXPECT_EQ(x.newGroup(u"mine", 0), kGroupNotAdded);
    EXPECT_EQ(x.enter(u"demo Default Group", u"<alice>", 0).text, kGroupNotEntered);
    PacketWriter w;
    writeMissilePositions(w, u"<alice>", {});
    writeControls(w, Controls{8, 36, 99, 5, 5});
    writeNotFlying(w);
    x.send(w);
    // Still connected and answering, nothing changed.
    EXPECT_TRUE(x.groups(0).empty());
    EXPECT_FALSE(hasGroup(u"mine"));
    EXPECT_TRUE(membersOf(u"demo Default Group").empty());
}

namespace {

// The translations of a pilot's eight missile matrices in a states message.
std::vector<Vec3> missilePlaces(const ServerMessage& states, const std::u16string& pilot)
{
    std::vector<Vec3> out;
    for (const AircraftState& s : states.states)
        if (s.pilot == pilot)
            for (const auto& m : s.block.missiles)
                out.push_back({m[3], m[7], m[11]});
    return out;
}

Vec3 placeOf(const ServerMessage& states, const std::u16string& pilot)
{
    for (const AircraftState& s : states.states)
        if (s.pilot == pilot)
            return {s.block.orientation[3], s.block.orientation[7], s.block.orientation[11]};
    return {};
}

float distance(const Vec3& a, const Vec3& b)
{
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

} // namespace

TEST_F(ServerTest, HostileClientsDoNotStopTheGoodOnes)
{
    // Short limits, so the half message and the silent connection are
    // closed while the test watches.
    logOnLimitMs = 2000;
    messageLimitMs = 300;
    startServer();
    os::host::headless::clear_boxes();
    FlyingClient good1(port, u"<alice>", u"demo Default Group");
    FlyingClient good2(port, u"<bob>", u"demo Default Group");
    ASSERT_TRUE(good1.ok && good2.ok);
    good1.start();
    good2.start();
    ASSERT_TRUE(eventually([&] { return good1.states > 10 && good2.states > 10; }));

    struct Case
    {
        const char* what;
        std::function<void(ScriptClient&)> act;
        bool serverCloses; // the connection must end
    };
    std::vector<uint8_t> hugeString{0x58, 0x58, 1, 0};
    hugeString.insert(hugeString.end(), 5000, 'A');
    const Case cases[] = {
        {"a wrong head", [](ScriptClient& c) { c.sendRaw({0x12, 0x34, 1, 0}); }, true},
        {"half a log-on, then silence", [](ScriptClient& c) { c.sendRaw({0x58, 0x58, 1, 0, 'e', 'v'}); }, true},
        {"connected and silent", [](ScriptClient&) {}, true},
        {"an unknown command", [](ScriptClient& c) { c.sendRaw({0x58, 0x58, 0x63, 0, 1, 2, 3, 4}); }, true},
        {"a server's command", [](ScriptClient& c) { c.sendRaw({0x58, 0x58, 0xE8, 0x03}); }, true},
        {"a string without end", [&](ScriptClient& c) { c.sendRaw(hugeString); }, true},
        {"a truncated log-on, then gone",
         [](ScriptClient& c) {
             c.sendRaw({0x58, 0x58, 1, 0, 'e', 'v'});
             c.socket.close();
         },
         false},
        {"random bytes",
         [](ScriptClient& c) {
             std::vector<uint8_t> junk(4096);
             for (auto& b : junk)
                 b = uint8_t(randomInt(0, 255));
             junk[0] = 0x58;
             junk[1] = 0x58;
             c.sendRaw(junk);
         },
         true},
    };
    for (const Case& c : cases)
    {
        int before = good1.states;
        ScriptClient hostile(port);
        ASSERT_TRUE(hostile.connected) << c.what;
        c.act(hostile);
        if (c.serverCloses)
        {
            EXPECT_TRUE(hostile.closedByServer()) << c.what;
        }
        EXPECT_TRUE(eventually([&] { return good1.states > before + 5; })) << "states stopped after " << c.what;
    }

    // Each wrong head is a line in the log, never a box on the connection's
    // thread; the half message and the silent connection were timed out
    // (the random bytes may end in either as well). A line may come just
    // after its connection was seen closed.
    EXPECT_TRUE(eventually([&] { return listener.count(u"Server got a wrong TCP Packet Head from client.") >= 1; }));
    EXPECT_TRUE(os::host::headless::boxes().empty());
    EXPECT_TRUE(eventually([&] { return listener.count(u"left a message unfinished") >= 1; }));
    EXPECT_TRUE(eventually([&] { return listener.count(u"did not log on in time") >= 1; }));

    // Forged names. Mallory enters a group of her own under Alice's name:
    // only Mallory enters. Eve, a member of Alice's group, places Alice's
    // missiles 20 units above Alice: they stay on Alice's aircraft. Places
    // of Eve's own that no station can have are not taken either.
    {
        ScriptClient mallory(port);
        ASSERT_EQ(mallory.logOn(u"<mallory>"), kLogOnAccepted);
        ASSERT_EQ(mallory.newGroup(u"trap", 0), kGroupAdded);
        EXPECT_EQ(mallory.enter(u"trap", u"<alice>", 0).text, kGroupEntered);
        EXPECT_EQ(membersOf(u"trap"), std::vector<std::u16string>{u"<mallory>"});
        EXPECT_EQ(membersOf(u"demo Default Group"), (std::vector<std::u16string>{u"<alice>", u"<bob>"}));

        ScriptClient eve(port);
        ASSERT_EQ(eve.logOn(u"<eve>"), kLogOnAccepted);
        ASSERT_EQ(eve.enter(u"demo Default Group", u"<eve>", 0).text, kGroupEntered);
        int seenBefore = good2.states + 2;
        ASSERT_TRUE(eventually([&] { return good2.states > seenBefore; }));
        const Vec3 alice = placeOf(good2.lastStates(), u"<alice>");
        std::array<Vec3, kStations> near{}, far{};
        near.fill(Vec3{alice.x, alice.y + 20.0f, alice.z});
        far.fill(Vec3{1e30f, 0, 0});
        PacketWriter w;
        writeMissilePositions(w, u"<alice>", near);
        writeMissilePositions(w, u"<eve>", far);
        eve.send(w);
        EXPECT_EQ(eve.groups(0).size(), 2u); // answered: the messages were read
        // States built after the forged message: each of Alice's missiles
        // still rides on her aircraft.
        seenBefore = good2.states + 2;
        ASSERT_TRUE(eventually([&] { return good2.states > seenBefore; }));
        const ServerMessage seen = good2.lastStates();
        const Vec3 aliceNow = placeOf(seen, u"<alice>");
        const std::vector<Vec3> missiles = missilePlaces(seen, u"<alice>");
        ASSERT_EQ(missiles.size(), size_t(kStations));
        for (const Vec3& m : missiles)
            EXPECT_LT(distance(m, aliceNow), 10.0f) << "a missile moved off its aircraft";
        server->lockServer();
        for (auto& row : server->findUser(u"<eve>")->aircraft->stations)
            for (skyrend::Missile* m : row)
                if (m)
                {
                    Vector3 at;
                    m->station.getTranslation(at);
                    EXPECT_LT(at.length(), 10.0f) << "a station far off its aircraft";
                }
        server->unlockServer();
    }

    // A client that logs on, flies and sends controls but never reads: its
    // buffers fill and the server drops it when its queue is full; the
    // others go on. A round that waited on its socket would stall: the good
    // clients' states must keep coming, round after round, until it is gone.
    {
        ScriptClient deaf(port, 4096);
        ASSERT_EQ(deaf.logOn(u"<deaf>"), kLogOnAccepted);
        ASSERT_EQ(deaf.enter(u"demo Default Group", u"<deaf>", 0).text, kGroupEntered);
        const uint64_t rounds0 = server->rounds;
        const int good1Before = good1.states, good2Before = good2.states;
        deaf.startFlying(u"<deaf>");
        PacketWriter controls;
        for (int i = 0; i < 64; ++i)
            writeControls(controls, Controls{});
        bool dropped = false;
        for (int i = 0; i < 20000 && !dropped; ++i)
        {
            dropped = !deaf.send(controls);
            if (!dropped)
            {
                auto members = membersOf(u"demo Default Group");
                dropped = std::find(members.begin(), members.end(), u"<deaf>") == members.end();
            }
            if (!dropped)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        const uint64_t rounds = server->rounds - rounds0;
        const int got1 = good1.states - good1Before, got2 = good2.states - good2Before;
        EXPECT_TRUE(dropped) << "a client that never reads was kept";
        // The drop comes within a bounded number of rounds: its socket's
        // buffers and its queue hold a few hundred rounds of states at most.
        EXPECT_LT(rounds, 3000u);
        // Every round while it was being dropped sent the good clients their
        // states (they answer each one; a slow answer may skip a round).
        EXPECT_GE(got1, std::max<int>(10, int(rounds / 10))) << rounds << " rounds";
        EXPECT_GE(got2, std::max<int>(10, int(rounds / 10))) << rounds << " rounds";
        ASSERT_TRUE(eventually([&] { return membersOf(u"demo Default Group").size() == 2; }));
        // The line is logged after the connection is closed, so the group may
        // already have lost the member when it comes.
        EXPECT_TRUE(eventually([&] { return listener.count(u"does not take its messages") == 1; }))
            << listener.count(u"does not take its messages") << " lines";
    }

    // After everything the good clients still fly and receive states.
    int before1 = good1.states, before2 = good2.states;
    EXPECT_TRUE(eventually([&] { return good1.states > before1 + 20 && good2.states > before2 + 20; }));
    EXPECT_EQ(good1.lastStates().states.size(), 2u);
}

// A crowd from one address (127.0.0.2) connects and closes as fast as it
// can, and holds three times as many silent connections as may wait to log
// on. Good clients from another address (127.0.0.3), five who connected
// before the crowd came and five who connect in its midst, log on and are
// answered: for each new connection the server closes the oldest waiting
// one of the address that holds the most, the crowd's own.
TEST_F(ServerTest, ACrowdFromOneAddressClosesOnlyItsOwnConnections)
{
    const uint32_t crowdAddress = 0x7F000002, goodAddress = 0x7F000003;
    logOnLimitMs = 20000;
    messageLimitMs = 10000;
    maxWaiting = 8;
    startServer();
    std::vector<std::unique_ptr<ScriptClient>> early;
    for (int i = 0; i < 5; ++i)
    {
        early.push_back(std::make_unique<ScriptClient>(port, 0, goodAddress));
        ASSERT_TRUE(early.back()->connected);
    }
    ASSERT_TRUE(eventually([&] { return listener.count(u"Client from 127.0.0.3 Connected.") == 5; }));

    // The flood stops when the test has its answers, or after 20,000
    // connections or 60 s, whichever comes first.
    std::atomic<bool> stopFlood{false};
    std::atomic<int> flooded{0};
    std::thread flood([&] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!stopFlood && flooded < 20000 && std::chrono::steady_clock::now() < end)
        {
            Socket s(false, 0);
            s.bindLocal(crowdAddress);
            if (s.connect(u"127.0.0.1", port))
                flooded += 1;
        }
    });
    std::vector<std::unique_ptr<ScriptClient>> held;
    for (int i = 0; i < 3 * maxWaiting; ++i)
        held.push_back(std::make_unique<ScriptClient>(port, 0, crowdAddress));
    ASSERT_TRUE(eventually([&] { return listener.count(u"Client from 127.0.0.2 Connected.") >= 3 * maxWaiting; }));

    for (size_t i = 0; i < early.size(); ++i)
        EXPECT_EQ(early[i]->logOn(u"<early" + std::u16string(1, char16_t(u'0' + i)) + u">"), kLogOnAccepted) << i;
    std::vector<std::unique_ptr<ScriptClient>> late;
    for (int i = 0; i < 5; ++i)
    {
        late.push_back(std::make_unique<ScriptClient>(port, 0, goodAddress));
        ASSERT_TRUE(late.back()->connected);
        EXPECT_EQ(late.back()->logOn(u"<late" + std::u16string(1, char16_t(u'0' + i)) + u">"), kLogOnAccepted) << i;
    }
    stopFlood = true;
    flood.join();
    EXPECT_GT(flooded, 0);
    // Only the crowd's connections were closed to make room.
    EXPECT_GE(listener.count(u"the oldest from 127.0.0.2"), 2 * maxWaiting);
    EXPECT_EQ(listener.count(u"the oldest from 127.0.0.3"), 0);
    EXPECT_EQ(server->getUsers().size(), 10u);
}

// Users who log on and then send nothing outside a group are closed after
// the idle limit. The server admits no more users than it keeps room for
// (here 12 connections, 4 of them kept for log-ons): one more log-on gets a
// refusal, not silence, and is accepted once the idle ones are gone. A
// member of a group and a user who keeps asking for the group list stay.
TEST_F(ServerTest, IdleUsersOutsideGroupsAreClosedAndEveryLogOnIsAnswered)
{
    logOnLimitMs = 20000;
    messageLimitMs = 10000;
    maxWaiting = 4;
    maxConnections = 12;
    idleLimitMs = 3000;
    startServer();
    ScriptClient member(port), asker(port);
    ASSERT_EQ(member.logOn(u"<member>"), kLogOnAccepted);
    ASSERT_EQ(member.enter(u"demo Default Group", u"<member>", 0).text, kGroupEntered);
    ASSERT_EQ(asker.logOn(u"<asker>"), kLogOnAccepted);
    std::vector<std::unique_ptr<ScriptClient>> idle;
    for (int i = 0; i < 6; ++i)
    {
        idle.push_back(std::make_unique<ScriptClient>(port));
        ASSERT_EQ(idle.back()->logOn(u"<idle" + std::u16string(1, char16_t(u'0' + i)) + u">"), kLogOnAccepted);
    }
    ScriptClient late(port);
    EXPECT_EQ(late.logOn(u"<late>"), kLogOnNoRoom);

    // The asker keeps asking (as the lobby does every 2 s) while the idle
    // ones are closed.
    EXPECT_TRUE(eventually([&] {
        asker.groups(0);
        return listener.count(u"sent nothing for") >= 6;
    }));
    EXPECT_EQ(listener.count(u"sent nothing for"), 6);
    // The line is logged as the connection closes; the user goes with the
    // connection's thread, which may come a moment later.
    auto names = [&] {
        server->lockServer();
        std::vector<std::u16string> found;
        for (GameUser* u : server->getUsers())
            found.push_back(u->name);
        server->unlockServer();
        return found;
    };
    const std::vector<std::u16string> staying = {u"<member>", u"<asker>"};
    EXPECT_TRUE(eventually([&] {
        asker.groups(0);
        return names() == staying;
    })) << ::testing::PrintToString(names());
    EXPECT_EQ(late.logOn(u"<late>"), kLogOnAccepted);
    EXPECT_EQ(asker.groups(0).size(), 1u);
    EXPECT_EQ(membersOf(u"demo Default Group"), std::vector<std::u16string>{u"<member>"});
    EXPECT_EQ(names(), (std::vector<std::u16string>{u"<member>", u"<asker>", u"<late>"}));
}

TEST_F(ServerTest, CreatedGroupsHaveACap)
{
    startServer();
    ScriptClient a(port);
    ASSERT_EQ(a.logOn(u"<alice>"), kLogOnAccepted);
    for (int i = 0; i < kMaxCreatedGroups; ++i)
        ASSERT_EQ(a.newGroup(u"g" + os::to_u16(std::to_string(i)), 0), kGroupAdded) << i;
    EXPECT_EQ(a.newGroup(u"one more", 0), kGroupNotAdded);
}

TEST(ServerNames, AcceptableNames)
{
    EXPECT_TRUE(isAcceptableName(u"<alice>"));
    EXPECT_TRUE(isAcceptableName(u"Ace_1 \u00e9"));
    for (const char16_t* bad : {u"", u"{x}", u"a,b", u"a:b", u"tab\t", u"\u4e2d"})
        EXPECT_FALSE(isAcceptableName(bad)) << "accepted";
}
