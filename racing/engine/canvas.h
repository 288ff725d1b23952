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
// Frames are driven here (canvas.cpp); the scenes, the pen and the template
// state are in canvas_scenes.cpp, the keys in canvas_input.cpp.
#pragma once

#include "engine/base/properties.h"
#include "engine/platform/frame_timer.h"
#include "racing/engine/window.h"

#include <memory>
#include <string>
#include <vector>

class AWTComponent;
class Group2D;
class Group3D;
class SoundDictionary;
class TextureDictionary;
class WaveSound;

namespace racing {

// Staged builds report (text, template name, percent).
class LoadListener
{
public:
    virtual ~LoadListener() = default;
    virtual void onLoad(const WCHAR* text, const WCHAR* templateName, int percent) = 0;
};

class FadeEffect;
class Scene2D;
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
    // The canvas owns its scenes. Sprite, 2D and 3D scenes get a render
    // target over the back buffer at the zoomed size (shared at the origin),
    // a 3D scene the filler behind it; a control scene's controls become
    // children of this window.
    void addScene(const WCHAR* sceneName, Scene3D* scene);
    void addScene(const WCHAR* sceneName, SceneSprite* scene);
    void addScene(const WCHAR* sceneName, Scene2D* scene);
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
    // A native control taken off the canvas (its scene removed).
    virtual void onComponentRemoved(AWTComponent* component) {}
    // Every 3D scene built in its stages, in list order, announced to the
    // load listener (computeBounds: 1 on a first build).
    void buildScenes3D(bool computeBounds);
    // The template's folder, for links followed later.
    void setTemplateFolder(const WCHAR* folder) { templateFolder = folder ? folder : u""; }
    // The wave sound a template entry built under that key, or null.
    WaveSound* findSound(const WCHAR* key) const;
    // A transition effect run on this canvas.
    void applyEffect(FadeEffect& effect, bool fadeIn, bool redraw);
    // Scenes by name (null for a null name or none of that kind).
    Scene3D* findScene3D(const WCHAR* sceneName) const;
    SceneSprite* findSpriteScene(const WCHAR* sceneName) const;
    Scene2D* findScene2D(const WCHAR* sceneName) const;
    // A group of any 2D scene by name.
    Group2D* findGroup2D(const WCHAR* groupName) const;
    SceneAWT* findControlScene(const WCHAR* sceneName) const;
    // A model of any 3D scene by name.
    Group3D* findGroup3D(const WCHAR* groupName) const;
    // Template lengths: n x screenScale, rounded (held within the integers).
    int scaleToScreen(int n) const;
    float scaleToScreenF(float x) const { return screenScale == 1.0f ? x : x * screenScale; }
    float screenScale = 1.0f;
    Sprite* getPressedSprite() const { return pressedSprite; }
    // A check box pressed: in a group it is the one checked (the others
    // cleared, its position the group entry's "selected"), alone it
    // toggles; persistent boxes keep their state as their entry's "status".
    void pressCheckBox(Sprite& box);
    // The program's hand and arrow cursors: once a hand is set, a pen moving
    // over a sprite with a GUI type shows the hand, elsewhere the arrow.
    static void setCursors(HCURSOR hand, HCURSOR arrow)
    {
        handCursor = hand;
        arrowCursor = arrow;
    }
    float getZoom() const { return zoom; }
    // 0 < z <= 1 and not the current zoom: the sprite and 3D scenes' targets
    // (and 3D cameras) take the zoomed sizes; a running canvas is stopped
    // for it and started again, a stopped one repainted. False otherwise.
    bool setZoom(float z);

    bool showIndex = false;
    std::u16string templateFolder;
    // The template's Scene2D and Group2D entries build 2D scenes on this
    // canvas (off: they build nothing, for pages that draw those entries
    // themselves).
    bool build2DScenes = false;

    // ---- keys (canvas_input.cpp) ----
    // Key bits of held keys (arrows 1, 2, 4, 8, Delete 16, End 32, Space
    // 64, Return and the action key 128, Page Up 256, Page Down 512, Home
    // 1024, Insert 2048; GAPI's A, B, C and Start 0x2000 to 0x10000 while its
    // input is open, cleared on every key while it is not), the last
    // released key, and index typing: letters and digits typed within 2 s
    // of each other (at most four) press the visible sprite, or focus the
    // native control, whose index text they spell.
    void onKey(UINT message, int key) override;
    // Called first by onKey; may change the message and the key.
    virtual void remapKey(UINT& message, int& key) {}
    uint32_t getKeyBits() const { return heldKeys; }
    // The last released key once, then 0.
    int takeReleasedKey();
    // The bit of the last key with one pressed in any canvas (0 after any
    // release).
    static uint32_t lastKeyBit() { return lastBit; }
    const std::u16string& getTypedIndex() const { return typedIndex; }
    // Index typing on (the sprite and control scenes then show their index
    // texts too); one key bit at a time.
    bool indexKeys = false;
    bool exclusiveKeys = false;

    // ---- template state (canvas_scenes.cpp) ----
    // The template of the screen, as loaded and as changed by check boxes.
    Properties& getTemplate();
    // Writes the template back to its file; false when it cannot be written.
    bool saveTemplate();
    // The "selected" field of a template entry (a check-box group's); 0
    // when the entry or its field is missing.
    int getSelectedValue(const WCHAR* key);
    // The first sprite of that name in the sprite scenes, in list order.
    Sprite* findComponent(const WCHAR* spriteName) const;

protected:
    // The back buffer made again (a move or a new size): every render
    // target takes up the new image.
    HDC rebuildBackBuffer() override;

    struct SceneEntry
    {
        int type; // 0 sprite, 1 2D, 2 3D, 3 controls
        void* scene;
    };
    std::vector<SceneEntry> scenes;
    Sprite* pressedSprite = nullptr;
    float zoom = 1.0f;

    float dt = 0.0f;
    bool running = false;
    bool hotKeysGrabbed = false;
    // Keys.
    uint32_t heldKeys = 0;
    int releasedKey = 0;
    int lastTypedKey = 0;
    uint32_t lastTypeTime = 0;
    std::u16string typedIndex;
    static uint32_t lastBit;
    static HCURSOR handCursor, arrowCursor;
    // The tip a tip link shows while the pen holds it.
    Sprite* shownTip = nullptr;
    template <class SceneKind>
    void addTargetScene(const WCHAR* sceneName, SceneKind* scene, int type);
    // A tip link's tip shown over its place.
    void showTip(Sprite* tip);
    // A key-down or key-up on the index texts.
    void typeIndex(UINT message, int key);
    // The state of a sprite written into its entry's "status".
    void saveSpriteStatus(const Sprite& sprite);
    // The end of every template load: no typed index, no pressed sprite.
    friend class TemplateLoader;
    void afterTemplateLoad();
    TextureDictionary* textures = nullptr;
    SoundDictionary* sounds = nullptr;
    LoadListener* loadListener = nullptr;
    std::unique_ptr<TemplateLoader> templateLoader;
};

} // namespace racing
