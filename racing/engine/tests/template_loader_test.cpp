// template_loader_test.cpp -- racing screens from template files: the
// objects every type builds with their keys and defaults, progress, boxes
// of missing containers, and a second file added without replacing
#include "racing/engine/animators.h"
#include "racing/engine/canvas.h"
#include "racing/engine/scene3d.h"
#include "racing/engine/scene_awt.h"
#include "racing/engine/sprite.h"
#include "racing/engine/template_loader.h"
#include "racing/engine/tests/file_fixture.h"

#include "content/media/bmp_writer.h"
#include "content/media/file_output.h"
#include "content/model3ds/model_writer.h"
#include "engine/platform/image.h"
#include "engine/scene/2d/group2d.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/light.h"
#include "engine/scene/core/texture.h"

#include "os/testing/host.h"

#include <os/windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace headless = os::host::headless;

namespace {

struct Progress : racing::LoadListener
{
    std::vector<std::pair<std::u16string, int>> calls;
    void onLoad(const WCHAR* text, const WCHAR*, int percent) override { calls.emplace_back(text, percent); }
};

class Page : public racing::Canvas
{
public:
    Page() : Canvas(u"page") {}
    int loaded = 0, before = 0, components = 0;
    void onBeforeTemplateLoad(const WCHAR*, const WCHAR*) override { ++before; }
    void onTemplateLoaded() override { ++loaded; }
    void onComponentBuilt(AWTComponent*) override { ++components; }
};

void writeText(const char16_t* path, const std::string& text)
{
    ASSERT_TRUE(media::writeDeviceFile(path, media::Bytes(text.begin(), text.end())));
}

class RacingTemplateLoader : public ::testing::Test
{
protected:
    void SetUp() override
    {
        headless::clear_boxes();
        CreateDirectoryW(u"\\rtmpl", nullptr);
        ASSERT_TRUE(window.create(0, 0, 240, 320));
        ASSERT_TRUE(window.addChild(page, 0, 0, 240, 320));
        page->setLoadListener(&progress);
    }
    void TearDown() override { window.destroy(); }

    racing::Window window{u"frame", nullptr, false};
    Page* page = new Page();
    Progress progress;
};

} // namespace

