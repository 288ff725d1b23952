// span_fill.cpp -- the span routines and their pixel rules
#include "ravenor/engine/render/span_fill.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
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


// ---- the same rules on groups of cells ----
//
// The group loops are written once over a set of vector operations V: Sse2
// (four cells, every x86-64) and Avx2 (eight cells, chosen at run time
// where the processor has it). Both do per lane exactly what the scalar
// rules above do.

#if defined(__SSE2__)
struct Sse2
{
    using R = __m128i;
    static constexpr int kLanes = 4;

    static R Load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void Store(uint32_t* p, R v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static R Splat(uint32_t v) { return _mm_set1_epi32(static_cast<int32_t>(v)); }
    // v, v + step, v + 2 step, ...
    static R Ramp(uint32_t v, uint32_t step)
    {
        return _mm_set_epi32(static_cast<int32_t>(v + 3 * step), static_cast<int32_t>(v + 2 * step),
                             static_cast<int32_t>(v + step), static_cast<int32_t>(v));
    }
    static uint32_t First(R v) { return static_cast<uint32_t>(_mm_cvtsi128_si32(v)); }
    static R Add(R a, R b) { return _mm_add_epi32(a, b); }
    static R Sub(R a, R b) { return _mm_sub_epi32(a, b); }
    static R And(R a, R b) { return _mm_and_si128(a, b); }
    static R AndNot(R a, R b) { return _mm_andnot_si128(a, b); } // ~a & b
    static R Or(R a, R b) { return _mm_or_si128(a, b); }
    static R Xor(R a, R b) { return _mm_xor_si128(a, b); }
    static R IsZero(R a) { return _mm_cmpeq_epi32(a, _mm_setzero_si128()); }
    template <int N> static R ShiftRight(R a) { return _mm_srli_epi32(a, N); }
    template <int N> static R ShiftRightSigned(R a) { return _mm_srai_epi32(a, N); }
    template <int N> static R ShiftLeft(R a) { return _mm_slli_epi32(a, N); }
    // mask ? a : b, lane by lane
    static R Select(R mask, R a, R b) { return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b)); }
    static bool Any(R mask) { return _mm_movemask_epi8(mask) != 0; }
    // Unsigned depth < cell
    static R Passes(R depth, R old)
    {
        const R bias = Splat(0x80000000u);
        return _mm_cmplt_epi32(_mm_xor_si128(depth, bias), _mm_xor_si128(old, bias));
    }

    // table[index] of a 16-bit table, zero-extended; two lanes are joined
    // in a general register so that the loads do not wait on one another.
    static R Gather(const uint16_t* table, R index)
    {
        const uint64_t low = static_cast<uint64_t>(_mm_cvtsi128_si64(index));
        const uint64_t high = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(index, index)));
        return Join(table[static_cast<uint32_t>(low)] | uint64_t{table[low >> 32]} << 32,
                    table[static_cast<uint32_t>(high)] | uint64_t{table[high >> 32]} << 32);
    }
    static R Join(uint64_t a, uint64_t b)
    {
        return _mm_unpacklo_epi64(_mm_cvtsi64_si128(static_cast<int64_t>(a)), _mm_cvtsi64_si128(static_cast<int64_t>(b)));
    }
    // Texels of the texture at the indices (any texture)
    static R Texels(const uint16_t* pixels, R index) { return Gather(pixels, index); }

    // Recip16 at W >> 8 limited to the table: the index saturated to 16
    // bits keeps its side of 0 and 4095.
    static R Recip(R w)
    {
        R at = _mm_srai_epi32(w, 8);
        at = _mm_packs_epi32(at, at);
        at = _mm_min_epi16(_mm_max_epi16(at, _mm_setzero_si128()), _mm_set1_epi16(kRecipEntries - 1));
        const uint64_t i = static_cast<uint64_t>(_mm_cvtsi128_si64(at));
        return Join(Recip16[i & 0xFFFF] | uint64_t{Recip16[(i >> 16) & 0xFFFF]} << 32,
                    Recip16[(i >> 32) & 0xFFFF] | uint64_t{Recip16[i >> 48]} << 32);
    }
    // The low 32 bits of q x v for q below 2^16: q times v's low half (both
    // halves of that product) plus q times v's high half, shifted up.
    static R MulLow(R q, R v)
    {
        const R both = _mm_or_si128(q, _mm_slli_epi32(q, 16));
        return _mm_add_epi32(_mm_mullo_epi16(both, v), _mm_slli_epi32(_mm_mulhi_epu16(both, v), 16));
    }

    // The fog of FogFade::Apply (FitsSixteenBits must hold): floor(c x f /
    // 2^b) for a field c is the high half of (2c) x (f << (15 - b)).
    struct Fog
    {
        static bool Fits(const FogFade& fog) { return fog.FitsSixteenBits(); }
        explicit Fog(const FogFade& fog)
            : start(_mm_set1_epi32(fog.start)), factor(_mm_set1_epi32(fog.factor)),
              scale(_mm_cvtsi32_si128(15 - fog.shift))
        {
        }
        R Apply(R texel, R depth) const
        {
            const R beyond = _mm_cmpgt_epi32(depth, start);
            // A0 - min(A0, into) as one saturated 16-bit difference: both
            // are below 2^16 and their high halves are 0.
            const R into = _mm_srli_epi32(_mm_sub_epi32(depth, start), 16);
            const R f = _mm_sll_epi32(_mm_subs_epu16(factor, into), scale);
            const R r = _mm_mulhi_epu16(_mm_and_si128(_mm_srli_epi32(texel, 10), Splat(0x3E)), f);
            const R g = _mm_mulhi_epu16(_mm_and_si128(_mm_srli_epi32(texel, 4), Splat(0x7E)), f);
            const R b = _mm_mulhi_epu16(_mm_and_si128(_mm_slli_epi32(texel, 1), Splat(0x3E)), f);
            return Select(beyond, _mm_or_si128(_mm_or_si128(_mm_slli_epi32(r, 11), _mm_slli_epi32(g, 5)), b), texel);
        }
        R start, factor, scale;
    };
};
#endif

