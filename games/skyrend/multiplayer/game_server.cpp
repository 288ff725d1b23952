// game_server.cpp -- registry, log-on, requests, the round and the
// maintenance tick of the game server
#include "games/skyrend/multiplayer/game_server.h"

#include "common/little_endian.h"
#include "engine/base/math_utils.h"
#include "games/skyrend/flight/aircraft.h"
#include "games/skyrend/flight/flight_constants.h"

#include <os/file.h>
#include <os/sync.h>
#include <os/wstring.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <thread>

namespace skyrend::mp {

namespace {

constexpr float kStartY = 250.0f;
constexpr float kCeiling = 800.0f;
const Vec3 kListedPosition{-2000.0f, 250.0f, -2000.0f};

// The station of each control-block index as (row, column).
constexpr int kStationRow[kStations] = {0, 0, 1, 1, 1, 1, 0, 0};
constexpr int kStationColumn[kStations] = {3, 2, 3, 2, 0, 1, 0, 1};

bool finite(const Vec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

template <class T>
void eraseValue(std::vector<T*>& list, T* value)
{
    list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

GameUser* ownerOf(Aircraft* a)
{
    return static_cast<GameUser*>(a->owner);
}

void copyMatrix(const Matrix4& from, std::array<float, 16>& to)
{
    std::copy(std::begin(from.m), std::end(from.m), to.begin());
}

// An event list keeps its int32 words in the pointer slots.
int32_t eventWord(const PtrVector* list, int k)
{
    return int32_t(reinterpret_cast<intptr_t>(list->get(k)));
}

void setEventWord(PtrVector* list, int k, int32_t word)
{
    list->data()[k] = reinterpret_cast<void*>(intptr_t(word));
}

} // namespace

bool isAcceptableName(const std::u16string& name)
{
    if (name.empty() || name.size() > size_t(kMaxNameLength))
        return false;
    for (char16_t c : name)
    {
        if (c < 0x20 || c == 0x7F || c > 0xFF || c == u'{' || c == u'}' || c == u',' || c == u':')
            return false;
    }
    return true;
}

// ---- groups ----

GameGroup::GameGroup(GameServer*, const std::u16string& groupName, const std::u16string& groupCreator, int scene,
                     bool defaultGroup, bool water)
    : sceneIndex(scene), name(groupName), creator(groupCreator), isDefault(defaultGroup), basisIsWater(water),
      pendingEvents(new Hashtable(Hashtable::kPointerKeys))
{
    GetLocalTime(&created);
}

GameGroup::~GameGroup()
{
    for (Aircraft* a : aircraft)
    {
        if (GameUser* user = ownerOf(a))
            user->aircraft = nullptr;
        delete a;
    }
    deleteListTable(pendingEvents);
}

PtrVector* GameGroup::eventsOf(const GameUser* member) const
{
    return static_cast<PtrVector*>(pendingEvents->get(member));
}

std::vector<int32_t> GameGroup::pendingEventsOf(const GameUser* member) const
{
    std::vector<int32_t> words;
    if (const PtrVector* list = eventsOf(member))
    {
        for (int k = 0; k < list->size(); ++k)
            words.push_back(eventWord(list, k));
    }
    return words;
}

void GameGroup::takeEvents(const GameUser* member, std::vector<int32_t>* into)
{
    PtrVector* list = eventsOf(member);
    const int count = list ? list->size() : 0;
    if (into)
        into->resize(size_t(count));
    for (int k = 0; k < count; ++k)
    {
        if (into)
            (*into)[size_t(k)] = eventWord(list, k);
        setEventWord(list, k, 0);
    }
}

void GameGroup::addEventList(GameUser* member)
{
    auto* list = new PtrVector(0);
    for (size_t k = 0; k < aircraft.size(); ++k)
        list->add(nullptr);
    delete static_cast<PtrVector*>(pendingEvents->put(member, list));
}

void GameGroup::removeEventList(GameUser* member)
{
    delete static_cast<PtrVector*>(pendingEvents->remove(member));
}

Aircraft* GameGroup::createAircraft(GameUser* user, float x, float y, float z, float ceiling)
{
    auto* a = new Aircraft(nullptr, nullptr, user->name.c_str(), nullptr, false, false);
    a->owner = user;
    a->onWater = basisIsWater ? 1 : 0;
    a->place(x, y, z, 0.0f, ceiling);
    user->aircraft = a;
    aircraft.push_back(a);
    for (GameUser* member : members)
    {
        if (PtrVector* list = eventsOf(member))
            list->add(nullptr);
    }
    return a;
}

void GameGroup::removeAircraft(const std::u16string& pilot)
{
    for (size_t i = aircraft.size(); i-- > 0;)
    {
        Aircraft* gone = aircraft[i];
        GameUser* owner = ownerOf(gone);
        if (!owner || owner->name != pilot)
            continue;
        aircraft.erase(aircraft.begin() + long(i));
        for (GameUser* member : members)
        {
            if (PtrVector* list = eventsOf(member))
                list->removeAt(int(i));
        }
        owner->aircraft = nullptr;
        for (Aircraft* other : aircraft)
        {
            for (auto& row : other->stations)
                for (Missile* m : row)
                    if (m && m->target == &gone->flight)
                    {
                        m->target = nullptr;
                        if (m->state == Missile::Locked)
                            m->state = Missile::Idle;
                    }
            if (other->target == gone)
                other->target = nullptr;
        }
        delete gone;
    }
}

void GameGroup::buildStatePacket()
{
    std::vector<AircraftState> states(aircraft.size());
    for (size_t k = 0; k < aircraft.size(); ++k)
    {
        Aircraft* a = aircraft[k];
        AircraftState& s = states[k];
        GameUser* owner = ownerOf(a);
        s.pilot = owner ? owner->name : a->pilotName;
        StateBlock& b = s.block;
        Matrix4 orientation = a->flight.orientation;
        orientation.setTranslation(a->position());
        copyMatrix(orientation, b.orientation);
        for (int i = 0; i < kStations; ++i)
        {
            if (Missile* m = a->stations[i / 4][i % 4])
            {
                copyMatrix(m->flight.orientation, b.missiles[size_t(i)]);
                b.missileStates[size_t(i)] = m->state;
            }
        }
        b.speed = a->flight.speed;
        b.heading = a->flight.heading;
        b.bank = a->flight.bank;
        b.pitch = a->flight.pitchAngle;
        b.state = a->state;
        b.damage = a->damage;
        b.score = owner ? owner->score : 0;
        b.events = 0; // each receiver's own, patched in when it is sent
    }
    PacketWriter out;
    out.reserve(6 + states.size() * (kStateBlockSize + 2 + size_t(kMaxNameLength)));
    writeStates(out, states);
    auto packet = std::make_shared<StatePacket>();
    packet->bytes = out.buffer();
    // The event word is the last of each block: walk back from the end.
    packet->eventOffsets.assign(states.size(), 0);
    size_t end = packet->bytes.size();
    for (size_t k = states.size(); k-- > 0;)
    {
        packet->eventOffsets[k] = end - 4;
        end -= size_t(kStateBlockSize) + states[k].pilot.size() + 1;
    }
    statePacket = std::move(packet);
}

Aircraft* GameGroup::findAircraft(const std::u16string& pilot) const
{
    for (size_t i = aircraft.size(); i-- > 0;)
    {
        GameUser* owner = ownerOf(aircraft[i]);
        if (owner && owner->name == pilot)
            return aircraft[i];
    }
    return nullptr;
}

// ---- sending the round's states ----

// Threads that send the round's staged states side by side with the round
// thread: each send hands a few kilobytes to the host's network, and a
// thousand of them share out well. The round waits until all are handed
// over (never for a peer: a send waits for room in a socket's buffer no
// longer than the transport's flush wait).
class SendPool
{
public:
    explicit SendPool(int count)
    {
        for (int i = 0; i < count; ++i)
            workers.push_back(std::make_unique<Worker>(*this));
        for (auto& w : workers)
            w->start();
    }

    ~SendPool()
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            quit = true;
        }
        go.notify_all();
        workers.clear(); // each joins its thread
    }

