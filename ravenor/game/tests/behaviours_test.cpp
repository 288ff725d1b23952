// behaviours_test.cpp -- node records: triggers, rules, the objectives'
// clocks and counts, delays and the behaviour numbers a stage uses
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "os/testing/sound.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/behaviours/behaviours.h"
#include "ravenor/game/behaviours/objectives.h"
#include "ravenor/game/classes/car_classes.h"
#include "ravenor/game/stage/game_step.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/hud.h"
#include "ravenor/game/world/stage_state.h"
#include "stage_fixture.h"

namespace {

namespace spy = os::sound::test;

// A level of hand-made records, run sweep by sweep at the standard speed
class BehaviourTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        StartProgram();
        FreshLevel();
    }

    // The last case's world cleared (its sounds stopped), an empty level of
    // its own and a stage at its start, for each case of a table (the
    // program's start-up load stays: it is the same for all)
    void FreshLevel()
    {
        ClearWorld();
        g_stage.level = std::make_unique<LevelBlock>();
        g_stage.state = 0;
        g_entityWorld.player = nullptr;
        g_stage.controlsLive = false;
        g_entityWorld.trafficLimit = 0;
        g_stage.pendingBonus = 0;
        ResetBehaviours();
        ResetGameStep();
    }
    void TearDown() override
    {
        ResetAllEntities();
        g_stage.level.reset();
        g_entityWorld.player = nullptr;
        g_stage.state = 0;
    }

    Behaviour* Node(int32_t classNumber, int32_t behaviourNumber)
    {
        g_stage.level->nodes.push_back(std::make_unique<Behaviour>());
        Behaviour* node = g_stage.level->nodes.back().get();
        node->classNumber = classNumber;
        node->behaviourNumber = behaviourNumber;
        return node;
    }

    static void Sweep(int count = 1)
    {
        for (int i = 0; i < count; ++i)
        {
            ++g_stage.frames;
            SweepEntities();
        }
    }

    // A player car (class 55) standing at (x, z), visible
    Entity* Player(int32_t x, int32_t z)
    {
        SendClassMessage(55, nullptr, kMsgLoad);
        Entity* p = AllocEntity();
        p->classNumber = 55;
        p->orientation.t[0] = x;
        p->orientation.t[2] = z;
        p->orientation.t[1] = ProbeGround(x, z).height;
        SendClassMessage(55, p, kMsgCreate);
        p->update = [](Entity*) {};
        p->visible = 1;
        g_entityWorld.player = p;
        return p;
    }

    // A coordinate list of two world points (already converted)
    CoordList* Path(int32_t x0, int32_t z0, int32_t x1, int32_t z1)
    {
        g_stage.level->lists.push_back(std::make_unique<CoordList>());
        CoordList* list = g_stage.level->lists.back().get();
        const int32_t y0 = ProbeGround(x0, z0).height;
        const int32_t y1 = ProbeGround(x1, z1).height;
        list->words = {x0, y0, z0, x1, y1, z1, kLevelEnd, 0, 0};
        list->converted = true;
        return list;
    }

    static Link To(Behaviour* node)
    {
        Link link;
        link.node = node;
        link.value = 1000;
        return link;
    }
    static Link Value(int32_t v)
    {
        Link link;
        link.value = v;
        return link;
    }
    // A section 6 trigger: the record done fires the stage target
    static void WhenDone(Behaviour* node, int32_t stageTarget)
    {
        TriggerRecord trigger;
        trigger.conditions[0] = To(node);
        for (int k = 1; k < 5; ++k)
            trigger.conditions[k] = Value(1);
        trigger.target = Value(stageTarget);
        g_stage.level->triggers[1].push_back(trigger);
    }
};

