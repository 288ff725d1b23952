// sprite.cpp -- racing sprites drawn with GDI, sprite scenes and their renderer
#include "racing/engine/sprite.h"

#include "engine/platform/gdi_draw.h"
#include "engine/platform/image.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"
#include "racing/engine/render_target.h"

#include <os/windows.h>

#include <algorithm>
#include <iterator>

namespace racing {

namespace {

constexpr DWORD kSrcAnd = 0x8800C6, kSrcInvert = 0x660046;

// Places and sides of sprites come from templates and may lie anywhere in
// the integers; what is drawn is held well inside them, so that no sum of a
// place and a side wraps round.
constexpr int64_t kFar = int64_t(1) << 24;

int held(int64_t v)
{
    return int(std::clamp(v, -kFar, kFar));
}

const Image* imageOf(const Texture* t)
{
    return t && t->image && !t->image->isEmpty() ? t->image : nullptr;
}

void replaceAll(std::u16string& s, const std::u16string& from, const std::u16string& to)
{
    for (size_t at = s.find(from); at != std::u16string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
}

} // namespace

Sprite::Sprite(int px, int py, int w, int h) : SceneObject(SpriteObject)
{
    x = px;
    y = py;
    width = w;
    height = h;
    clip[2] = w;
    clip[3] = h;
}

void Sprite::setText(const WCHAR* newText)
{
    text = newText ? newText : u"";
    replaceAll(text, u"\\n", u"\n\r");
    replaceAll(text, u"^c", u": ");
}

bool Sprite::setImages(Texture* normal, Texture* bright, Texture* dark, Texture* maskImage, int clipX, int clipY,
                       int clipW, int clipH)
{
    if (!normal && !bright && !dark)
    {
        MessageBoxW(nullptr, u"At leat one of Texture, BrightTexture, DarkTexture need to be assigned.", u"Error", 16);
        return false;
    }
    faces[0] = normal;
    faces[1] = bright;
    faces[2] = dark;
    mask = maskImage;
    const Texture* first = normal ? normal : (bright ? bright : dark);
    const int w = first->image ? first->image->width : first->width;
    const int h = first->image ? first->image->height : first->height;
    if (width < 0 || height < 0)
    {
        width = w;
        height = h;
    }
    if (clipX >= 0 && clipY >= 0 && clipW >= 0 && clipH >= 0)
    {
        clip[0] = clipX;
        clip[1] = clipY;
        clip[2] = clipW;
        clip[3] = clipH;
    }
    else
    {
        clip[0] = clip[1] = 0;
        clip[2] = w;
        clip[3] = h;
    }
    return true;
}

void Sprite::setState(int s)
{
    if (s >= 0 && s <= 2)
        state = s;
}

Sprite* Sprite::clone() const
{
    auto* copy = new Sprite(x, y, width, height);
    copy->visible = visible;
    copy->setName(name);
    for (int i = 0; i < 3; ++i)
        copy->faces[i] = faces[i];
    copy->mask = mask;
    for (int i = 0; i < 4; ++i)
        copy->clip[i] = clip[i];
    copy->cloneFlag = 1;
    return copy;
}

Sprite* Sprite::cloneWithLooks() const
{
    Sprite* copy = clone();
    copy->guiType = guiType;
    std::copy(std::begin(link), std::end(link), copy->link);
    std::copy(std::begin(group), std::end(group), copy->group);
    copy->persistent = persistent;
    copy->fillColor = fillColor;
    copy->frameColor = frameColor;
    copy->textSize = textSize;
    copy->textWeight = textWeight;
    copy->textAlignment = textAlignment;
    copy->textColor = textColor;
    copy->italic = italic;
    copy->underline = underline;
    copy->state = state;
    copy->text = text;
    copy->fontFace = fontFace;
    return copy;
}

void Sprite::draw(HDC dc, int x0, int y0) const
{
    const int atX = held(x0), atY = held(y0), w = held(width), h = held(height);
    const Image* face = imageOf(faces[state]);
    const Image* cut = imageOf(mask);
    if (!face && !cut)
    {
        if (fillColor != 0xFFFFFFFFu)
        {
            HBRUSH brush = CreateSolidBrush(colorRef(fillColor));
            const RECT r{atX, atY, atX + w, atY + h};
            FillRect(dc, &r, brush);
            DeleteObject(brush);
        }
    }
    else
    {
        if (cut)
            cut->stretchBltTo(dc, atX, atY, w, h, kSrcAnd, clip[0], clip[1], clip[2], clip[3]);
        if (face)
            face->stretchBltTo(dc, atX, atY, w, h, cut ? kSrcInvert : SRCCOPY, clip[0], clip[1], clip[2], clip[3]);
    }
    if (frameColor != 0xFFFFFFFFu)
    {
        HPEN pen = CreatePen(PS_SOLID, 1, colorRef(frameColor));
        HGDIOBJ oldPen = SelectObject(dc, pen);
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, atX - 1, atY - 1, atX + w + 1, atY + h + 1);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        DeleteObject(pen);
    }
    if (text.empty())
        return;
    RECT r{atX + 1, atY, atX + w - 2, atY + h};
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, colorRef(textColor));
    HFONT font = nullptr;
    HGDIOBJ oldFont = nullptr;
    if (textSize != 0 || !fontFace.empty())
    {
        font = createFont(textSize ? textSize : 16, textWeight, italic != 0, underline != 0,
                          fontFace.empty() ? nullptr : fontFace.c_str());
        oldFont = SelectObject(dc, font);
    }
    static constexpr UINT kAlign[3] = {DT_LEFT, DT_CENTER, DT_RIGHT};
    const UINT align = textAlignment >= 0 && textAlignment <= 2 ? kAlign[textAlignment] : DT_LEFT;
    DrawTextW(dc, text.c_str(), -1, &r, align | DT_WORDBREAK);
    if (font)
    {
        SelectObject(dc, oldFont);
        deleteFont(font);
    }
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

SceneSprite::SceneSprite(int px, int py, int w, int h, uint32_t colour, Texture* texture)
    : x(px), y(py), width(w), height(h), bkgColor(colour), bkgTexture(texture)
{
}

SceneSprite::~SceneSprite() = default;

void SceneSprite::addSprite(const WCHAR* spriteName, Sprite* sprite, const WCHAR* indexText)
{
    if (!sprite)
        return;
    sprite->setName(spriteName);
    if (indexText)
    {
        int i = 0;
        for (; i < Sprite::kIndexLength && indexText[i]; ++i)
            sprite->index[i] = indexText[i];
        sprite->index[i] = 0;
    }
    children.emplace_back(sprite);
}

Sprite* SceneSprite::findChild(const WCHAR* spriteName) const
{
    for (const auto& s : children)
        if (sameName(s->name, spriteName))
            return s.get();
    return nullptr;
}

Sprite* SceneSprite::hitTest(int px, int py) const
{
    for (auto it = children.rbegin(); it != children.rend(); ++it)
    {
        const Sprite& s = **it;
        if (s.visible && s.x <= px && px <= s.x + s.width && s.y <= py && py <= s.y + s.height)
            return it->get();
    }
    return nullptr;
}

void SceneSprite::setTarget(RenderTarget* t)
{
    target.reset(t);
}

void SceneSprite::render(bool showIndex)
{
    if (!target)
        return;
    target->beginFrame();
    const bool own = bkgColor != 0xFFFFFFFFu;
    Image* into = own ? target->image : target->windowImage;
    if (!into || !into->dc)
        return;
    const int dx = own ? 0 : x, dy = own ? 0 : y;
    HFONT labelFont = showIndex ? createFont(indexTextSize, 400, false, false, nullptr) : nullptr;
    for (const auto& s : children)
    {
        if (!s->visible)
            continue;
        s->draw(into->dc, held(int64_t(s->x) + dx), held(int64_t(s->y) + dy));
        if (!showIndex || !s->index[0])
            continue;
        const int length = int(std::char_traits<char16_t>::length(s->index));
        const int lx = held(int64_t(s->x) + dx - 6 * length + indexOffsetX + 4);
        const int ly = held(int64_t(s->y) + dy + indexOffsetY);
        const int oldMode = SetBkMode(into->dc, TRANSPARENT);
        HGDIOBJ oldFont = SelectObject(into->dc, labelFont);
        const COLORREF oldColour = SetTextColor(into->dc, RGB(0, 0, 0));
        drawText(into->dc, lx + 1, ly + 1, s->index);
        SetTextColor(into->dc, colorRef(indexColor));
        drawText(into->dc, lx, ly, s->index);
        SetTextColor(into->dc, oldColour);
        SelectObject(into->dc, oldFont);
        SetBkMode(into->dc, oldMode);
    }
    deleteFont(labelFont);
    if (own)
        target->present(x, y, width, height);
}

} // namespace racing