    // Sends every staged state; returns when all are handed over.
    template <class Job>
    uint64_t send(size_t count, Job job)
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            work = [&job, this](size_t i) { sent += job(i) ? 1 : 0; };
            items = count;
            next = 0;
            sent = 0;
            busy = workers.size();
            generation += 1;
        }
        go.notify_all();
        runItems();
        std::unique_lock<std::mutex> hold(lock);
        done.wait(hold, [this] { return busy == 0; });
        work = nullptr;
        return sent;
    }

private:
    struct Worker : Thread
    {
        SendPool& pool;
        explicit Worker(SendPool& p) : Thread(u"StateSender"), pool(p) {}
        ~Worker() override { join(); }
        void run() override { pool.serve(); }
    };

    void serve()
    {
        uint64_t seen = 0;
        for (;;)
        {
            {
                std::unique_lock<std::mutex> hold(lock);
                go.wait(hold, [&] { return quit || generation != seen; });
                if (quit)
                    return;
                seen = generation;
            }
            runItems();
            std::lock_guard<std::mutex> hold(lock);
            if (--busy == 0)
                done.notify_one();
        }
    }

    void runItems()
    {
        for (size_t i = next++; i < items; i = next++)
            work(i);
    }

    std::vector<std::unique_ptr<Worker>> workers;
    std::mutex lock;
    std::condition_variable go, done;
    std::function<void(size_t)> work; // set for one send, under lock
    size_t items = 0;
    std::atomic<size_t> next{0};
    std::atomic<uint64_t> sent{0};
    size_t busy = 0;
    uint64_t generation = 0;
    bool quit = false;
};

