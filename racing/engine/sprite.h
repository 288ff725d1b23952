// sprite.h -- racing sprites drawn with GDI, sprite scenes and their
// renderer
//
// A sprite shows one of three faces for its state (normal, bright, dark),
// cut through a mask when it has one (white where the scene shows through,
// and the face black there), with a fill colour, a frame and a text. A
// sprite scene hit-tests its sprites from the last to the first and draws
// them into its render target (with a background colour) or straight into
// the window image.
#pragma once

#include "engine/scene/core/scene_object.h"

#include <os/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Image;
class Texture;

namespace racing {

class RenderTarget;

class Sprite : public SceneObject
{
public:
    static constexpr int kIndexLength = 4;
    static constexpr int kGroupLength = 64;

    Sprite(int x, int y, int width, int height);

    // A literal backslash-n becomes line feed and carriage return, "^c"
    // becomes ": ".
    void setText(const WCHAR* text);
    const std::u16string& getText() const { return text; }
    void setFont(const WCHAR* face) { fontFace = face ? face : u""; }
    // At least one of the three faces: else a box, and nothing changes.
    // A negative width or height takes the first face's size; the clip
    // rectangle is the four values when all are >= 0, else that face whole.
    bool setImages(Texture* normal, Texture* bright, Texture* dark, Texture* mask, int clipX, int clipY, int clipW,
                   int clipH);
    // States 0, 1 and 2 only.
    void setState(int s);
    int getState() const { return state; }
    void setPosition(int px, int py)
    {
        x = px;
        y = py;
    }
    // Visibility, position, size, name, faces and clip; the rest at its
    // defaults.
    Sprite* clone() const;
    // The clone with the sprite's text and its look (font, colours, frame),
    // its GUI type with its link or group, and its state: the copies a
    // template's "number" makes.
    Sprite* cloneWithLooks() const;
    void draw(HDC dc, int atX, int atY) const;

    int guiType = 0; // 0 plain, 1 button, 2 checkbox, 3 hyperlink, 4 tiplink
    WCHAR index[kIndexLength + 1] = {};
    WCHAR link[kNameLength] = {};
    // Check boxes: the group (one box of a group checked at a time) and
    // whether the page keeps its state in the template.
    WCHAR group[kGroupLength + 1] = {};
    uint8_t persistent = 0;
    Texture* faces[3] = {};
    Texture* mask = nullptr;
    int clip[4] = {0, 0, 0, 0};
    uint32_t fillColor = 0xFFFFFFFFu;
    uint32_t frameColor = 0xFFFFFFFFu;
    int textSize = 0, textWeight = 400, textAlignment = 0;
    uint32_t textColor = 0;
    uint8_t italic = 0, underline = 0;

private:
    int state = 0;
    std::u16string text;
    std::u16string fontFace;
};

class SceneSprite
{
public:
    SceneSprite(int x, int y, int width, int height, uint32_t bkgColor, Texture* bkgTexture);
    ~SceneSprite();
    SceneSprite(const SceneSprite&) = delete;
    SceneSprite& operator=(const SceneSprite&) = delete;

    // The scene owns the sprite; name (63) and index (4) are copied.
    void addSprite(const WCHAR* spriteName, Sprite* sprite, const WCHAR* indexText);
    Sprite* findChild(const WCHAR* spriteName) const;
    // From the last sprite to the first, the first visible one whose
    // rectangle holds the point, edges included.
    Sprite* hitTest(int px, int py) const;
    // The target the renderer draws into, owned from then on.
    void setTarget(RenderTarget* target);
    RenderTarget* getTarget() const { return target.get(); }
    // Into the target image when there is a background colour (then
    // presented at the scene's place), else straight into the window image
    // at the scene's offset; labels when showIndex is set.
    void render(bool showIndex);

    uint8_t visible = 1;
    int x, y, width, height;
    uint32_t bkgColor;
    Texture* bkgTexture;
    WCHAR name[SceneObject::kNameLength] = {};
    std::vector<std::unique_ptr<Sprite>> children;
    int indexOffsetX = 0, indexOffsetY = 0;
    uint32_t indexColor = 0xFFFF00;
    int indexTextSize = 12;

private:
    std::unique_ptr<RenderTarget> target;
};

} // namespace racing