// clang refuses eight-cell vectors passed between the group helpers and
// the AVX2 loops even where they are inlined: its builds take the SSE2 loops.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define SPAN_AVX2 1
// The group helpers take eight-cell vectors as values; they are always
// inlined into the loops made for AVX2, so no call passes one.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif
#define SPAN_AVX2_TARGET __attribute__((target("avx2")))

struct Avx2
{
    using R = __m256i;
    static constexpr int kLanes = 8;

    SPAN_AVX2_TARGET static R Load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const R*>(p)); }
    SPAN_AVX2_TARGET static void Store(uint32_t* p, R v) { _mm256_storeu_si256(reinterpret_cast<R*>(p), v); }
    SPAN_AVX2_TARGET static R Splat(uint32_t v) { return _mm256_set1_epi32(static_cast<int32_t>(v)); }
    SPAN_AVX2_TARGET static R Ramp(uint32_t v, uint32_t step)
    {
        return _mm256_add_epi32(Splat(v), _mm256_mullo_epi32(Splat(step), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)));
    }
    SPAN_AVX2_TARGET static uint32_t First(R v)
    {
        return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm256_castsi256_si128(v)));
    }
    SPAN_AVX2_TARGET static R Add(R a, R b) { return _mm256_add_epi32(a, b); }
    SPAN_AVX2_TARGET static R Sub(R a, R b) { return _mm256_sub_epi32(a, b); }
    SPAN_AVX2_TARGET static R And(R a, R b) { return _mm256_and_si256(a, b); }
    SPAN_AVX2_TARGET static R AndNot(R a, R b) { return _mm256_andnot_si256(a, b); }
    SPAN_AVX2_TARGET static R Or(R a, R b) { return _mm256_or_si256(a, b); }
    SPAN_AVX2_TARGET static R Xor(R a, R b) { return _mm256_xor_si256(a, b); }
    SPAN_AVX2_TARGET static R IsZero(R a) { return _mm256_cmpeq_epi32(a, _mm256_setzero_si256()); }
    template <int N> SPAN_AVX2_TARGET static R ShiftRight(R a) { return _mm256_srli_epi32(a, N); }
    template <int N> SPAN_AVX2_TARGET static R ShiftRightSigned(R a) { return _mm256_srai_epi32(a, N); }
    template <int N> SPAN_AVX2_TARGET static R ShiftLeft(R a) { return _mm256_slli_epi32(a, N); }
    SPAN_AVX2_TARGET static R Select(R mask, R a, R b) { return _mm256_blendv_epi8(b, a, mask); }
    SPAN_AVX2_TARGET static bool Any(R mask) { return _mm256_movemask_epi8(mask) != 0; }
    SPAN_AVX2_TARGET static R Passes(R depth, R old)
    {
        const R bias = Splat(0x80000000u);
        return _mm256_cmpgt_epi32(_mm256_xor_si256(old, bias), _mm256_xor_si256(depth, bias));
    }

    // Texels of a texture with an even number of pixels (every frame
    // then starts on an even texel): the 32-bit pair holding the texel is
    // gathered, never a byte outside the pixels, and the texel shifted down.
    SPAN_AVX2_TARGET static R Texels(const uint16_t* pixels, R index)
    {
        const R pairs = _mm256_i32gather_epi32(reinterpret_cast<const int*>(pixels), _mm256_srli_epi32(index, 1), 4);
        const R shift = _mm256_slli_epi32(_mm256_and_si256(index, Splat(1)), 4);
        return _mm256_and_si256(_mm256_srlv_epi32(pairs, shift), Splat(0xFFFF));
    }
    SPAN_AVX2_TARGET static R Recip(R w)
    {
        const R at = _mm256_min_epi32(_mm256_max_epi32(_mm256_srai_epi32(w, 8), _mm256_setzero_si256()),
                                      Splat(kRecipEntries - 1));
        return _mm256_i32gather_epi32(Recip16Wide, at, 4);
    }
    SPAN_AVX2_TARGET static R MulLow(R q, R v) { return _mm256_mullo_epi32(q, v); }

    // The fog of FogFade::Apply in every lane, with the same 32-bit products.
    struct Fog
    {
        static bool Fits(const FogFade& fog) { return fog.shift >= 0 && fog.shift < 32; }
        SPAN_AVX2_TARGET explicit Fog(const FogFade& fog)
            : start(_mm256_set1_epi32(fog.start)), factor(_mm256_set1_epi32(fog.factor)),
              shift(_mm_cvtsi32_si128(fog.shift))
        {
        }
        SPAN_AVX2_TARGET R Apply(R texel, R depth) const
        {
            const R beyond = _mm256_cmpgt_epi32(depth, start);
            const R into = _mm256_srli_epi32(_mm256_sub_epi32(depth, start), 16);
            const R f = _mm256_sub_epi32(factor, _mm256_min_epi32(factor, into));
            auto field = [&](uint32_t mask) SPAN_AVX2_TARGET {
                const R m = Splat(mask);
                return _mm256_and_si256(_mm256_srl_epi32(_mm256_mullo_epi32(_mm256_and_si256(texel, m), f), shift), m);
            };
            return Select(beyond, _mm256_or_si256(_mm256_or_si256(field(kRed), field(kGreen)), field(kBlue)), texel);
        }
        R start, factor;
        __m128i shift;
    };
};
#else
#define SPAN_AVX2_TARGET
#endif

