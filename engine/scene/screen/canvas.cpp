// canvas.cpp -- construction, running, frames, scenes, sounds, zoom, template
#include "engine/scene/screen/canvas.h"

#include "engine/base/math_utils.h"
#include "engine/base/wstring_utils.h"
#include "engine/platform/gapi_display.h"
#include "engine/platform/pen_pad.h"
#include "engine/scene/2d/awt_component.h"
#include "engine/scene/2d/bitmap_font.h"
#include "engine/scene/screen/fade.h"
#include "engine/scene/screen/input_pad.h"
#include "engine/scene/scenes/scene.h"
#include "engine/scene/scenes/scene3d.h"
#include "engine/scene/scenes/scene_awt.h"
#include "engine/scene/core/fixed_point.h"
#include "engine/scene/core/sound_dictionary.h"
#include "engine/scene/2d/sprite.h"
#include "engine/scene/3d/model_library.h"
#include "engine/scene/screen/template_loader.h"
#include "engine/scene/core/texture_dictionary.h"

#include <os/windows.h>

#include <algorithm>
#include <vector>

namespace {

float g_screenScale = 1.0f;

// Canvases alive now: when one goes, the canvases that saved it as their
// previous handler take over the handler it had saved, so a canvas that has
// gone is never registered again.
std::vector<Canvas*>& liveCanvases()
{
    static std::vector<Canvas*> live;
    return live;
}

// Stores value under a copy of key, reusing the key already stored.
void putNamed(Hashtable& table, const WCHAR* key, void* value)
{
    for (int i = 0; i < table.size(); ++i)
        if (wcscmp(static_cast<const WCHAR*>(table.keys()[i]), key) == 0)
        {
            table.put(table.keys()[i], value);
            return;
        }
    table.put(copyText(key), value);
}

// The keys are the table's copies.
void clearSoundTable(Hashtable& table)
{
    for (int i = 0; i < table.size(); ++i)
        delete[] static_cast<WCHAR*>(table.keys()[i]);
    table.clear();
}

// The fonts belong to the table, as do their keys.
void clearFontTable(Hashtable& table)
{
    for (int i = 0; i < table.size(); ++i)
    {
        auto* key = static_cast<WCHAR*>(table.keys()[i]);
        delete static_cast<BitmapFont*>(table.get(key));
        delete[] key;
    }
    table.clear();
}

} // namespace

Canvas::Canvas(const WCHAR* title, bool buffered) : BufferedWindow(title, nullptr)
{
    this->buffered = buffered;
    style = WS_CHILD | WS_VISIBLE;
    exStyle = 0;
    windowClass.lpszClassName = u"CANVAS";
    if (buffered)
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    templ = new Properties();
    textures = new TextureDictionary();
    sounds = new SoundDictionary();
    models = new ModelLibrary();
    initMathTables();
    previousIdleHandler = getIdleHandler();
    liveCanvases().push_back(this);
}

Canvas::~Canvas()
{
    auto& live = liveCanvases();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    for (Canvas* other : live)
        if (other->previousIdleHandler == this)
            other->previousIdleHandler = previousIdleHandler;
    if (getIdleHandler() == this)
        setIdleHandler(previousIdleHandler);
    releaseTables();
}

void Canvas::setRunning(bool on)
{
    running = on;
    if (on)
    {
        setIdleHandler(this);
        frameTimer.reset();
        return;
    }
    // Only the holder gives the slot back.
    if (getIdleHandler() == this)
        setIdleHandler(previousIdleHandler);
}

void Canvas::frameStep()
{
    bool windowClosed = frameTimer.tick();
    dt = frameTimer.dt;
    for (size_t i = preFrame.size(); i-- > 0;)
        preFrame[i]->onFrame(this, dt);
    update(dt);
    renderScenes();
    afterFrame(dt);
    for (size_t i = postFrame.size(); i-- > 0;)
        postFrame[i]->onFrame(this, dt);
    if (windowClosed)
        onPeriod(float(frameTimer.windowMs) * 0.001f);
}

