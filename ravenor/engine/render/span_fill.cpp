// span_fill.cpp -- the span routines and their pixel rules
#include "ravenor/engine/render/span_fill.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Per field texel + old, saturated at the field's maximum: red and blue
// are summed together, green alone; a field that carried out (bit 16, 5 or
// 11) is filled with ones.
inline uint16_t AddFields(uint32_t texel, uint32_t old)
{
    uint32_t rb = (texel & 0xF81Fu) + (old & 0xF81Fu);
    uint32_t g = (texel & kGreen) + (old & kGreen);
    const uint32_t rbCarry = rb & 0x10020u;
    const uint32_t gCarry = g & 0x0800u;
    rb = (rb | (rbCarry - (rbCarry >> 5))) & 0xF81Fu;
    g = (g | (gCarry - (gCarry >> 6))) & kGreen;
    return static_cast<uint16_t>(rb | g);
}

// Texel and old summed on the masks 0x3800, 0x0700 and 0x00E0, with the
// old low 5 bits, halved. The masks do not overlap, so each side's terms
// are one mask: 0x3FE0 of the texel, 0x3FFF of the old colour.
inline uint16_t CoarseFields(uint32_t texel, uint32_t old)
{
    return static_cast<uint16_t>(((texel & 0x3FE0u) + (old & 0x3FFFu)) >> 1);
}

// The fog of one span, read once from g_spanFog.
struct FogFade
{
    explicit FogFade(const SpanFog& fog) : start(fog.start), factor(fog.factor), shift(fog.shift) {}

    // The four-pixel loops take each field's fade as the high half of a
    // 16-bit product, which needs the factor within 0..2^shift <= 2^15.
    bool FitsSixteenBits() const
    {
        return shift >= 0 && shift <= 15 && factor >= 0 && factor <= (1 << shift);
    }

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


#if defined(__SSE2__)
// ---- the same rules on four cells at a time (SSE2) ----

inline __m128i Splat(uint32_t v)
{
    return _mm_set1_epi32(static_cast<int32_t>(v));
}

// mask ? a : b, lane by lane
inline __m128i Select(__m128i mask, __m128i a, __m128i b)
{
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

// The low 32 bits of each lane's product q x v, for q below 2^16: q times
// v's low half (both halves of that product) plus q times v's high half,
// shifted up.
inline __m128i MulLowBy16(__m128i q, __m128i v)
{
    const __m128i both = _mm_or_si128(q, _mm_slli_epi32(q, 16));
    return _mm_add_epi32(_mm_mullo_epi16(both, v), _mm_slli_epi32(_mm_mulhi_epu16(both, v), 16));
}

// table[index] of a 16-bit table for the four lanes, zero-extended; two
// lanes are joined in a general register, so the loads do not wait on one
// another.
inline __m128i Gather(const uint16_t* table, __m128i index)
{
    const uint64_t low = static_cast<uint64_t>(_mm_cvtsi128_si64(index));
    const uint64_t high = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(index, index)));
    const uint64_t a = table[static_cast<uint32_t>(low)] | uint64_t{table[low >> 32]} << 32;
    const uint64_t b = table[static_cast<uint32_t>(high)] | uint64_t{table[high >> 32]} << 32;
    return _mm_unpacklo_epi64(_mm_cvtsi64_si128(static_cast<int64_t>(a)), _mm_cvtsi64_si128(static_cast<int64_t>(b)));
}

// The same with the four indices in the low four 16-bit lanes
inline __m128i GatherByShortIndex(const uint16_t* table, __m128i index)
{
    const uint64_t at = static_cast<uint64_t>(_mm_cvtsi128_si64(index));
    const uint64_t a = table[at & 0xFFFF] | uint64_t{table[(at >> 16) & 0xFFFF]} << 32;
    const uint64_t b = table[(at >> 32) & 0xFFFF] | uint64_t{table[at >> 48]} << 32;
    return _mm_unpacklo_epi64(_mm_cvtsi64_si128(static_cast<int64_t>(a)), _mm_cvtsi64_si128(static_cast<int64_t>(b)));
}

// Four pixels' start values from one and its step: v, v + s, v + 2s, v + 3s
inline __m128i Ramp(uint32_t v, uint32_t step)
{
    return _mm_set_epi32(static_cast<int32_t>(v + 3 * step), static_cast<int32_t>(v + 2 * step),
                         static_cast<int32_t>(v + step), static_cast<int32_t>(v));
}

inline __m128i HalfFields4(__m128i t, __m128i o)
{
    return _mm_add_epi32(_mm_and_si128(t, o), _mm_srli_epi32(_mm_and_si128(_mm_xor_si128(t, o), Splat(0xF7DE)), 1));
}