TEST_F(RacingTemplateLoader, ScenesSpritesAndControlsWithTheirFields)
{
    ASSERT_TRUE(media::writeDeviceFile(u"\\rtmpl\\face.bmp", media::makeBmp(30, 10, [](int, int) { return 0x00FF00u; })));
    writeText(u"\\rtmpl\\page.properties",
              "sprites=type:SceneSprite, x:10, y:20, width:50%, height:40, bkgColor:(1;2;3), indexTextSize:14\n"
              "pictured=type:SceneSprite, x:0, y:0, width:100, height:100, bkgColor:(1;2;3), bkgTexture:face.bmp\n"
              "controls=type:SceneAWT, x:5, y:5, width:10, height:10\n"
              "ok=type:Sprite, container:sprites, x:4, y:6, GUIType:button, texture:face.bmp, textSize:8, "
              "textWeight:1200, textAlignment:CENTER, text:OK, index:1\n"
              "sized=type:Sprite, container:sprites, x:0, y:0, width:8, height:9, GUIType:hyperlink, href:next\n"
              "box=type:Sprite, container:sprites, x:0, y:40, width:8, height:8, GUIType:checkbox, group:sound, "
              "persistent:1, number:3\n"
              "lost=type:Sprite, container:nowhere, x:0, y:0\n"
              "name=type:AWTComponent, container:controls, AWTType:EDIT, id:7, x:10, y:30, width:100, height:20, "
              "text:Driver\n"
              "turned=type:Sprite, container:sprites, x:0, y:60, texture:face.bmp, transform:ROTATE_\n"
              "turnedToo=type:Sprite, container:sprites, x:0, y:60, texture:face.bmp, transform:ROTATE_\n"
              "nothing=x:1\n"
              "future=type:Scene9\n");
    page->loadTemplate(u"\\rtmpl", u"page.properties", true);
    EXPECT_TRUE(headless::boxes().empty());
    EXPECT_EQ(page->loaded, 1);
    EXPECT_EQ(page->before, 1);

    racing::SceneSprite* sprites = page->findSpriteScene(u"sprites");
    ASSERT_NE(sprites, nullptr);
    EXPECT_EQ(sprites->x, 10);
    EXPECT_EQ(sprites->width, 120) << "50% of 240";
    EXPECT_EQ(sprites->height, 40);
    EXPECT_EQ(sprites->bkgColor, 0x010203u);
    EXPECT_EQ(sprites->indexTextSize, 14);
    racing::SceneSprite* pictured = page->findSpriteScene(u"pictured");
    ASSERT_NE(pictured, nullptr);
    EXPECT_EQ(pictured->bkgColor, 0u) << "a background picture makes the colour 0";
    ASSERT_NE(pictured->bkgTexture, nullptr);

    racing::SceneAWT* controls = page->findControlScene(u"controls");
    ASSERT_NE(controls, nullptr);
    EXPECT_EQ(controls->x, 0);
    EXPECT_EQ(controls->width, 240) << "a control scene covers the canvas";
    AWTComponent* edit = controls->findChild(u"name");
    ASSERT_NE(edit, nullptr);
    ASSERT_NE(edit->control, nullptr);
    EXPECT_NE(edit->control->getHandle(), nullptr);
    EXPECT_EQ(page->components, 1);

    racing::Sprite* ok = sprites->findChild(u"ok");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->guiType, 1);
    EXPECT_EQ(ok->width, 30) << "sized from its picture";
    EXPECT_EQ(ok->height, 10);
    EXPECT_EQ(ok->textSize, 12);
    EXPECT_EQ(ok->textWeight, 900);
    EXPECT_EQ(ok->textAlignment, 1);
    EXPECT_EQ(ok->getText(), u"OK");
    EXPECT_EQ(std::u16string(ok->index), u"1");
    racing::Sprite* link = sprites->findChild(u"sized");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->width, 8);
    EXPECT_EQ(std::u16string(link->link), u"next");
    EXPECT_EQ(link->underline, 1);
    for (const char16_t* copy : {u"box0", u"box1", u"box2"})
    {
        racing::Sprite* box = sprites->findChild(copy);
        ASSERT_NE(box, nullptr) << std::string(copy, copy + 4);
        EXPECT_EQ(box->y, 40);
    }
    EXPECT_EQ(sprites->findChild(u"box"), nullptr);
    EXPECT_EQ(std::u16string(sprites->findChild(u"box0")->group), u"sound");
    EXPECT_EQ(sprites->findChild(u"box0")->persistent, 1);

    // A turned picture is a copy, turned once for both its users; the
    // shared one stays as it is.
    racing::Sprite* turned = sprites->findChild(u"turned");
    ASSERT_NE(turned, nullptr);
    EXPECT_EQ(turned->width, 10);
    EXPECT_EQ(turned->height, 30);
    EXPECT_EQ(sprites->findChild(u"turnedToo")->faces[0], turned->faces[0]);
    EXPECT_NE(turned->faces[0], ok->faces[0]);
    EXPECT_EQ(ok->faces[0]->width, 30);

    // Eleven of the twelve entries have a type (the one without gets no report).
    ASSERT_EQ(progress.calls.size(), 12u);
    EXPECT_EQ(progress.calls[0].first, u"Load    sprites");
    EXPECT_EQ(progress.calls[0].second, 0);
    EXPECT_EQ(progress.calls[1].second, 8);
    EXPECT_EQ(progress.calls[10].first, u"Load     future");
    EXPECT_EQ(progress.calls[10].second, 91);
    EXPECT_EQ(progress.calls[11], (std::pair<std::u16string, int>(u"Load", 100)));
}

