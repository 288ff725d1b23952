// input_pad.h -- the program's own text-entry box: an on-screen keyboard of
// 40 keys with a message line, an edit line and Caps, Clear, Del, Esc, Ok
//
// The pad is a sprite scene "sceneInputPad_INPUTPAD" that the canvas keeps
// once built. While open it takes the canvas's mouse and key listeners; on
// closing it writes the text into the edit-box sprite and tells the previous
// mouse listener with a pen-up (its key flags carry ok).
#pragma once

#include "engine/platform/window.h"

#include <cstdint>
#include <string>

class Canvas;
class SceneSprite;
class Sprite;
class Texture;

class InputPad : public MouseListener, public KeyListener
{
public:
    static constexpr int kKeyCount = 40;
    static constexpr int kMaxLength = 20;
    static const WCHAR kLowerLayout[kKeyCount + 1];
    static const WCHAR kCapsLayout[kKeyCount + 1];

    // textureFolder may be null (flat colours); the texture names likewise.
    InputPad(Canvas* canvas, uint32_t padColor, const WCHAR* textureFolder, const WCHAR* backgroundName,
             const WCHAR* keyName, const WCHAR* buttonName);
    ~InputPad() override = default;
    InputPad(const InputPad&) = delete;
    InputPad& operator=(const InputPad&) = delete;

    void show(Sprite* target, const WCHAR* initialText, const WCHAR* message, int maxLength, bool allowEmpty);
    void onMouse(Window* sender, UINT message, WPARAM keys, int x, int y) override;
    void onKey(Window* sender, UINT message, int key) override;
    void backspace();
    void clear();
    void finish(bool ok);
    void relabelKeys();

    bool isOpen() const { return open; }
    const std::u16string& getText() const { return text; }
    bool isCaps() const { return caps != 0; }
    SceneSprite* getScene() const { return scene; }
    // Key i of the keyboard (0..39).
    Sprite* keySprite(int i) const;

private:
    void build();
    void loadTextures();
    Sprite* addPadSprite(const WCHAR* name, Sprite* sprite, const WCHAR* label);
    void buildFrameAndLines();
    void buildButtons();
    void buildKeys();
    void showText();
    void pressOnMouse(UINT message, Sprite* sprite);
    void actOnRelease(Sprite* sprite);
    int keyIndexOf(int key) const;
    static void keepPosition(Sprite* sprite);

    int32_t firstKeyIndex = 0;
    int32_t caps = 0;
    std::u16string text;
    Sprite* editSprite = nullptr;
    Sprite* messageSprite = nullptr;
    int32_t maxLength = 0;
    int32_t allowEmpty = 0;
    Sprite* target = nullptr;
    uint32_t padColor = 0;
    Texture* backgroundTexture = nullptr;
    Texture* keyTexture = nullptr;
    Texture* buttonTexture = nullptr;
    std::u16string backgroundTextureName;
    std::u16string keyTextureName;
    std::u16string buttonTextureName;
    MouseListener* savedMouseListener = nullptr;
    KeyListener* savedKeyListener = nullptr;
    int32_t lastKey = -1;
    Canvas* canvas = nullptr;
    std::u16string textureFolder;
    SceneSprite* scene = nullptr;
    bool open = false;
};