std::vector<int32_t>& GameServer::stageStates(GameClientHandler* handler,
                                              const std::shared_ptr<const StatePacket>& packet)
{
    // The slots stay from round to round, so their event lists keep their room.
    if (stagedCount == staged.size())
        staged.emplace_back();
    Staged& slot = staged[stagedCount++];
    slot.handler = handler;
    slot.packet = packet;
    return slot.events;
}

void GameServer::sendStaged()
{
    if (stagedCount == 0)
        return;
    auto job = [this](size_t i) {
        const Staged& s = staged[i];
        return s.handler->sendStates(*s.packet, s.events);
    };
    if (stagedCount <= 32)
    {
        // A few states go faster from here than by waking the helpers.
        for (size_t i = 0; i < stagedCount; ++i)
            statesSent += job(i) ? 1 : 0;
    }
    else
    {
        if (!sendPool)
        {
            // The round thread and up to three helpers, half the machine's cores.
            const int cores = int(std::thread::hardware_concurrency());
            sendPool = std::make_unique<SendPool>(std::clamp(cores - 1, 0, 7));
        }
        statesSent += sendPool->send(stagedCount, job);
    }
    for (size_t i = 0; i < stagedCount; ++i)
        staged[i].packet.reset();
    stagedCount = 0;
}

// ---- the round thread ----

class GameStateUpdater : public StateUpdater
{
public:
    explicit GameStateUpdater(GameServer* server) : StateUpdater(server), game(server)
    {
        targetFps = 25;
        windowMs = 1000; // the maintenance tick, about once a second
        pauseMs = 10;    // the least rest between two rounds
    }

    void update(float dt) override { game->runTime += dt; }

    // After the server lock is released: the round's states go out.
    void postUpdate(float) override
    {
        game->sendStaged();
        const int64_t now = std::chrono::duration_cast<std::chrono::microseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count();
        game->recordRoundTime(
            {uint32_t(std::max<int64_t>(0, now - cycleStartUs)), uint32_t(lockWaitUs), uint32_t(lockHeldUs)});
        game->rounds += 1;
    }

    void onRateUpdate(float) override
    {
        game->lockServer();
        game->maintain(windowSeconds, fps);
        game->unlockServer();
    }

private:
    GameServer* game;
};

// ---- the server ----

GameServer::GameServer(const ServerSettings& s, ServerListener* l, uint32_t bindAddress)
    : TCPServer(s.port, 2, bindAddress), settings(s), listener(l)
{
    initMathTables(); // the aircraft turn with the shared tables
    settings.maxUsersPerGrp = std::clamp(settings.maxUsersPerGrp, 2, 16);
    if (settings.maxIdleTime < 1)
        settings.maxIdleTime = 10;
}

GameServer::~GameServer()
{
    stop();
    sendPool.reset();
    for (GameGroup* g : groups)
        delete g;
    for (GameUser* u : users)
        delete u;
}

void GameServer::setScenes(const std::vector<std::u16string>& names, const std::vector<bool>& water)
{
    sceneNames = names;
    sceneWater = water;
    sceneWater.resize(sceneNames.size(), false);
}

std::u16string GameServer::sceneName(int index) const
{
    return index >= 0 && index < sceneCount() ? sceneNames[size_t(index)] : std::u16string();
}

bool GameServer::startServer()
{
    if (!isListening())
        return false;
    runTime = 0.0f;
    start();
    return true;
}

void GameServer::log(const std::u16string& line)
{
    if (listener)
        listener->log(line);
}

GameUser* GameServer::addUser(const std::u16string& name, const std::u16string& password, GameClientHandler* handler)
{
    auto* user = new GameUser;
    user->name = name;
    user->password = password;
    user->handler = handler;
    handler->user = user;
    users.push_back(user);
    if (listener)
        listener->registryChanged();
    return user;
}

