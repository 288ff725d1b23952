// arrows.h -- the target arrows: the pointing arrow (classes 6 and 7) that
// floats ahead of the main camera and turns toward its target, the same
// arrow without a flying arrow (class 8), the flying arrow the pointing
// arrow launches to hover over a target in range, and the hovering arrow
// (class 9) that bobs and spins over its target
//
// An arrow's target is the entity of its record's first link while that
// entity runs that record's behaviour and the record is active and not
// done. An arrow without a target completes its record and goes.
#pragma once

#include <cstdint>

#include "ravenor/game/world/entity.h"

struct ArrowState
{
    // The models (loaded once): the arrow and the translucent arrow
    bool loaded = false;
    P3dModel* model = nullptr;
    P3dModel* alphaModel = nullptr;
    // The type of every arrow: the arrow model's box times 8, half its
    // largest extent as radius
    EntityType type;
    // The target found by the pointing arrow this frame, and that arrow
    Entity* target = nullptr;
    Entity* pointing = nullptr;
    // 1 while a flying arrow exists (or a class 8 arrow forbids one)
    uint8_t flying = 0;
    // The pointing arrow's heading after its last turn
    int32_t lastHeading = 0;
};
extern ArrowState g_arrows;

int32_t ArrowHandler(int32_t classNumber, Entity* e, int32_t message);
// The arrow's target, or none
Entity* ArrowTargetOf(const Entity* arrow);
// Once a frame from the game step: the pointing arrow placed and turned
// toward its target from the player
void UpdatePointingArrow();
// 3000 ahead of the main camera and 2000 up, turned toward the bearing by a
// quarter of the difference and at most 96 units a standard frame; hidden
// under another camera; launches the flying arrow when the target is seen
// and within 810000 (squared 1/32 units).
void PlacePointingArrow(Entity* arrow, int32_t bearing);
void FlyingArrowUpdate(Entity* e);

// Arrow globals to their start (a stage starts: no arrow of an earlier
// stage is pointed with)
void ResetArrows();
// Tests: the models forgotten
void ResetArrowModels();
