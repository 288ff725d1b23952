// template_scenes.cpp -- scenes and sprites of a template

#include "engine/base/property_map.h"
#include "engine/platform/image.h"
#include "engine/scene/2d/bitmap_font.h"
#include "engine/scene/screen/canvas.h"
#include "engine/scene/scenes/scene.h"
#include "engine/scene/scenes/scene3d.h"
#include "engine/scene/scenes/scene_awt.h"
#include "engine/scene/2d/sprite.h"
#include "engine/scene/screen/template_loader.h"
#include "engine/scene/core/texture.h"
#include "engine/scene/core/texture_dictionary.h"

#include <algorithm>
#include <cwctype>
#include <string>

namespace {

constexpr int kImageSized = -10000;

uint32_t colorOf(const PropertyMap& map, const WCHAR* field, int fallback)
{
    return uint32_t(map.getColor(field, fallback));
}

std::u16string lowerCase(const WCHAR* text)
{
    std::u16string out = text ? text : u"";
    for (auto& c : out)
        if (c < 0x80)
            c = char16_t(std::towlower(wint_t(c)));
    return out;
}

Scene* makeScene(int kind, int x, int y, int w, int h, uint32_t bkg, Texture* texture)
{
    switch (kind)
    {
    case Scene::SpriteScene: return new SceneSprite(x, y, w, h, bkg, texture);
    case Scene::Scene2DType: return new Scene2D(x, y, w, h, bkg, texture);
    default: return new Scene3D(x, y, w, h, bkg, texture);
    }
}

// Index labels of sprite and control scenes.
struct LabelStyle
{
    explicit LabelStyle(const PropertyMap& map)
        : colour(colorOf(map, u"indexTextColor", 0xffff00)),
          size(Canvas::scaleToScreen(map.getInt(u"indexTextSize", 12))),
          dx(map.getInt(u"indexTextOffsetX", 0)),
          dy(map.getInt(u"indexTextOffsetY", 0))
    {
    }
    void applyTo(SceneSprite* scene) const
    {
        scene->setLabelColor(colour);
        scene->setLabelSize(size);
        scene->setLabelOffset(dx, dy);
    }
    void applyTo(SceneAWT* scene) const
    {
        scene->setIndexTextColor(colour);
        scene->setIndexTextSize(size);
        scene->setIndexTextOffset(dx, dy);
    }
    uint32_t colour;
    int size, dx, dy;
};

BitmapFont* fontOf(const Canvas& canvas, const PropertyMap& map, const WCHAR* field)
{
    const WCHAR* key = map.get(field);
    return key ? canvas.findFont(key) : nullptr;
}

int guiTypeOf(const PropertyMap& map)
{
    static const char16_t* const names[] = {u"", u"button", u"checkbox", u"hyperlink", u"tiplink", u"editbox"};
    const std::u16string type = lowerCase(map.get(u"GUIType"));
    for (int i = 1; i < 6; ++i)
        if (type == names[i])
            return i;
    return Sprite::Picture;
}

void setGuiData(Sprite* sprite, const PropertyMap& map)
{
    if (sprite->guiType == Sprite::EditBox)
    {
        int maxLength = std::max(1, map.getInt(u"maxLength", 20));
        if (!map.getBool(u"allowEmpty", true))
            maxLength = -maxLength;
        const WCHAR* title = map.get(u"title");
        std::string digits = std::to_string(maxLength);
        std::u16string data(digits.begin(), digits.end());
        data += u",";
        data += title ? title : u"";
        sprite->setGuiData(data.c_str());
    }
    else if (sprite->guiType == Sprite::CheckBox)
    {
        sprite->setGuiData(map.get(u"group"));
        sprite->persistent = uint8_t(map.getBool(u"persistent", false));
    }
    else if (sprite->guiType == Sprite::Hyperlink || sprite->guiType == Sprite::TipLink)
        sprite->setGuiData(map.get(u"href"));
}

void setTextFields(Sprite* sprite, const PropertyMap& map)
{
    if (const WCHAR* text = map.get(u"text"))
        sprite->setText(text, false);
    if (const WCHAR* face = map.get(u"textFont"))
        sprite->setFontFace(face);
    const bool link = sprite->guiType == Sprite::Hyperlink || sprite->guiType == Sprite::TipLink;
    sprite->textSize = Canvas::scaleToScreen(map.getInt(u"textSize", 16));
    sprite->textItalic = uint8_t(map.getBool(u"textItalic", false));
    sprite->textUnderline = uint8_t(map.getBool(u"textUnderline", link));
    sprite->textWeight = std::min(900, map.getInt(u"textWeight", 400));
    sprite->textOffsetX = Canvas::scaleToScreen(map.getInt(u"textOffsetX", 0));
    sprite->textOffsetY = Canvas::scaleToScreen(map.getInt(u"textOffsetY", 0));
    sprite->textFormatted = map.getInt(u"textFormatted", 1);
    const std::u16string align = lowerCase(map.get(u"textAlignment"));
    if (align == u"left")
        sprite->textAlignment = 0;
    else if (align == u"center")
        sprite->textAlignment = 1;
    else if (align == u"right")
        sprite->textAlignment = 2;
    sprite->textColor = colorOf(map, u"textColor", 0);
}

void keyColor(Texture* texture, uint32_t colour)
{
    const int count = texture->frameCount >= 2 ? texture->frameCount : 1;
    for (int i = 0; i < count; ++i)
    {
        Image* image = count >= 2 ? texture->frames[i] : texture->image;
        if (image)
            image->hasColorKey = 1, image->colorKey = colour;
    }
}

void setImageFields(Sprite* sprite, const PropertyMap& map, Texture* picture, Texture* bright, Texture* mask)
{
    if (!picture && !bright && !mask)
        return;
    const bool sized = sprite->width < 0 || sprite->height < 0;
    sprite->setImages(picture, bright, mask, map.getInt(u"clipX", -1), map.getInt(u"clipY", -1),
                      map.getInt(u"clipW", -1), map.getInt(u"clipH", -1));
    if (sized)
    {
        sprite->width = Canvas::scaleToScreen(sprite->width);
        sprite->height = Canvas::scaleToScreen(sprite->height);
    }
    const bool animate = map.getBool(u"animationEnabled", true);
    for (Texture* texture : {picture, bright, mask})
        if (texture)
            texture->animated = texture->animated && animate;
    if (picture && map.get(u"transparentColor"))
    {
        keyColor(picture, colorOf(map, u"transparentColor", 0));
    }
}

} // namespace

