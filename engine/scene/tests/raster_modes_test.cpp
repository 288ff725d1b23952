// raster_modes_test.cpp -- every way the triangle filler and the 2D quad
// filler can draw a pixel, held to the exact pictures they drew when these
// sums were taken
//
// Triangles: each group draws the same three overlapping, clipped triangles over a lit
// background with one detail level and one kind of mask, under every texture
// kind (none, 8 x 8, 12 x 10, stored in the other depth), flat and smooth
// light, fog on and off, in 16 and 32 bits; second colour, texture percent,
// transparency, shininess and reflection maps vary from picture to picture.
// The group's sum covers every pixel and depth word of those pictures. A
// changed sum means some pixel changed: the failing group names the level
// and mask, and HH_RASTER_PICTURES=<folder> writes the pictures as PNG.
// Quads: the same idea over turned, scaled, clipped and straight quads.
#include "raster_fixture.h"

#include "engine/scene/2d/raster_context.h"

#include "engine/base/math_utils.h"
#include "engine/scene/3d/environment.h"
#include "engine/scene/3d/light.h"
#include "os/testing/host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using rastertest::Point;
using rastertest::TriangleSurface;

namespace {

constexpr int kSide = 24;

constexpr uint64_t kSeed = 0xCBF29CE484222325ull;

uint64_t mix(uint64_t hash, uint32_t word)
{
    for (int i = 0; i < 4; ++i)
        hash = (hash ^ ((word >> (8 * i)) & 0xFF)) * 0x100000001B3ull;
    return hash;
}

// The textures of one depth: texel colours include white, black (the default
// key), greys and the keyed colour 0x00FF00.
struct Textures
{
    std::unique_ptr<Texture> small, odd, mask, reflection;

