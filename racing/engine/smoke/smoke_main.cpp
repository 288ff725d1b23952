// smoke_main.cpp -- the racing engine's smoke program
//
// Started plainly it shows the smoke screen of engine_demo.properties,
// built by the racing template loader and loaded in stages with its
// progress texts: check boxes (a group whose choice the template keeps), a
// hyperlink to a second page (and back), a tip link showing its tip while
// held, a native edit box, a 2D scene where a masked bar slides, a button
// and three copies of a star over a 3D scene where a cube turns with its
// animated texture beside a flag whose models take turns and a chip lies
// reaching back into the fog. The button and the edit box carry index
// labels: typing 1 presses the button, 2 focuses the edit box.
//
// Started with "car": a racing frame window with one page driven by its
// window timer inside the blocking loop: a textured car (a 3DS box read by the racing loader)
// turning on the spot in a racing 3D scene, followed by the scene's camera in
// chase mode 2 (its offset in world axes, so the car is seen turning), over
// sky and ground, with a spinning badge (a 2D group, drawn with the engine's
// 2D quad filler) in the top-left corner. Exit code 0 when the window is
// closed, 1 when the content is missing.
#include "racing/engine/animators.h"
#include "racing/engine/base_library.h"
#include "racing/engine/camera.h"
#include "racing/engine/canvas.h"
#include "racing/engine/loader3ds.h"
#include "racing/engine/render_target.h"
#include "racing/engine/scene3d.h"
#include "racing/engine/sprite.h"
#include "racing/engine/template_loader.h"

#include "engine/base/matrix_ops.h"
#include "engine/platform/back_buffer.h"
#include "engine/base/resource_files.h"
#include "engine/platform/image.h"
#include "engine/platform/system_utils.h"
#include "engine/scene/2d/group2d.h"
#include "engine/scene/2d/raster_context.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/core/texture.h"
#include "engine/scene/core/texture_dictionary.h"

#include <os/windows.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr uint32_t kSky = 0x3060A0;
constexpr uint32_t kGround = 0x305020;

// The ground under the sky-coloured background of the 3D scene.
class Ground : public racing::RenderTarget::FrameListener
{
public:
    void beforeBackground(Image*) override {}
    void afterBackground(Image* image) override
    {
        image->drawRect(kGround, 0, image->height / 2, image->width, image->height - image->height / 2, true);
    }
};

class SmokePage : public racing::Canvas
{
public:
    explicit SmokePage(const WCHAR* folder_) : Canvas(u"smoke page"), folder(folder_) {}
    ~SmokePage() override { delete badge; }

    // The car and the badge from the program's folder; false (with a box)
    // when either is missing.
    bool load()
    {
        racing::Loader3DS loader;
        car = loader.load(folder.c_str(), u"car.3ds", 1.5f, getTextureDictionary());
        Texture* badgeTexture = getTextureDictionary()->load(folder.c_str(), u"badge.bmp", true, false);
        if (!car || car->meshCount() == 0 || !badgeTexture || !badgeTexture->image ||
            badgeTexture->image->width < 2)
        {
            delete car;
            car = nullptr;
            MessageBoxW(nullptr, u"The smoke content (car.3ds, car.bmp, badge.bmp) is missing.", u"Error",
                        MB_ICONSTOP);
            return false;
        }
        // The car's texture as it is, unlit.
        for (int i = 0; i < car->materialCount(); ++i)
            car->material(i)->detailLevel = 1;
        badge = new Rect2D(1.0f, badgeTexture, nullptr, false);
        scene = new racing::Scene3D(0, 0, getClientWidth(), getClientHeight(), kSky, nullptr);
        scene->addChild(u"car", car);
        addScene(u"road", scene);
        scene->renderer.getTarget()->setListener(&ground);
        scene->initView(getZoom(), getLoadListener(), true);
        Vector3 behind(0.0f, 0.5f, -1.0f);
        scene->camera.follow(2, &car->matrix, 11.0f, 60.0f, behind);
        scene->camera.setPosition(0.0f, 2.0f, -8.0f);
        return true;
    }

    void update(float dt) override
    {
        if (dt <= 0.0f)
            return;
        yaw += dt * 0.9f;
        car->matrix.rotY(yaw);
        car->matrix.setTranslationXYZ(std::sin(yaw) * 1.5f, 0.0f, std::cos(yaw) * 1.5f);
        scene->camera.updateFollow(dt);
        spin += dt * 2.0f;
    }

    void renderScenes() override
    {
        Image* surface = getBackBuffer() ? getBackBuffer()->getImage() : nullptr;
        if (!surface || !car)
            return;
        drawScenes();
        RasterContext raster(surface, 0, 0, surface->width, surface->height);
        drawBadge(raster, surface->width, surface->height);
    }

private:
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
    Group3D* car = nullptr; // the scene's
    racing::Scene3D* scene = nullptr; // the canvas's
    Ground ground;
    Rect2D* badge = nullptr;
    float yaw = 0.0f;
    float spin = 0.0f;
};

// The smoke screen from its template. While a page loads, its progress
// texts are shown on a bar at the bottom of the window.
class DemoPage : public racing::Canvas, racing::LoadListener
{
public:
    static constexpr UINT kRestart = WM_APP + 1;

