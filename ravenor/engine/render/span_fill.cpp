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

// Writes one texel by draw mode; the depth test has passed. 'coarse': the
// perspective span's blend for modes 2 to 4.
void PutTexel(uint32_t& cell, int32_t depth, uint16_t texel, uint32_t mode, bool coarse = false)
{
    if (coarse && mode >= kDrawHalf && mode <= kDrawAddKey)
    {
        if (mode == kDrawHalf || texel != 0)
            cell = (cell & 0xFFFF0000u) | BlendCoarse(texel, static_cast<uint16_t>(cell));
        return;
    }
    const uint16_t old = static_cast<uint16_t>(cell);
    switch (mode)
    {
    case kDrawOpaque:
        cell = (static_cast<uint32_t>(depth >> 16) << 16) | texel;
        return;
    case kDrawColourKey:
        if (texel != 0)
            cell = (static_cast<uint32_t>(depth >> 16) << 16) | texel;
        return;
    case kDrawHalf:
        cell = (cell & 0xFFFF0000u) | BlendHalf(texel, old);
        return;
    case kDrawHalfKey:
        if (texel != 0)
            cell = (cell & 0xFFFF0000u) | BlendHalf(texel, old);
        return;
    case kDrawAddKey:
        if (texel != 0)
            cell = (cell & 0xFFFF0000u) | BlendAdd(texel, old);
        return;
    default:
        return;
    }
}

bool Passes(int32_t depth, uint32_t cell)
{
    return static_cast<uint32_t>(depth) < cell;
}

uint16_t Texel(const TexImage& tex, int32_t u, int32_t v)
{
    const uint32_t index = ((static_cast<uint32_t>(u) & tex.uMask) + (static_cast<uint32_t>(v) & tex.vMask)) >> 16;
    return tex.pixels[index];
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
    uint32_t out = 0;
    for (uint32_t mask : {kRed, kGreen, kBlue})
        out |= (((texel & mask) + (old & mask)) >> 1) & mask;
    return static_cast<uint16_t>(out);
}

uint16_t BlendAdd(uint16_t texel, uint16_t old)
{
    uint32_t out = 0;
    for (uint32_t mask : {kRed, kGreen, kBlue})
        out |= std::min<uint32_t>((texel & mask) + (old & mask), mask);
    return static_cast<uint16_t>(out);
}

uint16_t BlendCoarse(uint16_t texel, uint16_t old)
{
    const uint32_t sum = (texel & 0x3800u) + (old & 0x3800u) + (texel & 0x0700u) + (old & 0x0700u) +
                         (texel & 0x00E0u) + (old & 0x00E0u) + (old & 0x001Fu);
    return static_cast<uint16_t>(sum >> 1);
}

uint16_t FogTexel(uint16_t texel, int32_t depth)
{
    const SpanFog& fog = g_spanFog;
    if (depth <= fog.start)
        return texel;
    const int32_t into = static_cast<int32_t>((int64_t{depth} - fog.start) >> 16);
    const uint32_t factor = static_cast<uint32_t>(fog.factor - std::min(fog.factor, into));
    uint32_t out = 0;
    for (uint32_t mask : {kRed, kGreen, kBlue})
        out |= (((texel & mask) * factor) >> fog.shift) & mask;
    return static_cast<uint16_t>(out);
}

void DrawSpanAffine(int32_t u0, int32_t v0, int32_t u1, int32_t v1, int32_t xs, int32_t xe, int32_t row,
                    int32_t d0, int32_t d1, const TexImage& tex)
{
    SpanColumns c;
    if (row < 0 || row >= kFrameHeight || !SpanSetup(xs, xe, c))
        return;
    const int32_t du = SpanStep(u0, u1, c.recip);
    const int32_t dv = SpanStep(v0, v1, c.recip);
    const int32_t dd = SpanStep(d0, d1, c.recip);
    const int32_t skipped = c.begin - c.first;
    int32_t u = WrapAdd(u0, WrapMul(du, skipped));
    int32_t v = WrapAdd(v0, WrapMul(dv, skipped));
    int32_t d = WrapAdd(d0, WrapMul(dd, skipped));
    const bool fogged = tex.drawMode <= kDrawColourKey && (d0 > g_spanFog.start || d1 > g_spanFog.start);
    uint32_t* cells = g_frame + row * kFrameWidth;
    for (int32_t x = c.begin; x < c.end; ++x)
    {
        if (Passes(d, cells[x]))
        {
            const uint16_t texel = Texel(tex, u, v);
            PutTexel(cells[x], d, fogged && texel != 0 ? FogTexel(texel, d) : texel, tex.drawMode);
        }
        u = WrapAdd(u, du);
        v = WrapAdd(v, dv);
        d = WrapAdd(d, dd);
    }
}

void DrawSpanPerspective(const PerspectiveEnd& a, const PerspectiveEnd& b, int32_t xs, int32_t xe, int32_t row,
                         int32_t d0, int32_t d1, const TexImage& tex)
{
    SpanColumns c;
    if (row < 0 || row >= kFrameHeight || a.w < 0 || b.w < 0 || !SpanSetup(xs, xe, c))
        return;
    const int32_t dw = WrapMul(WrapSub(b.w, a.w) >> 6, c.recip) >> 12;
    const int32_t du = WrapMul(c.recip, WrapSub(b.u, a.u) >> 8) >> 10;
    const int32_t dv = WrapMul(c.recip, WrapSub(b.v, a.v) >> 8) >> 10;
    const int32_t dd = SpanStep(d0, d1, c.recip);
    const int32_t skipped = c.begin - c.first;
    int32_t w = WrapAdd(a.w, WrapMul(dw, skipped));
    int32_t u = WrapAdd(a.u, WrapMul(du, skipped));
    int32_t v = WrapAdd(a.v, WrapMul(dv, skipped));
    int32_t d = WrapAdd(d0, WrapMul(dd, skipped));
    uint32_t* cells = g_frame + row * kFrameWidth;
    for (int32_t x = c.begin; x < c.end; ++x)
    {
        if (Passes(d, cells[x]))
        {
            const int32_t q = Recip16At(w >> 8);
            PutTexel(cells[x], d, Texel(tex, WrapMul(q, u >> 10), WrapMul(q, v >> 6)), tex.drawMode, true);
        }
        w = WrapAdd(w, dw);
        u = WrapAdd(u, du);
        v = WrapAdd(v, dv);
        d = WrapAdd(d, dd);
    }
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
    int32_t s = WrapAdd(s0, WrapMul(ds, skipped));
    int32_t d = WrapAdd(d0, WrapMul(dd, skipped));
    uint32_t* cells = g_frame + row * kFrameWidth;
    for (int32_t x = c.begin; x < c.end; ++x)
    {
        if (Passes(d, cells[x]))
        {
            if (drawMode == kDrawOpaque)
            {
                const uint32_t g = static_cast<uint32_t>(std::clamp((s >> 16) * 31 / 1024, 0, 31));
                cells[x] = (static_cast<uint32_t>(d >> 16) << 16) | (g << 11) | (g << 6) | g;
            }
            else
            {
                cells[x] = (cells[x] & 0xFFFF0000u) | BlendHalf(colour, static_cast<uint16_t>(cells[x]));
            }
        }
        s = WrapAdd(s, ds);
        d = WrapAdd(d, dd);
    }
}
