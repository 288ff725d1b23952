// track_model.h -- what a race needs of its track, built from the track
// strip: segment count, centre points, checkpoints, laps, lap length and
// width, the side-wall mesh cut from the road mesh and the texture
// coordinates of both
#pragma once

#include "engine/base/vector.h"

#include <functional>
#include <vector>

class Mesh;

namespace racing {

constexpr int kMinSegments = 200;
constexpr int kMaxSegments = 500;

struct TrackKeys
{
    float guardrailHeight = 1.0f; // "track.guardrailH"
    float widthAdjust = 1.0f;     // "track.widthAdjust"
    bool zigzag = false;          // "track.zigzagside" given
    int zigzagSide = 0;
    float maxXZOffset = 0.0f, maxYOffset = 0.0f;
    float farDistance = 400.0f; // 400 superbike, 300 motocross, 500 car
    bool exercise = false;
    // The car game's track: no side walls, the edge roughness pushes whole
    // road sides outwards, the width is measured between the centre pair
    // (the drivable edges of a car track) and every vertex gets its v.
    bool car = false;
};

struct TrackModel
{
    int segmentCount = 0;
    std::vector<Vector3> points; // centre of each segment
    int checkpoints[6] = {};
    int nextCheckpoint = 0;
    int lapCount = 0, lapsLeft = 0;
    float trackLength = 0.0f, segmentLength = 0.0f;
    float halfWidth = 0.0f, halfWidthSquared = 0.0f;
    int visibleAhead = 0;

    // The direction from a segment's point to the next one.
    void direction(int segment, Vector3& out) const;
};

enum class TrackBuild
{
    Built,
    SegmentCountOutOfRange, // reported, and the track is raced all the same
    Refused                 // too few segments or faces to race on: nothing built
};

// The message shown when a track has a segment count outside 200..500.
extern const char* const kSegmentCountMessage;

// Builds the track from its road mesh: edge roughness, the side walls (a new
// mesh returned in `walls`, owned by the caller; none on a car track), the
// points and lengths, texture coordinates. A mesh of under 2 segments, or with fewer faces than
// its segments need, is refused and left untouched. `progress` is told the
// share done, 100 x (i + 1) / n, at every tenth segment i of the walk.
TrackBuild buildTrackModel(Mesh& road, const TrackKeys& keys, TrackModel& out, Mesh*& walls,
                           const std::function<void(int percent)>& progress = {});

} // namespace racing
