// light.h -- a directional light of a 3D scene
#pragma once

#include "engine/base/vector.h"
#include "engine/scene/core/material.h"

#include <cstdint>

class Light
{
public:
    uint32_t color;
    uint32_t highlightColor;
    int32_t intensity; // 1/255 units
    int32_t exponent;  // 1/4096 units
    Vector3 direction;
    WCHAR name[Material::kNameLength] = {};

    Light(const Vector3& dir, uint32_t colour, uint32_t highlight, int32_t intensity_, int32_t exponent_)
        : color(colour), highlightColor(highlight), intensity(intensity_), exponent(exponent_), direction(dir)
    {
        direction.normalize();
    }
    void setName(const WCHAR* text) { copyName(name, text); }
};
