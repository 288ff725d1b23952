// collision_grid.h -- ground and wall queries over the faces of track models
//
// The grid is a set of cell columns along the three axes over the bounding
// box of the chosen meshes of a group; each column lists the faces whose
// bounding box crosses it. A query marches along a segment and looks, in the
// column through each sample point, for the nearest suitable face above or
// below it. The faces stay the meshes': the group must outlive the grid.
#pragma once

#include "engine/base/vector.h"
#include "engine/scene/core/material.h"

#include <os/types.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

class Group3D;
struct Face;

namespace racing {

class LoadListener;

// One side's answer of a query: the face's normal, the point hit and the
// name of its mesh (empty when nothing was hit).
struct CollisionHit
{
    Vector3 normal;
    Vector3 point;
    WCHAR meshName[Material::kNameLength] = {};
};

class CollisionGrid
{
public:
    // Builds the grid over the meshes whose names occur in wanted (any when
    // null) and not in unwanted (none excluded when null), reporting
    // ("Analyzing 3D Models", group name, percent) to the listener. With any
    // count negative the counts are derived from the faces' sizes.
    CollisionGrid(const Group3D& group, float precision, const WCHAR* wanted, const WCHAR* unwanted,
                  LoadListener* listener, int nx, int ny, int nz);
    CollisionGrid(const CollisionGrid&) = delete;
    CollisionGrid& operator=(const CollisionGrid&) = delete;

    // Marches from end back to start along axis (0 x, 1 y, 2 z). Mode 0
    // looks for the nearest face at or beyond the sample point whose normal
    // points along +axis, mode 1 for the nearest at or below it whose normal
    // points along -axis, mode 2 for both. Answers the mesh name of the
    // below record (modes 1 and 2) or the above record (mode 0) and writes
    // its point and normal; null, outputs untouched, when it is empty. The
    // name lives in the grid until the next query.
    const WCHAR* intersect(const Vector3& start, const Vector3& end, Vector3& outPoint, Vector3& outNormal,
                           int axis, int mode);
    // The highest face under point (searched from the grid top): point.y
    // becomes its height and the mesh name is answered; null, point
    // unchanged, when there is no face under it.
    const WCHAR* findGround(Vector3& point, Vector3& outNormal);

    // 0 (the default) uses each face's stored normal, 1 computes it from
    // the face's vertices.
    uint8_t normalSource = 0;

    float getPrecision() const { return precision; }
    int getCount(int axis) const { return count[axis]; }
    const Vector3& getMin() const { return min; }
    const Vector3& getMax() const { return max; }
    const CollisionHit& getAbove() const { return above; }
    const CollisionHit& getBelow() const { return below; }
    // The faces of the column of cell (x, y, z), one index -1 naming the
    // column's axis; null when the column is empty.
    const std::vector<const Face*>* cell(int x, int y, int z) const;
    int cellCount() const { return int(cells.size()); }

private:
    struct KeyHash
    {
        size_t operator()(uint64_t k) const { return size_t(k * 0x9E3779B97F4A7C15ull >> 17); }
    };
    static uint64_t key(int x, int y, int z);
    void deriveCounts(const Group3D& group, const WCHAR* wanted, const WCHAR* unwanted);
    void insert(const Face* face);
    bool testCell(const std::vector<const Face*>& faces, const float p[3], int axis, int mode, CollisionHit& hit);
    void faceNormal(const Face* face, float n[3]) const;

    float precision = 0.0f;
    int count[3] = {1, 1, 1};
    std::unordered_map<uint64_t, std::vector<const Face*>, KeyHash> cells;
    Vector3 min, max, size;
    float cellSize[3] = {0, 0, 0};
    CollisionHit above, below;
};

// Squared distance from p to the line through a and b; |p - a|^2 when a and
// b are the same point.
float pointLineDistanceSq(const Vector3& p, const Vector3& a, const Vector3& b);

} // namespace racing
