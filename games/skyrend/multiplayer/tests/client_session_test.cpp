// The client session against the real game server on 127.0.0.1 (a port the
// host picks): log-on answers, groups, creating, entering, leaving, and the
// connection ending while the user-interface thread waits for an answer.
#include "games/skyrend/multiplayer/client_session.h"

#include "server_fixture.h"

#include <os/process.h>
#include <os/user.h>

#include <future>

namespace skyrend::mp::testing {
namespace {

class ClientSessionTest : public ServerTest
{
protected:
    std::unique_ptr<ClientSession> connected()
    {
        auto session = connectSession(u"127.0.0.1", u"", port);
        EXPECT_NE(session, nullptr);
        return session;
    }
};

// Records what the session hands to a flight.
class RecordingFlight : public SessionFlight
{
public:
    Controls currentControls() override { return {}; }
    void onStates(const std::vector<AircraftState>&) override { ++states; }
    void onPlayerEnter(const std::u16string& name, int16_t, const Vec3&) override
    {
        std::lock_guard<std::mutex> hold(lock);
        entered.push_back(name);
    }
    void onPlayerLeave(const std::u16string& name) override
    {
        std::lock_guard<std::mutex> hold(lock);
        left.push_back(name);
    }
    bool hasEntered(const std::u16string& name)
    {
        std::lock_guard<std::mutex> hold(lock);
        return std::find(entered.begin(), entered.end(), name) != entered.end();
    }
    bool hasLeft(const std::u16string& name)
    {
        std::lock_guard<std::mutex> hold(lock);
        return std::find(left.begin(), left.end(), name) != left.end();
    }
    std::atomic<int> states{0};
    std::mutex lock;
    std::vector<std::u16string> entered, left;
};

TEST_F(ClientSessionTest, LogsOnListsCreatesEntersAndLeaves)
{
    startServer();
    auto session = connected();
    ASSERT_TRUE(session);
    EXPECT_TRUE(session->logon(u"<alice>", u""));
    EXPECT_TRUE(session->takeNotices().empty()); // an accepted log-on shows nothing

    std::vector<GroupEntry> groups = session->requestGroupList(1);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, u"sea Default Group");
    EXPECT_TRUE(session->requestGroupList(7).empty()); // a scene without groups

    EXPECT_TRUE(session->createGroup(u"wing", 1));
    EXPECT_EQ(session->takeNotices(), (std::vector<SessionNotice>{{SessionNotice::Notice, kGroupAdded}}));
    // A second group of that name is refused, and the caller hears so.
    EXPECT_FALSE(session->createGroup(u"wing", 1));
    EXPECT_EQ(session->takeNotices(), (std::vector<SessionNotice>{{SessionNotice::Notice, kGroupNotAdded}}));
    groups = session->requestGroupList(1);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[1], (GroupEntry{u"wing", u"<alice>", 0}));

    // A group that does not exist: nothing entered, the server's text queued.
    EXPECT_FALSE(session->enterGroup(u"<alice>", u"nowhere", 0));
    EXPECT_EQ(session->takeNotices(), (std::vector<SessionNotice>{{SessionNotice::Refused, kGroupNotEntered}}));

    RecordingFlight flight;
    std::optional<std::vector<MemberEntry>> members = session->enterGroup(u"<alice>", u"wing", 1);
    ASSERT_TRUE(members);
    ASSERT_EQ(members->size(), 1u);
    EXPECT_EQ((*members)[0].name, u"<alice>");
    EXPECT_EQ((*members)[0].plane, 1);
    session->setFlight(&flight);
    EXPECT_TRUE(session->sendState(true, false, {u"<alice>", {}}));
    // States reach the flight (and are answered with controls).
    EXPECT_TRUE(eventually([&] { return flight.states > 3; }));

    // A second player enters and leaves: the flight hears both.
    auto other = connected();
    ASSERT_TRUE(other);
    EXPECT_TRUE(other->logon(u"<bob>", u""));
    ASSERT_TRUE(other->enterGroup(u"<bob>", u"wing", 0));
    EXPECT_TRUE(eventually([&] { return flight.hasEntered(u"<bob>"); }));
    other.reset(); // leaving: the connection ends
    EXPECT_TRUE(eventually([&] { return flight.hasLeft(u"<bob>"); }));
    EXPECT_TRUE(eventually([&] { return membersOf(u"wing") == std::vector<std::u16string>{u"<alice>"}; }));

