// client_reader_fuzz.cpp -- arbitrary bytes as what the game server sends:
// the game's receive path reads message after message (the packet head,
// then the message) and its session acts on each, handing states and
// players entering and leaving to the flight's link, until the reader
// refuses the stream. Nothing may crash. The session and the link are made
// once; each input leaves them as it found them (notices and queued flight
// messages taken).
#include "games/skyrend/flight_link.h"
#include "games/skyrend/multiplayer/client_session.h"
#include "games/skyrend/multiplayer/protocol.h"

#include <cstddef>
#include <cstdint>

using namespace skyrend::mp;

namespace {

struct Reader
{
    ClientSession session;
    skyrend::FlightLink link{nullptr};
    Reader() { session.setFlight(&link); }
};

Reader& reader()
{
    static Reader* r = new Reader; // lives for the process: no receive thread ever starts
    return *r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader& r = reader();
    MemoryReader in(data, size);
    for (int i = 0; i < 256; ++i)
    {
        int16_t head = 0;
        ServerMessage message;
        if (!in.readShort(head) || head != kHead || !readServerMessage(in, message))
            break;
        r.session.lockData();
        const bool goOn = r.session.handle(std::move(message));
        r.session.unlockData();
        if (!goOn)
            break;
    }
    r.session.takeNotices();
    r.link.take();
    return 0;
}
