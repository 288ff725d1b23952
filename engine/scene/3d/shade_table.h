// shade_table.h -- diffuse and specular light per quantised surface normal
#pragma once

#include "engine/base/ptr_vector.h"

#include <cstdint>

// Two 64 x 64 tables indexed by row * 64 + column, where the entry belongs to
// the normal ((column - 32) / 32, (row - 32) / 32, z). Entries are 0x00RRGGBB
// words, or RGB565 when the surface has exactly 16 bits per pixel.
class ShadeTable
{
public:
    static constexpr int kSide = 64;
    static constexpr int kEntries = kSide * kSide;
    static constexpr int kCentre = 32 * kSide + 32; // the normal facing the eye

    uint32_t* diffuse;
    uint32_t* specular;
    int32_t bitsPerPixel;

    // lights: a list of Light; ambient 0xRRGGBB.
    ShadeTable(const PtrVector* lights, uint32_t ambient, int bitsPerPixel);
    ~ShadeTable();
    ShadeTable(const ShadeTable&) = delete;
    ShadeTable& operator=(const ShadeTable&) = delete;

    void build(const PtrVector* lights, uint32_t ambient);

private:
    uint32_t pack(uint32_t r, uint32_t g, uint32_t b) const;
};
