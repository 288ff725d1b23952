// template_test.cpp -- screens built from template files on a canvas
#include "engine/scene/tests/canvas_fixture.h"

#include "engine/base/properties.h"
#include "engine/platform/image.h"
#include "engine/platform/tests/fixture_writers.h"
#include "content/media/wav_writer.h"
#include "content/model3ds/model_writer.h"
#include "engine/scene/2d/awt_component.h"
#include "engine/scene/2d/bitmap_font.h"
#include "engine/scene/2d/group2d.h"
#include "engine/scene/core/material.h"
#include "engine/scene/3d/chip3d.h"
#include "engine/scene/3d/environment.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/light.h"
#include "engine/scene/3d/model_library.h"
#include "engine/scene/scenes/renderer3d.h"
#include "engine/scene/scenes/scene3d.h"
#include "engine/scene/scenes/scene_awt.h"
#include "engine/scene/core/texture.h"

#include <os/file.h>

#include <climits>
#include <string>
#include <vector>

using namespace canvas_test;

namespace {

void writeTemplate(const WCHAR* path, const std::string& text)
{
    CreateDirectoryW(u"\\gui", nullptr);
    ASSERT_TRUE(fixtures::writeDeviceFile(path, media::Bytes(text.begin(), text.end())));
}

struct LoadLog : LoadListener
{
    void onLoad(const WCHAR* text, const WCHAR* templateName, int percent) override
    {
        texts.emplace_back(text);
        names.emplace_back(templateName);
        percents.push_back(percent);
    }
    std::vector<std::u16string> texts;
    std::vector<std::u16string> names;
    std::vector<int> percents;
};

// Remembers what the loader handed over as custom entries.
class CustomCanvas : public RecordingCanvas
{
public:
    void buildCustomEntry(Properties*, const WCHAR* key) override { custom.emplace_back(key); }
    void onTemplateLoaded() override { ++loaded; }
    std::vector<std::u16string> custom;
    int loaded = 0;
};

struct TemplateFixture : CanvasFixture
{
    void SetUp() override
    {
        os::host::headless::clear_boxes();
        app = new Window(u"app", nullptr, false);
        ASSERT_TRUE(app->create(0, 0, 240, 320));
        custom = new CustomCanvas();
        canvas = custom;
        ASSERT_TRUE(app->addChild(canvas, 0, 0, 240, 320));
    }

    bool load(const std::string& text, bool replace = true, const WCHAR* name = u"page.properties")
    {
        writeTemplate((std::u16string(u"\\gui\\") + name).c_str(), text);
        return canvas->loadTemplate(u"\\gui\\", name, replace);
    }

    Sprite* sprite(const WCHAR* name) const { return dynamic_cast<Sprite*>(canvas->findComponent(name)); }

    CustomCanvas* custom = nullptr;
};

} // namespace

TEST_F(TemplateFixture, BuildsScenesOfEveryKindInFileOrder)
{
    ASSERT_TRUE(load("# a screen\n"
                     "menu=type:SceneSprite, bkgColor:(16;32;48), indexTextColor:(255;0;0), buffered:1\n"
                     "\n"
                     "board=type:Scene2D, x:10, y:20, width:50%, height:100, visible:0\n"
                     "world=type:Scene3D, width:64, height:64\n"
                     "controls=type:SceneAWT, x:30, width:10\n"
                     "plain=just:data\n"));
    ASSERT_EQ(4, canvas->getSceneCount());
    const char16_t* names[] = {u"menu", u"board", u"world", u"controls"};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(std::u16string(names[i]), canvas->getScene(i)->name);
        EXPECT_EQ(i, canvas->getScene(i)->sceneType);
    }
    auto* menu = dynamic_cast<SceneSprite*>(canvas->findScene(u"menu"));
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(0x102030u, menu->bkgColor);
    EXPECT_EQ(0xff0000u, menu->labelColor);
    EXPECT_EQ(1, menu->buffered);
    EXPECT_EQ(240, menu->width);
    EXPECT_EQ(320, menu->height);
    Scene* board = canvas->findScene(u"board");
    EXPECT_EQ(10, board->x);
    EXPECT_EQ(20, board->y);
    EXPECT_EQ(120, board->width);
    EXPECT_EQ(100, board->height);
    EXPECT_EQ(0, board->visible);
    EXPECT_EQ(Scene::kNoColor, board->bkgColor);
    EXPECT_NE(nullptr, dynamic_cast<Scene3D*>(canvas->findScene(u"world")));
    Scene* controls = canvas->findScene(u"controls");
    EXPECT_EQ(0, controls->x);
    EXPECT_EQ(240, controls->width);
    EXPECT_EQ(320, controls->height);
    EXPECT_TRUE(custom->custom.empty());
    EXPECT_EQ(1, custom->loaded);
}

