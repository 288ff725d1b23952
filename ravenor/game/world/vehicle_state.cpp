// vehicle_state.cpp -- a driven car's state
#include "ravenor/game/world/vehicle_state.h"

SkidSample SampleOf(const Entity* car)
{
    SkidSample at;
    at.car = car;
    Orientation::Assign(at.orientation, car->orientation);
    for (int k = 0; k < 3; ++k)
        at.velocity[k] = car->velocity[k];
    at.speed = car->speed;
    at.slide = car->vehicle != nullptr ? car->vehicle->slide : 0;
    at.travelHeading = car->travelHeading;
    at.probe = car->groundProbe;
    return at;
}
