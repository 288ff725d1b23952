// city_cells.h -- the city scenery cut into cells, drawn near to far
//
// At load time the faces of the scenery mesh "Object01" (what is seen) and
// "Road" (what is driven on, never drawn) are cut into a grid of boxes by
// their centroids. Each box holding "Object01" faces becomes a cell with a
// bounding box; its "Road" faces come along for the ground queries. Every
// frame the cells in view are binned by the depth of their centre and drawn
// nearest first, farther ones only when the depth already drawn shows they
// may be seen.
#pragma once

#include <cstdint>
#include <vector>

#include "ravenor/engine/core/bounding_box.h"
#include "ravenor/engine/data/models.h"

constexpr int32_t kMaxCells = 1024;
constexpr int32_t kDistanceBins = 83;
constexpr int32_t kNearBins = 9;        // bins 0..8 pay for the near split
constexpr int32_t kUnassigned = -1;

struct CityCell
{
    BoundingBox box;
    std::vector<P3dFace*> faces;   // "Object01"
    std::vector<P3dFace*> roads;   // "Road"
    // Extent of the road faces; they may lie outside the box when they were
    // carried over from a grid box without "Object01" faces.
    Vector4s roadMin{INT16_MAX, INT16_MAX, INT16_MAX, 0};
    Vector4s roadMax{INT16_MIN, INT16_MIN, INT16_MIN, 0};
};

struct World
{
    Vector4s boundsMin{};
    Vector4s boundsMax{};
    P3dMesh* meshes = nullptr;
    int32_t meshCount = 0;
    std::vector<CityCell> cells;
    int32_t cellCount = 0;
    int32_t detail = 58;                 // the game's detail setting
    void (*loadingStep)() = nullptr;     // one step of the loading screen

    // 0, or 2 when a cell cannot be made
    int BuildCells(P3dMesh* sceneryMeshes, int32_t count, int32_t nx, int32_t ny, int32_t nz);
    void DrawVisibleCells();
    void ResetFaces(Vector4s& outMin, Vector4s& outMax);
    // 1 when done (with or without a new cell), 0 when a cell cannot be made
    int AddCell(const int32_t lo[3], const int32_t hi[3]);
    int32_t AssignFaces(const char* meshName, const int32_t lo[3], const int32_t hi[3], int32_t cell);
    void BinCell(int32_t cell);
    void DrawCellFast(int32_t cell);

    // The last bin drawn with the perspective filler: 8 + 2 x (detail / 16)
    int32_t DetailLimit() const;
    // Bin of a cell centre at a depth
    static int32_t BinOfDepth(int32_t depth);
    // Cells in each bin this frame, in order (for tests)
    const std::vector<int16_t>& BinCells(int32_t bin) const { return m_bins[bin]; }

private:
    void CollectFaces(CityCell& cell, int32_t number);
    void CarryTrailingRoads();
    void ClearStampsOnWrap();
    void DrawBins(int32_t from, int32_t to, bool occlusionTested);

    std::vector<int16_t> m_bins[kDistanceBins];
    int32_t m_stampsClearedAt = -1;
};

extern World g_world;

// min <= centroid < max on every axis; the centroid divides toward zero.
bool FaceCentroidInBox(const P3dFace& face, const int32_t lo[3], const int32_t hi[3]);
