// input_pad_build.cpp -- the pad scene: frame, message and edit lines, the
// five buttons and the 40 keys, laid out for a 240-pixel-wide screen
#include "engine/base/math_utils.h"
#include "engine/scene/screen/canvas.h"
#include "engine/scene/screen/input_pad.h"
#include "engine/scene/scenes/scene.h"
#include "engine/scene/2d/sprite.h"
#include "engine/scene/core/texture_dictionary.h"

#include <os/windows.h>

#include <string>

namespace {

int s(int n)
{
    return Canvas::scaleToScreen(n);
}

Texture* loadNamed(TextureDictionary* dictionary, const std::u16string& folder, const std::u16string& name)
{
    if (!dictionary || name.empty())
        return nullptr;
    return dictionary->load(folder.c_str(), name.c_str(), false, false);
}

} // namespace

void InputPad::keepPosition(Sprite* sprite)
{
    sprite->extra = (sprite->x << 16) + sprite->y;
}

void InputPad::loadTextures()
{
    backgroundTexture = keyTexture = buttonTexture = nullptr;
    if (textureFolder.empty())
        return;
    TextureDictionary* dictionary = canvas->getTextureDictionary();
    backgroundTexture = loadNamed(dictionary, textureFolder, backgroundTextureName);
    keyTexture = loadNamed(dictionary, textureFolder, keyTextureName);
    buttonTexture = loadNamed(dictionary, textureFolder, buttonTextureName);
}

void InputPad::build()
{
    loadTextures();
    int w = s(230), h = s(200);
    scene = new SceneSprite((canvas->getClientWidth() - w) / 2, (canvas->getClientHeight() - h) / 2, w, h, 0,
                            backgroundTexture);
    scene->setLabelOffset(10, -10);
    scene->visible = 0;
    buildFrameAndLines();
    buildButtons();
    buildKeys();
    canvas->addScene(u"sceneInputPad_INPUTPAD", scene);
    relabelKeys();
}

Sprite* InputPad::addPadSprite(const WCHAR* name, Sprite* sprite, const WCHAR* label)
{
    scene->addSprite(name, sprite, label);
    return sprite;
}

void InputPad::buildFrameAndLines()
{
    bool dark = greyLevel(padColor) < 128;
    if (!backgroundTexture)
    {
        auto* frame = new Sprite(0, 0, scene->width, scene->height);
        frame->frameColor = dark ? invertRGB(0xffffff) : 0xffffff;
        scene->bkgColor = dark ? invertRGB(packRGB(60, 60, 60)) : packRGB(60, 60, 60);
        addPadSprite(u"sptFrame_MSGBOX", frame, nullptr);
    }
    messageSprite = new Sprite(s(5), s(6), s(220), s(16));
    messageSprite->textSize = s(16);
    messageSprite->textAlignment = DT_CENTER;
    messageSprite->textColor = padColor;
    addPadSprite(u"sptMessage_MSGBOX", messageSprite, nullptr);
    editSprite = new Sprite(s(20), s(24), s(190), s(18));
    editSprite->color = padColor;
    editSprite->frameColor = invertRGB(padColor);
    editSprite->textColor = invertRGB(padColor);
    editSprite->textSize = s(16);
    editSprite->textFormatted = 0;
    addPadSprite(u"btnEditbox_MSGBOX", editSprite, nullptr);
}

void InputPad::buildButtons()
{
    Sprite model(0, 0, s(40), s(20));
    if (buttonTexture)
        model.setImages(buttonTexture, buttonTexture, nullptr, -1, -1, -1, -1);
    model.textSize = s(16);
    model.textAlignment = DT_CENTER;
    model.textOffsetY = 1;
    model.textColor = invertRGB(padColor);
    model.guiType = Sprite::Button;
    if (!buttonTexture)
    {
        bool invert = greyLevel(model.textColor) < 128;
        model.color = invert ? invertRGB(packRGB(90, 80, 60)) : packRGB(90, 80, 60);
        model.brightColor = invert ? invertRGB(packRGB(50, 40, 20)) : packRGB(50, 40, 20);
        model.frameColor = 0;
    }
    struct Entry
    {
        const WCHAR* name;
        int x;
        const WCHAR* text;
        const WCHAR* label;
    };
    static const Entry entries[] = {{u"btnCaps_MSGBOX", 10, u"Caps", u"6"},
                                    {u"btnClear_MSGBOX", 53, u"Clear", u"7"},
                                    {u"btnDel_MSGBOX", 96, u"Del", u"8"},
                                    {u"btnCancel_MSGBOX", 139, u"Esc", u"0"},
                                    {u"btnOk_MSGBOX", 182, u"Ok", u"9"}};
    for (const Entry& entry : entries)
    {
        Sprite* button = model.clone();
        button->cloneFlag = 0;
        button->setPosition(s(entry.x), s(173));
        button->setText(entry.text, false);
        if (entry.label == entries[0].label)
            button->guiType = Sprite::CheckBox;
        keepPosition(button);
        addPadSprite(entry.name, button, entry.label);
    }
}

void InputPad::buildKeys()
{
    firstKeyIndex = scene->children.size();
    int k = keyTexture ? s(18) : s(16);
    bool invert = greyLevel(padColor) < 128;
    for (int i = 0; i < kKeyCount; ++i)
    {
        int row = i / 10, column = i % 10;
        auto* key = new Sprite(s(21 * column + 11), s(30 * row + 54), k, k);
        if (keyTexture)
            key->setImages(keyTexture, keyTexture, nullptr, -1, -1, -1, -1);
        else
        {
            key->color = invert ? invertRGB(packRGB(100, 100, 100)) : packRGB(100, 100, 100);
            key->brightColor = invert ? invertRGB(packRGB(60, 60, 60)) : packRGB(60, 60, 60);
            key->frameColor = 0;
        }
        key->textOffsetY = -1;
        key->textColor = padColor;
        key->textFormatted = 0;
        key->textSize = s(16);
        key->guiType = Sprite::Button;
        keepPosition(key);
        WCHAR label[3] = {WCHAR(u'1' + row), WCHAR(u'0' + column), 0};
        addPadSprite(u"btn_MSGBOX", key, label);
    }
}