#if defined(__SSE2__)
// The pixel rules of PutTexel on a group of cells
template <class V>
[[gnu::always_inline]] inline typename V::R HalfFieldsOf(typename V::R t, typename V::R o)
{
    return V::Add(V::And(t, o), V::template ShiftRight<1>(V::And(V::Xor(t, o), V::Splat(0xF7DE))));
}

template <class V>
[[gnu::always_inline]] inline typename V::R AddFieldsOf(typename V::R t, typename V::R o)
{
    using R = typename V::R;
    const R rbMask = V::Splat(0xF81F), gMask = V::Splat(kGreen);
    R rb = V::Add(V::And(t, rbMask), V::And(o, rbMask));
    R g = V::Add(V::And(t, gMask), V::And(o, gMask));
    const R rbCarry = V::And(rb, V::Splat(0x10020));
    const R gCarry = V::And(g, V::Splat(0x0800));
    rb = V::And(V::Or(rb, V::Sub(rbCarry, V::template ShiftRight<5>(rbCarry))), rbMask);
    g = V::And(V::Or(g, V::Sub(gCarry, V::template ShiftRight<6>(gCarry))), gMask);
    return V::Or(rb, g);
}

template <class V>
[[gnu::always_inline]] inline typename V::R CoarseFieldsOf(typename V::R t, typename V::R o)
{
    return V::template ShiftRight<1>(V::Add(V::And(t, V::Splat(0x3FE0)), V::And(o, V::Splat(0x3FFF))));
}

