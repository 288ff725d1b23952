// server_reader_fuzz.cpp -- arbitrary bytes as what a client sends after the
// packet head: messages are read one after another and acted on by a game
// server's connection (log-on, groups, entering, missiles, controls), with a
// round and a maintenance tick after each, until the reader refuses the
// stream. Nothing may crash, and the registry must stay consistent.
#include "games/skyrend/multiplayer/game_server.h"

#include "games/skyrend/flight/aircraft.h"

#include <os/winsock.h>

#include <cstddef>
#include <cstdint>

using namespace skyrend::mp;

namespace {

GameServer& server()
{
    static GameServer* s = [] {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 0), &data);
        ServerSettings settings;
        settings.port = 0;
        auto* made = new GameServer(settings, nullptr, INADDR_LOOPBACK);
        made->setScenes({u"demo", u"sea"}, {false, true});
        made->setPlaneCount(2);
        made->lockServer();
        made->createGroup(u"demo Default Group", u"ZEDEdorid", 0, true);
        made->unlockServer();
        return made;
    }();
    return *s;
}

void checkConsistent(GameServer& s)
{
    for (GameGroup* g : s.getGroups())
    {
        if (g->members.size() != g->aircraft.size() || int(g->members.size()) > s.getSettings().maxUsersPerGrp)
            __builtin_trap();
        for (GameUser* u : g->members)
            if (u->group != g || g->pendingEventsOf(u).size() != g->aircraft.size())
                __builtin_trap();
    }
    if (s.getGroups().size() > size_t(kMaxCreatedGroups + 1))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    GameServer& s = server();
    auto* handler = new GameClientHandler(&s, new Socket());
    MemoryReader in(data, size);
    for (int i = 0; i < 64; ++i)
    {
        ClientMessage message;
        if (!readClientMessage(in, message) || !handler->handle(message))
            break;
        s.lockServer();
        s.update(0.04f);
        if (handler->user && handler->user->group)
            handler->update(0.04f);
        s.sendStaged();
        s.maintain(1.0f, 25);
        checkConsistent(s);
        s.unlockServer();
    }
    s.lockServer();
    s.dropUser(handler);
    checkConsistent(s);
    s.unlockServer();
    delete handler;
    return 0;
}