GameUser* GameServer::findUser(const std::u16string& name) const
{
    for (GameUser* u : users)
    {
        if (u->name == name)
            return u;
    }
    return nullptr;
}

GameGroup* GameServer::findGroup(const std::u16string& name) const
{
    for (GameGroup* g : groups)
    {
        if (g->name == name)
            return g;
    }
    return nullptr;
}

void GameServer::removeUser(GameUser* user)
{
    if (user->group)
        leaveGroup(user);
    eraseValue(users, user);
    if (user->handler)
        user->handler->user = nullptr;
    delete user;
    if (listener)
        listener->registryChanged();
}

bool GameServer::createGroup(const std::u16string& name, const std::u16string& creator, int scene, bool isDefault)
{
    if (findGroup(name) || scene < 0 || scene >= sceneCount())
        return false;
    if (!isDefault)
    {
        int created = 0;
        for (GameGroup* g : groups)
            created += g->isDefault ? 0 : 1;
        if (created >= kMaxCreatedGroups)
            return false;
    }
    groups.push_back(new GameGroup(this, name, creator, scene, isDefault, sceneWater[size_t(scene)]));
    if (listener)
        listener->registryChanged();
    return true;
}

bool GameServer::removeGroup(const std::u16string& name)
{
    GameGroup* g = findGroup(name);
    if (!g || !g->members.empty())
        return false;
    eraseValue(groups, g);
    delete g;
    if (listener)
        listener->registryChanged();
    return true;
}

Aircraft* GameServer::enterGroup(GameGroup* group, GameUser* user, int plane)
{
    if (!group || !user || user->group || int(group->members.size()) >= settings.maxUsersPerGrp)
        return nullptr;
    group->addEventList(user);
    user->planeIndex = plane;
    user->group = group;
    user->flying = false;
    Aircraft* leader = settings.formation && !group->aircraft.empty() ? group->aircraft.back() : nullptr;
    group->members.push_back(user);
    Aircraft* a = group->createAircraft(user, randomFloat(-800.0f, 800.0f), kStartY, randomFloat(-800.0f, 200.0f),
                                        kCeiling);
    if (leader)
    {
        // The same flight, moved to the leader's right (neither has a model).
        Vector3 right(kFormationSpacing, 0.0f, 0.0f), at;
        leader->flight.orientation.transformPointTo(right, at);
        a->flight = leader->flight;
        a->flight.orientation.setTranslation(at);
        a->flight.position = at;
        a->flight.previous = at;
        a->throttleNotch = leader->throttleNotch;
    }
    if (listener)
        listener->registryChanged();
    return a;
}

void GameServer::leaveGroup(GameUser* user)
{
    GameGroup* group = user->group;
    if (!group)
        return;
    user->group = nullptr;
    user->flying = false;
    eraseValue(group->members, user);
    group->removeAircraft(user->name);
    group->removeEventList(user);
    if (listener)
        listener->registryChanged();
}

void GameServer::dropUser(GameClientHandler* handler)
{
    GameUser* user = handler->user;
    if (!user)
        return;
    if (GameGroup* group = user->group)
    {
        PacketWriter leaving;
        writePlayerLeaving(leaving, user->name);
        for (size_t i = group->members.size(); i-- > 0;)
        {
            GameUser* member = group->members[i];
            if (member == user || !member->handler || !member->handler->isConnected())
                continue;
            member->flying = false;
            member->handler->idleRounds = 0;
            member->handler->sendPacket(leaving);
        }
    }
    removeUser(user);
}

bool GameServer::authenticate(const std::u16string& user, const std::u16string& password)
{
    std::lock_guard<std::mutex> hold(accountsLock);
    const std::u16string path = accountListPath();
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
    {
        accountsStamp.clear();
        return false; // no readable list: nobody passes
    }
    FindClose(search);
    const std::u16string stamp = os::format(u"%u:%u:%u:%u", found.nFileSizeHigh, found.nFileSizeLow,
                                            found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime);
    if (stamp != accountsStamp)
    {
        if (!accounts.read(path))
        {
            accountsStamp.clear();
            return false;
        }
        accountsStamp = stamp;
    }
    return accounts.passes(user, password);
}