    DemoPage() : Canvas(u"demo page")
    {
        setLoadListener(this);
        indexKeys = true; // typed digits press the button (1) or focus the edit box (2)
        build2DScenes = true;
    }

    void onLoad(const WCHAR* text, const WCHAR*, int percent) override
    {
        HDC dc = backBufferDC();
        if (!dc)
            return;
        const int w = getClientWidth(), h = getClientHeight();
        RECT bar{0, h - 20, w, h};
        HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
        FillRect(dc, &bar, black);
        DeleteObject(black);
        RECT done{0, h - 4, w * std::clamp(percent, 0, 100) / 100, h};
        HBRUSH green = CreateSolidBrush(RGB(0, 200, 0));
        FillRect(dc, &done, green);
        DeleteObject(green);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        const std::u16string line = text ? text : u"";
        ExtTextOutW(dc, 4, h - 20, 0, nullptr, line.c_str(), UINT(line.size()), nullptr);
        present();
    }

    // After each load the page takes up what it built: the 3D scene is made
    // ready in its stages, the cube and the flag are found.
    void onTemplateLoaded() override
    {
        scene = findScene3D(u"mainScene");
        cube = findGroup3D(u"grpCube");
        flag = findGroup3D(u"grpFlag");
        texAni = getTemplateLoader().findTextureAnimator(u"texAni");
        flagAni = getTemplateLoader().findModelAnimator(u"flagAni");
        if (flag)
            flag->matrix.setTranslationXYZ(3.2f, 0.5f, 0.0f);
        // The chip lies on the ground reaching back into the fog.
        if (Group3D* chip = findGroup3D(u"chipA"))
            chip->matrix.setTranslationXYZ(0.0f, -2.5f, 40.0f);
        bar = findGroup2D(u"rectBar");
        // The "number" copies of the star, side by side.
        for (int i = 0; i < 3; ++i)
        {
            const std::u16string name = u"star" + std::u16string(1, char16_t(u'0' + i));
            if (racing::Sprite* star = findComponent(name.c_str()))
                star->x += 20 * i;
        }
        if (flagAni)
            flagAni->showFrame(0);
        if (scene)
            scene->initView(getZoom(), this, true);
    }

    // A hyperlink stops the canvas after its load: the new page runs again.
    void loadTemplate(const WCHAR* folder, const WCHAR* name, bool replace) override
    {
        Canvas::loadTemplate(folder, name, replace);
        PostMessageW(getHandle(), kRestart, 0, 0);
    }

    bool handleOwnMessage(UINT message, WPARAM w, LPARAM l, LRESULT* result) override
    {
        if (message != kRestart)
            return Canvas::handleOwnMessage(message, w, l, result);
        start();
        *result = 0;
        return true;
    }

    void update(float dt) override
    {
        if (dt <= 0.0f)
            return;
        clock += dt;
        if (cube)
        {
            cube->matrix.rotY(clock * 1.2f);
            cube->matrix.setTranslationXYZ(-2.4f, 0.0f, 0.0f);
        }
        if (texAni)
            texAni->showFrame(int(clock / 0.3f));
        if (flagAni)
            flagAni->showFrame(int(clock / 0.25f));
        // The bar slides to and fro across its 2D scene.
        if (bar)
            setTranslation2D(bar->transform, 24.0f * std::sin(clock * 2.0f), 0.0f);
    }

private:
    racing::Scene3D* scene = nullptr;
    Group3D* cube = nullptr;
    Group3D* flag = nullptr;
    racing::TextureAnimator* texAni = nullptr;
    racing::ModelAnimator* flagAni = nullptr;
    Group2D* bar = nullptr;
    float clock = 0.0f;
};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int)
{
    racing::setFixedPointShift(12, 4);
    WCHAR folder[MAX_PATH] = {};
    getProgramFolder(folder);
    int x = 0, y = 0, width = 240, height = 320;
    getScreenRect(&x, &y, &width, &height);
    racing::Window frame(u"Racing Smoke", nullptr, false);
    if (!frame.create(x, y, width, height))
        return 1;
    std::u16string_view command = commandLine ? commandLine : u"";
    while (!command.empty() && command.front() == u' ')
        command.remove_prefix(1);
    while (!command.empty() && command.back() == u' ')
        command.remove_suffix(1);
    if (command == u"car")
    {
        auto* page = new SmokePage(folder);
        if (!frame.addChild(page, 0, 0, frame.getClientWidth(), frame.getClientHeight()) || !page->load())
        {
            frame.destroy();
            return 1;
        }
        page->start();
        return racing::runMessageLoop(frame.getHandle());
    }
    // The flag's models come from the pack beside the program.
    addResourcePack(u"flags.zip", folder);
    auto* demo = new DemoPage();
    if (!frame.addChild(demo, 0, 0, frame.getClientWidth(), frame.getClientHeight()))
    {
        frame.destroy();
        return 1;
    }
    demo->loadTemplate(folder, u"engine_demo.properties", true);
    if (!demo->findScene3D(u"mainScene"))
    {
        MessageBoxW(nullptr, u"The smoke screen (engine_demo.properties) is missing.", u"Error", MB_ICONSTOP);
        frame.destroy();
        closeResourcePacks();
        return 1;
    }
    demo->start();
    demo->setFocus(); // the page takes the keys (index typing)
    const int code = racing::runMessageLoop(frame.getHandle());
    closeResourcePacks();
    return code;
}
