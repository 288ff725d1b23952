// flight_link.h -- between the client session's receive thread and a
// multiplayer flight on the user-interface thread
//
// The receive thread hands every flight message to the link: it answers
// each states message at once with the controls the flight last set (a
// released key goes out once), and queues the states and the players
// entering and leaving; the window is posted one message for whatever is
// queued. The user-interface thread takes the queue and runs it on the
// flight, one frame per states message taken. States that arrive while
// earlier ones still wait are merged into them (the newest places, the
// event bits of both), so a slow frame never lets the queue grow and no
// event is lost. Set on the session before a group is entered, the link
// keeps what comes while the flight is being built.
#pragma once

#include "games/skyrend/multiplayer/client_session.h"

#include <functional>
#include <mutex>
#include <variant>
#include <vector>

namespace skyrend {

class FlightLink : public mp::SessionFlight
{
public:
    struct Entering
    {
        std::u16string name;
        int16_t plane = 0;
        mp::Vec3 position;
    };
    struct Leaving
    {
        std::u16string name;
    };
    using States = std::vector<mp::AircraftState>;
    using Item = std::variant<States, Entering, Leaving>;

    // post: called (on the receive thread) when the queue turns non-empty.
    explicit FlightLink(std::function<void()> post);

    // The user-interface thread: this frame's controls (a key code of 0
    // keeps one not sent yet).
    void setControls(const mp::Controls& controls);
    // Everything queued, in order; the next message posts again.
    std::vector<Item> take();

    // The receive thread.
    mp::Controls currentControls() override;
    void onStates(const std::vector<mp::AircraftState>& states) override;
    void onPlayerEnter(const std::u16string& name, int16_t plane, const mp::Vec3& position) override;
    void onPlayerLeave(const std::u16string& name) override;

private:
    void push(Item item);
    void pushLocked(Item item); // under lock

    std::function<void()> post;
    std::mutex lock;
    mp::Controls controls;
    std::vector<Item> queue;
    bool posted = false;
};

} // namespace skyrend
