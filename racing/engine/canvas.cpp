// canvas.cpp -- starting, stopping and running the frames of a racing canvas
#include "racing/engine/canvas.h"
#include "racing/engine/template_loader.h"

#include "engine/platform/gapi_display.h"
#include "engine/scene/core/sound_dictionary.h"
#include "engine/scene/core/texture_dictionary.h"
#include "racing/engine/base_library.h"
#include "racing/engine/image_ops.h"

#include <os/windows.h>

namespace racing {

Canvas::Canvas(const WCHAR* name) : Window(name, nullptr, true)
{
    style = WS_CHILD | WS_VISIBLE;
    windowClass.lpszClassName = u"CANVAS";
    setNullBackground();
    frameTimer.floorDt = false;
    textures = new TextureDictionary();
    readImagesOnly(*textures);
    sounds = new SoundDictionary();
    initRacingBase();
    templateLoader = std::make_unique<TemplateLoader>(*this);
}

Canvas::~Canvas()
{
    onDestroy();
}

void Canvas::start()
{
    if (running)
        return;
    running = true;
    frameTimer.reset();
    startTimer(0);
    if (GapiDisplay::isDisplayOpen())
        GapiDisplay::beginDraw();
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
}

void Canvas::stop()
{
    if (!running)
        return;
    running = false;
    stopTimer();
    if (GapiDisplay::isDisplayOpen())
        GapiDisplay::endDraw();
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
}

void Canvas::frameStep()
{
    bool windowClosed = frameTimer.tick();
    dt = frameTimer.dt;
    update(dt);
    renderScenes();
    afterFrame(dt);
    if (windowClosed)
        onPeriod(dt);
}

void Canvas::onTimer()
{
    frameStep();
    if (GapiDisplay::isDisplayOpen() && GapiDisplay::framePointer() && getBackBuffer())
    {
        POINT origin{0, 0};
        ClientToScreen(getHandle(), &origin);
        gapiBlit(*getBackBuffer()->getImage(), origin.x, origin.y);
        return;
    }
    present();
}

void Canvas::onPaint(PAINTSTRUCT*)
{
    if (running)
    {
        frameStep();
        return;
    }
    dt = -1.0f;
    renderScenes();
}

void Canvas::grabHardwareKeys()
{
    if (hotKeysGrabbed || !getHandle())
        return;
    RegisterHotKey(getHandle(), kHotKeyUp, 0, VK_UP);
    RegisterHotKey(getHandle(), kHotKeyDown, 0, VK_DOWN);
    RegisterHotKey(getHandle(), kHotKeyAction, 0, VK_RETURN);
    hotKeysGrabbed = true;
}

void Canvas::releaseHardwareKeys()
{
    if (!hotKeysGrabbed)
        return;
    UnregisterHotKey(getHandle(), kHotKeyUp);
    UnregisterHotKey(getHandle(), kHotKeyDown);
    UnregisterHotKey(getHandle(), kHotKeyAction);
    hotKeysGrabbed = false;
}

// Sounds are stopped and deleted with their dictionary: a sound left playing
// would call back into a window that is gone.
void Canvas::onDestroy()
{
    stop();
    removeAllScenes();
    templateLoader->forgetObjects();
    releaseHardwareKeys();
    if (sounds)
        sounds->stopAll();
    delete sounds, sounds = nullptr;
    delete textures, textures = nullptr;
}

} // namespace racing
