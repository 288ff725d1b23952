// canvas_fixture.h -- an application window holding one canvas, a scene of
// sprites, and helpers to pump messages and tap the pen
#pragma once

#include "engine/scene/screen/canvas.h"
#include "engine/scene/scenes/scene.h"
#include "engine/scene/2d/sprite.h"

#include "os/testing/host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace canvas_test {

// Records the canvas slots that screens override.
class RecordingCanvas : public Canvas
{
public:
    RecordingCanvas() : Canvas(u"canvas", true) {}
    void update(float dt) override { calls.push_back("update"), steps.push_back(dt); }
    void afterFrame(float) override { calls.push_back("afterFrame"); }
    void onPeriod(float seconds) override { periods.push_back(seconds); }
    void renderScenes() override
    {
        calls.push_back("render");
        Canvas::renderScenes();
    }
    std::vector<std::string> calls;
    std::vector<float> steps;
    std::vector<float> periods;
};

// Pen messages that reach the canvas's mouse listener.
struct PenLog : MouseListener
{
    struct Entry
    {
        UINT message;
        WPARAM keys;
        int x, y;
    };
    void onMouse(Window*, UINT message, WPARAM keys, int x, int y) override
    {
        if (message != WM_MOUSEMOVE)
            entries.push_back({message, keys, x, y});
    }
    std::vector<Entry> entries;
};

inline void pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

inline void pen(os::host::EventType type, int x, int y)
{
    os::host::Event event;
    event.type = type;
    event.x = x;
    event.y = y;
    os::host::headless::push_event(event);
    pump();
}

inline void tapAt(int x, int y)
{
    pen(os::host::EventType::PenDown, x, y);
    pen(os::host::EventType::PenUp, x, y);
}

struct CanvasFixture : testing::Test
{
    void SetUp() override
    {
        os::host::headless::clear_boxes();
        app = new Window(u"app", nullptr, false);
        ASSERT_TRUE(app->create(0, 0, 240, 320));
        canvas = new RecordingCanvas();
        ASSERT_TRUE(app->addChild(canvas, 0, 0, 240, 320));
        sprites = new SceneSprite(0, 0, 240, 320, 0x203040, nullptr);
        canvas->addScene(u"sprites", sprites);
    }

    void TearDown() override
    {
        app->destroy();
        delete app;
        setIdleHandler(nullptr);
        Canvas::setScreenScale(1.0f);
    }

    Sprite* addSprite(const WCHAR* name, int type, int x, int y, int w, int h, const WCHAR* data = nullptr)
    {
        auto* sprite = new Sprite(x, y, w, h);
        sprite->guiType = type;
        sprite->color = 0x808080;
        if (data)
            sprite->setGuiData(data);
        sprites->addSprite(name, sprite, nullptr);
        return sprite;
    }

    void key(UINT message, int code)
    {
        SendMessageW(canvas->getHandle(), message, WPARAM(code), 0);
    }

    static std::u16string lastBoxText()
    {
        const auto& boxes = os::host::headless::boxes();
        return boxes.empty() ? std::u16string() : boxes.back().text;
    }

    Window* app = nullptr;
    RecordingCanvas* canvas = nullptr;
    SceneSprite* sprites = nullptr;
};

} // namespace canvas_test
