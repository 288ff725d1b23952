// mesh.h -- a triangle mesh of a 3D group
#pragma once

#include "engine/base/matrix4.h"
#include "engine/base/ptr_vector.h"
#include "engine/scene/core/material.h"
#include "engine/scene/3d/vertex_face.h"

#include <os/types.h>

// Decides whether the render pass splits a face further (face, depth).
class FaceSubdivider
{
public:
    virtual ~FaceSubdivider() = default;
    virtual bool shouldSplit(const Face& face, int depth) = 0;
};

class Mesh
{
public:
    PtrVector vertices;
    PtrVector faces;
    Material* material = nullptr; // owned by the group's material list
    Matrix4 matrix;
    uint8_t visible = 1;
    float radius = 0.0f;
    Vector3 centre;
    Vector3 extents;
    uint8_t environmentEnabled = 1;
    uint32_t fogColor = 0xFFFFFFFFu;
    uint8_t noNearClip = 0;
    FaceSubdivider* subdivider = nullptr;
    int32_t depthBias = 0;
    uint8_t rangeEnabled = 0;
    int32_t rangeStart = -1, rangeEnd = -1;
    WCHAR name[Material::kNameLength] = {};
    uint8_t normalsValid = 0;
    // The racing build lights the whole mesh by its first face's normal.
    uint8_t singleNormal = 0;

    Mesh() = default;
    ~Mesh();
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    Mesh* clone() const;

    int vertexCount() const { return vertices.size(); }
    int faceCount() const { return faces.size(); }
    Vertex* vertex(int i) const { return static_cast<Vertex*>(vertices.get(i)); }
    Face* face(int i) const { return static_cast<Face*>(faces.get(i)); }

    void addVertexRecord(Vertex* v) { vertices.add(v); }
    void addVertex(float x, float y, float z, int32_t u, int32_t v);
    void addFaceRecord(Face* f);
    void addFace(int32_t a, int32_t b, int32_t c);

    // Face and vertex normals, and with computeBounds the bounding box and
    // sphere; runs only while normalsValid is 0.
    void update(bool computeBounds);
    // Smallest and largest vertex position; untouched without vertices.
    void getBounds(Vector3& min, Vector3& max) const;
    // Integer transform of every vertex by a row-major 3 x 4 matrix.
    void transform(const float matrix12[12], bool invalidate);

private:
    void computeVertexNormals();
};