// Five groups of five words: a group holds when all five hold; the trigger
// fires when any group holds. A record word holds once its record is done.
TEST_F(BehaviourTest, TriggerTruthTable)
{
    enum Word { kOne, kZero, kDone, kPending, kThree };
    struct Case
    {
        const char* what;
        Word group[5];
        bool fires;
    };
    const Case cases[] = {
        {"five ones", {kOne, kOne, kOne, kOne, kOne}, true},
        {"one zero", {kOne, kOne, kZero, kOne, kOne}, false},
        {"a done record", {kDone, kOne, kOne, kOne, kOne}, true},
        {"a record not done", {kOne, kPending, kOne, kOne, kOne}, false},
        {"two records, one not done", {kDone, kPending, kOne, kOne, kOne}, false},
        {"a value other than 0 and 1", {kOne, kOne, kOne, kOne, kThree}, false},
    };
    for (const Case& c : cases)
    {
        // The case's group in each of the five places, the others holding a 0
        for (int place = 0; place < 5; ++place)
        {
            FreshLevel();
            Behaviour* done = Node(12, 3);
            done->done = 1;
            Behaviour* pending = Node(12, 3);
            Behaviour* target = Node(26, 3);
            TriggerRecord trigger;
            for (int k = 0; k < 25; ++k)
                trigger.conditions[k] = Value(k % 5 == 0 ? 0 : 1);
            for (int k = 0; k < 5; ++k)
            {
                const Link words[] = {Value(1), Value(0), To(done), To(pending), Value(3)};
                trigger.conditions[5 * place + k] = words[c.group[k]];
            }
            trigger.target = To(target);
            g_stage.level->triggers[1].push_back(trigger);
            EvaluateSections();
            EXPECT_EQ(c.fires, target->active == 1) << c.what << ", group " << place;
            EXPECT_EQ(c.fires, g_stage.level->triggers[1][0].fired == 1) << c.what << ", group " << place;
        }
    }
}

// Section 6 fires once; section 5 each time its conditions hold (a target
// already active is skipped).
TEST_F(BehaviourTest, SectionSixFiresOnceSectionFiveAgain)
{
    for (int section : {0, 1})
    {
        FreshLevel();
        Behaviour* target = Node(26, 3);
        TriggerRecord trigger;
        for (int k = 0; k < 25; ++k)
            trigger.conditions[k] = Value(k < 5 ? 1 : 0);
        trigger.target = To(target);
        g_stage.level->triggers[section].push_back(trigger);
        int created = 0;
        for (int round = 0; round < 3; ++round)
        {
            EvaluateSections();
            if (target->active)
            {
                ++created;
                MakeInert(target->entity);
                target->active = 0;
                target->entity = nullptr;
            }
        }
        EXPECT_EQ(section == 0 ? 3 : 1, created) << "section " << section + 5;
    }
}

// Target 2 completes the stage (17), 3 starts its finishing phase (16) with
// the jeer, each only while the stage state is 0.
TEST_F(BehaviourTest, TargetsSetTheStageState)
{
    struct Case
    {
        int32_t before;
        int32_t target;
        int32_t after;
        bool jeer;
    };
    const Case cases[] = {{0, 2, 17, false}, {0, 3, 16, true}, {16, 2, 16, false}, {17, 3, 17, false}, {0, 0, 0, false}};
    for (const Case& c : cases)
    {
        FreshLevel();
        spy::reset_spy();
        g_stage.state = c.before;
        FireTarget(Value(c.target));
        EXPECT_EQ(c.after, g_stage.state) << c.before << " " << c.target;
        EXPECT_EQ(c.jeer ? 1 : 0, spy::open_count()) << c.before << " " << c.target;
    }
}

// The start countdown of 4 seconds at the standard speed: digits 5 to 1,
// "GO" from 1000 ms left, done (controls live) at its 114th step, when less
// than 500 ms remain; a time bonus gives its seconds (25 steps each). A
// bonus sets the pending seconds: a second bonus before the countdown takes
// them replaces the first.
TEST_F(BehaviourTest, CountdownStepsAndBonus)
{
    const std::vector<int32_t> cases[] = {{}, {2}, {2, 3}};
    for (const std::vector<int32_t>& bonuses : cases)
    {
        FreshLevel();
        Behaviour* count = Node(13, 3);
        count->count = 4;
        CreateFromRecord(count);
        ASSERT_NE(nullptr, count->entity);
        EXPECT_EQ(5, count->counter) << "seconds + 1";
        int32_t bonus = 0;
        for (int32_t seconds : bonuses)
        {
            Behaviour* extra = Node(11, 3);
            extra->value = seconds;
            CreateFromRecord(extra);
            EXPECT_EQ(1, extra->done);
            EXPECT_EQ(nullptr, extra->entity->update);
            bonus = seconds;
        }
        int steps = 0;
        int digits[10] = {};
        while (!count->done && steps < 400)
        {
            const int32_t remaining = count->counter * 1000 - count->accumulator;
            ++steps;
            Sweep();
            if (!count->done && remaining > 1000)
                ++digits[remaining / 1000];
        }
        EXPECT_EQ(114 + 25 * bonus, steps) << bonus;
        EXPECT_TRUE(g_stage.controlsLive);
        if (bonus == 0)
        {
            // 5 only at the full 5000 ms, then 25 steps of each digit
            // down to 1, which gives way to "GO" at 1000 ms
            const int expected[6] = {0, 24, 25, 25, 25, 1};
            for (int d = 1; d <= 5; ++d)
                EXPECT_EQ(expected[d], digits[d]) << d;
        }
        EXPECT_EQ(nullptr, count->entity->update) << "inert when done";
    }
}

