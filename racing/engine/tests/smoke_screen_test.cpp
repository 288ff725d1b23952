// smoke_screen_test.cpp -- the smoke screen built in-process from the
// content the build laid out for the smoke program: its object graph, its
// progress texts and the page its hyperlink opens
#include "racing/engine/animators.h"
#include "racing/engine/base_library.h"
#include "racing/engine/canvas.h"
#include "racing/engine/collision_grid.h"
#include "racing/engine/loader3ds.h"
#include "racing/engine/model3d.h"
#include "racing/engine/scene2d.h"
#include "racing/engine/scene3d.h"
#include "racing/engine/scene_awt.h"
#include "racing/engine/sprite.h"
#include "racing/engine/template_loader.h"

#include "content/media/file_output.h"
#include "engine/base/resource_files.h"
#include "engine/scene/2d/group2d.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/core/texture.h"

#include "os/testing/host.h"

#include <os/windows.h>

#include "os/testing/program_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
namespace headless = os::host::headless;

namespace {

fs::path smokeFolder()
{
    return fs::path(os::testing::built_device_root()) / "Program Files" / "Racing Smoke";
}

struct ScreenProgress : racing::LoadListener
{
    std::vector<std::pair<std::u16string, int>> calls;
    void onLoad(const WCHAR* text, const WCHAR*, int percent) override { calls.emplace_back(text, percent); }
    bool saw(const char16_t* text) const
    {
        for (const auto& call : calls)
            if (call.first == text)
                return true;
        return false;
    }
};

class RacingSmokeScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!fs::exists(smokeFolder() / "engine_demo.properties"))
            GTEST_SKIP() << "the smoke content is not built";
        // The program's folder copied into this test's device tree.
        CreateDirectoryW(u"\\smoke", nullptr);
        for (const auto& entry : fs::directory_iterator(smokeFolder()))
        {
            const std::string name = entry.path().filename().string();
            if (name == "RacingSmoke")
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            media::Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            const std::u16string path = u"\\smoke\\" + std::u16string(name.begin(), name.end());
            ASSERT_TRUE(media::writeDeviceFile(path.c_str(), bytes)) << name;
        }
        addResourcePack(u"flags.zip", u"\\smoke");
        addResourcePack(u"scenes.zip", u"\\smoke");
        headless::clear_boxes();
        ASSERT_TRUE(window.create(0, 0, 240, 320));
        ASSERT_TRUE(window.addChild(page, 0, 0, 240, 320));
        page->setLoadListener(&progress);
        page->build2DScenes = true; // as the smoke page
    }
    void TearDown() override
    {
        window.destroy();
        closeResourcePacks();
    }

    racing::Window window{u"frame", nullptr, false};
    racing::Canvas* page = new racing::Canvas(u"page");
    ScreenProgress progress;
};

} // namespace

