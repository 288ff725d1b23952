// canvas_scenes_test.cpp -- scenes on a racing canvas: render targets over
// the back buffer, the pen on buttons and hyperlinks (a link whose load
// replaces every scene, the pressed sprite's included), the last visible
// sprite scene deciding a press, and scenes drawn into the back buffer
#include "racing/engine/canvas.h"
#include "racing/engine/render_target.h"
#include "racing/engine/scene3d.h"
#include "racing/engine/scene_awt.h"
#include "racing/engine/sprite.h"

#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"
#include "engine/scene/2d/awt_component.h"
#include "engine/scene/core/material.h"

#include <os/windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class LinkPage : public racing::Canvas
{
public:
    LinkPage() : Canvas(u"page") {}
    std::u16string loaded, loadedFolder;
    void loadTemplate(const WCHAR* folder, const WCHAR* name, bool replace) override
    {
        removeAllScenes(); // a replacing load frees the pressed sprite
        loadedFolder = folder;
        loaded = name; // read after the free: the canvas must have copied it
        EXPECT_TRUE(replace);
    }
};

struct PageFrame
{
    racing::Window window{u"frame", nullptr, false};
    LinkPage* page = new LinkPage();
    PageFrame()
    {
        EXPECT_TRUE(window.create(0, 0, 240, 320));
        EXPECT_TRUE(window.addChild(page, 0, 0, 240, 320));
    }
    ~PageFrame() { window.destroy(); }
    void click(int x, int y) const
    {
        SendMessageW(page->getHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageW(page->getHandle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
};

racing::Sprite* addSprite(racing::SceneSprite& scene, const char16_t* name, int x, int y, int guiType)
{
    auto* s = new racing::Sprite(x, y, 40, 20);
    s->guiType = guiType;
    s->fillColor = 0xFF0000;
    scene.addSprite(name, s, nullptr);
    return s;
}

} // namespace

TEST(RacingCanvasScenes, AHyperlinkWhoseLoadReplacesEveryScene)
{
    PageFrame frame;
    auto* scene = new racing::SceneSprite(0, 0, 240, 320, 0xFFFFFFFFu, nullptr);
    frame.page->addScene(u"menu", scene);
    racing::Sprite* link = addSprite(*scene, u"next", 10, 10, 3);
    copyName(link->link, u"options.properties");
    frame.page->templateFolder = u"\\pages";
    frame.page->start();
    SendMessageW(frame.page->getHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 15));
    EXPECT_EQ(link->getState(), 1);
    SendMessageW(frame.page->getHandle(), WM_LBUTTONUP, 0, MAKELPARAM(20, 15));
    EXPECT_EQ(frame.page->loaded, u"options.properties") << "the sanitizer build sees a read of the freed sprite";
    EXPECT_EQ(frame.page->loadedFolder, u"\\pages");
    EXPECT_FALSE(frame.page->isRunning()) << "stopped after the load";
    EXPECT_EQ(frame.page->getPressedSprite(), nullptr);
}

TEST(RacingCanvasScenes, ButtonsAndTheLastVisibleSpriteSceneDecides)
{
    PageFrame frame;
    auto* lower = new racing::SceneSprite(0, 0, 240, 320, 0xFFFFFFFFu, nullptr);
    auto* upper = new racing::SceneSprite(0, 100, 240, 100, 0xFFFFFFFFu, nullptr);
    frame.page->addScene(u"lower", lower);
    frame.page->addScene(u"upper", upper);
    racing::Sprite* under = addSprite(*lower, u"under", 10, 110, 1);
    racing::Sprite* over = addSprite(*upper, u"over", 100, 100, 1);
    // A press on "under" (in the lower scene): the upper scene, last in the
    // list, answers none there and decides.
    SendMessageW(frame.page->getHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 115));
    EXPECT_EQ(frame.page->getPressedSprite(), nullptr);
    EXPECT_EQ(under->getState(), 0);
    upper->visible = 0;
    SendMessageW(frame.page->getHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 115));
    EXPECT_EQ(frame.page->getPressedSprite(), under);
    EXPECT_EQ(under->getState(), 1) << "a button is down while pressed";
    SendMessageW(frame.page->getHandle(), WM_LBUTTONUP, 0, MAKELPARAM(20, 115));
    EXPECT_EQ(under->getState(), 0);
    upper->visible = 1;
    SendMessageW(frame.page->getHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(110, 210));
    EXPECT_EQ(frame.page->getPressedSprite(), over) << "scene offsets are taken off the pen";
}

TEST(RacingCanvasScenes, ScenesDrawIntoTheBackBuffer)
{
    PageFrame frame;
    Image* back = frame.page->getBackBuffer()->getImage();
    ASSERT_NE(back, nullptr);
    auto* sky = new racing::Scene3D(0, 0, 240, 320, 0x0000FF, nullptr);
    frame.page->addScene(u"sky", sky);
    EXPECT_EQ(sky->renderer.getTarget()->image, back) << "at the origin with the window's size: shared";
    auto* menu = new racing::SceneSprite(20, 30, 60, 40, 0x00FF00, nullptr);
    frame.page->addScene(u"menu", menu);
    addSprite(*menu, u"b", 5, 5, 1);
    frame.page->drawScenes();
    EXPECT_EQ(back->colorAt(200, 300), 0x0000FFu);
    EXPECT_EQ(back->colorAt(21, 31), 0x00FF00u);
    EXPECT_EQ(back->colorAt(30, 40), 0xFF0000u);
    EXPECT_EQ(back->colorAt(100, 100), 0x0000FFu);
}