// The race clock of 2 seconds runs out at its 59th step (35 ms a frame) and
// its completion fires the trigger that waits on it; reaching the objective
// (behaviour 2 or 32) freezes it and makes its child once.
TEST_F(BehaviourTest, RaceClockRunsOutOrFreezes)
{
    Behaviour* clock = Node(14, 3);
    clock->count = 2;
    WhenDone(clock, 3);
    CreateFromRecord(clock);
    int steps = 0;
    while (g_stage.state == 0 && steps < 200)
    {
        ++steps;
        Sweep();
    }
    EXPECT_EQ(59, steps);
    EXPECT_EQ(16, g_stage.state);

    FreshLevel();
    clock = Node(14, 3);
    clock->count = 2;
    Behaviour* child = Node(17, 3);
    child->count = 1000;
    clock->child = To(child);
    CreateFromRecord(clock);
    Sweep(10);
    const int32_t held = clock->accumulator;
    g_stage.objectiveReached = true;
    Sweep(100);
    EXPECT_EQ(held, clock->accumulator) << "frozen";
    EXPECT_FALSE(clock->done);
    EXPECT_EQ(1, child->active);
}

// A target counter of 3 with three pick-ups completes the stage through
// its next link 2; the frame counter is done at its count.
TEST_F(BehaviourTest, PickUpsCompleteTheTargetCounter)
{
    Behaviour* counter = Node(0, 3);
    counter->count = 3;
    counter->next = Value(2);
    CreateFromRecord(counter);
    EXPECT_EQ(0, TargetCount());
    for (int i = 0; i < 3; ++i)
    {
        Sweep();
        EXPECT_EQ(0, g_stage.state) << i;
        Behaviour* pick = Node(10, 3);
        CreateFromRecord(pick);
        EXPECT_EQ(1, pick->done);
        EXPECT_EQ(i + 1, TargetCount());
    }
    Sweep();
    EXPECT_EQ(17, g_stage.state);
    EXPECT_EQ(1, counter->done);

    FreshLevel();
    Behaviour* frames = Node(17, 3);
    frames->count = 5;
    CreateFromRecord(frames);
    Sweep(4);
    EXPECT_FALSE(frames->done);
    Sweep();
    EXPECT_TRUE(frames->done);
}

// A start delay of 10 shows the start lines in the 11th sweep; a second
// delay of 5 creates the entity's class (and the companion) 6 sweeps later.
TEST_F(BehaviourTest, StartDelaysInFrames)
{
    Behaviour* box = Node(26, 3);
    box->path = Path(-20000, -12000, -20000, -11000);
    box->startDelay = 10;
    box->secondDelay = 5;
    box->startLines[0] = "<30>HELLO";
    Behaviour* companion = Node(27, 3);
    companion->path = box->path;
    box->companion = To(companion);
    SendClassMessage(26, nullptr, kMsgLoad);
    Entity* e = CreateFromRecord(box);
    ASSERT_NE(nullptr, e);
    EXPECT_EQ(1, box->active);
    int linesAt = -1;
    int createdAt = -1;
    for (int sweep = 1; sweep <= 30; ++sweep)
    {
        Sweep();
        ClearFrame();
        DrawMessages();
        bool ink = false;
        for (int i = 0; i < kFrameCells && !ink; ++i)
            ink = (g_frame[i] >> 16) == 0;
        if (ink && linesAt < 0)
            linesAt = sweep;
        if (e->model != nullptr && createdAt < 0)
            createdAt = sweep;
    }
    EXPECT_EQ(11, linesAt);
    EXPECT_EQ(17, createdAt);
    EXPECT_EQ(BehaviourUpdate, e->update);
    EXPECT_EQ(1, companion->active);
}

