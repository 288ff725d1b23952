// mesh_writer.h -- ".p3d" mesh tables
//
// Each mesh is written as its record (name, placement, counts, vertices,
// faces); the mesh count follows the last one as the file's final word.
// Vertex positions are in model space: the engine subtracts the mesh
// translation when it loads a model (not for the scenery).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ravenor_content {

struct MeshVertex
{
    int16_t x = 0;
    int16_t y = 0;
    int16_t z = 0;
    int16_t shade = 0;      // shade offset; the engine keeps it for the scenery only
    int16_t normal[3] = {0, 0, 0x4000};
};

struct MeshCorner
{
    uint32_t vertex = 0;    // index within the mesh
    int16_t u = 0;          // 1/16 texel
    int16_t v = 0;
};

struct MeshFace
{
    MeshCorner corners[3];
    uint32_t texture = 0;   // index within the model's own ".tex"
    uint32_t cell = 0;
    uint32_t extra = 0;
};

struct Mesh
{
    std::string name;       // at most 24 bytes are written
    int16_t rotation[9] = {0x4000, 0, 0, 0, 0x4000, 0, 0, 0, 0x4000};
    int16_t translation[3] = {0, 0, 0};
    std::vector<MeshVertex> vertices;
    std::vector<MeshFace> faces;
};

std::vector<uint8_t> WriteP3d(const std::vector<Mesh>& meshes);

} // namespace ravenor_content
