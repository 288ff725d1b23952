// lighting.cpp -- light functions, ramp and point lights
#include "ravenor/engine/render/lighting.h"

#include <algorithm>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/engine/render/reciprocal_tables.h"

LightingState g_lighting;

void InitLighting(int32_t farDistance, int32_t bandShift)
{
    LightingState& l = g_lighting;
    l.lightCount = 0;
    l.fogDistance = -farDistance;
    l.shift = std::clamp(bandShift, 8, 12);
    l.band = 1 << l.shift;
    BuildReciprocalTables();
    const uint32_t divisor = 1u << (2 * l.shift);
    for (int32_t i = 0; i < l.band; ++i)
    {
        const float product = static_cast<float>(i) * static_cast<float>(i) * 256.0f;
        l.ramp[i] = static_cast<uint8_t>(static_cast<uint32_t>(product) / divisor);
    }
}

namespace {

// The sum (limited to 0 or less) scaled inside the band before the fog
// distance less a margin; at least 1.
template <typename Scale>
int32_t ShadeInBand(int32_t depth, int32_t lightSum, int32_t margin, Scale scale)
{
    const LightingState& l = g_lighting;
    int32_t s = std::min(lightSum, 0);
    const int32_t c = l.fogDistance - depth - margin;
    if (c < l.band)
    {
        if (c <= 0)
            return 1;
        s = scale(s, c);
    }
    return std::max(s, 1);
}

} // namespace

int32_t LightDistanceShaded(int32_t depth, int32_t lightSum)
{
    return ShadeInBand(depth, lightSum, 128, [](int32_t s, int32_t c) { return WrapMul(s, c) >> g_lighting.shift; });
}

int32_t LightTableShaded(int32_t depth, int32_t lightSum)
{
    return ShadeInBand(depth, lightSum, 64, [](int32_t s, int32_t c) { return WrapMul(g_lighting.ramp[c], s) >> 8; });
}

int32_t LightConstant(int32_t, int32_t)
{
    return 0;
}

namespace {

int32_t LightContribution(const PointLight& light, const int32_t p[3], const int16_t n[3])
{
    const int32_t d[3] = {light.x - p[0], light.y - p[1], light.z - p[2]};
    const uint32_t q = static_cast<uint32_t>(Dot3(d[0], d[0], d[1], d[1], d[2], d[2]));
    if (q >= light.radiusLimit)
        return 0;
    const int32_t i = light.intensity - (WrapMul(light.falloff, static_cast<int32_t>(q >> 8)) >> 12);
    if (q < 1024)
        return i;
    const int32_t dot = Dot3(n[0], d[0], n[1], d[1], n[2], d[2]);
    const int32_t inverse = Recip18At(FixedSqrt(q));
    const int32_t along = WrapMul(dot >> 12, inverse);
    if (light.kind == kLightFrontOnly)
        return dot > 0 ? static_cast<int32_t>((int64_t{along} * i) >> 20) : 0;
    return static_cast<int32_t>((int64_t{i} * WrapAdd(along, 0x100000)) >> 21);
}

} // namespace

int32_t PointLights(const int32_t point[3], const int16_t normal[3])
{
    int32_t sum = 0;
    for (int32_t k = 0; k < g_lighting.lightCount; ++k)
    {
        const PointLight& light = g_lighting.lights[k];
        if (light.kind != kLightOff)
            sum = WrapAdd(sum, LightContribution(light, point, normal));
    }
    return sum;
}

bool AddPointLight(const PointLight& light)
{
    if (g_lighting.lightCount >= kMaxPointLights)
        return false;
    g_lighting.lights[g_lighting.lightCount++] = light;
    return true;
}