// Rule sections act once the condition is done and the target runs its
// behaviour: 1 completes it (its trigger fires) and removes it, 2 only sets
// it done (no trigger), 3 and 4 send '1' to a clock, leave a class 12 alone
// and make any other target inert.
TEST_F(BehaviourTest, RuleSections)
{
    struct Case
    {
        int section;
        int32_t targetClass;
        bool done, removed, triggerFires;
    };
    const Case cases[] = {
        {1, 26, true, true, true},  {2, 26, true, true, false}, {3, 14, true, true, true},
        {3, 12, false, false, false}, {3, 26, true, true, true}, {4, 26, true, true, false},
        {4, 14, true, true, false},
    };
    for (const Case& c : cases)
    {
        FreshLevel();
        SendClassMessage(26, nullptr, kMsgLoad);
        Behaviour* condition = Node(12, 3);
        Behaviour* target = Node(c.targetClass, 3);
        target->path = Path(-20000, -12000, -20000, -11000);
        target->count = 100;
        CreateFromRecord(target);
        Entity* e = target->entity;
        ASSERT_TRUE(RunsBehaviour(e));
        g_stage.level->rules[c.section - 1].push_back(RuleRecord{condition, target, 0});
        WhenDone(target, 2);
        condition->done = 1;
        EvaluateSections();
        // The section 6 trigger looked before the rule acted; a later
        // evaluation sees what the rule left.
        const bool firedByRule = g_stage.state == 17;
        EXPECT_EQ(c.done, target->done == 1) << c.section << " " << c.targetClass;
        EXPECT_EQ(c.removed, e->update == nullptr) << c.section << " " << c.targetClass;
        EXPECT_EQ(c.triggerFires, firedByRule) << c.section << " " << c.targetClass;
    }
}

// Section 8: the first pair whose condition holds fires its target, once.
TEST_F(BehaviourTest, SectionEightFiresTheFirstTruePairOnce)
{
    Behaviour* a = Node(26, 3);
    Behaviour* b = Node(26, 3);
    Section8Record record;
    record.pairs[0] = Value(0);
    record.pairs[1] = To(a);
    record.pairs[2] = Value(1);
    record.pairs[3] = To(b);
    record.pairs[4] = Value(1);
    record.pairs[5] = Value(2);
    g_stage.level->section8.push_back(record);
    EvaluateSections();
    EXPECT_EQ(0, a->active);
    EXPECT_EQ(1, b->active);
    EXPECT_EQ(0, g_stage.state);
    MakeInert(b->entity);
    b->active = 0;
    EvaluateSections();
    EXPECT_EQ(0, b->active) << "fired once";
}

// Touching the player is the player inside the entity's trigger box: a
// visible behaviour-1 box completes and goes; out of view, or beside the
// player, it stays.
TEST_F(BehaviourTest, TouchingThePlayerIsTheTriggerBox)
{
    struct Case
    {
        int32_t dx;
        bool visible;
        bool completes;
    };
    for (const Case& c : {Case{0, true, true}, Case{0, false, false}, Case{3000, true, false}})
    {
        FreshLevel();
        SendClassMessage(26, nullptr, kMsgLoad);
        Player(-20000, -12000);
        Behaviour* box = Node(26, 1);
        box->path = Path(-20000 + c.dx, -12000, -20000 + c.dx, -11000);
        CreateFromRecord(box);
        Entity* e = box->entity;
        // The box's visible step at its creation shoved it off the player's
        // car standing there: back onto its point
        e->orientation.t[0] = -20000 + c.dx;
        e->orientation.t[2] = -12000;
        e->visible = c.visible;
        RunBehaviour(e);
        EXPECT_EQ(c.completes, box->done == 1) << c.dx << " " << c.visible;
        EXPECT_EQ(c.completes, e->update == nullptr) << c.dx << " " << c.visible;
    }
}