// Writes a group's texels by P where 'pass' is set; 'depth' is the pixels'
// 16.16 depth.
template <class V, Put P>
[[gnu::always_inline]] inline void PutTexels(uint32_t* cell, typename V::R old, typename V::R pass, typename V::R depth,
                      typename V::R texel)
{
    using R = typename V::R;
    constexpr bool keyed = P == Put::Key || P == Put::HalfKey || P == Put::AddKey || P == Put::CoarseKey;
    if constexpr (keyed)
        pass = V::AndNot(V::IsZero(texel), pass);
    const R high = V::Splat(0xFFFF0000u);
    const R colour = V::AndNot(high, old);
    R out;
    if constexpr (P == Put::Opaque || P == Put::Key)
        out = V::Or(V::And(depth, high), texel);
    else if constexpr (P == Put::Half || P == Put::HalfKey)
        out = V::Or(V::And(old, high), HalfFieldsOf<V>(texel, colour));
    else if constexpr (P == Put::AddKey)
        out = V::Or(V::And(old, high), AddFieldsOf<V>(texel, colour));
    else
        out = V::Or(V::And(old, high), CoarseFieldsOf<V>(texel, colour));
    V::Store(cell, V::Select(pass, out, old));
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

#if defined(__SSE2__)
// Whole groups of cells from 'cell' on; 'cell' and 'r' are left at the rest.
template <class V, Put P, bool Fog>
[[gnu::always_inline]] inline void AffineGroups(uint32_t*& cell, uint32_t* end, AffineRun& r, const FogFade& fog)
{
    using R = typename V::R;
    constexpr int n = V::kLanes;
    if (Fog && !V::Fog::Fits(fog))
        return;
    const typename V::Fog fade(fog);
    R u = V::Ramp(r.u, r.du), v = V::Ramp(r.v, r.dv), d = V::Ramp(r.d, r.dd);
    const R du = V::Splat(n * r.du), dv = V::Splat(n * r.dv), dd = V::Splat(n * r.dd);
    const R uMask = V::Splat(r.uMask), vMask = V::Splat(r.vMask);
    for (; end - cell >= n; cell += n)
    {
        const R old = V::Load(cell);
        const R pass = V::Passes(d, old);
        if (V::Any(pass))
        {
            const R index = V::template ShiftRight<16>(V::Add(V::And(u, uMask), V::And(v, vMask)));
            R texel = V::Texels(r.pixels, index);
            if constexpr (Fog)
                texel = fade.Apply(texel, d);
            PutTexels<V, P>(cell, old, pass, d, texel);
        }
        u = V::Add(u, du);
        v = V::Add(v, dv);
        d = V::Add(d, dd);
    }
    r.u = V::First(u);
    r.v = V::First(v);
    r.d = V::First(d);
}
#endif

template <Put P, bool Fog>
[[gnu::always_inline]] inline void AffineRest(uint32_t* cell, uint32_t* end, AffineRun& r, const FogFade& fog)
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

template <Put P, bool Fog>
void AffineLoop(uint32_t* cell, uint32_t* end, AffineRun r, FogFade fog)
{
#if defined(__SSE2__)
    AffineGroups<Sse2, P, Fog>(cell, end, r, fog);
#endif
    AffineRest<P, Fog>(cell, end, r, fog);
}

#if defined(SPAN_AVX2)
template <Put P, bool Fog>
SPAN_AVX2_TARGET void AffineLoopAvx2(uint32_t* cell, uint32_t* end, AffineRun r, FogFade fog)
{
    AffineGroups<Avx2, P, Fog>(cell, end, r, fog);
    AffineGroups<Sse2, P, Fog>(cell, end, r, fog);
    AffineRest<P, Fog>(cell, end, r, fog);
}
#endif

using AffineLoopFn = void (*)(uint32_t*, uint32_t*, AffineRun, FogFade);

// By draw mode, without and with fog (only modes 0 and 1 are fogged).
#define SPAN_AFFINE_TABLE(loop)                                                                                        \
    {                                                                                                                  \
        {loop<Put::Opaque, false>, loop<Put::Opaque, true>}, {loop<Put::Key, false>, loop<Put::Key, true>},            \
            {loop<Put::Half, false>, loop<Put::Half, false>}, {loop<Put::HalfKey, false>, loop<Put::HalfKey, false>},  \
        {                                                                                                              \
            loop<Put::AddKey, false>, loop<Put::AddKey, false>                                                         \
        }                                                                                                              \
    }

constexpr AffineLoopFn kAffineLoops[5][2] = SPAN_AFFINE_TABLE(AffineLoop);
#if defined(SPAN_AVX2)
constexpr AffineLoopFn kAffineLoopsAvx2[5][2] = SPAN_AFFINE_TABLE(AffineLoopAvx2);
#endif

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

#if defined(__SSE2__)
template <class V, Put P>
[[gnu::always_inline]] inline void PerspectiveGroups(uint32_t*& cell, uint32_t* end, PerspectiveRun& r)
{
    using R = typename V::R;
    constexpr uint32_t n = V::kLanes;
    const auto bits = [](int32_t v) { return static_cast<uint32_t>(v); };
    R w = V::Ramp(bits(r.w), bits(r.dw)), u = V::Ramp(bits(r.u), bits(r.du)), v = V::Ramp(bits(r.v), bits(r.dv));
    R d = V::Ramp(r.d, r.dd);
    const R dw = V::Splat(n * bits(r.dw)), du = V::Splat(n * bits(r.du)), dv = V::Splat(n * bits(r.dv));
    const R dd = V::Splat(n * r.dd);
    const R uMask = V::Splat(r.uMask), vMask = V::Splat(r.vMask);
    for (; end - cell >= static_cast<ptrdiff_t>(n); cell += n)
    {
        const R old = V::Load(cell);
        const R pass = V::Passes(d, old);
        if (V::Any(pass))
        {
            const R q = V::Recip(w);
            const R tu = V::MulLow(q, V::template ShiftRightSigned<10>(u));
            const R tv = V::MulLow(q, V::template ShiftRightSigned<6>(v));
            const R index = V::template ShiftRight<16>(V::Add(V::And(tu, uMask), V::And(tv, vMask)));
            PutTexels<V, P>(cell, old, pass, d, V::Texels(r.pixels, index));
        }
        w = V::Add(w, dw);
        u = V::Add(u, du);
        v = V::Add(v, dv);
        d = V::Add(d, dd);
    }
    r.w = static_cast<int32_t>(V::First(w));
    r.u = static_cast<int32_t>(V::First(u));
    r.v = static_cast<int32_t>(V::First(v));
    r.d = V::First(d);
}
#endif

template <Put P>
[[gnu::always_inline]] inline void PerspectiveRest(uint32_t* cell, uint32_t* end, PerspectiveRun& r)
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

template <Put P>
void PerspectiveLoop(uint32_t* cell, uint32_t* end, PerspectiveRun r)
{
#if defined(__SSE2__)
    PerspectiveGroups<Sse2, P>(cell, end, r);
#endif
    PerspectiveRest<P>(cell, end, r);
}

#if defined(SPAN_AVX2)
template <Put P>
SPAN_AVX2_TARGET void PerspectiveLoopAvx2(uint32_t* cell, uint32_t* end, PerspectiveRun r)
{
    PerspectiveGroups<Avx2, P>(cell, end, r);
    PerspectiveGroups<Sse2, P>(cell, end, r);
    PerspectiveRest<P>(cell, end, r);
}
#endif

using PerspectiveLoopFn = void (*)(uint32_t*, uint32_t*, PerspectiveRun);

#define SPAN_PERSPECTIVE_TABLE(loop)                                                                                   \
    {                                                                                                                  \
        loop<Put::Opaque>, loop<Put::Key>, loop<Put::Coarse>, loop<Put::CoarseKey>, loop<Put::CoarseKey>               \
    }

constexpr PerspectiveLoopFn kPerspectiveLoops[5] = SPAN_PERSPECTIVE_TABLE(PerspectiveLoop);
#if defined(SPAN_AVX2)
constexpr PerspectiveLoopFn kPerspectiveLoopsAvx2[5] = SPAN_PERSPECTIVE_TABLE(PerspectiveLoopAvx2);
#endif

// Whether the eight-cell loops run (the processor has AVX2, and tests have
// not asked for the four-cell ones).
bool WideAvailable()
{
#if defined(SPAN_AVX2)
    return __builtin_cpu_supports("avx2") != 0;
#else
    return false;
#endif
}

bool g_wideSpans = WideAvailable();

#if defined(SPAN_AVX2)
// The eight-cell loops read texels in pairs: the texture needs an even
// number of pixels.
[[maybe_unused]] bool WideFor(const TexImage& tex)
{
    return g_wideSpans && (tex.width * tex.height) % 2 == 0;
}
#endif

// The flat span: a grey from the shade (draw mode 0) or the colour blended.
// The grey of a shade: (shade >> 16) x 31 / 1024 limited to 0..31. The
// quotient rounds towards 0, but every negative one ends at 0 either way,
// so an arithmetic shift serves.
template <bool Grey>
void FlatLoop(uint32_t* cell, uint32_t* end, int32_t s, int32_t ds, uint32_t d, uint32_t dd, uint16_t colour)
{
#if defined(__SSE2__)
    {
        using V = Sse2;
        __m128i shade = V::Ramp(static_cast<uint32_t>(s), static_cast<uint32_t>(ds)), depth = V::Ramp(d, dd);
        const __m128i shadeStep = V::Splat(4 * static_cast<uint32_t>(ds)), depthStep = V::Splat(4 * dd);
        const __m128i high = V::Splat(0xFFFF0000u), colours = V::Splat(colour), zero = _mm_setzero_si128();
        for (; end - cell >= 4; cell += 4)
        {
            const __m128i old = V::Load(cell);
            const __m128i pass = V::Passes(depth, old);
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
                out = _mm_or_si128(_mm_and_si128(old, high), HalfFieldsOf<V>(colours, _mm_andnot_si128(high, old)));
            }
            V::Store(cell, V::Select(pass, out, old));
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

bool UseWideSpans(bool on)
{
    const bool was = g_wideSpans;
    g_wideSpans = on && WideAvailable();
    return was;
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
#if defined(SPAN_AVX2)
    if (WideFor(tex))
        return kAffineLoopsAvx2[tex.drawMode][fogged](cells + c.begin, cells + c.end, r, FogFade(g_spanFog));
#endif
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
#if defined(SPAN_AVX2)
    if (WideFor(tex))
        return kPerspectiveLoopsAvx2[tex.drawMode](cells + c.begin, cells + c.end, r);
#endif
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
