// canvas_test.cpp -- frames, idle hand-over, keys, pen actions on sprites,
// type-to-find, sounds, zoom and the screen scale of the canvas
#include "canvas_fixture.h"

#include "engine/platform/tests/fixture_writers.h"
#include "engine/platform/image.h"
#include "engine/platform/pen_pad.h"
#include "engine/scene/scenes/scene_awt.h"
#include "engine/scene/core/sound_dictionary.h"

#include "os/testing/sound.h"

using namespace canvas_test;

namespace {

struct OrderListener : FrameListener
{
    OrderListener(std::vector<std::string>& log_, std::string name_) : log(log_), name(std::move(name_)) {}
    void onFrame(Canvas*, float) override { log.push_back(name); }
    std::vector<std::string>& log;
    std::string name;
};

// A renderer that records the steps it is drawn with.
struct StepRenderer : Renderer
{
    explicit StepRenderer(std::vector<float>& log_) : log(log_) {}
    void render(float dt) override { log.push_back(dt); }
    std::vector<float>& log;
};

} // namespace

using CanvasFrames = CanvasFixture;

TEST_F(CanvasFrames, StepRunsListenersLastToFirstAroundTheUpdate)
{
    OrderListener preA(canvas->calls, "preA"), preB(canvas->calls, "preB");
    OrderListener postA(canvas->calls, "postA"), postB(canvas->calls, "postB");
    canvas->addPreFrameListener(&preA);
    canvas->addPreFrameListener(&preB);
    canvas->addPostFrameListener(&postA);
    canvas->addPostFrameListener(&postB);
    canvas->frameStep();
    std::vector<std::string> expected{"preB", "preA", "update", "render", "afterFrame", "postB", "postA"};
    EXPECT_EQ(expected, canvas->calls);
    canvas->removeFrameListener(&preA);
    canvas->calls.clear();
    canvas->frameStep();
    EXPECT_EQ("preB", canvas->calls.front());
    EXPECT_EQ(6u, canvas->calls.size());
}

TEST_F(CanvasFrames, PeriodRunsOnTheTickThatClosesTheWindow)
{
    canvas->getFrameTimer().windowMs = 500;
    canvas->start();
    for (int i = 0; i < 12; ++i)
    {
        os::host::headless::advance(50);
        canvas->frameStep();
    }
    ASSERT_EQ(1u, canvas->periods.size());
    EXPECT_FLOAT_EQ(0.5f, canvas->periods[0]);
}

TEST_F(CanvasFrames, StoppedPaintRedrawsEveryScenesWithNegativeStep)
{
    std::vector<float> drawn;
    auto* plain = new SceneSprite(0, 0, 10, 10, Scene::kNoColor, nullptr);
    delete plain->renderer;
    plain->renderer = new StepRenderer(drawn);
    canvas->addScene(u"plain", plain);
    canvas->paint(false);
    ASSERT_EQ(1u, drawn.size());
    EXPECT_FLOAT_EQ(-1.0f, drawn[0]);
    // Running, a repaint skips unbuffered scenes; a frame draws them with its step.
    canvas->start();
    canvas->paint(true);
    EXPECT_EQ(1u, drawn.size());
    canvas->paint(false);
    ASSERT_EQ(2u, drawn.size());
    EXPECT_GT(drawn[1], 0.0f);
}

TEST_F(CanvasFrames, RunningCanvasIsTheLoopsIdleHandler)
{
    IdleHandler* before = getIdleHandler();
    canvas->start();
    EXPECT_EQ(canvas, getIdleHandler());
    MSG msg{};
    getIdleHandler()->onIdle(&msg, canvas->getHandle());
    EXPECT_NE(canvas->calls.end(), std::find(canvas->calls.begin(), canvas->calls.end(), "update"));
    canvas->stop();
    EXPECT_EQ(before, getIdleHandler());
    EXPECT_FALSE(canvas->isRunning());
}

TEST_F(CanvasFrames, StopGivesTheSlotBackOnlyFromItsHolderAndNeverToADeletedCanvas)
{
    auto* first = new RecordingCanvas();
    ASSERT_TRUE(app->addChild(first, 0, 0, 240, 320));
    first->start();
    auto* second = new RecordingCanvas(); // remembers first as the previous handler
    ASSERT_TRUE(app->addChild(second, 0, 0, 240, 320));
    second->start();
    first->stop(); // not the holder: second keeps running
    EXPECT_EQ(second, getIdleHandler());
    app->removeChild(first);
    delete first;
    second->stop();
    EXPECT_EQ(nullptr, getIdleHandler());
}

