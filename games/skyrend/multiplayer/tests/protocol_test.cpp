// protocol_test.cpp -- every message written and read back, field by field,
// the state block's size and layout, and the readers' refusals
#include "games/skyrend/multiplayer/protocol.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace skyrend::mp;

namespace {

// Reads the head and answers a reader over the rest of the packet.
struct Packet
{
    PacketWriter w;
    std::unique_ptr<MemoryReader> reader;
    MemoryReader& open()
    {
        reader = std::make_unique<MemoryReader>(w.data(), w.size());
        int16_t head = 0;
        EXPECT_TRUE(reader->readShort(head));
        EXPECT_EQ(head, kHead);
        return *reader;
    }
};

StateBlock sampleBlock(int seed)
{
    StateBlock b;
    for (int i = 0; i < 16; ++i)
        b.orientation[size_t(i)] = float(seed + i) * 0.5f;
    for (int m = 0; m < kStations; ++m)
    {
        for (int i = 0; i < 16; ++i)
            b.missiles[size_t(m)][size_t(i)] = float(m * 16 + i + seed);
        b.missileStates[size_t(m)] = (m + seed) % 5;
    }
    b.speed = 31.5f;
    b.heading = 1.25f;
    b.bank = -0.5f;
    b.pitch = 0.125f;
    b.state = 1;
    b.damage = 42;
    b.score = 1234 + seed;
    b.events = 64 | 128;
    return b;
}

} // namespace

TEST(Protocol, ClientMessagesRoundTrip)
{
    std::array<Vec3, kStations> at{};
    for (int i = 0; i < kStations; ++i)
        at[size_t(i)] = Vec3{float(i), float(-i), 0.5f * float(i)};
    Controls controls{0x80C0 | 5, 107, 7, 2, 3};
    struct Case
    {
        void (*write)(PacketWriter&, const std::array<Vec3, kStations>&, const Controls&);
        void (*check)(const ClientMessage&, const std::array<Vec3, kStations>&, const Controls&);
    };
    const Case cases[] = {
        {[](PacketWriter& w, auto&, auto&) { writeLogOn(w, u"<alice>", u"a1"); },
         [](const ClientMessage& m, auto&, auto&) {
             EXPECT_EQ(m.command, CmdLogOn);
             EXPECT_EQ(m.user, u"<alice>");
             EXPECT_EQ(m.password, u"a1");
             EXPECT_EQ(m.gameId, u"Vasko-Skyrend");
         }},
        {[](PacketWriter& w, auto&, auto&) { writeLogOff(w); },
         [](const ClientMessage& m, auto&, auto&) { EXPECT_EQ(m.command, CmdLogOff); }},
        {[](PacketWriter& w, auto&, auto&) { writeGroupList(w, 3); },
         [](const ClientMessage& m, auto&, auto&) {
             EXPECT_EQ(m.command, CmdGroupList);
             EXPECT_EQ(m.scene, 3);
         }},
        {[](PacketWriter& w, auto&, auto&) { writeNewGroup(w, u"wing", 1); },
         [](const ClientMessage& m, auto&, auto&) {
             EXPECT_EQ(m.group, u"wing");
             EXPECT_EQ(m.scene, 1);
         }},
        {[](PacketWriter& w, auto&, auto&) { writeEnterGroup(w, u"wing", u"<bob>", 2); },
         [](const ClientMessage& m, auto&, auto&) {
             EXPECT_EQ(m.group, u"wing");
             EXPECT_EQ(m.user, u"<bob>");
             EXPECT_EQ(m.plane, 2);
         }},
        {[](PacketWriter& w, auto& a, auto&) { writeMissilePositions(w, u"<bob>", a); },
         [](const ClientMessage& m, auto& a, auto&) {
             EXPECT_EQ(m.pilot, u"<bob>");
             EXPECT_EQ(m.missilePositions, a);
         }},
        {[](PacketWriter& w, auto&, auto&) { writeNotFlying(w); },
         [](const ClientMessage& m, auto&, auto&) { EXPECT_EQ(m.command, CmdNotFlying); }},
        {[](PacketWriter& w, auto&, auto& c) { writeControls(w, c); },
         [](const ClientMessage& m, auto&, auto& c) {
             EXPECT_EQ(m.command, CmdControls);
             EXPECT_EQ(m.controls, c);
         }},
    };
    for (const Case& c : cases)
    {
        Packet p;
        c.write(p.w, at, controls);
        ClientMessage m;
        ASSERT_TRUE(readClientMessage(p.open(), m));
        c.check(m, at, controls);
        EXPECT_EQ(p.reader->remaining(), 0u) << "command " << m.command << " left bytes behind";
    }
    // The controls message is the head, the command and five words.
    PacketWriter w;
    writeControls(w, controls);
    EXPECT_EQ(w.size(), 24u);
}

