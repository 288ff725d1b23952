// gates_test.cpp -- checkpoints, start and finish lines stand on the road
#include <gtest/gtest.h>

#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/level.h"
#include "stage_fixture.h"

namespace {

// A gate made at height y over the west side of the ring, visible
Entity* GateAt(int32_t c, Behaviour* node, int32_t y)
{
    Entity* e = AllocEntity();
    e->classNumber = c;
    e->behaviour = node;
    SendClassMessage(c, nullptr, kMsgLoad);
    e->orientation.t[0] = -20000;
    e->orientation.t[1] = y;
    e->orientation.t[2] = -12000;
    SendClassMessage(c, e, kMsgCreate);
    e->visible = 1;
    return e;
}

TEST(Gates, SeatedWhileSeenUnlessUnboundOrHeldByBehaviour13)
{
    StartProgram();
    ResetAllEntities();
    const int32_t ground = ProbeGround(-20000, -12000).height;
    ASSERT_NE(-1, ground);
    Behaviour racing;
    racing.behaviourNumber = 19;
    Behaviour held;
    held.behaviourNumber = 13;
    struct
    {
        Behaviour* node;
        bool seated;
    } cases[] = {{&racing, true}, {&held, false}, {nullptr, false}};
    for (auto c : cases)
    {
        for (int32_t gate = 1; gate <= 5; ++gate)
        {
            // Made 2000 above the road, it stays where it was put until seen
            const int32_t lifted = ground - 2000;
            Entity* e = GateAt(gate, c.node, lifted);
            EXPECT_EQ(lifted, e->Y()) << gate << ": made where the level put it";
            SendClassMessage(gate, e, kMsgVisibleStep);
            if (c.seated)
            {
                EXPECT_GT(e->Y(), lifted) << gate;
            }
            else
            {
                EXPECT_EQ(lifted, e->Y()) << gate;
            }
            // Off screen it stands upright where it is
            e->visible = 0;
            const int32_t before = e->Y();
            SendClassMessage(gate, e, kMsgVisibleStep);
            EXPECT_EQ(before, e->Y()) << gate;
            EXPECT_EQ(1, SendClassMessage(gate, nullptr, kMsgKind));
            MakeInert(e);
        }
    }
    ResetAllEntities();
}

} // namespace
