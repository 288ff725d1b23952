// tundrel_content.cpp -- writes the demo resources of Vasko-Tundrel into the
// device tree: a car track (a strip of 320 segments whose centre pair marks
// the drivable edges) with its road bitmap, sky, start lights, board models
// and advertising pictures; the built-in library (a car and a truck with
// models, wheel pictures, shadow and fume masks); the page templates, the
// race template, the settings and sounds; a second library standing on a
// storage card ("LibVer=1.2", its vehicle.zip and one vehicle) and a third
// in main memory, both registered under the program's key.
//
//   tundrel_content DEVICE_ROOT      (OS_DEVICE_ROOT set to it for the registry)
#include "racing/framework/track_strip.h"
#include "racing/tundrel/vehicle_libraries.h"

#include "content/media/bmp_writer.h"
#include "content/media/file_output.h"
#include "content/media/jpeg_writer.h"
#include "content/media/sound_synth.h"
#include "content/media/wav_writer.h"
#include "content/media/zip_writer.h"
#include "content/model3ds/model_writer.h"

#include <os/windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path root;    // the program folder
fs::path device;  // the device tree
bool ok = true;

void putAt(const fs::path& path, const media::Bytes& bytes)
{
    ok = media::writeHostFile(path, bytes) && ok;
}

void put(const std::string& relative, const media::Bytes& bytes)
{
    putAt(root / relative, bytes);
}

void textAt(const fs::path& path, const std::string& body)
{
    putAt(path, media::Bytes(body.begin(), body.end()));
}

void text(const std::string& relative, const std::string& body)
{
    textAt(root / relative, body);
}

uint32_t rgb(int r, int g, int b)
{
    return uint32_t(std::clamp(r, 0, 255) << 16 | std::clamp(g, 0, 255) << 8 | std::clamp(b, 0, 255));
}

media::Bytes jpeg(int w, int h, const media::PixelFn& pixel)
{
    return media::makeJpeg(w, h, pixel);
}

