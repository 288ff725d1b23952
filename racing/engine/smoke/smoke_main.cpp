// smoke_main.cpp -- the racing engine's smoke program
//
// A racing frame window with one page driven by its window timer inside the
// blocking loop: a textured car (a 3DS box) turning on the spot and followed
// by the racing camera in chase mode 2 (its offset in world axes, so the car is seen turning), over sky and ground, with a spinning
// badge (a 2D group) in the top-left corner. The racing renderers are not
// built yet, so the page draws with the engine's 2D quad filler: the car's
// faces sorted far to near, each a quad with its last corner doubled.
// Exit code 0 when the window is closed, 1 when the content is missing.
#include "racing/engine/base_library.h"
#include "racing/engine/camera.h"
#include "racing/engine/canvas.h"

#include "engine/base/matrix_ops.h"
#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"
#include "engine/platform/system_utils.h"
#include "engine/scene/2d/group2d.h"
#include "engine/scene/2d/raster_context.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/3d/model_library.h"
#include "engine/scene/core/texture.h"
#include "engine/scene/core/texture_dictionary.h"

#include <os/windows.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kSky = 0x3060A0;
constexpr uint32_t kGround = 0x305020;

class SmokePage : public racing::Canvas
{
public:
    explicit SmokePage(const WCHAR* folder_) : Canvas(u"smoke page"), folder(folder_) {}
    ~SmokePage() override
    {
        delete car;
        delete badge;
    }

    // The car and the badge from the program's folder; false (with a box)
    // when either is missing.
    bool load()
    {
        car = models.load(folder.c_str(), u"car.3ds", 1.5f, getTextureDictionary(), nullptr, nullptr, folder.c_str());
        Texture* badgeTexture = getTextureDictionary()->load(folder.c_str(), u"badge.bmp", true, false);
        if (!car || car->meshCount() == 0 || !badgeTexture || !badgeTexture->image ||
            badgeTexture->image->width < 2)
        {
            MessageBoxW(nullptr, u"The smoke content (car.3ds, car.bmp, badge.bmp) is missing.", u"Error",
                        MB_ICONSTOP);
            return false;
        }
        badge = new Rect2D(1.0f, badgeTexture, nullptr, false);
        camera.setViewport(getClientWidth(), getClientHeight());
        Vector3 behind(0.0f, 0.5f, -1.0f);
        camera.follow(2, &car->matrix, 11.0f, 60.0f, behind);
        camera.setPosition(0.0f, 2.0f, -8.0f);
        return true;
    }

    void update(float dt) override
    {
        if (dt <= 0.0f)
            return;
        yaw += dt * 0.9f;
        car->matrix.rotY(yaw);
        car->matrix.setTranslationXYZ(std::sin(yaw) * 1.5f, 0.0f, std::cos(yaw) * 1.5f);
        camera.updateFollow(dt);
        spin += dt * 2.0f;
    }

    void renderScenes() override
    {
        Image* surface = getBackBuffer() ? getBackBuffer()->getImage() : nullptr;
        if (!surface || !car)
            return;
        int w = surface->width, h = surface->height;
        surface->drawRect(kSky, 0, 0, w, h / 2, true);
        surface->drawRect(kGround, 0, h / 2, w, h - h / 2, true);
        RasterContext raster(surface, 0, 0, w, h);
        drawCar(raster, w, h);
        drawBadge(raster, w, h);
    }

private:
    struct Quad
    {
        QuadPoint corners[4];
        float depth;
        const Material* material;
    };

