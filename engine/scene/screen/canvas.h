// canvas.h -- the engine's drawing window: scenes, frames, pen and keys
//
// A canvas is a buffered child window that owns its scenes, its template,
// its texture, sound and font tables, and runs frames as the message loop's
// idle handler. Pen input becomes GUI actions on sprites, keys become a bit
// mask for games and type-to-find taps on named sprites.
#pragma once

#include "engine/base/hashtable.h"
#include "engine/base/properties.h"
#include "engine/platform/buffered_window.h"
#include "engine/platform/frame_timer.h"
#include "engine/platform/message_loop.h"

#include <cstdint>
#include <string>
#include <vector>

class BitmapFont;
class Effect;
class InputPad;
class PenDirectionPad;
class Scene;
class SceneObject;
class ModelLibrary;
class SoundDictionary;
class Sprite;
class TextureDictionary;
class WaveSound;

// Called before or after every frame with the frame's step.
class FrameListener
{
public:
    virtual ~FrameListener() = default;
    virtual void onFrame(class Canvas* canvas, float dt) = 0;
};

// Told what a template load is doing (text, template name, percent).
class LoadListener
{
public:
    virtual ~LoadListener() = default;
    virtual void onLoad(const WCHAR* text, const WCHAR* templateName, int percent) = 0;
};

class Canvas : public BufferedWindow, public IdleHandler
{
public:
    // Key-state bits of getKeyBits.
    enum KeyBit : int32_t
    {
        KeyUp = 1,
        KeyDown = 2,
        KeyLeft = 4,
        KeyRight = 8,
        KeyDelete = 16,
        KeyEnd = 32,
        KeySpace = 64,
        KeyAction = 128,
        KeyPageUp = 256,
        KeyPageDown = 512,
        KeyHome = 1024,
        KeyInsert = 2048,
        KeyGapiA = 0x2000,
        KeyGapiB = 0x4000,
        KeyGapiC = 0x8000,
        KeyGapiStart = 0x10000,
        ArrowBits = KeyUp | KeyDown | KeyLeft | KeyRight,
    };
    static constexpr int kTemplateNameLength = 64;
    static constexpr uint32_t kTypeResetMs = 2000;
    static constexpr int kTypedLength = 4;

    Canvas(const WCHAR* title, bool buffered);
    ~Canvas() override;

    // ---- window slots ----
    void onPaint(PAINTSTRUCT* paint) override;
    void onMouse(UINT message, WPARAM keys, int x, int y, int phase) override;
    void onKey(UINT message, int key) override;
    void onActivate(bool active) override;
    void afterCreate() override {}
    void afterDestroy() override;
    void onAddChild(Window*, int, int, int, int) override {}
    void onRemoveChild(Window*) override {}

    // ---- the canvas's own slots ----
    virtual void frameStep();
    virtual void renderScenes();
    virtual void update(float dt) {}
    virtual void afterFrame(float dt) {}
    virtual void onPeriod(float windowSeconds) {}
    virtual void onTemplateLoaded() {}
    virtual void onBeforeTemplateLoad(const WCHAR* folder, const WCHAR* name) {}
    virtual void buildCustomEntry(Properties* templ, const WCHAR* key) {}

    // The idle handler: one frame, the pen pad's drawing, present.
    void onIdle(MSG* message, HWND window) override;

    // ---- running ----
    void start() { setRunning(true); }
    void stop() { setRunning(false); }
    void setRunning(bool on);
    bool isRunning() const { return running; }
    void paint(bool force);
    void redraw();

    // ---- scenes and their children ----
    void addScene(const WCHAR* sceneName, Scene* scene);
    void deleteScenes();
    // Moves a listed scene to the end of the list: drawn last, hit first.
    void bringToFront(Scene* scene);
    int getSceneCount() const { return int(scenes.size()); }
    Scene* getScene(int i) const { return scenes[size_t(i)]; }
    Scene* findScene(const WCHAR* sceneName) const;
    SceneObject* findComponent(const WCHAR* objectName) const;
    Scene* findComponentScene(const WCHAR* objectName) const;
    Window* findControl(const WCHAR* objectName) const;

    // ---- sounds and fonts ----
    // The canvas owns neither: sounds belong to the sound dictionary, fonts
    // are deleted with the canvas. Keys are copied.
    void addSound(const WCHAR* key, WaveSound* sound);
    void addFont(const WCHAR* key, BitmapFont* font);
    WaveSound* findSound(const WCHAR* key) const;
    BitmapFont* findFont(const WCHAR* key) const;
    // mode 0 stops every sound first, 1 plays only when nothing plays, others just play.
    void playSound(HWND window, const WCHAR* key, int mode);

