// race_content.h -- the race side of Vasko-Moravel's demo resources: the race
// template, the board and banner models, the advertising pictures and a
// box helper in the engine's axes shared with the bike models
#pragma once

#include "content/model3ds/model_writer.h"

#include <filesystem>
#include <string>

namespace moravel_content {

// A box of half sizes (engine axes, y up) centred at (ox, oy, oz), written
// in the file's axes (the reader maps a file vertex (X, Y, Z) to (-X, Z, -Y)).
model3ds::MeshSpec engineBox(const std::string& name, float hx, float hy, float hz, float ox, float oy, float oz,
                             const std::string& material);

// The banner across the track: two posts and a panel (material "board")
// facing +z at their top.
model3ds::ModelSpec bannerModel();

// "MVCanvas.properties", the side-along, vertical and square board models
// in resources/scenes/common and the pictures of resources/scenes/ads.
// False when a file cannot be written.
bool writeRaceContent(const std::filesystem::path& programFolder);

// The advertising record of a track file ("scene.billboard=...").
std::string billboardKeys(bool motocross);

} // namespace moravel_content
