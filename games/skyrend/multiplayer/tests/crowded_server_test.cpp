// crowded_server_test.cpp -- a full server whose users nearly all come from
// one address, which keeps them alive: users from other addresses still log
// on, in the places of that address's longest-idle users
#include "games/skyrend/multiplayer/tests/server_fixture.h"

using namespace skyrend::mp;
using namespace skyrend::mp::testing;

namespace {

std::u16string numbered(const char16_t* stem, size_t i)
{
    return u"<" + std::u16string(stem) + std::u16string(1, char16_t(u'0' + i)) + u">";
}

} // namespace

// Six places (ten connections, four kept for log-ons), all held by a crowd
// from 127.0.0.2 whose users ask for the group list, the idlest in an order
// other than that of their log-ons. Users from 127.0.0.3 log on up to half
// of the places, each closing the crowd's longest-idle user; past that half,
// and for the crowd, the answer is "no room".
TEST_F(ServerTest, ACrowdFromOneAddressCannotKeepAnotherAddressOut)
{
    const uint32_t crowdAddress = 0x7F000002, otherAddress = 0x7F000003;
    logOnLimitMs = 20000;
    messageLimitMs = 10000;
    maxWaiting = 4;
    maxConnections = 10;
    startServer();

    std::vector<std::unique_ptr<ScriptClient>> crowd;
    for (size_t i = 0; i < 6; ++i)
    {
        crowd.push_back(std::make_unique<ScriptClient>(port, 0, crowdAddress));
        ASSERT_EQ(crowd.back()->logOn(numbered(u"crowd", i)), kLogOnAccepted) << i;
    }
    for (size_t i : {3, 4, 5, 0, 1, 2})
        ASSERT_EQ(crowd[i]->groups(0).size(), 1u) << i;

    ScriptClient crowdLate(port, 0, crowdAddress);
    std::vector<std::unique_ptr<ScriptClient>> others;
    for (size_t i = 0; i < 3; ++i)
    {
        others.push_back(std::make_unique<ScriptClient>(port, 0, otherAddress));
        ASSERT_EQ(others.back()->logOn(numbered(u"other", i)), kLogOnAccepted) << i;
        EXPECT_TRUE(crowd[3 + i]->closedByServer()) << i;
        if (i == 1)
        {
            EXPECT_EQ(crowdLate.logOn(u"<crowdLate>"), kLogOnNoRoom);
        }
    }
    ScriptClient otherLate(port, 0, otherAddress);
    EXPECT_EQ(otherLate.logOn(u"<otherLate>"), kLogOnNoRoom);
    EXPECT_EQ(crowdLate.logOn(u"<crowdLate>"), kLogOnNoRoom);

    EXPECT_EQ(listener.count(u"127.0.0.2 holds the most users"), 3);
    // The closed users go with their connections' threads, a moment later.
    auto present = [&](const std::u16string& name) { return server->viewUser(name).name == name; };
    EXPECT_TRUE(eventually([&] { return !present(u"<crowd3>") && !present(u"<crowd4>") && !present(u"<crowd5>"); }));
    EXPECT_FALSE(present(u"<crowdLate>") || present(u"<otherLate>"));
    for (size_t i = 0; i < 3; ++i)
    {
        EXPECT_TRUE(present(numbered(u"crowd", i)) && present(numbered(u"other", i))) << i;
        EXPECT_EQ(crowd[i]->groups(0).size(), 1u) << i;
        EXPECT_EQ(others[i]->groups(0).size(), 1u) << i;
    }
}