// The car track: an oval whose centre pair stands 5.5 from the centre (the
// drivable edges), with a low verge outside.
void writeTrack(const std::string& name, int segments)
{
    racing::StripShape shape;
    shape.halfRoad = 6.0f;
    shape.centreGap = 5.5f;
    shape.shoulder = 2.0f;
    shape.outer = 5.0f;
    shape.outerRise = 0.6f;
    auto centre = racing::ovalCentreLine(segments, 420.0f, 160.0f, 10.0f);
    racing::StripMesh strip = racing::makeTrackStrip(centre, shape);
    model3ds::MeshSpec mesh{"track", strip.positions, {}, {}, "road"};
    for (int32_t f : strip.faces)
        mesh.faces.push_back(uint16_t(f));
    mesh.uvs.assign(strip.positions.size() / 3 * 2, 0.0f);
    model3ds::turnToFileAxes(mesh);
    model3ds::ModelSpec model;
    model.materials.push_back({"road", 0xFFFFFF, name + "_track.bmp"});
    model.meshes.push_back(mesh);
    put("resources/scenes/" + name + ".3ds", model3ds::writeModel(model));
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    for (size_t i = 0; i < strip.positions.size(); ++i)
    {
        lo[i % 3] = std::min(lo[i % 3], strip.positions[i]);
        hi[i % 3] = std::max(hi[i % 3], strip.positions[i]);
    }
    float radius = 0.0f;
    for (int k = 0; k < 3; ++k)
        radius = std::max(radius, (hi[k] - lo[k]) / 2);

    // Across the road (v): grass, kerb, asphalt with a centre line, kerb, grass.
    put("resources/scenes/" + name + "_track.bmp", media::makeBmp(64, 64, [](int x, int y) {
            if (y < 6 || y > 57)
                return (x / 8) % 2 ? rgb(70, 150, 60) : rgb(60, 135, 50);
            if (y < 10 || y > 53)
                return (x / 8) % 2 ? rgb(220, 30, 30) : rgb(240, 240, 240);
            if (y >= 31 && y <= 32 && x < 32)
                return rgb(250, 250, 250);
            int n = (x * 7 + y * 13) % 5;
            return rgb(80 + n * 3, 80 + n * 3, 88 + n * 3);
        }));
    put("resources/scenes/" + name + "_skybox.jpg", jpeg(512, 128, [](int x, int y) {
            float hill = 92.0f + 12.0f * std::sin(float(x) * 0.031f) + 6.0f * std::sin(float(x) * 0.13f + 2.0f);
            if (float(y) > hill)
                return rgb(80, 110, 70);
            float k = float(y) / 128.0f;
            return rgb(int(120 * (0.7f + 0.3f * k)), int(170 * (0.7f + 0.3f * k)), int(230 * (0.8f + 0.2f * k)));
        }));
    // The sky's altitude lays the panorama's horizon on the view's: the
    // camera's centre stands low on the race page and looks down at the car
    // a little, so the horizon of the level ground is near the page's middle.
    char keys[2048];
    std::snprintf(keys, sizeof keys,
                  "# %s: an oval of %d segments for cars and trucks\n"
                  "grpTrack=type:Group3D, model:%s.3ds, radius:%.3f, container:mainScene\n"
                  "track.music=type:WaveSound, src:%s_music.wav\n"
                  "scene.bkgColor=(80;110;70)\n"
                  "env.ambientColor=(230;230;230)\n"
                  "track.hasFume=1\n"
                  "track.hasMask=0\n"
                  "track.zigzagside=side:2, maxXZOffset:1.0, maxYOffset:0.2\n"
                  "track.widthAdjust=1.0\n"
                  "track.averageAltitude=76.0\n"
                  "scene.meshPrecision=2.0\n"
                  "scene.haze=(225;230;240)\n"
                  "scene.billboard=side:alternate, interval:24, repeat:2, contents:(ad_square.jpg;ad_side.jpg)\n"
                  "scene.bannerTextColor=(255;255;255)\n"
                  "scene.bannerBkgColor=(20;60;180)\n",
                  name.c_str(), segments, name.c_str(), double(radius), name.c_str());
    text("resources/scenes/" + name + ".properties", keys);
    // The race's music: a tune of two bars that loops.
    put("resources/scenes/" + name + "_music.wav",
        media::makeWav(1, 22050, 16,
                       media::pcm16(media::tune({0, 4, 7, 4, 9, 7, 4, 2, 0, 4, 7, 12, 11, 7, 4, media::kRest},
                                                {0, 0, 5, 5, 7, 7, 0, 0}, 262.0, 180, 16 * 180))));
}

