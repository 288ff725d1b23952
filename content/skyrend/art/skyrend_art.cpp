// skyrend_art.cpp -- the jet-fighter game's models and pictures that are more
// than stripes: the two jets and the missile as 3DS files (body, wings, tail,
// canopy, moving surfaces, the eight station markers, muzzle flash and
// engine glow), round fireballs, splashes, smoke, decoys and damage marks,
// and the panelled body skins.
//
//   skyrend_art jet OUT.3ds SKIN.jpg LENGTH SPAN SWEEP
//   skyrend_art missile OUT.3ds
//   skyrend_art envglobe OUT.3ds
//   skyrend_art indicator OUT.3ds
//   skyrend_art cloud OUT.3ds
//   skyrend_art blob OUT.jpg SIZE CENTRE EDGE BACKGROUND [RADIUS%]
//   skyrend_art skin OUT.jpg WIDTHxHEIGHT PAINT PANEL
#include "content/media/file_output.h"
#include "content/media/jpeg_writer.h"
#include "content/model3ds/model_writer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Point
{
    float x, y, z; // the game's axes: x right, y up, z forward
};

// A convex solid of eight corners chosen by the signs of the game's axes
// (a: x, b: y, c: z; each -1 or 1), appended to the mesh with the winding
// of the writer's boxes. The file's axes are (-x, -z, y).
using Corners = std::function<Point(int a, int b, int c)>;

