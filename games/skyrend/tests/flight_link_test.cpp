// flight_link_test.cpp -- the queue between the session's receive thread
// and a group's flight: one post for whatever waits, states merged with
// their events kept, players in order, a released key sent once.
#include "games/skyrend/flight_link.h"

#include <gtest/gtest.h>

namespace skyrend {
namespace {

mp::AircraftState state(const char16_t* pilot, float x, int32_t events)
{
    mp::AircraftState s;
    s.pilot = pilot;
    s.block.orientation[3] = x;
    s.block.events = events;
    return s;
}

TEST(FlightLink, QueuesInOrderMergesStatesAndPostsOncePerTake)
{
    int posts = 0;
    FlightLink link([&] { ++posts; });
    link.onPlayerEnter(u"<bob>", 1, {1, 2, 3});
    link.onStates({state(u"<alice>", 1, 1), state(u"<bob>", 1, 4)});
    // A second states message before the flight ran the first: the newest
    // places, the events of both.
    link.onStates({state(u"<alice>", 2, 8), state(u"<bob>", 2, 0)});
    EXPECT_EQ(posts, 1);

    std::vector<FlightLink::Item> items = link.take();
    ASSERT_EQ(items.size(), 2u);
    const auto* entering = std::get_if<FlightLink::Entering>(&items[0]);
    ASSERT_TRUE(entering);
    EXPECT_EQ(entering->name, u"<bob>");
    EXPECT_EQ(entering->plane, 1);
    const auto* states = std::get_if<FlightLink::States>(&items[1]);
    ASSERT_TRUE(states);
    ASSERT_EQ(states->size(), 2u);
    EXPECT_EQ((*states)[0].block.orientation[3], 2.0f);
    EXPECT_EQ((*states)[0].block.events, 1 | 8);
    EXPECT_EQ((*states)[1].block.events, 4);

    // States after a player change are not merged across it.
    link.onStates({state(u"<alice>", 3, 0)});
    link.onPlayerLeave(u"<bob>");
    link.onStates({state(u"<alice>", 4, 0)});
    EXPECT_EQ(posts, 2);
    items = link.take();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_TRUE(std::holds_alternative<FlightLink::Leaving>(items[1]));
    EXPECT_TRUE(link.take().empty());
}

TEST(FlightLink, AReleasedKeyIsSentOnceAndKeptUntilSent)
{
    FlightLink link(nullptr);
    mp::Controls c;
    c.keyBits = 64;
    c.keyCode = 107;
    c.station = 3;
    link.setControls(c);
    // The next frame has no released key: the unsent one stays.
    c.keyCode = 0;
    c.keyBits = 0;
    link.setControls(c);
    mp::Controls sent = link.currentControls();
    EXPECT_EQ(sent.keyCode, 107);
    EXPECT_EQ(sent.keyBits, 0);
    EXPECT_EQ(sent.station, 3);
    sent = link.currentControls();
    EXPECT_EQ(sent.keyCode, 0) << "a key acts once";
    EXPECT_EQ(sent.station, 3);
}

} // namespace
} // namespace skyrend
