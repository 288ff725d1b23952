// chip3d.h -- a textured quad as a 3D group, and its frame animation
#pragma once

#include "engine/scene/3d/group3d.h"

class Texture;

class Chip3D : public Group3D
{
public:
    float chipWidth = 0.0f;
    float chipHeight = 0.0f;

    // orientation: 0 upright in the y-z plane, 1 flat in x-z, 2 upright in x-y.
    Chip3D(float scale, float width, float height, int orientation, Texture* texture, Texture* mask, bool mirror);
    Material* getMaterial() const { return materialCount() > 0 ? material(0) : nullptr; }

private:
    void build(float scale, float width, float height, int orientation, Material* m, bool mirror);
};

class ChipFrames
{
public:
    int32_t currentFrame = 0;
    int32_t count;
    Material* material;
    Texture** textures;
    Texture** masks;

    ChipFrames(Material* m, int frameCount, Texture** textureArray, Texture** maskArray)
        : count(frameCount), material(m), textures(textureArray), masks(maskArray)
    {
    }
    void setFrame(int i);
};