// A record hands its start value (byte 56) to its entity as speed; the
// common step of behaviour 6 is Complete, then '1'.
TEST_F(BehaviourTest, StartValueIsSpeedAndTheCommonStepCompletes)
{
    SendClassMessage(30, nullptr, kMsgLoad);
    Behaviour* car = Node(30, 3);
    car->path = Path(-20000, -12000, -20000, 12000);
    car->startValue = 77;
    CreateFromRecord(car);
    EXPECT_EQ(77, car->entity->speed);

    Behaviour* step = Node(26, 6);
    step->path = car->path;
    step->next = Value(2);
    SendClassMessage(26, nullptr, kMsgLoad);
    CreateFromRecord(step);
    Entity* e = step->entity;
    Sweep();
    EXPECT_EQ(1, step->done);
    EXPECT_EQ(nullptr, e->update);
    EXPECT_EQ(17, g_stage.state) << "its next link after the completion";
}

// Starters, the player's companion, zones and delays as a stage uses them
TEST_F(BehaviourTest, StartersZonesAndDelays)
{
    // 25: its links are created; it completes and goes, though class 12 has no handler
    Behaviour* starter = Node(12, 25);
    Behaviour* limit = Node(12, 22);
    limit->value = 5;
    Behaviour* car = Node(55, 3);
    car->path = Path(-20000, -12000, -20000, 12000);
    Behaviour* follow = Node(12, 35);
    follow->links[0] = To(car);
    starter->links[0] = To(follow);   // the companion waits for its car
    starter->links[1] = To(car);
    starter->links[2] = To(limit);
    SendClassMessage(55, nullptr, kMsgLoad);
    Entity* e = CreateFromRecord(starter);
    Sweep();
    EXPECT_EQ(1, starter->done);
    EXPECT_EQ(nullptr, e->update);
    EXPECT_EQ(5, g_entityWorld.trafficLimit);
    Sweep();
    ASSERT_NE(nullptr, g_entityWorld.player);
    EXPECT_EQ(car->entity, g_entityWorld.player);

    // 19: within the radius of the player
    Behaviour* zone = Node(12, 19);
    zone->value = 6400;
    zone->path = Path(-20000, -12000 + 2400, -20000, 0);
    CreateFromRecord(zone);
    Sweep();
    EXPECT_EQ(1, zone->done) << "2400 away: 75 squared is below 6400";
    Behaviour* far = Node(12, 19);
    far->value = 6400;
    far->path = Path(-20000, -12000 + 2600, -20000, 0);
    CreateFromRecord(far);
    Sweep();
    EXPECT_EQ(0, far->done);

    // 34: after its delay (byte 88) of 10: the 11th sweep
    Behaviour* wait = Node(12, 34);
    wait->speed = 10;
    CreateFromRecord(wait);
    Sweep(10);
    EXPECT_EQ(0, wait->done);
    Sweep();
    EXPECT_EQ(1, wait->done);

    // 32: within the radius it reaches the objective (the clocks freeze)
    Behaviour* finish = Node(12, 32);
    finish->value = 6400;
    finish->path = zone->path;
    CreateFromRecord(finish);
    Sweep();
    EXPECT_EQ(1, finish->done);
    EXPECT_TRUE(g_stage.objectiveReached);
}

// Behaviour 20 completes when its linked entity came within twice the
// radius and then within the radius.
TEST_F(BehaviourTest, TwoStepApproach)
{
    Player(-20000, -12000);
    Behaviour* gate = Node(12, 20);
    gate->value = 10000;
    gate->links[0] = Value(1);
    gate->path = Path(-20000, -12000 + 5000, -20000, 0);
    CreateFromRecord(gate);
    Sweep();
    EXPECT_FALSE(gate->armed) << "5000 away: 156 squared is above 20000";
    g_entityWorld.player->orientation.t[2] = -12000 + 1000;
    Sweep();
    EXPECT_TRUE(gate->armed);
    EXPECT_FALSE(gate->done) << "3875 away: inside twice the radius only";
    g_entityWorld.player->orientation.t[2] = -12000 + 2500;
    Sweep();
    EXPECT_TRUE(gate->done);
}

