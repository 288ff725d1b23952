// scene_object.h -- the base record of everything placed in a scene
//
// Sprites, 2D groups, 3D groups and native-control hosts. The two words
// after objectType are the sprite's status and the input pad's packed
// position; the closing byte is a check box's "persistent" flag.
#pragma once

#include <os/types.h>

#include <cstdint>

class SceneObject
{
public:
    static constexpr int kNameLength = 64;

    enum Type
    {
        SpriteObject = 0,
        Group2DObject = 1,
        Group3DObject = 2,
        ControlObject = 3,
    };

    uint8_t visible = 1;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t objectType = 0;
    int32_t status = 0;
    int32_t extra = 0;
    WCHAR name[kNameLength] = {};
    int32_t cloneFlag = 0;
    int32_t cloneMode = 0;
    uint8_t persistent = 0;

    explicit SceneObject(int type = 0) : objectType(type) {}
    virtual ~SceneObject() = default;

    // Copies at most 63 characters of text (null: empty) and terminates.
    void setName(const WCHAR* text);
    // Copies visible, position, size, type, the two words and the closing
    // byte from another object (clones).
    void copyFieldsFrom(const SceneObject& other);

protected:
    SceneObject(const SceneObject&) = default;
    SceneObject& operator=(const SceneObject&) = default;
};