TEST_F(RacingTemplateLoader, ThreeDEntriesAndTheirBoxes)
{
    model3ds::ModelSpec cube;
    cube.materials.push_back({"skin"});
    cube.meshes.push_back(model3ds::boxMesh("cube", 1.0f, 1.0f, 1.0f, "skin"));
    ASSERT_TRUE(media::writeDeviceFile(u"\\rtmpl\\cube.3ds", model3ds::writeModel(cube)));
    for (int i = 1; i <= 2; ++i)
    {
        const std::u16string path = u"\\rtmpl\\flag" + std::u16string(1, char16_t(u'0' + i)) + u".3ds";
        ASSERT_TRUE(media::writeDeviceFile(path.c_str(), model3ds::writeModel(cube)));
        const std::u16string picture = u"\\rtmpl\\skin" + std::u16string(1, char16_t(u'0' + i)) + u".bmp";
        ASSERT_TRUE(media::writeDeviceFile(picture.c_str(), media::makeBmp(8, 8, [](int, int) { return 0xFFu; })));
    }
    writeText(u"\\rtmpl\\world.properties",
              "view=type:Scene3D, x:0, y:0, width:240, height:200, bkgColor:(0;0;0), ambient:(10;20;30), "
              "frontClip:2, backClip:500\n"
              "cube=type:Group3D, container:view, model:cube.3ds, radius:3, cullingPolicy:1, number:2\n"
              "sign=type:Chip3D, container:view, radius:2, width:2, height:1\n"
              "flag=type:Group3D, container:view, model:cube.3ds, radius:1\n"
              "eye=type:Camera, container:view, pos:(0;2;-9), fov:50\n"
              "sun=type:Light, container:view, dir:(0;0;1)\n"
              "haze=type:Fog, container:view, front:10, back:90, color:(9;9;9)\n"
              "spin=type:TextureAnimator, container:cube0, material:skin, texture:skin%d.bmp, i0:1, i1:2\n"
              "wave=type:ModelAnimator, container:view, group:flag, model:flag%d.3ds, i0:1, i1:2, radius:1\n"
              "orphan=type:Light, container:elsewhere\n"
              "noradius=type:Group3D, container:view, model:cube.3ds\n"
              "nomodel=type:Group3D, container:view, radius:1\n");
    page->loadTemplate(u"\\rtmpl", u"world.properties", true);
    racing::Scene3D* view = page->findScene3D(u"view");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->environment.ambient, 0x0A141Eu);
    EXPECT_FLOAT_EQ(view->environment.backClip, 500.0f);
    ASSERT_NE(view->findChild(u"cube0"), nullptr);
    ASSERT_NE(view->findChild(u"cube1"), nullptr);
    EXPECT_FLOAT_EQ(view->findChild(u"cube1")->radius, 3.0f);
    EXPECT_NE(view->findChild(u"cube0")->cullingPolicy, view->findChild(u"flag")->cullingPolicy);
    ASSERT_NE(view->findChild(u"sign"), nullptr);
    EXPECT_FLOAT_EQ(view->camera.fov, 50.0f);
    ASSERT_EQ(view->lights.size(), 1u);
    ASSERT_NE(view->environment.fog, nullptr);
    EXPECT_EQ(view->environment.fog->back, 90);
    racing::TextureAnimator* spin = page->getTemplateLoader().findTextureAnimator(u"spin");
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(spin->count, 2);
    racing::ModelAnimator* wave = page->getTemplateLoader().findModelAnimator(u"wave");
    ASSERT_NE(wave, nullptr);
    EXPECT_NE(view->findChild(u"flag[ani:2]"), nullptr);

    std::vector<std::u16string> boxes;
    for (const auto& box : headless::boxes())
    {
        EXPECT_EQ(box.caption, u"Error");
        boxes.push_back(box.text);
    }
    EXPECT_EQ(boxes, (std::vector<std::u16string>{u"The container of Light is absent.",
                                                  u"The radius of Group3D is absent.",
                                                  u"The model of Group3D is absent."}));
}

TEST_F(RacingTemplateLoader, AnAddedFileBuildsItsKeysAndOnlyTheOldKeysItRepeats)
{
    writeText(u"\\rtmpl\\first.properties", "s=type:SceneSprite, x:0, y:0, width:100, height:100\n"
                                            "a=type:Sprite, container:s, x:1, y:1, width:4, height:4\n"
                                            "b=type:Sprite, container:s, x:2, y:2, width:4, height:4\n");
    writeText(u"\\rtmpl\\second.properties", "b=type:Sprite, container:s, x:50, y:3, width:4, height:4\n"
                                             "c=type:Sprite, container:s, x:3, y:3, width:4, height:4\n");
    page->loadTemplate(u"\\rtmpl", u"first.properties", true);
    page->loadTemplate(u"\\rtmpl", u"second.properties", false);
    racing::SceneSprite* s = page->findSpriteScene(u"s");
    ASSERT_NE(s, nullptr);
    std::vector<std::u16string> names;
    for (const auto& child : s->children)
        names.emplace_back(child->name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"a", u"b", u"b", u"c"}));
    EXPECT_EQ(s->children[2]->x, 50);
    EXPECT_EQ(page->before, 1) << "only a replacing load clears the screen";

    // A file that cannot be read: the replaced screen is gone, no progress.
    progress.calls.clear();
    page->loadTemplate(u"\\rtmpl", u"missing.properties", true);
    EXPECT_EQ(page->findSpriteScene(u"s"), nullptr);
    EXPECT_TRUE(progress.calls.empty());
    // Nothing at all without a folder or a name.
    page->loadTemplate(u"", u"first.properties", true);
    EXPECT_EQ(page->before, 2);
}

