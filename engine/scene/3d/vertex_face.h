// vertex_face.h -- the points and triangles of a mesh, in fixed point
#pragma once

#include "engine/scene/core/fixed_point.h"

#include <cstdint>

class Mesh;
struct Vector3;

// Converts a float to the engine's fixed point (truncating, saturating).
int32_t floatToFixed(float value);

struct Vertex
{
    int32_t u = 0, v = 0;    // 16.16 texture coordinates
    int32_t x = 0, y = 0, z = 0;
    int32_t nx = 0, ny = 0, nz = 0;
    // Written by the render pass every frame.
    int32_t cameraX = 0, cameraY = 0, cameraZ = 0;
    int32_t screenX = 0, screenY = 0;
    int32_t depth = 0;
    int32_t texelU = 0, texelV = 0; // 16.16 texels
    int32_t shadeU = 0, shadeV = 0; // normal-map coordinates 0..254
    uint8_t outcode = 0;
    uint8_t behindNear = 0;

    Vertex() = default;
    Vertex(float fx, float fy, float fz, int32_t tu, int32_t tv);
    Vertex* clone() const;
};

struct Face
{
    int32_t a, b, c;
    int32_t nx = 0, ny = 0, nz = 0;
    Mesh* mesh;
    // Written by the render pass.
    int32_t shadeU = 0, shadeV = 0;
    int32_t depthKey = 0;
    uint8_t temporary;

    Face(int32_t a_, int32_t b_, int32_t c_, Mesh* owner, uint8_t flag) : a(a_), b(b_), c(c_), mesh(owner), temporary(flag) {}
    Face* clone() const;
    // The unit normal of the triangle from the mesh's vertex positions.
    void computeNormal(Vector3& out) const;
};
