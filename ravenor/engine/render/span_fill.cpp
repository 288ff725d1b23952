// span_fill.cpp -- the span routines and their pixel rules
#include "ravenor/engine/render/span_fill.h"

#include <algorithm>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/reciprocal_tables.h"

SpanFog g_spanFog;

namespace {

constexpr uint16_t kRed = 0xF800;
constexpr uint16_t kGreen = 0x07E0;
constexpr uint16_t kBlue = 0x001F;
constexpr int32_t kRightEdge = kFrameWidth << 16;

// The columns of a span and its step reciprocal; false when nothing shows.
struct SpanColumns
{
    int32_t first;     // unclipped start column
    int32_t begin;     // clipped
    int32_t end;       // clipped, exclusive
    int32_t recip;     // Recip18 of the unclipped width
};

bool SpanSetup(int32_t xs, int32_t xe, SpanColumns& c)
{
    if (xe < 0x10000 || xs >= kRightEdge || (xs >> 16) == (xe >> 16))
        return false;
    c.first = xs >> 16;
    const int32_t last = xe >> 16;
    if (last <= c.first)
        return false;
    c.recip = Recip18At(last - c.first);
    c.begin = std::max(c.first, 0);
    c.end = std::min(last, kFrameWidth);
    return c.begin < c.end;
}

// Per-pixel step of a 16.16 quantity: (difference >> 14) x Recip18[width]
// >> 4, the product formed in 64 bits so that deep, narrow spans do not
// overflow it.
int32_t SpanStep(int32_t from, int32_t to, int32_t recip)
{
    return static_cast<int32_t>((int64_t{WrapSub(to, from) >> 14} * recip) >> 4);
}


// ---- pixel rules, inlined into the span loops ----

// Per field (texel + old) / 2, rounded down: the common bits plus half the
// differing ones, with each field's lowest bit cleared so that nothing
// shifts into the field below.
inline uint16_t HalfFields(uint32_t texel, uint32_t old)
{
    return static_cast<uint16_t>((texel & old) + (((texel ^ old) & 0xF7DEu) >> 1));
}

// Per field texel + old, saturated at the field's maximum.
inline uint16_t AddFields(uint32_t texel, uint32_t old)
{
    const uint32_t r = std::min<uint32_t>((texel & kRed) + (old & kRed), kRed);
    const uint32_t g = std::min<uint32_t>((texel & kGreen) + (old & kGreen), kGreen);
    const uint32_t b = std::min<uint32_t>((texel & kBlue) + (old & kBlue), kBlue);
    return static_cast<uint16_t>(r | g | b);
}

inline uint16_t CoarseFields(uint32_t texel, uint32_t old)
{
    const uint32_t sum = (texel & 0x3800u) + (old & 0x3800u) + (texel & 0x0700u) + (old & 0x0700u) +
                         (texel & 0x00E0u) + (old & 0x00E0u) + (old & 0x001Fu);
    return static_cast<uint16_t>(sum >> 1);
}

// The fog of one span, read once from g_spanFog.
struct FogFade
{
    explicit FogFade(const SpanFog& fog) : start(fog.start), factor(fog.factor), shift(fog.shift) {}

    uint16_t Apply(uint32_t texel, int32_t depth) const
    {
        if (depth <= start)
            return static_cast<uint16_t>(texel);
        const int32_t into = static_cast<int32_t>((int64_t{depth} - start) >> 16);
        const uint32_t f = static_cast<uint32_t>(factor - std::min(factor, into));
        return static_cast<uint16_t>(((((texel & kRed) * f) >> shift) & kRed) |
                                     ((((texel & kGreen) * f) >> shift) & kGreen) |
                                     ((((texel & kBlue) * f) >> shift) & kBlue));
    }