    // No message reaches a flight once it is taken away.
    session->setFlight(nullptr);
    int seen = flight.states;
    EXPECT_EQ(session->requestGroupList(1).size(), 2u); // the stream goes on meanwhile
    EXPECT_EQ(flight.states, seen);
}

TEST_F(ClientSessionTest, RefusedLogOnsReturnFalseWithTheServersText)
{
    ServerSettings settings;
    settings.authenticate = true;
    startServer(settings);

    auto wrong = connected();
    ASSERT_TRUE(wrong);
    EXPECT_FALSE(wrong->logon(u"<alice>", u"nope"));
    EXPECT_EQ(wrong->lastRequestEnd(), ClientSession::RequestEnd::Answered);
    EXPECT_EQ(wrong->takeNotices(), (std::vector<SessionNotice>{{SessionNotice::Refused, kLogOnNotAuthenticated}}));

    auto first = connected();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->logon(u"<alice>", u"a1"));
    auto second = connected();
    ASSERT_TRUE(second);
    EXPECT_FALSE(second->logon(u"<alice>", u"a1"));
    EXPECT_EQ(second->takeNotices(), (std::vector<SessionNotice>{{SessionNotice::Refused, kLogOnDuplicate}}));
}

TEST_F(ClientSessionTest, ConnectingFallsBackToTheSecondAddressWithAFreshSocket)
{
    startServer();
    // Nothing listens on the first address: the second still connects.
    auto session = connectSession(u"127.0.0.2", u"127.0.0.1", port);
    ASSERT_TRUE(session);
    EXPECT_TRUE(session->logon(u"<alice>", u""));
    // Neither reachable, or no address at all: no session.
    EXPECT_EQ(connectSession(u"127.0.0.2", u"", port), nullptr);
    EXPECT_EQ(connectSession(u"", u"", port), nullptr);
}

TEST_F(ClientSessionTest, ServerStoppedWhileRequestsWaitEndsTheWaits)
{
    startServer();
    auto session = connected();
    ASSERT_TRUE(session);
    ASSERT_TRUE(session->logon(u"<alice>", u""));
    ASSERT_FALSE(session->requestGroupList(0).empty());
    // The lobby keeps asking for groups while the server stops, so the stop
    // lands while requests are on the wire or waiting.
    std::thread stopper([&] { stopServer(); });
    for (int i = 0; i < 1000000 && !session->hasEnded(); ++i)
        session->requestGroupList(0);
    stopper.join();
    EXPECT_TRUE(eventually([&] { return session->hasEnded(); }));
    // Requests fail at once now.
    EXPECT_FALSE(session->logon(u"<alice>", u""));
    EXPECT_EQ(session->lastRequestEnd(), ClientSession::RequestEnd::NotConnected);
    EXPECT_TRUE(session->requestGroupList(0).empty());
    EXPECT_FALSE(session->createGroup(u"late", 0));
    EXPECT_FALSE(session->enterGroup(u"<alice>", u"demo Default Group", 0));
    EXPECT_FALSE(session->sendState(true, false, {u"<alice>", {}}));
    EXPECT_FALSE(session->sendState(false, false));
    EXPECT_EQ(session->takeNotices(), (std::vector<SessionNotice>{{SessionNotice::Disconnected, kDisconnectedText}}));
}

// A server that takes the request and never answers, then goes away: the
// waiting log-on returns false and the lost connection is queued as a notice.
TEST_F(ClientSessionTest, ConnectionEndingDuringAWaitReleasesIt)
{
    std::unique_ptr<Socket> listening(Socket::listenOn(INADDR_LOOPBACK, 0, 1));
    ASSERT_TRUE(listening);
    int silentPort = listening->getLocalPort();
    auto session = connectSession(u"127.0.0.1", u"", silentPort);
    ASSERT_TRUE(session);
    std::unique_ptr<Socket> peer(listening->accept());
    ASSERT_TRUE(peer);

    std::future<bool> logon = std::async(std::launch::async, [&] { return session->logon(u"<alice>", u""); });
    // The whole request arrives: the log-on is waiting for its answer.
    PacketWriter expected;
    writeLogOn(expected, u"<alice>", u"");
    std::vector<uint8_t> got(expected.size());
    peer->setReceiveTimeout(15000);
    ASSERT_TRUE(peer->readBytes(got.data(), int(got.size())));
    EXPECT_EQ(0, memcmp(got.data(), expected.data(), got.size()));
    peer->close();

    EXPECT_FALSE(logon.get());
    EXPECT_EQ(session->lastRequestEnd(), ClientSession::RequestEnd::ConnectionEnded);
    EXPECT_TRUE(session->hasEnded());
    EXPECT_EQ(session->takeNotices(), (std::vector<SessionNotice>{{SessionNotice::Disconnected, kDisconnectedText}}));
}