    explicit Textures(int bits)
    {
        small.reset(rastertest::makeTexture(8, 8, bits, [](int x, int y) {
            if ((x + y) % 5 == 0)
                return 0x00FF00u;
            return uint32_t(x * 32) << 16 | uint32_t(y * 32) << 8 | uint32_t((x ^ y) * 24);
        }));
        odd.reset(rastertest::makeTexture(12, 10, bits, [](int x, int y) { return uint32_t(x * 20 + 7) << 16 | uint32_t(y * 25) << 8 | 0x80u; }));
        mask.reset(rastertest::makeTexture(8, 8, bits, [](int x, int y) {
            static const uint32_t kinds[] = {0xFFFFFF, 0x000000, 0x808080, 0x204060, 0xFFFFFF, 0xC0C0C0};
            return kinds[(x + 2 * y) % 6];
        }));
        reflection.reset(rastertest::makeTexture(64, 32, bits, [](int x, int y) { return uint32_t(x * 4) << 8 | uint32_t(y * 8) << 16 | 0x10u; }));
    }
};

enum MaskKind
{
    kNoMask,
    kLuminance,
    kLuminanceOtherDepth,
    kKeyed,
    kMaskKinds
};

const char* const kMaskNames[] = {"no mask", "luminance mask", "luminance mask of the other depth", "colour-keyed texture"};

// One picture: level, mask, texture kind (0 none, 1 8 x 8, 2 12 x 10, 3 the
// other depth), flat, fog and the varied weights picked by `variant`.
uint64_t drawPicture(int bits, int level, int maskKind, int textureKind, bool flat, bool fog, int variant,
                     Textures& own, Textures& other, const std::string& pictures)
{
    Light light(Vector3(0.4f, -0.3f, 1.0f), 0xFFE0C0, 0xFFFFFF, 320, 120);
    PtrVector lights;
    lights.add(&light);
    ShadeTable shades(&lights, 0x202830, bits);

    ColorMaterial background;
    background.color = 0x3070B0;
    TexturedMaterial m;
    m.detailLevel = level;
    m.color = 0xC08040;
    m.flat = flat;
    m.texture = textureKind == 1 ? own.small.get() : textureKind == 2 ? own.odd.get() : textureKind == 3 ? other.small.get() : nullptr;
    if (maskKind == kLuminance)
        m.mask = own.mask.get();
    else if (maskKind == kLuminanceOtherDepth)
        m.mask = other.mask.get();
    else if (maskKind == kKeyed)
    {
        m.mask = m.texture ? m.texture : own.small.get();
        m.useColorKey = 1;
        m.colorKey = 0x00FF00;
    }
    m.transparency = variant % 3 == 1 ? 90 : 0;
    m.color2 = variant % 2 ? 0x302010 : 0;
    m.texturePercent = variant % 4 < 2 ? 255 : 150;
    m.shininessStrength = variant % 5 ? 255 : 100;
    m.reflectionPercent = variant % 7 < 4 ? 255 : 120;
    m.reflectionMap = variant % 3 == 0 ? nullptr : variant % 3 == 1 ? own.reflection.get() : other.reflection.get();

    Fog fogRecord(100, 200, 0x4060A0);
    TriangleSurface s(kSide, kSide, bits, &background, &shades);
    if (fog)
        s.rasterizer.loadFog(&fogRecord);
    s.fill(300u << 16);
    s.mesh.material = &m;
    s.mesh.fogColor = variant % 2 ? 0xFFFFFFFFu : 0x806040;
    s.triangle({-5, 2, 80u << 16, -3 << 16, 0, 0, 30}, {20, -3, 150u << 16, 13 << 16, 2 << 16, 254, 10},
               {10, 22, 260u << 16, 4 << 16, 11 << 16, 120, 254});
    s.triangle({22, 4, 120u << 16, 9 << 16, 1 << 16, 40, 200}, {2, 12, 170u << 16, -2 << 16, 7 << 16, 220, 140},
               {26, 25, 90u << 16, 15 << 16, 19 << 16, 10, 60});
    // A face at one depth, far and shallow, to fill the remaining corner.
    s.triangle({0, 14, 210u << 16, 0, 0, 127, 127}, {12, 26, 210u << 16, 6 << 16, 6 << 16, 127, 127},
               {-2, 30, 210u << 16, 0, 9 << 16, 127, 127});

    uint64_t hash = kSeed;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            hash = mix(mix(hash, s.surface->colorAt(x, y)), s.depth[size_t(y * kSide + x)]);
    if (!pictures.empty())
    {
        char name[160];
        std::snprintf(name, sizeof(name), "%s/raster_%d_l%d_m%d_t%d_f%d_g%d.png", pictures.c_str(), bits, level,
                      maskKind, textureKind, int(flat), int(fog));
        os::host::write_png(name, kSide, kSide, s.surface->bits, s.surface->stride, s.surface->pixels);
    }
    return hash;
}

struct Golden
{
    int level;
    int mask;
    uint64_t sum;
};

// Taken from the fillers as they stood before their loops were specialised.
const Golden kGolden[] = {
    {1, 0, 0x3431580A38DD89B9ull},
    {1, 1, 0xBA33D93F18949BB5ull},
    {1, 2, 0x61CAB7082C477789ull},
    {1, 3, 0x56FDEBC5ACE57C75ull},
    {2, 0, 0xDCA9EA493867D221ull},
    {2, 1, 0xAD7AC7025472E735ull},
    {2, 2, 0xBD65CAEAD952EE7Eull},
    {2, 3, 0xC05E84FDCA5F19FDull},
    {3, 0, 0x88D3CB33473C8E75ull},
    {3, 1, 0x68DFA596C4D8C81Dull},
    {3, 2, 0x24A9C0C9365F3042ull},
    {3, 3, 0x2C1513CB96B52326ull},
    {4, 0, 0xE2D54B3E295B7A96ull},
    {4, 1, 0x9CE9E1F546E7CAB3ull},
    {4, 2, 0xBFD6963CDBFF8F94ull},
    {4, 3, 0x713B6A8901933A21ull},
    {5, 0, 0x9DAB44F641FA466Full},
    {5, 1, 0x93C98C3F4D650DB7ull},
    {5, 2, 0x1753C2D1D173EED2ull},
    {5, 3, 0x07B9F63F948A204Dull},
    {6, 0, 0x4AA63556D9F3F99Full},
    {6, 1, 0xEFE82A2B31F008DBull},
    {6, 2, 0xFCC08C5138FA4039ull},
    {6, 3, 0x2A849F88E1B9C0A5ull},
};

// One picture of the 2D filler: four quads (straight, turned, enlarged and
// one cut by the top-left corner of the target) over a plain background.
uint64_t fillPicture(int bits, int level, int maskKind, int textureKind, int variant, Textures& own, Textures& other,
                     const std::string& pictures)
{
    std::unique_ptr<Image> surface(rastertest::makeSurface(kSide, kSide, bits));
    surface->drawRect(0x3070B0, 0, 0, kSide, kSide, true);
    TexturedMaterial m;
    m.detailLevel = level;
    m.color = 0xC08040;
    m.texture = textureKind == 1 ? own.small.get() : textureKind == 2 ? own.odd.get() : textureKind == 3 ? other.small.get() : nullptr;
    if (maskKind == kLuminance)
        m.mask = own.mask.get();
    else if (maskKind == kLuminanceOtherDepth)
        m.mask = other.mask.get();
    else if (maskKind == kKeyed)
    {
        m.mask = m.texture ? m.texture : own.small.get();
        m.useColorKey = 1;
        m.colorKey = 0x00FF00;
    }
    m.transparency = variant % 3 == 1 ? 90 : 0;
    m.color2 = variant % 2 ? 0x302010 : 0;
    m.texturePercent = variant % 4 < 2 ? 255 : 150;
    // The target starts one pixel in, so the last quad is cut by its corner.
    RasterContext context(surface.get(), 1, 1, kSide - 2, kSide - 2);
    context.setMaterial(&m);
    const QuadPoint quads[][4] = {
        {{1, 1, 0, 0}, {9, 1, 8 << 16, 0}, {9, 9, 8 << 16, 8 << 16}, {1, 9, 0, 8 << 16}},
        {{14, 0, 0, 0}, {22, 6, 8 << 16, 0}, {16, 14, 8 << 16, 8 << 16}, {8, 8, 0, 8 << 16}},
        {{4, 12, 0, 0}, {20, 12, 4 << 16, 0}, {20, 21, 4 << 16, 5 << 16}, {4, 21, 0, 5 << 16}},
        {{-5, 14, 1 << 16, 2 << 16}, {3, 10, 14 << 16, 3 << 16}, {6, 30, 12 << 16, 20 << 16}, {-3, 24, 0, 18 << 16}},
    };
    for (const auto& quad : quads)
        context.fillQuad(quad);
    uint64_t hash = kSeed;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            hash = mix(hash, surface->colorAt(x, y));
    if (!pictures.empty())
    {
        char name[160];
        std::snprintf(name, sizeof(name), "%s/fill_%d_l%d_m%d_t%d.png", pictures.c_str(), bits, level, maskKind, textureKind);
        os::host::write_png(name, kSide, kSide, surface->bits, surface->stride, surface->pixels);
    }
    return hash;
}

// Taken from the 2D filler when its gradients along a row came from the long
// edge at the second corner and its spans started at the integer left x.
const Golden kFillGolden[] = {
    {1, 0, 0x4E8FDF16763949DDull},
    {1, 1, 0x7C9A8BFEF3D1D9B5ull},
    {1, 2, 0x2FF4F068B54EFEF5ull},
    {1, 3, 0x64962A1BCF785405ull},
    {2, 0, 0x2502700E9E45645Dull},
    {2, 1, 0x2BEA07AC92262429ull},
    {2, 2, 0x013817B7CC08BE15ull},
    {2, 3, 0xD008F7199CA2D518ull},
};

// Compares the group sums with a table; on a difference prints the sums
// drawn now, ready to be pasted.
template <size_t N, class Draw>
void checkSums(const Golden (&golden)[N], int firstLevel, int lastLevel, Draw draw)
{
    std::string table;
    bool failed = false;
    for (int level = firstLevel; level <= lastLevel; ++level)
        for (int maskKind = 0; maskKind < kMaskKinds; ++maskKind)
        {
            const uint64_t hash = draw(level, maskKind);
            char line[96];
            std::snprintf(line, sizeof(line), "    {%d, %d, 0x%016llXull},\n", level, maskKind, (unsigned long long)hash);
            table += line;
            const Golden* known = nullptr;
            for (const Golden& g : golden)
                if (g.level == level && g.mask == maskKind)
                    known = &g;
            failed |= !known || known->sum != hash;
            if (!known)
                ADD_FAILURE() << "no sum for level " << level << ", " << kMaskNames[maskKind];
            else
                EXPECT_EQ(known->sum, hash) << "level " << level << ", " << kMaskNames[maskKind];
        }
    if (failed)
        std::printf("The sums drawn now:\n%s", table.c_str());
}

std::string picturesFolder()
{
    const char* out = std::getenv("HH_RASTER_PICTURES");
    return out ? out : "";
}

} // namespace