    int32_t start;
    int32_t factor;
    int32_t shift;
};

// How a span writes a texel whose depth test passed: the texture's draw
// modes 0 to 4, and the perspective span's coarse blends.
enum class Put
{
    Opaque,
    Key,
    Half,
    HalfKey,
    AddKey,
    Coarse,
    CoarseKey,
};

template <Put P>
inline void PutTexel(uint32_t* cell, uint32_t old, uint32_t depth, uint32_t texel)
{
    constexpr bool keyed = P == Put::Key || P == Put::HalfKey || P == Put::AddKey || P == Put::CoarseKey;
    if (keyed && texel == 0)
        return;
    const uint32_t keep = old & 0xFFFF0000u;
    if constexpr (P == Put::Opaque || P == Put::Key)
        *cell = (depth & 0xFFFF0000u) | texel;
    else if constexpr (P == Put::Half || P == Put::HalfKey)
        *cell = keep | HalfFields(texel, old);
    else if constexpr (P == Put::AddKey)
        *cell = keep | AddFields(texel, old);
    else
        *cell = keep | CoarseFields(texel, old);
}

// One affine span's pixels from 'cell' to 'end': u, v and depth at the
// first and their steps. Texel fetch and depth test as DrawSpanAffine says.
struct AffineRun
{
    uint32_t u, v, d;
    uint32_t du, dv, dd;
    const uint16_t* pixels;
    uint32_t uMask, vMask;
};

template <Put P, bool Fog>
void AffineLoop(uint32_t* cell, uint32_t* end, AffineRun r, FogFade fog)
{
    for (; cell != end; ++cell)
    {
        const uint32_t old = *cell;
        if (r.d < old)
        {
            uint32_t texel = r.pixels[((r.u & r.uMask) + (r.v & r.vMask)) >> 16];
            if constexpr (Fog)
                texel = fog.Apply(texel, static_cast<int32_t>(r.d));
            PutTexel<P>(cell, old, r.d, texel);
        }
        r.u += r.du;
        r.v += r.dv;
        r.d += r.dd;
    }
}

using AffineLoopFn = void (*)(uint32_t*, uint32_t*, AffineRun, FogFade);

// By draw mode, without and with fog (only modes 0 and 1 are fogged).
constexpr AffineLoopFn kAffineLoops[5][2] = {
    {AffineLoop<Put::Opaque, false>, AffineLoop<Put::Opaque, true>},
    {AffineLoop<Put::Key, false>, AffineLoop<Put::Key, true>},
    {AffineLoop<Put::Half, false>, AffineLoop<Put::Half, false>},
    {AffineLoop<Put::HalfKey, false>, AffineLoop<Put::HalfKey, false>},
    {AffineLoop<Put::AddKey, false>, AffineLoop<Put::AddKey, false>},
};

// One perspective span's pixels: W, U, V and depth at the first, their steps.
struct PerspectiveRun
{
    int32_t w, u, v;
    uint32_t d;
    int32_t dw, du, dv;
    uint32_t dd;
    const uint16_t* pixels;
    uint32_t uMask, vMask;
};

template <Put P>
void PerspectiveLoop(uint32_t* cell, uint32_t* end, PerspectiveRun r)
{
    for (; cell != end; ++cell)
    {
        const uint32_t old = *cell;
        if (r.d < old)
        {
            const uint32_t q = Recip16At(r.w >> 8);
            const uint32_t tu = q * static_cast<uint32_t>(r.u >> 10);
            const uint32_t tv = q * static_cast<uint32_t>(r.v >> 6);
            PutTexel<P>(cell, old, r.d, r.pixels[((tu & r.uMask) + (tv & r.vMask)) >> 16]);
        }
        r.w = WrapAdd(r.w, r.dw);
        r.u = WrapAdd(r.u, r.du);
        r.v = WrapAdd(r.v, r.dv);
        r.d += r.dd;
    }
}

using PerspectiveLoopFn = void (*)(uint32_t*, uint32_t*, PerspectiveRun);

constexpr PerspectiveLoopFn kPerspectiveLoops[5] = {
    PerspectiveLoop<Put::Opaque>, PerspectiveLoop<Put::Key>, PerspectiveLoop<Put::Coarse>,
    PerspectiveLoop<Put::CoarseKey>, PerspectiveLoop<Put::CoarseKey>,
};

// The flat span: a grey from the shade (draw mode 0) or the colour blended.
template <bool Grey>
void FlatLoop(uint32_t* cell, uint32_t* end, int32_t s, int32_t ds, uint32_t d, uint32_t dd, uint16_t colour)
{
    for (; cell != end; ++cell)
    {
        const uint32_t old = *cell;
        if (d < old)
        {
            if constexpr (Grey)
            {
                const uint32_t g = static_cast<uint32_t>(std::clamp((s >> 16) * 31 / 1024, 0, 31));
                *cell = (d & 0xFFFF0000u) | (g << 11) | (g << 6) | g;
            }
            else
            {
                *cell = (old & 0xFFFF0000u) | HalfFields(colour, old);
            }
        }
        s = WrapAdd(s, ds);
        d += dd;
    }
}

} // namespace

void SetSpanFog(int32_t farDistance, int32_t shift)
{
    g_spanFog.shift = shift;
    g_spanFog.factor = 1 << shift;
    g_spanFog.start = WrapMul(-(1 << shift) - farDistance - 300, 0x10000);
}

void ClearSpanFog()
{
    g_spanFog = SpanFog{};
}

