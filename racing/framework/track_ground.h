// track_ground.h -- the ground under a racer: the highest road face below a
// point. The race page's collision grid answers the same question; this grid
// over one mesh serves until then and in the tests.
#pragma once

#include "engine/base/vector.h"

#include <vector>

class Mesh;

namespace racing {

class GroundQuery
{
public:
    virtual ~GroundQuery() = default;
    // Sets point.y to the height of the highest face below `top` at the
    // point's x and z and writes that face's normal (y below 0 for a face
    // seen from above); false when nothing is below.
    virtual bool findGround(Vector3& point, Vector3& normal) = 0;
};

class CollisionGrid;

// The racing engine's collision grid as a ground query.
class GridGround : public GroundQuery
{
public:
    explicit GridGround(CollisionGrid* grid_) : grid(grid_) {}
    bool findGround(Vector3& point, Vector3& normal) override;

private:
    CollisionGrid* grid;
};

class TrackGround : public GroundQuery
{
public:
    // Face normals are computed here from the vertex positions, so the grid
    // never depends on a render pass having run first.
    TrackGround(const Mesh& mesh, int cellsX, int cellsZ);
    bool findGround(Vector3& point, Vector3& normal) override;
    int faceCount() const { return int(triangles.size()); }

private:
    struct Triangle
    {
        Vector3 p[3];
        Vector3 normal;
    };
    std::vector<Triangle> triangles;
    std::vector<std::vector<int>> cells;
    int cellsX, cellsZ;
    float minX = 0, minZ = 0, cellW = 1, cellD = 1;
    float top = 0;
};

} // namespace racing