void TemplateLoader::buildScene(const WCHAR* key, const PropertyMap& map, int kind)
{
    const int clientW = canvas.getClientWidth();
    const int clientH = canvas.getClientHeight();
    Scene* scene = nullptr;
    if (kind == Scene::ControlScene)
    {
        scene = new SceneAWT();
        scene->width = clientW;
        scene->height = clientH;
    }
    else
    {
        Texture* background = texture(map, u"bkgTexture", false, true);
        scene = makeScene(kind, Canvas::scaleToScreen(map.getInt(u"x", 0)), Canvas::scaleToScreen(map.getInt(u"y", 0)),
                          length(map, u"width", clientW), length(map, u"height", clientH),
                          colorOf(map, u"bkgColor", -1), background);
    }
    if (kind == Scene::Scene3DType)
        setUp3D(static_cast<Scene3D*>(scene), map);
    if (kind == Scene::SpriteScene)
        LabelStyle(map).applyTo(static_cast<SceneSprite*>(scene));
    else if (kind == Scene::ControlScene)
        LabelStyle(map).applyTo(static_cast<SceneAWT*>(scene));
    scene->visible = uint8_t(map.getBool(u"visible", true));
    scene->buffered = uint8_t(map.getBool(u"buffered", false));
    scene->transparentColor = colorOf(map, u"transparentColor", 0);
    canvas.addScene(key, scene);
    if (kind == Scene::Scene3DType)
        touch3D(static_cast<Scene3D*>(scene));
}

void TemplateLoader::buildSprite(const WCHAR* key, const PropertyMap& map)
{
    const int w = map.getInt(u"width", kImageSized);
    const int h = map.getInt(u"height", kImageSized);
    auto* sprite = new Sprite(Canvas::scaleToScreen(map.getInt(u"x", 0)), Canvas::scaleToScreen(map.getInt(u"y", 0)),
                              w < 0 ? w : Canvas::scaleToScreen(w), h < 0 ? h : Canvas::scaleToScreen(h));
    sprite->guiType = guiTypeOf(map);
    setGuiData(sprite, map);
    setTextFields(sprite, map);
    sprite->visible = uint8_t(map.getBool(u"visible", true));
    sprite->color = colorOf(map, u"color", -1);
    sprite->brightColor = colorOf(map, u"brightColor", -1);
    sprite->frameColor = colorOf(map, u"frame", -1);
    sprite->status = map.getInt(u"status", 0);
    setImageFields(sprite, map, texture(map, u"texture", false, false), texture(map, u"bright", false, false),
                   texture(map, u"mask", false, false));
    // Image-sized without an image: nothing to take the size from.
    sprite->width = std::max(0, sprite->width);
    sprite->height = std::max(0, sprite->height);
    sprite->bitmapFontNormal = fontOf(canvas, map, u"BitmapFontNormal");
    sprite->bitmapFontBright = fontOf(canvas, map, u"BitmapFontBright");
    if (map.getInt(u"number", 0) < 1)
        if (const WCHAR* index = map.get(u"index"))
            setIndexLabel(sprite->indexLabel, index);
    attachCopies(key, map, dynamic_cast<SceneSprite*>(container(map)), sprite,
                 [](const SceneObject& s) { return static_cast<const Sprite&>(s).clone(); });
}