    // ---- zoom, dictionaries, template ----
    void setZoom(float z);
    float getZoom() const { return zoom; }
    TextureDictionary* getTextureDictionary() const { return textures; }
    SoundDictionary* getSoundDictionary() const { return sounds; }
    // Models of every template loaded since the last replacing load, each file read once.
    ModelLibrary* getModelLibrary() const { return models; }
    Properties* getTemplate() const { return templ; }
    void setLoadListener(LoadListener* listener) { loadListener = listener; }
    LoadListener* getLoadListener() const { return loadListener; }
    void setTemplateFolder(const WCHAR* text);
    void setTemplateName(const WCHAR* text);
    const WCHAR* getTemplateFolder() const { return templateFolder.c_str(); }
    const WCHAR* getTemplateName() const { return templateName.c_str(); }
    bool saveTemplate();
    int getSelected(const WCHAR* key);
    void storeSpriteStatus(const Sprite* sprite);
    // Reads the template file; with replace the scenes are dropped first.
    bool loadTemplate(const WCHAR* folder, const WCHAR* name, bool replace);
    void applyEffect(Effect* effect, bool mode, bool flag);

    // ---- input ----
    Sprite* pickSprite(UINT message, int x, int y);
    Sprite* getPressedSprite() const { return pressedSprite; }
    void setPressedSprite(Sprite* sprite) { pressedSprite = sprite; }
    int32_t getKeyBits() const { return keyBits; }
    // The key word a pen direction pad writes its arrow bits into.
    int32_t* getKeyBitsWord() { return &keyBits; }
    int takeReleasedKey();
    void addPreFrameListener(FrameListener* l) { preFrame.push_back(l); }
    void addPostFrameListener(FrameListener* l) { postFrame.push_back(l); }
    void removeFrameListener(FrameListener* l);
    // The pads are taken over (deleted with the canvas); null removes.
    void setInputPad(InputPad* pad);
    InputPad* getInputPad() const { return inputPad; }
    void setPenPad(PenDirectionPad* pad);
    PenDirectionPad* getPenPad() const { return penPad; }
    float getDt() const { return dt; }
    FrameTimer& getFrameTimer() { return frameTimer; }

    // ---- program-wide screen scale (client width / 240) ----
    static void setScreenScale(float f);
    static float getScreenScale();
    static int scaleToScreen(int n);
    static float scaleToScreenF(float x);

    // Input switches (public fields, as the screens set them).
    bool rotatePen = true;
    bool rotateKeys = false;
    bool singleKeyMode = false;
    bool typeToFind = false;
    bool inputPadOpen = false;
    bool showIndexLabels = false;

protected:
    std::vector<Scene*> scenes;
    Properties* templ = nullptr;
    TextureDictionary* textures = nullptr;
    SoundDictionary* sounds = nullptr;
    ModelLibrary* models = nullptr;
    Hashtable soundTable{Hashtable::kStringKeys};
    Hashtable fontTable{Hashtable::kStringKeys};
    FrameTimer frameTimer;
    float dt = 0.0f;
    int32_t keyBits = 0;
    int releasedKey = 0;
    int lastKey = 0;
    std::u16string typedText;
    uint32_t lastTypeTime = 0;
    Sprite* pressedSprite = nullptr;
    InputPad* inputPad = nullptr;
    PenDirectionPad* penPad = nullptr;
    std::vector<FrameListener*> preFrame;
    std::vector<FrameListener*> postFrame;
    bool wasRunning = false;
    IdleHandler* previousIdleHandler = nullptr;
    bool running = false;
    std::u16string templateFolder;
    std::u16string templateName;
    LoadListener* loadListener = nullptr;

private:
    void placeScene(Scene* scene);
    void blitBufferedScene(Scene* scene, Image* surface);
    bool penPadDragging() const;
    void rotatePenPoint(int& x, int& y) const;
    void penMove(WPARAM keys, int x, int y);
    void penPadPress(UINT message, int x, int y);
    void actOnSprite(UINT message, Sprite* sprite);
    void pressCheckBox(Sprite* sprite);
    void recordGroupSelection(Sprite* sprite);
    void openEditBox(Sprite* sprite);
    int rotateKey(int key) const;
    void applyKeyBit(UINT message, int key);
    void findTyped(UINT message, int key);
    int tapTypedMatch(UINT message);
    const WCHAR* typedKeyOf(const SceneObject* object) const;
    void actOnTyped(UINT message, Scene* scene, SceneObject* child);

public:
    // Posts a pen message to the canvas at (x, y) in canvas pixels.
    void postTap(UINT message, int x, int y);

private:
    void releaseTables();
    static void showBox(const WCHAR* caption, UINT icon, const WCHAR* format, const WCHAR* a, const WCHAR* b);
};
