// shade_table.cpp -- building the light tables from the scene's lights
#include "engine/scene/3d/shade_table.h"

#include "engine/platform/pixel_format.h"
#include "engine/scene/3d/light.h"

#include <algorithm>
#include <cmath>

namespace {

struct LightTerms
{
    Vector3 direction;
    float color[3];
    float highlight[3];
    float intensity;
    float exponent;
};

LightTerms termsOf(const Light& light)
{
    LightTerms t;
    t.direction = light.direction;
    t.direction.normalize();
    for (int c = 0; c < 3; ++c)
    {
        const int shift = 16 - 8 * c;
        t.color[c] = float(light.color >> shift & 0xFF);
        t.highlight[c] = float(light.highlightColor >> shift & 0xFF);
    }
    t.intensity = float(light.intensity) * 0.003921569f;
    const float e = float(light.exponent) / 4096.0f;
    t.exponent = 1.0f / (e > 0.01f ? e : 0.01f);
    return t;
}

// The normal of an entry; z from a square root with 15 fraction bits.
Vector3 normalOf(int row, int column)
{
    const float x = float(column - 32) / 32.0f, y = float(row - 32) / 32.0f;
    const double root = std::floor(std::sqrt(double(x) * x + double(y) * y) * 32768.0) / 32768.0;
    const float z = 1.0f - float(root);
    Vector3 n(x, y, z > 0.0f ? z : 0.0f);
    n.normalize();
    return n;
}

// The normals of every entry, worked out once: every scene's table uses them.
const Vector3* entryNormals()
{
    static const Vector3* normals = [] {
        auto* all = new Vector3[ShadeTable::kEntries];
        for (int row = 0; row < ShadeTable::kSide; ++row)
            for (int column = 0; column < ShadeTable::kSide; ++column)
                all[row * ShadeTable::kSide + column] = normalOf(row, column);
        return all;
    }();
    return normals;
}

uint32_t capChannel(uint32_t v)
{
    return v > 255 ? 255 : v;
}

} // namespace

ShadeTable::ShadeTable(const PtrVector* lights, uint32_t ambient, int bits)
    : diffuse(new uint32_t[kEntries]), specular(new uint32_t[kEntries]), bitsPerPixel(bits)
{
    build(lights, ambient);
}

ShadeTable::~ShadeTable()
{
    delete[] diffuse;
    delete[] specular;
}

uint32_t ShadeTable::pack(uint32_t r, uint32_t g, uint32_t b) const
{
    r = capChannel(r);
    g = capChannel(g);
    b = capChannel(b);
    if (bitsPerPixel == 16)
        return rgbTo565(uint8_t(r), uint8_t(g), uint8_t(b));
    return r << 16 | g << 8 | b;
}

void ShadeTable::build(const PtrVector* lights, uint32_t ambient)
{
    const int count = lights ? lights->size() : 0;
    LightTerms* terms = new LightTerms[size_t(count > 0 ? count : 1)];
    for (int i = 0; i < count; ++i)
        terms[i] = termsOf(*static_cast<const Light*>(lights->get(i)));
    const Vector3* normals = entryNormals();
    for (int row = 0; row < kSide; ++row)
    {
        for (int column = 0; column < kSide; ++column)
        {
            const Vector3& n = normals[row * kSide + column];
            uint32_t d[3] = {ambient >> 16 & 0xFF, ambient >> 8 & 0xFF, ambient & 0xFF};
            uint32_t s[3] = {0, 0, 0};
            for (int i = 0; i < count; ++i)
            {
                // A direction too long to be made unit (a template's huge
                // numbers) gives no number here: such a light lights nothing.
                const float facing = terms[i].direction.dot(n) * 255.0f;
                const int dot = facing > 0.0f ? int(std::min(facing, 255.0f)) : 0;
                // The exponent is positive, so a light behind the normal adds
                // no highlight.
                const float power =
                    dot > 0 ? terms[i].intensity * std::pow(float(dot) / 255.0f, terms[i].exponent) : 0.0f;
                for (int c = 0; c < 3; ++c)
                {
                    d[c] += uint32_t(terms[i].color[c]) * uint32_t(dot) >> 8;
                    const float add = terms[i].highlight[c] * power;
                    s[c] += add >= 4294967295.0f ? 0xFFFFFFFFu : uint32_t(add);
                    if (s[c] > 255)
                        s[c] = 255;
                }
            }
            diffuse[row * kSide + column] = pack(d[0], d[1], d[2]);
            specular[row * kSide + column] = pack(s[0], s[1], s[2]);
        }
    }
    delete[] terms;
}
