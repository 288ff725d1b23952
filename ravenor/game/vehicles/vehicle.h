// vehicle.h -- the driven car: a small integer model of speed, heading,
// sliding, wall probes and four wheel springs
//
// The step reads the car's controls and writes its state and what it met
// (vehicle_state.h). Every quantity is an integer in world units or 12-bit
// angles; per-frame changes are scaled by the speed factor.
#pragma once

#include <cstdint>

#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/vehicle_state.h"

// Four equal speed bands
extern const int32_t GearTable[16];

void DriveVehicle(Entity* entity);
void VehicleBodyStep(Entity* entity);
void Accelerate(Entity* entity);
void Brake(Entity* entity, int32_t force, int32_t limit);
void Handbrake(Entity* entity);
void Coast(Entity* entity, int32_t drag);
void HeadingDrag(Entity* entity);
void SteerInput(Entity* entity);
void SteerAndSlide(Entity* entity);
void LoadToSprings(Entity* entity);
void WheelTurnStep(Entity* entity);
void BehaviourSteer(Entity* entity);
// slope: the body step's velocity along the ground
void Suspension(Entity* entity, const int32_t slope[3]);
// -999999 without ground, the ground height when the point is at most 9
// above it, else kNoContact
constexpr int32_t kNoGround = -999999;
constexpr int32_t kNoContact = kNoContactValue;
int32_t WheelRay(Entity* entity, const int32_t wheel[3], int32_t compression);
void WallProbe(Entity* entity);
void BuildBodyRotation(Entity* entity);
// Every control, spring and slide value of the state to rest
void ResetDriverState(VehicleState* state);
void SpinWheels(Entity* entity);
