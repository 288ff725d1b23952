// game_server.h -- the game server: users, groups, log-on, the round
//
// Threads: the accept thread, one reading thread per connection and the
// round thread (GameStateUpdater, 25 rounds a second, with a few helpers
// that send the round's states). One lock, the server lock of TCPServer,
// keeps the registry (users, groups, aircraft) and the round apart: a
// connection reads its whole message first, then takes the lock to act on
// it; the round holds it from the simulation to the last state built, and
// sends the states after releasing it. A controls message, the one every
// flying client sends every round, takes no server lock: it is left in the
// connection's inbox, which the next round takes.
//
// The console learns what happens through a ServerListener. Its calls come
// from server threads, often with the server lock held: a listener must only
// post or queue (never wait for the window's thread).
#pragma once

#include "engine/base/hashtable.h"
#include "engine/platform/tcp_server.h"
#include "games/skyrend/multiplayer/account_list.h"
#include "games/skyrend/multiplayer/protocol.h"

#include <os/sysinfo.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace skyrend {
class Aircraft;
}

namespace skyrend::mp {

class GameClientHandler;
class GameGroup;
class GameServer;
class SendPool;

// A round's states message of one group, built once for all its members
// with no event bits, and where each aircraft's event word sits in it.
struct StatePacket
{
    std::vector<uint8_t> bytes;
    std::vector<size_t> eventOffsets;
};

struct ServerSettings
{
    int port = 8888;
    bool authenticate = false;
    std::u16string userListFile = u"users.properties"; // relative to the program folder
    int maxIdleTime = 10;   // minutes an empty non-default group lives
    int maxUsersPerGrp = 8; // 2..16
    bool defaultGroups = true;
    // A test's arrangement: an aircraft entering a group with members starts
    // kFormationSpacing to the right of the newest one, on its heading and
    // at its speed (the random start place otherwise).
    bool formation = false;
};
constexpr float kFormationSpacing = 30.0f;

// Upper bound of the groups the clients may create (default groups aside).
constexpr int kMaxCreatedGroups = 64;
// Names (users, groups) are at most this long.
constexpr int kMaxNameLength = 32;

// Whether a user or group name may be used: 1 to kMaxNameLength printable
// characters, none of '{', '}', ',' and ':' (names become template keys and
// list entries on every client of a group).
bool isAcceptableName(const std::u16string& name);

class ServerListener
{
public:
    virtual ~ServerListener() = default;
    virtual void log(const std::u16string&) {}
    // Users, groups or their details changed.
    virtual void registryChanged() {}
    // About once a second: the server's run time and round rate.
    virtual void tick(float, int) {}
};

struct GameUser
{
    GameClientHandler* handler = nullptr;
    std::u16string name, password;
    int32_t planeIndex = 0;
    int32_t score = 0;
    bool flying = false;
    GameGroup* group = nullptr;
    Aircraft* aircraft = nullptr;
    // Its event words wait in its group's table (GameGroup::pendingEvents).
};

class GameGroup
{
public:
    GameGroup(GameServer* server, const std::u16string& name, const std::u16string& creator, int sceneIndex,
              bool isDefault, bool basisIsWater);
    ~GameGroup();
    GameGroup(const GameGroup&) = delete;
    GameGroup& operator=(const GameGroup&) = delete;

    Aircraft* createAircraft(GameUser* user, float x, float y, float z, float ceiling);
    void removeAircraft(const std::u16string& pilot);
    Aircraft* findAircraft(const std::u16string& pilot) const;

    int sceneIndex;
    std::u16string name, creator;
    std::vector<GameUser*> members; // not owned
    SYSTEMTIME created{};
    float idleSeconds = 0.0f;
    bool isDefault;
    bool basisIsWater;
    std::vector<Aircraft*> aircraft; // owned
    // Each member's event words collected since its last states message, one
    // per aircraft in the group's order: the member (pointer keys) to a
    // PtrVector whose slots hold the int32 words. The lists are the group's.
    Hashtable* pendingEvents;
    // A member's list (null for one not in the group) and a copy of its words.
    PtrVector* eventsOf(const GameUser* member) const;
    std::vector<int32_t> pendingEventsOf(const GameUser* member) const;
    // A member's words into `into` (when given; empty for one not in the
    // group), each set back to 0: one look-up in the table.
    void takeEvents(const GameUser* member, std::vector<int32_t>* into);
    // A new member's list: a 0 word for each aircraft already in the group.
    void addEventList(GameUser* member);
    void removeEventList(GameUser* member);
    // This round's states message (shared with the sends of the round,
    // which run after the server lock is released).
    std::shared_ptr<const StatePacket> statePacket;
    void buildStatePacket();
};

// What the console lists (a copy taken under the server lock).
struct GroupView
{
    std::u16string name, creator, scene;
    SYSTEMTIME created{};
    std::vector<std::u16string> members;
};
struct UserView
{
    std::u16string name;
    int32_t score = 0;
    int fps = 0;
};

class GameServer : public TCPServer
{
public:
    GameServer(const ServerSettings& settings, ServerListener* listener, uint32_t bindAddress = 0);
    ~GameServer() override;

    // The scene names (indexes of groups) and whether each scene's basis is water.
    void setScenes(const std::vector<std::u16string>& names, const std::vector<bool>& water);
    // Plane indexes a client may fly: 0 .. count - 1 (at least 1).
    void setPlaneCount(int count) { planeCount = count < 1 ? 1 : count; }
    // The folder the account list's name is relative to.
    void setProgramFolder(const std::u16string& folder) { programFolder = folder; }

