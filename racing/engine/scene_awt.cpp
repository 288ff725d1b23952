// scene_awt.cpp -- the racing build's native-control scene
#include "racing/engine/scene_awt.h"

#include "engine/platform/gdi_draw.h"
#include "engine/platform/window.h"
#include "engine/scene/core/material.h"
#include "racing/engine/canvas.h"

#include <algorithm>
#include <string>

namespace racing {

SceneAWT::SceneAWT() : indexFont(createFont(12, 400, false, false, nullptr)) {}

SceneAWT::~SceneAWT()
{
    removeComponents();
    components.clear();
    deleteFont(indexFont);
}

AWTComponent* SceneAWT::makeComponent(int kind, int id, int px, int py, int w, int h, const WCHAR* text)
{
    return new AWTComponent(kind, id, px, py, w, h, text, kEditEdge);
}

void SceneAWT::place(AWTComponent& c)
{
    if (!canvas || !c.control || c.control->getHandle())
        return;
    if (!canvas->addChild(c.control, c.x, c.y, c.width, c.height))
        return;
    placed.push_back(&c);
    if (c.font)
        c.control->setFont(c.font);
    if (!c.visible)
        ShowWindow(c.control->getHandle(), SW_HIDE);
}

void SceneAWT::attach(::Window* canvasWindow)
{
    canvas = canvasWindow;
    for (const auto& c : components)
        place(*c);
}

void SceneAWT::addComponent(const WCHAR* componentName, AWTComponent* component, const WCHAR* indexText)
{
    if (!component)
        return;
    component->setName(componentName);
    if (indexText)
    {
        int i = 0;
        for (; i < 4 && indexText[i]; ++i)
            component->indexLabel[i] = indexText[i];
        component->indexLabel[i] = 0;
    }
    components.emplace_back(component);
    place(*component);
}

void SceneAWT::removeComponents()
{
    // The racing canvas hears of each control taken off it.
    auto* owner = dynamic_cast<Canvas*>(canvas);
    for (auto it = placed.rbegin(); it != placed.rend(); ++it)
    {
        if (canvas && (*it)->control)
            canvas->removeChild((*it)->control);
        if (owner)
            owner->onComponentRemoved(*it);
    }
    placed.clear();
}

AWTComponent* SceneAWT::findChild(const WCHAR* componentName) const
{
    for (const auto& c : components)
        if (sameName(c->name, componentName))
            return c.get();
    return nullptr;
}

void SceneAWT::setIndexTextSize(int size)
{
    deleteFont(indexFont);
    indexFont = createFont(size, 400, true, true, nullptr);
}

void SceneAWT::render(HDC dc, bool showIndex, float screenScale)
{
    if (!showIndex || !dc)
        return;
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, indexFont);
    const COLORREF oldColour = GetTextColor(dc);
    for (const auto& c : components)
    {
        if (!c->indexLabel[0])
            continue;
        const int lx = c->x - int(8.0f * screenScale) + indexOffsetX, ly = c->y + indexOffsetY;
        SetTextColor(dc, RGB(0, 0, 0));
        drawText(dc, lx + 1, ly + 1, c->indexLabel);
        SetTextColor(dc, colorRef(indexColor));
        drawText(dc, lx, ly, c->indexLabel);
    }
    SetTextColor(dc, oldColour);
    SelectObject(dc, oldFont);
    SetBkMode(dc, oldMode);
}

} // namespace racing