void addBlock(model3ds::MeshSpec& mesh, const Corners& corner, bool inward = false)
{
    struct Axes
    {
        int n[3], u[3], v[3];
    };
    static const Axes kSides[6] = {
        {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}}, {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
        {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}, {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
    };
    static const int kCorners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (const Axes& side : kSides)
    {
        const uint16_t base = uint16_t(mesh.positions.size() / 3);
        for (const auto& c : kCorners)
        {
            int s[3];
            for (int k = 0; k < 3; ++k)
                s[k] = side.n[k] + side.u[k] * c[0] + side.v[k] * c[1];
            // File signs (X, Y, Z) to the game's: x = -X, y = Z, z = -Y.
            const Point p = corner(-s[0], s[2], -s[1]);
            mesh.positions.insert(mesh.positions.end(), {-p.x, -p.z, p.y});
            mesh.uvs.push_back(float(c[0] + 1) * 0.5f);
            mesh.uvs.push_back(float(c[1] + 1) * 0.5f);
        }
        static const uint16_t outside[6] = {0, 1, 2, 0, 2, 3}, inside[6] = {0, 2, 1, 0, 3, 2};
        for (uint16_t i : inward ? inside : outside)
            mesh.faces.push_back(uint16_t(base + i));
    }
}

struct Section
{
    float z, cx, cy, halfWidth, halfHeight;
};

// A solid between two cross-sections along z (back first).
void addLoft(model3ds::MeshSpec& mesh, Section back, Section front)
{
    addBlock(mesh, [=](int a, int b, int c) {
        const Section& s = c < 0 ? back : front;
        return Point{s.cx + float(a) * s.halfWidth, s.cy + float(b) * s.halfHeight, s.z};
    });
}

// A thin surface spanning x from `inner` to `outer` (chords from back to
// front at each end), `thick` high, at height y.
void addWing(model3ds::MeshSpec& mesh, float inner, float innerBack, float innerFront, float outer, float outerBack,
             float outerFront, float y, float thick)
{
    addBlock(mesh, [=](int a, int b, int c) {
        const bool out = (a > 0) == (outer > inner);
        const float x = out ? outer : inner;
        const float z = out ? (c < 0 ? outerBack : outerFront) : (c < 0 ? innerBack : innerFront);
        return Point{x, y + float(b) * thick * 0.5f, z};
    });
}

model3ds::MeshSpec mesh(const std::string& name, const std::string& material)
{
    return model3ds::MeshSpec{name, {}, {}, {}, material};
}

model3ds::ModelSpec jet(const std::string& skin, float length, float span, float sweep)
{
    const float L = length / 14.0f, S = span / 12.0f;
    model3ds::ModelSpec model;
    model3ds::MaterialSpec body{"body", 0xC0C8D0};
    body.textureMap = skin;
    model3ds::MaterialSpec glass{"glass", 0x4070A0};
    model3ds::MaterialSpec spark{"spark", 0xFFE080};
    model3ds::MaterialSpec flame{"spoutflame", 0xFF8030};
    model3ds::MaterialSpec pylon{"pylon", 0x505860};
    model.materials = {body, glass, spark, flame, pylon};

    auto hull = mesh("body", "body");
    addLoft(hull, {-6.0f * L, 0, 0, 0.6f, 0.55f}, {3.5f * L, 0, 0.05f, 0.75f, 0.65f});
    addLoft(hull, {3.5f * L, 0, 0.05f, 0.75f, 0.65f}, {7.5f * L, 0, -0.05f, 0.06f, 0.06f});
    auto canopy = mesh("glass", "glass");
    addLoft(canopy, {0.5f * L, 0, 0.75f, 0.32f, 0.18f}, {4.2f * L, 0, 0.62f, 0.08f, 0.04f});
    auto wingR = mesh("wingR", "body"), wingL = mesh("wingL", "body");
    addWing(wingR, 0.6f, -3.0f * L, 2.0f * L, 6.0f * S, -2.6f * L - sweep, -1.0f * L - sweep, -0.1f, 0.16f);
    addWing(wingL, -0.6f, -3.0f * L, 2.0f * L, -6.0f * S, -2.6f * L - sweep, -1.0f * L - sweep, -0.1f, 0.16f);
    auto flapR = mesh("flapR", "body"), flapL = mesh("flapL", "body");
    addWing(flapR, 2.4f * S, -3.45f * L, -2.95f * L, 5.4f * S, -3.1f * L - sweep, -2.65f * L - sweep, -0.1f, 0.1f);
    addWing(flapL, -2.4f * S, -3.45f * L, -2.95f * L, -5.4f * S, -3.1f * L - sweep, -2.65f * L - sweep, -0.1f, 0.1f);
    auto stab = mesh("stabilizer", "body");
    addWing(stab, 0.5f, -6.2f * L, -4.4f * L, 3.0f * S, -6.4f * L, -5.6f * L, 0.0f, 0.1f);
    addWing(stab, -0.5f, -6.2f * L, -4.4f * L, -3.0f * S, -6.4f * L, -5.6f * L, 0.0f, 0.1f);
    auto rudder = mesh("rudder", "body");
    addBlock(rudder, [=](int a, int b, int c) {
        const float y = b < 0 ? 0.5f : 3.2f;
        const float z = b < 0 ? (c < 0 ? -6.2f * L : -3.4f * L) : (c < 0 ? -6.6f * L : -5.4f * L);
        return Point{float(a) * 0.08f, y, z};
    });
    auto gun = mesh("spark", "spark");
    addLoft(gun, {5.0f * L, 0.35f, -0.45f, 0.12f, 0.12f}, {5.8f * L, 0.35f, -0.45f, 0.2f, 0.2f});
    auto glow = mesh("spoutflame", "spoutflame");
    addLoft(glow, {-6.7f * L, 0, 0, 0.35f, 0.35f}, {-6.0f * L, 0, 0, 0.5f, 0.45f});
    model.meshes = {hull, canopy, wingR, wingL, flapR, flapL, stab, rudder, gun, glow};

    // The stations: short-range outboard, medium-range inboard, "R" on the right.
    const struct
    {
        const char* kind;
        float x1, x2;
    } rows[2] = {{"sraam", 4.8f * S, 3.9f * S}, {"mraam", 2.8f * S, 1.8f * S}};
    for (const auto& row : rows)
        for (int side = 0; side < 2; ++side)
            for (int n = 1; n <= 2; ++n)
            {
                const float x = (n == 1 ? row.x1 : row.x2) * (side == 0 ? 1.0f : -1.0f);
                auto marker = mesh(std::string(row.kind) + "Stn" + (side == 0 ? "R" : "L") + std::to_string(n), "pylon");
                addLoft(marker, {-1.2f * L, x, -0.3f, 0.08f, 0.12f}, {0.8f * L, x, -0.3f, 0.08f, 0.12f});
                model.meshes.push_back(marker);
            }
    return model;
}

model3ds::ModelSpec missile()
{
    model3ds::ModelSpec model;
    model.materials = {{"aam", 0xE8E8E8}, {"aamfin", 0x606870}};
    auto body = mesh("aam", "aam");
    addLoft(body, {-1.5f, 0, 0, 0.09f, 0.09f}, {1.4f, 0, 0, 0.09f, 0.09f});
    addLoft(body, {1.4f, 0, 0, 0.09f, 0.09f}, {1.9f, 0, 0, 0.01f, 0.01f});
    auto fins = mesh("fins", "aamfin");
    addLoft(fins, {-1.5f, 0, 0, 0.35f, 0.015f}, {-1.0f, 0, 0, 0.1f, 0.015f});
    addLoft(fins, {-1.5f, 0, 0, 0.015f, 0.35f}, {-1.0f, 0, 0, 0.015f, 0.1f});
    model.meshes = {body, fins};
    return model;
}

// A vertex in the game's axes (the file's are (-x, -z, y)); answers its index.
uint16_t addVertex(model3ds::MeshSpec& mesh, Point p, float u, float v)
{
    const uint16_t index = uint16_t(mesh.positions.size() / 3);
    mesh.positions.insert(mesh.positions.end(), {-p.x, -p.z, p.y});
    mesh.uvs.insert(mesh.uvs.end(), {u, v});
    return index;
}

// A triangle of three vertices, wound so that it is seen from the side of
// `viewer` (the file's axes turn the handedness, so the test is made on the
// file's own coordinates).
void addFacing(model3ds::MeshSpec& mesh, uint16_t a, uint16_t b, uint16_t c, Point viewer)
{
    auto at = [&](uint16_t i) {
        return Point{mesh.positions[i * 3u], mesh.positions[i * 3u + 1], mesh.positions[i * 3u + 2]};
    };
    const Point A = at(a), B = at(b), C = at(c), V{-viewer.x, -viewer.z, viewer.y};
    const Point e1{B.x - A.x, B.y - A.y, B.z - A.z}, e2{C.x - A.x, C.y - A.y, C.z - A.z};
    const Point n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
    const bool flip = n.x * (V.x - A.x) + n.y * (V.y - A.y) + n.z * (V.z - A.z) < 0.0f;
    mesh.faces.insert(mesh.faces.end(), {a, flip ? c : b, flip ? b : c});
}

// The grid lines of a flat layer that follows the eye, from -half to half:
// fine cells near its middle, where the eye always is, and coarse ones
// toward its edges. The renderer drops a face of these layers that reaches
// behind its near plane, so the cells there must be small enough that the
// dropped ones never reach into the view.
std::vector<float> layerLines(float half)
{
    static const float kSteps[] = {0.0f, 0.02f, 0.05f, 0.09f, 0.15f, 0.24f, 0.36f, 0.52f, 0.74f, 1.0f};
    std::vector<float> lines;
    for (int i = 9; i > 0; --i)
        lines.push_back(-kSteps[i] * half);
    for (float step : kSteps)
        lines.push_back(step * half);
    return lines;
}

// A flat square layer at height y seen from `viewer`, its texture repeated
// `repeat` times from side to side.
void addLayer(model3ds::MeshSpec& mesh, float half, float y, float repeat, Point viewer)
{
    const std::vector<float> lines = layerLines(half);
    const size_t n = lines.size();
    auto uv = [&](float t) { return (t + half) / (2.0f * half) * repeat; };
    std::vector<uint16_t> index;
    for (float z : lines)
        for (float x : lines)
            index.push_back(addVertex(mesh, {x, y, z}, uv(x), uv(z)));
    for (size_t k = 0; k + 1 < n; ++k)
        for (size_t i = 0; i + 1 < n; ++i)
        {
            const uint16_t a = index[k * n + i], b = index[k * n + i + 1];
            const uint16_t c = index[(k + 1) * n + i + 1], d = index[(k + 1) * n + i];
            addFacing(mesh, a, b, c, viewer);
            addFacing(mesh, a, c, d, viewer);
        }
}

// The sky and ground of a scene: "envglobe", a dome of radius 10 seen from
// inside (its rim is its lowest point), and "basis", the ground square
// under it (each with its own material). Scaled to the depth its group is
// drawn to, every point of the dome stays within reach of an eye near its
// axis. The sky picture's stripes run from the horizon (right) to the top
// (left).
model3ds::ModelSpec envglobe()
{
    model3ds::ModelSpec model;
    model3ds::MaterialSpec sky{"envglobe", 0x80A0D0}, ground{"basis", 0x506040};
    model.materials = {sky, ground};
    constexpr float kRadius = 10.0f;
    constexpr int kRings = 6, kSegments = 24;
    constexpr float kPi = 3.14159265f;
    auto dome = mesh("envglobe", "envglobe");
    std::vector<uint16_t> index;
    for (int r = 0; r <= kRings; ++r)
        for (int s = 0; s <= kSegments; ++s)
        {
            const float up = float(r) / float(kRings) * kPi * 0.5f;
            const float round = float(s) / float(kSegments) * 2.0f * kPi;
            const Point p{kRadius * std::cos(up) * std::sin(round), kRadius * std::sin(up),
                          kRadius * std::cos(up) * std::cos(round)};
            index.push_back(addVertex(dome, p, 1.0f - float(r) / float(kRings), float(s) / float(kSegments)));
        }
    const Point centre{0.0f, 0.0f, 0.0f};
    const int row = kSegments + 1;
    for (int r = 0; r < kRings; ++r)
        for (int s = 0; s < kSegments; ++s)
        {
            const uint16_t a = index[size_t(r * row + s)], b = index[size_t(r * row + s + 1)];
            const uint16_t c = index[size_t((r + 1) * row + s + 1)], d = index[size_t((r + 1) * row + s)];
            addFacing(dome, a, b, c, centre);
            if (r + 1 < kRings) // the top ring closes in a point
                addFacing(dome, a, c, d, centre);
        }
    auto basis = mesh("basis", "basis");
    // Six repeats of the ground picture from side to side, as the game
    // scrolls it.
    addLayer(basis, kRadius, 0.05f, 6.0f, {0.0f, kRadius, 0.0f});
    model.meshes = {dome, basis};
    return model;
}

// The cloud layer of a sky without dome: "cloud", a square seen from below
// and from above, its material masked by the cloud picture (four repeats
// from side to side, as the game scrolls it).
model3ds::ModelSpec cloud()
{
    model3ds::ModelSpec model;
    model.materials = {{"cloudMtl", 0xF0F4FF}};
    auto layer = mesh("cloud", "cloudMtl");
    addLayer(layer, 10.0f, -0.02f, 4.0f, {0.0f, -10.0f, 0.0f});
    addLayer(layer, 10.0f, 0.02f, 4.0f, {0.0f, 10.0f, 0.0f});
    model.meshes = {layer};
    return model;
}

// The arrow that points the cockpit view at the nearest enemy.
model3ds::ModelSpec indicator()
{
    model3ds::ModelSpec model;
    model.materials = {{"arrowMtl", 0xFFFF00}};
    auto arrow = mesh("arrow", "arrowMtl");
    addLoft(arrow, {-0.4f, 0, 0, 0.05f, 0.03f}, {0.1f, 0, 0, 0.05f, 0.03f});
    addLoft(arrow, {0.1f, 0, 0, 0.15f, 0.03f}, {0.4f, 0, 0, 0.01f, 0.01f});
    model.meshes = {arrow};
    return model;
}

uint32_t mix(uint32_t a, uint32_t b, float t)
{
    auto ch = [&](int shift) {
        const float v = float((a >> shift) & 255) * (1.0f - t) + float((b >> shift) & 255) * t;
        return uint32_t(v + 0.5f) << shift;
    };
    return ch(16) | ch(8) | ch(0);
}

uint32_t colour(const char* text)
{
    return uint32_t(std::strtoul(text, nullptr, 16)) & 0xFFFFFF;
}

float number(const char* text)
{
    char* end = nullptr;
    const float v = std::strtof(text, &end);
    if (end == text || !(v > 0.0f))
        throw std::runtime_error(std::string("not a positive number: ") + text);
    return v;
}

void save(const std::string& path, const media::Bytes& bytes)
{
    if (!media::writeHostFile(path, bytes))
        throw std::runtime_error("can not write " + path);
}

int run(int argc, char** argv)
{
    const std::string command = argc > 2 ? argv[1] : "";
    const std::string out = argc > 2 ? argv[2] : "";
    if (command == "jet" && argc == 7)
        save(out, model3ds::writeModel(jet(argv[3], number(argv[4]), number(argv[5]), std::strtof(argv[6], nullptr))));
    else if (command == "missile" && argc == 3)
        save(out, model3ds::writeModel(missile()));
    else if (command == "envglobe" && argc == 3)
        save(out, model3ds::writeModel(envglobe()));
    else if (command == "cloud" && argc == 3)
        save(out, model3ds::writeModel(cloud()));
    else if (command == "indicator" && argc == 3)
        save(out, model3ds::writeModel(indicator()));
    else if (command == "blob" && (argc == 7 || argc == 8))
    {
        const int size = int(number(argv[3]));
        const uint32_t centre = colour(argv[4]), edge = colour(argv[5]), background = colour(argv[6]);
        const float radius = (argc == 8 ? number(argv[7]) / 100.0f : 0.45f) * float(size);
        save(out, media::makeJpeg(size, size, [=](int x, int y) {
                 const float dx = float(x) + 0.5f - float(size) * 0.5f, dy = float(y) + 0.5f - float(size) * 0.5f;
                 const float r = std::sqrt(dx * dx + dy * dy) / radius;
                 return r >= 1.0f ? background : mix(centre, edge, r * r);
             }));
    }
    else if (command == "skin" && argc == 6)
    {
        int w = 0, h = 0;
        if (std::sscanf(argv[3], "%dx%d", &w, &h) != 2 || w < 8 || h < 8 || w > 1024 || h > 1024)
            throw std::runtime_error("size WIDTHxHEIGHT expected");
        const uint32_t paint = colour(argv[4]), panel = colour(argv[5]);
        save(out, media::makeJpeg(w, h, [=](int x, int y) {
                 const bool line = x % 16 == 0 || y % 24 == 0;
                 const float shade = 0.85f + 0.15f * float((x / 16 + y / 24) % 2);
                 return line ? panel : mix(0, paint, shade);
             }));
    }
    else
    {
        std::fprintf(stderr, "usage: skyrend_art jet OUT SKIN LENGTH SPAN SWEEP | missile OUT |\n"
                             "       blob OUT SIZE CENTRE EDGE BACKGROUND [RADIUS%%] | skin OUT WxH PAINT PANEL\n");
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try
    {
        return run(argc, argv);
    }
    catch (const std::exception& e)
    {
        std::fprintf(stderr, "skyrend_art: %s\n", e.what());
        return 1;
    }
}
