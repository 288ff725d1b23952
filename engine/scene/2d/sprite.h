// sprite.h -- one element of a sprite scene: picture, box, frame and text,
// optionally acting as a button, check box, hyperlink, tip link or edit box
#pragma once

#include "engine/scene/core/scene_object.h"

#include <os/windows.h>

#include <cstdint>

class BitmapFont;
class Image;
class Texture;

class Sprite : public SceneObject
{
public:
    static constexpr uint32_t kNoColor = 0xFFFFFFFFu;

    enum GuiType
    {
        Picture = 0,
        Button = 1,
        CheckBox = 2,
        Hyperlink = 3,
        TipLink = 4,
        EditBox = 5,
    };

    WCHAR indexLabel[5] = {};
    Texture* image = nullptr;
    Texture* brightImage = nullptr;
    Texture* maskImage = nullptr;
    int32_t clipX = 0;
    int32_t clipY = 0;
    int32_t clipW = 0;
    int32_t clipH = 0;
    uint32_t color = kNoColor;
    uint32_t brightColor = kNoColor;
    uint32_t frameColor = kNoColor;
    int32_t textSize = 0;
    int32_t textWeight = 400;
    uint32_t textColor = 0;
    int32_t textAlignment = 0;
    uint8_t textItalic = 0;
    uint8_t textUnderline = 0;
    int32_t textOffsetX = 0;
    int32_t textOffsetY = 0;
    int32_t textFormatted = 1;
    int32_t guiType = Picture;
    BitmapFont* bitmapFontNormal = nullptr;
    BitmapFont* bitmapFontBright = nullptr;
    WCHAR* guiData = nullptr;
    int32_t textCapacity = 5;
    WCHAR* text = nullptr;
    WCHAR* fontFace = nullptr;
    // The GDI font this sprite last made for its text (owned; replaced when
    // the text attributes change).
    HFONT ownFont = nullptr;

    Sprite(int x, int y, int width, int height);
    ~Sprite() override;

    void setPosition(int px, int py);
    void setText(const WCHAR* newText, bool forceRealloc);
    const WCHAR* getText() const { return text; }
    void setFontFace(const WCHAR* face);
    // Takes a copy (null clears).
    void setGuiData(const WCHAR* data);
    void setImages(Texture* picture, Texture* bright, Texture* mask, int cx, int cy, int cw, int ch);
    Sprite* clone() const;
    // x, y: screen position; zoom: canvas zoom; frame: the renderer's frame number.
    void paint(Image& surface, int px, int py, float zoom, float dt, int frame);

private:
    void paintPicture(Image& surface, int px, int py, int w, int h, float dt, int frame);
    void paintText(Image& surface, int tx, int ty, int w, int h, float zoom);
    void selectTextFont(HDC dc, int size);
};