TEST(Protocol, ServerMessagesRoundTrip)
{
    {
        Packet p;
        writeTextAnswer(p.w, CmdLogOnAnswer, kLogOnAccepted);
        ServerMessage m;
        ASSERT_TRUE(readServerMessage(p.open(), m));
        EXPECT_EQ(m.text, u"Log-on Accepted");
    }
    {
        Packet p;
        writeLogOffAnswer(p.w);
        ServerMessage m;
        ASSERT_TRUE(readServerMessage(p.open(), m));
        EXPECT_EQ(m.command, CmdLogOffAnswer);
    }
    {
        Packet p;
        std::vector<GroupEntry> groups{{u"demo Default Group", u"ZEDEdorid", 3}, {u"wing", u"<bob>", 0}};
        writeGroupListAnswer(p.w, groups);
        ServerMessage m;
        ASSERT_TRUE(readServerMessage(p.open(), m));
        EXPECT_EQ(m.groups, groups);
    }
    {
        Packet p;
        writeTextAnswer(p.w, CmdNewGroupAnswer, kGroupNotAdded);
        ServerMessage m;
        ASSERT_TRUE(readServerMessage(p.open(), m));
        EXPECT_EQ(m.text, kGroupNotAdded);
    }
    {
        Packet p;
        std::vector<MemberEntry> members{{u"<b>", 1, {-2000, 250, -2000}}, {u"<a>", 0, {-2000, 250, -2000}}};
        writeEnterAnswer(p.w, kGroupEntered, members);
        ServerMessage m;
        ASSERT_TRUE(readServerMessage(p.open(), m));
        EXPECT_EQ(m.members, members);
    }
    {
        // A refusal carries no member list.
        Packet p;
        writeEnterAnswer(p.w, kGroupNotEntered, {{u"x", 0, {}}});
        ServerMessage m;
        ASSERT_TRUE(readServerMessage(p.open(), m));
        EXPECT_TRUE(m.members.empty());
        EXPECT_EQ(p.reader->remaining(), 0u);
    }
    {
        Packet p;
        std::vector<AircraftState> states{{u"<a>", sampleBlock(1)}, {u"<b>", sampleBlock(2)}};
        writeStates(p.w, states);
        // head, command, count, then per aircraft its name and 636 bytes
        EXPECT_EQ(p.w.size(), 6u + (4 + kStateBlockSize) * 2u);
        ServerMessage m;
        ASSERT_TRUE(readServerMessage(p.open(), m));
        EXPECT_EQ(m.states, states);
    }
    {
        Packet p;
        writeStates(p.w, {});
        ServerMessage m;
        ASSERT_TRUE(readServerMessage(p.open(), m));
        EXPECT_TRUE(m.states.empty());
        EXPECT_EQ(p.reader->remaining(), 0u);
    }
    {
        Packet p;
        writePlayerEntering(p.w, u"<c>", 1, {10, 250, -20});
        writePlayerLeaving(p.w, u"<c>");
        ServerMessage a, b;
        ASSERT_TRUE(readServerMessage(p.open(), a));
        int16_t head = 0;
        ASSERT_TRUE(p.reader->readShort(head));
        ASSERT_TRUE(readServerMessage(*p.reader, b));
        EXPECT_EQ(a.name, u"<c>");
        EXPECT_EQ(a.plane, 1);
        EXPECT_EQ(a.position, (Vec3{10, 250, -20}));
        EXPECT_EQ(b.command, CmdPlayerLeaving);
        EXPECT_EQ(b.name, u"<c>");
    }
}

TEST(Protocol, StateBlockLayoutIsLittleEndianAtItsOffsets)
{
    PacketWriter w;
    StateBlock b = sampleBlock(0);
    b.write(w);
    ASSERT_EQ(w.size(), size_t(kStateBlockSize));
    const uint8_t* p = w.data();
    auto i32 = [&](int at) { return int32_t(p[at] | p[at + 1] << 8 | p[at + 2] << 16 | uint32_t(p[at + 3]) << 24); };
    auto f32 = [&](int at) {
        int32_t bits = i32(at);
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    };
    EXPECT_EQ(f32(4), 0.5f);                 // orientation[1]
    EXPECT_EQ(f32(64 + 64 + 4), 17.0f);       // missile 1, element 1
    EXPECT_EQ(i32(576 + 4 * 3), 3);           // missile state 3
    EXPECT_EQ(f32(608), 31.5f);               // speed
    EXPECT_EQ(f32(620), 0.125f);              // pitch
    EXPECT_EQ(p[624] | p[625] << 8, 1);       // state
    EXPECT_EQ(p[626] | p[627] << 8, 42);      // damage
    EXPECT_EQ(i32(628), 1234);                // score
    EXPECT_EQ(i32(kStateEventsOffset), 192);  // events
}

TEST(Protocol, ReadersRefuseWhatCannotBeFollowed)
{
    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> longName{1, 0};
    longName.insert(longName.end(), 1025, 'x');
    longName.push_back(0);
    const Case cases[] = {
        {"unknown command", {99, 0, 1, 2, 3, 4}},
        {"a server command sent by a client", {2, 0, 'x', 0}},
        {"negative command", {0xFF, 0xFF}},
        {"truncated log-on", {1, 0, 'a', 'b', 0, 'p'}},
        {"truncated controls", {13, 0, 1, 0, 0, 0, 2}},
        {"string over the limit", longName},
        {"no command at all", {7}},
    };
    for (const Case& c : cases)
    {
        MemoryReader in(c.bytes.data(), c.bytes.size());
        ClientMessage m;
        EXPECT_FALSE(readClientMessage(in, m)) << c.what;
    }
    // A 1024-character string with its 0 is still read whole.
    PacketWriter w;
    writeNewGroup(w, std::u16string(1024, u'g'), 0);
    MemoryReader in(w.data() + 2, w.size() - 2);
    ClientMessage m;
    ASSERT_TRUE(readClientMessage(in, m));
    EXPECT_EQ(m.group.size(), 1024u);

    // The client's reader refuses absurd counts instead of allocating them.
    PacketWriter huge;
    huge.putShort(CmdGroupListAnswer);
    huge.putInt(0x7FFFFFFF);
    MemoryReader hugeIn(huge.data(), huge.size());
    ServerMessage sm;
    EXPECT_FALSE(readServerMessage(hugeIn, sm));
}
