// track_strip.cpp -- the track strip layout shared by the track builder's
// tests and the content that writes the tracks
#include "racing/framework/track_strip.h"

#include "engine/scene/3d/mesh.h"

#include <os/wstring.h>

#include <cmath>

namespace racing {

StripMesh makeTrackStrip(const std::vector<StripPoint>& centre, const StripShape& shape)
{
    StripMesh mesh;
    const int n = int(centre.size());
    if (n < 2)
        return mesh;
    const float across[8] = {-(shape.halfRoad + shape.outer), -(shape.halfRoad + shape.shoulder), -shape.halfRoad,
                             -shape.centreGap, shape.centreGap, shape.halfRoad, shape.halfRoad + shape.shoulder,
                             shape.halfRoad + shape.outer};
    const float rise[8] = {shape.outerRise, 0, 0, 0, 0, 0, 0, shape.outerRise};
    for (int i = 0; i < n; ++i)
    {
        const StripPoint& prev = centre[size_t((i + n - 1) % n)];
        const StripPoint& next = centre[size_t((i + 1) % n)];
        float fx = next.x - prev.x, fz = next.z - prev.z;
        float len = std::sqrt(fx * fx + fz * fz);
        if (len <= 0.0f)
            fx = 0.0f, fz = 1.0f, len = 1.0f;
        fx /= len, fz /= len;
        // right = up x forward
        float rx = fz, rz = -fx;
        for (int k = 0; k < 8; ++k)
        {
            mesh.positions.push_back(centre[size_t(i)].x + rx * across[k]);
            mesh.positions.push_back(centre[size_t(i)].y + rise[k]);
            mesh.positions.push_back(centre[size_t(i)].z + rz * across[k]);
        }
    }
    for (int i = 0; i < n; ++i)
    {
        int j = (i + 1) % n;
        for (int k = 0; k < 7; ++k)
        {
            int32_t p0 = 8 * i + k, p1 = 8 * i + k + 1, p2 = 8 * j + k + 1, p3 = 8 * j + k;
            mesh.faces.insert(mesh.faces.end(), {p0, p1, p2, p0, p2, p3});
        }
    }
    return mesh;
}

std::vector<StripPoint> ovalCentreLine(int segments, float straight, float radius, float hill)
{
    std::vector<StripPoint> points;
    const float pi = 3.14159265f;
    const float arc = pi * radius;
    const float lap = 2.0f * straight + 2.0f * arc;
    for (int i = 0; i < segments; ++i)
    {
        float d = lap * float(i) / float(segments);
        float x, z;
        if (d < straight)
            x = radius, z = -straight / 2 + d;
        else if (d < straight + arc)
        {
            float a = (d - straight) / radius;
            x = radius * std::cos(a), z = straight / 2 + radius * std::sin(a);
        }
        else if (d < 2 * straight + arc)
            x = -radius, z = straight / 2 - (d - straight - arc);
        else
        {
            float a = (d - 2 * straight - arc) / radius;
            x = -radius * std::cos(a), z = -straight / 2 - radius * std::sin(a);
        }
        float y = hill * 0.5f * (1.0f - std::cos(2.0f * pi * float(i) / float(segments)));
        points.push_back({x, y, z});
    }
    return points;
}

Mesh* makeStripMesh(const StripMesh& strip)
{
    Mesh* mesh = new Mesh();
    wcscpy(mesh->name, u"track");
    for (size_t i = 0; i + 2 < strip.positions.size(); i += 3)
        mesh->addVertex(strip.positions[i], strip.positions[i + 1], strip.positions[i + 2], 0, 0);
    for (size_t i = 0; i + 2 < strip.faces.size(); i += 3)
        mesh->addFace(strip.faces[i], strip.faces[i + 1], strip.faces[i + 2]);
    return mesh;
}

} // namespace racing
