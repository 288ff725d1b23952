// material.cpp -- names, texture offsets and colour keys of materials
#include "engine/scene/core/material.h"

#include "engine/platform/image.h"
#include "engine/scene/core/fixed_point.h"
#include "engine/scene/core/texture_access.h"

#include <os/wstring.h>

void copyName(WCHAR* out, const WCHAR* text)
{
    int n = 0;
    if (text)
        for (; n < Material::kNameLength - 1 && text[n]; ++n)
            out[n] = text[n];
    out[n] = 0;
}

bool sameName(const WCHAR* a, const WCHAR* b)
{
    return a && b && wcscmp(a, b) == 0;
}

void Material::setName(const WCHAR* text)
{
    copyName(name, text);
}

void Material::setTextureOffset(float u, float v)
{
    textureOffsetU = saturatingInt(double(u) * 65536.0);
    textureOffsetV = saturatingInt(double(v) * 65536.0);
}

void Material::turnTextureCoordinates(int32_t& u, int32_t& v) const
{
    if (!textureRotated)
        return;
    const double du = double(u) - 0x8000, dv = double(v) - 0x8000;
    u = saturatingInt(rotationCos * du + rotationSin * dv - 0x8000);
    v = saturatingInt(rotationCos * dv - rotationSin * du - 0x8000);
}

void Material::useTextureColorKey()
{
    const Image* image = textureImage(texture);
    if (!image || !image->hasColorKey)
        return;
    mask = texture;
    useColorKey = 1;
    colorKey = image->colorKey;
}
