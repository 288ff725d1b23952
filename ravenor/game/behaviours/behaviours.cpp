// behaviours.cpp -- creation, the behaviour runner, completion, the end
// sequence and the rule sections of a stage's node records
#include "ravenor/game/behaviours/behaviours.h"

#include <cstdlib>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/engine/core/log.h"
#include "ravenor/game/base/settings.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/vehicles/body_hits.h"
#include "ravenor/game/vehicles/vehicle.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/collision.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/hud.h"
#include "ravenor/game/world/paths.h"
#include "ravenor/game/world/stage_state.h"

namespace {

// Squared distance (/32 units) within which a rival counts as near the
// player, and beyond which a follower out of view may go
constexpr int32_t kNearPlayer = 360000;

// The frame stamp of the rule sections (0 never matches a frame)
int32_t Frame()
{
    return g_stage.frames + 1;
}

// A delay d has passed once an accumulator growing by 3 F / 256 a frame
// exceeds 3 d: about d standard frames.
bool Passed(int32_t& timer, int32_t delay)
{
    timer += SpeedFactor() * 3 / 256;
    return timer > 3 * delay;
}

// The classes 12 to 18 (objectives and classes without a handler) show no start lines.
bool QuietClass(int32_t c)
{
    return c >= kClassUnhandled12 && c <= kClassUnhandled18;
}

void ShowLines(const char* const lines[3])
{
    ShowMessage(lines[0], lines[1], lines[2]);
}

// The entity of a link (the player for 1), when it runs its record
Entity* LinkedEntity(const Link& link)
{
    if (link.value == kLinkTrue && !link.IsNode())
        return g_entityWorld.player;
    if (!link.IsNode())
        return nullptr;
    Entity* e = link.node->entity;
    return RunsBehaviour(e) && e->behaviour == link.node ? e : nullptr;
}

// The record's entity while it runs its behaviour
Entity* RunningEntity(Behaviour* node)
{
    Entity* e = node->entity;
    return RunsBehaviour(e) && e->behaviour == node ? e : nullptr;
}

// '1' to the class; a class without a handler of its own leaves the entity
// running, so it is let go here.
void Remove(Entity* e)
{
    SendClassMessage(e->classNumber, e, kMsgRemove);
    if (e->update != nullptr && QuietClass(e->classNumber))
        MakeInert(e);
}

void CommonStep(Entity* e)
{
    Complete(e->behaviour);
    if (e->update != nullptr)
        Remove(e);
}

void CompleteAndInert(Entity* e)
{
    Complete(e->behaviour);
    MakeInert(e);
}

bool TouchingPlayer(const Entity* e)
{
    return g_entityWorld.player != nullptr && g_entityWorld.player != e && InsideTrigger(g_entityWorld.player, e);
}

bool NearPlayer(const Entity* e, int32_t radius)
{
    return g_entityWorld.player != nullptr && g_entityWorld.player != e && PlanarDistance2(e, g_entityWorld.player) < radius;
}

void CreateLinks(Behaviour* node)
{
    for (Link& link : node->links)
        if (link.IsNode())
            CreateFromRecord(link.node);
}

// Touched entities of the active list, and the player, are pushed aside.
void PushTouched(Entity* e)
{
    int32_t contact[3];
    for (Entity* a = g_entityWorld.activeHead; a != nullptr; a = a->next)
        if (a != e && BoxesTouch(e, a, contact))
            PushApart(a, e);
    if (g_entityWorld.player != nullptr && g_entityWorld.player != e && BoxesTouch(e, g_entityWorld.player, contact))
        PushApart(g_entityWorld.player, e);
}

// Driven cars other than the player move by their behaviour once the
// controls are live; every other class moves itself in its step.
bool MovesByBehaviour(const Entity* e)
{
    return IsDrivenCarClass(e->classNumber) && e != g_entityWorld.player && g_stage.controlsLive;
}

void MoveAlongHeading(Entity* e)
{
    const int32_t sine = WaveTable[e->heading & 0xFFF];
    const int32_t cosine = WaveTable[(e->heading + 1024) & 0xFFF];
    e->travelHeading = e->heading;
    e->velocity[0] = e->speed * sine / 4096;
    e->velocity[2] = e->speed * cosine / 4096;
    e->orientation.t[0] += FrameScale(e->velocity[0]);
    e->orientation.t[2] += FrameScale(e->velocity[2]);
}

// The motion step of a driven car under a behaviour: along its path (the
// body turning toward the bearing), or straight along its heading; on the
// ground either way.
void MotionStep(Entity* e)
{
    if (!MovesByBehaviour(e))
        return;
    if (e->path != nullptr)
    {
        const int32_t bearing = FollowPathStraight(e, e->speed);
        SteerTowards(e, bearing);
    }
    else
    {
        MoveAlongHeading(e);
    }
    FollowGround(e);
}

// Heading turned toward a point by a quarter of the difference, scaled
void TurnToward(Entity* e, const Entity* target)
{
    const int32_t want = FixedAtan2(target->X() - e->X(), target->Z() - e->Z()) & 0xFFF;
    e->heading = (e->heading + SpeedFactor() * (SignedAngle(e->heading, want) / 4) / 256) & 0xFFF;
}

// Behaviours 29 and 30: after the first link's entity (or the player)
void FollowStep(Entity* e)
{
    Entity* target = LinkedEntity(e->behaviour->links[0]);
    if (target == nullptr || target == e)
        return;
    PushTouched(e);
    if (IsDrivenCarClass(e->classNumber) && !MovesByBehaviour(e))
        return;
    e->path = nullptr;
    TurnToward(e, target);
    MoveAlongHeading(e);
    FollowGround(e);
}

// The removal rule of 30 and 31: out of view and far from the player for
// more than 264 time units
void FarOutOfView(Entity* e)
{
    Behaviour* node = e->behaviour;
    if (e->visible || g_entityWorld.player == nullptr || PlanarDistance2(e, g_entityWorld.player) <= kNearPlayer)
    {
        node->timer = 0;
        return;
    }
    if (Passed(node->timer, 88))
        CompleteAndInert(e);
}

// Out of view for more than a limit of time units (3 F / 256 a frame)
bool OutOfViewTooLong(Entity* e, int32_t limit)
{
    Behaviour* node = e->behaviour;
    if (e->visible)
    {
        node->timer = 0;
        return false;
    }
    node->timer += SpeedFactor() * 3 / 256;
    return node->timer > limit;
}

// Behaviours 36 and 37: near the linked entity it slows and turns toward
// it; else it speeds up to the record's start value.
void ApproachStep(Entity* e)
{
    Behaviour* node = e->behaviour;
    Entity* target = LinkedEntity(node->links[0]);
    if (target != nullptr && target != e && PlanarDistance2(e, target) < node->value)
    {
        e->speed -= e->speed / 8;
        if (e->speed < 9)
            e->speed = 0;
        TurnToward(e, target);
    }
    else if (e->speed < node->startValue)
    {
        ++e->speed;
    }
    if (MovesByBehaviour(e))
    {
        MoveAlongHeading(e);
        FollowGround(e);
    }
}

// Behaviour 38: six pushes apart from the player while touching it
void ShovePlayer(Entity* e)
{
    if (!TouchingPlayer(e))
        return;
    for (int i = 0; i < 6; ++i)
        PushApart(g_entityWorld.player, e);
}

void LockPlayer()
{
    if (g_entityWorld.player != nullptr && g_entityWorld.player->vehicle != nullptr)
        g_entityWorld.player->vehicle->locked = 1;
}

// Behaviour 21: a rival's speed kept by its place against the player
void RaceStep(Entity* e)
{
    Behaviour* node = e->behaviour;
    PushTouched(e);
    if (!MovesByBehaviour(e) && IsDrivenCarClass(e->classNumber))
        return;
    int32_t target = node->speed;
    if (g_entityWorld.player != nullptr)
    {
        const int32_t offset[3] = {e->X() - g_entityWorld.player->X(), e->Y() - g_entityWorld.player->Y(), e->Z() - g_entityWorld.player->Z()};
        int32_t local[3];
        RotateToLocal(&g_entityWorld.player->orientation, offset, local);
        if (local[2] < -199)
            target = PlanarDistance2(e, g_entityWorld.player) < kNearPlayer ? node->speed : node->speed * 3 / 4;
        else
            target = node->speed * 320 / 256;
    }
    if (target != 0)
        e->speed += FrameScale(node->value * (target - e->speed) / target) + 1;
    MotionStep(e);
}

// Behaviour 33's reset: the record and everything below it back to the
// state before creation, entities removed (each record once per pass)
void ResetTree(Behaviour* node, uint16_t pass)
{
    if (node == nullptr || node->tag == pass)
        return;
    node->tag = pass;
    if (Entity* e = node->entity; e != nullptr && e->behaviour == node && e->update != nullptr)
    {
        UnlinkActive(e);
        MakeInert(e);
    }
    node->entity = nullptr;
    node->active = node->done = node->secondDone = 0;
    node->made = node->childMade = node->armed = 0;
    for (Link* link : {&node->companion, &node->next, &node->child})
        ResetTree(link->node, pass);
    for (Link& link : node->links)
        ResetTree(link.node, pass);
}

void ZoneStep(Entity* e)
{
    Behaviour* node = e->behaviour;
    if (NearPlayer(e, node->value))
    {
        if (!node->made && node->next.IsNode())
        {
            node->made = 1;
            CreateFromRecord(node->next.node);
        }
    }
    else if (node->made)
    {
        node->made = 0;
        uint16_t& pass = g_stage.zoneResetPass;
        pass = static_cast<uint16_t>(pass == 0xFFFF ? 100 : pass + 1);
        ResetTree(node->next.node, pass);
    }
}

// The key presses behaviour 49 waits for
bool AnyStartKey()
{
    return IsKeyDown(g_settings.keyAccelerate) || IsKeyDown(g_settings.keyBrake) ||
           IsKeyDown(g_settings.keyHandbrake) || IsKeyDown(13);
}

// The path's end: the child record once, then the second list or a stop
void PathEnd(Entity* e)
{
    Behaviour* node = e->behaviour;
    if (e->path == nullptr)
        return;
    const int32_t last = node->lastIndex;
    node->lastIndex = e->pathIndex;
    if (!(last > 0 && e->pathIndex == 0))
        return;
    if (!node->childMade)
    {
        node->childMade = 1;
        CreateFromRecord(node->child.node);
    }
    if (node->secondPath != nullptr)
    {
        e->path = node->secondPath->words.data();
        e->pathIndex = 0;
    }
    else
    {
        e->path = nullptr;
        e->speed = 0;
        e->velocity[0] = e->velocity[1] = e->velocity[2] = 0;
    }
}

// ---- the end sequence ----

// The first lines after the first end delay, the second after the second,
// and the next record after the third; phases without a delay follow at
// once, all of them when no record is free to wait on. False while a delay
// runs.
bool RunEndSequence(Behaviour* node, int32_t& phase, int32_t& timer, bool wait = true)
{
    while (phase < 3)
    {
        const int32_t delay = node->endDelays[phase];
        if (wait && delay > 0 && timer <= 3 * delay)
            return false;
        timer = 0;
        if (phase < 2)
            ShowLines(node->endLines[phase]);
        else
            FireTarget(node->next);
        ++phase;
    }
    return true;
}

// The end sequence waits on a pool record of its own, so that it outlives
// the record's entity.
void EndSequenceStep(Entity* e)
{
    e->handlerData1 += SpeedFactor() * 3 / 256;
    if (RunEndSequence(e->behaviour, e->aiState, e->handlerData1))
        MakeInert(e);
}

void StartEndSequence(Behaviour* node)
{
    int32_t phase = 0;
    int32_t timer = 0;
    if (RunEndSequence(node, phase, timer))
        return;
    Entity* e = AllocAny();
    if (e == nullptr)
    {
        RunEndSequence(node, phase, timer, false);
        return;
    }
    e->behaviour = node;
    e->classNumber = kClassUnhandled12;
    e->vehicle = nullptr;
    e->aiState = phase;
    e->handlerData1 = 0;
    e->update = EndSequenceStep;
}

// ---- creation ----

void StartingUpdate(Entity* e);

// The start phases: the start delay and lines, then the second delay, the
// companion and the class's messages. Delays of 0 pass at once; 'frame'
// says whether a frame's time has gone by.
void AdvanceStart(Entity* e, bool frame)
{
    Behaviour* node = e->behaviour;
    const int32_t c = node->classNumber;
    if (node->startPhase == 0)
    {
        if (node->startDelay > 0 && !(frame && Passed(node->timer, node->startDelay)))
            return;
        node->timer = 0;
        frame = false;
        if (!QuietClass(c))
            ShowLines(node->startLines);
        node->startPhase = 1;
    }
    if (node->startPhase == 1)
    {
        if (node->secondDelay > 0 && !(frame && Passed(node->timer, node->secondDelay)))
            return;
        node->timer = 0;
        node->startPhase = 2;
        CreateFromRecord(node->companion.node);
        SendClassMessage(c, e, kMsgCreate);
        if (e->update != StartingUpdate || e->behaviour != node)
            return;   // the class finished it at once
        if (SendClassMessage(c, e, kMsgDropQuery) == 1)
        {
            const GroundProbe probe = ProbeGround(e->X(), e->Z());
            if (probe.height != -1 && !IsDrivenCarClass(c))
                e->orientation.t[1] = probe.height - e->type->maxY;
        }
        else
        {
            MotionStep(e);
        }
        SendClassMessage(c, e, kMsgVisibleStep);
        if (e->update == StartingUpdate && e->behaviour == node)
            e->update = BehaviourUpdate;
    }
}

void StartingUpdate(Entity* e)
{
    AdvanceStart(e, true);
}

void Prepare(Behaviour* node)
{
    if (node == nullptr || node->tag == 1)
        return;
    node->tag = 1;
    SendClassMessage(node->classNumber, nullptr, kMsgLoad);
    const bool drop = SendClassMessage(node->classNumber, nullptr, kMsgDropQuery) == 1;
    for (CoordList* list : {node->path, node->secondPath})
    {
        if (list == nullptr || list->converted)
            continue;
        ScaleObjectCoords(*list);
        if (drop)
            DropObjectsToGround(*list);
    }
    for (Link* link : {&node->companion, &node->next, &node->child, &node->leader})
        Prepare(link->node);
    for (Link& link : node->links)
        Prepare(link.node);
}

void EvaluateTriggers(std::vector<TriggerRecord>& section, bool once)
{
    for (TriggerRecord& trigger : section)
    {
        if (once && trigger.fired)
            continue;
        if (trigger.target.IsNode() && trigger.target.node->active)
            continue;
        bool fires = false;
        for (int g = 0; g < 5 && !fires; ++g)
        {
            bool all = true;
            for (int k = 0; k < 5 && all; ++k)
                all = ConditionHolds(trigger.conditions[5 * g + k]);
            fires = all;
        }
        if (!fires)
            continue;
        trigger.fired = 1;
        FireTarget(trigger.target);
    }
}

// What sections 1 to 4 do to a running target once their condition is done
enum RuleSection : int
{
    kRuleCompleteAndRemove = 1,   // completed (evaluated further) and removed
    kRuleDoneAndRemove = 2,       // set done without evaluation and removed
    kRuleStopAndComplete = 3,     // a timer removed, anything else inert and completed
    kRuleStopAndDone = 4,         // as 3, set done without evaluation
};

void EvaluateRules(std::vector<RuleRecord>& section, int kind)
{
    for (RuleRecord& rule : section)
    {
        if (!rule.condition->done)
            continue;
        Behaviour* target = rule.target;
        Entity* e = RunningEntity(target);
        if (e == nullptr || rule.stamp == Frame())
            continue;
        rule.stamp = Frame();
        const int32_t c = target->classNumber;
        switch (kind)
        {
        case kRuleCompleteAndRemove:
            Complete(target);
            SendClassMessage(c, e, kMsgRemove);
            break;
        case kRuleDoneAndRemove:
            target->done = 1;
            SendClassMessage(c, e, kMsgRemove);
            break;
        default:
            if (kind == kRuleStopAndDone)
                target->done = 1;
            if (c == kClassCountdown || c == kClassRaceClock)
                SendClassMessage(c, e, kMsgRemove);
            else if (c != kClassUnhandled12 && c != kClassUnhandled15 && c != kClassUnhandled16)
            {
                MakeInert(e);
                Complete(target);
            }
            break;
        }
    }
}

void EvaluateSection8(std::vector<Section8Record>& section)
{
    for (Section8Record& record : section)
    {
        if (record.fired != 0)
            continue;
        for (int k = 0; k < 5; ++k)
        {
            if (ConditionHolds(record.pairs[2 * k]))
            {
                record.fired = 1;
                FireTarget(record.pairs[2 * k + 1]);
                break;
            }
        }
    }
}

} // namespace