    void drawCar(RasterContext& raster, int w, int h)
    {
        Matrix4 toView;
        toView.setProduct(camera.getViewMatrix(), car->matrix);
        float focal = float(camera.projection) / 1024.0f;
        std::vector<Quad> quads;
        for (int m = 0; m < car->meshCount(); ++m)
        {
            const Mesh* mesh = car->mesh(m);
            const Texture* texture = mesh->material ? mesh->material->texture : nullptr;
            int shiftU = texture ? texture->widthLog2 : 0, shiftV = texture ? texture->heightLog2 : 0;
            std::vector<QuadPoint> points(size_t(mesh->vertexCount()));
            std::vector<float> depths(points.size());
            for (int i = 0; i < mesh->vertexCount(); ++i)
            {
                const Vertex* v = mesh->vertex(i);
                Vector3 p;
                p.setFromFixed(v->x, v->y, v->z);
                toView.transformPoint(p);
                depths[size_t(i)] = p.z;
                float z = std::max(p.z, 0.1f);
                points[size_t(i)] = {int32_t(float(w / 2) + p.x * focal / z), int32_t(float(h / 2) - p.y * focal / z),
                                     int32_t(uint32_t(v->u) << shiftU), int32_t(uint32_t(v->v) << shiftV)};
            }
            for (int f = 0; f < mesh->faceCount(); ++f)
            {
                const Face* face = mesh->face(f);
                int idx[3] = {face->a, face->b, face->c};
                if (std::any_of(idx, idx + 3, [&](int i) { return i < 0 || i >= mesh->vertexCount(); }))
                    continue;
                if (std::any_of(idx, idx + 3, [&](int i) { return depths[size_t(i)] < 0.1f; }))
                    continue;
                Quad q{{points[size_t(idx[0])], points[size_t(idx[1])], points[size_t(idx[2])], points[size_t(idx[2])]},
                       depths[size_t(idx[0])] + depths[size_t(idx[1])] + depths[size_t(idx[2])],
                       mesh->material};
                quads.push_back(q);
            }
        }
        std::sort(quads.begin(), quads.end(), [](const Quad& a, const Quad& b) { return a.depth > b.depth; });
        for (const Quad& q : quads)
        {
            raster.setMaterial(q.material);
            raster.fillQuad(q.corners);
        }
    }

    void drawBadge(RasterContext& raster, int w, int h)
    {
        float c = std::cos(spin), s = std::sin(spin);
        Matrix3& m = badge->transform;
        m.m[0] = c, m.m[1] = -s, m.m[3] = s, m.m[4] = c;
        setTranslation2D(m, float(-w / 2 + 30), float(h / 2 - 30));
        Viewport2D view{w, h, 1024, 0};
        for (int i = 0; i < badge->shapes.size(); ++i)
        {
            Shape2D* shape = badge->shape(i);
            for (int p = 0; p < shape->points.size(); ++p)
                shape->point(p)->project(m.m, view);
            raster.setMaterial(shape->material);
            for (int k = 0; k < shape->polygons.size(); ++k)
            {
                const Polygon2D* poly = shape->polygon(k);
                if (!poly->isValidFor(shape->points.size()))
                    continue;
                QuadPoint corners[4] = {shape->point(poly->a)->toQuadPoint(), shape->point(poly->b)->toQuadPoint(),
                                        shape->point(poly->c)->toQuadPoint(), shape->point(poly->d)->toQuadPoint()};
                raster.fillQuad(corners);
            }
        }
    }

    std::u16string folder;
    ModelLibrary models;
    Group3D* car = nullptr;
    Rect2D* badge = nullptr;
    racing::Camera camera{1, 45.0f};
    float yaw = 0.0f;
    float spin = 0.0f;
};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    racing::setFixedPointShift(12, 4);
    WCHAR folder[MAX_PATH] = {};
    getProgramFolder(folder);
    int x = 0, y = 0, width = 240, height = 320;
    getScreenRect(&x, &y, &width, &height);
    racing::Window frame(u"Racing Smoke", nullptr, false);
    if (!frame.create(x, y, width, height))
        return 1;
    auto* page = new SmokePage(folder);
    if (!frame.addChild(page, 0, 0, frame.getClientWidth(), frame.getClientHeight()) || !page->load())
    {
        frame.destroy();
        return 1;
    }
    page->start();
    return racing::runMessageLoop(frame.getHandle());
}