TEST_F(TemplateFixture, SceneLengthsFollowScaleAndPercent)
{
    struct Case
    {
        const char* fields;
        float scale;
        int width, height, x;
    };
    const Case cases[] = {
        {"width:50%, height:25%", 1.0f, 120, 80, 0},
        {"width:120, height:10, x:7", 2.0f, 240, 20, 14},
        {"width:33%, x:7", 1.5f, 79, 320, 11},
        {"x:3", 2.0f, 240, 320, 6},
        // Lengths no screen has saturate instead of wrapping round
        {"width:100000000000%, height:-100000000000%", 1.0f, INT_MAX, INT_MIN, 0},
        {"width:2000000000, x:-2000000000", 2.0f, INT_MAX, 320, INT_MIN},
        {"x:2147483647", 1.0f, 240, 320, INT_MAX},
    };
    for (const Case& c : cases)
    {
        Canvas::setScreenScale(c.scale);
        ASSERT_TRUE(load(std::string("s=type:SceneSprite, ") + c.fields + "\n"));
        Scene* scene = canvas->findScene(u"s");
        ASSERT_NE(nullptr, scene) << c.fields;
        EXPECT_EQ(c.width, scene->width) << c.fields;
        EXPECT_EQ(c.height, scene->height) << c.fields;
        EXPECT_EQ(c.x, scene->x) << c.fields;
        // The scene's place on the back buffer keeps the same side of zero
        ASSERT_NE(nullptr, scene->renderer->target) << c.fields;
        EXPECT_EQ(c.x < 0, scene->renderer->target->x < 0) << c.fields;
        EXPECT_EQ(c.width < 0, scene->renderer->target->width < 0) << c.fields;
        canvas->renderScenes();
    }
}

TEST_F(TemplateFixture, SpritesOfEveryGuiType)
{
    ASSERT_TRUE(load("early=type:Sprite, container:menu, width:10, height:10\n"
                     "menu=type:SceneSprite\n"
                     "ok=type:Sprite, container:menu, GUIType:BuTTon, x:5, y:6, width:40, height:20, text:Go, "
                     "textAlignment:center, color:(0;0;255), index:7\n"
                     "name=type:Sprite, container:menu, GUIType:editbox, maxLength:8, allowEmpty:0, title:Name, width:10, height:10\n"
                     "box=type:Sprite, container:menu, GUIType:checkbox, group:grp, persistent:1, status:1, width:10, height:10\n"
                     "link=type:Sprite, container:menu, GUIType:hyperlink, href:next.properties, width:10, height:10\n"
                     "tip=type:Sprite, container:menu, GUIType:tiplink, href:ok, textWeight:1200, width:10, height:10\n"
                     "pic=type:Sprite, container:menu, GUIType:other, width:10, height:10\n"
                     "odd=type:sprite, container:menu\n"));
    EXPECT_EQ(nullptr, sprite(u"early"));
    struct Case
    {
        const char16_t* name;
        int guiType;
        const char16_t* guiData;
        int underline;
    };
    const Case cases[] = {
        {u"ok", Sprite::Button, nullptr, 0},          {u"name", Sprite::EditBox, u"-8,Name", 0},
        {u"box", Sprite::CheckBox, u"grp", 0},         {u"link", Sprite::Hyperlink, u"next.properties", 1},
        {u"tip", Sprite::TipLink, u"ok", 1},           {u"pic", Sprite::Picture, nullptr, 0},
    };
    for (const Case& c : cases)
    {
        Sprite* s = sprite(c.name);
        ASSERT_NE(nullptr, s) << std::string(c.name, c.name + 2);
        EXPECT_EQ(c.guiType, s->guiType);
        if (c.guiData)
            EXPECT_EQ(std::u16string(c.guiData), s->guiData);
        else
            EXPECT_EQ(nullptr, s->guiData);
        EXPECT_EQ(c.underline, s->textUnderline);
    }
    Sprite* ok = sprite(u"ok");
    EXPECT_EQ(5, ok->x);
    EXPECT_EQ(20, ok->height);
    EXPECT_EQ(std::u16string(u"Go"), ok->getText());
    EXPECT_EQ(1, ok->textAlignment);
    EXPECT_EQ(0x0000ffu, ok->color);
    EXPECT_EQ(Sprite::kNoColor, ok->brightColor);
    EXPECT_EQ(16, ok->textSize);
    EXPECT_EQ(std::u16string(u"7"), ok->indexLabel);
    EXPECT_EQ(1, sprite(u"box")->persistent);
    EXPECT_EQ(1, sprite(u"box")->status);
    EXPECT_EQ(900, sprite(u"tip")->textWeight);
    EXPECT_EQ(std::vector<std::u16string>{u"odd"}, custom->custom);
}

