// material.h -- surface description of 3D meshes (and of 2D shapes)
#pragma once

#include <os/types.h>

#include <cstdint>

class Texture;

// Detail levels: 1 flat colour (ColorMaterial), 2 textured and lit (the
// default of TexturedMaterial), 3 with specular highlights, 4 textured and
// unlit with transparency, 5 with reflection map and second colour.
class Material
{
public:
    static constexpr int kNameLength = 64;

    uint32_t color = 0x969696;
    uint32_t color2 = 0;
    int32_t transparency = 0;
    Texture* texture = nullptr;
    int32_t texturePercent = 255;
    Texture* mask = nullptr;
    int32_t useColorKey = 0;
    uint32_t colorKey = 0;
    int32_t textureOffsetU = 0;
    int32_t textureOffsetV = 0;
    int32_t detailLevel;
    WCHAR name[kNameLength] = {};

    // TexturedMaterial's fields live here too so that the renderer reads
    // one record; a ColorMaterial keeps their defaults.
    int32_t twoSided = 0;
    int32_t shininessStrength = 255;
    uint8_t flat = 0;
    uint8_t wireframe = 0;
    int32_t edgeBits = 0;
    int32_t edgeParam = 0;
    Texture* reflectionMap = nullptr;
    int32_t reflectionPercent = 255;
    // The map amounts as fractions (the racing build's loader and
    // rasteriser read these; the percentages above follow them).
    float textureAmount = 1.0f;
    float maskAmount = 1.0f;
    float reflectionAmount = 1.0f;
    // The racing build turns texture coordinates about the texture's centre
    // by this cosine and sine when the flag is set.
    uint8_t textureRotated = 0;
    float rotationCos = 1.0f;
    float rotationSin = 0.0f;

    virtual ~Material() = default;
    virtual Material* clone() const = 0;

    void setName(const WCHAR* text);
    void setTextureOffset(float u, float v);
    void useTextureColorKey();
    // 16.16 texture coordinates turned by the texture rotation when
    // textureRotated is set (else left alone); the result may lie a whole
    // texture away from the plain turn, which the wrapping of texels hides.
    void turnTextureCoordinates(int32_t& u, int32_t& v) const;

protected:
    explicit Material(int level) : detailLevel(level) {}
    Material(const Material&) = default;
};

class TexturedMaterial : public Material
{
public:
    TexturedMaterial() : Material(2) {}
    Material* clone() const override { return new TexturedMaterial(*this); }

private:
    TexturedMaterial(const TexturedMaterial&) = default;
};

class ColorMaterial : public Material
{
public:
    ColorMaterial() : Material(1) {}
    Material* clone() const override { return new ColorMaterial(*this); }

private:
    ColorMaterial(const ColorMaterial&) = default;
};

// Copies at most 63 characters and terminates (names of meshes, materials
// and lights).
void copyName(WCHAR* out, const WCHAR* text);
// Exact comparison of two names; a null name matches nothing.
bool sameName(const WCHAR* a, const WCHAR* b);