void GameServer::applyControls(GameUser* user, float dt)
{
    Aircraft* a = user->aircraft;
    GameClientHandler* h = user->handler;
    if (!a || !h)
        return;
    const int32_t b = h->controls.keyBits;
    const float pi = 3.14159265f;
    a->roll((b & 4) && !(b & 8) ? -0.25f * pi : (b & 8) && !(b & 4) ? 0.25f * pi : 0.0f);
    a->pitch((b & 1) && !(b & 2) ? -0.2f * pi : (b & 2) && !(b & 1) ? 0.2f * pi : 0.0f);
    a->yaw((b & 16) && !(b & 32) ? 0.3f * pi : (b & 32) && !(b & 16) ? -0.3f * pi : 0.0f);
    if (b & 0x80C0)
    {
        a->addEvents(Aircraft::EventCanon);
        a->fireCanon(dt);
    }
    if (b & 0x4200)
        a->addEvents(Aircraft::EventFlare);
    if (b & 0x2100)
        a->addEvents(Aircraft::EventChaff);
    // A key code acts once: a late controls message does not repeat it.
    if (!h->keyCodeFresh)
        return;
    h->keyCodeFresh = false;
    if (a->state != Aircraft::Flying)
        return;
    const int32_t c = h->controls.keyCode;
    if (c == 107 || c == 109)
    {
        a->throttleNotch = std::clamp(a->throttleNotch + (c == 107 ? -1 : 1), 0, 4);
        a->setThrottle(2 - a->throttleNotch);
    }
    else if ((c == 36 || c == 196) && a->hasStations())
    {
        const int s = h->controls.station;
        Missile* m = a->stations[kStationRow[s]][kStationColumn[s]];
        if (m && m->state < Missile::Flying)
            a->launchMissile(m);
    }
}

void GameServer::collide(GameGroup* group)
{
    const float planeSize = aircraftConstants().planeSize;
    auto& list = group->aircraft;
    for (size_t ia = list.size(); ia-- > 0;)
    {
        Aircraft* a = list[ia];
        GameUser* shooter = ownerOf(a);
        for (size_t ib = list.size(); ib-- > 0;)
        {
            Aircraft* b = list[ib];
            if (b == a || b->state != Aircraft::Flying)
                continue;
            // A mid-air collision downs both and ends the pair's test: it
            // scores nothing.
            if (ib > ia && a->state == Aircraft::Flying)
            {
                Vector3 d;
                d.setDifference(a->position(), b->position());
                if (d.lengthSquared() < planeSize * planeSize)
                {
                    a->startFalling();
                    a->explode(0.0f, false);
                    b->startFalling();
                    b->explode(0.0f, false);
                    continue;
                }
            }
            for (Bullet* bullet : a->bullets)
            {
                if (bullet->active && Aircraft::roughDistance(bullet->base.position, b->position()) < b->hitRadius)
                {
                    if (shooter)
                        shooter->score += 1;
                    b->addEvents(Aircraft::EventDamage);
                    b->addDamage(1);
                    bullet->stop(); // a bullet scores once
                    break;
                }
            }
            for (auto& row : a->stations)
            {
                bool hit = false;
                for (Missile* m : row)
                {
                    if (!m || m->state != Missile::Flying || m->target != &b->flight)
                        continue;
                    float d = Aircraft::roughDistance(m->position(), b->position());
                    if (d < m->killRadius && !b->hasDecoyFor(m))
                    {
                        m->flight.orientation.copyFrom(b->flight.orientation);
                        m->flight.stop();
                        m->explode();
                        int points = randomInt(20, 100);
                        if (shooter)
                            shooter->score += points;
                        b->addDamage(points);
                        hit = true;
                        break;
                    }
                    if (d < 100.0f)
                        b->addEvents(m->kind == Missile::ShortRange ? Aircraft::EventHeatWarning
                                                                    : Aircraft::EventRadarWarning);
                }
                if (hit)
                    break;
            }
            if (b->damage >= 100 && b->state == Aircraft::Flying)
            {
                b->startFalling();
                b->explode(0.0f, false);
                if (shooter)
                    shooter->score += 100;
            }
        }
    }
}

void GameServer::takeControls()
{
    for (GameUser* user : users)
    {
        GameClientHandler* h = user->handler;
        if (!h)
            continue;
        const GameClientHandler::Inbox in = h->takeInbox();
        if (in.count == 0)
            continue;
        // What each controls message did, for all of them at once.
        user->flying = true;
        h->idleRounds = std::max(h->idleRounds - in.count, 0);
        h->controls = in.controls;
        h->controls.keyCode = in.keyCode;
        if (in.keyCode != 0)
            h->keyCodeFresh = true;
        if (Aircraft* a = user->aircraft)
        {
            a->controlWords[0] = in.controls.keyBits;
            a->controlWords[1] = in.keyCode;
            a->controlWords[2] = in.controls.station;
            a->flaresInAir = in.controls.flaresInAir;
            a->chaffInAir = in.controls.chaffInAir;
        }
    }
}

