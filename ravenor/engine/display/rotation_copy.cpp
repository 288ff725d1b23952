// rotation_copy.cpp -- turned copies in 16 x 16 blocks
#include "ravenor/engine/display/rotation_copy.h"

#include <algorithm>
#include <cstring>

#include "ravenor/engine/display/frame_copy.h"

namespace {

constexpr LONG kBlock = 16;

struct Turn
{
    const Surface& own;
    int32_t k;

    uint16_t Pixel(LONG x, LONG y) const
    {
        switch (k)
        {
        case 1: return own.Row(own.height - 1 - x)[y];
        case 2: return own.Row(own.height - 1 - y)[own.width - 1 - x];
        case 3: return own.Row(x)[own.width - 1 - y];
        default: return own.Row(y)[x];
        }
    }
};

// One block, [x0, x1) x [y0, y1) of the screen.
void CopyBlock(Surface& screen, const Turn& turn, LONG x0, LONG y0, LONG x1, LONG y1)
{
    for (LONG y = y0; y < y1; ++y)
    {
        uint16_t* row = screen.Row(y);
        for (LONG x = x0; x < x1; ++x)
            row[x] = turn.Pixel(x, y);
    }
}

// The same block, written a word (two pixels) at a time where the row allows.
void CopyBlockPairs(Surface& screen, const Turn& turn, LONG x0, LONG y0, LONG x1, LONG y1)
{
    for (LONG y = y0; y < y1; ++y)
    {
        uint16_t* row = screen.Row(y);
        LONG x = x0;
        const bool wordAligned = (reinterpret_cast<uintptr_t>(row) & 3) == 0;
        if (!wordAligned || (x & 1))
        {
            row[x] = turn.Pixel(x, y);
            ++x;
        }
        for (; wordAligned && x + 1 < x1; x += 2)
        {
            const uint32_t pair = uint32_t(turn.Pixel(x, y)) | uint32_t(turn.Pixel(x + 1, y)) << 16;
            std::memcpy(row + x, &pair, sizeof pair);
        }
        for (; x < x1; ++x)
            row[x] = turn.Pixel(x, y);
    }
}

RECT Clip(const Surface& screen, const Surface& own, int32_t k, const RECT& rect)
{
    const bool odd = k & 1;
    const LONG width = std::min<LONG>(screen.width, odd ? own.height : own.width);
    const LONG height = std::min<LONG>(screen.height, odd ? own.width : own.height);
    return RECT{std::max<LONG>(rect.left, 0), std::max<LONG>(rect.top, 0), std::min(rect.right, width),
                std::min(rect.bottom, height)};
}

} // namespace

BlockBuild BlockBuildFor(int32_t processorKind)
{
    constexpr int32_t kXScale = 2;
    return processorKind == kXScale ? BlockBuild::WordPairs : BlockBuild::General;
}

void RotateCopy(Surface& screen, const Surface& own, const RECT& rect, int32_t turn, BlockOrder order,
                BlockBuild build)
{
    const int32_t k = turn & 3;
    if (k == 0)
    {
        CopyRect(screen, own, rect);
        return;
    }
    const RECT r = Clip(screen, own, k, rect);
    if (r.left >= r.right || r.top >= r.bottom)
        return;
    const Turn t{own, k};
    const auto copy = build == BlockBuild::WordPairs ? CopyBlockPairs : CopyBlock;
    auto block = [&](LONG bx, LONG by) {
        copy(screen, t, bx, by, std::min(bx + kBlock, r.right), std::min(by + kBlock, r.bottom));
    };
    if (order == BlockOrder::Columns)
    {
        for (LONG bx = r.left; bx < r.right; bx += kBlock)
            for (LONG by = r.top; by < r.bottom; by += kBlock)
                block(bx, by);
    }
    else
    {
        for (LONG by = r.top; by < r.bottom; by += kBlock)
            for (LONG bx = r.left; bx < r.right; bx += kBlock)
                block(bx, by);
    }
}