inline __m128i AddFields4(__m128i t, __m128i o)
{
    const __m128i rbMask = Splat(0xF81F), gMask = Splat(kGreen);
    __m128i rb = _mm_add_epi32(_mm_and_si128(t, rbMask), _mm_and_si128(o, rbMask));
    __m128i g = _mm_add_epi32(_mm_and_si128(t, gMask), _mm_and_si128(o, gMask));
    const __m128i rbCarry = _mm_and_si128(rb, Splat(0x10020));
    const __m128i gCarry = _mm_and_si128(g, Splat(0x0800));
    rb = _mm_and_si128(_mm_or_si128(rb, _mm_sub_epi32(rbCarry, _mm_srli_epi32(rbCarry, 5))), rbMask);
    g = _mm_and_si128(_mm_or_si128(g, _mm_sub_epi32(gCarry, _mm_srli_epi32(gCarry, 6))), gMask);
    return _mm_or_si128(rb, g);
}

inline __m128i CoarseFields4(__m128i t, __m128i o)
{
    return _mm_srli_epi32(_mm_add_epi32(_mm_and_si128(t, Splat(0x3FE0)), _mm_and_si128(o, Splat(0x3FFF))), 1);
}

// The fog of FogFade::Apply on four texels at their depths; FitsSixteenBits
// must hold. floor(c x f / 2^b) for a field c is the high half of
// (2c) x (f << (15 - b)).
struct FogFade4
{
    explicit FogFade4(const FogFade& fog)
        : start(_mm_set1_epi32(fog.start)), factor(_mm_set1_epi32(fog.factor)),
          scale(_mm_cvtsi32_si128(15 - fog.shift))
    {
    }

    __m128i Apply(__m128i texel, __m128i depth) const
    {
        const __m128i beyond = _mm_cmpgt_epi32(depth, start);
        // A0 - min(A0, into) as one saturated 16-bit difference: both are
        // below 2^16 and their high halves are 0.
        const __m128i into = _mm_srli_epi32(_mm_sub_epi32(depth, start), 16);
        const __m128i f = _mm_sll_epi32(_mm_subs_epu16(factor, into), scale);
        const __m128i r = _mm_mulhi_epu16(_mm_and_si128(_mm_srli_epi32(texel, 10), Splat(0x3E)), f);
        const __m128i g = _mm_mulhi_epu16(_mm_and_si128(_mm_srli_epi32(texel, 4), Splat(0x7E)), f);
        const __m128i b = _mm_mulhi_epu16(_mm_and_si128(_mm_slli_epi32(texel, 1), Splat(0x3E)), f);
        const __m128i faded = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(r, 11), _mm_slli_epi32(g, 5)), b);
        return Select(beyond, faded, texel);
    }

    __m128i start;
    __m128i factor;
    __m128i scale;
};

// Writes four texels by P where 'pass' is set; 'depth' is the pixels'
// 16.16 depth.
template <Put P>
inline void PutTexels(uint32_t* cell, __m128i old, __m128i pass, __m128i depth, __m128i texel)
{
    constexpr bool keyed = P == Put::Key || P == Put::HalfKey || P == Put::AddKey || P == Put::CoarseKey;
    if constexpr (keyed)
        pass = _mm_andnot_si128(_mm_cmpeq_epi32(texel, _mm_setzero_si128()), pass);
    const __m128i high = Splat(0xFFFF0000u);
    const __m128i colour = _mm_andnot_si128(high, old);
    __m128i out;
    if constexpr (P == Put::Opaque || P == Put::Key)
        out = _mm_or_si128(_mm_and_si128(depth, high), texel);
    else if constexpr (P == Put::Half || P == Put::HalfKey)
        out = _mm_or_si128(_mm_and_si128(old, high), HalfFields4(texel, colour));
    else if constexpr (P == Put::AddKey)
        out = _mm_or_si128(_mm_and_si128(old, high), AddFields4(texel, colour));
    else
        out = _mm_or_si128(_mm_and_si128(old, high), CoarseFields4(texel, colour));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(cell), Select(pass, out, old));
}

// Unsigned depth < cell, lane by lane
inline __m128i DepthPasses(__m128i depth, __m128i old)
{
    const __m128i bias = Splat(0x80000000u);
    return _mm_cmplt_epi32(_mm_xor_si128(depth, bias), _mm_xor_si128(old, bias));
}
#endif

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
#if defined(__SSE2__)
    if (!Fog || fog.FitsSixteenBits())
    {
        const FogFade4 fog4(fog);
        __m128i u = Ramp(r.u, r.du), v = Ramp(r.v, r.dv), d = Ramp(r.d, r.dd);
        const __m128i du = Splat(4 * r.du), dv = Splat(4 * r.dv), dd = Splat(4 * r.dd);
        const __m128i uMask = Splat(r.uMask), vMask = Splat(r.vMask);
        for (; end - cell >= 4; cell += 4)
        {
            const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cell));
            const __m128i pass = DepthPasses(d, old);
            if (_mm_movemask_epi8(pass) != 0)
            {
                const __m128i index = _mm_srli_epi32(_mm_add_epi32(_mm_and_si128(u, uMask), _mm_and_si128(v, vMask)), 16);
                __m128i texel = Gather(r.pixels, index);
                if constexpr (Fog)
                    texel = fog4.Apply(texel, d);
                PutTexels<P>(cell, old, pass, d, texel);
            }
            u = _mm_add_epi32(u, du);
            v = _mm_add_epi32(v, dv);
            d = _mm_add_epi32(d, dd);
        }
        r.u = static_cast<uint32_t>(_mm_cvtsi128_si32(u));
        r.v = static_cast<uint32_t>(_mm_cvtsi128_si32(v));
        r.d = static_cast<uint32_t>(_mm_cvtsi128_si32(d));
    }
