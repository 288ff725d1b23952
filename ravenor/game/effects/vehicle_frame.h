// vehicle_frame.h -- a driven car's step read by its sound, effects and camera
#pragma once

struct Entity;

// After the car's step, in the order the step met them: the engine sound
// (the player's), the skid loop, streaks and smoke, the reverse lights, the
// sparks and crash of each wall hit, the camera's shake, and the landing
// sound stopped in the air or played on touching down.
void PlayVehicleFrame(Entity* car);
