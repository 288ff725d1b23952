// loose_bodies.h -- bodies knocked loose: props and parked cars that fly,
// fall, tumble on their box corners and come to rest, and traffic cars that
// tumble and, once upright and still, drive on
//
// Spin is an angular velocity in the frame of the orientation's rows (Q12
// axis times the rate); ApplySpin turns the rows by it each frame.
#pragma once

#include <cstdint>

struct Entity;

// Update of a knocked-loose prop or parked car
void LooseBodyStep(Entity* e);
// The step of a traffic car knocked loose (traffic state 93)
void TumbleStep(Entity* e);
// The eight box corners against the ground: touching corners kick the spin
// and lift the body; true when a corner reaches into the ground.
bool BoxGround(Entity* e);
// Corners that touched in the last BoxGround
int32_t CornersTouching();
// Slows the planar velocity in the body's heading frame
void GroundFriction(Entity* e);
// The rest time of a loose body whose type gives none, in frames
constexpr int32_t kLooseRestFrames = 132;

// Tests: forget the last crash sound time
void ResetLooseBodies();
