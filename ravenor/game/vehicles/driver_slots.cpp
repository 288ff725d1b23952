// driver_slots.cpp -- the stage's six driver slots and placing a driven car
#include "ravenor/game/vehicles/driver_slots.h"

#include "ravenor/game/vehicles/vehicle.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/hud.h"
#include "ravenor/game/world/stage_state.h"
#include "ravenor/game/world/vehicle_state.h"

VehicleState* GetDriverSlot(Entity* e)
{
    for (int i = 0; i < g_stage.driverSlotCount; ++i)
        if (e->behaviour != nullptr && g_stage.driverSlots[i].boundBehaviour == e->behaviour)
            return &g_stage.driverSlots[i];
    if (g_stage.driverSlotCount >= kDriverSlots)
        return nullptr;
    VehicleState* slot = &g_stage.driverSlots[g_stage.driverSlotCount++];
    *slot = VehicleState{};
    slot->boundBehaviour = e->behaviour;
    return slot;
}

bool PlaceVehicle(Entity* e, int32_t x, int32_t y, int32_t z, int32_t heading, const void* data)
{
    VehicleState* slot = GetDriverSlot(e);
    if (slot == nullptr)
    {
        EndStageWithMessage("TOO MANY DRIVEN CARS");
        return false;
    }
    ResetDriverState(slot);
    slot->data = data;
    e->vehicle = slot;
    e->orientation.t[0] = x;
    e->orientation.t[1] = e->type->fixedY != -1 ? e->type->fixedY : y;
    e->orientation.t[2] = z;
    e->heading = e->travelHeading = heading & 0xFFF;
    BuildBodyRotation(e);
    // The ground where it now stands, not where the record stood before
    e->probeFrame = 0xFFFFFFFF;
    ProbeRefresh(e);
    for (int i = 0; i < 6; ++i)
    {
        e->probeFrame = 0xFFFFFFFF;
        VehicleBodyStep(e);
        BuildBodyRotation(e);
    }
    // Settling into place is not a frame anybody hears or sees.
    slot->frame = VehicleFrame{};
    return true;
}
