// behaviours.h -- the stage's node records brought to life: creation with
// delays, the behaviour runner, completion and the level's rule sections
//
// A stage is scripted by its level: a node record (`Behaviour`) says what an
// entity is (class, path, counts) and does (its behaviour number); records
// are created from the root, from other records' links and from the trigger
// sections. Completing a record evaluates the rule sections in their order
// (5, 6, 1, 2, 3, 4, 7, 8) and then runs its end sequence: two groups of
// message lines and the next record, each after its delay. Evaluation
// happens only in `Complete`.
#pragma once

#include <cstdint>

#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/level.h"

struct Entity;

// Level preparation: from the root and the node table, each record once
// (its class's model loaded, its lists converted and dropped when the class
// asks); then the root's entity is created.
void PrepareRecords(LevelBlock& level);

// An entity made from the record: none when the record is disabled, already
// active, follows a leader that is not running, or no record of the pool is
// free. The start delay and lines, the second delay, the companion and the
// class's create, drop and visible messages follow (at once without delays).
Entity* CreateFromRecord(Behaviour* node);

// The record is done: the class is asked 'E' (non-zero: the entity leaves
// the active list; else it stops being the player), the done flag is set,
// the sections are evaluated, then the end sequence runs. A record already
// done is left as it is.
void Complete(Behaviour* node);

// The sections of the level in their order, as `Complete` runs them
void EvaluateSections();

// The update of an entity made from a record: `RunBehaviour`, then '-' and
// '^' to its class. Target arrows find their target by it.
void BehaviourUpdate(Entity* e);
inline bool RunsBehaviour(const Entity* e)
{
    return e != nullptr && e->update == BehaviourUpdate && e->behaviour != nullptr;
}
// One frame of the entity's behaviour number
void RunBehaviour(Entity* e);

// A condition word: 1 true, 0 false, a record true once it is done
bool ConditionHolds(const Link& link);
// A target word: 2 completes the stage (state 17), 3 starts its finishing
// phase (state 16, with the jeer), a record is created.
void FireTarget(const Link& target);

// The objective flags of the stage record to their stage start
void ResetBehaviours();
