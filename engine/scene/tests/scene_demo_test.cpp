// scene_demo_test.cpp -- a screen of every scene kind on a real window:
// sprites (button, check box, edit box, hyperlink), bitmap-font text, a
// rotating textured 2D group and a list box; taps change what is shown
#include "engine/platform/buffered_window.h"
#include "engine/scene/2d/awt_component.h"
#include "engine/scene/2d/bitmap_font.h"
#include "engine/scene/2d/group2d.h"
#include "engine/scene/scenes/scene.h"
#include "engine/scene/scenes/scene_awt.h"
#include "engine/scene/2d/sprite.h"
#include "engine/scene/core/texture.h"

#include "os/testing/host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace headless = os::host::headless;

namespace {

Texture* makeTexture(int width, int height, const std::function<uint32_t(int, int)>& colour)
{
    auto* image = new Image(width, height, true);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image->drawRect(colour(x, y), x, y, 1, 1, true);
    return new Texture(u"demo", &image, 1, false, false);
}

// A glyph sheet of 16 x 6 cells of 6 x 8 pixels from code 32: each glyph is
// a pattern of its code's bits on a magenta (transparent) ground.
Image* makeGlyphSheet()
{
    auto* sheet = new Image(96, 48, true);
    sheet->drawRect(0xFF00FF, 0, 0, -1, -1, true);
    for (int index = 1; index < 96; ++index)
        for (int bit = 0; bit < 7; ++bit)
            if ((index + 32) >> bit & 1)
                sheet->drawRect(0xFFFFFF, (index % 16) * 6 + 1 + bit % 4, (index / 16) * 8 + 1 + bit / 4 * 3, 1, 3,
                                true);
    return sheet;
}

// The window of the demo: three scenes drawn into its back buffer, and a
// pen handler doing what the canvas does for buttons and check boxes.
class DemoWindow : public BufferedWindow
{
public:
    DemoWindow() : BufferedWindow(u"scene demo", nullptr) {}

    void onMouse(UINT message, WPARAM, int x, int y, int phase) override
    {
        if (phase != 0 || !sprites)
            return;
        if (message == WM_LBUTTONDOWN)
            pressed = sprites->hitTest(x - sprites->x, y - sprites->y);
        if (!pressed)
            return;
        if (pressed->guiType == Sprite::Button)
            pressed->status = message == WM_LBUTTONDOWN ? 1 : 0;
        else if (pressed->guiType == Sprite::CheckBox && message == WM_LBUTTONDOWN)
            pressed->status ^= 1;
        if (message == WM_LBUTTONUP)
            pressed = nullptr;
    }

    SceneSprite* sprites = nullptr;
    Sprite* pressed = nullptr;
};

struct SceneDemo : testing::Test
{
    void SetUp() override
    {
        window = std::make_unique<DemoWindow>();
        ASSERT_TRUE(window->create(0, 0, 240, 320));
        surface = window->getBackBuffer()->getImage();
        ASSERT_NE(nullptr, surface);
        SetBkMode(surface->dc, TRANSPARENT);
        buildSprites();
        buildGroup();
        buildList();
    }

    void TearDown() override
    {
        scenes.clear();
        window->destroy();
        window.reset();
    }

    void place(Scene& scene)
    {
        DisplayTarget target{scene.x, scene.y, scene.width, scene.height, 1.0f, surface};
        scene.renderer->setTarget(target);
        scene.hostWindow = window.get();
    }

    Sprite* addSprite(const WCHAR* name, int type, int x, int y, int w, int h)
    {
        auto* sprite = new Sprite(x, y, w, h);
        sprite->guiType = type;
        sprites->addSprite(name, sprite, nullptr);
        return sprite;
    }

    void buildSprites()
    {
        auto scene = std::make_unique<SceneSprite>(0, 0, 240, 200, 0x203040, nullptr);
        sprites = scene.get();
        window->sprites = sprites;
        place(*scene);
        textures.emplace_back(makeTexture(60, 24, [](int, int) { return 0x2050C0; }));
        textures.emplace_back(makeTexture(60, 24, [](int, int) { return 0x60A0FF; }));
        textures.emplace_back(makeTexture(60, 24, [](int x, int y) {
            return x < 2 || y < 2 || x > 57 || y > 21 ? 0xFFFFFF : 0x000000;
        }));
        button = addSprite(u"btn_ok", Sprite::Button, 10, 10, -1, -1);
        button->setImages(textures[0].get(), textures[1].get(), textures[2].get(), -1, -1, -1, -1);
        button->setText(u"OK", false);
        button->textColor = 0xFFFFFF;
        button->textAlignment = DT_CENTER;
        textures.emplace_back(makeTexture(16, 16, [](int x, int y) {
            return (x - 8) * (x - 8) + (y - 8) * (y - 8) > 49 ? 0xFF00FF : 0x808080;
        }));
        textures.emplace_back(makeTexture(16, 16, [](int x, int y) {
            return (x - 8) * (x - 8) + (y - 8) * (y - 8) > 49 ? 0xFF00FF : 0x00E000;
        }));
        for (int i = 3; i < 5; ++i)
            textures[i]->image->hasColorKey = 1, textures[i]->image->colorKey = 0xFF00FF;
        check = addSprite(u"chk_sound", Sprite::CheckBox, 10, 50, -1, -1);
        check->setImages(textures[3].get(), textures[4].get(), nullptr, -1, -1, -1, -1);
        check->setGuiData(u"sound");
        Sprite* edit = addSprite(u"edit_name", Sprite::EditBox, 10, 80, 140, 20);
        edit->color = 0xFFFFFF;
        edit->frameColor = 0x000000;
        edit->setGuiData(u"-8,Name");
        edit->setText(u"Pilot", false);
        Sprite* link = addSprite(u"link_help", Sprite::Hyperlink, 10, 110, 120, 18);
        link->setText(u"Help page", false);
        link->textColor = 0x80C0FF;
        link->textUnderline = 1;
        link->setGuiData(u"help.properties");
        font = std::make_unique<BitmapFont>(makeGlyphSheet(), 16, 6, 1, 32, 0xFF00FF);
        Sprite* title = addSprite(u"title", Sprite::Picture, 10, 140, 220, 40);
        title->bitmapFontNormal = font.get();
        title->setText(u"bitmap font text wraps here", false);
        scenes.push_back(std::move(scene));
    }

