// pedestrians.h -- the twelve pedestrian classes: 62..67 the models "male1"
// .. "male6", 68..73 "female1" .. "female6"
//
// A pedestrian sits on the active list while it exists (so cars collide
// with it and brake for it). Made by a route it only stands: its update
// sends the visible step and removes it once it is far. Made by a node
// record it walks the record's path: the record's step moves it along the
// path and turns its body half way toward the path each frame. While seen
// and held by a behaviour other than 13 it stands on the ground; off screen
// it stands upright. There is no walking animation.
#pragma once

#include <cstdint>

#include "ravenor/game/world/class_messages.h"

struct Entity;
struct EntityType;

int32_t PedestrianHandler(int32_t classNumber, Entity* e, int32_t message);
// The class's type (none outside 62..73)
const EntityType* PedestrianType(int32_t classNumber);
// Every pedestrian class back to unloaded (tests)
void ResetPedestrianModels();
