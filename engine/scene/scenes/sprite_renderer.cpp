// sprite_renderer.cpp -- sprites first to last, then their index labels
#include "engine/scene/scenes/sprite_renderer.h"

#include "engine/platform/gdi_draw.h"
#include "engine/platform/image.h"
#include "engine/scene/scenes/scene.h"
#include "engine/scene/2d/sprite.h"

#include <os/wstring.h>

SpriteRenderer::SpriteRenderer(SceneSprite* owner) : Renderer(owner) {}

void SpriteRenderer::render(float dt)
{
    if (dt > 0.0f)
        ++frameCounter;
    scene->drawBackground();
    Image* surface = scene->getSurface();
    if (!surface || !target)
        return;
    float zoom = target->zoom;
    for (int i = 0; i < scene->children.size(); ++i)
    {
        auto* sprite = static_cast<Sprite*>(scene->child(i));
        if (sprite->visible)
            sprite->paint(*surface, sprite->x + scene->x, sprite->y + scene->y, zoom, dt, frameCounter);
    }
    if (scene->showIndexLabels)
        drawLabels(zoom);
}

void SpriteRenderer::drawLabels(float zoom)
{
    auto* sprites = static_cast<SceneSprite*>(scene);
    HDC dc = scene->getSurface()->dc;
    if (!dc)
        return;
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = GetTextColor(dc);
    HGDIOBJ oldFont = SelectObject(dc, sprites->labelFont);
    uint32_t c = sprites->labelColor;
    for (int i = 0; i < scene->children.size(); ++i)
    {
        auto* sprite = static_cast<Sprite*>(scene->child(i));
        int n = int(wcslen(sprite->indexLabel));
        if (!sprite->visible || n == 0)
            continue;
        int lx = sprites->labelOffsetX - 6 * n + sprite->x + scene->x + 4;
        int ly = sprite->y + sprites->labelOffsetY + scene->y;
        if (zoom != 1.0f)
            lx = int(float(lx) * zoom), ly = int(float(ly) * zoom);
        SetTextColor(dc, RGB(0, 0, 0));
        drawText(dc, lx + 1, ly + 1, sprite->indexLabel);
        SetTextColor(dc, RGB(c >> 16 & 255, c >> 8 & 255, c & 255));
        drawText(dc, lx, ly, sprite->indexLabel);
    }
    SelectObject(dc, oldFont);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}
