// scene.cpp -- scene children, background and private back buffer
#include "engine/scene/scenes/scene.h"

#include "engine/platform/image.h"
#include "engine/scene/core/material.h"
#include "engine/scene/scenes/renderer2d.h"
#include "engine/scene/core/texture.h"

#include <os/wstring.h>

Scene::Scene(int type, int px, int py, int w, int h, uint32_t background, Texture* texture)
    : sceneType(type), x(px), y(py), width(w), height(h), bkgColor(background), bkgTexture(texture)
{
}

Scene::~Scene()
{
    delete renderer;
    delete backBuffer;
    for (int i = 0; i < children.size(); ++i)
        delete child(i);
}

void Scene::render(float dt)
{
    if (renderer)
        renderer->render(dt);
}

void Scene::drawBackground()
{
    if (!renderer || !renderer->target)
        return;
    Image* surface = getSurface();
    const DisplayTarget& t = *renderer->target;
    if (!surface)
        return;
    if (bkgTexture)
    {
        const Image* picture = bkgTexture->getCurrentImage();
        uint32_t key = picture->hasColorKey ? picture->colorKey : kNoColor;
        if (picture->width == t.width && picture->height == t.height)
            surface->drawImage(*picture, t.x, t.y, -1, -1, -1, -1, key);
        else
            surface->drawScaled(*picture, t.x, t.y, t.width, t.height, -1, -1, -1, -1, key);
    }
    else if (bkgColor != kNoColor)
        surface->drawRect(bkgColor, t.x, t.y, t.width, t.height, true);
}

Image* Scene::getSurface()
{
    Image* target = getTargetSurface();
    if (!target)
        return nullptr;
    if (!buffered)
    {
        delete backBuffer;
        backBuffer = nullptr;
        return target;
    }
    if (!backBuffer)
    {
        backBuffer = new Image(1, 1, false);
        backBuffer->create(target->width, target->height, target->bits);
        if (backBuffer->dc)
            SetBkMode(backBuffer->dc, TRANSPARENT);
    }
    return backBuffer;
}

void Scene::renderToBackBuffer(bool clear)
{
    if (!buffered || !visible || !getTargetSurface())
        return;
    Image* surface = getSurface();
    if (clear && !bkgTexture && bkgColor == kNoColor)
    {
        const DisplayTarget& t = *renderer->target;
        surface->drawRect(transparentColor, t.x, t.y, t.width, t.height, true);
    }
    render(0.0f);
}

Image* Scene::getTargetSurface() const
{
    return renderer && renderer->target ? renderer->target->surface : nullptr;
}

void Scene::addChild(const WCHAR* childName, SceneObject* object)
{
    object->setName(childName);
    children.add(object);
}

SceneObject* Scene::findChild(const WCHAR* childName) const
{
    for (int i = 0; i < children.size(); ++i)
        if (sameName(child(i)->name, childName))
            return child(i);
    return nullptr;
}

void Scene::setName(const WCHAR* text)
{
    copyName(name, text);
}

void setIndexLabel(WCHAR* label, const WCHAR* text)
{
    int n = 0;
    if (text)
        for (; n < 4 && text[n]; ++n)
            label[n] = text[n];
    label[n] = 0;
}

Scene2D::Scene2D(int px, int py, int w, int h, uint32_t background, Texture* texture)
    : Scene(Scene2DType, px, py, w, h, background, texture)
{
    renderer = new Renderer2D(this);
}

void Scene2D::initRasterizer()
{
    static_cast<Renderer2D*>(renderer)->initRasterizer();
}