void GameServer::update(float dt)
{
    takeControls();
    for (size_t gi = groups.size(); gi-- > 0;)
    {
        GameGroup* group = groups[gi];
        for (size_t i = group->aircraft.size(); i-- > 0;)
        {
            Aircraft* a = group->aircraft[i];
            a->update(dt);
            if (GameUser* user = ownerOf(a))
                applyControls(user, dt);
        }
        collide(group);
        group->buildStatePacket();
        for (GameUser* member : group->members)
        {
            PtrVector* list = group->eventsOf(member);
            for (int k = list ? std::min(list->size(), int(group->aircraft.size())) : 0; k-- > 0;)
                setEventWord(list, k, eventWord(list, k) | group->aircraft[size_t(k)]->events);
        }
    }
}

void GameServer::maintain(float elapsedSeconds, int fps)
{
    if (phase == 0 && listener)
        listener->tick(runTime, std::min(fps, 99));
    bool removed = false;
    for (size_t gi = groups.size(); gi-- > 0;)
    {
        GameGroup* g = groups[gi];
        if (!g->members.empty())
        {
            g->idleSeconds = 0.0f;
            continue;
        }
        g->idleSeconds += elapsedSeconds;
        if (!g->isDefault && g->idleSeconds > float(settings.maxIdleTime) * 60.0f)
        {
            groups.erase(groups.begin() + long(gi));
            delete g;
            removed = true;
        }
    }
    for (GameGroup* g : groups)
    {
        for (size_t i = g->aircraft.size(); i-- > 0;)
        {
            Aircraft* a = g->aircraft[i];
            if (a->state != Aircraft::Flying || !a->hasStations())
                continue;
            for (auto& row : a->stations)
                for (Missile* m : row)
                    if (m && m->state < Missile::Flying)
                        m->state = Missile::Idle;
            for (size_t j = g->aircraft.size(); j-- > 0;)
            {
                if (j != i && g->aircraft[j]->state == Aircraft::Flying)
                    a->acquireTarget(g->aircraft[j]);
            }
        }
    }
    phase = (phase + 1) % 3;
    if (removed && listener)
        listener->registryChanged();
}

void GameServer::onEvent(int event, TCPClientHandler* handler)
{
    switch (event)
    {
    case ServerStarted:
    {
        SYSTEMTIME t{};
        GetLocalTime(&t);
        log(os::format(u"Game server started at:  %04d/%02d/%02d, %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour,
                       t.wMinute, t.wSecond));
        log(u"=======================================");
        if (listener)
            listener->registryChanged();
        break;
    }
    case ServerStopped:
        log(u"Game server termintaed");
        break;
    case HandlerCreated:
        log(os::format(u"Client from %s Connected.", handler->getPeerAddress()));
        break;
    case HandlerEnded:
        lockServer();
        dropUser(static_cast<GameClientHandler*>(handler));
        log(os::format(u"Client from %s Disconnected.", handler->getPeerAddress()));
        unlockServer();
        break;
    default:
        break;
    }
}

void GameServer::onNotice(Notice notice, TCPClientHandler* handler, int value)
{
    const WCHAR* peer = handler ? handler->getPeerAddress() : u"";
    switch (notice)
    {
    case Notice::AcceptFailed:
        log(os::format(u"Accepting a connection failed (error %d); the server tries again.", value));
        break;
    case Notice::AcceptResumed:
        log(os::format(u"Accepting connections again after %d failed attempts.", value));
        break;
    case Notice::WrongHead:
        log(u"Server got a wrong TCP Packet Head from client.");
        break;
    case Notice::MessageTimedOut:
        log(os::format(u"Client from %s left a message unfinished: the connection is closed.", peer));
        break;
    case Notice::LogOnTimedOut:
        log(os::format(u"Client from %s did not log on in time: the connection is closed.", peer));
        break;
    case Notice::TooManyWaiting:
        log(os::format(u"Too many connections wait to log on: the oldest from %s is closed.", peer));
        break;
    case Notice::IdleTimedOut:
        log(os::format(u"User from %s sent nothing for %d s outside a game group: the connection is closed.", peer,
                       int(getIdleLimit() / 1000)));
        break;
    case Notice::MadeRoom:
        log(os::format(u"The server is full and %s holds the most users (%d): its longest-idle user is closed to let "
                       u"a user from another address log on.",
                       peer, value));
        break;
    case Notice::QueueFull:
        log(os::format(u"Client from %s does not take its messages: the connection is closed.", peer));
        break;
    }
}

