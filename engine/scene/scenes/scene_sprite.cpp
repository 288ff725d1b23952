// scene_sprite.cpp -- sprite scenes: labels and the pen hit test
#include "engine/scene/scenes/scene.h"

#include "engine/platform/gdi_draw.h"
#include "engine/scene/2d/sprite.h"
#include "engine/scene/scenes/sprite_renderer.h"

SceneSprite::SceneSprite(int px, int py, int w, int h, uint32_t background, Texture* texture)
    : Scene(SpriteScene, px, py, w, h, background, texture)
{
    renderer = new SpriteRenderer(this);
    labelFont = createFont(scaleToScreen(12), 400, false, false, nullptr);
}

SceneSprite::~SceneSprite()
{
    if (labelFont)
        DeleteObject(labelFont);
}

void SceneSprite::setLabelOffset(int dx, int dy)
{
    labelOffsetX = dx;
    labelOffsetY = dy;
}

void SceneSprite::setLabelSize(int size)
{
    if (size < 0)
        return;
    labelSizeChosen = true;
    if (labelFont)
        DeleteObject(labelFont);
    labelFont = createFont(size, 400, false, false, nullptr);
}

void SceneSprite::setScreenScale(float scale)
{
    Scene::setScreenScale(scale);
    if (labelSizeChosen)
        return;
    if (labelFont)
        DeleteObject(labelFont);
    labelFont = createFont(scaleToScreen(12), 400, false, false, nullptr);
}

void SceneSprite::addSprite(const WCHAR* spriteName, Sprite* sprite, const WCHAR* label)
{
    if (label)
        setIndexLabel(sprite->indexLabel, label);
    addChild(spriteName, sprite);
}

Sprite* SceneSprite::hitTest(int px, int py) const
{
    for (int i = children.size() - 1; i >= 0; --i)
    {
        auto* s = static_cast<Sprite*>(child(i));
        if (!s->visible || s->guiType == Sprite::Picture)
            continue;
        if (s->x <= px && px <= s->x + s->width && s->y <= py && py <= s->y + s->height)
            return s;
    }
    return nullptr;
}
