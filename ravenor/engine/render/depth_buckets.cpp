// depth_buckets.cpp -- queue and flush of the blended triangles
#include "ravenor/engine/render/depth_buckets.h"

void FillByCode(const P3dFace& face, uint16_t code, TriangleFiller filler)
{
    FillCorner corners[3];
    for (int k = 0; k < 3; ++k)
    {
        const P3dCorner& c = face.corners[(code >> (4 * k)) & 0xF];
        corners[k] = {c.vertex, c.u, c.v};
    }
    filler(corners[0], corners[1], corners[2], *face.texture);
}

bool DepthBuckets::Add(const P3dFace* face, uint16_t code)
{
    if (m_nodeCount >= kBucketNodes)
        return false;
    int32_t sum = 0;
    for (const P3dCorner& c : face->corners)
        sum += c.vertex->depth;
    const int32_t b = sum >> 2;
    if (b < 0 || b >= kBucketCount)
        return false;
    const int16_t n = static_cast<int16_t>(m_nodeCount++);
    m_nodes[n] = {face, code, -1};
    Bucket& bucket = m_buckets[b];
    if (bucket.count == 0)
    {
        bucket.first = n;
        if (b < m_lowest)
            m_lowest = b;
        if (b > m_highest)
            m_highest = b;
    }
    else
    {
        m_nodes[bucket.last].next = n;
    }
    bucket.last = n;
    ++bucket.count;
    return true;
}

const P3dFace* DepthBuckets::Keep(const P3dFace& face)
{
    if (m_pooledFaces >= kPooledFaces)
        return nullptr;
    P3dFace& copy = m_faces[m_pooledFaces];
    copy = face;
    for (int k = 0; k < 3; ++k)
    {
        P3dVertex& v = m_vertices[m_pooledFaces * 3 + k];
        v = *face.corners[k].vertex;
        copy.corners[k].vertex = &v;
    }
    ++m_pooledFaces;
    return &copy;
}

void DepthBuckets::Flush(TriangleFiller filler)
{
    for (int32_t b = m_highest; b >= m_lowest; --b)
    {
        Bucket& bucket = m_buckets[b];
        for (int16_t n = bucket.count ? bucket.first : -1; n >= 0; n = m_nodes[n].next)
            FillByCode(*m_nodes[n].face, m_nodes[n].code, filler);
        bucket = Bucket{};
    }
    ResetCounters();
}

void DepthBuckets::Reset()
{
    for (Bucket& bucket : m_buckets)
        bucket = Bucket{};
    ResetCounters();
}

void DepthBuckets::ResetCounters()
{
    m_nodeCount = 0;
    m_highest = 0;
    m_lowest = kBucketCount;
    m_pooledFaces = 0;
}
