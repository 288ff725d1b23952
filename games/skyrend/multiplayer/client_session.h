// client_session.h -- the game's connection to the game server
//
// `ClientSession` is a `TCPClient` whose receive thread reads the server's
// messages, and whose requests (log-on, group list, new group, enter group)
// are synchronous for the user-interface thread: each sends one request and
// waits until the receive thread has handled its answer.
//
// Every wait ends when the answer comes, when the connection ends (lost,
// closed or stopped) or after `kReplyLimitMs` without an answer (the
// connection is then ended, since a late answer could not be told from the
// next one). A request made while disconnected fails at once.
//
// The receive thread never touches the user interface: the texts to show
// (refusals, the new-group answer, the lost connection) are queued as
// `SessionNotice`s and the window given to `setNoticeWindow` is posted
// `kSessionNoticeMessage`; its own thread takes them with `takeNotices`.
// Flight messages (states, players entering and leaving) go to the
// `SessionFlight` set with `setFlight`, under the data lock; without one they
// are read and dropped, so nothing reaches a flight that is not built yet.
#pragma once

#include "games/skyrend/multiplayer/protocol.h"

#include "engine/platform/tcp_client.h"

#include <os/user.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace skyrend::mp {

// Posted to the notice window when notices are waiting (wparam, lparam 0).
constexpr UINT kSessionNoticeMessage = WM_APP + 0x125;
// Longest wait for an answer while the connection stands.
constexpr DWORD kReplyLimitMs = 30000;

extern const WCHAR* const kConnectFailedText;
extern const WCHAR* const kDisconnectedText;
extern const WCHAR* const kQuitAndRetryText;

struct SessionNotice
{
    enum Kind
    {
        Refused,      // a log-on or enter refused: the server's text, caption "Error"
        Notice,       // the new-group answer, caption "Notice"
        Disconnected, // the connection ended while it stood
    };
    Kind kind = Notice;
    std::u16string text;
    bool operator==(const SessionNotice&) const = default;
};

// What a multiplayer flight takes from the session; called on the receive
// thread under the session's data lock.
class SessionFlight
{
public:
    virtual ~SessionFlight() = default;
    // The controls that answer each states message.
    virtual Controls currentControls() = 0;
    virtual void onStates(const std::vector<AircraftState>& states) = 0;
    virtual void onPlayerEnter(const std::u16string& name, int16_t plane, const Vec3& position) = 0;
    virtual void onPlayerLeave(const std::u16string& name) = 0;
};

// The player's own aircraft as message 11 carries it: the pilot name and
// the places of its eight missiles (row 0 columns 0..3, then row 1).
struct OwnAircraft
{
    std::u16string pilot;
    std::array<Vec3, kStations> missiles{};
};

class ClientSession : public TCPClient
{
public:
    ClientSession();
    ~ClientSession() override;

    // Connects once (a session is used for one connection: a failed attempt
    // leaves it unusable, so a second address takes a new session).
    bool connectTo(const WCHAR* host, int port) { return connect(host, port); }

    bool logon(const std::u16string& user, const std::u16string& password);
    // The groups of a scene; empty when disconnected or unanswered.
    std::vector<GroupEntry> requestGroupList(int32_t scene);
    // True only when the server says the group was added.
    bool createGroup(const std::u16string& name, int32_t scene);
    // The members (newest first) when entered; nothing when refused or
    // disconnected.
    std::optional<std::vector<MemberEntry>> enterGroup(const std::u16string& user, const std::u16string& group,
                                                       int16_t plane);
    // The flight's state to the server: not flying, message 12; flying with
    // controlsOnly, message 13 with the controls of the flight set with
    // `setFlight` (the answer to every states message); flying otherwise,
    // message 11 with `own` (at the flight's start and whenever a player
    // enters or leaves; it marks the user as flying). False when nothing
    // could be sent (no connection, or no flight for the controls).
    bool sendState(bool flying, bool controlsOnly, const OwnAircraft& own = {});

    void setNoticeWindow(HWND window);
    std::vector<SessionNotice> takeNotices();
    // Under the data lock: after it returns no message reaches the old flight.
    void setFlight(SessionFlight* flight);

    // True once the connection has ended (it never comes back).
    bool hasEnded() const;

    // How the last request ended: the lobby goes back to the log-on page
    // when the connection is gone, and stays on a refusal.
    enum class RequestEnd
    {
        Answered,
        NotConnected,    // failed at once: no connection
        ConnectionEnded, // the connection ended before the answer
        NoAnswer,        // no answer within the limit (the connection is ended)
    };
    RequestEnd lastRequestEnd() const;

    bool onPacket(Socket& socket) override;
    // Acts on one message read in full (the receive thread, under the data
    // lock); false ends the connection.
    bool handle(ServerMessage message);
    void onConnection(int event) override;

private:
    // Sends a request that the command `answer` replies to and waits; the
    // answer, or nothing when the request could not be sent or the wait
    // ended without it.
    std::optional<ServerMessage> request(const PacketWriter& packet, int16_t answer);
    void notify(SessionNotice::Kind kind, const std::u16string& text);

    mutable std::mutex lock;
    std::condition_variable replied;
    int16_t awaited = 0;        // the answer command a request waits for, 0 none
    bool answered = false;
    bool ended = false;
    bool lossReported = false; // the Disconnected notice is queued once
    RequestEnd lastEnd = RequestEnd::Answered;
    ServerMessage answer;       // the awaited answer, once answered

    std::mutex requestLock;     // one request at a time
    std::vector<SessionNotice> notices;
    HWND noticeWindow = nullptr;
    SessionFlight* flight = nullptr;
};

// Connects to the first address at the port, then to the second; each
// attempt takes a fresh session. Null when both fail.
std::unique_ptr<ClientSession> connectSession(const std::u16string& first, const std::u16string& second, int port);

// The texts the lobby shows for a group: creator, creation time and member
// count. The group list carries no creation time, so the time is "-".
struct GroupInfoTexts
{
    std::u16string creator, time, members;
};
GroupInfoTexts groupInfoTexts(const GroupEntry& group);

} // namespace skyrend::mp
