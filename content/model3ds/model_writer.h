// model_writer.h -- a small 3D model written as a 3DS file: meshes with
// vertices, texture coordinates, faces and one material each
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace model3ds {

struct MaterialSpec
{
    std::string name;
    uint32_t colour = 0xFFFFFF; // 0xRRGGBB, written as bytes
    std::string textureMap;     // file name, or empty
    std::string opacityMap;
    std::string reflectionMap;
    int texturePercent = 100;
    bool twoSided = false;
    bool flat = false;
};

struct MeshSpec
{
    std::string name;
    std::vector<float> positions; // x, y, z per vertex, in the file's z-up axes
    std::vector<float> uvs;       // u, v per vertex (may be empty)
    std::vector<uint16_t> faces;  // a, b, c per face
    std::string material;         // empty: no face-material group
};

struct ModelSpec
{
    std::vector<MaterialSpec> materials;
    std::vector<MeshSpec> meshes;
};

// The whole file.
std::vector<uint8_t> writeModel(const ModelSpec& model);

// A box of the given half sizes centred at the origin, 12 faces wound so
// that they face outwards, with texture coordinates per face.
MeshSpec boxMesh(const std::string& name, float hx, float hy, float hz, const std::string& material);

// A box of boxMesh whose side facing the file's +Y (the engine's -z, a
// board's back) shows its picture upright and reading from left to right
// from behind, as the side facing -Y does from the front (boxMesh lays it
// turned a quarter).
void uprightBackPicture(MeshSpec& box);

// Positions given in the engine's axes (y up) turned into the file's: the
// reader maps a file vertex (X, Y, Z) to (-X, Z, -Y).
void turnToFileAxes(MeshSpec& mesh);

// A box of half sizes along the engine's axes centred at (ox, oy, oz) of
// the engine's axes, written in the file's axes.
MeshSpec engineBox(const std::string& name, float hx, float hy, float hz, float ox, float oy, float oz,
                   const std::string& material);

// A closed ring-shaped solid (torus) with `segments` x `sides` quads.
MeshSpec torusMesh(const std::string& name, float major, float minor, int segments, int sides,
                   const std::string& material);

} // namespace model3ds