TEST(RasterModes, EveryTriangleModeDrawsItsKnownPicture)
{
    initMathTables();
    const std::string pictures = picturesFolder();
    Textures textures16(16), textures32(32);
    checkSums(kGolden, 1, 6, [&](int level, int maskKind) {
        uint64_t hash = kSeed;
        int variant = level * 7 + maskKind;
        for (int bits : {16, 32})
            for (int textureKind = 0; textureKind < 4; ++textureKind)
                for (bool flat : {false, true})
                    for (bool fog : {false, true})
                    {
                        Textures& own = bits == 16 ? textures16 : textures32;
                        Textures& other = bits == 16 ? textures32 : textures16;
                        const uint64_t picture =
                            drawPicture(bits, level, maskKind, textureKind, flat, fog, variant++, own, other, pictures);
                        hash = mix(mix(hash, uint32_t(picture)), uint32_t(picture >> 32));
                    }
        return hash;
    });
}

TEST(RasterModes, EveryQuadModeDrawsItsKnownPicture)
{
    const std::string pictures = picturesFolder();
    Textures textures16(16), textures32(32);
    checkSums(kFillGolden, 1, 2, [&](int level, int maskKind) {
        uint64_t hash = kSeed;
        int variant = level * 7 + maskKind;
        for (int bits : {16, 32})
            for (int textureKind = 0; textureKind < 4; ++textureKind)
                for (int repeat = 0; repeat < 4; ++repeat)
                {
                    Textures& own = bits == 16 ? textures16 : textures32;
                    Textures& other = bits == 16 ? textures32 : textures16;
                    const uint64_t picture = fillPicture(bits, level, maskKind, textureKind, variant++, own, other, pictures);
                    hash = mix(mix(hash, uint32_t(picture)), uint32_t(picture >> 32));
                }
        return hash;
    });
}