void Canvas::onIdle(MSG*, HWND)
{
    frameStep();
    if (penPadDragging())
        penPad->update();
    present(nullptr, -1);
}

void Canvas::paint(bool force)
{
    if (running && !force)
    {
        frameStep();
        return;
    }
    dt = -1.0f;
    renderScenes();
}

void Canvas::onPaint(PAINTSTRUCT*)
{
    paint(false);
}

void Canvas::redraw()
{
    paint(true);
    if (running)
        return;
    if (penPadDragging())
        penPad->update();
    present(nullptr, -1);
}

bool Canvas::penPadDragging() const
{
    return penPad && penPad->dragging;
}

void Canvas::renderScenes()
{
    Image* surface = getBackBufferImage();
    bool repaint = dt < 0;
    bool skipUnbuffered = repaint && running && !penPadDragging();
    for (Scene* scene : scenes)
    {
        if (!scene->visible || !scene->renderer || !scene->renderer->target)
            continue;
        // The back buffer is made again when the window changes size.
        scene->renderer->target->surface = surface;
        if (scene->buffered)
        {
            if (repaint)
                scene->renderToBackBuffer(true);
            blitBufferedScene(scene, surface);
        }
        else if (!skipUnbuffered)
            scene->render(dt);
    }
}

void Canvas::blitBufferedScene(Scene* scene, Image* surface)
{
    Image* own = scene->getSurface();
    if (!own || !surface || own == surface)
        return;
    int sx = scene->x, sy = scene->y, sw = scene->width, sh = scene->height;
    if (zoom != 1.0f)
        sx = saturatingInt(float(sx) * zoom), sy = saturatingInt(float(sy) * zoom),
        sw = saturatingInt(float(sw) * zoom), sh = saturatingInt(float(sh) * zoom);
    surface->drawImage(*own, sx, sy, sx, sy, sw, sh, scene->transparentColor);
}

// ---- scenes ----

void Canvas::addScene(const WCHAR* sceneName, Scene* scene)
{
    if (!scene || std::find(scenes.begin(), scenes.end(), scene) != scenes.end())
        return;
    scene->setName(sceneName);
    scene->canvas = this;
    scene->hostWindow = this;
    scene->showIndexLabels = showIndexLabels;
    scene->setScreenScale(g_screenScale);
    if (scene->sceneType != Scene::ControlScene && scene->renderer)
        placeScene(scene);
    if (scene->sceneType == Scene::ControlScene && handle)
        static_cast<SceneAWT*>(scene)->attachControls();
    if (scene->buffered)
        scene->getSurface();
    scenes.push_back(scene);
}

void Canvas::placeScene(Scene* scene)
{
    DisplayTarget place;
    place.x = saturatingInt(float(scene->x) * zoom);
    place.y = saturatingInt(float(scene->y) * zoom);
    place.width = saturatingInt(float(scene->width) * zoom);
    place.height = saturatingInt(float(scene->height) * zoom);
    place.zoom = zoom;
    place.surface = getBackBufferImage();
    if (place.surface)
        SetBkMode(place.surface->dc, TRANSPARENT);
    scene->renderer->setTarget(place);
    if (scene->sceneType == Scene::Scene2DType)
        static_cast<Scene2D*>(scene)->initRasterizer();
    else if (scene->sceneType == Scene::Scene3DType)
        static_cast<Scene3D*>(scene)->setViewport(zoom);
}

void Canvas::bringToFront(Scene* scene)
{
    auto found = std::find(scenes.begin(), scenes.end(), scene);
    if (found == scenes.end())
        return;
    scenes.erase(found);
    scenes.push_back(scene);
}

void Canvas::deleteScenes()
{
    pressedSprite = nullptr;
    for (Scene* scene : scenes)
        delete scene;
    scenes.clear();
}

