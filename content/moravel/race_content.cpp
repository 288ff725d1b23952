// race_content.cpp -- the race side of Vasko-Moravel's demo resources
#include "content/moravel/race_content.h"

#include "content/media/file_output.h"
#include "content/media/jpeg_writer.h"

#include <algorithm>
#include <cmath>

namespace moravel_content {

namespace {

uint32_t rgb(int r, int g, int b)
{
    return uint32_t(std::clamp(r, 0, 255) << 16 | std::clamp(g, 0, 255) << 8 | std::clamp(b, 0, 255));
}

// A board: a panel of the given half sizes with its lower edge at y 0 on
// `posts` posts (1 in the middle, 2 at the ends) that reach the ground at
// y = -postHeight; the loader centres the model, the race raises it.
model3ds::ModelSpec boardModel(float hx, float hy, float postHeight, int posts)
{
    model3ds::ModelSpec m;
    m.materials.push_back({"board", 0xFFFFFF, ""});
    m.materials.push_back({"post", 0x8C8C96, ""});
    m.meshes.push_back(engineBox("panel", hx, hy, 0.04f, 0, hy, 0, "board"));
    model3ds::uprightBackPicture(m.meshes.back());
    const float post = std::max(0.04f, hx * 0.04f);
    for (int k = 0; k < posts; ++k)
    {
        const float x = posts == 1 ? 0.0f : (k == 0 ? -hx + post : hx - post);
        m.meshes.push_back(engineBox(k == 0 ? "post0" : "post1", post, postHeight / 2, post, x, -postHeight / 2,
                                     -0.1f, "post"));
    }
    return m;
}

bool put(const std::filesystem::path& path, const media::Bytes& bytes)
{
    return media::writeHostFile(path, bytes);
}

} // namespace

model3ds::MeshSpec engineBox(const std::string& name, float hx, float hy, float hz, float ox, float oy, float oz,
                             const std::string& material)
{
    // boxMesh takes the file's axes: X across (-x), Y along (-z), Z up (y).
    model3ds::MeshSpec m = model3ds::boxMesh(name, hx, hz, hy, material);
    for (size_t i = 0; i + 2 < m.positions.size(); i += 3)
    {
        m.positions[i] += -ox;
        m.positions[i + 1] += -oz;
        m.positions[i + 2] += oy;
    }
    return m;
}

model3ds::ModelSpec bannerModel()
{
    // 8 : 1 panel high over the road between two posts.
    return boardModel(1.0f, 0.125f, 0.6f, 2);
}

std::string billboardKeys(bool motocross)
{
    return motocross ? "scene.billboard=side:right, interval:12, repeat:2, contents:(ad_tall.jpg; ad_square.jpg)\n"
                     : "scene.billboard=interval:10, repeat:3, contents:(ad_square.jpg; ad_long.jpg; ad_tall.jpg)\n";
}

bool writeRaceContent(const std::filesystem::path& root)
{
    bool ok = true;
    const std::filesystem::path gui = root / "resources/GUI", scenes = root / "resources/scenes";
    const std::string canvas =
        "# the race page: the 3D scene with its light, the wrong-way label, the start lights and buttons,\n"
        "# the loading message; lengths for a page 320 wide (and 325 high: the frame-rate button bottom left)\n"
        "mainScene=type:Scene3D, x:0, y:0, width:100%, height:100%, frontClip:1.0, backClip:400.0\n"
        "sun=type:Light, dir:(0.4;-1.0;0.6), color:(255;255;255), container:mainScene\n"
        "sceneGUI2D=type:SceneSprite, x:0, y:0, width:100%, height:100%\n"
        "txtWrongway=type:Sprite, x:70, y:190, width:180, height:34, text:WRONG WAY, textSize:22, textWeight:700, "
        "textAlignment:CENTER, color:(20;20;20), textColor:(255;70;40), visible:0, container:sceneGUI2D\n"
        "sceneGUI=type:SceneSprite, x:0, y:0, width:100%, height:100%\n"
        "light=type:Sprite, x:288, y:40, width:24, height:60, texture:..\\scenes\\common\\trafficlight0.jpg, "
        "container:sceneGUI\n"
        "btnExitRacing=type:Sprite, x:0, y:0, width:56, height:28, text:EXIT, textSize:20, textAlignment:CENTER, "
        "color:(120;0;0), textColor:(255;255;255), GUIType:button, container:sceneGUI\n"
        "fpsButton=type:Sprite, x:0, y:296, width:56, height:28, text:FPS, textSize:20, textAlignment:CENTER, "
        "color:(0;0;120), textColor:(255;255;255), GUIType:button, container:sceneGUI\n"
        "sceneMessage=type:SceneSprite, x:0, y:0, width:100%, height:100%, visible:0\n"
        "sptMessage=type:Sprite, x:40, y:180, width:240, height:30, text:Loading, textSize:20, "
        "textAlignment:CENTER, textColor:(255;255;255), container:sceneMessage\n"
        "whistle0=type:WaveSound, src:whistle0.wav\n"
        "whistle1=type:WaveSound, src:whistle1.wav\n";
    ok = put(gui / "MVCanvas.properties", media::Bytes(canvas.begin(), canvas.end())) && ok;

    // Boards: side-along 4 : 1 on two posts, vertical 1 : 2 and square on one.
    // The panels stand on posts taller than a rider, so that a board that
    // leans over the road edge is passed under.
    ok = put(scenes / "common/bb_sidealong.3ds", model3ds::writeModel(boardModel(1.0f, 0.25f, 1.5f, 2))) && ok;
    ok = put(scenes / "common/bb_vertical.3ds", model3ds::writeModel(boardModel(0.5f, 1.0f, 1.0f, 1))) && ok;
    ok = put(scenes / "common/bb_square.3ds", model3ds::writeModel(boardModel(0.5f, 0.5f, 1.0f, 1))) && ok;

    // The pictures: stripes and blocks in strong colours, framed.
    auto picture = [&](const std::string& name, int w, int h, uint32_t a, uint32_t b) {
        ok = put(scenes / "ads" / name, media::makeJpeg(w, h, [=](int x, int y) {
                 if (x < 2 || y < 2 || x >= w - 2 || y >= h - 2)
                     return rgb(250, 250, 250);
                 return ((x * 4 / w) + (y * 4 / h)) % 2 ? a : b;
             })) && ok;
    };
    picture("ad_banner.jpg", 256, 32, rgb(230, 40, 40), rgb(250, 220, 40));
    picture("ad_long.jpg", 64, 16, rgb(30, 90, 220), rgb(250, 250, 250));
    picture("ad_tall.jpg", 32, 64, rgb(40, 170, 70), rgb(250, 200, 40));
    picture("ad_square.jpg", 64, 64, rgb(240, 120, 20), rgb(40, 40, 60));
    return ok;
}

} // namespace moravel_content