TEST_F(CanvasFrames, DeactivationStopsAndReactivationRestarts)
{
    canvas->start();
    canvas->onActivate(false);
    EXPECT_FALSE(canvas->isRunning());
    canvas->onActivate(true);
    EXPECT_TRUE(canvas->isRunning());
    canvas->stop();
    canvas->onActivate(false);
    canvas->onActivate(true);
    EXPECT_FALSE(canvas->isRunning());
}

using CanvasKeys = CanvasFixture;

TEST_F(CanvasKeys, EveryMappedKeySetsAndClearsItsBit)
{
    struct Case
    {
        int key;
        int32_t bit;
    };
    const Case cases[] = {{38, 1},   {40, 2},   {37, 4},   {39, 8},   {46, 16},   {35, 32},   {32, 64},
                          {13, 128}, {134, 128}, {33, 256}, {34, 512}, {36, 1024}, {45, 2048}, {'Q', 0}};
    for (const Case& c : cases)
    {
        key(WM_KEYDOWN, c.key);
        EXPECT_EQ(c.bit, canvas->getKeyBits()) << c.key;
        key(WM_KEYUP, c.key);
        EXPECT_EQ(0, canvas->getKeyBits()) << c.key;
        EXPECT_EQ(c.key, canvas->takeReleasedKey());
        EXPECT_EQ(0, canvas->takeReleasedKey());
    }
    key(WM_KEYDOWN, VK_UP);
    key(WM_KEYDOWN, VK_LEFT);
    EXPECT_EQ(5, canvas->getKeyBits());
    key(WM_KEYUP, VK_UP);
    EXPECT_EQ(4, canvas->getKeyBits());
}

TEST_F(CanvasKeys, SingleKeyModeHoldsOneBitAndAnyReleaseClearsAll)
{
    canvas->singleKeyMode = true;
    key(WM_KEYDOWN, VK_UP);
    key(WM_KEYDOWN, VK_LEFT);
    EXPECT_EQ(4, canvas->getKeyBits());
    key(WM_KEYUP, VK_UP);
    EXPECT_EQ(0, canvas->getKeyBits());
}

TEST_F(CanvasKeys, OrientationTurnsTheArrows)
{
    struct Case
    {
        int orientation;
        bool rotate;
        int key;
        int32_t bit;
    };
    const Case cases[] = {{1, true, VK_LEFT, 1},  {1, true, VK_UP, 8},    {1, true, VK_RIGHT, 2},
                          {1, true, VK_DOWN, 4},  {2, true, VK_LEFT, 2},  {2, true, VK_UP, 4},
                          {2, true, VK_RIGHT, 1}, {2, true, VK_DOWN, 8},  {1, false, VK_LEFT, 4}};
    for (const Case& c : cases)
    {
        canvas->orientation = c.orientation;
        canvas->rotateKeys = c.rotate;
        key(WM_KEYDOWN, c.key);
        EXPECT_EQ(c.bit, canvas->getKeyBits()) << c.orientation << " " << c.key;
        key(WM_KEYUP, c.key);
    }
}

TEST_F(CanvasKeys, NewCanvasNeitherTurnsKeysNorTypesToFind)
{
    Sprite* target = addSprite(u"AB12", Sprite::Button, 40, 60, 20, 10);
    PenLog log;
    canvas->setMouseListener(&log);
    canvas->orientation = 1;
    key(WM_KEYDOWN, VK_LEFT);
    EXPECT_EQ(4, canvas->getKeyBits()) << "left stays left until rotateKeys is set";
    key(WM_KEYUP, VK_LEFT);
    for (int code : {'A', 'B', '1', '2'})
    {
        key(WM_KEYDOWN, code);
        key(WM_KEYUP, code);
        pump();
    }
    EXPECT_TRUE(log.entries.empty()) << "typed keys tap nothing until typeToFind is set";
    EXPECT_EQ(0, target->status);
}

