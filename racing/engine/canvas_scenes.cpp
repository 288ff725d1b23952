// canvas_scenes.cpp -- the scenes of a racing canvas and the pen on sprites
#include "racing/engine/canvas.h"

#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"
#include "engine/scene/core/fixed_point.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"
#include "racing/engine/base_library.h"
#include "racing/engine/render_target.h"
#include "racing/engine/scene2d.h"
#include "racing/engine/scene3d.h"
#include "racing/engine/scene_awt.h"
#include "racing/engine/sprite.h"
#include "racing/engine/template_loader.h"
#include "engine/scene/2d/group2d.h"
#include "engine/scene/3d/group3d.h"

#include <algorithm>
#include <string_view>

namespace racing {

namespace {

enum SceneType
{
    kSpriteScene = 0,
    kScene2D = 1,
    kScene3D = 2,
    kControlScene = 3,
};

Image* imageOf(Texture* texture)
{
    return texture ? texture->image : nullptr;
}

// A target over the window image at the zoomed size, shared at the origin.
template <class SceneKind>
RenderTarget* targetFor(const SceneKind& scene, Image* window, float zoom)
{
    return new RenderTarget(window, zoomedSide(scene.width, zoom), zoomedSide(scene.height, zoom), scene.bkgColor,
                            imageOf(scene.bkgTexture), scene.x == 0 && scene.y == 0);
}

} // namespace

void Canvas::addScene(const WCHAR* sceneName, Scene3D* scene)
{
    if (!scene)
        return;
    copyName(scene->name, sceneName);
    scene->renderer.setTarget(targetFor(*scene, getBackBuffer() ? getBackBuffer()->getImage() : nullptr, zoom));
    scenes.push_back({kScene3D, scene});
}

// Sprite and 2D scenes hold their render target themselves.
template <class SceneKind>
void Canvas::addTargetScene(const WCHAR* sceneName, SceneKind* scene, int type)
{
    if (!scene)
        return;
    copyName(scene->name, sceneName);
    scene->setTarget(targetFor(*scene, getBackBuffer() ? getBackBuffer()->getImage() : nullptr, zoom));
    scenes.push_back({type, scene});
}

void Canvas::addScene(const WCHAR* sceneName, Scene2D* scene)
{
    addTargetScene(sceneName, scene, kScene2D);
}

void Canvas::addScene(const WCHAR* sceneName, SceneSprite* scene)
{
    addTargetScene(sceneName, scene, kSpriteScene);
}

void Canvas::addScene(const WCHAR* sceneName, SceneAWT* scene)
{
    if (!scene)
        return;
    copyName(scene->name, sceneName);
    scene->attach(this);
    scenes.push_back({kControlScene, scene});
}

HDC Canvas::rebuildBackBuffer()
{
    HDC dc = Window::rebuildBackBuffer();
    Image* window = getBackBuffer() ? getBackBuffer()->getImage() : nullptr;
    for (const SceneEntry& e : scenes)
    {
        RenderTarget* target = e.type == kScene3D      ? static_cast<Scene3D*>(e.scene)->renderer.getTarget()
                               : e.type == kSpriteScene ? static_cast<SceneSprite*>(e.scene)->getTarget()
                               : e.type == kScene2D     ? static_cast<Scene2D*>(e.scene)->getTarget()
                                                        : nullptr;
        if (target)
            target->setWindowImage(window);
    }
    return dc;
}

int Canvas::scaleToScreen(int n) const
{
    return screenScale == 1.0f ? n : saturatingInt(double(n) * screenScale + 0.5);
}

bool Canvas::setZoom(float z)
{
    if (!(z > 0.0f && z <= 1.0f) || z == zoom)
        return false;
    zoom = z;
    const bool wasRunning = running;
    stop();
    for (const SceneEntry& e : scenes)
    {
        if (e.type == kScene3D)
        {
            auto* scene = static_cast<Scene3D*>(e.scene);
            const int w = zoomedSide(scene->width, z), h = zoomedSide(scene->height, z);
            if (RenderTarget* target = scene->renderer.getTarget())
                target->resize(w, h);
            scene->camera.setViewport(w, h);
        }
        else if (e.type == kSpriteScene)
        {
            auto* scene = static_cast<SceneSprite*>(e.scene);
            if (RenderTarget* target = scene->getTarget())
                target->resize(zoomedSide(scene->width, z), zoomedSide(scene->height, z));
        }
        else if (e.type == kScene2D)
        {
            auto* scene = static_cast<Scene2D*>(e.scene);
            if (RenderTarget* target = scene->getTarget())
                target->resize(zoomedSide(scene->width, z), zoomedSide(scene->height, z));
        }
    }
    if (wasRunning)
        start();
    else
        repaint(true, nullptr);
    return true;
}

void Canvas::removeAllScenes()
{
    pressedSprite = nullptr;
    shownTip = nullptr;
    for (const SceneEntry& e : scenes)
    {
        if (e.type == kScene3D)
            delete static_cast<Scene3D*>(e.scene);
        else if (e.type == kSpriteScene)
            delete static_cast<SceneSprite*>(e.scene);
        else if (e.type == kScene2D)
            delete static_cast<Scene2D*>(e.scene);
        else
            delete static_cast<SceneAWT*>(e.scene);
    }
    scenes.clear();
}

void Canvas::drawScenes()
{
    for (const SceneEntry& e : scenes)
    {
        if (e.type == kScene3D)
        {
            auto* scene = static_cast<Scene3D*>(e.scene);
            if (scene->visible)
                scene->render(dt);
        }
        else if (e.type == kSpriteScene)
        {
            auto* scene = static_cast<SceneSprite*>(e.scene);
            if (scene->visible)
                scene->render(showIndex || indexKeys);
        }
        else if (e.type == kScene2D)
        {
            auto* scene = static_cast<Scene2D*>(e.scene);
            if (scene->visible)
                scene->render(dt);
        }
        else
        {
            auto* scene = static_cast<SceneAWT*>(e.scene);
            if (scene->visible)
                scene->render(backBufferDC(), showIndex || indexKeys, screenScale);
        }
    }
}

Sprite* Canvas::hitTestSprites(UINT message, int x, int y)
{
    if (message != WM_LBUTTONDOWN)
        return pressedSprite;
    pressedSprite = nullptr;
    for (const SceneEntry& e : scenes)
    {
        if (e.type != kSpriteScene)
            continue;
        auto* scene = static_cast<SceneSprite*>(e.scene);
        if (scene->visible)
            pressedSprite = scene->hitTest(x - scene->x, y - scene->y);
    }
    return pressedSprite;
}

HCURSOR Canvas::handCursor = nullptr;
HCURSOR Canvas::arrowCursor = nullptr;

void Canvas::onMouse(UINT message, WPARAM, int x, int y, int phase)
{
    if (message == WM_MOUSEMOVE && phase == 0 && handCursor)
    {
        // The press's hit test, leaving the pressed sprite as it was.
        Sprite* pressed = pressedSprite;
        Sprite* under = hitTestSprites(WM_LBUTTONDOWN, x, y);
        pressedSprite = pressed;
        SetCursor(under && under->guiType != 0 ? handCursor : arrowCursor);
        return;
    }
    if (message != WM_LBUTTONDOWN && message != WM_LBUTTONUP)
        return;
    if (phase == 0)
    {
        hitTestSprites(message, x, y);
        return;
    }
    Sprite* sprite = pressedSprite;
    if (!sprite || sprite->guiType == 0)
        return;
    const bool down = message == WM_LBUTTONDOWN;
    if (sprite->guiType == 1)
    {
        sprite->setState(down ? 1 : 0);
    }
    else if (sprite->guiType == 3)
    {
        if (down)
            sprite->setState(1);
        else if (sprite->link[0])
        {
            // The load may delete the sprite: its link is copied first.
            const std::u16string link = sprite->link;
            const std::u16string folder = templateFolder;
            loadTemplate(folder.c_str(), link.c_str(), true);
            stop();
        }
    }
    else if (sprite->guiType == 2)
    {
        if (down)
            pressCheckBox(*sprite);
    }
    else if (sprite->guiType == 4)
    {
        if (down && sprite->link[0])
        {
            sprite->setState(1);
            showTip(findComponent(sprite->link));
            trackMouseMoves = false;
            return;
        }
        if (!down)
        {
            sprite->setState(0);
            trackMouseMoves = true;
            if (shownTip)
                shownTip->visible = 0;
            shownTip = nullptr;
        }
    }
    invalidate(true, nullptr);
}

// The tip is drawn at once over its place and stays up while the pen holds
// its link (a running page draws it in every frame until the release).
void Canvas::showTip(Sprite* tip)
{
    if (shownTip && shownTip != tip)
        shownTip->visible = 0;
    shownTip = nullptr;
    if (!tip)
        return;
    SceneSprite* scene = nullptr;
    for (const SceneEntry& e : scenes)
        if (e.type == kSpriteScene && !scene)
            for (const auto& child : static_cast<SceneSprite*>(e.scene)->children)
                if (child.get() == tip)
                    scene = static_cast<SceneSprite*>(e.scene);
    const bool wasVisible = tip->visible != 0;
    tip->visible = 1;
    if (!wasVisible)
        shownTip = tip;
    const int left = (scene ? scene->x : 0) + tip->x, top = (scene ? scene->y : 0) + tip->y;
    const RECT place{left - 1, top - 1, left + tip->width + 1, top + tip->height + 1};
    repaint(false, &place);
}

void Canvas::pressCheckBox(Sprite& box)
{
    Properties& templ = templateLoader->getTemplate();
    if (box.group[0])
    {
        int position = 0, pressedAt = -1;
        for (const SceneEntry& e : scenes)
        {
            if (e.type != kSpriteScene)
                continue;
            for (const auto& child : static_cast<SceneSprite*>(e.scene)->children)
            {
                if (child->guiType != 2 || std::u16string_view(child->group) != std::u16string_view(box.group))
                    continue;
                if (child.get() == &box)
                    pressedAt = position;
                ++position;
                if (child.get() != &box)
                {
                    child->setState(0);
                    if (child->persistent)
                        saveSpriteStatus(*child);
                }
            }
        }
        if (templ.get(box.group))
        {
            const std::string digits = std::to_string(std::max(pressedAt, 0));
            templ.setField(box.group, u"selected", std::u16string(digits.begin(), digits.end()).c_str());
        }
        else
            MessageBoxW(nullptr,
                        u"The property \"grpName=GUIType:checkboxGroup, selected:0\" need to be added into template.",
                        u"Error", MB_ICONSTOP);
        box.setState(1);
    }
    else
        box.setState(box.getState() == 1 ? 0 : 1);
    if (box.persistent)
    {
        saveSpriteStatus(box);
        saveTemplate();
    }
}

void Canvas::saveSpriteStatus(const Sprite& sprite)
{
    Properties& templ = templateLoader->getTemplate();
    if (!templ.get(sprite.name))
        return;
    const std::string digits = std::to_string(sprite.getState());
    templ.setField(sprite.name, u"status", std::u16string(digits.begin(), digits.end()).c_str());
}

Properties& Canvas::getTemplate()
{
    return templateLoader->getTemplate();
}

bool Canvas::saveTemplate()
{
    return templateLoader->getTemplate().save();
}

int Canvas::getSelectedValue(const WCHAR* key)
{
    if (!key || !templateLoader->getTemplate().get(key))
        return 0;
    return templateLoader->getTemplate().getFieldInt(key, u"selected", 0);
}

void Canvas::afterTemplateLoad()
{
    typedIndex.clear();
    lastTypeTime = GetTickCount();
    pressedSprite = nullptr;
}

void Canvas::buildScenes3D(bool computeBounds)
{
    for (const SceneEntry& e : scenes)
        if (e.type == kScene3D)
            static_cast<Scene3D*>(e.scene)->initView(zoom, loadListener, computeBounds);
}

WaveSound* Canvas::findSound(const WCHAR* key) const
{
    return templateLoader->findSound(key);
}

void Canvas::applyEffect(FadeEffect& effect, bool fadeIn, bool redraw)
{
    effect.apply(this, fadeIn, redraw);
}

void Canvas::loadTemplate(const WCHAR* folder, const WCHAR* name, bool replace)
{
    templateLoader->load(folder, name, replace);
}

namespace {

bool named(const WCHAR* have, const WCHAR* wanted)
{
    return wanted && std::u16string_view(have) == std::u16string_view(wanted);
}

// The first scene of a kind by name, and the first child by name in the
// scenes of a kind, in list order.
template <class SceneKind, class Entries>
SceneKind* sceneNamed(const Entries& scenes, int type, const WCHAR* sceneName)
{
    for (const auto& e : scenes)
        if (e.type == type && named(static_cast<SceneKind*>(e.scene)->name, sceneName))
            return static_cast<SceneKind*>(e.scene);
    return nullptr;
}

template <class SceneKind, class Entries>
auto childNamed(const Entries& scenes, int type, const WCHAR* childName)
    -> decltype(static_cast<SceneKind*>(nullptr)->findChild(childName))
{
    for (const auto& e : scenes)
        if (e.type == type && childName)
            if (auto* child = static_cast<SceneKind*>(e.scene)->findChild(childName))
                return child;
    return nullptr;
}

} // namespace

Scene3D* Canvas::findScene3D(const WCHAR* sceneName) const
{
    return sceneNamed<Scene3D>(scenes, kScene3D, sceneName);
}

Scene2D* Canvas::findScene2D(const WCHAR* sceneName) const
{
    return sceneNamed<Scene2D>(scenes, kScene2D, sceneName);
}

SceneSprite* Canvas::findSpriteScene(const WCHAR* sceneName) const
{
    return sceneNamed<SceneSprite>(scenes, kSpriteScene, sceneName);
}

SceneAWT* Canvas::findControlScene(const WCHAR* sceneName) const
{
    return sceneNamed<SceneAWT>(scenes, kControlScene, sceneName);
}

Group2D* Canvas::findGroup2D(const WCHAR* groupName) const
{
    return childNamed<Scene2D>(scenes, kScene2D, groupName);
}

Group3D* Canvas::findGroup3D(const WCHAR* groupName) const
{
    return childNamed<Scene3D>(scenes, kScene3D, groupName);
}

Sprite* Canvas::findComponent(const WCHAR* spriteName) const
{
    return childNamed<SceneSprite>(scenes, kSpriteScene, spriteName);
}

} // namespace racing
