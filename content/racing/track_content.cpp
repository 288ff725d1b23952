// track_content.cpp -- writes the smoke content's track model: a flat road
// of 8 x 8 quads ("track", x and z from -40 to 40 at height 0) and a bridge
// deck over its middle strip ("bridge", x from -10 to 10, its top at height
// 6 and its underside at 5), floors facing up, the collision grid's test
// ground. Usage: racing_track_content OUT.3ds TEXTURE
#include "content/model3ds/model_writer.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// A horizontal quad over [x0, x1] x [z0, z1] at height y in the engine's
// axes (y up), seen from above when up, from below otherwise.
void addFlat(model3ds::MeshSpec& m, float x0, float x1, float z0, float z1, float y, bool up)
{
    const uint16_t base = uint16_t(m.positions.size() / 3);
    const float corners[4][2] = {{x0, z0}, {x1, z0}, {x1, z1}, {x0, z1}};
    const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 4; ++i)
    {
        m.positions.insert(m.positions.end(), {corners[i][0], y, corners[i][1]});
        m.uvs.insert(m.uvs.end(), {uv[i][0], uv[i][1]});
    }
    if (up)
        m.faces.insert(m.faces.end(), {base, uint16_t(base + 1), uint16_t(base + 2), base, uint16_t(base + 2),
                                       uint16_t(base + 3)});
    else
        m.faces.insert(m.faces.end(), {base, uint16_t(base + 2), uint16_t(base + 1), base, uint16_t(base + 3),
                                       uint16_t(base + 2)});
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: racing_track_content OUT.3ds TEXTURE\n");
        return 2;
    }
    model3ds::ModelSpec model;
    model3ds::MaterialSpec road;
    road.name = "road";
    road.textureMap = argv[2];
    model.materials.push_back(road);
    model3ds::MeshSpec track;
    track.name = "track";
    track.material = "road";
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j)
            addFlat(track, -40.0f + 10.0f * float(i), -30.0f + 10.0f * float(i), -40.0f + 10.0f * float(j),
                    -30.0f + 10.0f * float(j), 0.0f, true);
    model3ds::MeshSpec bridge;
    bridge.name = "bridge";
    bridge.material = "road";
    addFlat(bridge, -10.0f, 10.0f, -40.0f, 40.0f, 6.0f, true);
    addFlat(bridge, -10.0f, 10.0f, -40.0f, 40.0f, 5.0f, false);
    for (model3ds::MeshSpec* m : {&track, &bridge})
    {
        model3ds::turnToFileAxes(*m);
        model.meshes.push_back(*m);
    }
    const std::vector<uint8_t> bytes = model3ds::writeModel(model);
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return out ? 0 : 1;
}