TEST_F(TemplateFixture, EditBoxDataCarriesLengthAndTitle)
{
    struct Case
    {
        const char* fields;
        const char16_t* guiData;
    };
    const Case cases[] = {
        {"maxLength:8, allowEmpty:0, title:Name", u"-8,Name"},
        {"maxLength:0, title:Call sign", u"1,Call sign"},
        {"", u"20,"},
        {"maxLength:-4, allowEmpty:0", u"-1,"},
    };
    for (const Case& c : cases)
    {
        ASSERT_TRUE(load(std::string("menu=type:SceneSprite\ne=type:Sprite, container:menu, GUIType:EditBox, ") + c.fields +
                         "\n"));
        ASSERT_NE(nullptr, sprite(u"e")) << c.fields;
        EXPECT_EQ(std::u16string(c.guiData), sprite(u"e")->guiData) << c.fields;
    }
}

TEST_F(TemplateFixture, NumberedSpritesAreTheFirstAndItsClones)
{
    Canvas::setScreenScale(2.0f);
    ASSERT_TRUE(load("menu=type:SceneSprite\n"
                     "X=type:Sprite, container:menu, number:3, x:4, width:10, height:5, text:hi, GUIType:button\n"));
    Scene* menu = canvas->findScene(u"menu");
    ASSERT_EQ(3, menu->children.size());
    for (int i = 0; i < 3; ++i)
    {
        auto* s = dynamic_cast<Sprite*>(menu->child(i));
        ASSERT_NE(nullptr, s);
        EXPECT_EQ(std::u16string(u"X") + char16_t(u'0' + i), s->name);
        EXPECT_EQ(i == 0 ? 0 : 1, s->cloneFlag);
        EXPECT_EQ(8, s->x);
        EXPECT_EQ(20, s->width);
        EXPECT_EQ(10, s->height);
        EXPECT_EQ(Sprite::Button, s->guiType);
        EXPECT_EQ(std::u16string(u"hi"), s->getText());
    }
    EXPECT_EQ(nullptr, sprite(u"X"));
}

TEST_F(TemplateFixture, AHugeCopyCountIsCappedInsteadOfExhaustingMemory)
{
    ASSERT_TRUE(load("menu=type:SceneSprite\n"
                     "X=type:Sprite, container:menu, number:5555555, width:1, height:1\n"));
    EXPECT_EQ(1000, canvas->findScene(u"menu")->children.size());
}

TEST_F(TemplateFixture, AHugeThreeDimensionalSceneKeepsItsDepthBufferWithinThePictureLimits)
{
    for (const char* size :
         {"width:2000000000, height:2000000000", "width:100000000000%, height:3", "width:3, height:2000000000"})
    {
        ASSERT_TRUE(load(std::string("world=type:Scene3D, ") + size + "\n")) << size;
        auto* renderer = dynamic_cast<Renderer3D*>(canvas->findScene(u"world")->renderer);
        ASSERT_NE(nullptr, renderer) << size;
        EXPECT_LE(renderer->width, Image::kMaxSide) << size;
        EXPECT_LE(renderer->height, Image::kMaxSide) << size;
        EXPECT_LE(int64_t(renderer->width) * renderer->height, Image::kMaxPixels) << size;
        canvas->renderScenes();
    }
}

TEST_F(TemplateFixture, ImageSizedSpriteIsScaledAndKeyed)
{
    CreateDirectoryW(u"\\gui", nullptr);
    ASSERT_TRUE(fixtures::writeDeviceFile(u"\\gui\\btn.bmp", fixtures::makeBmp(48, 20, [](int, int) { return 0xff0000u; })));
    Canvas::setScreenScale(2.0f);
    ASSERT_TRUE(load("menu=type:SceneSprite\n"
                     "b=type:Sprite, container:menu, texture:btn.bmp, transparentColor:(255;0;0)\n"
                     "c=type:Sprite, container:menu, texture:btn.bmp, width:10, height:10, clipX:1, clipY:2, clipW:3, clipH:4\n"
                     "d=type:Sprite, container:menu, texture:missing.bmp, width:10, height:10\n"
                     "e=type:Sprite, container:menu, text:no picture\n"));
    Sprite* b = sprite(u"b");
    ASSERT_NE(nullptr, b);
    ASSERT_NE(nullptr, b->image);
    EXPECT_EQ(96, b->width);
    EXPECT_EQ(40, b->height);
    EXPECT_EQ(48, b->clipW);
    EXPECT_EQ(20, b->clipH);
    EXPECT_EQ(1, b->image->getCurrentImage()->hasColorKey);
    EXPECT_EQ(0xff0000u, b->image->getCurrentImage()->colorKey);
    Sprite* c = sprite(u"c");
    EXPECT_EQ(20, c->width);
    EXPECT_EQ(3, c->clipW);
    EXPECT_EQ(2, c->clipY);
    ASSERT_NE(nullptr, sprite(u"d"));
    EXPECT_EQ(20, sprite(u"d")->width);
    ASSERT_NE(nullptr, sprite(u"e"));
    EXPECT_EQ(0, sprite(u"e")->width);
    EXPECT_EQ(0, sprite(u"e")->height);
}