TCPClientHandler* GameServer::createHandler(Socket* socket)
{
    return new GameClientHandler(this, socket);
}

StateUpdater* GameServer::createStateUpdater()
{
    return new GameStateUpdater(this);
}

std::vector<GroupView> GameServer::viewGroups()
{
    std::vector<GroupView> out;
    lockServer();
    for (GameGroup* g : groups)
    {
        GroupView v{g->name, g->creator, sceneName(g->sceneIndex), g->created, {}};
        for (GameUser* u : g->members)
            v.members.push_back(u->name);
        out.push_back(std::move(v));
    }
    unlockServer();
    return out;
}

UserView GameServer::viewUser(const std::u16string& name)
{
    UserView v;
    lockServer();
    if (GameUser* u = findUser(name))
    {
        v.name = u->name;
        v.score = u->score;
        v.fps = u->handler ? u->handler->getFrameTimer().fps : 0;
    }
    unlockServer();
    return v;
}

void GameServer::recordRoundTime(RoundTime time)
{
    ScopedLock hold(statsLock);
    if (roundTimes.size() < size_t(kRoundSamples))
        roundTimes.push_back(time);
    else
        roundTimes[roundTimeNext++ % size_t(kRoundSamples)] = time;
}

std::vector<GameServer::RoundTime> GameServer::takeRoundTimes()
{
    ScopedLock hold(statsLock);
    std::vector<RoundTime> out;
    out.swap(roundTimes);
    roundTimeNext = 0;
    return out;
}

// ---- one connection ----

GameClientHandler::GameClientHandler(GameServer* server, Socket* socket) : TCPClientHandler(server, socket) {}

GameClientHandler::~GameClientHandler()
{
    stop();
}

bool GameClientHandler::onPacket(Socket& socket)
{
    ClientMessage message;
    if (!readClientMessage(socket, message))
        return false;
    return handle(message);
}

void GameClientHandler::answer(const PacketWriter& packet)
{
    sendPacket(packet);
}

bool GameClientHandler::logOn(const ClientMessage& m)
{
    GameServer* server = gameServer();
    PacketWriter out;
    const WCHAR* refusal = nullptr;
    std::u16string wrongGame;
    if (user)
        refusal = kLogOnDuplicate; // one user per connection
    else if (m.gameId != kGameId)
    {
        wrongGame = os::format(kLogOnWrongGame, m.gameId.c_str());
        refusal = wrongGame.c_str();
    }
    else if (!isAcceptableName(m.user))
        refusal = kLogOnBadName;
    else if (server->findUser(m.user))
        refusal = kLogOnDuplicate;
    else if (server->getSettings().authenticate && !server->authenticate(m.user, m.password))
        refusal = kLogOnNotAuthenticated;
    else if (!server->hasRoomToAdmit())
        refusal = kLogOnNoRoom;
    if (refusal)
    {
        writeTextAnswer(out, CmdLogOnAnswer, refusal);
        answer(out);
        return true;
    }
    server->addUser(m.user, m.password, this);
    clearInbox();
    admit();
    server->log(os::format(u"User from %s logged on.", getPeerAddress()));
    writeTextAnswer(out, CmdLogOnAnswer, kLogOnAccepted);
    answer(out);
    return true;
}

GameClientHandler::Inbox GameClientHandler::takeInbox()
{
    std::lock_guard<std::mutex> hold(inboxLock);
    Inbox taken = inbox;
    inbox.count = 0;
    inbox.keyCode = 0;
    return taken;
}

void GameClientHandler::clearInbox()
{
    std::lock_guard<std::mutex> hold(inboxLock);
    inbox = Inbox{};
}

void GameClientHandler::receiveControls(const Controls& received)
{
    Controls c = received;
    if (c.station < 0 || c.station >= kStations)
    {
        c.station = 0;
        c.keyCode = 0; // no launch from a station that does not exist
    }
    c.flaresInAir = std::clamp(c.flaresInAir, 0, kMaxPool);
    c.chaffInAir = std::clamp(c.chaffInAir, 0, kMaxPool);
    std::lock_guard<std::mutex> hold(inboxLock);
    inbox.count += 1;
    inbox.controls = c;
    if (c.keyCode != 0)
        inbox.keyCode = c.keyCode; // a key not yet acted on is kept
}

