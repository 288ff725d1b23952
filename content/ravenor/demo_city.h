// demo_city.h -- the demo city: "scenery.p3d" and "scenery.tex"
//
// An 8000 x 8000 square (renderer units, y up, centred on 0) of 250-unit
// ground tiles with three streets along x and three along z, about two dozen
// box buildings 100 to 600 high, fences along some streets and glass towers
// around an opaque core. Mesh "Object01" holds everything visible, the road
// tiles included; mesh "Road" repeats the road tiles for the ground queries.
// No face is more than 250 units across.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "content/ravenor/mesh_writer.h"

namespace ravenor_content {

// Texture numbers in "scenery.tex"
enum CityTexture : uint32_t
{
    kCityWall = 0,    // opaque, one-sided
    kCityRoad = 1,    // opaque, with markings
    kCityFence = 2,   // colour key
    kCityGlass = 3,   // half blend
    kCityGrass = 4,   // opaque
    kCityRoof = 5,    // opaque
    kCityTextureCount = 6,
};

constexpr int16_t kCityHalfSize = 4000;
constexpr int16_t kCityTile = 250;
// Centres of the streets along both axes; each is two tiles wide.
constexpr int16_t kCityStreets[3] = {-2500, 0, 2500};

std::vector<Mesh> DemoCityMeshes();
// A box from (x0, y0, z0) to (x1, y1, z1) in model space (y up): four walls
// facing out and a top, cut into pieces of at most 250, all of one texture
Mesh BlockMesh(const std::string& name, int16_t x0, int16_t y0, int16_t z0, int16_t x1, int16_t y1, int16_t z1,
               const int16_t translation[3], uint32_t texture);
std::vector<uint8_t> DemoSceneryP3d();
std::vector<uint8_t> DemoSceneryTex();

} // namespace ravenor_content
