// moravel_content.cpp -- writes the demo resources of Vasko-Moravel into a
// program folder of the device tree: a superbike and a motocross track
// (strips of 300 and 240 segments with their road, wall, sky and start-light
// pictures), the two bikes with their nine objects and three materials,
// levels of detail, paints, wheels, shadow and fume pictures, the race
// template, the settings, the sounds and the three packs.
//
//   moravel_content PROGRAM_FOLDER
#include "racing/framework/track_strip.h"

#include "content/moravel/pages_content.h"
#include "content/moravel/race_content.h"

#include "content/media/bmp_writer.h"
#include "content/media/file_output.h"
#include "content/media/jpeg_writer.h"
#include "content/media/sound_synth.h"
#include "content/media/wav_writer.h"
#include "content/media/zip_writer.h"
#include "content/model3ds/model_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

fs::path root;
bool ok = true;

void put(const std::string& relative, const media::Bytes& bytes)
{
    ok = media::writeHostFile(root / relative, bytes) && ok;
}

void text(const std::string& relative, const std::string& body)
{
    put(relative, media::Bytes(body.begin(), body.end()));
}

uint32_t rgb(int r, int g, int b)
{
    return uint32_t(std::clamp(r, 0, 255) << 16 | std::clamp(g, 0, 255) << 8 | std::clamp(b, 0, 255));
}

void jpeg(const std::string& relative, int w, int h, const media::PixelFn& pixel)
{
    put(relative, media::makeJpeg(w, h, pixel));
}

// A mesh of engine-axis positions (y up) written in the file's axes: the
// reader maps a file vertex (X, Y, Z) to (-X, Z, -Y).
void toFileAxes(model3ds::MeshSpec& mesh)
{
    for (size_t i = 0; i + 2 < mesh.positions.size(); i += 3)
    {
        float x = mesh.positions[i], y = mesh.positions[i + 1], z = mesh.positions[i + 2];
        mesh.positions[i] = -x, mesh.positions[i + 1] = -z, mesh.positions[i + 2] = y;
    }
}

using moravel_content::engineBox;

struct TrackSpec
{
    std::string name;
    std::string prefix; // "SB_" or "CB_"
    int segments;
    float straight, radius, hill;
    uint32_t road, verge, sky, ground;
};

// The sky's altitude that lays the panorama's horizon on the view's: the
// camera's centre stands low on the race page and looks down at the bike a
// little, so the horizon of the level ground is near the page's middle.
constexpr float kSkyOnTheHorizon = 56.0f;