uint16_t BlendHalf(uint16_t texel, uint16_t old)
{
    return HalfFields(texel, old);
}

uint16_t BlendAdd(uint16_t texel, uint16_t old)
{
    return AddFields(texel, old);
}

uint16_t BlendCoarse(uint16_t texel, uint16_t old)
{
    return CoarseFields(texel, old);
}

uint16_t FogTexel(uint16_t texel, int32_t depth)
{
    return FogFade(g_spanFog).Apply(texel, depth);
}

void DrawSpanAffine(int32_t u0, int32_t v0, int32_t u1, int32_t v1, int32_t xs, int32_t xe, int32_t row,
                    int32_t d0, int32_t d1, const TexImage& tex)
{
    SpanColumns c;
    if (tex.drawMode > kDrawAddKey || row < 0 || row >= kFrameHeight || !SpanSetup(xs, xe, c))
        return;
    const int32_t du = SpanStep(u0, u1, c.recip);
    const int32_t dv = SpanStep(v0, v1, c.recip);
    const int32_t dd = SpanStep(d0, d1, c.recip);
    const int32_t skipped = c.begin - c.first;
    const AffineRun r{static_cast<uint32_t>(WrapAdd(u0, WrapMul(du, skipped))),
                      static_cast<uint32_t>(WrapAdd(v0, WrapMul(dv, skipped))),
                      static_cast<uint32_t>(WrapAdd(d0, WrapMul(dd, skipped))),
                      static_cast<uint32_t>(du),
                      static_cast<uint32_t>(dv),
                      static_cast<uint32_t>(dd),
                      tex.pixels,
                      tex.uMask,
                      tex.vMask};
    const bool fogged = d0 > g_spanFog.start || d1 > g_spanFog.start;
    uint32_t* cells = g_frame + row * kFrameWidth;
    kAffineLoops[tex.drawMode][fogged](cells + c.begin, cells + c.end, r, FogFade(g_spanFog));
}

void DrawSpanPerspective(const PerspectiveEnd& a, const PerspectiveEnd& b, int32_t xs, int32_t xe, int32_t row,
                         int32_t d0, int32_t d1, const TexImage& tex)
{
    SpanColumns c;
    if (tex.drawMode > kDrawAddKey || row < 0 || row >= kFrameHeight || a.w < 0 || b.w < 0 || !SpanSetup(xs, xe, c))
        return;
    const int32_t dw = WrapMul(WrapSub(b.w, a.w) >> 6, c.recip) >> 12;
    const int32_t du = WrapMul(c.recip, WrapSub(b.u, a.u) >> 8) >> 10;
    const int32_t dv = WrapMul(c.recip, WrapSub(b.v, a.v) >> 8) >> 10;
    const int32_t dd = SpanStep(d0, d1, c.recip);
    const int32_t skipped = c.begin - c.first;
    const PerspectiveRun r{WrapAdd(a.w, WrapMul(dw, skipped)),
                           WrapAdd(a.u, WrapMul(du, skipped)),
                           WrapAdd(a.v, WrapMul(dv, skipped)),
                           static_cast<uint32_t>(WrapAdd(d0, WrapMul(dd, skipped))),
                           dw,
                           du,
                           dv,
                           static_cast<uint32_t>(dd),
                           tex.pixels,
                           tex.uMask,
                           tex.vMask};
    uint32_t* cells = g_frame + row * kFrameWidth;
    kPerspectiveLoops[tex.drawMode](cells + c.begin, cells + c.end, r);
}

void DrawSpanFlat(int32_t s0, int32_t s1, int32_t xs, int32_t xe, int32_t row, int32_t d0, int32_t d1,
                  uint16_t colour, uint32_t drawMode)
{
    SpanColumns c;
    if (row < 0 || row >= kFrameHeight || !SpanSetup(xs, xe, c))
        return;
    const int32_t ds = SpanStep(s0, s1, c.recip);
    const int32_t dd = SpanStep(d0, d1, c.recip);
    const int32_t skipped = c.begin - c.first;
    const int32_t s = WrapAdd(s0, WrapMul(ds, skipped));
    const uint32_t d = static_cast<uint32_t>(WrapAdd(d0, WrapMul(dd, skipped)));
    uint32_t* cells = g_frame + row * kFrameWidth;
    if (drawMode == kDrawOpaque)
        FlatLoop<true>(cells + c.begin, cells + c.end, s, ds, d, static_cast<uint32_t>(dd), colour);
    else
        FlatLoop<false>(cells + c.begin, cells + c.end, s, ds, d, static_cast<uint32_t>(dd), colour);
}
