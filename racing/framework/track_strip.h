// track_strip.h -- the layout of a racing track strip: 8 vertices across the
// road per segment (outer pair, road edge, centre pair, road edge, outer
// pair) and 14 faces per segment joining it to the next, as a closed loop
#pragma once

#include <cstdint>
#include <vector>

class Mesh;

namespace racing {

struct StripPoint
{
    float x, y, z; // centre of the segment, engine axes (y up)
};

struct StripShape
{
    float halfRoad = 6.0f;    // centre to road edge (vertices 2 and 5)
    float centreGap = 0.5f;   // centre to each vertex of the centre pair
    float shoulder = 1.5f;    // road edge to the first outer vertex
    float outer = 4.0f;       // road edge to the second outer vertex
    float outerRise = 1.0f;   // the outermost vertices stand this much higher
};

struct StripMesh
{
    std::vector<float> positions; // x, y, z per vertex, engine axes
    std::vector<int32_t> faces;   // a, b, c per face, road faces facing up
};

// The strip through the centre points (at least 2): each segment across the
// road perpendicular to the direction from the previous to the next point.
StripMesh makeTrackStrip(const std::vector<StripPoint>& centre, const StripShape& shape);

// An oval of straights and half circles with `segments` centre points; the
// height follows one slow wave of `hill` units.
std::vector<StripPoint> ovalCentreLine(int segments, float straight, float radius, float hill);

// The strip as an engine mesh named "track" (positions in the current
// fixed-point scale, no texture coordinates).
Mesh* makeStripMesh(const StripMesh& strip);

} // namespace racing