// A vehicle: body (its paint a picture: the colour with a light stripe
// along it and darker sills), windows, the "basis" under it and four
// wheels; forward +z, up +y. Its lower level of detail (beyond 60 units):
// one box each for the body, the windows and the wheels, untextured. Its
// template names the model, the level and the fume.
void writeVehicle(const fs::path& folder, const std::string& name, float halfW, float halfH, float halfL, float wheel,
                  uint32_t colour)
{
    model3ds::ModelSpec m;
    m.materials.push_back({"body", 0xFFFFFF, name + "_body.jpg"});
    m.materials.push_back({"wheel", 0xFFFFFF, name + "_whl0.jpg"});
    m.materials.push_back({"glass", 0x203040, ""});
    const float bodyY = wheel + halfH * 0.6f;
    m.meshes.push_back(model3ds::engineBox("body", halfW, halfH * 0.6f, halfL, 0, bodyY, 0, "body"));
    m.meshes.push_back(model3ds::engineBox("windows", halfW * 0.85f, halfH * 0.4f, halfL * 0.45f, 0,
                                           bodyY + halfH, -halfL * 0.1f, "glass"));
    m.meshes.push_back(model3ds::engineBox("basis", halfW, 0.05f, halfL, 0, 0.05f, 0, "glass"));
    const char* wheels[4] = {"flwheel", "frwheel", "rlwheel", "rrwheel"};
    for (int k = 0; k < 4; ++k)
        m.meshes.push_back(model3ds::engineBox(wheels[k], 0.15f, wheel, wheel, (k % 2 ? -1.0f : 1.0f) * (halfW + 0.1f),
                                               wheel, (k < 2 ? 1.0f : -1.0f) * halfL * 0.65f, "wheel"));
    putAt(folder / (name + ".3ds"), model3ds::writeModel(m));
    putAt(folder / (name + "_body.jpg"), jpeg(32, 32, [=](int, int y) {
            auto shade = [&](float k) {
                return rgb(int(float(colour >> 16) * k), int(float(colour >> 8 & 255) * k), int(float(colour & 255) * k));
            };
            if (y >= 13 && y <= 18)
                return rgb(235, 235, 235);
            return y < 4 || y > 27 ? shade(0.55f) : shade(1.0f);
        }));

    model3ds::ModelSpec low;
    low.materials.push_back({"lodbody", 0x808080, ""});
    low.materials.push_back({"lodglass", 0x203040, ""});
    low.materials.push_back({"lodwheel", 0x404040, ""});
    low.meshes.push_back(model3ds::engineBox("body", halfW, halfH * 0.6f, halfL, 0, bodyY, 0, "lodbody"));
    low.meshes.push_back(model3ds::engineBox("windows", halfW * 0.85f, halfH * 0.4f, halfL * 0.45f, 0,
                                             bodyY + halfH, -halfL * 0.1f, "lodglass"));
    low.meshes.push_back(model3ds::engineBox("wheels", halfW + 0.25f, wheel, halfL * 0.65f + wheel, 0, wheel, 0,
                                             "lodwheel"));
    putAt(folder / (name + "_lod.3ds"), model3ds::writeModel(low));

    float radius = std::max({halfW, halfL, halfH + wheel});
    char keys[1024];
    std::snprintf(keys, sizeof keys,
                  "# %s\n"
                  "VEHICLE_SIZE=%.2f\n"
                  "vehicle.name={prefix}Car\n"
                  "vehicle.fume={prefix}Fume\n"
                  "LODBodyColor=(%d;%d;%d)\n"
                  "{prefix}Car=type:Group3D, model:%s.3ds, radius:%.2f, container:mainScene\n"
                  "{prefix}CarLOD=type:LOD, radius:%.2f, levelNum:1, segment:60, model:(%s_lod.3ds), "
                  "container:{prefix}Car\n",
                  name.c_str(), double(radius), int(colour >> 16), int(colour >> 8 & 255), int(colour & 255),
                  name.c_str(), double(radius), double(radius), name.c_str());
    textAt(folder / (name + ".properties"), keys);
    for (int blur : {0, 2})
        putAt(folder / (name + "_whl" + std::to_string(blur) + ".jpg"), jpeg(32, 32, [=](int x, int y) {
                int dx = x - 16, dy = y - 16;
                if (dx * dx + dy * dy < 30)
                    return rgb(190, 190, 200);
                bool spoke = blur == 0 && (std::abs(dx) < 2 || std::abs(dy) < 2);
                return spoke ? rgb(160, 160, 160) : rgb(25, 25, 25 + blur * 15);
            }));
}

void writeCommonVehiclePictures(const fs::path& folder)
{
    putAt(folder / "common/shadow.jpg", jpeg(32, 32, [](int x, int y) {
            float dx = float(x - 16) / 16.0f, dy = float(y - 16) / 16.0f;
            float d = dx * dx + dy * dy;
            return d < 1.0f ? rgb(int(200 * (1.0f - d)), int(200 * (1.0f - d)), int(200 * (1.0f - d))) : 0u;
        }));
    for (int k = 0; k < 3; ++k)
        putAt(folder / ("common/fumealf" + std::to_string(k) + ".jpg"), jpeg(16, 16, [=](int x, int y) {
                float dx = float(x - 8) / 8.0f, dy = float(y - 8) / 8.0f;
                float d = dx * dx + dy * dy * (1.0f + 0.3f * float(k));
                return d < 1.0f ? rgb(int(255 * (1.0f - d)), int(255 * (1.0f - d)), int(255 * (1.0f - d))) : 0u;
            }));
}

