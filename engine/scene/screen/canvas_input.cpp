// canvas_input.cpp -- the canvas's pen and keys: sprite GUI actions, the
// key-bit mask, key rotation and type-to-find
#include "engine/platform/gapi_display.h"
#include "engine/platform/gdi_draw.h"
#include "engine/platform/image.h"
#include "engine/platform/pen_pad.h"
#include "engine/scene/2d/awt_component.h"
#include "engine/scene/screen/canvas.h"
#include "engine/scene/screen/input_pad.h"
#include "engine/scene/screen/key_bits.h"
#include "engine/scene/scenes/scene.h"
#include "engine/scene/2d/sprite.h"

#include <os/windows.h>

#include <cstdlib>

namespace {

int32_t keyBitOf(int key)
{
    const int32_t bit = keybits::navigation(key);
    return bit ? bit : keybits::gapi(key);
}

HCURSOR cursorFor(const Sprite* sprite)
{
    const WCHAR* id = IDC_ARROW;
    if (sprite && sprite->guiType >= Sprite::Button && sprite->guiType <= Sprite::TipLink)
        id = IDC_HAND;
    else if (sprite && sprite->guiType == Sprite::EditBox)
        id = IDC_IBEAM;
    return loadCursor(nullptr, id);
}

} // namespace

int32_t keybits::navigation(int key)
{
    switch (key)
    {
    case VK_UP: return Canvas::KeyUp;
    case VK_DOWN: return Canvas::KeyDown;
    case VK_LEFT: return Canvas::KeyLeft;
    case VK_RIGHT: return Canvas::KeyRight;
    case VK_DELETE: return Canvas::KeyDelete;
    case VK_END: return Canvas::KeyEnd;
    case VK_SPACE: return Canvas::KeySpace;
    case VK_RETURN:
    case 134: return Canvas::KeyAction;
    case VK_PRIOR: return Canvas::KeyPageUp;
    case VK_NEXT: return Canvas::KeyPageDown;
    case VK_HOME: return Canvas::KeyHome;
    case VK_INSERT: return Canvas::KeyInsert;
    default: return 0;
    }
}

int32_t keybits::gapi(int key)
{
    if (!GapiDisplay::isInputOpen())
        return 0;
    if (key == GapiDisplay::getKeyA())
        return Canvas::KeyGapiA;
    if (key == GapiDisplay::getKeyB())
        return Canvas::KeyGapiB;
    if (key == GapiDisplay::getKeyC())
        return Canvas::KeyGapiC;
    if (key == GapiDisplay::keyStart())
        return Canvas::KeyGapiStart;
    return 0;
}

int Canvas::takeReleasedKey()
{
    int key = releasedKey;
    releasedKey = 0;
    return key;
}

Sprite* Canvas::pickSprite(UINT message, int x, int y)
{
    if (message != WM_LBUTTONDOWN)
        return pressedSprite;
    pressedSprite = nullptr;
    for (size_t i = scenes.size(); i-- > 0;)
    {
        Scene* scene = scenes[i];
        if (!scene->visible || scene->sceneType != Scene::SpriteScene)
            continue;
        pressedSprite = static_cast<SceneSprite*>(scene)->hitTest(x - scene->x, y - scene->y);
        break;
    }
    return pressedSprite;
}

void Canvas::rotatePenPoint(int& x, int& y) const
{
    Image* surface = const_cast<Canvas*>(this)->getBackBufferImage();
    int w = surface ? surface->width : 0, h = surface ? surface->height : 0;
    int px = x, py = y;
    if (orientation == 1)
        x = w - py, y = px;
    else if (orientation == 2)
        x = py, y = h - px;
}

void Canvas::onMouse(UINT message, WPARAM keys, int x, int y, int phase)
{
    if (phase == 0)
    {
        if (rotatePen)
            rotatePenPoint(x, y);
        else
            rotatePen = true;
        if (message == WM_MOUSEMOVE)
            penMove(keys, x, y);
        if (message != WM_LBUTTONDOWN && message != WM_LBUTTONUP)
            return;
        if (message == WM_LBUTTONDOWN)
            pickSprite(message, x, y);
        penPadPress(message, x, y);
        return;
    }
    if ((message == WM_LBUTTONDOWN || message == WM_LBUTTONUP) && pressedSprite)
        actOnSprite(message, pressedSprite);
}

