// scene_awt.cpp -- control scenes and their index labels
#include "engine/scene/scenes/scene_awt.h"

#include "engine/platform/gdi_draw.h"
#include "engine/platform/window.h"
#include "engine/scene/2d/awt_component.h"

#include <os/wstring.h>

SceneAWT::SceneAWT() : Scene(ControlScene, 0, 0, 0, 0, kNoColor, nullptr)
{
    renderer = new LabelRenderer(this);
    labelFont = createFont(scaleToScreen(12), 0, false, false, nullptr);
}

SceneAWT::~SceneAWT()
{
    if (hostWindow)
    {
        for (int i = children.size() - 1; i >= 0; --i)
            if (Window* control = component(i)->control; control && control->getHandle())
                hostWindow->removeChild(control);
    }
    if (labelFont)
        DeleteObject(labelFont);
}

AWTComponent* SceneAWT::component(int i) const
{
    return static_cast<AWTComponent*>(child(i));
}

void SceneAWT::setIndexTextSize(int size)
{
    if (size < 0)
        return;
    labelSizeChosen = true;
    if (labelFont)
        DeleteObject(labelFont);
    labelFont = createFont(size, 0, false, false, nullptr);
}

void SceneAWT::setScreenScale(float scale)
{
    Scene::setScreenScale(scale);
    if (labelSizeChosen)
        return;
    if (labelFont)
        DeleteObject(labelFont);
    labelFont = createFont(scaleToScreen(12), 0, false, false, nullptr);
}

void SceneAWT::setIndexTextOffset(int dx, int dy)
{
    labelOffsetX = dx;
    labelOffsetY = dy;
}

namespace {

void attach(Window* host, AWTComponent* c)
{
    if (!c->control || c->control->getHandle())
        return;
    host->addChild(c->control, c->x, c->y, c->width, c->height);
    c->control->setFont(c->font);
}

} // namespace

void SceneAWT::addComponent(const WCHAR* componentName, AWTComponent* c, const WCHAR* indexText)
{
    if (indexText)
        setIndexLabel(c->indexLabel, indexText);
    addChild(componentName, c);
    if (hostWindow)
        attach(hostWindow, c);
}

void SceneAWT::attachControls()
{
    if (!hostWindow)
        return;
    for (int i = 0; i < children.size(); ++i)
        attach(hostWindow, component(i));
}

void LabelRenderer::render(float)
{
    ++frameCounter;
    auto* s = static_cast<SceneAWT*>(scene);
    HDC dc = s->hostWindow ? s->hostWindow->getDrawDC() : nullptr;
    if (!dc || !s->showIndexLabels)
        return;
    uint32_t c = s->labelColor;
    for (int i = 0; i < s->children.size(); ++i)
    {
        AWTComponent* component = s->component(i);
        if (!component->indexLabel[0])
            continue;
        int oldMode = SetBkMode(dc, TRANSPARENT);
        HGDIOBJ oldFont = SelectObject(dc, s->labelFont);
        COLORREF oldColour = GetTextColor(dc);
        WCHAR text[31] = {};
        wcsncpy(text, component->indexLabel, 30);
        int lx = component->x - s->scaleToScreen(8) + s->labelOffsetX, ly = component->y + s->labelOffsetY;
        SetTextColor(dc, RGB(0, 0, 0));
        drawText(dc, lx + 1, ly + 1, text);
        SetTextColor(dc, RGB(c >> 16 & 255, c >> 8 & 255, c & 255));
        drawText(dc, lx, ly, text);
        SetTextColor(dc, oldColour);
        SelectObject(dc, oldFont);
        SetBkMode(dc, oldMode);
    }
}
