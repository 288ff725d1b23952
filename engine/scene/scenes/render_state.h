// render_state.h -- per-frame and per-mesh constants of the 3D render pass
#pragma once

#include "engine/scene/scenes/renderer3d.h"

#include <cstdint>

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