// A flat board model (material "board" facing +z).
media::Bytes boardModel(float halfW, float halfH)
{
    model3ds::ModelSpec board;
    board.materials.push_back({"board", 0xFFFFFF, ""});
    board.meshes.push_back(model3ds::engineBox("board", halfW, halfH, 0.05f, 0, 0, 0, "board"));
    model3ds::uprightBackPicture(board.meshes.back());
    return model3ds::writeModel(board);
}

// A page button: fill colour and text, no images.
std::string button(const std::string& name, int x, int y, int w, const std::string& caption,
                   const std::string& colour = "(30;90;160)")
{
    return name + "=type:Sprite, container:scenePage, x:" + std::to_string(x) + ", y:" + std::to_string(y) +
           ", width:" + std::to_string(w) + ", height:18, text:" + caption + ", color:" + colour +
           ", textColor:(255;255;255), textAlignment:CENTER, GUIType:button\n";
}

std::string label(const std::string& name, int x, int y, int w, const std::string& caption,
                  const std::string& colour = "(255;255;255)")
{
    return name + "=type:Sprite, container:scenePage, x:" + std::to_string(x) + ", y:" + std::to_string(y) +
           ", width:" + std::to_string(w) + ", height:16, text:" + caption + ", textColor:" + colour + "\n";
}

// The pages are zoomed by the frame's width over 240: a scene with a ground
// of its own is drawn that much smaller and stretched over its place, which
// suits 3D and 2D scenes; the sprite scene draws straight onto the page (its
// sprites keep their places), its ground a sprite of the page's size.
const std::string kScene = "scenePage=type:SceneSprite, x:0, y:0, width:100%, height:100%\n"
                           "sptGround=type:Sprite, container:scenePage, x:0, y:0, width:176, height:234, "
                           "color:(16;24;48)\n";

