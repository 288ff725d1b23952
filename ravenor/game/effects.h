// effects.h -- glows that ride on a driven car: its brake and reverse lights
//
// A glow is a pool record of its own that follows its carrier at an offset
// in the carrier's frame, nudged toward the camera and turned to face it.
// It lives while its carrier keeps the update, record and attachment it had
// when the glow was attached; otherwise it makes itself inert.
#pragma once

#include <cstdint>

#include "ravenor/game/entity.h"

// One brake glow at the offset: drawn while the carrier's brake request is
// set and it moves forward.
void AttachBrakeLight(Entity* carrier, const int32_t* offset);
// Two reverse glows, unless the carrier has them (its lightsOn); they go
// when the carrier leaves reverse.
void AttachReverseLights(Entity* carrier, const int32_t* offset1, const int32_t* offset2);
void BrakeLightStep(Entity* glow);
void ReverseLightStep(Entity* glow);
// The entity's rows turned to face the camera
void FaceCamera(Entity* e);