TEST_F(CanvasKeys, TypedNameTapsTheSpriteAtItsCentre)
{
    canvas->typeToFind = true;
    Sprite* target = addSprite(u"AB12", Sprite::Button, 40, 60, 20, 10);
    PenLog log;
    canvas->setMouseListener(&log);
    for (int code : {'A', 'B', '1', '2'})
    {
        key(WM_KEYDOWN, code);
        pump();
        if (code == '2')
        {
            EXPECT_EQ(1, target->status);
        }
        key(WM_KEYUP, code);
        pump();
    }
    ASSERT_EQ(2u, log.entries.size());
    EXPECT_EQ(UINT(WM_LBUTTONDOWN), log.entries[0].message);
    EXPECT_EQ(UINT(WM_LBUTTONUP), log.entries[1].message);
    EXPECT_EQ(50, log.entries[0].x);
    EXPECT_EQ(65, log.entries[0].y);
    EXPECT_EQ(0, target->status);
}

TEST_F(CanvasKeys, TypedTextKeepsFourKeysAndRestartsAfterAPause)
{
    canvas->typeToFind = true;
    addSprite(u"AB12", Sprite::Button, 40, 60, 20, 10);
    PenLog log;
    canvas->setMouseListener(&log);
    auto typeKeys = [&](const char* keys) {
        for (const char* k = keys; *k; ++k)
        {
            key(WM_KEYDOWN, *k);
            key(WM_KEYUP, *k);
            pump();
        }
    };
    typeKeys("XAB12"); // X matches nothing and is dropped
    EXPECT_EQ(2u, log.entries.size());
    log.entries.clear();
    typeKeys("AB");
    os::host::headless::advance(2001);
    typeKeys("12");
    EXPECT_TRUE(log.entries.empty()) << "a pause over 2 s starts the typed text again";
    canvas->typeToFind = false;
    typeKeys("AB12");
    EXPECT_TRUE(log.entries.empty());
}

using CanvasPen = CanvasFixture;

TEST_F(CanvasPen, ButtonIsPressedWhileThePenIsDown)
{
    Sprite* button = addSprite(u"btnGo", Sprite::Button, 10, 10, 50, 20);
    pen(os::host::EventType::PenDown, 20, 20);
    EXPECT_EQ(button, canvas->getPressedSprite());
    EXPECT_EQ(1, button->status);
    pen(os::host::EventType::PenUp, 20, 20);
    EXPECT_EQ(0, button->status);
    pen(os::host::EventType::PenDown, 200, 300);
    EXPECT_EQ(nullptr, canvas->getPressedSprite());
}

TEST_F(CanvasPen, OnlyTheTopmostVisibleSpriteSceneTakesTheTap)
{
    Sprite* below = addSprite(u"below", Sprite::Button, 10, 10, 50, 20);
    auto* top = new SceneSprite(100, 100, 50, 50, Scene::kNoColor, nullptr);
    canvas->addScene(u"top", top);
    pen(os::host::EventType::PenDown, 20, 20);
    EXPECT_EQ(nullptr, canvas->getPressedSprite());
    EXPECT_EQ(0, below->status);
    pen(os::host::EventType::PenUp, 20, 20);
    top->visible = 0;
    pen(os::host::EventType::PenDown, 20, 20);
    EXPECT_EQ(below, canvas->getPressedSprite());
}

TEST_F(CanvasPen, GroupedCheckBoxesKeepOneSelectedAndRecordItsIndex)
{
    canvas->getTemplate()->put(u"grp", u"GUIType:checkboxGroup, selected:0");
    Sprite* boxes[3];
    for (int i = 0; i < 3; ++i)
    {
        WCHAR name[8] = {u'c', u'h', u'k', WCHAR(u'0' + i), 0};
        canvas->getTemplate()->put(name, u"type:Sprite, status:0");
        boxes[i] = addSprite(name, Sprite::CheckBox, 10 + 30 * i, 10, 20, 20, u"grp");
    }
    boxes[0]->status = 1;
    for (int round = 0; round < 2; ++round)
    {
        tapAt(75, 15);
        EXPECT_EQ(0, boxes[0]->status);
        EXPECT_EQ(0, boxes[1]->status);
        EXPECT_EQ(1, boxes[2]->status) << "round " << round;
        EXPECT_EQ(2, canvas->getSelected(u"grp"));
        EXPECT_EQ(1, canvas->getTemplate()->getFieldInt(u"chk2", u"status", -1));
        EXPECT_EQ(0, canvas->getTemplate()->getFieldInt(u"chk0", u"status", -1));
    }
    EXPECT_TRUE(os::host::headless::boxes().empty());
}

