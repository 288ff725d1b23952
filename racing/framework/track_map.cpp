// track_map.cpp -- the track map of the race screen
#include "racing/framework/track_map.h"

#include "racing/framework/motion_body.h"

#include <algorithm>
#include <cfloat>

namespace racing {

TrackMap::TrackMap(const RECT& rect, int trackPointCount, const Vector3* trackPoints, bool closed_, COLORREF lineColour)
    : closed(closed_)
{
    centreX = (rect.left + rect.right) / 2;
    centreY = (rect.top + rect.bottom) / 2;
    greenPen = CreatePen(PS_SOLID, 1, RGB(0, 0xA0, 0));
    redPen = CreatePen(PS_SOLID, 1, RGB(0xFF, 0, 0));
    linePen = CreatePen(PS_SOLID, 1, lineColour);
    count = trackPoints ? std::max(trackPointCount, 0) / 10 : 0;
    float minX = FLT_MAX, maxX = -FLT_MAX, minZ = FLT_MAX, maxZ = -FLT_MAX;
    for (int k = 0; k < count; ++k)
    {
        const Vector3& p = trackPoints[10 * k];
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minZ = std::min(minZ, p.z), maxZ = std::max(maxZ, p.z);
    }
    const float range = count > 0 ? std::max(maxX - minX, maxZ - minZ) : 0.0f;
    // A track of one point (or none) has no extent: nothing to scale by.
    scale = range > 0.0f ? float(rect.bottom - rect.top) * 0.8f / range : 0.0f;
    mapPoints.resize(size_t(count) + 1);
    for (int k = 0; k < count; ++k)
    {
        int x = 0, y = 0;
        toScreen(trackPoints[10 * k].x, trackPoints[10 * k].z, x, y);
        mapPoints[size_t(k)] = POINT{x, y};
    }
    if (count > 0)
        mapPoints[size_t(count)] = mapPoints[0];
}

TrackMap::~TrackMap()
{
    DeleteObject(greenPen);
    DeleteObject(redPen);
    DeleteObject(linePen);
}

void TrackMap::toScreen(float x, float z, int& px, int& py) const
{
    px = centreX + int(scale * x);
    py = centreY - int(scale * z);
}

void TrackMap::draw(HDC dc) const
{
    if (!dc || count < 1)
        return;
    HGDIOBJ oldPen = SelectObject(dc, linePen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Polyline(dc, mapPoints.data(), closed ? count + 1 : count);
    auto square = [&](int x, int y) { Rectangle(dc, x - 2, y - 2, x + 2, y + 2); };
    square(int(mapPoints[0].x), int(mapPoints[0].y));
    if (!closed)
        square(int(mapPoints[size_t(count - 1)].x), int(mapPoints[size_t(count - 1)].y));
    for (auto it = racers.rbegin(); it != racers.rend(); ++it)
    {
        SelectObject(dc, it->isPlayer ? redPen : greenPen);
        int x = 0, y = 0;
        toScreen(it->motion->position.x, it->motion->position.z, x, y);
        square(x, y);
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
}

} // namespace racing