TEST_F(TemplateFixture, MissingTemplateShowsTheBoxAndKeepsTheNewNames)
{
    EXPECT_FALSE(canvas->loadTemplate(u"\\gui\\", u"absent.properties", true));
    EXPECT_EQ(u"Can not find the template file: \\gui\\absent.properties.", lastBoxText());
    EXPECT_EQ(std::u16string(u"absent.properties"), canvas->getTemplateName());
    EXPECT_EQ(0, custom->loaded);
    os::host::headless::clear_boxes();
    EXPECT_FALSE(canvas->loadTemplate(u"", u"x.properties", true));
    EXPECT_FALSE(canvas->loadTemplate(u"\\gui\\", nullptr, true));
    EXPECT_TRUE(os::host::headless::boxes().empty());
}

TEST_F(TemplateFixture, ProgressGoesToTheLoadListener)
{
    LoadLog log;
    canvas->setLoadListener(&log);
    ASSERT_TRUE(load("# comment\n"
                     "menu=type:SceneSprite\n"
                     "\n"
                     "averyveryverylongentrynamehere=type:Nothing\n"
                     "c=type:Sprite\n"
                     "d=type:Sprite\n"));
    const std::vector<std::u16string> texts = {u"Load menu", u"Load averyveryverylongent", u"Load c", u"Load d", u"Load"};
    EXPECT_EQ(texts, log.texts);
    EXPECT_EQ((std::vector<int>{0, 25, 50, 75, 100}), log.percents);
    for (const auto& name : log.names)
        EXPECT_EQ(u"page.properties", name);
    canvas->setLoadListener(nullptr);
}

TEST_F(TemplateFixture, AddedTemplateKeepsTheScreenAndSavesIntoItsFile)
{
    ASSERT_TRUE(load("menu=type:SceneSprite\n"
                     "box=type:Sprite, container:menu, GUIType:checkbox, persistent:1, width:10, height:10\n"));
    ASSERT_TRUE(load("dialog=type:SceneSprite, width:100\n"
                     "yes=type:Sprite, container:dialog, GUIType:button, width:10, height:10\n",
                     false, u"dialog.properties"));
    EXPECT_EQ(2, canvas->getSceneCount());
    EXPECT_NE(nullptr, sprite(u"box"));
    EXPECT_NE(nullptr, sprite(u"yes"));
    EXPECT_EQ(std::u16string(u"page.properties"), canvas->getTemplateName());
    EXPECT_EQ(std::u16string(u"\\gui\\"), canvas->getTemplateFolder());
    // The page's own entries are not built twice.
    EXPECT_EQ(1, canvas->findScene(u"menu")->children.size());

    sprite(u"box")->status = 1;
    canvas->storeSpriteStatus(sprite(u"box"));
    ASSERT_TRUE(canvas->saveTemplate());
    Properties page;
    ASSERT_TRUE(page.load(u"\\gui\\", u"page.properties"));
    EXPECT_EQ(1, page.getFieldInt(u"box", u"status", 0));
    EXPECT_NE(nullptr, page.get(u"dialog"));

    // A missing added file leaves the screen saving into its own file.
    EXPECT_FALSE(canvas->loadTemplate(u"\\gui\\", u"gone.properties", false));
    EXPECT_EQ(u"Can not find the template file: \\gui\\gone.properties.", lastBoxText());
    EXPECT_EQ(std::u16string(u"page.properties"), canvas->getTemplateName());
    sprite(u"box")->status = 0;
    canvas->storeSpriteStatus(sprite(u"box"));
    ASSERT_TRUE(canvas->saveTemplate());
    Properties again;
    ASSERT_TRUE(again.load(u"\\gui\\", u"page.properties"));
    EXPECT_EQ(0, again.getFieldInt(u"box", u"status", 1));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(u"\\gui\\gone.properties"));

    // A replacing load drops both.
    ASSERT_TRUE(load("other=type:Scene2D\n", true, u"other.properties"));
    EXPECT_EQ(1, canvas->getSceneCount());
    EXPECT_EQ(nullptr, sprite(u"box"));
    EXPECT_EQ(nullptr, canvas->getTemplate()->get(u"menu"));
}