TEST_F(RacingTemplateLoader, CheckBoxesOfAGroupWriteTheirChoiceIntoTheTemplate)
{
    writeText(u"\\rtmpl\\boxes.properties",
              "s=type:SceneSprite, x:0, y:0, width:100%, height:100%\n"
              "a=type:Sprite, container:s, x:0, y:0, width:20, height:20, GUIType:checkbox, group:grp, persistent:1\n"
              "b=type:Sprite, container:s, x:30, y:0, width:20, height:20, GUIType:checkbox, group:grp\n"
              "alone=type:Sprite, container:s, x:60, y:0, width:20, height:20, GUIType:checkbox\n"
              "grp=GUIType:checkboxGroup, selected:0\n");
    page->loadTemplate(u"\\rtmpl", u"boxes.properties", true);
    racing::SceneSprite* s = page->findSpriteScene(u"s");
    ASSERT_NE(s, nullptr);
    auto press = [this](int x) {
        SendMessageW(page->getHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 5));
        SendMessageW(page->getHandle(), WM_LBUTTONUP, 0, MAKELPARAM(x, 5));
    };
    Properties& templ = page->getTemplateLoader().getTemplate();
    auto field = [&templ](const char16_t* key, const char16_t* name) {
        WCHAR buffer[16] = {};
        const WCHAR* value = templ.getFieldString(key, name, buffer, 16);
        return std::u16string(value ? value : u"(none)");
    };
    press(5);
    EXPECT_EQ(s->findChild(u"a")->getState(), 1);
    EXPECT_EQ(field(u"a", u"status"), u"1") << "a persistent box keeps its state";
    press(35);
    EXPECT_EQ(s->findChild(u"a")->getState(), 0);
    EXPECT_EQ(s->findChild(u"b")->getState(), 1);
    EXPECT_EQ(field(u"grp", u"selected"), u"1");
    EXPECT_EQ(field(u"a", u"status"), u"0");
    press(35);
    EXPECT_EQ(s->findChild(u"b")->getState(), 1) << "a group member stays checked";
    press(65);
    press(65);
    EXPECT_EQ(s->findChild(u"alone")->getState(), 0) << "a box of no group toggles";
}

TEST_F(RacingTemplateLoader, PicturesOtherThanJpegAndBmpAreEmptyAndSilent)
{
    ASSERT_TRUE(media::writeDeviceFile(u"\\rtmpl\\pic.gif", racingtest::plainGif(8, 8)));
    ASSERT_TRUE(media::writeDeviceFile(u"\\rtmpl\\face.bmp", media::makeBmp(30, 10, [](int, int) { return 0xFFu; })));
    ASSERT_TRUE(media::writeDeviceFile(u"\\rtmpl\\gifcube.3ds", racingtest::texturedBox("skin", "pic.gif")));
    writeText(u"\\rtmpl\\gif.properties",
              "s=type:SceneSprite, x:0, y:0, width:100%, height:100%, bkgTexture:pic.gif\n"
              "gif=type:Sprite, container:s, x:0, y:0, texture:pic.gif, bright:pic.png\n"
              "bmp=type:Sprite, container:s, x:0, y:40, texture:face.bmp\n"
              "flat=type:Scene2D, x:0, y:0, width:100, height:50\n"
              "bar=type:Group2D, container:flat, scale:1, texture:pic.gif\n"
              "view=type:Scene3D, x:0, y:100, width:240, height:100\n"
              "cube=type:Group3D, container:view, model:gifcube.3ds, radius:1\n"
              "chip=type:Chip3D, container:view, radius:1, width:1, height:1, texture:pic.tga\n");
    page->build2DScenes = true;
    page->loadTemplate(u"\\rtmpl", u"gif.properties", true);
    EXPECT_TRUE(headless::boxes().empty()) << "no message for a picture the build does not read";
    auto empty = [](const Texture* t) { return t && t->image && t->image->isEmpty(); };
    racing::SceneSprite* s = page->findSpriteScene(u"s");
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(empty(s->bkgTexture));
    racing::Sprite* gif = s->findChild(u"gif");
    ASSERT_NE(gif, nullptr);
    EXPECT_TRUE(empty(gif->faces[0]));
    EXPECT_TRUE(empty(gif->faces[1]));
    EXPECT_EQ(gif->width, 0) << "sized from an empty picture";
    EXPECT_EQ(s->findChild(u"bmp")->width, 30);
    Group2D* bar = page->findGroup2D(u"bar");
    ASSERT_NE(bar, nullptr);
    ASSERT_GT(bar->materials.size(), 0);
    EXPECT_TRUE(empty(bar->material(0)->texture));
    Group3D* model = page->findGroup3D(u"cube");
    ASSERT_NE(model, nullptr);
    EXPECT_TRUE(empty(model->findMaterial(u"skin")->texture));
    Group3D* chip = page->findGroup3D(u"chip");
    ASSERT_NE(chip, nullptr);
    EXPECT_TRUE(empty(chip->material(0)->texture));
    // Drawn, the empty pictures show nothing and break nothing.
    page->drawScenes();
}