void ResetBehaviours()
{
    g_stage.objectiveReached = false;
    g_stage.objectiveFrozen = false;
    g_stage.objectiveHudAlways = false;
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
        CreateFromRecord(target.node);
        return;
    }
    if (target.value == kLinkStageComplete && g_stage.state == kStageRunning)
    {
        g_stage.state = kStageOver;
    }
    else if (target.value == kLinkStageFinish && g_stage.state == kStageRunning)
    {
        g_stage.state = kStageFinishing;
        PlaySound(kSoundBoo);
    }
}

void PrepareRecords(LevelBlock& level)
{
    Prepare(level.root);
    for (Behaviour* node : level.nodeTable)
        Prepare(node);
    CreateFromRecord(level.root);
}

Entity* CreateFromRecord(Behaviour* node)
{
    if (node == nullptr || node->disabled || node->active)
        return nullptr;
    Entity* leader = nullptr;
    if (node->followLeader)
    {
        if (!node->leader.IsNode() && node->leader.value == kLinkTrue)
            leader = g_entityWorld.player;
        else if (Behaviour* l = node->leader.node; l != nullptr && l->active && !l->done)
            leader = l->entity;
        if (leader == nullptr)
            return nullptr;
    }
    Entity* e = AllocEntityLogged();
    if (e == nullptr)
    {
        EndStageWithMessage("NO FREE ENTITY");
        return nullptr;
    }
    node->entity = e;
    e->behaviour = node;
    e->classNumber = node->classNumber;
    e->vehicle = nullptr;
    if (leader != nullptr)
    {
        for (int k = 0; k < 3; ++k)
            e->orientation.t[k] = leader->orientation.t[k];
        e->heading = e->travelHeading = leader->heading;
    }
    else if (node->path != nullptr)
    {
        const int32_t* a = node->path->Point(0);
        const int32_t* b = node->path->Point(1);
        for (int k = 0; k < 3; ++k)
            e->orientation.t[k] = a[k];
        e->heading = e->travelHeading = FixedAtan2(b[0] - a[0], b[2] - a[2]) & 0xFFF;
        e->path = node->path->words.data();
        e->pathIndex = 1;
    }
    node->counter = node->classNumber == kClassFrameCounter ? 0 : node->count;
    node->accumulator = 0;
    node->timer = node->progress = 0;
    node->startPhase = 0;
    node->armed = node->made = node->childMade = 0;
    node->lastIndex = e->pathIndex;
    // The class's answer to 'E' matters only with a world flag that this
    // game never sets.
    SendClassMessage(node->classNumber, e, kMsgKind);
    node->active = 1;
    node->done = node->secondDone = 0;
    if (node->behaviourNumber != kBehaviourProgress)
        e->speed = node->startValue;
    e->update = StartingUpdate;
    AdvanceStart(e, false);
    return e;
}

