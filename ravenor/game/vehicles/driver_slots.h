// driver_slots.h -- the six driver slots of a stage and placing a driven car
#pragma once

#include <cstdint>

#include "ravenor/game/world/vehicle_state.h"

// The slot bound to the entity's record, else the next free one; none when
// all six are taken.
VehicleState* GetDriverSlot(Entity* entity);
// Binds the entity to a driver slot and places it, settled by six body
// steps; false when every slot is taken (the stage then ends with a message
// line).
bool PlaceVehicle(Entity* entity, int32_t x, int32_t y, int32_t z, int32_t heading, const void* data);