TEST_F(RacingTemplateLoader, LevelsOfDetailAndAnimationFramesKeepTheirTextures)
{
    ASSERT_TRUE(media::writeDeviceFile(u"\\rtmpl\\paint.bmp", media::makeBmp(16, 8, [](int, int) { return 0xFF00u; })));
    for (const char16_t* name : {u"\\rtmpl\\body.3ds", u"\\rtmpl\\body_low.3ds", u"\\rtmpl\\wave1.3ds"})
        ASSERT_TRUE(media::writeDeviceFile(name, racingtest::texturedBox("paint", "paint.bmp")));
    writeText(u"\\rtmpl\\levels.properties",
              "view=type:Scene3D, x:0, y:0, width:240, height:200\n"
              "car=type:Group3D, container:view, model:body.3ds, radius:1\n"
              "carLow=type:LOD, container:car, radius:1, levelNum:1, segment:20, model:(body_low.3ds)\n"
              "flag=type:Group3D, container:view, model:body.3ds, radius:1\n"
              "wave=type:ModelAnimator, container:view, group:flag, model:wave%d.3ds, i0:1, i1:1, radius:1\n");
    page->loadTemplate(u"\\rtmpl", u"levels.properties", true);
    EXPECT_TRUE(headless::boxes().empty());
    auto pictured = [](const Group3D* g, int level) {
        const Mesh* m = level < 0 ? g->mesh(0) : static_cast<const Mesh*>(g->levels[level]->get(0));
        return m && m->material && m->material->texture && m->material->texture->image &&
               !m->material->texture->image->isEmpty() && m->material->texture->width == 16;
    };
    Group3D* car = page->findGroup3D(u"car");
    ASSERT_NE(car, nullptr);
    EXPECT_TRUE(pictured(car, -1));
    ASSERT_EQ(car->levelCount, 1);
    EXPECT_TRUE(pictured(car, 0)) << "the lower level is textured";
    Group3D* frame = page->findGroup3D(u"flag[ani:1]");
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(pictured(frame, -1)) << "the animation frame is textured";
}

TEST_F(RacingTemplateLoader, LengthsBeyondTheIntegersAreHeldAtTheirEnds)
{
    page->screenScale = 1.5f;
    writeText(u"\\rtmpl\\huge.properties",
              "huge=type:SceneSprite, x:2000000000, y:-2000000000, width:100000000000%, height:-100000000000%\n"
              "view=type:Scene3D, x:0, y:0, width:100000000000%, height:50%\n"
              "eye=type:Camera, container:view, fov:0.0000001\n"
              "dot=type:Sprite, container:huge, x:1900000000, y:0, width:1900000000, height:1e30\n"
              "page=type:SceneSprite, x:0, y:0, width:100%, height:100%\n"
              "tall=type:Sprite, container:page, x:10, y:20, width:100, height:2000000000, text:tall, "
              "frame:(1;2;3), color:(4;5;6)\n");
    page->loadTemplate(u"\\rtmpl", u"huge.properties", true);
    racing::SceneSprite* huge = page->findSpriteScene(u"huge");
    ASSERT_NE(huge, nullptr);
    EXPECT_EQ(huge->x, INT32_MAX);
    EXPECT_EQ(huge->y, INT32_MIN);
    EXPECT_EQ(huge->width, INT32_MAX);
    EXPECT_EQ(huge->height, INT32_MIN);
    racing::Sprite* dot = huge->findChild(u"dot");
    ASSERT_NE(dot, nullptr);
    EXPECT_EQ(dot->x, INT32_MAX);
    EXPECT_EQ(dot->width, INT32_MAX);
    racing::Scene3D* view = page->findScene3D(u"view");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->width, INT32_MAX);
    EXPECT_EQ(view->height, 160);
    page->buildScenes3D(true);
    EXPECT_EQ(view->camera.projection, INT32_MAX) << "a field of view near 0";
    page->drawScenes();
}