// A driven rival under behaviour 21 moves along its path once the controls
// are live; before that it waits.
TEST_F(BehaviourTest, RivalRacesAlongItsPathOnceLive)
{
    Player(-20000, -14000);
    SendClassMessage(58, nullptr, kMsgLoad);
    Behaviour* rival = Node(58, 21);
    rival->path = Path(-20000, -12000, -20000, 12000);
    rival->speed = 200;
    rival->value = 8;
    CreateFromRecord(rival);
    Entity* e = rival->entity;
    ASSERT_NE(nullptr, e);
    const int32_t z0 = e->Z();
    Sweep(20);
    EXPECT_LT(std::abs(e->Z() - z0), 200) << "waits for the controls";
    g_stage.controlsLive = true;
    Sweep(40);
    EXPECT_GT(e->Z() - z0, 4000);
    EXPECT_GT(e->speed, 100);
}

} // namespace

namespace {

// Two boxes running their records, linked from a record of the behaviour
struct Linked
{
    Behaviour* self;
    Behaviour* boxes[2];
};

} // namespace

// The behaviours that act on their five links: 15 removes the linked
// entities, 16 completes and removes them and completes itself, 17
// disables the linked records, 18 removes every entity of a linked record
// and completes itself; each goes itself.
TEST_F(BehaviourTest, BehavioursOnTheirLinks)
{
    struct Case
    {
        int32_t behaviour;
        bool linkedDone, linkedGone, selfDone, linkedDisabled;
    };
    const Case cases[] = {{15, false, true, false, false},
                          {16, true, true, true, false},
                          {17, false, false, false, true},
                          {18, false, true, true, false}};
    for (const Case& c : cases)
    {
        FreshLevel();
        SendClassMessage(26, nullptr, kMsgLoad);
        Behaviour* self = Node(12, c.behaviour);
        Entity* boxes[2] = {};
        for (int k = 0; k < 2; ++k)
        {
            Behaviour* box = Node(26, 3);
            box->path = Path(-20000 + 400 * k, -12000, -20000 + 400 * k, -11000);
            boxes[k] = CreateFromRecord(box);
            self->links[k] = To(box);
        }
        Entity* e = CreateFromRecord(self);
        Sweep();
        EXPECT_EQ(nullptr, e->update) << c.behaviour;
        EXPECT_EQ(c.selfDone, self->done == 1) << c.behaviour;
        for (int k = 0; k < 2; ++k)
        {
            Behaviour* box = self->links[k].node;
            EXPECT_EQ(c.linkedDone, box->done == 1) << c.behaviour;
            EXPECT_EQ(c.linkedGone, boxes[k]->update == nullptr) << c.behaviour;
            EXPECT_EQ(c.linkedDisabled, box->disabled == 1) << c.behaviour;
        }
    }
}

// Behaviour 33, a zone: its next record is made once while the player is
// within the radius; outside, that record and what it made are taken back,
// to be made again on the next visit. Behaviour 39 completes after 88
// frames out of view (264 time units), the count starting again while seen.
TEST_F(BehaviourTest, ZoneTakesBackWhatItMadeAndOutOfView)
{
    SendClassMessage(26, nullptr, kMsgLoad);
    Player(-20000, -12000);
    Behaviour* zone = Node(12, 33);
    zone->value = 6400;
    zone->path = Path(-20000, -12000, -20000, -11000);
    Behaviour* box = Node(26, 3);
    box->path = Path(-19000, -12000, -19000, -11000);
    Behaviour* inner = Node(27, 3);
    inner->path = box->path;
    box->companion = To(inner);
    zone->next = To(box);
    SendClassMessage(27, nullptr, kMsgLoad);
    CreateFromRecord(zone);
    for (int visit = 0; visit < 2; ++visit)
    {
        g_entityWorld.player->orientation.t[2] = -12000;
        Sweep();
        ASSERT_TRUE(RunsBehaviour(box->entity)) << visit;
        EXPECT_EQ(1, inner->active) << visit;
        Entity* made = box->entity;
        g_entityWorld.player->orientation.t[2] = 20000;
        Sweep();
        EXPECT_EQ(nullptr, made->update) << visit;
        EXPECT_EQ(0, box->active) << visit;
        EXPECT_EQ(0, inner->active) << visit;
    }

    Behaviour* away = Node(26, 39);
    away->path = box->path;
    Entity* e = CreateFromRecord(away);
    e->visible = 0;
    Sweep(50);
    e->visible = 1;
    Sweep();
    e->visible = 0;
    Sweep(88);
    EXPECT_FALSE(away->done);
    Sweep();
    EXPECT_TRUE(away->done);
    EXPECT_EQ(nullptr, e->update);
}