TEST_F(TemplateFixture, ControlsOfEveryKind)
{
    Canvas::setScreenScale(2.0f);
    ASSERT_TRUE(load("lost=type:AWTComponent, AWTType:EDIT, container:panel\n"
                     "panel=type:SceneAWT, indexTextColor:(0;255;0)\n"
                     "b=type:AWTComponent, container:panel, x:5, y:6, text:Go, id:7, index:12\n"
                     "e=type:AWTComponent, AWTType:EDIT, container:panel, width:100, fontSize:10\n"
                     "c=type:AWTComponent, AWTType:COMBOBOX, container:panel\n"
                     "l=type:AWTComponent, AWTType:LISTBOX, container:panel\n"
                     "a=type:AWTComponent, AWTType:LABEL, container:panel\n"
                     "s=type:AWTComponent, AWTType:STATIC, container:panel, visible:0\n"
                     "t=type:AWTComponent, AWTType:TEXTAREA, container:panel\n"
                     "w=type:AWTComponent, AWTType:TEXTAREA, container:panel, wrap:1\n"
                     "o=type:AWTComponent, AWTType:button, container:panel\n"));
    auto* panel = dynamic_cast<SceneAWT*>(canvas->findScene(u"panel"));
    ASSERT_NE(nullptr, panel);
    EXPECT_EQ(0x00ff00u, panel->labelColor);
    ASSERT_EQ(9, panel->children.size());
    struct Case
    {
        const char16_t* name;
        const char16_t* className;
        LONG_PTR style;
        bool visible;
    };
    const Case cases[] = {
        {u"b", u"BUTTON", 0x50000000, true},   {u"e", u"EDIT", 0x500000C0, true},
        {u"c", u"COMBOBOX", 0x50200003, true}, {u"l", u"LISTBOX", 0x50200001, true},
        {u"a", u"STATIC", 0x50000000, true},   {u"s", u"STATIC", 0x50000000, false},
        {u"t", u"EDIT", 0x503010C4, true},     {u"w", u"EDIT", 0x50201044, true},
        {u"o", u"BUTTON", 0x50000000, true},
    };
    for (const Case& c : cases)
    {
        Window* control = canvas->findControl(c.name);
        ASSERT_NE(nullptr, control) << char(c.name[0]);
        ASSERT_NE(nullptr, control->getHandle()) << char(c.name[0]);
        WCHAR className[16] = {};
        GetClassNameW(control->getHandle(), className, 16);
        EXPECT_EQ(std::u16string(c.className), className) << char(c.name[0]);
        const LONG_PTR shown = LONG_PTR(WS_VISIBLE);
        EXPECT_EQ(c.style & ~shown, GetWindowLongW(control->getHandle(), GWL_STYLE) & ~shown) << char(c.name[0]);
        EXPECT_EQ(c.visible, IsWindowVisible(control->getHandle()) != FALSE) << char(c.name[0]);
    }
    auto* button = static_cast<AWTComponent*>(panel->findChild(u"b"));
    EXPECT_EQ(10, button->x);
    EXPECT_EQ(64, button->width);
    EXPECT_EQ(32, button->height);
    EXPECT_EQ(7u, button->control->getControlId());
    EXPECT_EQ(std::u16string(u"12"), button->indexLabel);
    EXPECT_NE(nullptr, button->font);
    EXPECT_EQ(200, static_cast<AWTComponent*>(panel->findChild(u"e"))->width);
}

