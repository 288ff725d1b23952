// scene3d.cpp -- camera, lights, view set-up and projection of 3D scenes
#include "engine/scene/scenes/scene3d.h"

#include "engine/platform/window.h"
#include "engine/scene/3d/camera.h"
#include "engine/scene/3d/environment.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/light.h"
#include "engine/scene/core/fixed_point.h"
#include "engine/scene/scenes/renderer3d.h"

#include <algorithm>

namespace {

int clampScreen(float v)
{
    if (!(v > -4096.0f))
        return -4096;
    if (v > 4095.0f)
        return 4095;
    return int(v);
}

} // namespace

Scene3D::Scene3D(int px, int py, int w, int h, uint32_t background, Texture* texture)
    : Scene(Scene3DType, px, py, std::max(w, kLeastSide), std::max(h, kLeastSide), background, texture)
{
    environment = new Environment;
    camera = new Camera(0, 45.0f);
    auto* pass = new Renderer3D(this, width, height);
    renderer = pass;
    pass->bindScene(&children, camera, environment);
}

Scene3D::~Scene3D()
{
    delete renderer;
    renderer = nullptr;
    for (int i = 0; i < lights.size(); ++i)
        delete static_cast<Light*>(lights.get(i));
    delete environment->fog;
    delete environment;
    delete camera;
}

Renderer3D* Scene3D::renderer3D() const
{
    return static_cast<Renderer3D*>(renderer);
}

bool Scene3D::isViewReady() const
{
    return camera->viewportWidth != 0 && camera->viewportHeight != 0;
}

void Scene3D::setViewport(float zoom)
{
    camera->setViewport(saturatingInt(float(width) * zoom), saturatingInt(float(height) * zoom));
}

void Scene3D::initView(bool computeBounds)
{
    if (isViewReady() || !hostWindow)
        return;
    setViewport(hostWindow->zoom);
    updateGroups(computeBounds);
    updateLighting();
    loadClipRange();
}

void Scene3D::updateGroups(bool computeBounds)
{
    for (int i = children.size() - 1; i >= 0; --i)
        static_cast<Group3D*>(child(i))->update(computeBounds);
}

void Scene3D::updateLighting()
{
    renderer3D()->updateShadeTable(&lights, environment->ambient);
    shadeTableBuilt = true;
}

void Scene3D::loadClipRange()
{
    renderer3D()->updateEnvironment(*environment);
}

void Scene3D::addLight(const WCHAR* lightName, Light* light)
{
    light->setName(lightName);
    lights.add(light);
}

void Scene3D::setFog(Fog* fog)
{
    if (environment->fog != fog)
        delete environment->fog;
    environment->fog = fog;
}

bool Scene3D::toViewSpace(float& px, float& py, float& pz)
{
    if (!isViewReady())
        return false;
    Tuple3 p(px, py, pz);
    camera->getViewMatrix().transformPoint(p);
    px = p.x, py = p.y, pz = p.z;
    return true;
}

int Scene3D::project(float px, float py, float pz, int& outX, int& outY, int& outDepth, float& outScale)
{
    if (!toViewSpace(px, py, pz))
        return 0;
    if (pz < environment->frontClip)
    {
        outDepth = -10000;
        return 0;
    }
    int factor = camera->projection != 0 ? camera->projection : 1;
    float scale = float((camera->minViewport << 10) / factor) / pz;
    outScale = scale;
    outX = clampScreen(float(camera->centreX) + float(int(scale * px)));
    outY = clampScreen(float(camera->centreY) - float(int(scale * py)));
    outDepth = int(pz);
    return int(pz);
}

int Scene3D::projectObject(const SceneObject& object, int& outX, int& outY, int& outDepth, float& outScale)
{
    const Matrix4& m = static_cast<const Group3D&>(object).matrix;
    return project(m.m[3], m.m[7], m.m[11], outX, outY, outDepth, outScale);
}