void writePages(const std::string& track)
{
    text("resources/GUI/cover.properties",
         "# the cover page\n" + kScene + label("sptTitle", 8, 20, 160, "Vasko-Tundrel", "(255;220;120)") +
             label("press0", 8, 60, 160, "cars and trucks") + button("btnEnterIntro", 38, 180, 100, "Start"));
    text("resources/GUI/intro.properties",
         "# the intro page\n" + kScene + label("sptTitle", 8, 20, 160, "Vasko-Tundrel", "(255;220;120)") +
             label("sptIntro", 8, 60, 160, "Choose a library,") + label("sptIntro2", 8, 78, 160, "a vehicle and a track.") +
             button("cmdEnterGame", 38, 180, 100, "Enter") + "titleMusic=type:WaveSound, src:title.wav\n" +
             "sceneMovie=type:Scene2D, x:28, y:98, width:120, height:76, bkgColor:(0;0;0)\n"
             "rectIntroMovie=type:Group2D, scale:1.0, texture:movie.jpg, container:sceneMovie\n");
    // The page ground first, the track's sky strip and the turning vehicle
    // over it, the controls on top.
    std::string main = "# the main menu: library, vehicle and track\n"
                       "sceneSelected=0\nvlibSelected=0\nvehicleSelected=0\n"
                       "intro_" + track + "=intro:two long straights, challenge:3\n" +
                       kScene +
                       "sceneTrack=type:Scene2D, x:0, y:22, width:176, height:98, bkgColor:(0;0;0)\n"
                       "RectTrack=type:Group2D, scale:1.0, texture:track_none.jpg, container:sceneTrack\n"
                       "sceneVehicle=type:Scene3D, x:84, y:142, width:76, height:44, bkgColor:(24;34;66), "
                       "ambient:(255;255;255), frontClip:1.0, backClip:100.0\n"
                       "Light1=type:Light, container:sceneVehicle, dir:(0;-1;1), color:(255;255;255)\n"
                       "sceneControls=type:SceneSprite, x:0, y:0, width:100%, height:100%\n";
    auto onTop = [](std::string entry) { return entry.replace(entry.find("container:scenePage"), 19, "container:sceneControls"); };
    auto hidden = [](std::string entry) { return entry.insert(entry.size() - 1, ", visible:0"); };
    main += onTop(button("cmdLastVLib", 4, 2, 20, "<")) + onTop(label("txtVLib", 28, 4, 120, "")) +
            onTop(button("cmdNextVLib", 152, 2, 20, ">")) + onTop(label("txtTrackName", 28, 24, 120, "")) +
            onTop(button("cmdLastTrack", 4, 60, 20, "<")) + onTop(button("cmdNextTrack", 152, 60, 20, ">")) +
            onTop(button("cmdLastVehicle", 4, 122, 20, "<")) + onTop(label("txtVehicleName", 28, 124, 108, "")) +
            onTop(button("cmdNextVehicle", 140, 122, 20, ">")) +
            onTop(label("txtLoading", 90, 156, 64, "loading", "(180;180;180)"));
    for (char letter : std::string("BCT"))
        main += onTop(button(std::string("cmdVehicle") + letter, 4 + 26 * int(std::string("BCT").find(letter)), 146, 22,
                             std::string(1, letter), "(40;40;40)"));
    main += "sptChallenge=type:Sprite, container:sceneControls, x:164, y:92, width:8, height:40, color:(255;255;150)\n" +
            onTop(label("txtPlayerName", 4, 190, 110, "Player")) + onTop(button("cmdChangeName", 120, 189, 52, "Name")) +
            hidden(onTop(button("cmdEditNameOK", 120, 189, 52, "OK", "(0;120;0)"))) +
            onTop(button("btnToPlaying", 38, 212, 100, "Next")) +
            "sceneName=type:SceneAWT\n"
            "edtName=type:AWTComponent, container:sceneName, AWTType:EDIT, id:1000, x:4, y:188, width:110, height:18, "
            "fontSize:12, text:, visible:0\n";
    text("resources/GUI/MainMenu.properties", main);
    text("resources/GUI/PlayingMenu.properties",
         "# the playing menu: race or exercise\n" + kScene + label("sptPlay", 8, 10, 160, "Ready", "(255;220;120)") +
             label("txtTrackName", 8, 30, 160, "") + label("txtVehicleName", 8, 48, 160, "") +
             label("spt" + track, 8, 66, 160, "the " + track + " awaits") +
             button("cmdRace", 38, 100, 100, "Race") + button("cmdExercise", 38, 126, 100, "Exercise") +
             button("cmdEnterGame", 38, 152, 100, "Back") + button("cmdGSetting", 38, 174, 100, "Settings") +
             button("cmdQuitGame", 38, 196, 100, "Quit"));
    std::string board = "# the score table\n" + kScene + label("sptBoard", 4, 4, 80, "Scores", "(255;220;120)") +
                        label("track", 84, 4, 90, "") + label("txtFPS", 4, 20, 80, "");
    for (int k = -1; k < 5; ++k)
    {
        int y = 40 + (k + 1) * 26 + (k >= 0 ? 6 : 0);
        std::string n = std::to_string(k);
        board += label("racer" + n, 4, y, 74, "", k < 0 ? "(255;255;120)" : "(255;255;255)") +
                 label("date" + n, 80, y, 96, "", "(180;180;180)") +
                 label("vehicle" + n, 12, y + 12, 98, "", "(150;200;255)") + label("score" + n, 110, y + 12, 66, "");
    }
    board += button("cmdRestartGame", 4, 210, 80, "Again") + button("cmdExit", 92, 210, 80, "Exit") +
             "scoreboard=type:WaveSound, src:scoreboard.wav\n";
    text("resources/GUI/scoreboard.properties", board);
    text("resources/GUI/back.properties", "# leaving\n" + kScene +
                                              "scenePrompt=type:Scene2D, x:8, y:84, width:160, height:100, bkgColor:(0;0;0)\n"
                                              "rectPrompt=type:Group2D, scale:1.25, texture:prompt.jpg, container:scenePrompt\n" +
                                              label("press0", 8, 60, 160, "Leave the game?") +
                                              button("cmdRestartGame", 4, 196, 80, "Stay") +
                                              button("cmdExit", 92, 196, 80, "Exit") +
                                              "titleMusic=type:WaveSound, src:title.wav\n");
    // Settings: the page and the store of the check-box groups.
    auto box = [](const std::string& name, int x, int y, const std::string& group, bool checked) {
        return name + "=type:Sprite, container:scenePage, x:" + std::to_string(x) + ", y:" + std::to_string(y) +
               ", texture:chk_off.jpg, bright:chk_on.jpg, GUIType:checkbox, " +
               (group.empty() ? std::string() : "group:" + group + ", ") + "persistent:1, status:" +
               (checked ? "1" : "0") + "\n";
    };
    std::string settings = "# settings: a page and the store of the settings (check-box groups and switches)\n" + kScene +
                           label("sptTitle", 4, 2, 168, "Settings", "(255;220;120)");
    struct Group
    {
        const char* title;
        const char* group;
        int selected;
        std::vector<std::string> choices;
    };
    const Group groups[] = {{"Sound effects", "soundEffect", 0, {"On", "Off"}},
                            {"Race music", "musicSwitch", 0, {"On", "Off"}},
                            {"Steering", "strSensitivity", 1, {"Low", "Mid", "High"}},
                            {"Cruise speed", "cruiseSpeed", 1, {"50", "80", "none"}}};
    int y = 22;
    for (const Group& g : groups)
    {
        settings += label(std::string("lbl_") + g.group, 4, y, 168, g.title, "(200;200;255)");
        for (size_t k = 0; k < g.choices.size(); ++k)
        {
            const std::string id = std::string(g.group) + std::to_string(k);
            // Three columns in the page's width: box, then its word.
            settings += box("chk_" + id, 8 + 52 * int(k), y + 20, g.group, int(k) == g.selected) +
                        label("lbl_" + id, 26 + 52 * int(k), y + 18, 40, g.choices[k]);
        }
        settings += std::string(g.group) + "=GUIType:checkboxGroup, selected:" + std::to_string(g.selected) + "\n";
        y += 36;
    }
    // The two switches the race reads: the direct display and the buttons.
    settings += box("chkGAPIVideo", 8, y + 4, "", false) + label("lblGAPIVideo", 26, y + 2, 146, "Direct screen") +
                box("chkGAPIButton", 8, y + 24, "", false) +
                label("lblGAPIButton", 26, y + 22, 146, "Hardware buttons");
    settings += button("cmdEnterGame", 38, 210, 100, "Done", "(0;120;0)");
    text("resources/GUI/gsetting.properties", settings);
    put("resources/GUI/chk_off.jpg", jpeg(16, 16, [](int x, int y) {
            return x == 0 || y == 0 || x == 15 || y == 15 ? rgb(200, 200, 200) : rgb(30, 30, 40);
        }));
    put("resources/GUI/chk_on.jpg", jpeg(16, 16, [](int x, int y) {
            if (x == 0 || y == 0 || x == 15 || y == 15)
                return rgb(200, 200, 200);
            return std::abs(x - 8) < 4 && std::abs(y - 8) < 4 ? rgb(60, 220, 60) : rgb(30, 30, 40);
        }));
    // The intro's movie strip: cars and trucks in a row on a road; the
    // closing page's prompt: rows of dashes like lines of text.
    put("resources/GUI/track_none.jpg", jpeg(64, 32, [](int, int) { return rgb(0, 0, 0); }));
    put("resources/GUI/movie.jpg", jpeg(128, 128, [](int x, int y) {
            const int row = y / 32, cx = (x + row * 40) % 128;
            if (y % 32 > 26)
                return rgb(80, 80, 88);
            if (y % 32 > 12 && cx > 20 && cx < 76)
                return row % 2 ? rgb(40, 90, 200) : rgb(200, 30, 30);
            return rgb(120, 170, 230);
        }));
    put("resources/GUI/prompt.jpg", jpeg(128, 128, [](int x, int y) {
            return y % 16 < 3 && (x / 8 + y / 16) % 5 ? rgb(255, 220, 120) : rgb(10, 14, 30);
        }));
    put("resources/GUI/title.wav",
        media::makeWav(1, 22050, 16, media::pcm16(media::tune({0, 7, 5, 12}, {0, 0, 5, 7}, 392.0, 150, 600))));
    put("resources/GUI/scoreboard.wav",
        media::makeWav(1, 22050, 16, media::pcm16(media::tune({0, 4, 7, 12}, {0, 0, 0, 0}, 523.0, 150, 600))));
    text("resources/GUI/TDCanvas.properties",
         "# the car race page: the 3D scene, the start lights and buttons, the wrong-way label, the loading message\n"
         "# (lengths for a page 320 wide)\n"
         "mainScene=type:Scene3D, x:0, y:0, width:100%, height:100%, frontClip:1.0, backClip:500.0\n"
         "sun=type:Light, dir:(0.4;-1.0;0.6), color:(255;255;255), container:mainScene\n"
         "sceneGUI2D=type:SceneSprite, x:0, y:0, width:100%, height:100%\n"
         "txtWrongway=type:Sprite, x:70, y:190, width:180, height:34, text:WRONG WAY, textSize:22, textWeight:700, textAlignment:CENTER, color:(20;20;20), textColor:(255;70;40), visible:0, container:sceneGUI2D\n"
         "sceneGUI=type:SceneSprite, x:0, y:0, width:100%, height:100%\n"
         "light=type:Sprite, x:146, y:44, width:29, height:72, texture:..\\scenes\\common\\trafficlight0.jpg, container:sceneGUI\n"
         "btnExitRacing=type:Sprite, x:248, y:390, width:72, height:36, text:EXIT, textSize:22, textAlignment:CENTER, color:(120;0;0), textColor:(255;255;255), GUIType:button, container:sceneGUI\n"
         "sceneMessage=type:SceneSprite, x:0, y:0, width:100%, height:100%, visible:0\n"
         "sptMessage=type:Sprite, x:40, y:180, width:240, height:30, text:Loading, textSize:20, textAlignment:CENTER, textColor:(255;255;255), container:sceneMessage\n"
         "whistle0=type:WaveSound, src:whistle0.wav\n"
         "whistle1=type:WaveSound, src:whistle1.wav\n");
    put("resources/GUI/whistle0.wav", media::makeWav(1, 22050, 16, media::makeSound("whistle", 880.0, 200)));
    put("resources/GUI/whistle1.wav", media::makeWav(1, 22050, 16, media::makeSound("whistle", 1320.0, 400)));
}