void Canvas::penMove(WPARAM keys, int x, int y)
{
    if (penPadDragging() && (keys & MK_LBUTTON))
    {
        penPad->setEnd(x, y);
        penPad->applyToKeys(true);
        if (!running)
            redraw();
    }
    Sprite* saved = pressedSprite;
    Sprite* under = pickSprite(WM_LBUTTONDOWN, x, y);
    pressedSprite = saved;
    setCursor(cursorFor(under));
}

void Canvas::penPadPress(UINT message, int x, int y)
{
    if (!penPad || pressedSprite)
        return;
    if (message == WM_LBUTTONDOWN && penPad->enabled)
    {
        penPad->setStart(x, y);
        penPad->setEnd(x, y);
        penPad->dragging = true;
    }
    else if (message == WM_LBUTTONUP)
    {
        penPad->dragging = false;
        keyBits &= ~ArrowBits;
    }
    if (!running)
        redraw();
}

void Canvas::actOnSprite(UINT message, Sprite* sprite)
{
    bool down = message == WM_LBUTTONDOWN;
    switch (sprite->guiType)
    {
    case Sprite::Button:
        sprite->status = down ? 1 : 0;
        break;
    case Sprite::CheckBox:
        if (down)
            pressCheckBox(sprite);
        break;
    case Sprite::Hyperlink:
        sprite->status = down ? 1 : 0;
        if (!down && sprite->guiData && *sprite->guiData)
        {
            // The load deletes the scenes, this sprite with them.
            std::u16string target = sprite->guiData;
            std::u16string folder = templateFolder;
            loadTemplate(folder.c_str(), target.c_str(), true);
            pressedSprite = nullptr;
        }
        break;
    case Sprite::TipLink:
        sprite->status = down ? 1 : 0;
        if (SceneObject* tip = findComponent(sprite->guiData))
            tip->visible = down ? 1 : 0;
        break;
    case Sprite::EditBox:
        if (!down)
            openEditBox(sprite);
        break;
    default:
        return;
    }
    redraw();
}

void Canvas::pressCheckBox(Sprite* sprite)
{
    if (sprite->guiData && *sprite->guiData)
        recordGroupSelection(sprite);
    sprite->status = sprite->status ? 0 : 1;
    storeSpriteStatus(sprite);
    if (sprite->persistent)
        saveTemplate();
}

// Clears every box of the sprite's group and writes its index to the group entry.
void Canvas::recordGroupSelection(Sprite* sprite)
{
    Scene* scene = findComponentScene(sprite->name);
    if (!scene)
        return;
    int index = 0, selected = -1;
    for (int i = 0; i < scene->children.size(); ++i)
    {
        SceneObject* object = scene->child(i);
        if (object->objectType != SceneObject::SpriteObject)
            continue;
        auto* other = static_cast<Sprite*>(object);
        if (other->guiType != Sprite::CheckBox || !other->guiData || wcscmp(other->guiData, sprite->guiData) != 0)
            continue;
        if (other == sprite)
            selected = index;
        other->status = 0;
        storeSpriteStatus(other);
        ++index;
    }
    if (templ && templ->get(sprite->guiData))
    {
        WCHAR number[16];
        swprintf(number, 16, u"%d", selected);
        templ->setField(sprite->guiData, u"selected", number);
        return;
    }
    showBox(u"Error", MB_ICONSTOP,
            u"The property \"grpName=GUIType:checkboxGroup, selected:0\" need to be added into template.", nullptr,
            nullptr);
}

void Canvas::openEditBox(Sprite* sprite)
{
    if (!inputPad)
        return;
    const WCHAR* data = sprite->guiData ? sprite->guiData : u"";
    int limit = int(_wtol(data));
    const WCHAR* comma = wcschr(data, u',');
    inputPad->show(sprite, sprite->getText(), comma ? comma + 1 : u"", std::abs(limit), limit >= 0);
}

// ---- keys ----