Scene* Canvas::findScene(const WCHAR* sceneName) const
{
    for (Scene* scene : scenes)
        if (sceneName && wcscmp(scene->name, sceneName) == 0)
            return scene;
    return nullptr;
}

Scene* Canvas::findComponentScene(const WCHAR* objectName) const
{
    if (!objectName)
        return nullptr;
    for (Scene* scene : scenes)
        if (scene->findChild(objectName))
            return scene;
    return nullptr;
}

SceneObject* Canvas::findComponent(const WCHAR* objectName) const
{
    Scene* scene = findComponentScene(objectName);
    return scene ? scene->findChild(objectName) : nullptr;
}

Window* Canvas::findControl(const WCHAR* objectName) const
{
    SceneObject* object = findComponent(objectName);
    if (!object || object->objectType != SceneObject::ControlObject)
        return nullptr;
    return static_cast<AWTComponent*>(object)->control;
}

// ---- sounds and fonts ----

void Canvas::addSound(const WCHAR* key, WaveSound* sound)
{
    if (key)
        putNamed(soundTable, key, sound);
}

void Canvas::addFont(const WCHAR* key, BitmapFont* font)
{
    if (!key)
        return;
    auto* old = static_cast<BitmapFont*>(fontTable.get(key));
    if (old != font)
        delete old;
    putNamed(fontTable, key, font);
}

WaveSound* Canvas::findSound(const WCHAR* key) const
{
    return key ? static_cast<WaveSound*>(soundTable.get(key)) : nullptr;
}

BitmapFont* Canvas::findFont(const WCHAR* key) const
{
    return key ? static_cast<BitmapFont*>(fontTable.get(key)) : nullptr;
}

void Canvas::playSound(HWND window, const WCHAR* key, int mode)
{
    WaveSound* sound = findSound(key);
    if (!sound)
    {
        showBox(u"Error", MB_ICONSTOP, u"Can not find the wave sound file: %s.", key ? key : u"", nullptr);
        return;
    }
    if (mode == 0 && sounds)
        sounds->stopAll();
    else if (mode == 1 && sounds && sounds->findPlaying())
        return;
    if (sound->state != WaveSound::Playing)
        sound->play(window);
}

void Canvas::showBox(const WCHAR* caption, UINT icon, const WCHAR* format, const WCHAR* a, const WCHAR* b)
{
    std::u16string text;
    for (const WCHAR* p = format; *p; ++p)
    {
        if (p[0] == u'%' && p[1] == u's')
        {
            const WCHAR* arg = a ? a : u"";
            text += arg;
            a = b, b = nullptr;
            ++p;
            continue;
        }
        text += *p;
    }
    MessageBoxW(nullptr, text.c_str(), caption, MB_OK | icon);
}

// ---- zoom and screen scale ----

void Canvas::setZoom(float z)
{
    if (!(z > 0.0f && z <= 1.0f) || z == zoom)
        return;
    zoom = z;
    for (Scene* scene : scenes)
        if (scene->renderer && scene->renderer->target)
        {
            DisplayTarget place = *scene->renderer->target;
            place.x = saturatingInt(float(scene->x) * z);
            place.y = saturatingInt(float(scene->y) * z);
            place.width = saturatingInt(float(scene->width) * z);
            place.height = saturatingInt(float(scene->height) * z);
            place.zoom = z;
            scene->renderer->setTarget(place);
            if (scene->sceneType == Scene::Scene3DType)
                static_cast<Scene3D*>(scene)->setViewport(z);
        }
}

void Canvas::setScreenScale(float f)
{
    if (f > 0.0f)
        g_screenScale = f;
}

float Canvas::getScreenScale()
{
    return g_screenScale;
}

int Canvas::scaleToScreen(int n)
{
    return g_screenScale == 1.0f ? n : saturatingInt(float(n) * g_screenScale + 0.5f);
}

float Canvas::scaleToScreenF(float x)
{
    return g_screenScale == 1.0f ? x : x * g_screenScale;
}

// ---- template ----

void Canvas::setTemplateFolder(const WCHAR* text)
{
    templateFolder = text ? text : u"";
}

