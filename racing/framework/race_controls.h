// race_controls.h -- what both race pages do alike with the keys and the
// racers: the pedal and the steering of the held keys, the race page's
// released keys (frame rate, camera presets), collisions among the racers
#pragma once

#include "racing/framework/race_track.h"
#include "racing/framework/track_model.h"

#include <cstdint>
#include <vector>

class FrameTimer;

namespace racing {

// The device's buttons (key bits while GAPI's input is open): A and Start
// are throttle, B and C brake.
constexpr uint32_t kThrottleButtons = 0x2000 | 0x10000;
constexpr uint32_t kBrakeButtons = 0x4000 | 0x8000;

enum class Pedal
{
    None,
    Throttle,
    Brake
};

// Up or Down first, then the device's buttons.
Pedal pedalOf(uint32_t keys);
// 0 left, 1 right, 2 centre.
inline int steeringOf(uint32_t keys)
{
    return keys & 4 ? 0 : keys & 8 ? 1 : 2;
}

// What the held keys ask of the player's racer in a layout: upright Left and
// Right steer, Up is the throttle and Down the brake; turned
// counter-clockwise (1) Up steers right, Down left, Left is the throttle
// and Right the brake; turned clockwise (2) Up steers left, Down right,
// Right is the throttle and Left the brake. The device's buttons are the
// pedals in every layout.
struct RaceKeys
{
    int steering; // 0 left, 1 right, 2 centre
    Pedal pedal;
};
RaceKeys raceKeys(uint32_t keys, int orientation);

// A released key of a race page: Tab turns the frame-rate display on and
// off (the frame timer then only measures, else it caps); F1 to F8 answer
// the camera preset 0 to 7; anything else -1.
int racePageKey(int key, bool& showFrameRate, FrameTimer& timer);

// Collisions among the racers in sight: a racer meets at most one other a
// frame; `hit` is told of both (s: the speed given to the one ahead).
template <class Racer, class Hit>
void resolveCollisions(const std::vector<Racer*>& racers, const TrackModel& track, float s, Hit hit)
{
    for (size_t i = 0; i < racers.size(); ++i)
        for (size_t j = i + 1; j < racers.size(); ++j)
        {
            Racer* a = racers[i];
            Racer* b = racers[j];
            if (!a->visible || !b->visible)
                continue;
            if (!collide(a->motion, b->motion, a->length, b->length, track, b->segment, s))
                continue;
            hit(*a, *b);
            break;
        }
}

} // namespace racing
