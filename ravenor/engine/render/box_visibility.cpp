// box_visibility.cpp -- box projection and the occlusion samples
#include "ravenor/engine/render/box_visibility.h"

#include <algorithm>

#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/poly_renderer.h"

namespace {

bool SampleShows(int32_t x, int32_t y, uint32_t limit)
{
    return g_frame[y * kFrameWidth + x] >= limit;
}

// One grid of samples from (x0, y0) every 10 pixels up to (x1, y1)
bool GridShows(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t limit)
{
    for (int32_t y = y0; y <= y1; y += 10)
        for (int32_t x = x0; x <= x1; x += 10)
            if (SampleShows(x, y, limit))
                return true;
    return false;
}

bool OffScreen(const BoundingBox& box)
{
    if (box.allCornersProjected)
        return box.left > 175 || box.right < 1 || box.top >= 220 || box.bottom < 1;
    return box.left > 351 || box.right < -175 || box.top >= 440 || box.bottom < -219;
}

} // namespace

int IsBoxVisible(BoundingBox& box, bool occlusion)
{
    const PolyRenderer& r = g_renderer;
    int32_t projected = 0;
    int32_t left = INT16_MAX, top = INT16_MAX, right = INT16_MIN, bottom = INT16_MIN, nearest = INT16_MAX;
    const Transform& placement = r.Placement();
    WithProjection(r.project, [&](auto project) {
        for (const int16_t* corner : box.corners)
        {
            int32_t c[3];
            placement.ApplyZ(corner, c);
            if (c[2] > -32 || c[2] < r.farDistance - 512)
                continue;
            placement.ApplyXY(corner, c);
            P3dVertex v{};
            project(c[0], c[1], c[2], v);
            left = std::min<int32_t>(left, v.screenX);
            right = std::max<int32_t>(right, v.screenX);
            top = std::min<int32_t>(top, v.screenY);
            bottom = std::max<int32_t>(bottom, v.screenY);
            nearest = std::min<int32_t>(nearest, v.depth);
            ++projected;
        }
    });
    if (projected == 0)
        return 0;
    box.left = static_cast<int16_t>(left);
    box.top = static_cast<int16_t>(top);
    box.right = static_cast<int16_t>(right);
    box.bottom = static_cast<int16_t>(bottom);
    box.nearest = static_cast<int16_t>(nearest);
    if (nearest > -r.farDistance)
        return 0;
    box.allCornersProjected = projected == 8 ? 1 : 0;
    if (OffScreen(box))
        return 0;
    return occlusion ? TestBoxOcclusion(box) : 1;
}

int TestBoxOcclusion(const BoundingBox& box)
{
    if (!box.allCornersProjected)
        return 1;
    const int32_t left = std::clamp<int32_t>(box.left, 0, kFrameWidth - 1);
    const int32_t right = std::clamp<int32_t>(box.right, 0, kFrameWidth - 1);
    const int32_t top = std::clamp<int32_t>(box.top, 0, kFrameHeight - 1);
    const int32_t bottom = std::clamp<int32_t>(box.bottom, 0, kFrameHeight - 1);
    const uint32_t limit = static_cast<uint32_t>(box.nearest) << 16;
    if (GridShows(left, top, right, bottom, limit) || GridShows(left + 5, top + 5, right, bottom, limit))
        return 1;
    return 0;
}