TEST_F(CanvasPen, GroupWithoutItsEntryIsReported)
{
    Sprite* box = addSprite(u"chk", Sprite::CheckBox, 10, 10, 20, 20, u"lonely");
    tapAt(15, 15);
    EXPECT_EQ(1, box->status);
    EXPECT_EQ(u"The property \"grpName=GUIType:checkboxGroup, selected:0\" need to be added into template.",
              lastBoxText());
    EXPECT_EQ(0, canvas->getSelected(u"lonely"));
}

TEST_F(CanvasPen, PlainCheckBoxTogglesAndTipLinkShowsItsTip)
{
    Sprite* box = addSprite(u"chk", Sprite::CheckBox, 10, 10, 20, 20);
    tapAt(15, 15);
    EXPECT_EQ(1, box->status);
    tapAt(15, 15);
    EXPECT_EQ(0, box->status);

    Sprite* tip = addSprite(u"tipText", Sprite::Picture, 100, 100, 60, 20);
    tip->visible = 0;
    Sprite* link = addSprite(u"tipLink", Sprite::TipLink, 10, 50, 40, 20, u"tipText");
    pen(os::host::EventType::PenDown, 20, 60);
    EXPECT_EQ(1, tip->visible);
    EXPECT_EQ(1, link->status);
    pen(os::host::EventType::PenUp, 20, 60);
    EXPECT_EQ(0, tip->visible);
    EXPECT_EQ(0, link->status);
}

TEST_F(CanvasPen, HyperlinkLoadsItsPageInPlace)
{
    addSprite(u"link", Sprite::Hyperlink, 10, 10, 40, 20, u"next.properties");
    CreateDirectoryW(u"\\pages", nullptr);
    ASSERT_TRUE(fixtures::writeDeviceFile(u"\\pages\\next.properties", {'a', '=', '1', '\n'}));
    canvas->setTemplateFolder(u"\\pages\\");
    tapAt(20, 20);
    EXPECT_EQ(0, canvas->getSceneCount()) << "the replacing load drops the old scenes";
    EXPECT_EQ(std::u16string(u"next.properties"), canvas->getTemplateName());
    EXPECT_EQ(std::u16string(u"1"), canvas->getTemplate()->get(u"a"));
    EXPECT_EQ(nullptr, canvas->getPressedSprite());
}

TEST_F(CanvasPen, PenPadDragSetsArrowBitsUntilThePenLifts)
{
    Sprite* button = addSprite(u"b", Sprite::Button, 0, 0, 20, 20);
    canvas->setPenPad(new PenDirectionPad(canvas->getKeyBitsWord(), canvas->getDrawDC(), 4, 10));
    pen(os::host::EventType::PenDown, 100, 100);
    EXPECT_TRUE(canvas->getPenPad()->dragging);
    pen(os::host::EventType::PenMove, 160, 102);
    pen(os::host::EventType::PenMove, 170, 102);
    EXPECT_EQ(Canvas::KeyRight, canvas->getKeyBits() & Canvas::ArrowBits);
    key(WM_KEYDOWN, VK_SPACE);
    pen(os::host::EventType::PenUp, 170, 102);
    EXPECT_FALSE(canvas->getPenPad()->dragging);
    EXPECT_EQ(Canvas::KeySpace, canvas->getKeyBits()) << "lifting the pen clears only the arrows";
    pen(os::host::EventType::PenDown, 10, 10);
    EXPECT_FALSE(canvas->getPenPad()->dragging) << "a tap on a sprite is no drag";
    EXPECT_EQ(1, button->status);
}

TEST_F(CanvasPen, RotatedPenIsTurnedIntoCanvasPixels)
{
    Sprite* button = addSprite(u"b", Sprite::Button, 200, 10, 20, 20);
    canvas->orientation = 1; // x' = width - y, y' = x
    pen(os::host::EventType::PenDown, 15, 30);
    EXPECT_EQ(button, canvas->getPressedSprite());
    pen(os::host::EventType::PenUp, 15, 30);
}

