// demo_city.cpp -- ground, streets, buildings, fences and glass of the demo city
#include "content/ravenor/demo_city.h"

#include <algorithm>

#include "content/ravenor/image_writer.h"

namespace ravenor_content {

namespace {

constexpr int kTexSize = 32;
constexpr int16_t kTexSpan = kTexSize * 16;   // one repeat in 1/16 texel
constexpr int16_t kWallPiece = 250;

struct Point
{
    int16_t x, y, z;
};

// Two triangles of a quad given counter-clockwise as seen from its visible
// side: bottom-left, bottom-right, top-right, top-left.
void AddQuad(Mesh& mesh, const Point (&p)[4], int16_t uSpan, int16_t vSpan, uint32_t texture)
{
    const uint32_t base = static_cast<uint32_t>(mesh.vertices.size());
    for (const Point& q : p)
    {
        MeshVertex v;
        v.x = q.x;
        v.y = q.y;
        v.z = q.z;
        mesh.vertices.push_back(v);
    }
    const int16_t u[4] = {0, uSpan, uSpan, 0};
    const int16_t v[4] = {vSpan, vSpan, 0, 0};
    const int tris[2][3] = {{0, 1, 3}, {1, 2, 3}};
    for (const auto& t : tris)
    {
        MeshFace face;
        for (int k = 0; k < 3; ++k)
            face.corners[k] = {base + t[k], u[t[k]], v[t[k]]};
        face.texture = texture;
        face.cell = 0xFFFFFFFF;
        mesh.faces.push_back(face);
    }
}

bool InStreet(int16_t from, int16_t to)
{
    return std::any_of(std::begin(kCityStreets), std::end(kCityStreets),
                       [&](int16_t c) { return from >= c - kCityTile && to <= c + kCityTile; });
}

// Ground tiles: road where a tile lies in a street, else grass. Road tiles
// also go to the drivable mesh.
void AddGround(Mesh& visible, Mesh& road)
{
    for (int16_t x = -kCityHalfSize; x < kCityHalfSize; x += kCityTile)
    {
        for (int16_t z = -kCityHalfSize; z < kCityHalfSize; z += kCityTile)
        {
            const int16_t x1 = x + kCityTile;
            const int16_t z1 = z + kCityTile;
            // Seen from above: x to the right, -z up the screen.
            const Point p[4] = {{x, 0, z1}, {x1, 0, z1}, {x1, 0, z}, {x, 0, z}};
            const bool street = InStreet(x, x1) || InStreet(z, z1);
            AddQuad(visible, p, kTexSpan, kTexSpan, street ? kCityRoad : kCityGrass);
            if (street)
                AddQuad(road, p, kTexSpan, kTexSpan, kCityRoad);
        }
    }
}

// A vertical panel from (x0, z0) to (x1, z1), seen from the side to the
// right of that direction when looking down; cut into pieces of at most
// 250 x 250.
void AddPanel(Mesh& mesh, int16_t x0, int16_t z0, int16_t x1, int16_t z1, int16_t bottom, int16_t top,
              uint32_t texture)
{
    const int length = std::max(std::abs(x1 - x0), std::abs(z1 - z0));
    const int pieces = (length + kWallPiece - 1) / kWallPiece;
    const int rows = (top - bottom + kWallPiece - 1) / kWallPiece;
    for (int i = 0; i < pieces; ++i)
    {
        const int16_t ax = static_cast<int16_t>(x0 + (x1 - x0) * i / pieces);
        const int16_t az = static_cast<int16_t>(z0 + (z1 - z0) * i / pieces);
        const int16_t bx = static_cast<int16_t>(x0 + (x1 - x0) * (i + 1) / pieces);
        const int16_t bz = static_cast<int16_t>(z0 + (z1 - z0) * (i + 1) / pieces);
        for (int r = 0; r < rows; ++r)
        {
            const int16_t y0 = static_cast<int16_t>(bottom + (top - bottom) * r / rows);
            const int16_t y1 = static_cast<int16_t>(bottom + (top - bottom) * (r + 1) / rows);
            const Point p[4] = {{ax, y0, az}, {bx, y0, bz}, {bx, y1, bz}, {ax, y1, az}};
            const int16_t uSpan = static_cast<int16_t>(std::max(std::abs(bx - ax), std::abs(bz - az)) * 2);
            AddQuad(mesh, p, uSpan, static_cast<int16_t>((y1 - y0) * 2), texture);
        }
    }
}

// Four walls facing outwards and a roof
void AddBox(Mesh& mesh, int16_t x0, int16_t z0, int16_t x1, int16_t z1, int16_t height, uint32_t wall)
{
    AddPanel(mesh, x0, z1, x1, z1, 0, height, wall);   // facing +z
    AddPanel(mesh, x1, z1, x1, z0, 0, height, wall);   // facing +x
    AddPanel(mesh, x1, z0, x0, z0, 0, height, wall);   // facing -z
    AddPanel(mesh, x0, z0, x0, z1, 0, height, wall);   // facing -x
    for (int16_t x = x0; x < x1; x += kWallPiece)
    {
        for (int16_t z = z0; z < z1; z += kWallPiece)
        {
            const int16_t xe = std::min<int16_t>(x + kWallPiece, x1);
            const int16_t ze = std::min<int16_t>(z + kWallPiece, z1);
            const Point p[4] = {{x, height, ze}, {xe, height, ze}, {xe, height, z}, {x, height, z}};
            AddQuad(mesh, p, kTexSpan, kTexSpan, kCityRoof);
        }
    }
}

struct Block
{
    int16_t from;
    int16_t to;
};

// The spans between the streets along one axis
const Block kBlocks[4] = {{-3900, -2800}, {-2200, -300}, {300, 2200}, {2800, 3900}};

uint32_t NextRandom(uint32_t& seed)
{
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
}

void AddBuildings(Mesh& mesh)
{
    uint32_t seed = 7;
    int index = 0;
    for (const Block& bx : kBlocks)
    {
        for (const Block& bz : kBlocks)
        {
            // Two or three buildings a block, lining the streets at its corners
            const int count = 2 + static_cast<int>(NextRandom(seed) % 2);
            for (int k = 0; k < count; ++k, ++index)
            {
                const int16_t w = static_cast<int16_t>(200 + NextRandom(seed) % 300);
                const int16_t d = static_cast<int16_t>(200 + NextRandom(seed) % 300);
                const int16_t h = static_cast<int16_t>(100 + NextRandom(seed) % 500);
                const int16_t x = static_cast<int16_t>(k % 2 == 0 ? bx.from + 20 : bx.to - w - 20);
                const int16_t z = static_cast<int16_t>(k < 2 ? bz.from + 20 : bz.to - d - 20);
                if (index % 7 == 3)
                {
                    // A glass tower round an opaque core
                    AddBox(mesh, x, z, x + w, z + d, h, kCityGlass);
                    AddBox(mesh, x + w / 4, z + d / 4, x + 3 * w / 4, z + 3 * d / 4, static_cast<int16_t>(h - 20), kCityWall);
                }
                else
                {
                    AddBox(mesh, x, z, x + w, z + d, h, kCityWall);
                }
            }
        }
    }
}

// Fences along both sides of the street at x = 0, south of the crossing
void AddFences(Mesh& mesh)
{
    for (int16_t side : {int16_t(-260), int16_t(260)})
        AddPanel(mesh, side, 2200, side, 300, 0, 100, kCityFence);
}

std::vector<uint16_t> Pattern(uint16_t (*texel)(int x, int y))
{
    std::vector<uint16_t> pixels(size_t{kTexSize} * kTexSize);
    for (int y = 0; y < kTexSize; ++y)
        for (int x = 0; x < kTexSize; ++x)
            pixels[size_t(y) * kTexSize + x] = texel(x, y);
    return pixels;
}

uint16_t Noise(int x, int y)
{
    return static_cast<uint16_t>(((x * 73 + y * 151) ^ (x * y * 17)) & 7);
}

Texture MakeTexture(uint32_t mode, uint32_t oneSided, uint16_t (*texel)(int x, int y))
{
    Texture t;
    t.width = kTexSize;
    t.height = kTexSize;
    t.drawMode = mode;
    t.oneSided = oneSided;
    t.frames.push_back(Pattern(texel));
    return t;
}

} // namespace

Mesh BlockMesh(const std::string& name, int16_t x0, int16_t y0, int16_t z0, int16_t x1, int16_t y1, int16_t z1,
               const int16_t translation[3], uint32_t texture)
{
    Mesh mesh;
    mesh.name = name;
    for (int k = 0; k < 3; ++k)
        mesh.translation[k] = translation[k];
    AddBox(mesh, x0, z0, x1, z1, static_cast<int16_t>(y1 - y0), texture);
    for (MeshVertex& v : mesh.vertices)
        v.y = static_cast<int16_t>(v.y + y0);
    for (MeshFace& f : mesh.faces)
        f.texture = texture;
    return mesh;
}

std::vector<Mesh> DemoCityMeshes()
{
    Mesh visible;
    visible.name = "Object01";
    Mesh road;
    road.name = "Road";
    AddGround(visible, road);
    AddBuildings(visible);
    AddFences(visible);
    return {std::move(visible), std::move(road)};
}

std::vector<uint8_t> DemoSceneryP3d()
{
    return WriteP3d(DemoCityMeshes());
}

std::vector<uint8_t> DemoSceneryTex()
{
    std::vector<Texture> textures;
    textures.push_back(MakeTexture(0, 1, [](int x, int y) -> uint16_t {
        const bool window = x % 8 >= 2 && x % 8 < 6 && y % 8 >= 2 && y % 8 < 6;
        return window ? Rgb565(0x30, 0x50, 0x90) : Rgb565(0xA0, 0x58, 0x40 + Noise(x, y) * 4);
    }));
    textures.push_back(MakeTexture(0, 0, [](int x, int y) -> uint16_t {
        if ((x == 15 || x == 16) && y < 16)
            return Rgb565(0xF0, 0xE0, 0x40);
        return Rgb565(0x50 + Noise(x, y) * 2, 0x50 + Noise(x, y) * 2, 0x58);
    }));
    textures.push_back(MakeTexture(1, 0, [](int x, int y) -> uint16_t {
        return (x % 8 < 2 || y < 3 || (y >= 14 && y < 17)) ? Rgb565(0xC0, 0xC0, 0xC8) : 0;
    }));
    textures.push_back(MakeTexture(2, 0, [](int x, int y) -> uint16_t {
        return (x % 16 == 0 || y % 16 == 0) ? Rgb565(0x20, 0x30, 0x40) : Rgb565(0x80, 0xE0, 0xF0);
    }));
    textures.push_back(MakeTexture(0, 0, [](int x, int y) -> uint16_t {
        return Rgb565(0x30, 0x80 + Noise(x, y) * 8, 0x30);
    }));
    textures.push_back(MakeTexture(0, 0, [](int x, int y) -> uint16_t {
        return Rgb565(0x70 + Noise(x, y) * 4, 0x68, 0x60);
    }));
    return WriteTex(textures);
}

} // namespace ravenor_content
