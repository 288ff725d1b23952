// sprite.cpp -- sprite text, images, clones and painting
#include "engine/scene/2d/sprite.h"

#include "engine/base/wstring_utils.h"
#include "engine/platform/gdi_draw.h"
#include "engine/platform/image.h"
#include "engine/scene/2d/bitmap_font.h"
#include "engine/scene/core/texture.h"

#include <os/wstring.h>

#include <algorithm>

Sprite::Sprite(int px, int py, int w, int h) : SceneObject(SpriteObject)
{
    x = px;
    y = py;
    width = w;
    height = h;
    clipW = w;
    clipH = h;
    text = new WCHAR[textCapacity]();
}

Sprite::~Sprite()
{
    delete[] text;
    delete[] fontFace;
    delete[] guiData;
    if (ownFont)
        DeleteObject(ownFont);
}

void Sprite::setPosition(int px, int py)
{
    x = px;
    y = py;
}

void Sprite::setText(const WCHAR* newText, bool forceRealloc)
{
    if (!newText)
        return;
    int needed = int(wcslen(newText)) + 1;
    if (forceRealloc || needed > textCapacity)
    {
        delete[] text;
        textCapacity = needed;
        text = new WCHAR[textCapacity];
    }
    wcscpy(text, newText);
    replaceSameLength(text, u"\\n", u"\n\r");
    replaceSameLength(text, u"^c", u": ");
}

void Sprite::setFontFace(const WCHAR* face)
{
    if (!face)
        return;
    delete[] fontFace;
    fontFace = copyText(face);
}

void Sprite::setGuiData(const WCHAR* data)
{
    delete[] guiData;
    guiData = copyText(data);
}

void Sprite::setImages(Texture* picture, Texture* bright, Texture* mask, int cx, int cy, int cw, int ch)
{
    image = picture;
    brightImage = bright;
    maskImage = mask;
    Texture* reference = picture ? picture : bright ? bright : mask;
    if (!reference)
        return;
    const Image* shown = reference->getCurrentImage();
    if (width < 0 || height < 0)
    {
        width = shown->width;
        height = shown->height;
    }
    if (cx >= 0 && cy >= 0 && cw >= 0 && ch >= 0)
        clipX = cx, clipY = cy, clipW = cw, clipH = ch;
    else
        clipX = 0, clipY = 0, clipW = shown->width, clipH = shown->height;
}

Sprite* Sprite::clone() const
{
    auto* copy = new Sprite(x, y, width, height);
    copy->copyFieldsFrom(*this);
    copy->setName(name);
    copy->cloneFlag = 1;
    std::copy(indexLabel, indexLabel + 5, copy->indexLabel);
    copy->image = image, copy->brightImage = brightImage, copy->maskImage = maskImage;
    copy->clipX = clipX, copy->clipY = clipY, copy->clipW = clipW, copy->clipH = clipH;
    copy->color = color, copy->brightColor = brightColor, copy->frameColor = frameColor;
    copy->textSize = textSize, copy->textWeight = textWeight, copy->textColor = textColor;
    copy->textAlignment = textAlignment, copy->textItalic = textItalic, copy->textUnderline = textUnderline;
    copy->textOffsetX = textOffsetX, copy->textOffsetY = textOffsetY, copy->textFormatted = textFormatted;
    copy->guiType = guiType;
    copy->bitmapFontNormal = bitmapFontNormal, copy->bitmapFontBright = bitmapFontBright;
    // A clone of a GUI sprite needs its settings as much as the original.
    copy->setGuiData(guiData);
    copy->setFontFace(fontFace);
    copy->setText(text, true);
    return copy;
}

void Sprite::paint(Image& surface, int px, int py, float zoom, float dt, int frame)
{
    int tx = px + textOffsetX, ty = py + textOffsetY;
    int w = width, h = height;
    if (zoom != 1.0f)
    {
        px = int(float(px) * zoom), py = int(float(py) * zoom);
        w = int(float(w) * zoom), h = int(float(h) * zoom);
    }
    paintPicture(surface, px, py, w, h, dt, frame);
    if (frameColor != kNoColor)
        surface.drawRect(frameColor, px - 1, py - 1, w + 2, h + 2, false);
    if (text && text[0])
        paintText(surface, tx, ty, w, h, zoom);
}

void Sprite::paintPicture(Image& surface, int px, int py, int w, int h, float dt, int frame)
{
    Texture* picture = status != 0 ? brightImage : image;
    if (!picture && !maskImage)
    {
        uint32_t box = status == 0 ? color : status == 1 ? brightColor : kNoColor;
        if (box != kNoColor)
            surface.drawRect(box, px, py, w, h, true);
        return;
    }
    if (picture)
        picture->advanceOnce(dt, frame);
    if (maskImage)
        maskImage->advanceOnce(dt, frame);
    bool sameSize = w == clipW && h == clipH;
    const Image* shown = picture ? picture->getCurrentImage() : nullptr;
    if (shown && shown->hasColorKey)
    {
        if (sameSize)
            surface.drawImage(*shown, px, py, clipX, clipY, clipW, clipH, shown->colorKey);
        else
            surface.drawScaled(*shown, px, py, w, h, clipX, clipY, clipW, clipH, shown->colorKey);
        return;
    }
    if (maskImage)
    {
        maskImage->getCurrentImage()->stretchBltTo(surface.dc, px, py, w, h, SRCAND, clipX, clipY, clipW, clipH);
        if (shown)
            shown->stretchBltTo(surface.dc, px, py, w, h, SRCINVERT, clipX, clipY, clipW, clipH);
        return;
    }
    if (sameSize)
        surface.drawImage(*shown, px, py, clipX, clipY, clipW, clipH);
    else
        surface.drawScaled(*shown, px, py, w, h, clipX, clipY, clipW, clipH);
}

void Sprite::selectTextFont(HDC dc, int size)
{
    if (isFontSelected(dc, size, textWeight, textItalic, textUnderline, fontFace, nullptr))
        return;
    HFONT made = createFont(size, textWeight, textItalic, textUnderline, fontFace);
    SelectObject(dc, made);
    if (ownFont && ownFont != made)
        DeleteObject(ownFont);
    ownFont = made;
}

void Sprite::paintText(Image& surface, int tx, int ty, int w, int h, float zoom)
{
    int size = textSize != 0 ? textSize : 16;
    if (zoom != 1.0f)
    {
        tx = int(float(tx) * zoom), ty = int(float(ty) * zoom);
        size = int(float(size) * zoom);
    }
    RECT rect{tx + 1, ty, tx + w - 2, ty + h};
    BitmapFont* font = status == 0 ? bitmapFontNormal : status == 1 ? bitmapFontBright : nullptr;
    if (font)
    {
        if (textFormatted == 0)
            font->drawString(surface, tx + 1, ty, text, 0);
        else
            font->drawStringInRect(surface, rect, text, 0, textAlignment);
        return;
    }
    if (!surface.dc)
        return;
    SetTextColor(surface.dc, RGB(textColor >> 16 & 255, textColor >> 8 & 255, textColor & 255));
    selectTextFont(surface.dc, size);
    if (textFormatted == 0)
        drawText(surface.dc, tx + 1, ty, text);
    else
        drawTextInRect(surface.dc, rect, text, UINT(textAlignment) | DT_WORDBREAK);
}