TEST_F(TemplateFixture, GroupsSoundsAndFonts)
{
    CreateDirectoryW(u"\\gui", nullptr);
    ASSERT_TRUE(fixtures::writeDeviceFile(u"\\gui\\tile.bmp", fixtures::makeBmp(30, 20, [](int, int) { return 0x00ff00u; })));
    ASSERT_TRUE(fixtures::writeDeviceFile(u"\\gui\\font.bmp", fixtures::makeBmp(64, 32, [](int, int) { return 0xffffffu; })));
    ASSERT_TRUE(fixtures::writeDeviceFile(u"\\gui\\click.wav", media::makeTone(440, 50)));
    ASSERT_TRUE(load("board=type:Scene2D\n"
                     "tile=type:Group2D, container:board, texture:tile.bmp, number:2, color:(1;2;3), detailLevel:3\n"
                     "single=type:Group2D, container:board, texture:tile.bmp, visible:0\n"
                     "click=type:WaveSound, src:click.wav\n"
                     "mute=type:WaveSound\n"
                     "big=type:BitmapFont, bitmap:font.bmp, columns:8, rows:4, caseConvertion:0\n"
                     "flat=type:BitmapFont, bitmap:font.bmp, columns:8\n"
                     "menu=type:SceneSprite\n"
                     "t=type:Sprite, container:menu, width:10, height:10, BitmapFontNormal:big, BitmapFontBright:flat\n"));
    Scene* board = canvas->findScene(u"board");
    ASSERT_EQ(3, board->children.size());
    auto* tile0 = dynamic_cast<Group2D*>(board->findChild(u"tile0"));
    auto* tile1 = dynamic_cast<Group2D*>(board->findChild(u"tile1"));
    ASSERT_NE(nullptr, tile0);
    ASSERT_NE(nullptr, tile1);
    EXPECT_EQ(1, tile1->cloneFlag);
    ASSERT_EQ(1, tile1->materials.size());
    EXPECT_NE(tile0->material(0), tile1->material(0));
    EXPECT_EQ(0x010203u, tile1->material(0)->color);
    EXPECT_EQ(3, tile1->material(0)->detailLevel);
    EXPECT_EQ(32, tile0->material(0)->texture->width);
    EXPECT_EQ(0, board->findChild(u"single")->visible);
    EXPECT_NE(nullptr, canvas->findSound(u"click"));
    EXPECT_EQ(nullptr, canvas->findSound(u"mute"));
    BitmapFont* big = canvas->findFont(u"big");
    ASSERT_NE(nullptr, big);
    EXPECT_EQ(8, big->cellWidth);
    EXPECT_EQ(0, big->caseConversion);
    EXPECT_EQ(nullptr, canvas->findFont(u"flat"));
    EXPECT_EQ(big, sprite(u"t")->bitmapFontNormal);
    EXPECT_EQ(nullptr, sprite(u"t")->bitmapFontBright);

    // A replacing load lets go of them all.
    ASSERT_TRUE(load("x=type:Scene2D\n", true, u"other.properties"));
    EXPECT_EQ(nullptr, canvas->findSound(u"click"));
    EXPECT_EQ(nullptr, canvas->findFont(u"big"));
}

namespace {

void writeBox(const WCHAR* path, const std::string& mesh, float half)
{
    model3ds::ModelSpec spec;
    spec.materials.push_back({"paint", 0x808080});
    spec.meshes.push_back(model3ds::boxMesh(mesh, half, half, half, "paint"));
    spec.meshes.push_back(model3ds::boxMesh(mesh + "_fin", half / 2, half, half / 4, "paint"));
    ASSERT_TRUE(fixtures::writeDeviceFile(path, model3ds::writeModel(spec)));
}

} // namespace