void Canvas::setTemplateName(const WCHAR* text)
{
    templateName = text ? text : u"";
    if (templateName.size() > size_t(kTemplateNameLength))
        templateName.resize(size_t(kTemplateNameLength));
}

bool Canvas::saveTemplate()
{
    if (templ && templ->save())
        return true;
    showBox(u"Warning", MB_ICONEXCLAMATION,
            u"Can not update the template file: %s%s.\nThe file is read-only or the storage media is not "
            u"available. All changes will be ignored.",
            templateFolder.c_str(), templateName.c_str());
    return false;
}

int Canvas::getSelected(const WCHAR* key)
{
    return key && templ ? templ->getFieldInt(key, u"selected", 0) : 0;
}

void Canvas::storeSpriteStatus(const Sprite* sprite)
{
    if (!templ || !sprite)
        return;
    WCHAR number[16];
    swprintf(number, 16, u"%d", int(sprite->status));
    templ->setField(sprite->name, u"status", number);
}

bool Canvas::loadTemplate(const WCHAR* folder, const WCHAR* name, bool replace)
{
    if (!templ || !folder || !name || !*folder || !*name)
        return false;
    // The texts may live in what a replacing load drops (a hyperlink's data).
    std::u16string folderCopy = folder;
    std::u16string nameCopy = name;
    if (replace)
    {
        onBeforeTemplateLoad(folderCopy.c_str(), nameCopy.c_str());
        pressedSprite = nullptr;
        deleteScenes();
        // Stored models point at the dictionary's textures: both go together.
        if (models)
            models->reset();
        if (textures)
            textures->reset();
        if (sounds)
            sounds->reset();
        templ->clear();
        clearSoundTable(soundTable);
        clearFontTable(fontTable);
    }
    bool loaded = TemplateLoader(*this).load(folderCopy.c_str(), nameCopy.c_str(), replace);
    if (replace)
    {
        typedText.clear();
        lastTypeTime = GetTickCount();
        pressedSprite = nullptr;
    }
    return loaded;
}

void Canvas::applyEffect(Effect* effect, bool mode, bool flag)
{
    if (effect)
        effect->apply(this, mode, flag);
}

// ---- activation and teardown ----

void Canvas::onActivate(bool active)
{
    if (active)
    {
        if (GapiDisplay::isDisplayOpen() || GapiDisplay::isInputOpen())
            GapiDisplay::resume();
        setFocus();
        if (wasRunning)
            start(), wasRunning = false;
        if (sounds)
            sounds->resumeAll();
        return;
    }
    if (GapiDisplay::isDisplayOpen() || GapiDisplay::isInputOpen())
        GapiDisplay::suspend();
    if (running)
        stop(), wasRunning = true;
    if (sounds)
        sounds->pauseAll();
}

void Canvas::setInputPad(InputPad* pad)
{
    if (pad != inputPad)
        delete inputPad;
    inputPad = pad;
}

void Canvas::setPenPad(PenDirectionPad* pad)
{
    if (pad != penPad)
        delete penPad;
    penPad = pad;
}

void Canvas::removeFrameListener(FrameListener* l)
{
    preFrame.erase(std::remove(preFrame.begin(), preFrame.end(), l), preFrame.end());
    postFrame.erase(std::remove(postFrame.begin(), postFrame.end(), l), postFrame.end());
}

void Canvas::afterDestroy()
{
    if (running)
        stop();
    releaseTables();
}

// Everything the canvas owns; safe to run twice.
void Canvas::releaseTables()
{
    pressedSprite = nullptr;
    setInputPad(nullptr);
    setPenPad(nullptr);
    deleteScenes();
    delete models, models = nullptr;
    delete textures, textures = nullptr;
    delete sounds, sounds = nullptr;
    delete templ, templ = nullptr;
    clearSoundTable(soundTable);
    clearFontTable(fontTable);
    preFrame.clear();
    postFrame.clear();
}