TEST_F(RacingSmokeScreen, ItsObjectGraphFromTheTemplate)
{
    page->loadTemplate(u"\\smoke", u"engine_demo.properties", true);
    EXPECT_TRUE(headless::boxes().empty());

    racing::SceneSprite* back = page->findSpriteScene(u"sceneBack");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->width, 240);
    EXPECT_EQ(back->height, 320);
    EXPECT_EQ(back->bkgColor, 0x000040u);
    std::vector<std::u16string> names;
    for (const auto& child : back->children)
        names.emplace_back(child->name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"sptTitle", u"chkA", u"chkB", u"lnkNext", u"tipHelp", u"sptTip",
                                                  u"star0", u"star1", u"star2", u"cmdStart"}));
    racing::Sprite* title = back->findChild(u"sptTitle");
    EXPECT_EQ(title->getText(), u"Engine demo");
    EXPECT_EQ(title->textColor, 0xFFFFFFu);
    for (const char16_t* box : {u"chkA", u"chkB"})
    {
        racing::Sprite* s = back->findChild(box);
        EXPECT_EQ(s->guiType, 2);
        EXPECT_EQ(std::u16string(s->group), u"grpOpt");
        EXPECT_EQ(s->persistent, 1);
        EXPECT_EQ(s->width, 24) << "sized from its picture";
        ASSERT_NE(s->faces[1], nullptr);
    }
    racing::Sprite* link = back->findChild(u"lnkNext");
    EXPECT_EQ(link->guiType, 3);
    EXPECT_EQ(std::u16string(link->link), u"second.properties");
    racing::Sprite* tip = back->findChild(u"tipHelp");
    EXPECT_EQ(tip->guiType, 4);
    EXPECT_EQ(page->findComponent(tip->link), back->findChild(u"sptTip"));
    EXPECT_EQ(back->findChild(u"sptTip")->visible, 0);
    for (const char16_t* star : {u"star0", u"star1", u"star2"})
    {
        EXPECT_EQ(back->findChild(star)->getText(), u"*") << "the copies keep their text";
        EXPECT_EQ(back->findChild(star)->fillColor, 0x600060u);
    }
    racing::Sprite* button = back->findChild(u"cmdStart");
    EXPECT_EQ(button->guiType, 1);
    EXPECT_EQ(button->width, 100);
    EXPECT_EQ(button->height, 30);
    EXPECT_EQ(std::u16string(button->index), u"1");
    EXPECT_NE(button->mask, nullptr);

    racing::SceneAWT* controls = page->findControlScene(u"sceneCtl");
    ASSERT_NE(controls, nullptr);
    AWTComponent* edit = controls->findChild(u"edtName");
    ASSERT_NE(edit, nullptr);
    ASSERT_NE(edit->control, nullptr);
    WCHAR text[32] = {};
    GetWindowTextW(edit->control->getHandle(), text, 32);
    EXPECT_EQ(std::u16string(text), u"Player");

    racing::Scene2D* flat = page->findScene2D(u"sceneFlat");
    ASSERT_NE(flat, nullptr);
    EXPECT_EQ(flat->x, 120);
    EXPECT_EQ(flat->bkgColor, 0x004000u);
    Group2D* bar = page->findGroup2D(u"rectBar");
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->shapes.size(), 1);
    EXPECT_NE(bar->getFirstMaterial()->texture, nullptr);
    EXPECT_NE(bar->getFirstMaterial()->mask, nullptr);

    racing::Scene3D* scene = page->findScene3D(u"mainScene");
    ASSERT_NE(scene, nullptr);
    ASSERT_NE(scene->environment.fog, nullptr);
    EXPECT_EQ(scene->environment.fog->front, 30);
    EXPECT_EQ(scene->environment.fog->back, 70);
    EXPECT_NE(dynamic_cast<racing::Chip3D*>(scene->findChild(u"chipA")), nullptr);
    EXPECT_EQ(scene->y, 90);
    EXPECT_EQ(scene->height, 180);
    EXPECT_EQ(scene->environment.ambient, 0x404040u);
    EXPECT_FLOAT_EQ(scene->environment.backClip, 500.0f);
    EXPECT_EQ(scene->lights.size(), 1u);
    EXPECT_FLOAT_EQ(scene->camera.fov, 45.0f);
    Group3D* cube = scene->findChild(u"grpCube");
    ASSERT_NE(cube, nullptr);
    EXPECT_FLOAT_EQ(cube->radius, 2.0f);
    EXPECT_EQ(cube->levelCount, 1) << "the LOD entry's level";
    EXPECT_FLOAT_EQ(cube->levelDistance, 60.0f);
    ASSERT_NE(scene->findChild(u"grpFlag"), nullptr);
    EXPECT_NE(scene->findChild(u"grpFlag[ani:1]"), nullptr);
    EXPECT_NE(scene->findChild(u"grpFlag[ani:2]"), nullptr);

    racing::TextureAnimator* texAni = page->getTemplateLoader().findTextureAnimator(u"texAni");
    ASSERT_NE(texAni, nullptr);
    ASSERT_EQ(texAni->count, 3);
    EXPECT_EQ(texAni->material, cube->findMaterial(u"skin"));
    racing::ModelAnimator* flagAni = page->getTemplateLoader().findModelAnimator(u"flagAni");
    ASSERT_NE(flagAni, nullptr);
    EXPECT_EQ(flagAni->count, 3);
    EXPECT_NE(page->getTemplateLoader().findSound(u"click"), nullptr);

    // ScreenProgress for the entries with a type, then the 3D scene's stages.
    ASSERT_FALSE(progress.calls.empty());
    EXPECT_EQ(progress.calls.front(), (std::pair<std::u16string, int>(u"Load  sceneBack", 0)));
    EXPECT_EQ(progress.calls.back(), (std::pair<std::u16string, int>(u"Load", 100)));
    EXPECT_TRUE(progress.saw(u"Load    flagAni"));
    EXPECT_FALSE(progress.saw(u"Load     grpOpt")) << "the group's entry has no type";
    progress.calls.clear();
    scene->initView(page->getZoom(), &progress, true);
    EXPECT_TRUE(progress.saw(u"Building 3D Models"));
    EXPECT_TRUE(progress.saw(u"Finalizing 3D Initialization"));

    // The hyperlink's page replaces the screen.
    page->loadTemplate(u"\\smoke", u"second.properties", true);
    EXPECT_EQ(page->findSpriteScene(u"sceneBack"), nullptr);
    EXPECT_EQ(page->findScene3D(u"mainScene"), nullptr);
    racing::SceneSprite* second = page->findSpriteScene(u"sceneSecond");
    ASSERT_NE(second, nullptr);
    ASSERT_NE(second->findChild(u"lnkBack"), nullptr);
    ASSERT_NE(second->bkgTexture, nullptr) << "the JPEG background";
    EXPECT_EQ(second->bkgColor, 0u);
    ASSERT_NE(second->bkgTexture->image, nullptr);
    EXPECT_EQ(second->bkgTexture->image->width, 240);
    EXPECT_EQ(std::u16string(second->findChild(u"lnkBack")->link), u"engine_demo.properties");
}