void Complete(Behaviour* node)
{
    if (node == nullptr || node->done)
        return;
    if (Entity* e = node->entity; e != nullptr && e->behaviour == node && e->update != nullptr)
    {
        if (SendClassMessage(node->classNumber, e, kMsgKind) != 0)
            UnlinkActive(e);
        else if (e == g_entityWorld.player)
            g_entityWorld.player = nullptr;
    }
    node->done = 1;
    EvaluateSections();
    StartEndSequence(node);
}

void EvaluateSections()
{
    if (!g_stage.level)
        return;
    EvaluateTriggers(g_stage.level->triggers[0], false);
    EvaluateTriggers(g_stage.level->triggers[1], true);
    for (int s = 0; s < 4; ++s)
        EvaluateRules(g_stage.level->rules[s], s + 1);
    // Section 7 has no action of its own.
    EvaluateSection8(g_stage.level->section8);
}

void BehaviourUpdate(Entity* e)
{
    RunBehaviour(e);
    if (e->update != BehaviourUpdate)
        return;
    const int32_t c = e->classNumber;
    SendClassMessage(c, e, kMsgStep);
    if (e->update != BehaviourUpdate)
        return;
    SendClassMessage(c, e, kMsgVisibleStep);
    if (e->update == BehaviourUpdate)
        PathEnd(e);
}

