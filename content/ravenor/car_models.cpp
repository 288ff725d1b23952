// car_models.cpp -- car and pedestrian models built from boxes
#include "content/ravenor/car_models.h"

#include <cstring>

#include "content/ravenor/demo_city.h"
#include "content/ravenor/image_writer.h"

namespace ravenor_content {

namespace {

// Texture numbers in a car's ".tex"
enum CarTexture : uint32_t
{
    kPaint = 0,
    kGlass = 1,
    kTyre = 2,
    kTailLamp = 3,
    kHeadLamp = 4,
    kTrim = 5,
};

enum class Extra
{
    None,
    RearWing,     // a wing on two struts over the tail
    RollBar,      // open top: a bar over the seats, a spare wheel behind
    RoofRack,
    CargoBox,     // a tall box of the paint behind the cabin, to the tail
};

struct CarShape
{
    const char* name;
    int16_t halfWidth;
    int16_t front, back;           // body ends (front is negative z)
    int16_t bodyTop;               // the body runs from its bottom to here
    int16_t cabinFront, cabinBack; // z of the glass cabin
    int16_t cabinTop;              // the roof's top; at bodyTop: no cabin
    int16_t wheelFront, wheelBack; // z of the axles
    bool wheelNodes;               // wheels as the four named meshes
    uint8_t r, g, b;               // paint
    Extra extra;
};

// Wheel-node cars stand 300 below the origin (wheel centres at -200, radius
// 100), the others 200 below it (centres at -120, radius 80).
const CarShape kShapes[] = {
    {"alto", 230, -480, 430, 40, -170, 300, 260, -330, 300, false, 0xE0, 0xD0, 0x30, Extra::None},
    {"amartin", 260, -600, 560, 20, -80, 330, 200, -420, 400, true, 0x20, 0x60, 0x30, Extra::None},
    {"catera", 260, -620, 600, 60, -200, 330, 260, -430, 420, false, 0xB0, 0xB0, 0xB8, Extra::None},
    {"cherokee", 280, -560, 540, 150, -220, 520, 500, -400, 400, true, 0x80, 0x18, 0x18, Extra::RoofRack},
    {"deville", 270, -700, 680, 60, -220, 360, 270, -470, 470, false, 0x18, 0x18, 0x20, Extra::None},
    {"estate", 260, -620, 620, 60, -220, 600, 280, -430, 430, false, 0x90, 0x68, 0x38, Extra::RoofRack},
    {"f360", 270, -580, 560, 10, -60, 300, 170, -400, 390, true, 0xF0, 0xD0, 0x10, Extra::None},
    {"f40", 290, -600, 580, 0, -40, 260, 150, -420, 400, true, 0xE0, 0x10, 0x10, Extra::RearWing},
    {"hearse", 280, -760, 760, 80, -260, 720, 340, -500, 520, true, 0x10, 0x10, 0x10, Extra::None},
    {"intrepid", 260, -640, 600, 60, -200, 340, 260, -440, 420, false, 0x10, 0x80, 0x80, Extra::None},
    {"jeep", 260, -480, 460, 120, -60, 300, 120, -340, 320, false, 0x50, 0x60, 0x28, Extra::RollBar},
    {"lincoln", 280, -780, 760, 60, -240, 420, 280, -500, 500, false, 0x38, 0x38, 0x40, Extra::None},
    {"mercedes", 270, -640, 620, 60, -220, 340, 270, -440, 430, true, 0xD8, 0xD8, 0xE0, Extra::None},
    {"porsche", 250, -560, 540, 20, -100, 300, 200, -400, 380, true, 0xC8, 0x20, 0x28, Extra::None},
    {"prelude", 250, -580, 560, 40, -160, 300, 230, -410, 400, true, 0xF0, 0xF0, 0xF0, Extra::None},
    {"towncar", 280, -720, 700, 60, -240, 380, 280, -480, 480, true, 0x18, 0x28, 0x60, Extra::None},
    {"toyota", 240, -540, 520, 50, -200, 320, 250, -400, 380, true, 0xF0, 0x80, 0x10, Extra::None},
    {"van", 300, -640, 640, 260, -520, -180, 470, -440, 450, true, 0xF0, 0xF0, 0xE8, Extra::CargoBox},
};

Texture Tile(uint16_t (*texel)(int x, int y, uint16_t colour), uint16_t colour)
{
    return Tile16([&](int x, int y) { return texel(x, y, colour); });
}

uint16_t Solid(int, int, uint16_t colour)
{
    return colour;
}

// The paint with a darker shut line and a lighter shoulder line
uint16_t Paint(int x, int y, uint16_t colour)
{
    const int r = (colour >> 11) & 31, g = (colour >> 5) & 63, b = colour & 31;
    if (x == 0 || y == 15)
        return static_cast<uint16_t>(((r * 2 / 3) << 11) | ((g * 2 / 3) << 5) | (b * 2 / 3));
    if (y == 2)
        return static_cast<uint16_t>((((r + 31) / 2) << 11) | (((g + 63) / 2) << 5) | ((b + 31) / 2));
    return colour;
}

uint16_t Glass(int x, int y, uint16_t)
{
    if (y < 2 || x == 0)
        return Rgb565(0x30, 0x30, 0x38);
    return (x + y) % 11 == 0 ? Rgb565(0xC0, 0xD8, 0xF0) : Rgb565(0x40, 0x60, 0x80);
}

uint16_t Tyre(int x, int y, uint16_t)
{
    const int dx = x - 8, dy = y - 8;
    const int d2 = dx * dx + dy * dy;
    if (d2 < 10)
        return Rgb565(0xB0, 0xB0, 0xB0);
    return (x + y) % 4 == 0 ? Rgb565(0x40, 0x40, 0x40) : Rgb565(0x18, 0x18, 0x18);
}

std::vector<uint8_t> CarTex(const CarShape& s)
{
    return WriteTex({Tile(Paint, Rgb565(s.r, s.g, s.b)), Tile(Glass, 0), Tile(Tyre, 0),
                     Tile(Solid, Rgb565(0xF0, 0x10, 0x10)), Tile(Solid, Rgb565(0xF8, 0xF8, 0xD0)),
                     Tile(Solid, Rgb565(0x28, 0x28, 0x28))});
}

void Append(Mesh& into, const Mesh& part)
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

int16_t I16(int v)
{
    return static_cast<int16_t>(v);
}

const int16_t kOrigin[3] = {0, 0, 0};

// A box part of the body mesh (placed at the model's origin)
void Part(Mesh& body, int x0, int y0, int z0, int x1, int y1, int z1, uint32_t texture)
{
    Append(body, BlockMesh("part", I16(x0), I16(y0), I16(z0), I16(x1), I16(y1), I16(z1), kOrigin, texture));
}

Mesh Wheel(const char* name, int x, int y, int z, int radius, bool placed)
{
    const int16_t centre[3] = {I16(x), I16(y), I16(z)};
    return BlockMesh(name, I16(x - 40), I16(y - radius), I16(z - radius), I16(x + 40), I16(y + radius),
                     I16(z + radius), placed ? centre : kOrigin, kTyre);
}

std::vector<Mesh> Build(const CarShape& s)
{
    const int radius = s.wheelNodes ? 100 : 80;
    const int axle = s.wheelNodes ? -200 : -120;
    const int bottom = axle + radius / 2;
    const int w = s.halfWidth;
    Mesh body;
    body.name = "body";
    Part(body, -w, bottom, s.front, w, s.bodyTop, s.back, kPaint);
    if (s.cabinTop > s.bodyTop)
    {
        const int inset = w / 10;
        Part(body, -w + inset, s.bodyTop, s.cabinFront, w - inset, s.cabinTop - 30, s.cabinBack, kGlass);
        Part(body, -w + inset, s.cabinTop - 30, s.cabinFront + 20, w - inset, s.cabinTop, s.cabinBack - 20, kPaint);
    }
    // Bumpers, lamps at the corners of both ends
    Part(body, -w - 10, bottom - 20, s.front - 30, w + 10, bottom + 60, s.front, kTrim);
    Part(body, -w - 10, bottom - 20, s.back, w + 10, bottom + 60, s.back + 30, kTrim);
    for (int side : {-1, 1})
    {
        const int x0 = side < 0 ? -w + 20 : w - 110;
        Part(body, x0, s.bodyTop - 80, s.front - 12, x0 + 90, s.bodyTop - 20, s.front, kHeadLamp);
        Part(body, x0, s.bodyTop - 80, s.back, x0 + 90, s.bodyTop - 20, s.back + 12, kTailLamp);
    }
    switch (s.extra)
    {
    case Extra::RearWing:
        Part(body, -w + 40, s.bodyTop, s.back - 120, -w + 80, s.bodyTop + 120, s.back - 80, kTrim);
        Part(body, w - 80, s.bodyTop, s.back - 120, w - 40, s.bodyTop + 120, s.back - 80, kTrim);
        Part(body, -w, s.bodyTop + 120, s.back - 160, w, s.bodyTop + 150, s.back - 20, kPaint);
        break;
    case Extra::RollBar:
        Part(body, -w + 20, s.bodyTop, s.cabinBack - 40, -w + 60, s.cabinTop + 150, s.cabinBack, kTrim);
        Part(body, w - 60, s.bodyTop, s.cabinBack - 40, w - 20, s.cabinTop + 150, s.cabinBack, kTrim);
        Part(body, -w + 20, s.cabinTop + 110, s.cabinBack - 40, w - 20, s.cabinTop + 150, s.cabinBack, kTrim);
        Part(body, -w + 40, s.bodyTop - 20, s.front + 40, w - 40, s.bodyTop + 120, s.front + 70, kGlass);
        Part(body, -90, bottom + 40, s.back + 30, 90, bottom + 220, s.back + 90, kTyre);
        break;
    case Extra::RoofRack:
        Part(body, -w + 40, s.cabinTop, s.cabinFront + 40, w - 40, s.cabinTop + 30, s.cabinBack - 40, kTrim);
        break;
    case Extra::CargoBox:
        Part(body, -w, s.bodyTop, s.cabinBack, w, s.cabinTop + 40, s.back, kPaint);
        break;
    case Extra::None: break;
    }
    std::vector<Mesh> meshes;
    const int xs[2] = {-w + 25, w - 25};
    const int zs[2] = {s.wheelFront, s.wheelBack};
    static const char* const kWheelNames[4] = {"wheel_front_left", "wheel_front_right", "wheel_back_left",
                                               "wheel_back_right"};
    if (!s.wheelNodes)
    {
        for (int i = 0; i < 4; ++i)
            Append(body, Wheel("wheel", xs[i % 2], axle, zs[i / 2], radius, false));
        meshes.push_back(std::move(body));
        return meshes;
    }
    meshes.push_back(std::move(body));
    for (int i = 0; i < 4; ++i)
        meshes.push_back(Wheel(kWheelNames[i], xs[i % 2], axle, zs[i / 2], radius, true));
    return meshes;
}

// ---- Pedestrians ----

struct Outfit
{
    uint8_t shirt[3], legs[3], hair[3], skin[3];
};

const Outfit kOutfits[6] = {
    {{0x20, 0x40, 0xC0}, {0x20, 0x20, 0x40}, {0x30, 0x20, 0x10}, {0xE8, 0xC0, 0x98}},
    {{0xC0, 0x20, 0x20}, {0x40, 0x40, 0x40}, {0x10, 0x10, 0x10}, {0xC0, 0x90, 0x60}},
    {{0x20, 0xA0, 0x40}, {0x60, 0x48, 0x30}, {0xD0, 0xB0, 0x40}, {0xF0, 0xD0, 0xB0}},
    {{0xE0, 0xE0, 0xE0}, {0x18, 0x18, 0x18}, {0x60, 0x30, 0x10}, {0x80, 0x58, 0x38}},
    {{0xE0, 0x90, 0x10}, {0x30, 0x50, 0x90}, {0x80, 0x80, 0x80}, {0xE8, 0xC0, 0x98}},
    {{0x80, 0x20, 0xA0}, {0x20, 0x20, 0x20}, {0x90, 0x20, 0x10}, {0xD0, 0xA0, 0x78}},
};

enum PersonTexture : uint32_t
{
    kShirt = 0,
    kLegs = 1,
    kSkin = 2,
    kHair = 3,
};

std::vector<Mesh> Person(bool female)
{
    Mesh m;
    m.name = "body";
    // Feet at -375, head top at 375
    if (female)
        Part(m, -110, -120, -70, 110, 60, 70, kLegs);   // skirt
    Part(m, -90, -375, -40, -20, female ? -120 : 20, 40, female ? kSkin : kLegs);
    Part(m, 20, -375, -40, 90, female ? -120 : 20, 40, female ? kSkin : kLegs);
    Part(m, -120, 20, -60, 120, 270, 60, kShirt);
    Part(m, -170, 20, -35, -120, 250, 35, kShirt);
    Part(m, 120, 20, -35, 170, 250, 35, kShirt);
    Part(m, -165, -40, -30, -125, 20, 30, kSkin);
    Part(m, 125, -40, -30, 165, 20, 30, kSkin);
    Part(m, -60, 270, -60, 60, 375, 60, kSkin);
    Part(m, -65, 335, -65, 65, 380, 65, kHair);
    if (female)
        Part(m, -70, 200, 40, 70, 375, 75, kHair);   // hair down the back
    return {m};
}

std::vector<uint8_t> PersonTex(const Outfit& o)
{
    auto c = [](const uint8_t rgb[3]) { return Rgb565(rgb[0], rgb[1], rgb[2]); };
    return WriteTex({Tile(Paint, c(o.shirt)), Tile(Paint, c(o.legs)), Tile(Solid, c(o.skin)), Tile(Solid, c(o.hair))});
}

} // namespace

std::vector<Mesh> CarModelMeshes(const std::string& name)
{
    for (const CarShape& s : kShapes)
        if (name == s.name)
            return Build(s);
    return {};
}

void CarModelEntries(std::vector<DemoEntry>& entries)
{
    for (const CarShape& s : kShapes)
    {
        entries.push_back({std::string(s.name) + ".p3d", WriteP3d(Build(s))});
        entries.push_back({std::string(s.name) + ".tex", CarTex(s)});
    }
}

void PedestrianModelEntries(std::vector<DemoEntry>& entries)
{
    for (int i = 0; i < 12; ++i)
    {
        const bool female = i >= 6;
        const std::string name = (female ? "female" : "male") + std::to_string(i % 6 + 1);
        entries.push_back({name + ".p3d", WriteP3d(Person(female))});
        entries.push_back({name + ".tex", PersonTex(kOutfits[female ? (i + 3) % 6 : i])});
    }
}

} // namespace ravenor_content