    void buildGroup()
    {
        auto scene = std::make_unique<Scene2D>(120, 200, 120, 120, 0x000000, nullptr);
        place(*scene);
        scene->initRasterizer();
        auto* image = new Image(32, 32, true);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                image->drawRect((x / 8 + y / 8) % 2 ? 0xFFFF00 : 0xC00000, x, y, 1, 1, true);
        textures.emplace_back(new Texture(u"checker", &image, 1, true, false));
        group = new Rect2D(2.0f, textures.back().get(), nullptr);
        scene->addChild(u"spinner", group);
        scenes.push_back(std::move(scene));
    }

    void buildList()
    {
        auto scene = std::make_unique<SceneAWT>();
        scene->hostWindow = window.get();
        auto* list = new AWTComponent(AWTComponent::ListBoxKind, 101, 5, 205, 110, 100, u"");
        list->setFont(12, nullptr, false, 400);
        scene->addComponent(u"pilots", list, u"1");
        for (const WCHAR* name : {u"Alpha", u"Bravo", u"Charlie", u"Delta"})
            list->control->addListItem(name);
        list->control->setListSelection(1);
        listBox = list;
        scenes.push_back(std::move(scene));
    }

    void frame(float dt)
    {
        float angle = float(frames++) * 0.5f;
        group->transform.m[0] = std::cos(angle), group->transform.m[1] = -std::sin(angle);
        group->transform.m[3] = std::sin(angle), group->transform.m[4] = std::cos(angle);
        for (auto& scene : scenes)
            scene->render(dt);
        window->present(nullptr, 256);
        pump();
    }

    static void pump()
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    void pen(os::host::EventType type, int x, int y)
    {
        os::host::Event event;
        event.type = type;
        event.x = x;
        event.y = y;
        headless::push_event(event);
        pump();
    }

    // The device screen's pixels of a rectangle, and a PNG of the whole screen.
    static std::vector<uint16_t> grab(int x, int y, int w, int h)
    {
        os::host::Screen& s = os::host::screen();
        std::vector<uint16_t> out;
        for (int row = y; row < y + h; ++row)
            for (int col = x; col < x + w; ++col)
                out.push_back(reinterpret_cast<uint16_t*>(s.pixels + row * s.pitch)[col]);
        return out;
    }
    static void shoot(const char* name)
    {
        const char* dir = std::getenv("OS_OUT");
        std::string path = std::string(dir && *dir ? dir : ".") + "/scene_demo_" + name + ".png";
        EXPECT_TRUE(os::host::backend().screenshot(path));
    }

    std::unique_ptr<DemoWindow> window;
    Image* surface = nullptr;
    SceneSprite* sprites = nullptr;
    Sprite* button = nullptr;
    Sprite* check = nullptr;
    Rect2D* group = nullptr;
    AWTComponent* listBox = nullptr;
    std::unique_ptr<BitmapFont> font;
    std::vector<std::unique_ptr<Texture>> textures;
    std::vector<std::unique_ptr<Scene>> scenes;
    int frames = 0;
};

} // namespace

TEST_F(SceneDemo, TapsChangeTheButtonAndTheCheckBox)
{
    frame(0.05f);
    shoot("1_start");
    auto buttonBefore = grab(10, 10, 60, 24);
    auto checkBefore = grab(10, 50, 16, 16);
    auto spinnerBefore = grab(120, 200, 120, 120);
    EXPECT_NE(grab(10, 140, 6, 8), grab(200, 140, 6, 8)) << "the bitmap-font text is drawn";

    pen(os::host::EventType::PenDown, 30, 20);
    frame(0.05f);
    shoot("2_button_down");
    EXPECT_EQ(1, button->status);
    EXPECT_NE(buttonBefore, grab(10, 10, 60, 24));
    EXPECT_NE(spinnerBefore, grab(120, 200, 120, 120)) << "the 2D group turned";
    pen(os::host::EventType::PenUp, 30, 20);
    frame(0.05f);
    EXPECT_EQ(0, button->status);
    EXPECT_EQ(buttonBefore, grab(10, 10, 60, 24));

    pen(os::host::EventType::PenDown, 18, 58);
    pen(os::host::EventType::PenUp, 18, 58);
    frame(0.05f);
    shoot("3_checked");
    EXPECT_EQ(1, check->status);
    EXPECT_NE(checkBefore, grab(10, 50, 16, 16));
    EXPECT_EQ(1, listBox->control->getListSelection());
    EXPECT_EQ(4, listBox->control->getListCount());
}