using CanvasSettings = CanvasFixture;

TEST_F(CanvasSettings, BufferedSceneIsCopiedWithItsColourKeyAndFollowsTheZoom)
{
    auto* layer = new SceneSprite(100, 100, 40, 40, 0xFF0000, nullptr);
    layer->buffered = 1;
    layer->transparentColor = 0x00FF00;
    auto* hole = new Sprite(10, 10, 10, 10);
    hole->color = 0x00FF00;
    layer->addSprite(u"hole", hole, nullptr);
    canvas->addScene(u"layer", layer);
    sprites->bkgColor = 0x0000FF;
    canvas->redraw();
    Image* back = canvas->getBackBuffer()->getImage();
    EXPECT_EQ(0xFF0000u, back->colorAt(105, 105));
    EXPECT_EQ(0x0000FFu, back->colorAt(115, 115)) << "the key colour shows what lies below";
    EXPECT_EQ(0x0000FFu, back->colorAt(145, 105));
    canvas->setZoom(0.5f);
    canvas->redraw();
    EXPECT_EQ(0xFF0000u, back->colorAt(52, 52));
    EXPECT_EQ(0x0000FFu, back->colorAt(75, 75));
}

TEST_F(CanvasSettings, ScenesDrawIntoABackBufferMadeAgain)
{
    sprites->bkgColor = 0x00FF00;
    canvas->acquireDC(); // a new back buffer, the old one freed
    canvas->redraw();
    Image* back = canvas->getBackBuffer()->getImage();
    EXPECT_EQ(back, sprites->renderer->target->surface);
    EXPECT_EQ(0x00FF00u, back->colorAt(100, 100));
}

TEST_F(CanvasSettings, FailedTemplateSaveIsReported)
{
    // A folder that is a file cannot hold the template.
    ASSERT_TRUE(fixtures::writeDeviceFile(u"\\missing", {'x'}));
    canvas->setTemplateFolder(u"\\missing\\");
    canvas->setTemplateName(u"page.properties");
    canvas->getTemplate()->setPath(u"\\missing\\", u"page.properties");
    EXPECT_FALSE(canvas->saveTemplate());
    EXPECT_EQ(u"Can not update the template file: \\missing\\page.properties.\nThe file is read-only or the "
              u"storage media is not available. All changes will be ignored.",
              lastBoxText());
    EXPECT_EQ(u"Warning", os::host::headless::boxes().back().caption);
}

TEST_F(CanvasSettings, ZoomAcceptsOnlyValuesUpToOne)
{
    auto* scene = new Scene2D(11, 21, 101, 51, 0, nullptr);
    canvas->addScene(u"group", scene);
    struct Case
    {
        float asked;
        float kept;
    };
    const Case cases[] = {{1.5f, 1.0f}, {0.0f, 1.0f}, {-0.5f, 1.0f}, {0.5f, 0.5f}, {0.5f, 0.5f}, {1.0f, 1.0f}};
    for (const Case& c : cases)
    {
        canvas->setZoom(c.asked);
        EXPECT_FLOAT_EQ(c.kept, canvas->getZoom()) << c.asked;
    }
    canvas->setZoom(0.5f);
    const DisplayTarget& t = *scene->renderer->target;
    EXPECT_EQ(5, t.x);
    EXPECT_EQ(10, t.y);
    EXPECT_EQ(50, t.width);
    EXPECT_EQ(25, t.height);
    EXPECT_FLOAT_EQ(0.5f, t.zoom);
}

TEST_F(CanvasSettings, ScreenScaleRoundsLayoutLengths)
{
    struct Case
    {
        float scale;
        int length;
        int scaled;
    };
    const Case cases[] = {{1.0f, 240, 240}, {2.0f, 240, 480}, {1.5f, 7, 11}, {1.5f, 0, 0}};
    for (const Case& c : cases)
    {
        Canvas::setScreenScale(c.scale);
        EXPECT_EQ(c.scaled, Canvas::scaleToScreen(c.length)) << c.scale << " " << c.length;
    }
    Canvas::setScreenScale(0.0f);
    EXPECT_FLOAT_EQ(1.5f, Canvas::getScreenScale());
    EXPECT_FLOAT_EQ(3.0f, Canvas::scaleToScreenF(2.0f));
}

