// lighting.h -- light functions, the fog band and the point lights
//
// A light function turns a vertex depth and its light sum into the shade the
// fillers receive. The distance- and table-shaded functions limit the sum to
// 0 or less before they use it, so they answer 1 for every input; the game
// runs with the constant one.
#pragma once

#include <cstdint>

constexpr int32_t kMaxPointLights = 8;

enum : int16_t
{
    kLightOff = 0,
    kLightTwoSided = 1,
    kLightFrontOnly = 2,
};

struct PointLight
{
    int16_t x, y, z;
    int16_t kind;
    int32_t intensity;
    uint32_t radiusLimit;   // squared distance
    int32_t falloff;
};

struct LightingState
{
    int32_t lightCount = 0;
    int32_t fogDistance = 0;   // minus the far distance
    int32_t shift = 10;        // band shift 8..12
    int32_t band = 1024;       // 2^shift
    uint8_t ramp[4096] = {};   // (i * i * 256) / 2^(2 shift)
    PointLight lights[kMaxPointLights] = {};
};
extern LightingState g_lighting;

using LightFunction = int32_t (*)(int32_t depth, int32_t lightSum);

// No point lights, fog distance and band from the arguments, the reciprocal
// tables and the ramp.
void InitLighting(int32_t farDistance, int32_t bandShift);

int32_t LightDistanceShaded(int32_t depth, int32_t lightSum);
int32_t LightTableShaded(int32_t depth, int32_t lightSum);
int32_t LightConstant(int32_t depth, int32_t lightSum);

// Sum of the contributions of the point lights at a camera point with a
// Q14 normal.
int32_t PointLights(const int32_t point[3], const int16_t normal[3]);

// Appends a light; false when all slots are taken.
bool AddPointLight(const PointLight& light);
