// flight_link.cpp -- the queue of flight messages and the controls that answer states
#include "games/skyrend/flight_link.h"

namespace skyrend {

FlightLink::FlightLink(std::function<void()> poster) : post(std::move(poster)) {}

void FlightLink::setControls(const mp::Controls& next)
{
    std::lock_guard<std::mutex> hold(lock);
    const int32_t unsent = controls.keyCode;
    controls = next;
    if (controls.keyCode == 0)
        controls.keyCode = unsent;
}

mp::Controls FlightLink::currentControls()
{
    std::lock_guard<std::mutex> hold(lock);
    mp::Controls now = controls;
    controls.keyCode = 0; // a released key acts once
    return now;
}

std::vector<FlightLink::Item> FlightLink::take()
{
    std::lock_guard<std::mutex> hold(lock);
    std::vector<Item> taken;
    taken.swap(queue);
    posted = false;
    return taken;
}

void FlightLink::onStates(const std::vector<mp::AircraftState>& states)
{
    std::lock_guard<std::mutex> hold(lock);
    if (!queue.empty())
        if (auto* waiting = std::get_if<States>(&queue.back()))
        {
            // The newest places; the events of the frame not yet run kept.
            States merged = states;
            for (mp::AircraftState& s : merged)
                for (const mp::AircraftState& old : *waiting)
                    if (old.pilot == s.pilot)
                    {
                        s.block.events |= old.block.events;
                        break;
                    }
            *waiting = std::move(merged);
            return;
        }
    pushLocked(states);
}

void FlightLink::push(Item item)
{
    std::lock_guard<std::mutex> hold(lock);
    pushLocked(std::move(item));
}

void FlightLink::pushLocked(Item item)
{
    queue.push_back(std::move(item));
    if (!posted && post)
    {
        posted = true;
        post();
    }
}

void FlightLink::onPlayerEnter(const std::u16string& name, int16_t plane, const mp::Vec3& position)
{
    push(Entering{name, plane, position});
}

void FlightLink::onPlayerLeave(const std::u16string& name)
{
    push(Leaving{name});
}

} // namespace skyrend
