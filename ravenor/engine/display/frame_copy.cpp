// frame_copy.cpp -- plain rectangle and row copies
#include "ravenor/engine/display/frame_copy.h"

#include <algorithm>
#include <cstring>

namespace {

RECT ClipToBoth(const Surface& a, const Surface& b, const RECT& rect)
{
    RECT r;
    r.left = std::max<LONG>(rect.left, 0);
    r.top = std::max<LONG>(rect.top, 0);
    r.right = std::min<LONG>({rect.right, a.width, b.width});
    r.bottom = std::min<LONG>({rect.bottom, a.height, b.height});
    return r;
}

} // namespace

void CopyRect(Surface& destination, const Surface& source, const RECT& rect)
{
    const RECT r = ClipToBoth(destination, source, rect);
    if (r.left >= r.right || r.top >= r.bottom)
        return;
    const size_t bytes = static_cast<size_t>(r.right - r.left) * 2;
    for (LONG y = r.top; y < r.bottom; ++y)
        std::memcpy(destination.Row(y) + r.left, source.Row(y) + r.left, bytes);
}

void CopyRows(Surface& destination, const Surface& source, int32_t top, int32_t bottom)
{
    const RECT whole{0, top, std::max(destination.width, source.width), bottom};
    const RECT r = ClipToBoth(destination, source, whole);
    if (r.top >= r.bottom)
        return;
    if (destination.pitch == source.pitch && destination.width == source.width)
    {
        std::memcpy(destination.Row(r.top), source.Row(r.top), static_cast<size_t>(r.bottom - r.top) * source.pitch);
        return;
    }
    CopyRect(destination, source, r);
}
