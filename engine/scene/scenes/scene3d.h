// scene3d.h -- a scene of 3D groups seen through its camera
//
// The scene owns its camera, environment, lights and fog; the Renderer3D
// draws its children (all Group3D) each frame.
#pragma once

#include "engine/base/ptr_vector.h"
#include "engine/scene/scenes/scene.h"

class Camera;
class Light;
class Renderer3D;
struct Environment;
struct Fog;

class Scene3D : public Scene
{
public:
    static constexpr int kLeastSide = 8;

    Camera* camera = nullptr;
    Environment* environment = nullptr;
    PtrVector lights{0};
    Scene3D* zBufferProvider = nullptr;

    Scene3D(int x, int y, int width, int height, uint32_t bkgColor, Texture* bkgTexture);
    ~Scene3D() override;

    bool isViewReady() const;
    void setViewport(float zoom);
    // Once, when the view is not ready and the scene has its host window.
    void initView(bool computeBounds);
    void updateGroups(bool computeBounds);
    void updateLighting();
    void loadClipRange();
    void addLight(const WCHAR* lightName, Light* light);
    // The scene takes the fog over (the previous one is deleted).
    void setFog(Fog* fog);
    bool toViewSpace(float& px, float& py, float& pz);
    int project(float px, float py, float pz, int& outX, int& outY, int& outDepth, float& outScale);
    int projectObject(const SceneObject& object, int& outX, int& outY, int& outDepth, float& outScale);
    Renderer3D* renderer3D() const;

private:
    bool shadeTableBuilt = false;
};
