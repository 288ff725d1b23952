// particles.h -- short-lived pieces of the world: skid streaks behind the
// player's rear wheels, tyre smoke, sparks and flying debris
//
// Each piece is a pool record with its own update callback that frees it:
// streaks once they are off screen, smoke after its texture's frames, sparks
// and debris once they fall faster than 200 a frame. A full region of the
// pool drops the piece.
#pragma once

#include <cstdint>

#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/vehicle_state.h"

// A driven car on the ground as its step saw it: while it slides (slide
// above 4) faster than 10 the skid loop plays and each rear wheel puffs
// smoke and lays streaks; four frames after it stops sliding the loop stops.
void SkidEffects(const SkidSample& at, const int32_t leftWheel[3], const int32_t rightWheel[3]);
// One streak piece for the wheel at offset when it has moved more than 130
// since its last point (the player's car only); last is kept up to date.
void LaySkid(const SkidSample& at, const int32_t offset[3], int32_t last[3], int32_t level);
// The streak's update: its level falls by F / 256 a frame; inert once unseen
void SkidFade(Entity* piece);
// A smoke puff at (x, y, z) in the car's frame
void PuffSmoke(const SkidSample& at, int32_t x, int32_t y, int32_t z);
void SmokeStep(Entity* puff);
// A spark from a world point, flying off with half the source's velocity
void ThrowSpark(const Entity* source, const int32_t point[3]);
// A piece of the source thrown from half way to the offset (source frame)
void ThrowDebris(const Entity* source, const int32_t offset[3]);
void DebrisStep(Entity* piece);

// Row 0 := -velocity, the other rows across it and the world's up; nothing
// for a standing entity.
void AlignToVelocity(Entity* e);

// Skid state back to its start: the wheels' last points and the loop's
// counter (a stage starts)
void ResetParticles();