float writeTrack(const TrackSpec& t)
{
    racing::StripShape shape;
    shape.halfRoad = 10.0f; // room for three bikes abreast and boards at the edges
    auto centre = racing::ovalCentreLine(t.segments, t.straight, t.radius, t.hill);
    racing::StripMesh strip = racing::makeTrackStrip(centre, shape);
    model3ds::MeshSpec mesh{"track", strip.positions, {}, {}, "road"};
    for (int32_t f : strip.faces)
        mesh.faces.push_back(uint16_t(f));
    for (size_t i = 0; i < strip.positions.size() / 3; ++i)
        mesh.uvs.insert(mesh.uvs.end(), {0.0f, 0.0f});
    toFileAxes(mesh);
    model3ds::ModelSpec model;
    model.materials.push_back({"road", 0xFFFFFF, t.name + "_track.jpg"});
    model.meshes.push_back(mesh);
    put("resources/scenes/" + t.name + ".3ds", model3ds::writeModel(model));
    // The loader scales the model to this half extent: its own.
    float minV[3] = {1e30f, 1e30f, 1e30f}, maxV[3] = {-1e30f, -1e30f, -1e30f};
    for (size_t i = 0; i < strip.positions.size(); ++i)
    {
        minV[i % 3] = std::min(minV[i % 3], strip.positions[i]);
        maxV[i % 3] = std::max(maxV[i % 3], strip.positions[i]);
    }
    float radius = 0.0f;
    for (int k = 0; k < 3; ++k)
        radius = std::max(radius, (maxV[k] - minV[k]) / 2);

    uint32_t road = t.road, verge = t.verge;
    jpeg("resources/scenes/" + t.name + "_track.jpg", 64, 64, [=](int x, int y) {
        if (y < 12 || y > 52)
            return (x / 8 + y / 8) % 2 ? verge : rgb(int(verge >> 16) - 20, int(verge >> 8 & 255) - 20, int(verge & 255) - 20);
        if ((y == 12 || y == 13 || y == 51 || y == 52))
            return rgb(240, 240, 240);
        if (y >= 31 && y <= 33 && x < 32)
            return rgb(250, 250, 250);
        int n = (x * 7 + y * 13) % 5;
        return rgb(int(road >> 16) + n * 3, int(road >> 8 & 255) + n * 3, int(road & 255) + n * 3);
    });
    put("resources/scenes/" + t.name + "_coulisse.bmp", media::makeBmp(64, 64, [](int x, int y) {
            return ((x / 16) % 2) ^ (y > 32) ? rgb(200, 30, 30) : rgb(240, 240, 240);
        }));
    uint32_t sky = t.sky, ground = t.ground;
    jpeg("resources/scenes/" + t.name + "_skybox.jpg", 512, 128, [=](int x, int y) {
        float hill = 90.0f + 14.0f * std::sin(float(x) * 0.037f) + 8.0f * std::sin(float(x) * 0.11f + 1.0f);
        if (float(y) > hill)
            return ground;
        float k = float(y) / 128.0f;
        return rgb(int((sky >> 16) * (0.7f + 0.3f * k)), int((sky >> 8 & 255) * (0.7f + 0.3f * k)),
                   int((sky & 255) * (0.8f + 0.2f * k)));
    });

    char keys[2048];
    std::snprintf(keys, sizeof keys,
                  "# %s: an oval of %d segments\n"
                  "grpTrack=type:Group3D, model:%s.3ds, radius:%.3f, container:mainScene\n"
                  "track.music=type:WaveSound, src:%s_music.wav\n"
                  "scene.bkgColor=(%d;%d;%d)\n"
                  "env.ambientColor=(200;200;200)\n"
                  "env.fumeColor=(190;190;190)\n"
                  "track.zigzagside=side:2, maxXZOffset:0.0, maxYOffset:0.3\n"
                  "track.guardrailH=1.2\n"
                  "track.widthAdjust=1.0\n"
                  "track.hasMask=0\n"
                  "track.averageAltitude=%.1f\n"
                  "scene.meshPrecision=2.0\n"
                  "scene.haze=(225;225;235)\n"
                  "scene.bannerTextColor=(255;255;255)\n"
                  "scene.bannerBkgColor=(200;0;0)\n"
                  "%s",
                  t.name.c_str(), t.segments, t.name.c_str(), double(radius), t.name.c_str(), int(ground >> 16),
                  int(ground >> 8 & 255), int(ground & 255), double(kSkyOnTheHorizon + t.hill / 2),
                  moravel_content::billboardKeys(t.prefix == "CB_").c_str());
    text("resources/scenes/" + t.prefix + t.name + ".properties", keys);
    // The race's music: a tune of two bars that loops.
    put("resources/scenes/" + t.name + "_music.wav",
        media::makeWav(1, 22050, 16,
                       media::pcm16(media::tune({0, 3, 7, 10, 12, 10, 7, 3, 5, 8, 12, 8, 7, 3, 2, media::kRest},
                                                {0, 0, 0, 0, 5, 5, 7, 7}, 330.0, 180, 16 * 180))));
    return radius;
}