TEST_F(TemplateFixture, ThreeDimensionalScene)
{
    CreateDirectoryW(u"\\gui", nullptr);
    writeBox(u"\\gui\\jet.3ds", "body", 4.0f);
    writeBox(u"\\gui\\far.3ds", "far", 2.0f);
    ASSERT_TRUE(fixtures::writeDeviceFile(u"\\gui\\chip.bmp", fixtures::makeBmp(16, 16, [](int, int) { return 0xffffffu; })));
    ASSERT_TRUE(load("near=type:Scene3D, width:64, height:64\n"
                     "world=type:Scene3D, ambient:(64;64;64), frontClip:2, backClip:500, zBufferProviderScene:near\n"
                     "jet=type:Group3D, container:world, model:jet.3ds, radius:2, number:2, billboard:1, detailLevel:4\n"
                     "body=type:Group3D, container:world, model:jet.3ds, unwantedObjectsWhenNormalize:fin\n"
                     "lod=type:LOD, container:jet0, levelNum:3, segment:50, model:( far.3ds ;\tfar.3ds )\n"
                     "ghost=type:Group3D, container:world, model:absent.3ds, visible:0\n"
                     "spark=type:Chip3D, container:world, texture:chip.bmp, width:2, height:3, cullingPolicy:2\n"
                     "mist=type:Fog, container:world, front:10, back:90, color:(1;1;1)\n"
                     "sun=type:Light, container:world, dir:(0;0;-2), color:(255;0;0)\n"
                     "lamp=type:Light, container:world\n"
                     "stray=type:Light, container:nowhere\n"
                     "foggy=type:Fog, container:near, back:50, front:60\n"));
    auto* world = dynamic_cast<Scene3D*>(canvas->findScene(u"world"));
    auto* nearScene = dynamic_cast<Scene3D*>(canvas->findScene(u"near"));
    ASSERT_NE(nullptr, world);
    EXPECT_EQ(0x404040u, world->environment->ambient);
    EXPECT_EQ(2.0f, world->environment->frontClip);
    EXPECT_EQ(500.0f, world->environment->backClip);
    EXPECT_EQ(nearScene, world->zBufferProvider);
    // The named scene's depth starts the world's frames.
    EXPECT_EQ(nearScene->renderer3D(), world->renderer3D()->depthProvider);
    EXPECT_EQ(nullptr, nearScene->renderer3D()->depthProvider);
    EXPECT_EQ(0u, nearScene->environment->ambient);
    EXPECT_EQ(1000.0f, nearScene->environment->backClip);

    auto* jet0 = dynamic_cast<Group3D*>(world->findChild(u"jet0"));
    auto* jet1 = dynamic_cast<Group3D*>(world->findChild(u"jet1"));
    ASSERT_NE(nullptr, jet0);
    ASSERT_NE(nullptr, jet1);
    EXPECT_EQ(2, jet0->meshCount());
    EXPECT_EQ(1, jet1->cloneFlag);
    EXPECT_EQ(7, jet1->cloneMode);
    EXPECT_EQ(1, jet1->billboard);
    EXPECT_EQ(4, jet0->material(0)->detailLevel);
    EXPECT_EQ(2, jet0->levelCount);
    EXPECT_EQ(50.0f, jet0->levelDistance);
    EXPECT_NE(nullptr, jet0->findLevelObject(1, u"far"));
    EXPECT_EQ(0, jet1->levelCount);

    Vector3 low, high;
    jet0->getBounds(low, high, nullptr, nullptr);
    EXPECT_NEAR(2.0f, high.x, 0.01f);
    auto* body = dynamic_cast<Group3D*>(world->findChild(u"body"));
    ASSERT_NE(nullptr, body);
    body->getBounds(low, high, nullptr, u"fin");
    EXPECT_NEAR(1.0f, high.x, 0.01f);

    SceneObject* ghost = world->findChild(u"ghost");
    ASSERT_NE(nullptr, ghost);
    EXPECT_EQ(0, ghost->visible);
    EXPECT_EQ(0, static_cast<Group3D*>(ghost)->meshCount());

    auto* spark = dynamic_cast<Chip3D*>(world->findChild(u"spark"));
    ASSERT_NE(nullptr, spark);
    EXPECT_EQ(2, spark->cullingPolicy);
    ASSERT_NE(nullptr, spark->getMaterial());
    EXPECT_NE(nullptr, spark->getMaterial()->texture);

    ASSERT_NE(nullptr, world->environment->fog);
    EXPECT_EQ(10, world->environment->fog->front);
    EXPECT_EQ(90, world->environment->fog->back);
    EXPECT_EQ(0x010101u, world->environment->fog->color);
    ASSERT_NE(nullptr, nearScene->environment->fog);
    EXPECT_FALSE(nearScene->environment->fog->isUsable());

    ASSERT_EQ(2, world->lights.size());
    auto* sun = static_cast<Light*>(world->lights.get(0));
    auto* lamp = static_cast<Light*>(world->lights.get(1));
    EXPECT_EQ(std::u16string(u"sun"), sun->name);
    EXPECT_EQ(0xff0000u, sun->color);
    EXPECT_EQ(0xff0000u, sun->highlightColor);
    EXPECT_EQ(320, sun->intensity);
    EXPECT_EQ(120, sun->exponent);
    EXPECT_NEAR(-1.0f, sun->direction.z, 1e-5f);
    EXPECT_NEAR(-1.0f, lamp->direction.y, 1e-5f);
    EXPECT_EQ(0xffffffu, lamp->color);
}