int Canvas::rotateKey(int key) const
{
    if (orientation == 0 || !rotateKeys)
        return key;
    if (orientation == 1)
    {
        switch (key)
        {
        case VK_LEFT: return VK_UP;
        case VK_UP: return VK_RIGHT;
        case VK_RIGHT: return VK_DOWN;
        case VK_DOWN: return VK_LEFT;
        default: return key;
        }
    }
    switch (key)
    {
    case VK_LEFT: return VK_DOWN;
    case VK_UP: return VK_LEFT;
    case VK_RIGHT: return VK_UP;
    case VK_DOWN: return VK_RIGHT;
    default: break;
    }
    if (!GapiDisplay::isInputOpen())
        return key;
    int a = GapiDisplay::getKeyA(), b = GapiDisplay::getKeyB();
    int c = GapiDisplay::getKeyC(), s = GapiDisplay::keyStart();
    return key == a ? s : key == s ? a : key == b ? c : key == c ? b : key;
}

void Canvas::onKey(UINT message, int key)
{
    if (message != WM_KEYDOWN && message != WM_KEYUP)
        return;
    key = rotateKey(key);
    bool down = message == WM_KEYDOWN;
    if (!down)
        releasedKey = key;
    applyKeyBit(message, key);
    if (key < 48 || key > 90)
        return;
    if (!typeToFind || (down && key == lastKey))
    {
        lastKey = down ? key : 0;
        return;
    }
    findTyped(message, key);
    lastKey = down ? key : 0;
}

void Canvas::applyKeyBit(UINT message, int key)
{
    int32_t bit = keyBitOf(key);
    bool down = message == WM_KEYDOWN;
    if (singleKeyMode)
    {
        if (!down)
            keyBits = 0;
        else if (bit)
            keyBits = bit;
        return;
    }
    if (down)
        keyBits |= bit;
    else
        keyBits &= ~bit;
}

void Canvas::findTyped(UINT message, int key)
{
    if (message == WM_KEYDOWN)
    {
        uint32_t now = GetTickCount();
        if (typedText.size() >= size_t(kTypedLength) || now - lastTypeTime > kTypeResetMs)
            typedText.clear();
        typedText += char16_t(key);
        lastTypeTime = now;
    }
    if (typedText.empty())
        return;
    int found = tapTypedMatch(message);
    if (found < 0 || (found > 0 && message == WM_KEYUP))
        typedText.clear();
}

const WCHAR* Canvas::typedKeyOf(const SceneObject* object) const
{
    if (showIndexLabels && object->objectType == SceneObject::SpriteObject)
        return static_cast<const Sprite*>(object)->indexLabel;
    return object->name;
}

// -1 nothing begins with the typed text, 0 a partial match, 1 a match (acted on).
int Canvas::tapTypedMatch(UINT message)
{
    int found = -1;
    for (size_t i = scenes.size(); i-- > 0;)
    {
        Scene* scene = scenes[i];
        bool sprites = scene->sceneType == Scene::SpriteScene;
        if (!scene->visible || (!sprites && scene->sceneType != Scene::ControlScene))
            continue;
        for (int c = 0; c < scene->children.size(); ++c)
        {
            SceneObject* child = scene->child(c);
            const WCHAR* key = typedKeyOf(child);
            if (!child->visible || wcsncmp(key, typedText.c_str(), typedText.size()) != 0)
                continue;
            if (key[typedText.size()] != 0)
            {
                found = 0;
                continue;
            }
            actOnTyped(message, scene, child);
            return 1;
        }
        if (inputPadOpen)
            break;
    }
    return found;
}

void Canvas::actOnTyped(UINT message, Scene* scene, SceneObject* child)
{
    if (scene->sceneType == Scene::ControlScene)
    {
        auto* control = static_cast<AWTComponent*>(child)->control;
        if (message == WM_KEYUP && control)
            control->setFocus();
        return;
    }
    rotatePen = false;
    postTap(message == WM_KEYDOWN ? WM_LBUTTONDOWN : WM_LBUTTONUP, scene->x + child->x + child->width / 2,
            scene->y + child->y + child->height / 2);
}

void Canvas::postTap(UINT message, int x, int y)
{
    PostMessageW(handle, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
}
