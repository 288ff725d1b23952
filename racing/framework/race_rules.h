// race_rules.h -- the rules of a race on a track of N segments: the visible
// window of segments, checkpoint and lap counting, the start grid
#pragma once

namespace racing {

struct VisibleWindow
{
    int first = 0, last = 0;
    bool inverted = false; // visible are the segments outside [first, last]

    // The window around segment s: `behind` (two) behind and `ahead` in
    // front, or the other way round when the camera looks back; the whole
    // track when the two reach round it.
    void update(int s, bool facingBack, int ahead, int n, int behind = 2);
    bool contains(int segment) const;
};

enum class LapEvent
{
    None,
    Checkpoint,
    Lap,
    Finished
};

struct LapCounter
{
    int checkpoints[6] = {};
    int nextCheckpoint = 0;
    int lapsLeft = 0;

    // The player on `segment`; the checkpoint index steps back (never below
    // 0) while riding the wrong way.
    LapEvent pass(int segment, bool wrongWay);
    // "1.5" style lap figure of the HUD.
    float lapFigure() const { return nextCheckpoint >= 3 ? float(lapsLeft) - 0.5f : float(lapsLeft); }
};

// Start segment of racer i of rivalCount + 1 (the player last), spacing 3 in
// an exercise race, else 8.
int gridSegment(int i, int rivalCount, int n, bool exercise);
// The same slots `spacing` segments apart (the car game: 4 and 8).
int gridSegmentSpaced(int i, int rivalCount, int n, int spacing);

} // namespace racing
