// scene3d.h -- the racing build's 3D scene and its render pass
//
// The scene owns its groups, camera, environment and renderer (not its
// lights) and builds itself in announced stages on first use. The pass works
// on fixed-point vertices: every vertex is projected once, faces are culled
// by outcodes and facing, clipped at the near plane into temporary faces,
// put into an opaque and a transparent list and drawn by the engine's
// triangle filler under the racing profile into the scene's render target.
#pragma once

#include "engine/base/matrix4.h"
#include "engine/base/ptr_vector.h"
#include "engine/scene/3d/environment.h"
#include "racing/engine/camera.h"

#include <os/types.h>

#include <cstdint>
#include <memory>
#include <vector>

struct Face;
class Group3D;
class Light;
class Mesh;
class Rasterizer;
class ShadeTable;
class Texture;
struct Vertex;

namespace racing {

class LoadListener;
class RenderTarget;
class Scene3D;

class Renderer3D
{
public:
    explicit Renderer3D(Scene3D* scene);
    ~Renderer3D();
    Renderer3D(const Renderer3D&) = delete;
    Renderer3D& operator=(const Renderer3D&) = delete;

    // The target the scene draws into and a filler over its image (racing
    // profile), both owned from then on. The depth buffer has the scene's
    // size (never smaller than the target).
    void setTarget(RenderTarget* target);
    RenderTarget* getTarget() const { return target; }
    Rasterizer* getRasterizer() const { return rasterizer.get(); }
    size_t depthBufferWords() const { return depthWords; }

    void updateShadeTable();
    void loadClipRange();
    void render(float dt);

    struct Statistics
    {
        int groups = 0, meshes = 0, vertices = 0, clipVertices = 0, opaqueFaces = 0, transparentFaces = 0;
    };
    Statistics statistics;
    uint8_t sortOpaque = 0;
    uint8_t sortTransparent = 1;

private:
    struct MeshState;
    void makeRasterizer();
    void drawGroup(Group3D& group, const Matrix4& view);
    void drawMesh(Mesh& mesh, const Matrix4& groupTransform, const Matrix4& viewGroup, bool environment,
                  bool cullMeshes);
    void project(Vertex& v, const MeshState& s, bool keepViewPosition);
    void light(Vertex& v, const MeshState& s);
    void prepareFace(Face& face, const MeshState& s);
    void clip(Face& face, const MeshState& s, bool opaque);
    Vertex* newVertex(const Vertex& p, const Vertex& q, const MeshState& s);
    void measureSides();
    bool sphereCulled(float x, float y, float z, float r) const;
    void drawLists();

    Scene3D* scene;
    RenderTarget* target = nullptr;
    std::unique_ptr<Rasterizer> rasterizer;
    std::unique_ptr<ShadeTable> shades;
    std::unique_ptr<uint32_t[]> depth;
    size_t depthWords = 0;
    std::vector<uint8_t> lit; // per vertex of the current mesh
    PtrVector opaque{1024}, transparent{1024}, clipVertices{256};
    float nearPlane = 1.0f, farPlane = 1000.0f;
    int32_t nearFixed = 0, farFixed = 0;
    int32_t focal = 0, halfWidth = 0, halfHeight = 0, targetWidth = 0, targetHeight = 0;
    int orientation = 0;
    int shift = 10, subShift = 3; // the fixed-point shifts, read once a frame
    // The picture's reach from the projection centre along view x and y,
    // each way, as slopes (measured once a frame).
    struct Sides
    {
        float xPositive = 0.0f, xNegative = 0.0f, yPositive = 0.0f, yNegative = 0.0f;
    } sides;
};

class Scene3D
{
public:
    static constexpr int kLeastSide = 8;

    // Width and height are raised to 8 when smaller. bkgColor -1: none.
    Scene3D(int x, int y, int width, int height, uint32_t bkgColor, Texture* bkgTexture);
    ~Scene3D();
    Scene3D(const Scene3D&) = delete;
    Scene3D& operator=(const Scene3D&) = delete;

    // Once: the camera viewport at the zoomed size, then "Building 3D
    // Models" (50), "Building 3D Lights" (75), "Building 3D Environment"
    // (95) and "Finalizing 3D Initialization" (100), each announced to the
    // listener before it runs. Later calls do nothing.
    void initView(float zoom, LoadListener* listener, bool computeBounds);
    bool isViewReady() const { return camera.halfWidth * camera.halfHeight != 0; }

    // The scene owns its groups; names are cut to 63 characters.
    void addChild(const WCHAR* childName, Group3D* group);
    Group3D* findChild(const WCHAR* childName) const;
    // Taken out of the list, not deleted.
    Group3D* removeChild(const WCHAR* childName);
    // Lights stay their owner's ...
    void addLight(const WCHAR* lightName, Light* light);
    // ... except these, which the scene deletes (lights built for it).
    void addOwnedLight(const WCHAR* lightName, Light* light);
    // The scene's fog, deleted with the scene or the next fog.
    void setFog(Fog* fog);
    void removeLight(const WCHAR* lightName);
    void render(float dt) { renderer.render(dt); }

    // A world point turned into view space in place; false (the point
    // untouched) until the view is ready.
    bool toViewSpace(float& x, float& y, float& z);
    // Where the render pass puts a world point: 0 with nothing written until
    // the view is ready; nearer than the front clip only outDepth, -10000,
    // and 0; else the screen position (within -4096..4095, in the target's
    // orientation), the view depth and the pixels per world unit at that
    // depth, answering the depth.
    int project(float x, float y, float z, int& outX, int& outY, int& outDepth, float& outScale);
    // project at the object's place (the translation of its transform).
    int projectObject(const Group3D& object, int& outX, int& outY, int& outDepth, float& outScale);

    uint8_t visible = 1;
    int x, y, width, height;
    uint32_t bkgColor;
    Texture* bkgTexture;
    WCHAR name[64] = {};
    std::vector<Group3D*> children;
    Camera camera{0, 45.0f};
    Environment environment;
    std::vector<Light*> lights;
    Renderer3D renderer{this};

private:
    std::vector<std::unique_ptr<Light>> ownedLights;
    std::unique_ptr<Fog> ownedFog;
};

} // namespace racing