// The track of the smoke content, read by the racing 3DS loader from its
// pack (the member named exactly as packed), answers the collision grid's
// ground queries on the road, on the bridge deck and under it.
TEST_F(RacingSmokeScreen, TheTrackFromItsPackAnswersGroundQueries)
{
    racing::initRacingMath();
    EXPECT_EQ(racing::Loader3DS().load(u"\\smoke", u"Demo\\Track.3ds", 40.0f, nullptr), nullptr)
        << "pack members are matched case for case";
    headless::clear_boxes();
    std::unique_ptr<Group3D> track(
        racing::Loader3DS().load(u"\\smoke", u"demo\\track.3ds", 40.0f, page->getTextureDictionary()));
    ASSERT_NE(track, nullptr);
    EXPECT_TRUE(headless::boxes().empty());
    ASSERT_NE(track->findObject(u"track"), nullptr);
    ASSERT_NE(track->findObject(u"bridge"), nullptr);
    EXPECT_EQ(track->findObject(u"track")->faceCount(), 128);
    ASSERT_NE(track->findMaterial(u"road"), nullptr);
    EXPECT_NE(track->findMaterial(u"road")->texture, nullptr) << "its picture from the pack too";
    track->update(true);
    racing::CollisionGrid grid(*track, 0.25f, u"track bridge", nullptr, nullptr, 8, 1, 8);
    // Centred on its box: the road at -3, the deck's top at 3, its underside at 2.
    struct Case
    {
        float x, z;
        const char16_t* mesh;
        float y;
    };
    for (const Case& c : {Case{-30, 20, u"track", -3}, Case{25, -35, u"track", -3}, Case{0, 0, u"bridge", 3},
                          Case{-9, 39, u"bridge", 3}, Case{11, 0, u"track", -3}})
    {
        Vector3 p, n;
        p.set(c.x, -50.0f, c.z);
        const WCHAR* mesh = grid.findGround(p, n);
        ASSERT_NE(mesh, nullptr) << c.x << "," << c.z;
        EXPECT_EQ(std::u16string(mesh), c.mesh) << c.x << "," << c.z;
        EXPECT_NEAR(p.y, c.y, 1e-3) << c.x << "," << c.z;
    }
    // Under the bridge: the road below, the underside above.
    Vector3 start, end, hit, n;
    start.set(0, 0, 0);
    end.set(0, 0, 0);
    const WCHAR* below = grid.intersect(start, end, hit, n, 1, 2);
    ASSERT_NE(below, nullptr);
    EXPECT_EQ(std::u16string(below), u"track");
    EXPECT_NEAR(hit.y, -3.0f, 1e-3);
    EXPECT_EQ(std::u16string(grid.getAbove().meshName), u"bridge");
    EXPECT_NEAR(grid.getAbove().point.y, 2.0f, 1e-3);
    Vector3 beside;
    beside.set(60, -50, 0);
    EXPECT_EQ(grid.findGround(beside, n), nullptr) << "off the track, on the line of a road edge";
}