    // Starts accepting and the rounds; false when the port could not be opened.
    bool startServer();

    // Registry (callers hold the server lock).
    GameUser* addUser(const std::u16string& name, const std::u16string& password, GameClientHandler* handler);
    GameUser* findUser(const std::u16string& name) const;
    GameGroup* findGroup(const std::u16string& name) const;
    void removeUser(GameUser* user);
    bool createGroup(const std::u16string& name, const std::u16string& creator, int scene, bool isDefault);
    bool removeGroup(const std::u16string& name);
    Aircraft* enterGroup(GameGroup* group, GameUser* user, int plane);
    void leaveGroup(GameUser* user);
    // Tells the others of the user's group, takes it out and removes it.
    void dropUser(GameClientHandler* handler);
    // Checks the account list; false when it cannot be read. The list is
    // read again only when the file has changed (its size or time).
    bool authenticate(const std::u16string& user, const std::u16string& password);
    // The account list's device path.
    std::u16string accountListPath() const { return programFolder + settings.userListFile; }

    // The round (server lock held).
    void update(float dt) override;
    void applyControls(GameUser* user, float dt);
    void collide(GameGroup* group);
    // The maintenance tick: clock and rate labels, idle groups, locks.
    void maintain(float elapsedSeconds, int fps);

    void onEvent(int event, TCPClientHandler* handler) override;
    void onNotice(Notice notice, TCPClientHandler* handler, int value) override;
    TCPClientHandler* createHandler(Socket* socket) override;
    StateUpdater* createStateUpdater() override;

    const ServerSettings& getSettings() const { return settings; }
    ServerListener* getListener() const { return listener; }
    void log(const std::u16string& line);
    const std::vector<GameGroup*>& getGroups() const { return groups; }
    const std::vector<GameUser*>& getUsers() const { return users; }
    std::u16string sceneName(int index) const;
    int sceneCount() const { return int(sceneNames.size()); }
    int getPlaneCount() const { return planeCount; }
    float getRunTime() const { return runTime; }

    // Copies for the console (takes the lock itself).
    std::vector<GroupView> viewGroups();
    UserView viewUser(const std::u16string& name);

    // Measured by the round thread (for the console and the load tool).
    std::atomic<uint64_t> rounds{0};
    std::atomic<uint64_t> statesSent{0};
    // Each round's real duration (from asking for the server lock to the
    // last state handed to its socket), its wait for the server lock and the
    // time it held it, in microseconds; the last kRoundSamples.
    static constexpr int kRoundSamples = 8192;
    struct RoundTime
    {
        uint32_t roundUs = 0;
        uint32_t lockWaitUs = 0;
        uint32_t lockHeldUs = 0; // the simulation and the states built
    };
    std::vector<RoundTime> takeRoundTimes();
    void recordRoundTime(RoundTime time);

    // The round's states messages: staged by the connections' updates under
    // the server lock, sent together (by a few threads side by side) after
    // it is released. Answers the staged message's event words for the
    // caller to fill.
    std::vector<int32_t>& stageStates(GameClientHandler* handler, const std::shared_ptr<const StatePacket>& packet);
    void sendStaged();
    // Under the server lock: the controls each connection has received
    // since the last round reach its user and aircraft.
    void takeControls();

    float runTime = 0.0f;
    int phase = 0;

private:
    friend class GameClientHandler;
    ServerSettings settings;
    ServerListener* listener;
    std::u16string programFolder;
    std::vector<std::u16string> sceneNames;
    std::vector<bool> sceneWater;
    int planeCount = 16;
    std::vector<GameGroup*> groups; // owned, in creation order
    std::vector<GameUser*> users;   // owned, in log-on order
    std::mutex accountsLock;
    AccountList accounts;
    std::u16string accountsStamp; // the size and time of the file read
    std::vector<RoundTime> roundTimes;
    size_t roundTimeNext = 0;
    CriticalLock statsLock;
    struct Staged
    {
        GameClientHandler* handler;
        std::shared_ptr<const StatePacket> packet;
        std::vector<int32_t> events;
    };
    std::vector<Staged> staged; // the first stagedCount are this round's
    size_t stagedCount = 0;
    std::unique_ptr<SendPool> sendPool;
};

class GameClientHandler : public TCPClientHandler
{
public:
    GameClientHandler(GameServer* server, Socket* socket);
    ~GameClientHandler() override;

    bool onPacket(Socket& socket) override;
    void update(float dt) override;
    bool wantsUpdate() override;
    // A user outside any group is closed after the idle limit without a
    // message (the lobby asks for the group list every 2 s).
    bool isIdleLimited() override { return user && !user->group; }
    // Acts on one message read in full (server lock taken here); false ends
    // the connection.
    bool handle(const ClientMessage& message);

    GameServer* gameServer() const { return static_cast<GameServer*>(getServer()); }

    // The states message of this round, with this user's event bits.
    bool sendStates(const StatePacket& packet, const std::vector<int32_t>& events);

    GameUser* user = nullptr;
    int32_t idleRounds = 0;
    int32_t idleLimit = 1;
    Controls controls;
    bool keyCodeFresh = false;

    // The controls received since the last round (the connection's thread
    // writes, the round takes them under the server lock).
    struct Inbox
    {
        int count = 0;       // controls messages
        Controls controls;   // the last one
        int32_t keyCode = 0; // the last key code that was not 0
    };
    Inbox takeInbox();
    void clearInbox();

private:
    bool logOn(const ClientMessage& m);
    void answer(const PacketWriter& packet);
    void receiveControls(const Controls& received);

    std::mutex inboxLock;
    Inbox inbox;
};

} // namespace skyrend::mp
