// input_pad.cpp -- building, opening and closing the on-screen keyboard
#include "engine/scene/screen/input_pad.h"

#include "engine/base/math_utils.h"
#include "engine/scene/screen/canvas.h"
#include "engine/scene/scenes/scene.h"
#include "engine/scene/2d/sprite.h"
#include "engine/scene/core/texture_dictionary.h"

#include <os/windows.h>

#include <algorithm>

const WCHAR InputPad::kLowerLayout[kKeyCount + 1] = u"1234567890qwertyuiopasdfghjkl/zxcvbnm-=.";
const WCHAR InputPad::kCapsLayout[kKeyCount + 1] = u"!@#$%^`*()QWERTYUIOPASDFGHJKL\\ZXCVBNM_+:";

namespace {

constexpr const WCHAR* kSceneName = u"sceneInputPad_INPUTPAD";

} // namespace

InputPad::InputPad(Canvas* canvas_, uint32_t padColor_, const WCHAR* folder, const WCHAR* backgroundName,
                   const WCHAR* keyName, const WCHAR* buttonName)
    : padColor(padColor_), canvas(canvas_)
{
    textureFolder = folder ? folder : u"";
    backgroundTextureName = backgroundName ? backgroundName : u"";
    keyTextureName = keyName ? keyName : u"";
    buttonTextureName = buttonName ? buttonName : u"";
}

Sprite* InputPad::keySprite(int i) const
{
    if (!scene || i < 0 || i >= kKeyCount || firstKeyIndex + i >= scene->children.size())
        return nullptr;
    return static_cast<Sprite*>(scene->child(firstKeyIndex + i));
}

void InputPad::show(Sprite* target_, const WCHAR* initialText, const WCHAR* message, int maxLength_, bool allowEmpty_)
{
    if (!canvas || open)
        return;
    maxLength = std::clamp(maxLength_, 0, int(kMaxLength));
    allowEmpty = allowEmpty_ ? 1 : 0;
    target = target_;
    scene = static_cast<SceneSprite*>(canvas->findScene(kSceneName));
    if (!scene || scene->sceneType != Scene::SpriteScene)
        build();
    canvas->bringToFront(scene); // scenes added since must not cover the pad
    open = true;
    canvas->inputPadOpen = true;
    savedMouseListener = canvas->getMouseListener();
    savedKeyListener = canvas->getKeyListener();
    canvas->setMouseListener(this);
    canvas->setKeyListener(this);
    text = initialText ? initialText : u"";
    if (text.size() > size_t(maxLength))
        text.resize(size_t(maxLength));
    showText();
    messageSprite->setText(message ? message : u"", false);
    lastKey = -1;
    scene->visible = 1;
    canvas->redraw();
}

void InputPad::showText()
{
    if (editSprite)
        editSprite->setText(text.c_str(), false);
}

void InputPad::backspace()
{
    if (!text.empty())
        text.pop_back();
    showText();
}

void InputPad::clear()
{
    text.clear();
    showText();
}

void InputPad::finish(bool ok)
{
    if (!open)
        return;
    if (text.empty() && !allowEmpty)
        ok = false;
    if (target && ok)
        target->setText(text.c_str(), false);
    if (savedMouseListener && target)
    {
        canvas->setPressedSprite(target);
        savedMouseListener->onMouse(canvas, WM_LBUTTONUP, ok ? 1 : 0, target->x + target->width / 2 + scene->x,
                                    target->y + target->height / 2 + scene->y);
        canvas->setPressedSprite(nullptr);
    }
    text.clear();
    open = false;
    canvas->inputPadOpen = false;
    canvas->setMouseListener(savedMouseListener);
    canvas->setKeyListener(savedKeyListener);
    savedMouseListener = nullptr;
    savedKeyListener = nullptr;
    scene->visible = 0;
    canvas->redraw();
}

void InputPad::relabelKeys()
{
    const WCHAR* layout = caps ? kCapsLayout : kLowerLayout;
    for (int i = 0; i < kKeyCount; ++i)
        if (Sprite* key = keySprite(i))
        {
            WCHAR label[2] = {layout[i], 0};
            key->setText(label, false);
            key->textOffsetX = caps ? 2 : 3;
        }
}

// ---- input ----

void InputPad::onMouse(Window*, UINT message, WPARAM, int, int)
{
    if (message != WM_LBUTTONDOWN && message != WM_LBUTTONUP)
        return;
    Sprite* sprite = canvas->getPressedSprite();
    if (!sprite)
        return;
    pressOnMouse(message, sprite);
    if (message == WM_LBUTTONUP)
        actOnRelease(sprite);
}

// Pressed sprites move by one pixel down and right.
void InputPad::pressOnMouse(UINT message, Sprite* sprite)
{
    int kx = sprite->extra >> 16, ky = sprite->extra & 0xFFFF;
    int shift = message == WM_LBUTTONDOWN ? 1 : 0;
    sprite->x = kx + shift;
    sprite->y = ky + shift;
}

void InputPad::actOnRelease(Sprite* sprite)
{
    const WCHAR* name = sprite->name;
    if (wcscmp(name, u"btnCaps_MSGBOX") == 0)
    {
        caps = sprite->status == 1 ? 1 : 0;
        sprite->setText(caps ? u"CAPS" : u"Caps", false);
        relabelKeys();
    }
    else if (wcscmp(name, u"btnClear_MSGBOX") == 0)
        clear();
    else if (wcscmp(name, u"btnDel_MSGBOX") == 0)
        backspace();
    else if (wcscmp(name, u"btnCancel_MSGBOX") == 0 || wcscmp(name, u"btnOk_MSGBOX") == 0)
    {
        sprite->status = 0; // the pen-up that closes the pad never reaches the button
        finish(wcscmp(name, u"btnOk_MSGBOX") == 0);
    }
    else if (wcscmp(name, u"btn_MSGBOX") == 0 && int(text.size()) < maxLength && sprite->getText())
    {
        text += sprite->getText();
        if (text.size() > size_t(maxLength))
            text.resize(size_t(maxLength));
        showText();
    }
}

// Letters press their key (capital or not), digits the digit keys; other
// keys type nothing.
int InputPad::keyIndexOf(int key) const
{
    const WCHAR* layout = key >= '0' && key <= '9' ? kLowerLayout : key >= 'A' && key <= 'Z' ? kCapsLayout : nullptr;
    if (!layout)
        return -1;
    for (int i = 0; i < kKeyCount; ++i)
        if (layout[i] == WCHAR(key))
            return i;
    return -1;
}

void InputPad::onKey(Window*, UINT message, int key)
{
    if (message != WM_KEYDOWN && message != WM_KEYUP)
        return;
    bool down = message == WM_KEYDOWN;
    if (down && (key == VK_RETURN || key == VK_ESCAPE))
        return finish(key == VK_RETURN);
    if (down && key == VK_BACK)
    {
        backspace();
        canvas->redraw();
        return;
    }
    if (canvas->showIndexLabels && key >= 48 && key <= 90)
        return;
    int i = keyIndexOf(key);
    Sprite* sprite = keySprite(i);
    if (!sprite)
    {
        lastKey = -1;
        return;
    }
    if (!down || i != lastKey)
    {
        // Taps land in canvas pixels as they are: no pen rotation for them.
        canvas->rotatePen = false;
        canvas->postTap(down ? WM_LBUTTONDOWN : WM_LBUTTONUP, sprite->x + sprite->width / 2 + scene->x,
                        sprite->y + sprite->height / 2 + scene->y);
    }
    lastKey = down ? i : -1;
}