// Label fonts made before the canvas gives the screen scale follow it; a
// size the screen chose stays.
TEST_F(CanvasSettings, DefaultLabelFontsFollowTheScreenScale)
{
    auto heightOf = [](HFONT font) {
        LOGFONTW logFont{};
        EXPECT_NE(0, GetObjectW(font, sizeof logFont, &logFont));
        return int(logFont.lfHeight);
    };
    Canvas::setScreenScale(2.0f);
    auto* plain = new SceneSprite(0, 0, 50, 50, Scene::kNoColor, nullptr);
    auto* chosen = new SceneSprite(0, 0, 50, 50, Scene::kNoColor, nullptr);
    chosen->setLabelSize(10);
    auto* controls = new SceneAWT();
    canvas->addScene(u"plain", plain);
    canvas->addScene(u"chosen", chosen);
    canvas->addScene(u"controls", controls);
    Canvas::setScreenScale(1.0f);
    EXPECT_EQ(24, heightOf(plain->labelFont));
    EXPECT_EQ(10, heightOf(chosen->labelFont));
    EXPECT_EQ(24, heightOf(controls->labelFont));
}

TEST_F(CanvasSettings, AddedScenesKnowTheCanvasAndAreFoundByName)
{
    EXPECT_EQ(sprites, canvas->findScene(u"sprites"));
    EXPECT_EQ(canvas, sprites->canvas);
    EXPECT_EQ(canvas, sprites->hostWindow);
    canvas->addScene(u"again", sprites);
    EXPECT_EQ(1, canvas->getSceneCount());
    Sprite* s = addSprite(u"thing", Sprite::Picture, 0, 0, 5, 5);
    EXPECT_EQ(s, canvas->findComponent(u"thing"));
    EXPECT_EQ(sprites, canvas->findComponentScene(u"thing"));
    EXPECT_EQ(nullptr, canvas->findComponent(u"none"));
    EXPECT_EQ(nullptr, canvas->findControl(u"thing"));
    canvas->setTemplateName(u"0123456789012345678901234567890123456789012345678901234567890123456789");
    EXPECT_EQ(64u, std::u16string(canvas->getTemplateName()).size());
}

using CanvasSounds = CanvasFixture;

TEST_F(CanvasSounds, PlaysByKeyInEveryMode)
{
    fixtures::Bytes samples(4000, 0x80);
    ASSERT_TRUE(fixtures::writeDeviceFile(u"\\beep.wav", fixtures::makeWav(1, 11025, 8, samples)));
    WaveSound* beep = canvas->getSoundDictionary()->load(u"\\", u"beep.wav");
    ASSERT_TRUE(fixtures::writeDeviceFile(u"\\boom.wav", fixtures::makeWav(1, 11025, 8, samples)));
    WaveSound* boom = canvas->getSoundDictionary()->load(u"\\", u"boom.wav");
    ASSERT_NE(nullptr, beep);
    canvas->addSound(u"beep", beep);
    canvas->addSound(u"boom", boom);
    os::sound::test::reset_spy();

    canvas->playSound(canvas->getHandle(), u"missing", 0);
    EXPECT_EQ(u"Can not find the wave sound file: missing.", lastBoxText());
    EXPECT_EQ(0, os::sound::test::open_count());

    canvas->playSound(canvas->getHandle(), u"beep", 2);
    EXPECT_EQ(WaveSound::Playing, beep->state);
    size_t written = os::sound::test::writes().size();
    EXPECT_EQ(1u, written);
    canvas->playSound(canvas->getHandle(), u"beep", 2);
    EXPECT_EQ(written, os::sound::test::writes().size()) << "a playing sound is not started again";
    canvas->playSound(canvas->getHandle(), u"boom", 1);
    EXPECT_EQ(written, os::sound::test::writes().size()) << "mode 1 waits for silence";
    EXPECT_NE(WaveSound::Playing, boom->state);
    canvas->playSound(canvas->getHandle(), u"boom", 0);
    EXPECT_EQ(written + 1, os::sound::test::writes().size()) << "mode 0 stops everything first";
    EXPECT_EQ(WaveSound::Playing, boom->state);
    EXPECT_NE(WaveSound::Playing, beep->state);
}
