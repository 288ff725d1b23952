// client_session.cpp -- ClientSession: requests, answers, notices, flight messages
#include "games/skyrend/multiplayer/client_session.h"

#include <chrono>

namespace skyrend::mp {

const WCHAR* const kConnectFailedText =
    u"Failed to connect to Game Server, please check:\n(1) If Game server has properly started.\n"
    u"(2) If IP address and port number are correct.\n(3) If the computer has network connectivity.\n";
const WCHAR* const kDisconnectedText = u"Disconnected with server, or server has terminated.";
const WCHAR* const kQuitAndRetryText = u"You must quit the game now and try to connect to the game server later.";

namespace {

bool answerHas(const std::u16string& text, const WCHAR* part)
{
    return text.find(part) != std::u16string::npos;
}

} // namespace

ClientSession::ClientSession() : TCPClient(2) {}

ClientSession::~ClientSession()
{
    // The receive thread calls this object's handlers: end it while they exist.
    stop();
}

bool ClientSession::hasEnded() const
{
    std::lock_guard<std::mutex> hold(lock);
    return ended;
}

ClientSession::RequestEnd ClientSession::lastRequestEnd() const
{
    std::lock_guard<std::mutex> hold(lock);
    return lastEnd;
}

std::optional<ServerMessage> ClientSession::request(const PacketWriter& packet, int16_t answerCommand)
{
    std::lock_guard<std::mutex> one(requestLock);
    {
        // Cleared before sending: the answer may be handled before send returns.
        std::lock_guard<std::mutex> hold(lock);
        if (ended || !isConnected())
        {
            lastEnd = RequestEnd::NotConnected;
            return std::nullopt;
        }
        awaited = answerCommand;
        answered = false;
        answer = ServerMessage{};
    }
    bool sent = sendPacket(packet);
    bool timedOut = false;
    {
        std::unique_lock<std::mutex> hold(lock);
        if (sent)
        {
            timedOut = !replied.wait_for(hold, std::chrono::milliseconds(kReplyLimitMs),
                                         [this] { return answered || ended; });
        }
        awaited = 0;
        if (answered)
            lastEnd = RequestEnd::Answered;
        else
            lastEnd = timedOut ? RequestEnd::NoAnswer : RequestEnd::ConnectionEnded;
        if (answered)
            return std::move(answer);
    }
    // The stream can no longer be followed request by request. When this
    // side ends it (a failed send, no answer), the receive thread reports no
    // loss, so the notice is queued here.
    stop();
    bool reported = false;
    {
        std::lock_guard<std::mutex> hold(lock);
        reported = lossReported;
        lossReported = true;
    }
    if (!reported)
        notify(SessionNotice::Disconnected, kDisconnectedText);
    return std::nullopt;
}

bool ClientSession::logon(const std::u16string& user, const std::u16string& password)
{
    PacketWriter w;
    writeLogOn(w, user, password);
    std::optional<ServerMessage> answer = request(w, CmdLogOnAnswer);
    return answer && answerHas(answer->text, u"Accepted");
}

std::vector<GroupEntry> ClientSession::requestGroupList(int32_t scene)
{
    PacketWriter w;
    writeGroupList(w, scene);
    std::optional<ServerMessage> answer = request(w, CmdGroupListAnswer);
    return answer ? std::move(answer->groups) : std::vector<GroupEntry>{};
}

bool ClientSession::createGroup(const std::u16string& name, int32_t scene)
{
    PacketWriter w;
    writeNewGroup(w, name, scene);
    std::optional<ServerMessage> answer = request(w, CmdNewGroupAnswer);
    return answer && answerHas(answer->text, u"added");
}

std::optional<std::vector<MemberEntry>> ClientSession::enterGroup(const std::u16string& user,
                                                                  const std::u16string& group, int16_t plane)
{
    PacketWriter w;
    writeEnterGroup(w, group, user, plane);
    std::optional<ServerMessage> answer = request(w, CmdEnterAnswer);
    if (!answer || !answerHas(answer->text, u"entered"))
        return std::nullopt;
    return std::move(answer->members);
}

bool ClientSession::sendState(bool flying, bool controlsOnly, const OwnAircraft& own)
{
    if (hasEnded() || !isConnected())
        return false;
    PacketWriter w;
    if (!flying)
        writeNotFlying(w);
    else if (controlsOnly)
    {
        // The flight is set and read under the data lock (the receive
        // thread holds it already when it answers a states message).
        lockData();
        const bool hasFlight = flight != nullptr;
        if (hasFlight)
            writeControls(w, flight->currentControls());
        unlockData();
        if (!hasFlight)
            return false;
    }
    else
        writeMissilePositions(w, own.pilot, own.missiles);
    return sendPacket(w);
}

void ClientSession::setNoticeWindow(HWND window)
{
    std::lock_guard<std::mutex> hold(lock);
    noticeWindow = window;
}

std::vector<SessionNotice> ClientSession::takeNotices()
{
    std::lock_guard<std::mutex> hold(lock);
    std::vector<SessionNotice> taken;
    taken.swap(notices);
    return taken;
}

void ClientSession::setFlight(SessionFlight* newFlight)
{
    lockData();
    flight = newFlight;
    unlockData();
}

void ClientSession::notify(SessionNotice::Kind kind, const std::u16string& text)
{
    HWND window = nullptr;
    {
        std::lock_guard<std::mutex> hold(lock);
        notices.push_back({kind, text});
        window = noticeWindow;
    }
    if (window)
        PostMessageW(window, kSessionNoticeMessage, 0, 0);
}

bool ClientSession::onPacket(Socket& socket)
{
    ServerMessage m;
    if (!readServerMessage(socket, m))
        return false;
    return handle(std::move(m));
}

bool ClientSession::handle(ServerMessage m)
{
    switch (m.command)
    {
    case CmdLogOnAnswer:
        if (!answerHas(m.text, u"Accepted"))
            notify(SessionNotice::Refused, m.text);
        break;
    case CmdNewGroupAnswer:
        notify(SessionNotice::Notice, m.text);
        break;
    case CmdEnterAnswer:
        if (!answerHas(m.text, u"entered"))
            notify(SessionNotice::Refused, m.text);
        break;
    case CmdStates:
        if (flight)
        {
            // The controls answer every states message at once.
            sendState(true, true);
            flight->onStates(m.states);
        }
        return true;
    case CmdPlayerEntering:
        if (flight)
            flight->onPlayerEnter(m.name, m.plane, m.position);
        return true;
    case CmdPlayerLeaving:
        if (flight)
            flight->onPlayerLeave(m.name);
        return true;
    default:
        break;
    }
    // An answer nobody waits for (a late one, or one never asked) is dropped.
    std::lock_guard<std::mutex> hold(lock);
    if (awaited != 0 && m.command == awaited && !answered)
    {
        answer = std::move(m);
        answered = true;
        replied.notify_all();
    }
    return true;
}

void ClientSession::onConnection(int event)
{
    if (event == Started)
        return;
    if (event == Lost)
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            lossReported = true;
        }
        notify(SessionNotice::Disconnected, kDisconnectedText);
    }
    std::lock_guard<std::mutex> hold(lock);
    ended = true;
    replied.notify_all();
}

std::unique_ptr<ClientSession> connectSession(const std::u16string& first, const std::u16string& second, int port)
{
    for (const std::u16string* host : {&first, &second})
    {
        if (host->empty())
            continue;
        auto session = std::make_unique<ClientSession>();
        if (session->connectTo(host->c_str(), port))
            return session;
    }
    return nullptr;
}

GroupInfoTexts groupInfoTexts(const GroupEntry& group)
{
    std::string count = std::to_string(group.members);
    return {group.creator, u"-", std::u16string(count.begin(), count.end())};
}

} // namespace skyrend::mp
