// vehicle_frame.cpp -- what a driven car's step met, heard and seen
#include "ravenor/game/effects/vehicle_frame.h"

#include "ravenor/game/base/sound.h"
#include "ravenor/game/effects/crashes.h"
#include "ravenor/game/effects/effects.h"
#include "ravenor/game/effects/particles.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/collision.h"
#include "ravenor/game/world/vehicle_state.h"

namespace {

// A wall hit throws this many sparks from the probe point.
constexpr int32_t kWallSparks = 9;

} // namespace

void PlayVehicleFrame(Entity* car)
{
    const VehicleState* s = car->vehicle;
    if (s == nullptr)
        return;
    const VehicleFrame& frame = s->frame;
    const EntityType* t = car->type;
    if (frame.engine)
        UpdateEngineSound(frame.engineSpeed, frame.engineThrottle);
    SkidEffects(frame.skid, t->wheel[2], t->wheel[3]);
    if (frame.reverseLights)
        AttachReverseLights(car, t->lightOffset[0], t->lightOffset[1]);
    for (int32_t hit = 0; hit < frame.wallHits; ++hit)
    {
        for (int32_t i = 0; i < kWallSparks; ++i)
            ThrowSpark(car, frame.wallPoints[hit]);
        CrashSoundWall();
    }
    if (frame.shaken)
        ShakeCamera(frame.shake[0], frame.shake[1], frame.shake[2]);
    if (frame.inAir)
        StopSound(kSoundLand);
    if (frame.touchedDown)
        PlaySoundScaled(kSoundLand, frame.landingLevel);
}
