// render_state.h -- per-frame and per-mesh constants of the 3D render pass
#pragma once

#include "engine/scene/3d/vertex_face.h"
#include "engine/scene/scenes/renderer3d.h"

#include <cstdint>
#include <memory>
#include <vector>

class Material;

struct Renderer3D::FrameState
{
    int32_t W = 0, H = 0;   // target size
    int32_t P = 0;          // screen scale numerator: (min side << 10) / projection
    int32_t cx = 0, cy = 0; // viewport centre
    int32_t projection = 0;
    Matrix4 view;
    int shift = 11;
};

struct Renderer3D::MeshState
{
    Mesh* mesh = nullptr;
    const Material* material = nullptr;
    int32_t rotation[9] = {};  // model-view rotation x 2^S x 8
    int32_t translation[3] = {}; // x 2^S
    int32_t lighting[9] = {};  // rotation for normals, x 2^S
    bool perVertexLighting = false;
    int32_t offsetU = 0, offsetV = 0;
    int shiftU = 0, shiftV = 0;
};

// Records made afresh every frame (near-clip intersections, subdivision
// midpoints and the faces between them), kept from frame to frame so that
// a frame allocates only when it needs more of them than any frame before.
template <class T>
class FramePool
{
public:
    template <class... Args>
    T* take(Args&&... args)
    {
        if (used == items.size())
            items.push_back(std::make_unique<T>(std::forward<Args>(args)...));
        else
            *items[used] = T(std::forward<Args>(args)...);
        return items[used++].get();
    }
    // Every record taken is free again (the lists holding them are cleared).
    void reset() { used = 0; }

private:
    std::vector<std::unique_ptr<T>> items;
    size_t used = 0;
};

struct Renderer3D::TempPool
{
    FramePool<Vertex> vertices;
    FramePool<Face> faces;
};
