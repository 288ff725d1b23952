// canvas.h -- the racing build's canvas: frames from the window timer
//
// A racing canvas is a buffered child window of class "CANVAS" whose frames
// come from its own window timer (identifier 65535, period 0) inside the
// blocking message loop: each WM_TIMER ticks the frame timer, updates, draws
// the scenes into the back buffer and shows it. While the canvas runs, the
// window thread runs above normal priority, and at normal priority again
// when it stops. The frame timer's step is not floored: two ticks in one
// millisecond would give 0, which the platform's pacing of period-0 timers
// rules out for the frames of a canvas.
//
// This is the frame-driving part of the racing canvas; scenes, templates
// and the pen and key actions come with the racing scenes and renderers.
#pragma once

#include "engine/platform/frame_timer.h"
#include "racing/engine/window.h"

#include <memory>
#include <string>
#include <vector>

class AWTComponent;
class Group3D;
class SoundDictionary;
class TextureDictionary;

namespace racing {

// Staged builds report (text, template name, percent).
class LoadListener
{
public:
    virtual ~LoadListener() = default;
    virtual void onLoad(const WCHAR* text, const WCHAR* templateName, int percent) = 0;
};

class Scene3D;
class SceneAWT;
class TemplateLoader;
class SceneSprite;
class Sprite;

class Canvas : public Window
{
public:
    // Hot keys a page takes for the device's up, down and action buttons.
    static constexpr int kHotKeyUp = 47238;
    static constexpr int kHotKeyDown = 47239;
    static constexpr int kHotKeyAction = 47240;

    explicit Canvas(const WCHAR* name);
    ~Canvas() override;

    // Timer 65535 with period 0, the frame pointer when GAPI's display is
    // open, thread priority above normal; stop undoes all three.
    void start();
    void stop();
    bool isRunning() const { return running; }

    // One frame: tick, update, scenes, afterFrame; onPeriod with the step on
    // the tick that closes the frame timer's measuring window.
    virtual void frameStep();
    virtual void update(float dt) {}
    virtual void renderScenes() { drawScenes(); }
    virtual void afterFrame(float dt) {}
    virtual void onPeriod(float dt) {}

    // WM_TIMER 65535: a frame, shown through GDI or straight into GAPI's frame buffer.
    void onTimer() override;
    // WM_PAINT: a frame while running, else the scenes drawn again.
    void onPaint(PAINTSTRUCT* paint) override;
    void onDestroy() override;

    // Up, down and the action key arrive as WM_HOTKEY while grabbed.
    void grabHardwareKeys();
    void releaseHardwareKeys();

    TextureDictionary* getTextureDictionary() const { return textures; }
    SoundDictionary* getSoundDictionary() const { return sounds; }
    void setLoadListener(LoadListener* listener) { loadListener = listener; }
    LoadListener* getLoadListener() const { return loadListener; }
    float getStep() const { return dt; }

    FrameTimer frameTimer;

    // ---- scenes (canvas_scenes.cpp) ----
    // The canvas owns its scenes. Sprite and 3D scenes get a render target
    // over the back buffer at the zoomed size (shared at the origin), a 3D
    // scene the filler behind it; a control scene's controls become
    // children of this window.
    void addScene(const WCHAR* sceneName, Scene3D* scene);
    void addScene(const WCHAR* sceneName, SceneSprite* scene);
    void addScene(const WCHAR* sceneName, SceneAWT* scene);
    void removeAllScenes();
    // Every visible scene in list order into its target and the back buffer.
    void drawScenes();
    // For a press: the last visible sprite scene's answer at the point.
    Sprite* hitTestSprites(UINT message, int x, int y);
    // Buttons and hyperlinks answer the pen after the mouse listener.
    void onMouse(UINT message, WPARAM keys, int x, int y, int phase) override;
    // Following a hyperlink: the page loads the linked template (it may
    // replace every scene, the pressed sprite's included).
    virtual void loadTemplate(const WCHAR* folder, const WCHAR* name, bool replace);
    TemplateLoader& getTemplateLoader() { return *templateLoader; }
    // Hooks of a template load: before a replacing load clears the screen,
    // after a load, after each native control is built.
    virtual void onBeforeTemplateLoad(const WCHAR* folder, const WCHAR* name) {}
    virtual void onTemplateLoaded() {}
    virtual void onComponentBuilt(AWTComponent* component) {}
    // Scenes by name (null for a null name or none of that kind).
    Scene3D* findScene3D(const WCHAR* sceneName) const;
    SceneSprite* findSpriteScene(const WCHAR* sceneName) const;
    SceneAWT* findControlScene(const WCHAR* sceneName) const;
    // A model of any 3D scene by name.
    Group3D* findGroup3D(const WCHAR* groupName) const;
    // Template lengths: n x screenScale, rounded.
    int scaleToScreen(int n) const { return screenScale == 1.0f ? n : int(float(n) * screenScale + 0.5f); }
    float screenScale = 1.0f;
    Sprite* getPressedSprite() const { return pressedSprite; }
    // A check box pressed: in a group it is the one checked (the others
    // cleared, its position the group entry's "selected"), alone it
    // toggles; persistent boxes keep their state as their entry's "status".
    void pressCheckBox(Sprite& box);
    float getZoom() const { return zoom; }
    // 0 < z <= 1 and not the current zoom: the sprite and 3D scenes' targets
    // (and 3D cameras) take the zoomed sizes; a running canvas is stopped
    // for it and started again, a stopped one repainted. False otherwise.
    bool setZoom(float z);

    bool showIndex = false;
    std::u16string templateFolder;

protected:
    // The back buffer made again (a move or a new size): every render
    // target takes up the new image.
    HDC rebuildBackBuffer() override;

    struct SceneEntry
    {
        int type; // 0 sprite, 2 3D, 3 controls
        void* scene;
    };
    std::vector<SceneEntry> scenes;
    Sprite* pressedSprite = nullptr;
    float zoom = 1.0f;

    float dt = 0.0f;
    bool running = false;
    bool hotKeysGrabbed = false;
    TextureDictionary* textures = nullptr;
    SoundDictionary* sounds = nullptr;
    LoadListener* loadListener = nullptr;
    std::unique_ptr<TemplateLoader> templateLoader;
};

} // namespace racing