TEST(RacingCanvasScenes, TargetsTakeUpABackBufferMadeAgain)
{
    PageFrame frame;
    auto* sky = new racing::Scene3D(0, 0, 240, 320, 0x0000FF, nullptr);
    auto* menu = new racing::SceneSprite(20, 30, 60, 40, 0x00FF00, nullptr);
    frame.page->addScene(u"sky", sky);
    frame.page->addScene(u"menu", menu);
    sky->initView(1.0f, nullptr, true);
    frame.page->move(0, 0, 240, 320); // the back buffer is made again
    Image* back = frame.page->getBackBuffer()->getImage();
    EXPECT_EQ(sky->renderer.getTarget()->image, back);
    EXPECT_EQ(menu->getTarget()->windowImage, back);
    frame.page->drawScenes(); // the sanitizer build sees a write into the old buffer
    EXPECT_EQ(back->colorAt(200, 300), 0x0000FFu);
    EXPECT_EQ(back->colorAt(21, 31), 0x00FF00u);
}

TEST(RacingCanvasScenes, ZoomResizesTheTargetsAndTheCameras)
{
    PageFrame frame;
    auto* sky = new racing::Scene3D(0, 0, 240, 320, 0x0000FF, nullptr);
    auto* menu = new racing::SceneSprite(0, 0, 240, 320, 0x00FF00, nullptr);
    frame.page->addScene(u"sky", sky);
    frame.page->addScene(u"menu", menu);
    sky->initView(1.0f, nullptr, true);
    for (float refused : {1.5f, 0.0f, -1.0f, 1.0f})
        EXPECT_FALSE(frame.page->setZoom(refused)) << refused;
    frame.page->start();
    ASSERT_TRUE(frame.page->setZoom(0.5f));
    EXPECT_TRUE(frame.page->isRunning()) << "started again";
    EXPECT_EQ(sky->renderer.getTarget()->width, 120);
    EXPECT_EQ(sky->renderer.getTarget()->height, 160);
    EXPECT_EQ(sky->camera.viewportWidth, 120);
    EXPECT_EQ(menu->getTarget()->height, 160);
    EXPECT_EQ(sky->renderer.getTarget()->shared, 0) << "smaller than the window: an image of its own";
    EXPECT_FALSE(frame.page->setZoom(0.5f)) << "the current zoom";
    frame.page->stop();
    sky->render(0.04f); // a filler for the new size (the sanitizer build sees an overrun)
    EXPECT_EQ(sky->renderer.getTarget()->image->width, 120);
}

namespace {

class HookPage : public racing::Canvas, public racing::LoadListener
{
public:
    HookPage() : Canvas(u"hooks") { setLoadListener(this); }
    std::vector<AWTComponent*> removed;
    std::vector<std::u16string> stages;
    void onComponentRemoved(AWTComponent* component) override { removed.push_back(component); }
    void onLoad(const WCHAR* text, const WCHAR*, int) override { stages.emplace_back(text); }
};

} // namespace

// The page hears of each control taken off it (last first), builds its 3D
// scenes in their announced stages once, and scales template lengths.
TEST(RacingCanvasScenes, HooksOfControlsAndStagedScenes)
{
    racing::Window window{u"frame", nullptr, false};
    ASSERT_TRUE(window.create(0, 0, 240, 320));
    auto* page = new HookPage();
    ASSERT_TRUE(window.addChild(page, 0, 0, 240, 320));
    auto* controls = new racing::SceneAWT();
    page->addScene(u"controls", controls);
    AWTComponent* first = racing::SceneAWT::makeComponent(0, 1, 0, 0, 40, 20, u"a");
    AWTComponent* second = racing::SceneAWT::makeComponent(1, 2, 0, 30, 40, 20, u"b");
    controls->addComponent(u"first", first, nullptr);
    controls->addComponent(u"second", second, nullptr);
    page->addScene(u"world", new racing::Scene3D(0, 0, 240, 320, 0, nullptr));
    page->buildScenes3D(true);
    page->buildScenes3D(false);
    EXPECT_EQ(page->stages, (std::vector<std::u16string>{u"Building 3D Models", u"Building 3D Lights",
                                                          u"Building 3D Environment",
                                                          u"Finalizing 3D Initialization"}))
        << "once";
    page->removeAllScenes();
    EXPECT_EQ(page->removed, (std::vector<AWTComponent*>{second, first}));
    EXPECT_FLOAT_EQ(page->scaleToScreenF(10.0f), 10.0f);
    page->screenScale = 1.5f;
    EXPECT_FLOAT_EQ(page->scaleToScreenF(10.0f), 15.0f);
    EXPECT_EQ(page->scaleToScreen(10), 15);
    EXPECT_EQ(page->findSound(u"none"), nullptr);
    window.destroy();
}