// A library of its own: descriptor, pack and vehicles.
void writeLibrary(const fs::path& folder, const std::string& version, const std::string& vehicle, uint32_t colour)
{
    std::error_code ignored;
    fs::remove_all(folder, ignored); // only this build's vehicles are listed
    textAt(folder / "vlib.txt", "# vehicle library\nLibVer=" + version + "\n");
    ok = media::writeZip(folder / "vehicle.zip", {{"readme.txt", "vehicle library pack\n"}}) && ok;
    writeVehicle(folder, vehicle, 0.9f, 0.5f, 2.0f, 0.36f, colour);
    writeCommonVehiclePictures(folder);
}

bool registerLibrary(HKEY key, const char16_t* name, const char16_t* folder)
{
    std::u16string data(folder);
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          DWORD((data.size() + 1) * sizeof(char16_t))) == ERROR_SUCCESS;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: tundrel_content DEVICE_ROOT\n");
        return 2;
    }
    device = argv[1];
    root = device / "Program Files" / "Vasko-Tundrel";

    const std::string track = "Ring";
    writeTrack(track, 320);
    const uint32_t lights[4][3] = {{0x303030, 0x303030, 0x303030},
                                   {0xFF2020, 0x303030, 0x303030},
                                   {0xFF2020, 0xFFD020, 0x303030},
                                   {0x303030, 0x303030, 0x20E040}};
    for (int k = 0; k < 4; ++k)
    {
        const uint32_t* lamp = lights[k];
        put("resources/scenes/common/trafficlight" + std::to_string(k) + ".jpg", jpeg(16, 40, [=](int x, int y) {
                int cell = y / 13, dx = x - 8, dy = y - cell * 13 - 7;
                if (cell > 2 || dx * dx + dy * dy > 25)
                    return rgb(20, 20, 20);
                return lamp[cell];
            }));
    }
    // Advertising pictures: a square (kind 3) and a side-along one (kind 1).
    put("resources/scenes/ads/ad_square.jpg", jpeg(64, 64, [](int x, int y) {
            return (x / 16 + y / 16) % 2 ? rgb(250, 200, 20) : rgb(20, 20, 160);
        }));
    put("resources/scenes/ads/ad_side.jpg", jpeg(128, 32, [](int x, int y) {
            return y < 4 || y > 27 ? rgb(255, 255, 255) : (x / 16) % 2 ? rgb(200, 20, 20) : rgb(240, 240, 240);
        }));
    put("resources/scenes/common/bb_sidealong.3ds", boardModel(2.0f, 0.5f));
    put("resources/scenes/common/bb_vertical.3ds", boardModel(0.5f, 1.0f));
    put("resources/scenes/common/bb_square.3ds", boardModel(1.0f, 1.0f));
    media::Bytes banner = boardModel(4.0f, 0.5f);

    // The built-in library: a car and a truck. Vehicle names are single
    // words: the menu shows a '_' of a name as ',' (the score table as a
    // blank).
    const fs::path builtIn = root / "resources/vehicle";
    std::error_code ignored;
    fs::remove_all(builtIn, ignored); // only this build's vehicles are listed
    writeVehicle(builtIn, "Coupe", 0.9f, 0.45f, 2.0f, 0.34f, rgb(200, 30, 30));
    writeVehicle(builtIn, "Bighorn", 1.2f, 0.9f, 3.0f, 0.5f, rgb(40, 90, 200));
    writeCommonVehiclePictures(builtIn);

    writePages(track);

    // The packs: the banner model lives in the scenes pack.
    ok = media::writeZip(root / "resources/scenes/scenes.zip",
                         {{"common/bb_banner.3ds", std::string(banner.begin(), banner.end())}}) && ok;
    ok = media::writeZip(builtIn / "vehicle.zip", {{"readme.txt", "Vasko-Tundrel vehicles\n"}}) && ok;
    ok = media::writeZip(root / "resources/GUI/manual.zip",
                         {{"manual/index.properties", "# the manual\nscene.bkgColor=(0;0;0)\n"}}) && ok;

    // Installed libraries: one on the storage card, one in main memory.
    writeLibrary(device / "Storage Card" / "Rally Pack", "1.2", "Wagon", rgb(240, 200, 30));
    writeLibrary(device / "Program Files" / "Classic Pack", "1.2", "Sedan", rgb(120, 120, 120));
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, tundrel::kLibraryKey, 0, nullptr, 0, 0, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        ok = false;
    else
    {
        ok = registerLibrary(key, u"Rally Pack", u"\\Storage Card\\Rally Pack") && ok;
        ok = registerLibrary(key, u"Classic Pack", u"\\Program Files\\Classic Pack") && ok;
        RegCloseKey(key);
    }
    if (!ok)
    {
        std::fprintf(stderr, "tundrel_content: could not write every file under %s\n", argv[1]);
        return 1;
    }
    return 0;
}
