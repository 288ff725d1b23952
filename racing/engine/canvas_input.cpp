// canvas_input.cpp -- the keys of a racing canvas: key bits and index typing
#include "racing/engine/canvas.h"

#include "engine/platform/gapi_display.h"
#include "engine/platform/window.h"
#include "engine/scene/2d/awt_component.h"
#include "engine/scene/screen/key_bits.h"
#include "racing/engine/scene_awt.h"
#include "racing/engine/sprite.h"

#include <os/windows.h>

#include <string_view>

namespace racing {

namespace {

constexpr uint32_t kTypeResetMs = 2000;
constexpr size_t kTypedLength = 4;

bool isIndexKey(int key)
{
    return key >= 48 && key <= 90;
}

// -1 no index begins with the typed text, 0 some begin with it, 1 one
// equals it.
int compareIndex(const WCHAR* index, const std::u16string& typed)
{
    const std::u16string_view have(index);
    if (have.substr(0, typed.size()) != typed)
        return -1;
    return have.size() == typed.size() ? 1 : 0;
}

} // namespace

uint32_t Canvas::lastBit = 0;

int Canvas::takeReleasedKey()
{
    const int key = releasedKey;
    releasedKey = 0;
    return key;
}

void Canvas::onKey(UINT message, int key)
{
    remapKey(message, key);
    if (message != WM_KEYDOWN && message != WM_KEYUP)
        return;
    const bool down = message == WM_KEYDOWN;
    if (!down)
    {
        releasedKey = key;
        lastBit = 0;
    }
    if (const uint32_t bit = uint32_t(keybits::navigation(key)))
    {
        lastBit = bit;
        if (exclusiveKeys)
            heldKeys = down ? bit : 0;
        else if (down)
            heldKeys |= bit;
        else
            heldKeys &= ~bit;
    }
    // GAPI's buttons add up whatever the mode; with its input closed their
    // bits go on every key.
    if (const uint32_t gapiBit = uint32_t(keybits::gapi(key)))
        heldKeys = down ? heldKeys | gapiBit : heldKeys & ~gapiBit;
    else if (!GapiDisplay::isInputOpen())
        heldKeys &= ~uint32_t(keybits::kGapiBits);
    if (!isIndexKey(key))
        return;
    if (indexKeys && !(down && key == lastTypedKey))
        typeIndex(message, key);
    lastTypedKey = down ? key : 0;
}

void Canvas::typeIndex(UINT message, int key)
{
    const bool down = message == WM_KEYDOWN;
    if (down)
    {
        const uint32_t now = GetTickCount();
        if (typedIndex.size() >= kTypedLength || now - lastTypeTime > kTypeResetMs)
            typedIndex.clear();
        typedIndex += char16_t(key);
        lastTypeTime = now;
    }
    if (typedIndex.empty())
        return;
    bool prefix = false;
    Sprite* sprite = nullptr;
    int spriteX = 0, spriteY = 0;
    AWTComponent* control = nullptr;
    for (const SceneEntry& e : scenes)
    {
        if (e.type == 0)
        {
            const auto* scene = static_cast<SceneSprite*>(e.scene);
            if (!scene->visible)
                continue;
            for (const auto& child : scene->children)
            {
                const int match = child->visible ? compareIndex(child->index, typedIndex) : -1;
                prefix |= match >= 0;
                if (match == 1 && !sprite && !control)
                {
                    sprite = child.get();
                    spriteX = scene->x;
                    spriteY = scene->y;
                }
            }
        }
        else if (e.type == 3)
        {
            const auto* scene = static_cast<SceneAWT*>(e.scene);
            if (!scene->visible)
                continue;
            for (const auto& child : scene->getComponents())
            {
                const int match = child->visible ? compareIndex(child->indexLabel, typedIndex) : -1;
                prefix |= match >= 0;
                if (match == 1 && !sprite && !control)
                    control = child.get();
            }
        }
    }
    if (sprite)
    {
        // The press goes through the pen, at the sprite's centre.
        const int x = spriteX + sprite->x + sprite->width / 2, y = spriteY + sprite->y + sprite->height / 2;
        PostMessageW(getHandle(), down ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        if (!down)
            typedIndex.clear();
    }
    else if (control && !down)
    {
        if (control->control)
            control->control->setFocus();
        typedIndex.clear();
    }
    if (!prefix)
        typedIndex.clear();
}

} // namespace racing
