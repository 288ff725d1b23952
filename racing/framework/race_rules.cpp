// race_rules.cpp -- visible window, laps and grid of a race
#include "racing/framework/race_rules.h"

namespace racing {

void VisibleWindow::update(int s, bool facingBack, int ahead, int n, int behind)
{
    if (n <= 0)
        return;
    if (ahead + behind + 1 >= n)
    {
        first = 0, last = n - 1, inverted = false;
        return;
    }
    if (!facingBack)
    {
        first = ((n + s - behind) % n + n) % n;
        last = (s + ahead) % n;
    }
    else
    {
        first = ((n + s - ahead) % n + n) % n;
        last = (s + behind) % n;
    }
    inverted = first > last;
    if (inverted)
    {
        int t = first;
        first = last;
        last = t;
    }
}

bool VisibleWindow::contains(int segment) const
{
    bool inside = segment >= first && segment <= last;
    return inverted ? !inside : inside;
}

LapEvent LapCounter::pass(int segment, bool wrongWay)
{
    if (nextCheckpoint < 0 || nextCheckpoint > 5 || segment != checkpoints[nextCheckpoint])
        return LapEvent::None;
    nextCheckpoint += wrongWay ? -1 : 1;
    if (nextCheckpoint < 0)
        nextCheckpoint = 0;
    if (nextCheckpoint < 5)
        return LapEvent::Checkpoint;
    nextCheckpoint = 0;
    return lapsLeft-- == 1 ? LapEvent::Finished : LapEvent::Lap;
}

int gridSegment(int i, int rivalCount, int n, bool exercise)
{
    return gridSegmentSpaced(i, rivalCount, n, exercise ? 3 : 8);
}

int gridSegmentSpaced(int i, int rivalCount, int n, int spacing)
{
    int slot = i == rivalCount ? rivalCount / 2 : (i < rivalCount / 2 ? i : i + 1);
    return ((n - slot * spacing + 1) % n + n) % n;
}

} // namespace racing
