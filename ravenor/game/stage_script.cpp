// stage_script.cpp -- the first stage's records: starters, the player, the
// countdown and clock, gates, props and the trigger sections
#include "ravenor/game/stage_script.h"

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/game/class_messages.h"
#include "ravenor/game/entity.h"
#include "ravenor/game/game_step.h"
#include "ravenor/game/sound.h"
#include "ravenor/game/stage.h"
#include "ravenor/game/vehicle.h"
#include "ravenor/game/world_draw.h"

namespace {

constexpr int32_t kBehaviourStarter = 25;
constexpr int32_t kBehaviourTrafficLimit = 22;
constexpr int32_t kBehaviourMakePlayer = 35;
constexpr int32_t kStageComplete = 2;
constexpr int32_t kStageFinish = 3;

void PrepareList(CoordList* list, int32_t classNumber)
{
    if (list == nullptr)
        return;
    const bool fresh = !list->converted;
    ScaleObjectCoords(*list);
    if (fresh && SendClassMessage(classNumber, nullptr, kMsgDropQuery) == 1)
        DropObjectsToGround(*list);
}

void Prepare(Behaviour* node)
{
    if (node == nullptr || node->tag == 1)
        return;
    node->tag = 1;
    SendClassMessage(node->classNumber, nullptr, kMsgLoad);
    PrepareList(node->path, node->classNumber);
    PrepareList(node->secondPath, node->classNumber);
    for (Link* link : {&node->companion, &node->next, &node->child, &node->leader})
        Prepare(link->node);
    for (Link& link : node->links)
        Prepare(link.node);
}

// Every frame of an entity made from a record: its class's step, and the
// visible step while it is on screen
void RecordStep(Entity* e)
{
    const int32_t c = e->classNumber;
    SendClassMessage(c, e, kMsgStep);
    if (e->update != nullptr && e->visible)
        SendClassMessage(c, e, kMsgVisibleStep);
}

bool ConditionHolds(const Link& link)
{
    if (link.IsNode())
        return link.node->done != 0;
    return link.value == 1;
}

void FireTarget(const Link& target)
{
    if (target.IsNode())
    {
        StartRecord(target.node);
        return;
    }
    if (target.value == kStageComplete && g_stageState == 0)
        g_stageState = 17;
    else if (target.value == kStageFinish && g_stageState == 0)
    {
        g_stageState = 16;
        PlaySound(kSoundBoo);
    }
}

// The end sequence of a completed record: its first lines after the first
// end delay, its second lines after the second, and its next record (or the
// stage's end, 2 or 3) after the third. A delay d has passed once a count
// growing by three time units a frame exceeds 3 d; the phases without a
// delay follow at once (all of them without waiting). Returns false when a
// delay is still running.
bool RunEndSequence(Behaviour* node, int32_t& phase, int32_t& elapsed, bool wait = true)
{
    while (phase < 3)
    {
        const int32_t delay = node->endDelays[phase];
        if (wait && delay > 0 && elapsed <= 3 * delay)
            return false;
        elapsed = 0;
        if (phase < 2)
        {
            const char* const* lines = node->endLines[phase];
            if (lines[0] || lines[1] || lines[2])
                ShowMessage(lines[0], lines[1], lines[2]);
        }
        else
            FireTarget(node->next);
        ++phase;
    }
    return true;
}

// A pool record of its own runs a delayed end sequence, so that it outlives
// the record's entity (gates become inert when they are reached).
void EndSequenceStep(Entity* e)
{
    e->handlerData1 += SpeedFactor() * 3 / 256;
    if (RunEndSequence(e->behaviour, e->aiState, e->handlerData1))
        MakeInert(e);
}

} // namespace

void PrepareRecords(LevelBlock& level)
{
    Prepare(level.root);
    for (Behaviour* node : level.nodeTable)
        Prepare(node);
    StartRecord(level.root);
}

void StartRecord(Behaviour* node)
{
    if (node == nullptr || node->active || node->disabled)
        return;
    node->active = 1;
    if (node->startLines[0] || node->startLines[1] || node->startLines[2])
        ShowMessage(node->startLines[0], node->startLines[1], node->startLines[2]);
    switch (node->behaviourNumber)
    {
    case kBehaviourStarter:
        for (Link& link : node->links)
            StartRecord(link.node);
        CompleteRecord(node);
        return;
    case kBehaviourTrafficLimit:
        TrafficLimit = node->value;
        CompleteRecord(node);
        return;
    case kBehaviourMakePlayer:
        if (Behaviour* linked = node->links[0].node; linked != nullptr && linked->entity != nullptr &&
                                                     linked->entity->classNumber == linked->classNumber)
            SendClassMessage(linked->classNumber, linked->entity, kMsgBecomePlayer);
        CompleteRecord(node);
        return;
    default: break;
    }
    // Records of classes without a handler only hold rules.
    if (SendClassMessage(node->classNumber, nullptr, kMsgKind) == 0 && !IsDrivenCarClass(node->classNumber))
        return;
    Entity* e = AllocEntityLogged();
    if (e == nullptr)
    {
        EndStageWithMessage("NO FREE ENTITY");
        return;
    }
    node->entity = e;
    e->behaviour = node;
    e->classNumber = node->classNumber;
    if (node->path != nullptr)
    {
        const int32_t* a = node->path->Point(0);
        const int32_t* b = node->path->Point(1);
        for (int k = 0; k < 3; ++k)
            e->orientation.t[k] = a[k];
        e->heading = e->travelHeading = FixedAtan2(b[0] - a[0], b[2] - a[2]) & 0xFFF;
        // Route followers head for the second point, at the record's start value.
        e->path = node->path->words.data();
        e->pathIndex = 1;
    }
    e->speed = node->startValue;
    e->update = RecordStep;
    SendClassMessage(node->classNumber, e, kMsgCreate);
    StartRecord(node->companion.node);
}

void CompleteRecord(Behaviour* node)
{
    if (node == nullptr || node->done)
        return;
    node->done = 1;
    EvaluateTriggers();
    int32_t phase = 0;
    int32_t elapsed = 0;
    if (RunEndSequence(node, phase, elapsed))
        return;
    Entity* e = AllocAny();
    if (e == nullptr)
    {
        // No record free to wait on: the rest follows at once.
        RunEndSequence(node, phase, elapsed, false);
        return;
    }
    e->behaviour = node;
    e->model = nullptr;
    e->type = &EmptyType;
    e->vehicle = nullptr;
    e->aiState = phase;
    e->handlerData1 = 0;
    e->update = EndSequenceStep;
}

void EvaluateTriggers()
{
    if (!g_level)
        return;
    for (int s = 0; s < 2; ++s)
    {
        for (TriggerRecord& trigger : g_level->triggers[s])
        {
            // Section 6 fires once
            if (s == 1 && trigger.fired)
                continue;
            bool fires = false;
            for (int g = 0; g < 5 && !fires; ++g)
            {
                bool all = true;
                for (int k = 0; k < 5; ++k)
                    all = all && ConditionHolds(trigger.conditions[5 * g + k]);
                fires = all;
            }
            if (!fires)
                continue;
            trigger.fired = 1;
            FireTarget(trigger.target);
        }
    }
}
