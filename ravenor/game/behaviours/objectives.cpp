// objectives.cpp -- the objective classes: counting, timing and the HUD
#include "ravenor/game/behaviours/objectives.h"

#include "ravenor/engine/render/text.h"
#include "ravenor/game/behaviours/behaviours.h"
#include "ravenor/game/vehicles/vehicle.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/hud.h"
#include "ravenor/game/world/stage_state.h"

namespace {

// Milliseconds the countdown and the clock count per standard frame
constexpr int32_t kCountdownRate = 40;
constexpr int32_t kClockRate = 35;

bool HudShown()
{
    return g_cameras.used == &g_cameras.chase || g_stage.objectiveHudAlways;
}

bool Frozen()
{
    return g_stage.objectiveReached || g_stage.objectiveFrozen;
}

// The running target counter (its count in handlerData1)
Entity* TargetCounter()
{
    for (Entity& e : g_entityWorld.pool)
        if (e.classNumber == kClassTargetCounter && RunsBehaviour(&e))
            return &e;
    return nullptr;
}

void Finish(Entity* e)
{
    Complete(e->behaviour);
    MakeInert(e);
}

void Create(int32_t c, Entity* e)
{
    Behaviour* node = e->behaviour;
    switch (c)
    {
    case kClassTargetCounter: e->handlerData1 = 0; break;
    case kClassPickUp:
        if (Entity* counter = TargetCounter())
            ++counter->handlerData1;
        Finish(e);
        break;
    case kClassTimeBonus:
        g_stage.pendingBonus = node->value;
        Finish(e);
        break;
    case kClassCountdown:
        node->accumulator = 0;
        g_stage.pendingBonus = 0;
        g_stage.objectiveReached = g_stage.objectiveFrozen = false;
        node->counter += 1;
        break;
    default: break;
    }
}

void Step(int32_t c, Entity* e)
{
    Behaviour* node = e->behaviour;
    switch (c)
    {
    case kClassTargetCounter:
        if (HudShown())
            PrintText(110, 0, kSmallText, kSmallText, 0, "%d/%d", e->handlerData1, node->counter);
        if (e->handlerData1 >= node->counter)
            Finish(e);
        break;
    case kClassCountdown:
    {
        const int32_t remaining = node->counter * 1000 - node->accumulator;
        if (remaining <= 1000)
            PrintText(73, 100, kLargeText, kLargeText, 0, "GO");
        else
            DrawCountdown(remaining);
        if (remaining < 500)
        {
            // The stage's controls go live when its countdown is done.
            g_stage.controlsLive = true;
            Finish(e);
            return;
        }
        if (!Frozen())
            node->accumulator += FrameScale(kCountdownRate);
        node->counter += g_stage.pendingBonus;
        g_stage.pendingBonus = 0;
        break;
    }
    case kClassRaceClock:
    {
        const int32_t remaining = node->counter * 1000 - node->accumulator;
        if (HudShown())
            DrawRaceClock(remaining > 0 ? remaining : 0);
        if (remaining < 1)
        {
            Finish(e);
            return;
        }
        if (!Frozen())
            node->accumulator += FrameScale(kClockRate);
        if (g_stage.objectiveReached && !node->made)
        {
            node->made = 1;
            CreateFromRecord(node->child.node);
        }
        break;
    }
    case kClassFrameCounter:
        if (++node->counter == node->count)
            Finish(e);
        break;
    default: break;
    }
}

} // namespace

int32_t TargetCount()
{
    const Entity* counter = TargetCounter();
    return counter != nullptr ? counter->handlerData1 : -1;
}

int32_t ObjectiveHandler(int32_t c, Entity* e, int32_t message)
{
    switch (message)
    {
    case kMsgDropQuery: return 0;
    case kMsgRemove:
        if (e != nullptr && e->update != nullptr)
        {
            if (e->behaviour != nullptr)
                Complete(e->behaviour);
            MakeInert(e);
        }
        return 1;
    case kMsgCreate:
        if (e != nullptr && e->behaviour != nullptr)
            Create(c, e);
        return 1;
    case kMsgStep:
        if (e != nullptr && e->behaviour != nullptr)
            Step(c, e);
        return 1;
    default: return 1;
    }
}