bool GameClientHandler::handle(const ClientMessage& m)
{
    // The controls of every round take no server lock: the next round
    // takes them from the inbox. Only this thread sets or clears `user`.
    if (m.command == CmdControls)
    {
        if (user)
            receiveControls(m.controls);
        return true;
    }
    GameServer* server = gameServer();
    lockServer();
    struct Unlock
    {
        GameClientHandler* h;
        ~Unlock() { h->unlockServer(); }
    } unlock{this};

    PacketWriter out;
    switch (m.command)
    {
    case CmdLogOn:
        return logOn(m);
    case CmdLogOff:
        writeLogOffAnswer(out);
        answer(out);
        if (user)
        {
            server->log(os::format(u"User from %s logged off.", getPeerAddress()));
            server->dropUser(this);
        }
        return true;
    case CmdGroupList:
    {
        std::vector<GroupEntry> list;
        if (user)
        {
            for (GameGroup* g : server->getGroups())
            {
                if (g->sceneIndex == m.scene)
                    list.push_back({g->name, g->creator, int16_t(g->members.size())});
            }
        }
        writeGroupListAnswer(out, list);
        answer(out);
        return true;
    }
    case CmdNewGroup:
    {
        bool added = user && isAcceptableName(m.group) && server->createGroup(m.group, user->name, m.scene, false);
        writeTextAnswer(out, CmdNewGroupAnswer, added ? kGroupAdded : kGroupNotAdded);
        answer(out);
        return true;
    }
    case CmdEnterGroup:
    {
        // The connection's own user enters, whatever name the message holds.
        GameGroup* group = server->findGroup(m.group);
        Aircraft* a = nullptr;
        if (user && m.plane >= 0 && m.plane < server->getPlaneCount())
            a = server->enterGroup(group, user, m.plane);
        if (!a)
        {
            writeEnterAnswer(out, kGroupNotEntered, {});
            answer(out);
            return true;
        }
        std::vector<MemberEntry> members;
        for (size_t i = group->members.size(); i-- > 0;)
            members.push_back({group->members[i]->name, int16_t(group->members[i]->planeIndex), kListedPosition});
        writeEnterAnswer(out, kGroupEntered, members);
        answer(out);
        PacketWriter entering;
        const Vector3& at = a->position();
        writePlayerEntering(entering, user->name, int16_t(user->planeIndex), Vec3{at.x, at.y, at.z});
        for (size_t i = group->members.size(); i-- > 0;)
        {
            GameUser* member = group->members[i];
            if (member == user || !member->handler || !member->handler->isConnected())
                continue;
            member->flying = false;
            member->handler->idleRounds = 0;
            member->handler->sendPacket(entering);
        }
        return true;
    }
    case CmdMissilePositions:
    {
        // The places become the translations of the sender's missiles'
        // matrices. The next round steps the aircraft first, which sets every
        // riding missile from its aircraft and station (and a launched one
        // from its own flight) before its controls can launch anything: a
        // place shows until then at most, and a launch starts from the
        // station where the aircraft is now. Only the sender's own aircraft
        // takes places, and only finite ones (a place that is not a number
        // would stay on a missile that has gone off and reach every member).
        if (!user || !user->aircraft || m.pilot != user->name)
            return true;
        Aircraft* a = user->aircraft;
        for (int i = 0; i < kStations; ++i)
        {
            Missile* missile = a->stations[i / 4][i % 4];
            const Vec3& v = m.missilePositions[size_t(i)];
            if (missile && finite(v))
                missile->flight.orientation.setTranslation(Vector3(v.x, v.y, v.z));
        }
        user->flying = true;
        return true;
    }
    case CmdNotFlying:
        if (user)
        {
            clearInbox(); // controls received before it do not fly the user again
            user->flying = false;
        }
        return true;
    default:
        return false;
    }
}

bool GameClientHandler::wantsUpdate()
{
    return user && user->flying && user->group && isConnected();
}

void GameClientHandler::update(float)
{
    GameGroup* group = user->group;
    idleRounds += 1;
    if (idleRounds > idleLimit)
        user->flying = false; // this message still goes out
    // The user's words go into this round's message and start again from 0.
    group->takeEvents(user, group->statePacket ? &gameServer()->stageStates(this, group->statePacket) : nullptr);
}

bool GameClientHandler::sendStates(const StatePacket& packet, const std::vector<int32_t>& events)
{
    return sendWith(packet.bytes.size(), [&packet, &events](uint8_t* out) {
        std::copy(packet.bytes.begin(), packet.bytes.end(), out);
        for (size_t k = 0; k < packet.eventOffsets.size() && k < events.size(); ++k)
            writeLE32(out + packet.eventOffsets[k], uint32_t(events[k]));
    });
}

} // namespace skyrend::mp
