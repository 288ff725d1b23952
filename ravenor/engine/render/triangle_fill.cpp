// triangle_fill.cpp -- the edge walker shared by the fillers
#include "ravenor/engine/render/triangle_fill.h"

#include <algorithm>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/reciprocal_tables.h"
#include "ravenor/engine/render/span_fill.h"

namespace {

constexpr int32_t kMaxQuantities = 5;

// The quantities of a filler at its three corners. Quantity 0 is x. A
// quantity with shift s enters as raw << s (16.16); its step per row is
// raw difference x Recip18[dy] >> (18 - s). Shift 0 marks values that are
// already scaled (the perspective forms).
struct Corners
{
    int32_t count;
    int32_t y[3];
    int32_t raw[3][kMaxQuantities];
    int32_t shift[kMaxQuantities];
};

struct Edge
{
    int32_t value[kMaxQuantities];
    int32_t step[kMaxQuantities];
};

// Formed in 64 bits: the same as the 32-bit product wherever that does not
// overflow, and a sound step for deep or tall faces where it would.
int32_t EdgeStep(int32_t diff, int32_t dy, int32_t shift)
{
    const int32_t r = Recip18[dy & 0xFFF];
    return static_cast<int32_t>((int64_t{diff} * r) >> (18 - shift));
}

// Edge from corner a to corner b, at row 'row'; Count is c.count, fixed per
// filler so that the loops over the quantities unroll.
template <int32_t Count>
Edge MakeEdge(const Corners& c, int a, int b, int32_t row)
{
    Edge e;
    const int32_t dy = c.y[b] - c.y[a];
    for (int32_t q = 0; q < Count; ++q)
    {
        e.step[q] = EdgeStep(WrapSub(c.raw[b][q], c.raw[a][q]), dy, c.shift[q]);
        e.value[q] = WrapAdd(WrapMul(c.raw[a][q], 1 << c.shift[q]), WrapMul(e.step[q], row - c.y[a]));
    }
    return e;
}

template <int32_t Count>
void Advance(Edge& e)
{
    for (int32_t q = 0; q < Count; ++q)
        e.value[q] = WrapAdd(e.value[q], e.step[q]);
}

// Rows first..end-1 between two edges; 'shortIsLeft' says which edge is left.
template <int32_t Count, typename Span>
void WalkPart(Edge& longEdge, Edge& shortEdge, int32_t first, int32_t end, bool shortIsLeft, Span& span)
{
    for (int32_t row = first; row < end; ++row)
    {
        if (shortIsLeft)
            span(row, shortEdge.value, longEdge.value);
        else
            span(row, longEdge.value, shortEdge.value);
        Advance<Count>(longEdge);
        Advance<Count>(shortEdge);
    }
}

template <int32_t Count, typename Span>
void Walk(const Corners& c, Span span)
{
    const int32_t first = std::max(c.y[0], 0);
    const int32_t bottom = std::min(c.y[2], kFrameHeight);
    if (first >= bottom)
        return;
    Edge longEdge = MakeEdge<Count>(c, 0, 2, first);
    const int32_t middle = std::clamp(c.y[1], first, bottom);
    if (first < middle)
    {
        Edge upper = MakeEdge<Count>(c, 0, 1, first);
        WalkPart<Count>(longEdge, upper, first, middle, upper.step[0] < longEdge.step[0], span);
    }
    if (middle < bottom)
    {
        Edge lower = MakeEdge<Count>(c, 1, 2, middle);
        WalkPart<Count>(longEdge, lower, middle, bottom, lower.step[0] > longEdge.step[0], span);
    }
}

Corners Frame(const FillCorner* corners[3], int32_t count)
{
    Corners c{};
    c.count = count;
    for (int k = 0; k < 3; ++k)
    {
        c.y[k] = corners[k]->vertex->screenY;
        c.raw[k][0] = corners[k]->vertex->screenX;
        c.raw[k][1] = corners[k]->vertex->depth;
    }
    c.shift[0] = c.shift[1] = 16;
    return c;
}

bool HasPixels(const TexImage& tex)
{
    return tex.pixels != nullptr && tex.width != 0;
}

} // namespace

void FillTriangleAffine(const FillCorner& top, const FillCorner& middle, const FillCorner& bottom,
                        const TexImage& tex)
{
    if (!HasPixels(tex))
        return;
    const FillCorner* corners[3] = {&top, &middle, &bottom};
    Corners c = Frame(corners, 4);
    for (int k = 0; k < 3; ++k)
    {
        c.raw[k][2] = corners[k]->u;
        c.raw[k][3] = WrapMul(corners[k]->v, static_cast<int32_t>(tex.width));
    }
    c.shift[2] = c.shift[3] = 12;
    Walk<4>(c, [&tex](int32_t row, const int32_t* l, const int32_t* r) {
        DrawSpanAffine(l[2], l[3], r[2], r[3], l[0], r[0], row, l[1], r[1], tex);
    });
}

void FillTrianglePerspective(const FillCorner& top, const FillCorner& middle, const FillCorner& bottom,
                             const TexImage& tex)
{
    if (!HasPixels(tex))
        return;
    const FillCorner* corners[3] = {&top, &middle, &bottom};
    for (const FillCorner* corner : corners)
    {
        if (corner->vertex->depth >= kRecipEntries || corner->vertex->depth < 1)
        {
            FillTriangleAffine(top, middle, bottom, tex);
            return;
        }
    }
    Corners c = Frame(corners, 5);
    for (int k = 0; k < 3; ++k)
    {
        const int32_t r = Recip18[corners[k]->vertex->depth];
        c.raw[k][2] = WrapMul(r, 256);
        c.raw[k][3] = WrapMul(corners[k]->u, r);
        c.raw[k][4] = WrapMul(WrapMul(corners[k]->v, static_cast<int32_t>(tex.width)) >> 4, r);
    }
    c.shift[2] = c.shift[3] = c.shift[4] = 0;
    Walk<5>(c, [&tex](int32_t row, const int32_t* l, const int32_t* r) {
        DrawSpanPerspective({l[2], l[3], l[4]}, {r[2], r[3], r[4]}, l[0], r[0], row, l[1], r[1], tex);
    });
}

void FillTriangleFlat(const FillCorner& top, const FillCorner& middle, const FillCorner& bottom,
                      const TexImage& tex)
{
    const FillCorner* corners[3] = {&top, &middle, &bottom};
    Corners c = Frame(corners, 3);
    for (int k = 0; k < 3; ++k)
        c.raw[k][2] = corners[k]->vertex->shade;
    c.shift[2] = 16;
    const uint16_t colour = tex.colour;
    const uint32_t mode = tex.drawMode;
    Walk<3>(c, [colour, mode](int32_t row, const int32_t* l, const int32_t* r) {
        DrawSpanFlat(l[2], r[2], l[0], r[0], row, l[1], r[1], colour, mode);
    });
}

void FillTriangleNone(const FillCorner&, const FillCorner&, const FillCorner&, const TexImage&)
{
}