#endif
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
#if defined(__SSE2__)
    {
        const auto step = [](int32_t v) { return static_cast<uint32_t>(v); };
        __m128i w = Ramp(step(r.w), step(r.dw)), u = Ramp(step(r.u), step(r.du)), v = Ramp(step(r.v), step(r.dv));
        __m128i d = Ramp(r.d, r.dd);
        const __m128i dw = Splat(4 * step(r.dw)), du = Splat(4 * step(r.du)), dv = Splat(4 * step(r.dv));
        const __m128i dd = Splat(4 * r.dd);
        const __m128i uMask = Splat(r.uMask), vMask = Splat(r.vMask);
        const __m128i last = _mm_set1_epi16(kRecipEntries - 1);
        for (; end - cell >= 4; cell += 4)
        {
            const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cell));
            const __m128i pass = DepthPasses(d, old);
            if (_mm_movemask_epi8(pass) != 0)
            {
                // Recip16 at W >> 8 limited to the table: the index
                // saturated to 16 bits keeps its side of 0 and 4095.
                __m128i at = _mm_srai_epi32(w, 8);
                at = _mm_packs_epi32(at, at);
                at = _mm_min_epi16(_mm_max_epi16(at, _mm_setzero_si128()), last);
                const __m128i q = GatherByShortIndex(Recip16, at);
                const __m128i tu = MulLowBy16(q, _mm_srai_epi32(u, 10));
                const __m128i tv = MulLowBy16(q, _mm_srai_epi32(v, 6));
                const __m128i index =
                    _mm_srli_epi32(_mm_add_epi32(_mm_and_si128(tu, uMask), _mm_and_si128(tv, vMask)), 16);
                PutTexels<P>(cell, old, pass, d, Gather(r.pixels, index));
            }
            w = _mm_add_epi32(w, dw);
            u = _mm_add_epi32(u, du);
            v = _mm_add_epi32(v, dv);
            d = _mm_add_epi32(d, dd);
        }
        r.w = _mm_cvtsi128_si32(w);
        r.u = _mm_cvtsi128_si32(u);
        r.v = _mm_cvtsi128_si32(v);
        r.d = static_cast<uint32_t>(_mm_cvtsi128_si32(d));
    }
#endif
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
// The grey of a shade: (shade >> 16) x 31 / 1024 limited to 0..31. The
// quotient rounds towards 0, but every negative one ends at 0 either way,
// so an arithmetic shift serves.
template <bool Grey>
void FlatLoop(uint32_t* cell, uint32_t* end, int32_t s, int32_t ds, uint32_t d, uint32_t dd, uint16_t colour)
{
#if defined(__SSE2__)
    {
        __m128i shade = Ramp(static_cast<uint32_t>(s), static_cast<uint32_t>(ds)), depth = Ramp(d, dd);
        const __m128i shadeStep = Splat(4 * static_cast<uint32_t>(ds)), depthStep = Splat(4 * dd);
        const __m128i high = Splat(0xFFFF0000u), colours = Splat(colour), zero = _mm_setzero_si128();
        for (; end - cell >= 4; cell += 4)
        {
            const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cell));
            const __m128i pass = DepthPasses(depth, old);
            __m128i out;
            if constexpr (Grey)
            {
                const __m128i x = _mm_srai_epi32(shade, 16);
                __m128i g = _mm_srai_epi32(_mm_sub_epi32(_mm_slli_epi32(x, 5), x), 10);
                g = _mm_packs_epi32(g, g);
                g = _mm_unpacklo_epi16(_mm_min_epi16(_mm_max_epi16(g, zero), _mm_set1_epi16(31)), zero);
                const __m128i grey = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(g, 11), _mm_slli_epi32(g, 6)), g);
                out = _mm_or_si128(_mm_and_si128(depth, high), grey);
            }
            else
            {
                out = _mm_or_si128(_mm_and_si128(old, high), HalfFields4(colours, _mm_andnot_si128(high, old)));
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(cell), Select(pass, out, old));
            shade = _mm_add_epi32(shade, shadeStep);
            depth = _mm_add_epi32(depth, depthStep);
        }
        s = _mm_cvtsi128_si32(shade);
        d = static_cast<uint32_t>(_mm_cvtsi128_si32(depth));
    }
#endif
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
