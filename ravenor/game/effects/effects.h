// effects.h -- glows that ride on a carrier: the emitters of a class's type
// (held and timed glows of lampposts and roadblocks) and the brake and
// reverse lights of driven cars
//
// A glow is a pool record of its own that follows its carrier at an offset
// in the carrier's frame and is turned to face the camera. Emitted glows live
// a fixed time; a light lives while its carrier keeps the update, record and
// attachment it had when the light was attached. Every glow makes itself
// inert.
#pragma once

#include <cstdint>

#include "ravenor/game/world/entity.h"

// The four emitter slots of the carrier's type in order: 'H' held, 'S' timed
void RunEmitters(Entity* carrier);
// One glow of 16 frames, made on frames whose counter's low four bits are 1
// while the carrier is within the slot's distance of the camera
void EmitHeld(Entity* carrier, const AttachmentSlot& slot);
// One glow of period 1 frames, made when (carrier age + frame counter)
// modulo (period 1 + period 2) is below F / 256, within the distance. Two
// zero periods never fire.
void EmitTimed(Entity* carrier, const AttachmentSlot& slot);
void HeldEffectStep(Entity* effect);
void TimedEffectStep(Entity* effect);

// One brake glow at the offset: drawn while the carrier's brake request is
// set and it moves forward.
void AttachBrakeLight(Entity* carrier, const int32_t* offset);
// Two reverse glows, unless the carrier has them (its lightsOn); they go
// when the carrier leaves reverse.
void AttachReverseLights(Entity* carrier, const int32_t* offset1, const int32_t* offset2);
void BrakeLightStep(Entity* glow);
void ReverseLightStep(Entity* glow);
// The entity's rows turned to face the camera (a billboard)
void FaceCamera(Entity* e);