// The bike: body, the six rider poses and the two wheels; materials body,
// racer and wheel. Forward is +z, up +y.
void writeBike(const std::string& file, const std::string& lodFile, bool cross)
{
    const float wheel = cross ? 0.45f : 0.38f;
    model3ds::ModelSpec m;
    m.materials.push_back({"body", 0xFFFFFF, ""});
    m.materials.push_back({"racer", 0xFFFFFF, ""});
    m.materials.push_back({"wheel", 0xFFFFFF, ""});
    m.meshes.push_back(engineBox("body", 0.28f, 0.35f, 1.0f, 0, 0.75f, 0, "body"));
    m.meshes.push_back(engineBox("racer", 0.3f, 0.45f, 0.3f, 0, 1.45f, -0.1f, "racer"));
    m.meshes.push_back(engineBox("racer_std", 0.3f, 0.55f, 0.25f, 0.45f, 1.1f, -0.1f, "racer"));
    m.meshes.push_back(engineBox("racer_l", 0.3f, 0.45f, 0.3f, -0.25f, 1.4f, -0.1f, "racer"));
    m.meshes.push_back(engineBox("racer_r", 0.3f, 0.45f, 0.3f, 0.25f, 1.4f, -0.1f, "racer"));
    m.meshes.push_back(engineBox("racer_air", 0.3f, 0.5f, 0.3f, 0, 1.55f, -0.1f, "racer"));
    m.meshes.push_back(engineBox("racer_airh", 0.3f, 0.55f, 0.3f, 0, 1.65f, -0.2f, "racer"));
    m.meshes.push_back(engineBox("fwheel", 0.1f, wheel, wheel, 0, wheel, 0.95f, "wheel"));
    m.meshes.push_back(engineBox("rwheel", 0.12f, wheel, wheel, 0, wheel, -0.95f, "wheel"));
    put("resources/vehicle/" + file, model3ds::writeModel(m));
    model3ds::ModelSpec lod;
    lod.materials = m.materials;
    lod.meshes.push_back(engineBox("body", 0.28f, 0.35f, 1.0f, 0, 0.75f, 0, "body"));
    lod.meshes.push_back(engineBox("racer", 0.3f, 0.45f, 0.3f, 0, 1.45f, -0.1f, "racer"));
    lod.meshes.push_back(engineBox("fwheel", 0.1f, wheel, wheel, 0, wheel, 0.95f, "wheel"));
    lod.meshes.push_back(engineBox("rwheel", 0.12f, wheel, wheel, 0, wheel, -0.95f, "wheel"));
    put("resources/vehicle/" + lodFile, model3ds::writeModel(lod));
}

void paint(const std::string& name, uint32_t colour)
{
    jpeg("resources/vehicle/" + name + ".jpg", 32, 32, [=](int x, int y) {
        if (y < 16)
            return (x / 4) % 2 ? colour : rgb(int(colour >> 16) / 2, int(colour >> 8 & 255) / 2, int(colour & 255) / 2);
        return y < 20 ? rgb(250, 250, 250) : rgb(40, 40, 50); // rider's suit below
    });
}

