// track_map.h -- the track drawn small in a corner of the race screen: every
// tenth track point joined by a white line, a square at the start (and at
// the end of an open track), and a square for every racer, the player's red
// and the others green (the line's colour is the game's)
#pragma once

#include "engine/base/vector.h"

#include <os/windows.h>

#include <vector>

namespace racing {

struct MotionBody;

class TrackMap
{
public:
    // The map fills 80 % of the rectangle's height with the larger of the
    // track's x and z ranges; world (0, 0) sits at the rectangle's centre.
    TrackMap(const RECT& rect, int trackPointCount, const Vector3* trackPoints, bool closed,
             COLORREF lineColour = RGB(0xFF, 0xFF, 0xFF));
    ~TrackMap();
    TrackMap(const TrackMap&) = delete;
    TrackMap& operator=(const TrackMap&) = delete;

    void addRacer(const MotionBody* racer, bool isPlayer) { racers.push_back({racer, isPlayer}); }
    // The racers from the last registered to the first.
    void draw(HDC dc) const;
    // Screen pixels of a world x and z (z upward on the map).
    void toScreen(float x, float z, int& px, int& py) const;

    int centreX = 0, centreY = 0;
    int count = 0;
    float scale = 0.0f;
    std::vector<POINT> mapPoints; // count + 1, the last repeats the first
    bool closed = true;
    struct Racer
    {
        const MotionBody* motion;
        bool isPlayer;
    };
    std::vector<Racer> racers;

private:
    HPEN greenPen, redPen, linePen;
};

} // namespace racing
