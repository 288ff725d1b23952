// canvas_demo_test.cpp -- a canvas run by the message loop: two scenes, a
// fade between them, and a call sign typed on the input pad into an edit
// box; screenshots canvas_demo_*.png of every step land in OS_OUT
#include "canvas_fixture.h"

#include "engine/platform/message_loop.h"
#include "engine/scene/screen/fade.h"
#include "engine/scene/screen/input_pad.h"

#include <cstdlib>
#include <functional>
#include <map>

using namespace canvas_test;

namespace {

void shoot(const char* name)
{
    const char* dir = std::getenv("OS_OUT");
    std::string path = std::string(dir && *dir ? dir : ".") + "/canvas_demo_" + name + ".png";
    EXPECT_TRUE(os::host::backend().screenshot(path)) << path;
}

// Runs the step planned for each frame number, counting the frames.
struct Script : FrameListener
{
    void onFrame(Canvas*, float) override
    {
        ++frames;
        auto step = steps.find(frames);
        if (step != steps.end())
            step->second();
    }
    std::map<int, std::function<void()>> steps;
    int frames = 0;
};

Sprite* makeSprite(SceneSprite* scene, const WCHAR* name, int type, int x, int y, int w, int h, uint32_t colour,
                   const WCHAR* text)
{
    auto* sprite = new Sprite(x, y, w, h);
    sprite->guiType = type;
    sprite->color = colour;
    sprite->frameColor = 0xFFFFFF;
    sprite->textColor = 0xFFFFFF;
    sprite->textSize = 16;
    sprite->textAlignment = DT_CENTER;
    sprite->setText(text, false);
    scene->addSprite(name, sprite, nullptr);
    return sprite;
}

} // namespace

using CanvasDemo = CanvasFixture;

TEST_F(CanvasDemo, TwoScenesFadeAndACallSignIsTyped)
{
    sprites->bkgColor = 0x203080;
    makeSprite(sprites, u"title", Sprite::Picture, 20, 40, 200, 30, 0x4060C0, u"Hangar");
    makeSprite(sprites, u"btnFly", Sprite::Button, 70, 240, 100, 30, 0x208020, u"Fly");
    auto* second = new SceneSprite(0, 0, 240, 320, 0x204020, nullptr);
    second->visible = 0;
    makeSprite(second, u"caption", Sprite::Picture, 20, 40, 200, 30, 0x306030, u"Call sign");
    Sprite* edit = makeSprite(second, u"edtCallSign", Sprite::EditBox, 20, 100, 200, 24, 0xFFFFFF, u"");
    edit->textColor = 0x000000;
    edit->setGuiData(u"8,Call sign");
    canvas->addScene(u"second", second);
    auto* pad = new InputPad(canvas, 0xFFFFFF, nullptr, nullptr, nullptr, nullptr);
    canvas->setInputPad(pad);
    // Paced at 30 frames a second. Frames cost no virtual time here, so the
    // pause starts at one frame period instead of being learnt from the
    // first measuring window.
    FrameTimer& timer = canvas->getFrameTimer();
    timer.mode = FrameTimer::Paced;
    timer.delayMs = 1000 / timer.targetFps;

    Script script;
    auto keyCentre = [&](char c) {
        for (int i = 0; pad->getScene() && i < InputPad::kKeyCount; ++i)
            if (InputPad::kLowerLayout[i] == WCHAR(c))
            {
                Sprite* k = pad->keySprite(i);
                return std::pair<int, int>(pad->getScene()->x + k->x + k->width / 2,
                                           pad->getScene()->y + k->y + k->height / 2);
            }
        return std::pair<int, int>(0, 0);
    };
    script.steps[30] = [&] { shoot("1_first"); };
    script.steps[60] = [&] {
        FadeEffect out(0.3f, 10, 0x000000);
        canvas->applyEffect(&out, false, true);
        shoot("2_faded_out");
        sprites->visible = 0;
        second->visible = 1;
        FadeEffect in(0.3f, 10, 0x000000);
        canvas->applyEffect(&in, true, true);
    };
    script.steps[120] = [&] { shoot("3_second"); };
    script.steps[130] = [&] { os::host::headless::tap(120, 112); };
    script.steps[150] = [&] {
        ASSERT_TRUE(pad->isOpen());
        shoot("4_pad_open");
    };
    const char* typed = "viper";
    for (int i = 0; typed[i]; ++i)
        script.steps[160 + 15 * i] = [&, i] {
            auto [x, y] = keyCentre(typed[i]);
            os::host::headless::tap(x, y);
        };
    script.steps[235] = [&] { os::host::headless::key('7'); }; // a hardware key
    script.steps[255] = [&] {
        EXPECT_EQ(u"viper7", pad->getText());
        shoot("5_typed");
    };
    script.steps[265] = [&] {
        ASSERT_TRUE(pad->getScene());
        auto* ok = static_cast<Sprite*>(pad->getScene()->findChild(u"btnOk_MSGBOX"));
        os::host::headless::tap(pad->getScene()->x + ok->x + ok->width / 2, pad->getScene()->y + ok->y + 10);
    };
    script.steps[285] = [&] { shoot("6_done"); };
    script.steps[330] = [&] { PostQuitMessage(0); };
    canvas->addPostFrameListener(&script);
    canvas->setFocus(); // hardware keys go to the canvas
    canvas->start();
    runMessageLoop(canvas->getHandle());
    canvas->stop();

    EXPECT_GE(script.frames, 330);
    EXPECT_FALSE(pad->isOpen());
    EXPECT_EQ(std::u16string(u"viper7"), edit->getText());
    EXPECT_EQ(30, timer.fps) << "the measured rate holds the target";
    EXPECT_TRUE(os::host::headless::boxes().empty());
}