void wheels(const std::string& stem, bool masks)
{
    for (int blur = 0; blur < 2; ++blur)
    {
        jpeg("resources/vehicle/" + stem + std::to_string(blur) + ".jpg", 32, 32, [=](int x, int y) {
            int dx = x - 16, dy = y - 16;
            int r2 = dx * dx + dy * dy;
            if (r2 < 16)
                return rgb(180, 180, 190);
            bool spoke = blur == 0 && (std::abs(dx) < 2 || std::abs(dy) < 2);
            return spoke ? rgb(150, 150, 150) : rgb(25, 25, 25 + blur * 30);
        });
        if (masks)
            jpeg("resources/vehicle/" + stem + std::to_string(blur) + "alf.jpg", 32, 32, [](int x, int y) {
                int dx = x - 16, dy = y - 16;
                return dx * dx + dy * dy < 240 ? rgb(255, 255, 255) : 0u;
            });
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: moravel_content PROGRAM_FOLDER\n");
        return 2;
    }
    root = argv[1];

    writeTrack({"Oval", "SB_", 300, 400.0f, 150.0f, 12.0f, rgb(90, 90, 96), rgb(60, 140, 50), rgb(110, 160, 220),
                rgb(70, 120, 60)});
    writeTrack({"Dunes", "CB_", 240, 250.0f, 110.0f, 20.0f, rgb(150, 110, 70), rgb(190, 160, 100),
                rgb(150, 180, 220), rgb(170, 140, 90)});
    const uint32_t lights[4][3] = {{0x303030, 0x303030, 0x303030},
                                   {0xFF2020, 0x303030, 0x303030},
                                   {0xFF2020, 0xFFD020, 0x303030},
                                   {0x303030, 0x303030, 0x20E040}};
    for (int k = 0; k < 4; ++k)
    {
        const uint32_t* lamp = lights[k];
        jpeg("resources/scenes/common/trafficlight" + std::to_string(k) + ".jpg", 16, 40, [=](int x, int y) {
            int cell = y / 13, dx = x - 8, dy = y - cell * 13 - 7;
            if (cell > 2 || dx * dx + dy * dy > 25)
                return rgb(20, 20, 20);
            return lamp[cell];
        });
    }

    writeBike("Superbike.3ds", "SuperbikeLOD.3ds", false);
    writeBike("crossbike.3DS", "CrossbikeLOD.3ds", true);
    paint("SBPaint_Red", rgb(210, 30, 30));
    paint("SBPaint_Blue", rgb(30, 70, 210));
    paint("SBPaint_Yellow", rgb(230, 200, 30));
    paint("CBPaint_Green", rgb(40, 170, 60));
    paint("CBPaint_Orange", rgb(240, 130, 20));
    wheels("superbike_whl", false);
    wheels("crossbike_whl", true);
    jpeg("resources/vehicle/common/shadow.jpg", 32, 32, [](int x, int y) {
        float dx = float(x - 16) / 16.0f, dy = float(y - 16) / 16.0f;
        float d = std::sqrt(dx * dx + dy * dy);
        // Dark over most of the bike's length, soft at the rim.
        int k = d < 0.6f ? 230 : d < 1.0f ? int(230 * (1.0f - d) / 0.4f) : 0;
        return rgb(k, k, k);
    });
    for (int k = 0; k < 3; ++k)
        jpeg("resources/vehicle/common/fumealf" + std::to_string(k) + ".jpg", 16, 16, [=](int x, int y) {
            float dx = float(x - 8) / 8.0f, dy = float(y - 8) / 8.0f;
            float d = dx * dx + dy * dy * (1.0f + 0.3f * float(k));
            return d < 1.0f ? rgb(int(255 * (1.0f - d)), int(255 * (1.0f - d)), int(255 * (1.0f - d))) : 0u;
        });

    ok = moravel_content::writeRaceContent(root) && ok;
    put("resources/GUI/whistle0.wav", media::makeWav(1, 22050, 16, media::makeSound("whistle", 880.0, 200)));
    put("resources/GUI/whistle1.wav", media::makeWav(1, 22050, 16, media::makeSound("whistle", 1320.0, 400)));

    // The packs: the board models and the manual live in them.
    media::Bytes bannerBytes = model3ds::writeModel(moravel_content::bannerModel());
    ok = media::writeZip(root / "resources/scenes/scenes.zip",
                         {{"common/bb_banner.3ds", std::string(bannerBytes.begin(), bannerBytes.end())}}) && ok;
    ok = media::writeZip(root / "resources/vehicle/vehicle.zip",
                         {{"readme.txt", "Vasko-Moravel bikes\n"}}) && ok;
    // The menu pages, their pictures and sounds, and the manual ("manual.zip").
    ok = moravel_content::writePages(root) && ok;
    if (!ok)
    {
        std::fprintf(stderr, "moravel_content: could not write every file under %s\n", argv[1]);
        return 1;
    }
    return 0;
}