void RunBehaviour(Entity* e)
{
    Behaviour* node = e->behaviour;
    switch (node->behaviourNumber)
    {
    case kBehaviourFollowPath: MotionStep(e); break;
    case kBehaviourTouchToComplete:
    case kBehaviourTouchToReach:
        if (e->visible && TouchingPlayer(e))
        {
            if (node->behaviourNumber == kBehaviourTouchToReach)
                g_stage.objectiveReached = true;
            CompleteAndInert(e);
        }
        break;
    case kBehaviourIdle3:
    case kBehaviourIdle14:
    case kBehaviourIdle27:
    case kBehaviourIdle28:
    case kBehaviourIdle42: break;
    case kBehaviourProgress:
        if (node->progress < node->startValue)
            node->progress += FrameScale(1);
        break;
    case kBehaviourShowHud: g_stage.objectiveHudAlways = true; break;
    case kBehaviourComplete: CommonStep(e); break;
    case kBehaviourSlowPlayer:
        if (NearPlayer(e, node->value))
        {
            g_entityWorld.player->speed -= FrameScale(g_entityWorld.player->speed / 8);
            LockPlayer();
        }
        break;
    case kBehaviourStopAtPathEnd:
        if (e->path == nullptr)
        {
            e->speed = 0;
            e->velocity[0] = e->velocity[1] = e->velocity[2] = 0;
            node->stopped = 1;
        }
        break;
    case kBehaviourRam:
    case kBehaviourRamUntilLost:
        for (Entity* a = g_entityWorld.activeHead; a != nullptr; a = a->next)
            if (a != e)
                CarHitsCar(e, a, 0);
        MotionStep(e);
        if (node->behaviourNumber == kBehaviourRamUntilLost && OutOfViewTooLong(e, 396))
            CompleteAndInert(e);
        break;
    case kBehaviourMoveUntilLost:
        MotionStep(e);
        if (OutOfViewTooLong(e, 264))
            CompleteAndInert(e);
        break;
    case kBehaviourWaitForKey:
        // Waits for all the start keys to be up, then for one to be pressed
        if (!node->armed)
            node->armed = !AnyStartKey();
        else if (AnyStartKey())
            CommonStep(e);
        break;
    case kBehaviourRemoveLinks:
    case kBehaviourCompleteLinks:
        for (Link& link : node->links)
        {
            if (!link.IsNode())
                continue;
            if (Entity* linked = RunningEntity(link.node))
            {
                if (node->behaviourNumber == kBehaviourRemoveLinks)
                    UnlinkActive(linked);
                else
                    Complete(link.node);
                SendClassMessage(linked->classNumber, linked, kMsgRemove);
            }
        }
        MakeInert(e);
        if (node->behaviourNumber == kBehaviourCompleteLinks)
            Complete(node);
        break;
    case kBehaviourDisableLinks:
        for (Link& link : node->links)
            if (link.IsNode())
                link.node->disabled = 1;
        MakeInert(e);
        break;
    case kBehaviourRemoveLinkedEntities:
        for (Entity& other : g_entityWorld.pool)
        {
            if (other.update == nullptr || other.behaviour == nullptr)
                continue;
            for (Link& link : node->links)
            {
                if (link.IsNode() && other.behaviour == link.node)
                {
                    UnlinkActive(&other);
                    SendClassMessage(other.classNumber, &other, kMsgRemove);
                    break;
                }
            }
        }
        CompleteAndInert(e);
        break;
    case kBehaviourReachRadius:
        if (NearPlayer(e, node->value))
            CommonStep(e);
        break;
    case kBehaviourLinkWithinRadius:
        if (Entity* leader = LinkedEntity(node->links[0]); leader != nullptr && leader != e)
        {
            const int32_t d = PlanarDistance2(e, leader);
            if (d < 2 * node->value)
                node->armed = 1;
            if (node->armed && d < node->value)
                CommonStep(e);
        }
        break;
    case kBehaviourRace: RaceStep(e); break;
    case kBehaviourSlowDown:
    case kBehaviourSlowDownOnPath:
        e->speed -= (SpeedFactor() * (node->value + 3) - 768) / 256;
        if (e->speed < 0)
            e->speed = 0;
        if (node->behaviourNumber == kBehaviourSlowDownOnPath)
            MotionStep(e);
        break;
    case kBehaviourCreateLinks:
        CreateLinks(node);
        CommonStep(e);
        break;
    case kBehaviourTouchCreatesLinks:
        if (e->visible && TouchingPlayer(e))
            CreateLinks(node);
        break;
    case kBehaviourFollow: FollowStep(e); break;
    case kBehaviourFollowUntilLost:
        FollowStep(e);
        FarOutOfView(e);
        break;
    case kBehaviourShoveUntilLost:
        PushTouched(e);
        FarOutOfView(e);
        break;
    case kBehaviourReachObjective:
        if (NearPlayer(e, node->value))
        {
            g_stage.objectiveReached = true;
            CompleteAndInert(e);
        }
        break;
    case kBehaviourZone: ZoneStep(e); break;
    case kBehaviourDelay:
        if (Passed(node->timer, node->speed))
            CommonStep(e);
        break;
    case kBehaviourMakePlayer:
        // Waits until the linked car is alive and of the record's class
        if (Behaviour* linked = node->links[0].node; linked != nullptr)
        {
            Entity* car = RunningEntity(linked);
            if (car != nullptr && car->classNumber == linked->classNumber)
            {
                SendClassMessage(linked->classNumber, car, kMsgBecomePlayer);
                MakeInert(e);
            }
        }
        break;
    case kBehaviourApproach: ApproachStep(e); break;
    case kBehaviourApproachAfterDelay:
        if (node->armed || Passed(node->timer, node->speed))
        {
            node->armed = 1;
            ApproachStep(e);
        }
        break;
    case kBehaviourShoveAndApproach:
    case kBehaviourShoveApproachAndCreate:
    case kBehaviourShoveApproachUntilLost:
        ShovePlayer(e);
        ApproachStep(e);
        if (node->behaviourNumber == kBehaviourShoveApproachAndCreate && !node->made && NearPlayer(e, node->value))
        {
            node->made = 1;
            FireTarget(node->next);
        }
        if (node->behaviourNumber == kBehaviourShoveApproachUntilLost && OutOfViewTooLong(e, 264))
            CompleteAndInert(e);
        break;
    case kBehaviourDoneWhenLost:
        if (OutOfViewTooLong(e, 264))
            CompleteAndInert(e);
        break;
    case kBehaviourClearTraffic:
        // The traffic pushed aside: every active car without a record
        for (Entity* a = g_entityWorld.activeHead; a != nullptr;)
        {
            Entity* next = a->next;
            if (a->behaviour == nullptr && IsTrafficCarClass(a->classNumber))
                MakeInert(a);
            a = next;
        }
        g_entityWorld.trafficLimit = 0;
        MakeInert(e);
        break;
    case kBehaviourTrafficLimit:
        g_entityWorld.trafficLimit = node->value;
        CompleteAndInert(e);
        break;
    case kBehaviourFreezeObjectives:
    case kBehaviourThawObjectives:
        g_stage.objectiveFrozen = node->behaviourNumber == kBehaviourFreezeObjectives;
        CommonStep(e);
        break;
    case kBehaviourPlaySound:
    case kBehaviourStopSound:
        if (node->behaviourNumber == kBehaviourPlaySound)
            PlaySound(node->value);
        else
            StopSound(node->value);
        CommonStep(e);
        break;
    case kBehaviourLockPlayer: LockPlayer(); break;
    default: Log("no such behavior\n"); break;
    }
}
