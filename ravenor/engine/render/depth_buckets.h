// depth_buckets.h -- blended triangles held back and drawn deepest first
//
// A queued triangle goes to bucket (d0 + d1 + d2) >> 2 of its corner depths
// and keeps its corner order (top, middle, bottom as 4-bit corner numbers:
// bits 11..8, 7..4, 3..0). The flush draws every face through the one filler
// it is given. Halves made by the near split live in a pool of copies until
// the flush.
#pragma once

#include <cstdint>

#include "ravenor/engine/data/models.h"
#include "ravenor/engine/render/triangle_fill.h"

constexpr int32_t kBucketCount = 7875;
constexpr int32_t kBucketNodes = 4096;
constexpr int32_t kPooledFaces = 1024;

class DepthBuckets
{
public:
    // Appends a face; false when the node pool is full (the face is dropped).
    bool Add(const P3dFace* face, uint16_t code);
    // A copy of a face and its three vertices that lives until the flush;
    // none when the pool is full.
    const P3dFace* Keep(const P3dFace& face);
    // Draws every queued face through the filler, deepest bucket first and
    // in queue order within a bucket, then empties everything.
    void Flush(TriangleFiller filler);
    void Reset();

    int32_t NodeCount() const { return m_nodeCount; }
    int32_t PooledCount() const { return m_pooledFaces; }
    int32_t Lowest() const { return m_lowest; }
    int32_t Highest() const { return m_highest; }

private:
    void ResetCounters();

    struct Node
    {
        const P3dFace* face;
        uint16_t code;
        int16_t next;
    };
    struct Bucket
    {
        int16_t count = 0;
        int16_t first = -1;
        int16_t last = -1;
    };

    Bucket m_buckets[kBucketCount];
    Node m_nodes[kBucketNodes] = {};
    int32_t m_nodeCount = 0;
    int32_t m_lowest = kBucketCount;
    int32_t m_highest = 0;
    P3dFace m_faces[kPooledFaces] = {};
    P3dVertex m_vertices[kPooledFaces * 3] = {};
    int32_t m_pooledFaces = 0;
};

// Draws a face with the corner order of a code through a filler.
void FillByCode(const P3dFace& face, uint16_t code, TriangleFiller filler);
