// demo_props.cpp -- prop, effect and arrow models
#include "content/ravenor/demo_props.h"

#include <cstdlib>
#include <functional>

#include "content/ravenor/demo_city.h"
#include "content/ravenor/image_writer.h"
#include "content/ravenor/mesh_writer.h"

namespace ravenor_content {

namespace {

constexpr int kSize = 16;
// Texture coordinates run 0..255 across a 16-texel texture (1/16 texel).
constexpr int16_t kSpan = 255;

using Texel = std::function<uint16_t(int x, int y)>;

std::vector<uint16_t> Paint(const Texel& texel)
{
    std::vector<uint16_t> pixels(kSize * kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            pixels[size_t(y) * kSize + x] = texel(x, y);
    return pixels;
}

Texture Painted(uint32_t mode, const Texel& texel)
{
    Texture t;
    t.width = t.height = kSize;
    t.drawMode = mode;
    t.frames.push_back(Paint(texel));
    return t;
}

const int16_t kOrigin[3] = {0, 0, 0};

// The second mesh's faces and vertices appended to the first
void Merge(Mesh& into, const Mesh& part)
{
    const uint32_t base = static_cast<uint32_t>(into.vertices.size());
    into.vertices.insert(into.vertices.end(), part.vertices.begin(), part.vertices.end());
    for (MeshFace f : part.faces)
    {
        for (MeshCorner& c : f.corners)
            c.vertex += base;
        into.faces.push_back(f);
    }
}

// A four-sided pyramid over the square base (x0..x1, z0..z1) at y0 with its
// apex at (ax, ay, az)
void AddPyramid(Mesh& mesh, int16_t x0, int16_t z0, int16_t x1, int16_t z1, int16_t y0, int16_t ax, int16_t ay,
                int16_t az, uint32_t texture)
{
    const uint32_t base = static_cast<uint32_t>(mesh.vertices.size());
    mesh.vertices.push_back({x0, y0, z0});
    mesh.vertices.push_back({x1, y0, z0});
    mesh.vertices.push_back({x1, y0, z1});
    mesh.vertices.push_back({x0, y0, z1});
    mesh.vertices.push_back({ax, ay, az});
    const uint32_t sides[4][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}};
    for (const auto& side : sides)
    {
        MeshFace face;
        face.corners[0] = {base + side[0], 0, kSpan};
        face.corners[1] = {base + side[1], kSpan, kSpan};
        face.corners[2] = {base + 4, kSpan / 2, 0};
        face.texture = texture;
        mesh.faces.push_back(face);
    }
}

std::vector<uint8_t> BoxP3d()
{
    return WriteP3d({BlockMesh("box", -150, 0, -150, 150, 300, 150, kOrigin, 0)});
}

std::vector<uint8_t> BoxTex()
{
    return WriteTex({Painted(0, [](int x, int y) -> uint16_t {
        return (x == 0 || y == 0 || x == y) ? Rgb565(0x60, 0x40, 0x10) : Rgb565(0xC0, 0x90, 0x40);
    })});
}

std::vector<uint8_t> ConeP3d()
{
    Mesh cone;
    cone.name = "cone";
    AddPyramid(cone, -80, -80, 80, 80, 0, 0, 240, 0, 0);
    return WriteP3d({cone});
}

std::vector<uint8_t> ConeTex()
{
    return WriteTex({Painted(0, [](int, int y) -> uint16_t {
        return (y >= 6 && y < 9) ? Rgb565(0xF8, 0xF8, 0xF8) : Rgb565(0xF0, 0x70, 0x10);
    })});
}

std::vector<uint8_t> RoadblockP3d()
{
    Mesh plank = BlockMesh("plank", -400, 160, -40, 400, 320, 40, kOrigin, 0);
    Mesh legs = BlockMesh("legs", -330, 0, -30, -270, 160, 30, kOrigin, 1);
    Merge(legs, BlockMesh("legs", 270, 0, -30, 330, 160, 30, kOrigin, 1));
    return WriteP3d({plank, legs});
}

std::vector<uint8_t> RoadblockTex()
{
    return WriteTex({Painted(0,
                             [](int x, int y) -> uint16_t {
                                 return ((x + y) / 4) % 2 ? Rgb565(0xF8, 0xF8, 0xF8) : Rgb565(0xE0, 0x10, 0x10);
                             }),
                     Painted(0, [](int, int) -> uint16_t { return Rgb565(0x50, 0x50, 0x50); })});
}

std::vector<uint8_t> LamppostP3d()
{
    Mesh post = BlockMesh("post", -40, 0, -40, 40, 1500, 40, kOrigin, 0);
    Merge(post, BlockMesh("post", 40, 1440, -25, 400, 1490, 25, kOrigin, 0));
    Merge(post, BlockMesh("post", 340, 1400, -50, 460, 1440, 50, kOrigin, 1));
    return WriteP3d({post});
}

std::vector<uint8_t> LamppostTex()
{
    return WriteTex({Painted(0, [](int x, int) -> uint16_t { return Rgb565(0x38 + x * 2, 0x40 + x * 2, 0x48); }),
                     Painted(0, [](int, int) -> uint16_t { return Rgb565(0xF8, 0xF0, 0xB0); })});
}

// A question mark on a 16 x 16 square
bool QuestionMark(int x, int y)
{
    static const char* const kRows[16] = {
        "                ", "     ######     ", "    ##    ##    ", "    ##    ##    ",
        "          ##    ", "         ##     ", "        ##      ", "       ##       ",
        "       ##       ", "       ##       ", "                ", "                ",
        "       ##       ", "       ##       ", "                ", "                "};
    return kRows[y][x] == '#';
}

std::vector<uint8_t> QmarkP3d()
{
    return WriteP3d({BlockMesh("qmark", -120, 40, -120, 120, 280, 120, kOrigin, 0)});
}

std::vector<uint8_t> QmarkTex()
{
    return WriteTex({Painted(0, [](int x, int y) -> uint16_t {
        return QuestionMark(x, 15 - y) ? Rgb565(0xF8, 0xE0, 0x20) : Rgb565(0x20, 0x40, 0xC0);
    })});
}

// A thin square facing the camera once turned toward it
std::vector<uint8_t> SquareP3d(const char* name, int16_t half)
{
    return WriteP3d(
        {BlockMesh(name, static_cast<int16_t>(-half), static_cast<int16_t>(-half), -1, half, half, 1, kOrigin, 0)});
}

// A round light fading outward; texel 0 (outside) is skipped
std::vector<uint8_t> GlowTex(uint8_t r, uint8_t g, uint8_t b)
{
    return WriteTex({Painted(4, [=](int x, int y) -> uint16_t {
        const int dx = 2 * x - 15;
        const int dy = 2 * y - 15;
        const int d2 = dx * dx + dy * dy;
        if (d2 > 225)
            return 0;
        const int k = 256 - d2 * 256 / 226;
        return Rgb565(static_cast<uint8_t>(r * k / 256), static_cast<uint8_t>(g * k / 256),
                      static_cast<uint8_t>(b * k / 256));
    })});
}

// Six frames of a puff that grows and pales, half blended
std::vector<uint8_t> SmokeTex()
{
    Texture t;
    t.width = t.height = kSize;
    t.drawMode = 3;
    for (int frame = 0; frame < 6; ++frame)
    {
        const int radius2 = (3 + frame) * (3 + frame) * 4;
        const uint8_t grey = static_cast<uint8_t>(0x70 + frame * 0x18);
        t.frames.push_back(Paint([=](int x, int y) -> uint16_t {
            const int dx = 2 * x - 15;
            const int dy = 2 * y - 15;
            return dx * dx + dy * dy <= radius2 ? Rgb565(grey, grey, grey) : 0;
        }));
    }
    return WriteTex({t});
}

std::vector<uint8_t> SkidmarkP3d()
{
    return WriteP3d({BlockMesh("skidmark", -35, 0, -205, 35, 2, 205, kOrigin, 0)});
}

std::vector<uint8_t> SkidmarkTex()
{
    return WriteTex({Painted(2, [](int x, int y) -> uint16_t {
        return (x + y) % 5 == 0 ? Rgb565(0x20, 0x20, 0x20) : Rgb565(0x08, 0x08, 0x08);
    })});
}

std::vector<uint8_t> DebrisP3d()
{
    return WriteP3d({BlockMesh("debris", -45, -45, -45, 45, 45, 45, kOrigin, 0)});
}

std::vector<uint8_t> DebrisTex()
{
    return WriteTex({Painted(0, [](int x, int y) -> uint16_t {
        return (x + y) % 3 == 0 ? Rgb565(0xF8, 0xF8, 0xA0) : Rgb565(0xF8, 0xB0, 0x20);
    })});
}

// An arrow pointing to -z round the origin: a shaft and a head, 900 long,
// 500 wide, 150 thick (hovering 8 x 150 over its target, pointed down, its
// tip stays above the target)
std::vector<uint8_t> ArrowP3d()
{
    Mesh arrow = BlockMesh("arrow", -80, -75, 0, 80, 75, 450, kOrigin, 0);
    Mesh head;
    // The head: a flat wedge from a 500-wide base at z 0 to its tip at -450
    const int16_t y0 = -75;
    const int16_t y1 = 75;
    const MeshVertex v[6] = {{-250, y0, 0}, {250, y0, 0}, {0, y0, -450}, {-250, y1, 0}, {250, y1, 0}, {0, y1, -450}};
    head.vertices.assign(v, v + 6);
    const uint32_t faces[8][3] = {{3, 5, 4}, {0, 1, 2}, {0, 2, 5}, {0, 5, 3},
                                  {1, 4, 5}, {1, 5, 2}, {0, 3, 4}, {0, 4, 1}};
    for (const auto& f : faces)
    {
        MeshFace face;
        face.corners[0] = {f[0], 0, kSpan};
        face.corners[1] = {f[1], kSpan, kSpan};
        face.corners[2] = {f[2], kSpan / 2, 0};
        head.faces.push_back(face);
    }
    Merge(arrow, head);
    return WriteP3d({arrow});
}

std::vector<uint8_t> ArrowTex(uint32_t mode)
{
    return WriteTex({Painted(mode, [](int x, int y) -> uint16_t {
        return (x == 0 || y == 0 || x == 15 || y == 15) ? Rgb565(0xF8, 0xF8, 0x40) : Rgb565(0x20, 0xE0, 0x30);
    })});
}

} // namespace

void DemoPropEntries(std::vector<DemoEntry>& entries)
{
    entries.push_back({"box.p3d", BoxP3d()});
    entries.push_back({"box.tex", BoxTex()});
    entries.push_back({"cone.p3d", ConeP3d()});
    entries.push_back({"cone.tex", ConeTex()});
    entries.push_back({"roadblock.p3d", RoadblockP3d()});
    entries.push_back({"roadblock.tex", RoadblockTex()});
    entries.push_back({"lamppost.p3d", LamppostP3d()});
    entries.push_back({"lamppost.tex", LamppostTex()});
    entries.push_back({"qmark.p3d", QmarkP3d()});
    entries.push_back({"qmark.tex", QmarkTex()});
    entries.push_back({"glow.p3d", SquareP3d("glow", 120)});
    entries.push_back({"glow.tex", GlowTex(0xF8, 0xF0, 0xC0)});
    entries.push_back({"yellowglow.p3d", SquareP3d("yellowglow", 90)});
    entries.push_back({"yellowglow.tex", GlowTex(0xF8, 0xD0, 0x10)});
    entries.push_back({"tyresmoke.p3d", SquareP3d("tyresmoke", 120)});
    entries.push_back({"tyresmoke.tex", SmokeTex()});
    entries.push_back({"skidmark.p3d", SkidmarkP3d()});
    entries.push_back({"skidmark.tex", SkidmarkTex()});
    entries.push_back({"debris.p3d", DebrisP3d()});
    entries.push_back({"debris.tex", DebrisTex()});
    entries.push_back({"arrow.p3d", ArrowP3d()});
    entries.push_back({"arrow.tex", ArrowTex(0)});
    entries.push_back({"arrow_alpha.tex", ArrowTex(2)});
}

} // namespace ravenor_content
