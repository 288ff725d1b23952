// race_view.cpp -- what the race page draws: the sky panorama, the visible
// stretch of road and walls, the bikes, the start lights and the HUD line.
// Faces are sorted far to near and filled by the 2D quad filler (each a
// quad with its last corner doubled).
#include "racing/moravel/race_canvas.h"

#include "racing/moravel/racing_app.h"

#include "engine/base/matrix4.h"
#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"
#include "engine/scene/2d/raster_context.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/3d/vertex_face.h"
#include "engine/scene/core/texture.h"

#include <os/windows.h>

#include <algorithm>
#include <cmath>

namespace moravel {

namespace {

constexpr float kNear = 0.5f;

struct Projector
{
    Matrix4 toView;
    float focal, cx, cy;
    int shiftU = 0, shiftV = 0;

    // False when the point is behind the near plane.
    bool project(const Vertex* v, QuadPoint& out, float& depth) const
    {
        Vector3 p;
        p.setFromFixed(v->x, v->y, v->z);
        toView.transformPoint(p);
        if (p.z < kNear)
            return false;
        depth = p.z;
        out = {int32_t(cx + p.x * focal / p.z), int32_t(cy - p.y * focal / p.z), int32_t(uint32_t(v->u) << shiftU),
               int32_t(uint32_t(v->v) << shiftV)};
        return true;
    }
};

void addFace(std::vector<RaceCanvas::Quad>& quads, const Mesh& mesh, const Face& face, Projector& proj);

} // namespace

void RaceCanvas::renderScenes()
{
    Image* surface = getBackBuffer() ? getBackBuffer()->getImage() : nullptr;
    if (!surface)
        return;
    if (!isPrepared)
    {
        surface->drawRect(0, 0, 0, surface->width, surface->height, true);
        return;
    }
    drawSky(surface);
    drawWorld(surface);
    drawHud(surface);
}

namespace {

void addFace(std::vector<RaceCanvas::Quad>& quads, const Mesh& mesh, const Face& face, Projector& proj)
{
    const int count = mesh.vertexCount();
    if (face.a < 0 || face.b < 0 || face.c < 0 || face.a >= count || face.b >= count || face.c >= count)
        return;
    RaceCanvas::Quad q;
    float d0, d1, d2;
    if (!proj.project(mesh.vertex(face.a), q.corners[0], d0) || !proj.project(mesh.vertex(face.b), q.corners[1], d1) ||
        !proj.project(mesh.vertex(face.c), q.corners[2], d2))
        return;
    q.corners[3] = q.corners[2];
    q.depth = d0 + d1 + d2;
    q.material = mesh.material;
    quads.push_back(q);
}

void shiftsOf(const Material* m, Projector& proj)
{
    const Texture* t = m ? m->texture : nullptr;
    proj.shiftU = t ? t->widthLog2 : 0;
    proj.shiftV = t ? t->heightLog2 : 0;
}

} // namespace

void RaceCanvas::drawWorld(Image* surface)
{
    std::vector<Quad>& list = quads;
    list.clear();
    const int w = surface->width, h = surface->height;
    Projector proj;
    proj.focal = float(camera.projection) / 1024.0f;
    proj.cx = float(w) / 2.0f;
    proj.cy = float(h) / 2.0f;

    // The road and the walls of the visible segments.
    const int n = track.segmentCount;
    proj.toView.setProduct(camera.getViewMatrix(), trackGroup->matrix);
    int first = window.inverted ? window.last : window.first;
    int count = window.inverted ? n - (window.last - window.first) + 1 : window.last - window.first + 1;
    count = std::min(count, n);
    shiftsOf(trackMesh->material, proj);
    for (int k = 0; k < count; ++k)
    {
        int s = (first + k) % n;
        for (int f = 10 * s; f < 10 * s + 10 && f < trackMesh->faceCount(); ++f)
            addFace(list, *trackMesh, *trackMesh->face(f), proj);
    }
    shiftsOf(wallMesh->material, proj);
    for (int k = 0; k < count; ++k)
    {
        int s = (first + k) % n;
        int base = 8 * (n - 1 - s);
        for (int f = base; f < base + 8 && f < wallMesh->faceCount(); ++f)
            addFace(list, *wallMesh, *wallMesh->face(f), proj);
    }
    // The bikes in sight, each over its shadow.
    proj.toView.copyFrom(camera.getViewMatrix());
    proj.shiftU = proj.shiftV = 0;
    for (DrawnBike* bike : racers)
    {
        if (!bike->visible || !bike->model)
            continue;
        const Vector3& p = bike->motion.position;
        Vector3 along(bike->motion.direction.x, 0.0f, bike->motion.direction.z);
        along.normalize();
        Vector3 across(along.z, 0.0f, -along.x);
        const float halfLong = bike->length * 0.6f, halfWide = bike->width * 0.9f;
        const float y = bike->groundHeight + 0.18f;
        Quad shadow;
        float depth = 0.0f;
        bool inSight = true;
        const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
        for (int k = 0; k < 4 && inSight; ++k)
        {
            Vertex v(p.x + along.x * halfLong * corners[k][0] + across.x * halfWide * corners[k][1], y,
                     p.z + along.z * halfLong * corners[k][0] + across.z * halfWide * corners[k][1], 0, 0);
            float d = 0.0f;
            inSight = proj.project(&v, shadow.corners[k], d);
            depth = std::max(depth, d);
        }
        if (inSight)
        {
            shadow.depth = 3.0f * depth;
            shadow.material = &shadowMaterial;
            list.push_back(shadow);
        }
    }
    for (DrawnBike* bike : racers)
    {
        if (!bike->visible || !bike->model)
            continue;
        Matrix4 world;
        for (int i = 0; i < bike->model->meshCount(); ++i)
        {
            Mesh* mesh = bike->model->mesh(i);
            if (!mesh->visible)
                continue;
            world.setProduct(bike->model->matrix, mesh->matrix);
            proj.toView.setProduct(camera.getViewMatrix(), world);
            shiftsOf(mesh->material, proj);
            for (int f = 0; f < mesh->faceCount(); ++f)
                addFace(list, *mesh, *mesh->face(f), proj);
        }
    }
    std::sort(list.begin(), list.end(), [](const Quad& a, const Quad& b) { return a.depth > b.depth; });
    RasterContext raster(surface, 0, 0, w, h);
    for (const Quad& q : list)
    {
        raster.setMaterial(q.material);
        raster.fillQuad(q.corners);
    }
}

void RaceCanvas::drawSky(Image* surface)
{
    const int tw = surface->width, th = surface->height;
    Image* sky = skyTexture ? skyTexture->image : nullptr;
    if (!sky || sky->width <= 0)
    {
        surface->drawRect(backgroundColour, 0, 0, tw, th, true);
        return;
    }
    const Matrix4& view = camera.getViewMatrix();
    Vector3 d(view.m[8], view.m[9], view.m[10]);
    d.normalize();
    float f = skyHeading(d.x, d.z);
    int x = int(float(sky->width) * f) % sky->width;
    float q = 3.5f * d.y;
    int y = int((skyAltitude - 65.0f) + float(sky->height) * q);
    int top = std::min(y, 0);
    if (top + sky->height < th)
        surface->drawRect(backgroundColour, 0, top + sky->height, tw, th - (top + sky->height), true);
    // The visible part is copied by its source rectangle: an image placed
    // more than a screen width to the left of the target is not drawn at all.
    const int srcY = -top, rows = sky->height + top;
    for (int dx = 0, sx = x; rows > 0 && dx < tw; sx = 0)
    {
        int columns = std::min(sky->width - sx, tw - dx);
        surface->drawImage(*sky, dx, 0, sx, srcY, columns, rows);
        dx += columns;
    }
}

void RaceCanvas::drawHud(Image* surface)
{
    if (lightShown > 0 && lightShown < 4 && trafficLights[lightShown] && trafficLights[lightShown]->image)
    {
        const Image* light = trafficLights[lightShown]->image;
        surface->drawImage(*light, surface->width - 8 - light->width, 8);
    }
    HDC dc = surface->dc;
    if (!dc)
        return;
    SetBkMode(dc, TRANSPARENT);
    auto text = [&](int x, int y, COLORREF colour, const std::string& s) {
        std::u16string wide = racing::toU16(s);
        SetTextColor(dc, colour);
        ExtTextOutW(dc, x, y, 0, nullptr, wide.c_str(), UINT(wide.size()), nullptr);
    };
    if (running)
    {
        std::string line = hudText(laps.lapFigure(), app->raceTime, player->motion.speed);
        text(5, 2, RGB(0, 0, 0), line);
        text(4, 1, RGB(255, 255, 0), line);
    }
    if (showFrameRate)
    {
        char rate[32];
        std::snprintf(rate, sizeof rate, "%2.1f", double(frameTimer.fpsExact));
        text(28, 16, RGB(255, 255, 255), rate);
    }
    if (app->exercise)
        text(surface->width - 56, 20, RGB(255, 255, 255), "[DEMO]");
    if (raceTrack.wrongWay && running)
        text(surface->width / 2 - 40, surface->height / 2, RGB(255, 40, 40), "WRONG WAY");
    if (running)
    {
        surface->drawRect(0x780000, surface->width - 40, surface->height - 20, 40, 20, true);
        text(surface->width - 34, surface->height - 18, RGB(255, 255, 255), "EXIT");
    }
}

} // namespace moravel