// The flight's state goes out as the server reads it: not flying is 12,
// controls only is 13 with the flight's controls, otherwise 11 with the
// pilot and the missile places; controls without a flight are not sent.
TEST_F(ClientSessionTest, SendStateWritesNotFlyingControlsAndMissilePlaces)
{
    std::unique_ptr<Socket> listening(Socket::listenOn(INADDR_LOOPBACK, 0, 1));
    ASSERT_TRUE(listening);
    auto session = connectSession(u"127.0.0.1", u"", listening->getLocalPort());
    ASSERT_TRUE(session);
    std::unique_ptr<Socket> peer(listening->accept());
    ASSERT_TRUE(peer);
    peer->setReceiveTimeout(15000);

    class FixedControls : public RecordingFlight
    {
    public:
        Controls currentControls() override { return {8 | 0x80, 107, 5, 2, 1}; }
    } flight;
    EXPECT_FALSE(session->sendState(true, true)); // no flight yet
    session->setFlight(&flight);
    OwnAircraft own{u"<alice>", {}};
    for (int i = 0; i < kStations; ++i)
        own.missiles[size_t(i)] = {float(i), 250.0f + float(i), -float(i)};
    ASSERT_TRUE(session->sendState(false, false));
    ASSERT_TRUE(session->sendState(true, true));
    ASSERT_TRUE(session->sendState(true, false, own));

    ClientMessage m;
    int16_t head = 0;
    ASSERT_TRUE(peer->readShort(head) && head == kHead && readClientMessage(*peer, m));
    EXPECT_EQ(m.command, CmdNotFlying);
    ASSERT_TRUE(peer->readShort(head) && head == kHead && readClientMessage(*peer, m));
    EXPECT_EQ(m.command, CmdControls);
    EXPECT_EQ(m.controls, (Controls{8 | 0x80, 107, 5, 2, 1}));
    ASSERT_TRUE(peer->readShort(head) && head == kHead && readClientMessage(*peer, m));
    EXPECT_EQ(m.command, CmdMissilePositions);
    EXPECT_EQ(m.pilot, u"<alice>");
    EXPECT_EQ(m.missilePositions, own.missiles);
    session->setFlight(nullptr);
}

// The receive thread only posts: the window's own thread takes the notices
// when it handles the message.
std::atomic<int> noticeMessages{0};
std::atomic<DWORD> noticeThread{0};
ClientSession* noticeSession = nullptr;
std::vector<SessionNotice> noticesTaken;

LRESULT CALLBACK noticeWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == kSessionNoticeMessage)
    {
        noticeThread = GetCurrentThreadId();
        for (SessionNotice& n : noticeSession ? noticeSession->takeNotices() : std::vector<SessionNotice>{})
            noticesTaken.push_back(n);
        ++noticeMessages;
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

TEST_F(ClientSessionTest, NoticesArePostedToTheWindowsThread)
{
    noticeMessages = 0;
    noticesTaken.clear();
    WNDCLASSW wc{};
    wc.lpfnWndProc = noticeWindowProc;
    wc.lpszClassName = u"SessionNoticeTest";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, u"SessionNoticeTest", u"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);

    ServerSettings settings;
    settings.authenticate = true;
    startServer(settings);
    auto session = connected();
    ASSERT_TRUE(session);
    noticeSession = session.get();
    session->setNoticeWindow(window);
    EXPECT_FALSE(session->logon(u"<bob>", u"wrong"));
    EXPECT_TRUE(eventually([&] {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        return noticeMessages > 0;
    }));
    EXPECT_EQ(noticeThread, GetCurrentThreadId());
    EXPECT_EQ(noticesTaken, (std::vector<SessionNotice>{{SessionNotice::Refused, kLogOnNotAuthenticated}}));
    session.reset();
    noticeSession = nullptr;
    DestroyWindow(window);
}

TEST(GroupInfoTexts, CreationTimeIsNotInventedForAListedGroup)
{
    GroupInfoTexts texts = groupInfoTexts({u"wing", u"<alice>", 3});
    EXPECT_EQ(texts.creator, u"<alice>");
    EXPECT_EQ(texts.time, u"-");
    EXPECT_EQ(texts.members, u"3");
}

} // namespace
} // namespace skyrend::mp::testing
