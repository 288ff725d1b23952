// demo_stage.cpp -- the first stage's level and models
#include "content/ravenor/demo_stage.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "content/ravenor/demo_city.h"
#include "content/ravenor/image_writer.h"
#include "content/ravenor/level_writer.h"
#include "content/ravenor/mesh_writer.h"

namespace ravenor_content {

namespace {

Texture Plain(uint16_t (*texel)(int x, int y))
{
    return Tile16(texel);
}

// A car of about 1120 x 500 x 560: body, cabin, and four wheels of radius 100
// whose centres lie 200 below the origin
std::vector<Mesh> CarMeshes()
{
    const int16_t origin[3] = {0, 0, 0};
    std::vector<Mesh> meshes;
    meshes.push_back(BlockMesh("body", -250, -150, -560, 250, 100, 560, origin, 0));
    Mesh cabin = BlockMesh("cabin", -220, 100, -250, 220, 300, 250, origin, 1);
    // The cabin rides with the body: one mesh, so that only wheels turn.
    const uint32_t base = static_cast<uint32_t>(meshes[0].vertices.size());
    for (MeshFace& f : cabin.faces)
        for (MeshCorner& c : f.corners)
            c.vertex += base;
    meshes[0].vertices.insert(meshes[0].vertices.end(), cabin.vertices.begin(), cabin.vertices.end());
    meshes[0].faces.insert(meshes[0].faces.end(), cabin.faces.begin(), cabin.faces.end());
    const char* names[4] = {"wheel_front_left", "wheel_front_right", "wheel_back_left", "wheel_back_right"};
    const int16_t centres[4][3] = {{-235, -200, -440}, {235, -200, -440}, {-235, -200, 410}, {235, -200, 410}};
    for (int i = 0; i < 4; ++i)
    {
        const int16_t* c = centres[i];
        meshes.push_back(BlockMesh(names[i], static_cast<int16_t>(c[0] - 40), static_cast<int16_t>(c[1] - 100),
                                   static_cast<int16_t>(c[2] - 100), static_cast<int16_t>(c[0] + 40),
                                   static_cast<int16_t>(c[1] + 100), static_cast<int16_t>(c[2] + 100), c, 2));
    }
    return meshes;
}

std::vector<uint8_t> CarTex()
{
    return WriteTex({Plain([](int x, int y) -> uint16_t {
                         return (y == 7 || y == 8) ? Rgb565(0xF0, 0xF0, 0xF0) : Rgb565(0x20 + x, 0x40, 0xC0);
                     }),
                     Plain([](int x, int y) -> uint16_t {
                         return (x % 8 == 0 || y % 8 == 0) ? Rgb565(0x20, 0x20, 0x30) : Rgb565(0x70, 0xB0, 0xE0);
                     }),
                     Plain([](int x, int y) -> uint16_t {
                         return (x + y) % 4 == 0 ? Rgb565(0x60, 0x60, 0x60) : Rgb565(0x18, 0x18, 0x18);
                     })});
}

// Two posts and a banner across: the wide gates span the road (4200), the
// narrow ones stand within it (2600). The wide gates' posts stand on low
// footings along the kerbs (800 long), which give the gate a box deep
// enough that a car driving through at full speed is inside it in one of
// its frames.
std::vector<uint8_t> GateP3d(bool wide = true)
{
    const int16_t origin[3] = {0, 0, 0};
    const int16_t outer = wide ? 2100 : 1300;
    const int16_t inner = static_cast<int16_t>(outer - 150);
    Mesh gate = BlockMesh("gate", static_cast<int16_t>(-outer), 0, -60, static_cast<int16_t>(-inner), 1600, 60, origin, 0);
    const Mesh right = BlockMesh("gate", inner, 0, -60, outer, 1600, 60, origin, 0);
    const Mesh banner = BlockMesh("gate", static_cast<int16_t>(-inner), 1200, -40, inner, 1550, 40, origin, 1);
    const Mesh leftFoot = BlockMesh("gate", static_cast<int16_t>(-outer - 20), 0, -400,
                                    static_cast<int16_t>(-inner + 20), 60, 400, origin, 0);
    const Mesh rightFoot = BlockMesh("gate", static_cast<int16_t>(inner - 20), 0, -400,
                                     static_cast<int16_t>(outer + 20), 60, 400, origin, 0);
    std::vector<const Mesh*> parts{&right, &banner};
    if (wide)
        parts.insert(parts.end(), {&leftFoot, &rightFoot});
    for (const Mesh* part : parts)
    {
        const uint32_t base = static_cast<uint32_t>(gate.vertices.size());
        gate.vertices.insert(gate.vertices.end(), part->vertices.begin(), part->vertices.end());
        for (MeshFace f : part->faces)
        {
            for (MeshCorner& c : f.corners)
                c.vertex += base;
            gate.faces.push_back(f);
        }
    }
    return WriteP3d({gate});
}

enum class Banner
{
    kCheckpoint,   // yellow and black
    kFinish,       // chequered
    kStart,        // green and white
};

std::vector<uint8_t> GateTex(Banner kind)
{
    Texture post = Plain([](int, int y) -> uint16_t {
        return (y / 4) % 2 ? Rgb565(0xF0, 0xF0, 0xF0) : Rgb565(0xD0, 0x20, 0x20);
    });
    Texture banner;
    switch (kind)
    {
    case Banner::kFinish:
        banner = Plain([](int x, int y) -> uint16_t {
            return ((x / 4) + (y / 4)) % 2 ? Rgb565(0xF8, 0xF8, 0xF8) : Rgb565(0x10, 0x10, 0x10);
        });
        break;
    case Banner::kStart:
        banner = Plain([](int x, int) -> uint16_t {
            return (x / 4) % 2 ? Rgb565(0xF8, 0xF8, 0xF8) : Rgb565(0x10, 0xB0, 0x30);
        });
        break;
    default:
        banner = Plain([](int x, int) -> uint16_t {
            return (x / 4) % 2 ? Rgb565(0xF0, 0xD0, 0x10) : Rgb565(0x10, 0x10, 0x10);
        });
        break;
    }
    return WriteTex({post, banner});
}

// A small lit square for the cars' brake (red) and reverse (white) glows
std::vector<uint8_t> LightP3d()
{
    const int16_t origin[3] = {0, 0, 0};
    return WriteP3d({BlockMesh("light", -50, -35, -10, 50, 35, 10, origin, 0)});
}

std::vector<uint8_t> LightTex(bool brake)
{
    if (brake)
        return WriteTex({Plain([](int, int) -> uint16_t { return Rgb565(0xF8, 0x10, 0x10); })});
    return WriteTex({Plain([](int, int) -> uint16_t { return Rgb565(0xF8, 0xF8, 0xE0); })});
}

} // namespace

namespace {

// The stage descriptions are read from the checkout when the content is made:
// HH_SOURCE_DIR names it (the build sets it for the content step and the
// tests); a program run by hand finds it above itself (the build trees lie
// inside the checkout). No path is compiled in, so the objects are the same
// in every clone.
std::filesystem::path LevelSources()
{
    namespace fs = std::filesystem;
    const fs::path levels = "content/ravenor/levels";
    if (const char* source = std::getenv("HH_SOURCE_DIR"))
        return source / levels;
    std::error_code error;
    for (fs::path dir = fs::read_symlink("/proc/self/exe", error).parent_path(); !dir.empty(); dir = dir.parent_path())
    {
        if (fs::exists(dir / levels, error))
            return dir / levels;
        if (dir == dir.root_path())
            break;
    }
    return levels;
}

} // namespace

std::string StageDescription(int stage)
{
    char name[32];
    std::snprintf(name, sizeof name, "stg%03d.txt", stage);
    std::ifstream in(LevelSources() / name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool DemoStageEntries(std::vector<DemoEntry>& entries, std::string& error)
{
    const std::string description = StageDescription(0);
    if (description.empty())
    {
        error = "stg000.txt cannot be read";
        return false;
    }
    std::vector<uint8_t> level;
    if (!WriteLevel(description, level, error))
    {
        error = "stg000.txt: " + error;
        return false;
    }
    entries.push_back({"stg000.lev", std::move(level)});
    entries.push_back({"concorde.p3d", WriteP3d(CarMeshes())});
    entries.push_back({"concorde.tex", CarTex()});
    entries.push_back({"checkpoint_wide.p3d", GateP3d()});
    entries.push_back({"checkpoint_wide.tex", GateTex(Banner::kCheckpoint)});
    entries.push_back({"finish_wide.p3d", GateP3d()});
    entries.push_back({"finish_wide.tex", GateTex(Banner::kFinish)});
    entries.push_back({"checkpoint.p3d", GateP3d(false)});
    entries.push_back({"checkpoint.tex", GateTex(Banner::kCheckpoint)});
    entries.push_back({"finish.p3d", GateP3d(false)});
    entries.push_back({"finish.tex", GateTex(Banner::kFinish)});
    entries.push_back({"start_wide.p3d", GateP3d()});
    entries.push_back({"start_wide.tex", GateTex(Banner::kStart)});
    entries.push_back({"brakelight.p3d", LightP3d()});
    entries.push_back({"brakelight.tex", LightTex(true)});
    entries.push_back({"reverselight.p3d", LightP3d()});
    entries.push_back({"reverselight.tex", LightTex(false)});
    return true;
}

} // namespace ravenor_content