// The canvas keeps the models of every load until a replacing load: a model
// file named again by an added template is not read again.
TEST_F(TemplateFixture, ModelNamedByTwoLoadsIsReadOnce)
{
    CreateDirectoryW(u"\\gui", nullptr);
    writeBox(u"\\gui\\jet.3ds", "body", 4.0f);
    ASSERT_TRUE(load("world=type:Scene3D\n"
                     "first=type:Group3D, container:world, model:jet.3ds\n"));
    ASSERT_TRUE(DeleteFileW(u"\\gui\\jet.3ds"));
    ASSERT_TRUE(load("second=type:Group3D, container:world, model:jet.3ds\n", false, u"more.properties"));
    auto* world = dynamic_cast<Scene3D*>(canvas->findScene(u"world"));
    ASSERT_NE(nullptr, world);
    auto* second = dynamic_cast<Group3D*>(world->findChild(u"second"));
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(2, second->meshCount()) << "served from the canvas's library, the file is gone";
    EXPECT_EQ(1, canvas->getModelLibrary()->lastFromCache);

    // A replacing load starts a new library: the missing file gives nothing.
    ASSERT_TRUE(load("world=type:Scene3D\n"
                     "third=type:Group3D, container:world, model:jet.3ds\n", true, u"next.properties"));
    world = dynamic_cast<Scene3D*>(canvas->findScene(u"world"));
    ASSERT_NE(nullptr, world);
    auto* third = dynamic_cast<Group3D*>(world->findChild(u"third"));
    ASSERT_NE(nullptr, third);
    EXPECT_EQ(0, third->meshCount());
}

TEST_F(TemplateFixture, BuiltScreenReactsToThePen)
{
    writeTemplate(u"\\gui\\next.properties", "other=type:SceneSprite\nhello=type:Sprite, container:other, text:Hi\n");
    ASSERT_TRUE(load("size=width:40, height:40\n"
                     "grp=GUIType:checkboxGroup, selected:0\n"
                     "menu=type:SceneSprite\n"
                     "a=type:Sprite, container:menu, GUIType:checkbox, group:grp, status:1, {size}\n"
                     "b=type:Sprite, container:menu, GUIType:checkbox, group:grp, x:50, {size}\n"
                     "c=type:Sprite, container:menu, GUIType:checkbox, group:grp, x:100, {size}\n"
                     "go=type:Sprite, container:menu, GUIType:hyperlink, href:next.properties, y:100, {size}\n"));
    ASSERT_NE(nullptr, sprite(u"c"));
    EXPECT_EQ(40, sprite(u"c")->width);
    tapAt(120, 20);
    EXPECT_EQ(2, canvas->getSelected(u"grp"));
    EXPECT_EQ(0, sprite(u"a")->status);
    EXPECT_EQ(1, sprite(u"c")->status);

    tapAt(20, 120);
    EXPECT_EQ(std::u16string(u"next.properties"), canvas->getTemplateName());
    EXPECT_EQ(nullptr, canvas->findScene(u"menu"));
    ASSERT_NE(nullptr, sprite(u"hello"));
    EXPECT_EQ(std::u16string(u"Hi"), sprite(u"hello")->getText());
    EXPECT_EQ(nullptr, canvas->getPressedSprite());
}

namespace {

// Pixels of the rectangle that differ from its top-left pixel.
int pixelsUnlikeCorner(const Image& image, int x0, int y0, int w, int h)
{
    auto at = [&](int x, int y) {
        const uint8_t* p = image.getPixelAddress(x, y);
        return image.bits == 16 ? uint32_t(p[0] | p[1] << 8) : uint32_t(p[0] | p[1] << 8 | p[2] << 16);
    };
    const uint32_t corner = at(x0, y0);
    int count = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            count += at(x, y) != corner;
    return count;
}

} // namespace

TEST_F(TemplateFixture, LoadedModelIsLitByTheTemplatesLight)
{
    CreateDirectoryW(u"\\gui", nullptr);
    writeBox(u"\\gui\\jet.3ds", "body", 4.0f);
    for (const char* light : {"", "sun=type:Light, container:world, dir:(0;0;1), color:(255;255;255)\n"})
    {
        ASSERT_TRUE(load(std::string("world=type:Scene3D, x:20, y:40, width:120, height:120, bkgColor:(0;0;255)\n") +
                         light + "jet=type:Group3D, container:world, model:jet.3ds, radius:1\n"));
        canvas->paint(true);
        Image* surface = canvas->findScene(u"world")->getTargetSurface();
        ASSERT_NE(nullptr, surface);
        // The model covers the middle of the scene; the corner stays background.
        const int unlike = pixelsUnlikeCorner(*surface, 20, 40, 120, 120);
        EXPECT_GT(unlike, 300) << light;
        const uint8_t* middle = surface->getPixelAddress(80, 100);
        const uint32_t value = surface->bits == 16 ? uint32_t(middle[0] | middle[1] << 8)
                                                   : uint32_t(middle[0] | middle[1] << 8 | middle[2] << 16);
        if (*light)
            EXPECT_NE(0u, value) << "a lit face is not black";
        else
            EXPECT_EQ(0u, value) << "ambient 0 and no light leave faces black";
    }
}
